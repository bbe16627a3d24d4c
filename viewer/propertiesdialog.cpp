#include "viewer/propertiesdialog.h"

#include <algorithm>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

#include "platform/commandids.h"

PropertiesDialog::PropertiesDialog(const QString& lines, QWidget* parent) : CDialog(IDD_PROPERTIES, parent)
{
    setWindowTitle(QStringLiteral("Properties"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    m_text = new QPlainTextEdit(this);
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Every line shows without scrolling.
    const QString shown = lines.endsWith(QLatin1Char('\n')) ? lines.chopped(1) : lines;
    m_text->setPlainText(shown);
    const QFontMetrics metrics(m_text->font());
    int widest = 0;
    for (const QString& line : shown.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const int frame = 2 * m_text->frameWidth() + 2 * static_cast<int>(m_text->document()->documentMargin());
    m_text->setMinimumSize(std::max(widest, metrics.horizontalAdvance(QLatin1Char('0')) * 32) + frame + 8,
                           metrics.lineSpacing() * static_cast<int>(shown.count(QLatin1Char('\n')) + 1) + frame + 8);
    SetDlgCtrlID(m_text, IDC_PROPERTIES_TEXT);

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setDefault(true);
    m_okButton->setMinimumWidth(75);
    SetDlgCtrlID(m_okButton, IDOK);
    connect(m_okButton, &QPushButton::clicked, this, [this] { OnOK(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(m_text);
    layout->addWidget(m_okButton, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_okButton->setFocus();
}
