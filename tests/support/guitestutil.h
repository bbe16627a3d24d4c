#pragma once

// Helpers for tests that drive real windows and modal dialogs.

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <ostream>

class QPoint;
class QWidget;

namespace guitest {

// The modal-dialog watchdog. Runs action on the next modal window that
// appears (a modal dialog runs its own event loop, so the test must answer
// it from a timer). Returns a flag that is set once action ran; watching
// stops when the caller lets go of the flag, or after timeoutMs without a
// dialog. A dialog that action leaves open is closed (rejected) timeoutMs
// later and the test fails, instead of hanging in the dialog's loop.
std::shared_ptr<bool> onNextModal(std::function<void(QWidget*)> action, int timeoutMs = 10000);

// Waits until condition holds or timeoutMs passes; true when it holds.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

// Runs the event loop until a timer of periodMs has ticked count times: long
// enough for any running timer of that period to tick as well. For checks
// that something does NOT happen; true when the ticks came.
bool letTimersTick(int periodMs, int count);

// Moves the real pointer to global (screen pixels), away from the windows a
// test drives, so that it sends no motion of its own; true once it is there.
bool parkPointer(const QPoint& global);

} // namespace guitest

// Readable gtest messages for Qt strings.
void PrintTo(const QString& text, std::ostream* os);
void PrintTo(const QStringList& list, std::ostream* os);
