#pragma once

#include <cstddef>
#include <functional>

#include "platform/dialogs.h"

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

// One-line text entry: a caption, a prompt, an edit box and the buttons OK
// and Cancel (dialog template IDD_INPUT_TEXT). Neither button is the default
// button; Enter in the edit box confirms like OK, Enter on a focused button
// presses that button, Escape and the close box cancel. The edit box takes at
// most kInputTextMaxLength characters.
class InputTextDialog : public CDialog {
    Q_OBJECT
public:
    static constexpr int kInputTextMaxLength = 31;

    explicit InputTextDialog(QWidget* parent = nullptr);
    ~InputTextDialog() override;

    // Copies text (cut to fit m_text) and keeps the pointer prompt, which must
    // outlive the next use of the dialog.
    void SetTextAndPrompt(const char* text, const char* prompt);
    // Keeps the pointer caption, which must outlive the next use.
    void SetCaption(const char* caption);
    // The initial text before the dialog runs, the typed reply after it.
    const char* GetText() const { return m_text; }

    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    QPushButton* okButton() const { return m_okButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }
    QLabel* promptLabel() const { return m_promptLabel; }

    QLineEdit* m_edit = nullptr; // control IDC_INPUT_EDIT, attached by OnInitDialog
    char m_text[256] = {};
    const char* m_caption = nullptr; // not owned
    const char* m_prompt = nullptr;  // not owned

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void readEditText();

    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QLabel* m_promptLabel = nullptr;
};

// The program's one text entry dialog, reused by every colour command. Its
// window is made on first use, because widgets can only exist once the
// application object does, and it goes away with the application object.
class InputTextDialogInstance {
public:
    InputTextDialog& operator*() { return get(); }
    InputTextDialog* operator->() { return &get(); }
    InputTextDialog& get();
    // True once the dialog has been made (and the application still exists).
    bool exists() const;
};
extern InputTextDialogInstance g_inputTextDialog;

// Shows g_inputTextDialog modally with caption, prompt and the initial text
// held in text (at most textSize bytes are read). On confirmation copies the
// reply into text, cut to fit textSize including the terminator, and returns
// true; on Cancel, Escape or the close box leaves text alone and returns false.
bool RunInputTextDialog(char* text, size_t textSize, const char* caption, const char* prompt);

// Test seam: when installed, the hook answers instead of the real dialog. It
// gets g_inputTextDialog with text, caption and prompt set, may change m_text,
// and returns IDOK or IDCANCEL. The program never installs one; pass an empty
// function to remove it.
using InputTextDialogHook = std::function<int(InputTextDialog&)>;
void setInputTextDialogHook(InputTextDialogHook hook);
