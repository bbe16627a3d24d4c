#include "tests/support/guitestutil.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace guitest {

namespace {

void closeLeftOpen(const QPointer<QWidget>& answered)
{
    if (!answered || !answered->isVisible())
        return;
    ADD_FAILURE() << "a dialog stayed open after its answer";
    if (auto* dialog = qobject_cast<QDialog*>(answered.data()))
        dialog->reject();
    else
        answered->close();
}

} // namespace

std::shared_ptr<bool> onNextModal(std::function<void(QWidget*)> action, int timeoutMs)
{
    auto ran = std::make_shared<bool>(false);
    std::weak_ptr<bool> handle = ran;
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QPointer<QWidget> before = QApplication::activeModalWidget();
    QObject::connect(timer, &QTimer::timeout, [=] {
        const std::shared_ptr<bool> flag = handle.lock();
        if (!flag || clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == before || !modal->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        *flag = true;
        QPointer<QWidget> answered(modal);
        action(modal);
        QTimer::singleShot(timeoutMs, [answered] { closeLeftOpen(answered); });
    });
    timer->start(20);
    return ran;
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

bool letTimersTick(int periodMs, int count)
{
    int ticks = 0;
    QTimer reference;
    QObject::connect(&reference, &QTimer::timeout, [&ticks] { ++ticks; });
    reference.start(periodMs);
    return QTest::qWaitFor([&ticks, count] { return ticks >= count; }, 10000 + periodMs * count);
}

bool parkPointer(const QPoint& global)
{
    QCursor::setPos(global);
    return waitFor([global] { return QCursor::pos() == global; });
}

} // namespace guitest

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}
