#include "viewer/filewatch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include <sys/stat.h>

namespace {

// How often a changed file is looked at while it settles.
constexpr int kCheckMs = 50;

} // namespace

bool FileWatch::Stamp::operator==(const Stamp& other) const
{
    return exists == other.exists && size == other.size && modifiedNs == other.modifiedNs && device == other.device
           && inode == other.inode;
}

FileWatch::FileWatch(QObject* parent) : QObject(parent)
{
    m_watcher = new QFileSystemWatcher(this);
    m_timer = new QTimer(this);
    m_timer->setInterval(kCheckMs);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &FileWatch::somethingChanged);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &FileWatch::somethingChanged);
    connect(m_timer, &QTimer::timeout, this, &FileWatch::check);
}

FileWatch::~FileWatch() = default;

FileWatch::Stamp FileWatch::stampOf(const QString& path)
{
    Stamp stamp;
    struct stat info { };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return stamp;
    stamp.exists = true;
    stamp.size = static_cast<long long>(info.st_size);
    stamp.modifiedNs = static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
    stamp.device = static_cast<unsigned long long>(info.st_dev);
    stamp.inode = static_cast<unsigned long long>(info.st_ino);
    return stamp;
}

void FileWatch::watch(const QString& path)
{
    stop();
    m_path = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    m_seen = stampOf(m_path);
    // The folder too: a file renamed over the watched one is a new file,
    // which a watch on the old one never sees.
    m_watcher->addPath(QFileInfo(m_path).absolutePath());
    if (m_seen.exists)
        m_watcher->addPath(m_path);
}

void FileWatch::stop()
{
    m_timer->stop();
    const QStringList watched = m_watcher->files() + m_watcher->directories();
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
    m_path.clear();
}

bool FileWatch::settling() const
{
    return m_timer->isActive();
}

void FileWatch::somethingChanged()
{
    if (m_path.isEmpty())
        return;
    // A watch on a file that was replaced or removed has ended; watch the
    // file now there.
    if (!m_watcher->files().contains(m_path) && QFileInfo::exists(m_path))
        m_watcher->addPath(m_path);
    if (stampOf(m_path) == m_seen)
        return; // another file of the folder, or nothing that shows
    m_latest = stampOf(m_path);
    m_sameSince.start();
    m_timer->start();
}

void FileWatch::check()
{
    const Stamp now = stampOf(m_path);
    if (!now.exists) {
        // Gone (or not yet back): the folder's watch reports its return.
        m_timer->stop();
        return;
    }
    if (now != m_latest) {
        m_latest = now;
        m_sameSince.start();
        return;
    }
    if (m_sameSince.elapsed() < m_settleMs)
        return;
    m_timer->stop();
    if (now == m_seen)
        return;
    m_seen = now;
    if (!m_watcher->files().contains(m_path))
        m_watcher->addPath(m_path);
    if (onChanged)
        onChanged();
}
