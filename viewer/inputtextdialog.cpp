#include "viewer/inputtextdialog.h"

#include <algorithm>
#include <cstring>

#include <QApplication>
#include <QByteArray>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>
#include <QString>

#include "platform/commandids.h"

InputTextDialogInstance g_inputTextDialog;

namespace {

// Copies at most srcLength bytes of src into dst (dstSize bytes including the
// terminator), never splitting a UTF-8 sequence at the cut.
void copyText(char* dst, size_t dstSize, const char* src, size_t srcLength)
{
    if (dst == nullptr || dstSize == 0) {
        return;
    }
    size_t n = std::min(srcLength, dstSize - 1);
    if (src == nullptr) {
        n = 0;
    }
    while (n > 0 && n < srcLength && (static_cast<unsigned char>(src[n]) & 0xC0) == 0x80) {
        --n;
    }
    if (n > 0) {
        std::memmove(dst, src, n);
    }
    dst[n] = '\0';
}

QString fromText(const char* text)
{
    return text == nullptr ? QString() : QString::fromUtf8(text);
}

// Dialog units of the template, turned into pixels with the dialog font the
// way the classic dialog manager does it: a horizontal unit is a quarter of
// the average character width, a vertical unit an eighth of the font height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font)
    {
        const QFontMetrics metrics(font);
        const int width
            = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        baseX_ = std::max(1, (width / 26 + 1) / 2);
        baseY_ = std::max(1, metrics.height());
    }
    int x(int units) const { return units * baseX_ / 4; }
    int y(int units) const { return units * baseY_ / 8; }
    QRect rect(int left, int top, int width, int height) const { return QRect(x(left), y(top), x(width), y(height)); }

private:
    int baseX_ = 1;
    int baseY_ = 1;
};

InputTextDialog* s_dialog = nullptr;

void destroyInputTextDialog()
{
    delete s_dialog;
    s_dialog = nullptr;
}

InputTextDialogHook& inputTextDialogHook()
{
    static InputTextDialogHook hook;
    return hook;
}

} // namespace

InputTextDialog::InputTextDialog(QWidget* parent) : CDialog(IDD_INPUT_TEXT, parent)
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Input"));
    QFont dialogFont = QApplication::font();
    dialogFont.setPointSize(9);
    setFont(dialogFont);
    const DialogUnits units(dialogFont);

    // Controls in tab order: OK, Cancel, the edit box, then the prompt.
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setGeometry(units.rect(7, 37, 50, 14));
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setGeometry(units.rect(71, 37, 50, 14));
    for (QPushButton* button : {m_okButton, m_cancelButton}) {
        button->setAutoDefault(false);
        button->setDefault(false);
        button->setFocusPolicy(Qt::StrongFocus);
    }
    SetDlgCtrlID(m_okButton, IDOK);
    SetDlgCtrlID(m_cancelButton, IDCANCEL);

    auto* edit = new QLineEdit(this);
    edit->setGeometry(units.rect(7, 19, 114, 15));
    edit->setMaxLength(kInputTextMaxLength);
    SetDlgCtrlID(edit, IDC_INPUT_EDIT);

    m_promptLabel = new QLabel(QStringLiteral("Static"), this);
    m_promptLabel->setGeometry(units.rect(7, 7, 114, 10));
    m_promptLabel->setTextFormat(Qt::PlainText);
    SetDlgCtrlID(m_promptLabel, IDC_INPUT_PROMPT);

    setTabOrder(m_okButton, m_cancelButton);
    setTabOrder(m_cancelButton, edit);

    setFixedSize(units.x(129), units.y(59));

    connect(m_okButton, &QPushButton::clicked, this, &InputTextDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &InputTextDialog::reject);
}

InputTextDialog::~InputTextDialog() = default;

void InputTextDialog::SetTextAndPrompt(const char* text, const char* prompt)
{
    copyText(m_text, sizeof m_text, text, text == nullptr ? 0 : std::strlen(text));
    m_prompt = prompt;
}

void InputTextDialog::SetCaption(const char* caption)
{
    m_caption = caption;
}

bool InputTextDialog::OnInitDialog()
{
    m_edit = qobject_cast<QLineEdit*>(GetDlgItem(IDC_INPUT_EDIT));
    Q_ASSERT_X(m_edit != nullptr, "inputtextdialog", "the edit box IDC_INPUT_EDIT is missing");
    if (m_edit != nullptr) {
        m_edit->setText(fromText(m_text));
    }
    m_promptLabel->setText(fromText(m_prompt));
    setWindowTitle(fromText(m_caption));
    // Every use starts with the focus on the first tab stop, the OK button.
    m_okButton->setFocus(Qt::OtherFocusReason);
    return true;
}

void InputTextDialog::readEditText()
{
    if (m_edit == nullptr) {
        return;
    }
    const QByteArray reply = m_edit->text().toUtf8();
    copyText(m_text, sizeof m_text, reply.constData(), static_cast<size_t>(reply.size()));
}

void InputTextDialog::OnOK()
{
    readEditText();
    CDialog::OnOK();
}

void InputTextDialog::OnCancel()
{
    readEditText();
    EndDialog(IDCANCEL);
}

void InputTextDialog::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool enter = (key == Qt::Key_Return && modifiers == Qt::NoModifier)
                       || (key == Qt::Key_Enter && (modifiers == Qt::NoModifier || modifiers == Qt::KeypadModifier));
    if (enter) {
        // No button is the default: Enter presses the focused button, and
        // anywhere else confirms the typed text like OK.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button != nullptr && button->isEnabled()) {
            button->click();
        } else {
            OnOK();
        }
        event->accept();
        return;
    }
    CDialog::keyPressEvent(event);
}

InputTextDialog& InputTextDialogInstance::get()
{
    if (s_dialog == nullptr) {
        s_dialog = new InputTextDialog(nullptr);
        qAddPostRoutine(destroyInputTextDialog);
    }
    return *s_dialog;
}

bool InputTextDialogInstance::exists() const
{
    return s_dialog != nullptr;
}

bool RunInputTextDialog(char* text, size_t textSize, const char* caption, const char* prompt)
{
    InputTextDialog& dialog = g_inputTextDialog.get();
    if (dialog.isVisible()) {
        // Already open further up the stack: a second use would tear it down.
        return false;
    }

    char initial[sizeof dialog.m_text];
    copyText(initial, sizeof initial, text, text == nullptr ? 0 : strnlen(text, textSize));
    dialog.SetTextAndPrompt(initial, prompt);
    dialog.SetCaption(caption);

    const int result = inputTextDialogHook() ? inputTextDialogHook()(dialog) : dialog.DoModal();
    if (result == IDCANCEL) {
        return false;
    }
    copyText(text, textSize, dialog.m_text, strnlen(dialog.m_text, sizeof dialog.m_text));
    return true;
}

void setInputTextDialogHook(InputTextDialogHook hook)
{
    inputTextDialogHook() = std::move(hook);
}
