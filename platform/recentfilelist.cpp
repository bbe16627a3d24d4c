#include "platform/recentfilelist.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>

namespace {
constexpr int kMaxShownPathLength = 60;
} // namespace

CRecentFileList::CRecentFileList(unsigned firstId, const QString& section, const QString& entryPrefix, int size)
    : m_firstId(firstId), m_section(section), m_entryPrefix(entryPrefix), m_size(size < 0 ? 0 : size)
{
}

QString CRecentFileList::operator[](int index) const
{
    return index >= 0 && index < GetCount() ? m_files[index] : QString();
}

void CRecentFileList::Add(const QString& path)
{
    if (path.isEmpty() || m_size == 0)
        return;
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    m_files.removeAll(clean);
    m_files.prepend(clean);
    while (m_files.size() > m_size)
        m_files.removeLast();
}

void CRecentFileList::Remove(int index)
{
    if (index >= 0 && index < GetCount())
        m_files.removeAt(index);
}

QString CRecentFileList::GetDisplayName(int index) const
{
    const QString path = (*this)[index];
    if (path.isEmpty())
        return QString();
    const QFileInfo info(path);
    QString shown;
    if (QDir::cleanPath(info.absolutePath()) == QDir::cleanPath(QDir::currentPath())) {
        shown = info.fileName();
    } else {
        shown = QDir::toNativeSeparators(path);
        if (shown.size() > kMaxShownPathLength) {
            // Keep the start and as much of the end (at least the file name)
            // as fits.
            const QString name = info.fileName();
            const int keepEnd = std::max<int>(static_cast<int>(name.size()) + 1, kMaxShownPathLength / 2);
            const int keepStart = std::max(3, kMaxShownPathLength - keepEnd - 3);
            shown = shown.left(keepStart) + QStringLiteral("...") + shown.right(keepEnd);
        }
    }
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}

void CRecentFileList::ReadList(QSettings& settings)
{
    m_files.clear();
    settings.beginGroup(m_section);
    for (int i = 0; i < m_size; ++i) {
        const QString file = settings.value(m_entryPrefix + QString::number(i + 1)).toString();
        if (!file.isEmpty() && !m_files.contains(file))
            m_files << file;
    }
    settings.endGroup();
}

void CRecentFileList::WriteList(QSettings& settings) const
{
    settings.beginGroup(m_section);
    for (int i = 0; i < m_size; ++i) {
        const QString key = m_entryPrefix + QString::number(i + 1);
        if (i < GetCount())
            settings.setValue(key, m_files[i]);
        else
            settings.remove(key);
    }
    settings.endGroup();
}
