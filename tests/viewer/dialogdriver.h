#pragma once

#include <functional>

class InputTextDialog;

// Runs open(), which shows the real text entry dialog modally, and calls
// answer with the dialog once it is on screen and active. answer must close
// the dialog (OK, Cancel, a key...). If it does not, a watchdog cancels the
// dialog after a while and the test fails. Returns open()'s result; answered
// tells whether answer ran at all.
bool answerInputTextDialog(const std::function<bool()>& open,
                           const std::function<void(InputTextDialog&)>& answer, bool* answered = nullptr);

// Replaces the whole edit box text as a user would: select all, then type.
void typeIntoEdit(InputTextDialog& dialog, const char* text);

// The close box: the window system asks the dialog's window to close.
void pressCloseBox(InputTextDialog& dialog);
