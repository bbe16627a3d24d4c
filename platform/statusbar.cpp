#include "platform/statusbar.h"

#include "platform/commandids.h"
#include "platform/framewnd.h"
#include "platform/resources.h"

#include <QLabel>

#include <algorithm>

namespace {

// A fixed pane is as wide as the longer of its string and its text.
void fitPane(QLabel* pane, const QString& resourceText, const QString& text)
{
    constexpr int kPadding = 16;
    const QFontMetrics metrics = pane->fontMetrics();
    pane->setFixedWidth(std::max(metrics.horizontalAdvance(resourceText), metrics.horizontalAdvance(text)) + kPadding);
}

} // namespace

CStatusBar::CStatusBar() = default;

bool CStatusBar::Create(CFrameWnd* parent, unsigned style, unsigned id)
{
    if (!parent)
        return false;
    setObjectName(QStringLiteral("statusBar"));
    setSizeGripEnabled(true);
    parent->setStatusBar(this);
    parent->RegisterControlBar(id, this);
    setVisible((style & WS_VISIBLE) != 0);
    return true;
}

bool CStatusBar::SetIndicators(const unsigned* ids, int count)
{
    if (!ids || count <= 0)
        return false;
    for (QLabel* pane : m_panes) {
        removeWidget(pane);
        delete pane;
    }
    m_panes.clear();
    m_ids.clear();
    for (int i = 0; i < count; ++i) {
        const unsigned id = ids[i];
        auto* pane = new QLabel(this);
        pane->setObjectName(id == ID_SEPARATOR ? QStringLiteral("messagePane") : QStringLiteral("pane%1").arg(id));
        if (id == ID_SEPARATOR) {
            pane->setMinimumWidth(1);
            pane->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            addWidget(pane, 1);
        } else {
            const QString text = AfxLoadString(id);
            if (text.isEmpty()) {
                delete pane;
                return false;
            }
            pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            pane->setAlignment(Qt::AlignCenter);
            fitPane(pane, text, text);
            addPermanentWidget(pane);
        }
        m_ids.push_back(id);
        m_panes.push_back(pane);
    }
    return true;
}

unsigned CStatusBar::GetItemID(int index) const
{
    return index >= 0 && index < GetCount() ? m_ids[static_cast<size_t>(index)] : ID_SEPARATOR;
}

QLabel* CStatusBar::GetPane(int index) const
{
    return index >= 0 && index < GetCount() ? m_panes[static_cast<size_t>(index)] : nullptr;
}

QString CStatusBar::GetPaneText(int index) const
{
    QLabel* pane = GetPane(index);
    return pane ? pane->text() : QString();
}

bool CStatusBar::SetPaneText(int index, const QString& text)
{
    QLabel* pane = GetPane(index);
    if (!pane)
        return false;
    if (pane->text() == text)
        return true;
    pane->setText(text);
    const unsigned id = GetItemID(index);
    if (id != ID_SEPARATOR)
        fitPane(pane, AfxLoadString(id), text);
    return true;
}
