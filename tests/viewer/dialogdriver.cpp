#include "dialogdriver.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include "platform/commandids.h"
#include "viewer/inputtextdialog.h"

bool answerInputTextDialog(const std::function<bool()>& open,
                           const std::function<void(InputTextDialog&)>& answer, bool* answered)
{
    bool acted = false;
    bool timedOut = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<InputTextDialog*>(QApplication::activeModalWidget());
        if (acted || dialog == nullptr || !dialog->isVisible()) {
            return;
        }
        acted = true;
        poll.stop();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        QPointer<InputTextDialog> guard(dialog);
        answer(*dialog);
        // Give the dialog the chance to close from events the answer posted.
        if (guard && guard->isVisible()) {
            (void)QTest::qWaitFor([&] { return !guard || !guard->isVisible(); }, 2000);
        }
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    watchdog.setInterval(20000);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<InputTextDialog*>(QApplication::activeModalWidget())) {
            timedOut = true;
            dialog->EndDialog(IDCANCEL);
        }
    });
    poll.start();
    watchdog.start();
    const bool result = open();
    poll.stop();
    watchdog.stop();
    EXPECT_FALSE(timedOut) << "the dialog stayed open after the answer";
    if (answered != nullptr) {
        *answered = acted;
    } else {
        EXPECT_TRUE(acted) << "the dialog never showed";
    }
    return result;
}

void typeIntoEdit(InputTextDialog& dialog, const char* text)
{
    QLineEdit* edit = dialog.m_edit;
    ASSERT_NE(edit, nullptr);
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, QString::fromUtf8(text));
}

void pressCloseBox(InputTextDialog& dialog)
{
    QWindow* window = dialog.windowHandle();
    ASSERT_NE(window, nullptr);
    QCloseEvent close;
    close.setAccepted(false);
    QCoreApplication::sendEvent(window, &close);
}
