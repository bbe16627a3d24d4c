#include "dialogdriver.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/guitestutil.h"
#include "viewer/inputtextdialog.h"

bool answerInputTextDialog(const std::function<bool()>& open, const std::function<void(InputTextDialog&)>& answer,
                           bool* answered)
{
    const std::shared_ptr<bool> acted = guitest::onNextModal(
        [&answer](QWidget* modal) {
            auto* dialog = qobject_cast<InputTextDialog*>(modal);
            ASSERT_NE(dialog, nullptr) << "another modal window came first";
            EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
            EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
            QPointer<InputTextDialog> guard(dialog);
            answer(*dialog);
            // Give the dialog the chance to close from events the answer posted.
            if (guard && guard->isVisible())
                (void)QTest::qWaitFor([&guard] { return !guard || !guard->isVisible(); }, 2000);
        },
        20000);
    const bool result = open();
    if (answered != nullptr) {
        *answered = *acted;
    } else {
        EXPECT_TRUE(*acted) << "the dialog never showed";
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

void answerDialogsFrom(DialogAnswers& answers)
{
    setInputTextDialogHook([&answers](InputTextDialog& dialog) {
        ++answers.calls;
        answers.shownText = dialog.GetText();
        answers.caption = dialog.m_caption != nullptr ? dialog.m_caption : "";
        answers.prompt = dialog.m_prompt != nullptr ? dialog.m_prompt : "";
        if (answers.reply != nullptr)
            std::snprintf(dialog.m_text, sizeof dialog.m_text, "%s", answers.reply);
        return answers.result;
    });
}
