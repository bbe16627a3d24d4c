#pragma once

#include <QWidget>

#include <cstdint>

class QProgressBar;
class QPushButton;
class QShortcut;
class QStatusBar;

// The status-bar pane of a load in progress: a progress bar of the bytes
// read against the size of the file, and a Cancel button. Esc anywhere in
// the window cancels as the button does. The pane puts itself at the right
// end of the status bar it is given and is hidden until Show.
class CLoadProgressPane : public QWidget {
    Q_OBJECT
public:
    explicit CLoadProgressPane(QStatusBar* statusBar);

    // Shows the pane for a file of totalBytes (0 when not known: the bar
    // then only shows that something is happening).
    void Show(uint64_t totalBytes);
    void SetBytesRead(uint64_t bytes);
    void Hide();

    // Progress in percent of the bar (0 to 100; -1 while the size is unknown).
    int GetPercent() const;
    // The bytes read as last reported.
    uint64_t GetBytesRead() const { return m_bytes; }
    QPushButton* GetCancelButton() const { return m_cancel; }

signals:
    void cancelRequested();

private:
    QProgressBar* m_bar;
    QPushButton* m_cancel;
    QShortcut* m_escape;
    uint64_t m_total = 0;
    uint64_t m_bytes = 0;
};
