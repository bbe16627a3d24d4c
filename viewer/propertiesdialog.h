#pragma once

#include "platform/dialogs.h"

class QPlainTextEdit;
class QPushButton;

// File > Properties: what the model measures, one fact a line as
// modelFactsLines writes them, in a read-only text that can be selected and
// copied, and an OK button (dialog template IDD_PROPERTIES). Enter, Escape
// and the close box all close it.
class PropertiesDialog : public CDialog {
    Q_OBJECT
public:
    explicit PropertiesDialog(const QString& lines, QWidget* parent = nullptr);

    QPlainTextEdit* textBox() const { return m_text; }
    QPushButton* okButton() const { return m_okButton; }

private:
    QPlainTextEdit* m_text = nullptr; // control IDC_PROPERTIES_TEXT
    QPushButton* m_okButton = nullptr;
};
