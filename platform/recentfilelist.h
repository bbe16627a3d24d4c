#pragma once

#include <QString>
#include <QStringList>

class QSettings;

// The most-recently-used file list: newest first, at most size entries,
// stored in the settings under section/"File1".."FileN".
class CRecentFileList {
public:
    CRecentFileList(unsigned firstId, const QString& section, const QString& entryPrefix, int size);
    int GetSize() const { return m_size; }
    int GetCount() const { return static_cast<int>(m_files.size()); }
    QString operator[](int index) const;
    // Adds an absolute, clean form of path at the front (moving it there if it
    // is already in the list).
    void Add(const QString& path);
    void Remove(int index);
    // The text of the menu item for entry index: "&1 name" with a shortened path.
    QString GetDisplayName(int index) const;
    void ReadList(QSettings& settings);
    void WriteList(QSettings& settings) const;
    unsigned GetFirstId() const { return m_firstId; }

private:
    unsigned m_firstId;
    QString m_section;
    QString m_entryPrefix;
    int m_size;
    QStringList m_files;
};
