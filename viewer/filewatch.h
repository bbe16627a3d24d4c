#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>

class QFileSystemWatcher;
class QTimer;

// Watches one file for changes on disk, as a viewer that reloads its file
// needs: writes to the file, and a new file renamed over it (as editors and
// exporters save). A change is reported once the file has settled: it is
// there and its size, time and identity have stayed the same for the settle
// time, looked at on a timer; so a file still being written is waited for.
// A change that puts the file back as it was when watched reports nothing.
class FileWatch : public QObject {
    Q_OBJECT
public:
    explicit FileWatch(QObject* parent = nullptr);
    ~FileWatch() override;

    // Called on the watch's thread when the watched file has changed and
    // settled.
    std::function<void()> onChanged;

    // Watches path, taking the file as it is now as the one already seen
    // (the one being loaded). Replaces any earlier watch.
    void watch(const QString& path);
    // Watches nothing.
    void stop();
    const QString& path() const { return m_path; }
    // A change was seen and is waiting for the file to settle.
    bool settling() const;

    // How long a changed file must stay the same before it is reported.
    void setSettleTime(int ms) { m_settleMs = ms; }
    int settleTime() const { return m_settleMs; }

private:
    // What tells one state of a file from another.
    struct Stamp {
        bool exists = false;
        long long size = 0;
        long long modifiedNs = 0;
        unsigned long long device = 0;
        unsigned long long inode = 0;
        bool operator==(const Stamp& other) const;
        bool operator!=(const Stamp& other) const { return !(*this == other); }
    };
    static Stamp stampOf(const QString& path);

    void somethingChanged();
    void check();

    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_timer = nullptr;
    QString m_path;
    Stamp m_seen;   // the file as last reported (or as first watched)
    Stamp m_latest; // the file at the last look while settling
    QElapsedTimer m_sameSince;
    int m_settleMs = 300;
};
