#pragma once

// Helpers for tests that drive real windows and modal dialogs.

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <ostream>

namespace guitest {

// Runs action on the next modal window that appears (a modal dialog runs its
// own event loop, so the test must answer it from a timer). If none appears
// within timeoutMs the watcher stops; a test then sees the dialog result it
// expected not happen. Returns a flag that is set once action ran.
inline std::shared_ptr<bool> onNextModal(std::function<void(QWidget*)> action, int timeoutMs = 10000)
{
    auto ran = std::make_shared<bool>(false);
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QPointer<QWidget> before = QApplication::activeModalWidget();
    QObject::connect(timer, &QTimer::timeout, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != before && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            *ran = true;
            QPointer<QWidget> answered(modal);
            action(modal);
            // A dialog the action failed to close is closed later, so that
            // the test fails instead of hanging in the dialog's loop.
            QTimer::singleShot(timeoutMs, [answered] {
                if (answered && answered->isVisible()) {
                    if (auto* dialog = qobject_cast<QDialog*>(answered.data()))
                        dialog->reject();
                    else
                        answered->close();
                }
            });
            return;
        }
        if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(20);
    return ran;
}

// Waits until condition holds or timeoutMs passes; true when it holds.
inline bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

} // namespace guitest

// Readable gtest messages for Qt strings.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}
