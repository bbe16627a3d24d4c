// The one-line text entry dialog, driven as a user would with Qt Test, and
// its test seam.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "dialogdriver.h"
#include "platform/commandids.h"
#include "viewer/inputtextdialog.h"

namespace {

struct Buffer {
    char text[32];
    char guard[16];
};

Buffer makeBuffer(const char* initial)
{
    Buffer buffer;
    std::memset(&buffer, 'Z', sizeof buffer);
    std::snprintf(buffer.text, sizeof buffer.text, "%s", initial);
    return buffer;
}

void expectGuardIntact(const Buffer& buffer)
{
    for (char c : buffer.guard) {
        EXPECT_EQ(c, 'Z') << "written past the text buffer";
    }
}

bool run(Buffer& buffer, const std::function<void(InputTextDialog&)>& answer, const char* caption = "Caption",
         const char* prompt = "Prompt")
{
    return answerInputTextDialog([&] { return RunInputTextDialog(buffer.text, sizeof buffer.text, caption, prompt); },
                                 answer);
}

class InputTextDialogTest : public ::testing::Test {
protected:
    void SetUp() override { setInputTextDialogHook({}); }
    void TearDown() override { setInputTextDialogHook({}); }
};

TEST_F(InputTextDialogTest, ShowsCaptionPromptTextAndTwoPlainButtons)
{
    Buffer buffer = makeBuffer("0.80, 0.80, 0.80");
    const bool confirmed = run(
        buffer,
        [](InputTextDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Mesh Color");
            EXPECT_EQ(dialog.promptLabel()->text(), "Three floats");
            ASSERT_NE(dialog.m_edit, nullptr);
            EXPECT_EQ(dialog.m_edit->text(), "0.80, 0.80, 0.80");
            EXPECT_EQ(dialog.m_edit->maxLength(), 31);
            EXPECT_EQ(dialog.GetDlgItem(IDC_INPUT_EDIT), dialog.m_edit);
            EXPECT_EQ(dialog.GetDlgItem(IDC_INPUT_PROMPT), dialog.promptLabel());
            EXPECT_EQ(dialog.GetDlgItem(IDOK), dialog.okButton());
            EXPECT_EQ(dialog.GetDlgItem(IDCANCEL), dialog.cancelButton());
            EXPECT_EQ(dialog.okButton()->text(), "OK");
            EXPECT_EQ(dialog.cancelButton()->text(), "Cancel");
            for (QPushButton* button : {dialog.okButton(), dialog.cancelButton()}) {
                EXPECT_FALSE(button->isDefault());
                EXPECT_FALSE(button->autoDefault());
                EXPECT_TRUE(button->isVisible());
            }
            EXPECT_TRUE(dialog.isModal());
            // The keyboard focus starts on the first tab stop, OK.
            EXPECT_EQ(QApplication::focusWidget(), dialog.okButton());
            // Nothing inside the dialog is cut off.
            for (QWidget* control :
                 {static_cast<QWidget*>(dialog.okButton()), static_cast<QWidget*>(dialog.cancelButton()),
                  static_cast<QWidget*>(dialog.m_edit), static_cast<QWidget*>(dialog.promptLabel())}) {
                EXPECT_TRUE(dialog.rect().contains(control->geometry())) << control->metaObject()->className();
            }
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        },
        "Mesh Color", "Three floats");
    EXPECT_TRUE(confirmed);
    EXPECT_STREQ(buffer.text, "0.80, 0.80, 0.80");
}

TEST_F(InputTextDialogTest, OkHandsBackTheTypedText)
{
    Buffer buffer = makeBuffer("0.00, 0.00, 0.00");
    const bool confirmed = run(buffer, [](InputTextDialog& dialog) {
        typeIntoEdit(dialog, "1,0,0");
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(confirmed);
    EXPECT_STREQ(buffer.text, "1,0,0");
    EXPECT_STREQ(g_inputTextDialog->GetText(), "1,0,0");
    expectGuardIntact(buffer);
}

TEST_F(InputTextDialogTest, EmptyReplyIsConfirmedAsEmptyText)
{
    Buffer buffer = makeBuffer("0.50, 0.50, 0.50");
    const bool confirmed = run(buffer, [](InputTextDialog& dialog) {
        typeIntoEdit(dialog, "");
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(confirmed);
    EXPECT_STREQ(buffer.text, "");
}

TEST_F(InputTextDialogTest, CancelEscapeAndCloseBoxLeaveTheTextAlone)
{
    const std::function<void(InputTextDialog&)> ways[] = {
        [](InputTextDialog& dialog) { QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton); },
        [](InputTextDialog& dialog) { QTest::keyClick(dialog.m_edit, Qt::Key_Escape); },
        [](InputTextDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); },
        [](InputTextDialog& dialog) { pressCloseBox(dialog); },
    };
    int index = 0;
    for (const auto& cancel : ways) {
        SCOPED_TRACE(index++);
        Buffer buffer = makeBuffer("0.10, 0.20, 0.30");
        const bool confirmed = run(buffer, [&](InputTextDialog& dialog) {
            typeIntoEdit(dialog, "9, 9, 9");
            cancel(dialog);
        });
        EXPECT_FALSE(confirmed);
        EXPECT_STREQ(buffer.text, "0.10, 0.20, 0.30");
        expectGuardIntact(buffer);
        EXPECT_FALSE(g_inputTextDialog->isVisible());
    }
}

TEST_F(InputTextDialogTest, EnterInTheEditBoxConfirms)
{
    Buffer buffer = makeBuffer("0.00, 0.00, 0.00");
    const bool confirmed = run(buffer, [](InputTextDialog& dialog) {
        typeIntoEdit(dialog, "0.5");
        ASSERT_EQ(QApplication::focusWidget(), dialog.m_edit);
        QTest::keyClick(dialog.m_edit, Qt::Key_Return);
    });
    EXPECT_TRUE(confirmed);
    EXPECT_STREQ(buffer.text, "0.5");

    Buffer keypad = makeBuffer("0.00, 0.00, 0.00");
    EXPECT_TRUE(run(keypad, [](InputTextDialog& dialog) {
        typeIntoEdit(dialog, "0.25");
        QTest::keyClick(dialog.m_edit, Qt::Key_Enter, Qt::KeypadModifier);
    }));
    EXPECT_STREQ(keypad.text, "0.25");
}

TEST_F(InputTextDialogTest, EnterPressesTheFocusedButtonAndTabFollowsTheTemplateOrder)
{
    Buffer onOk = makeBuffer("initial");
    EXPECT_TRUE(run(onOk, [](InputTextDialog& dialog) {
        ASSERT_EQ(QApplication::focusWidget(), dialog.okButton());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }));
    EXPECT_STREQ(onOk.text, "initial");

    Buffer onCancel = makeBuffer("initial");
    EXPECT_FALSE(run(onCancel, [](InputTextDialog& dialog) {
        ASSERT_EQ(QApplication::focusWidget(), dialog.okButton());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), dialog.cancelButton());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), dialog.m_edit);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), dialog.okButton());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        ASSERT_EQ(QApplication::focusWidget(), dialog.m_edit);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        ASSERT_EQ(QApplication::focusWidget(), dialog.cancelButton());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }));
    EXPECT_STREQ(onCancel.text, "initial");

    // The space bar presses the focused button as well.
    Buffer space = makeBuffer("initial");
    EXPECT_TRUE(run(space, [](InputTextDialog& dialog) {
        typeIntoEdit(dialog, "typed");
        dialog.okButton()->setFocus();
        QTest::keyClick(dialog.okButton(), Qt::Key_Space);
    }));
    EXPECT_STREQ(space.text, "typed");
}

TEST_F(InputTextDialogTest, EditBoxTakesAtMost31Characters)
{
    Buffer buffer = makeBuffer("");
    const bool confirmed = run(buffer, [](InputTextDialog& dialog) {
        typeIntoEdit(dialog, "0.123456789, 0.123456789, 0.123456789");
        EXPECT_EQ(dialog.m_edit->text().size(), 31);
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(confirmed);
    EXPECT_STREQ(buffer.text, "0.123456789, 0.123456789, 0.123");
    expectGuardIntact(buffer);
}

TEST_F(InputTextDialogTest, LongInitialTextIsShownCut)
{
    Buffer buffer = makeBuffer("");
    std::memset(buffer.text, 'x', sizeof buffer.text); // no terminator inside the buffer
    const bool confirmed = run(buffer, [](InputTextDialog& dialog) {
        EXPECT_EQ(dialog.m_edit->text(), QString(31, 'x'));
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(std::string(buffer.text), std::string(31, 'x'));
    expectGuardIntact(buffer);
}

TEST_F(InputTextDialogTest, ReplyIsCutToTheCallersBuffer)
{
    char small[8 + 8];
    std::memset(small, 'Z', sizeof small);
    std::strcpy(small, "1.0");
    const bool confirmed = answerInputTextDialog([&] { return RunInputTextDialog(small, 8, "Caption", "Prompt"); },
                                                 [](InputTextDialog& dialog) {
                                                     typeIntoEdit(dialog, "0.25, 0.5, 0.75");
                                                     QTest::keyClick(dialog.m_edit, Qt::Key_Return);
                                                 });
    EXPECT_TRUE(confirmed);
    EXPECT_STREQ(small, "0.25, 0");
    for (size_t i = 8; i < sizeof small; ++i) {
        EXPECT_EQ(small[i], 'Z');
    }
}

TEST_F(InputTextDialogTest, NonAsciiReplyIsNeverCutInsideACharacter)
{
    char small[6];
    std::strcpy(small, "a");
    EXPECT_TRUE(answerInputTextDialog([&] { return RunInputTextDialog(small, sizeof small, "C", "P"); },
                                      [](InputTextDialog& dialog) {
                                          dialog.m_edit->setText(QString::fromUtf8("0.5\xc3\xa9\xc3\xa9"));
                                          QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
                                      }));
    EXPECT_STREQ(small, "0.5\xc3\xa9");
}

TEST_F(InputTextDialogTest, EveryUseStartsAfreshWithFocusOnOk)
{
    Buffer first = makeBuffer("first");
    EXPECT_TRUE(run(
        first,
        [](InputTextDialog& dialog) {
            typeIntoEdit(dialog, "typed");
            QTest::keyClick(dialog.m_edit, Qt::Key_Return);
        },
        "One", "First prompt"));

    Buffer second = makeBuffer("second");
    EXPECT_FALSE(run(
        second,
        [](InputTextDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Two");
            EXPECT_EQ(dialog.promptLabel()->text(), "Second prompt");
            EXPECT_EQ(dialog.m_edit->text(), "second");
            EXPECT_EQ(QApplication::focusWidget(), dialog.okButton());
            QTest::keyClick(&dialog, Qt::Key_Escape);
        },
        "Two", "Second prompt"));
    EXPECT_STREQ(second.text, "second");
}

TEST_F(InputTextDialogTest, HookAnswersInsteadOfTheRealDialog)
{
    std::string seenText, seenCaption, seenPrompt;
    setInputTextDialogHook([&](InputTextDialog& dialog) {
        seenText = dialog.GetText();
        seenCaption = dialog.m_caption;
        seenPrompt = dialog.m_prompt;
        EXPECT_FALSE(dialog.isVisible());
        std::snprintf(dialog.m_text, sizeof dialog.m_text, "%s", "0.5, 0.5, 0.5");
        return IDOK;
    });
    Buffer buffer = makeBuffer("1.00, 1.00, 1.00");
    EXPECT_TRUE(RunInputTextDialog(buffer.text, sizeof buffer.text, "Model Color", "Three floats"));
    EXPECT_EQ(seenText, "1.00, 1.00, 1.00");
    EXPECT_EQ(seenCaption, "Model Color");
    EXPECT_EQ(seenPrompt, "Three floats");
    EXPECT_STREQ(buffer.text, "0.5, 0.5, 0.5");

    setInputTextDialogHook([](InputTextDialog& dialog) {
        std::snprintf(dialog.m_text, sizeof dialog.m_text, "%s", "ignored");
        return IDCANCEL;
    });
    EXPECT_FALSE(RunInputTextDialog(buffer.text, sizeof buffer.text, "Model Color", "Three floats"));
    EXPECT_STREQ(buffer.text, "0.5, 0.5, 0.5");

    // Any result other than IDCANCEL counts as confirmation.
    setInputTextDialogHook([](InputTextDialog&) { return -1; });
    EXPECT_TRUE(RunInputTextDialog(buffer.text, sizeof buffer.text, "Model Color", "Three floats"));
    EXPECT_STREQ(buffer.text, "0.5, 0.5, 0.5");

    // A reply longer than the caller's buffer is cut to it.
    setInputTextDialogHook([](InputTextDialog& dialog) {
        std::memset(dialog.m_text, '7', sizeof dialog.m_text - 1);
        dialog.m_text[sizeof dialog.m_text - 1] = '\0';
        return IDOK;
    });
    EXPECT_TRUE(RunInputTextDialog(buffer.text, sizeof buffer.text, "Model Color", "Three floats"));
    EXPECT_EQ(std::string(buffer.text), std::string(31, '7'));
    expectGuardIntact(buffer);
}

TEST_F(InputTextDialogTest, SetTextAndPromptCutsLongText)
{
    InputTextDialog& dialog = *g_inputTextDialog;
    const std::string longText(1000, 'q');
    dialog.SetTextAndPrompt(longText.c_str(), "prompt");
    EXPECT_EQ(std::string(dialog.GetText()), std::string(255, 'q'));
    dialog.SetTextAndPrompt(nullptr, nullptr);
    EXPECT_STREQ(dialog.GetText(), "");
    EXPECT_EQ(dialog.m_prompt, nullptr);
}

} // namespace
