#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for.
class CCommandLineInfo {
public:
    enum Shell { FileNew, FileOpen, FileNothing };
    Shell m_nShellCommand = FileNew;
    QString m_strFileName;
    void ParseArguments(const QStringList& args); // args without the program name
};
