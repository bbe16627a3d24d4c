#pragma once

#include "platform/commandids.h"

#include <functional>
#include <string>

class InputTextDialog;

// Runs open(), which shows the real text entry dialog modally, and calls
// answer with the dialog once it is on screen and active. answer must close
// the dialog (OK, Cancel, a key...). If it does not, a watchdog cancels the
// dialog after a while and the test fails. Returns open()'s result; answered
// tells whether answer ran at all.
bool answerInputTextDialog(const std::function<bool()>& open, const std::function<void(InputTextDialog&)>& answer,
                           bool* answered = nullptr);

// Replaces the whole edit box text as a user would: select all, then type.
void typeIntoEdit(InputTextDialog& dialog, const char* text);

// The close box: the window system asks the dialog's window to close.
void pressCloseBox(InputTextDialog& dialog);

// What the text entry dialogs showed when answered through the seam, and the
// answer to give: OK or Cancel, with reply typed in (null: the shown text
// confirmed unchanged).
struct DialogAnswers {
    int result = IDOK;
    const char* reply = nullptr;
    int calls = 0;
    std::string shownText, caption, prompt;
};

// Answers every text entry dialog from answers (which must outlive the seam,
// cleared with setInputTextDialogHook({})), recording what each showed.
void answerDialogsFrom(DialogAnswers& answers);
