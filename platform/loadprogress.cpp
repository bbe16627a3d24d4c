#include "platform/loadprogress.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>

namespace {

constexpr int kBarWidth = 160;
constexpr int kPercentScale = 1000; // steps of the bar

} // namespace

CLoadProgressPane::CLoadProgressPane(QStatusBar* statusBar)
    : QWidget(statusBar), m_bar(new QProgressBar(this)), m_cancel(new QPushButton(QStringLiteral("Cancel"), this)),
      m_escape(nullptr)
{
    setObjectName(QStringLiteral("loadProgressPane"));
    m_bar->setObjectName(QStringLiteral("loadProgressBar"));
    m_cancel->setObjectName(QStringLiteral("loadCancelButton"));
    m_bar->setFixedWidth(kBarWidth);
    // No taller than a line of the status bar: showing the pane must not
    // resize the view.
    const int height = fontMetrics().height() + 2;
    m_bar->setFixedHeight(height);
    m_cancel->setFixedHeight(height);
    m_bar->setTextVisible(true);
    m_cancel->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_bar);
    layout->addWidget(m_cancel);
    connect(m_cancel, &QPushButton::clicked, this, &CLoadProgressPane::cancelRequested);
    if (statusBar)
        statusBar->addPermanentWidget(this);
    // Esc anywhere in the window while the pane is shown.
    m_escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_escape->setContext(Qt::WindowShortcut);
    m_escape->setEnabled(false);
    connect(m_escape, &QShortcut::activated, this, &CLoadProgressPane::cancelRequested);
    // Another Esc of the window (the view's) may be live too: either way,
    // Esc cancels.
    connect(m_escape, &QShortcut::activatedAmbiguously, this, &CLoadProgressPane::cancelRequested);
    QWidget::hide();
}

void CLoadProgressPane::Show(uint64_t totalBytes)
{
    m_total = totalBytes;
    m_bytes = 0;
    if (m_total > 0)
        m_bar->setRange(0, kPercentScale);
    else
        m_bar->setRange(0, 0); // busy indicator
    m_bar->setValue(0);
    m_escape->setEnabled(true);
    QWidget::show();
}

void CLoadProgressPane::SetBytesRead(uint64_t bytes)
{
    m_bytes = bytes;
    if (m_total == 0)
        return;
    const uint64_t done = bytes < m_total ? bytes : m_total;
    m_bar->setValue(static_cast<int>(done * kPercentScale / m_total));
}

void CLoadProgressPane::Hide()
{
    m_escape->setEnabled(false);
    QWidget::hide();
}

int CLoadProgressPane::GetPercent() const
{
    if (m_bar->maximum() == 0)
        return -1;
    return m_bar->value() * 100 / kPercentScale;
}
