#include "platform/commandlineinfo.h"

void CCommandLineInfo::ParseArguments(const QStringList& args)
{
    bool optionsEnded = false;
    for (const QString& arg : args) {
        if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && arg.startsWith(QLatin1Char('-')) && arg.size() > 1)
            continue; // options of the framework itself; none is used
        if (m_strFileName.isEmpty() && !arg.isEmpty()) {
            m_strFileName = arg;
            m_nShellCommand = FileOpen;
        }
    }
}
