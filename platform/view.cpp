#include "platform/view.h"

#include "platform/dialogs.h"
#include "platform/document.h"
#include "platform/framewnd.h"

#include <QMouseEvent>
#include <QResizeEvent>
#include <QTimerEvent>
#include <QVBoxLayout>

CView::CView(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
}

CView::~CView()
{
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

int CView::OnCreate()
{
    return 0;
}

void CView::OnDestroy()
{
    for (const auto& timer : m_timers)
        killTimer(timer.second);
    m_timers.clear();
    if (m_hasCapture)
        ReleaseCapture();
}

void CView::OnInitialUpdate()
{
    Invalidate();
}

void CView::OnSize(unsigned, int, int)
{
}

void CView::OnDraw()
{
}

void CView::OnLButtonDown(unsigned, const QPoint&)
{
}

void CView::OnLButtonUp(unsigned, const QPoint&)
{
}

void CView::OnRButtonDown(unsigned, const QPoint&)
{
}

void CView::OnRButtonUp(unsigned, const QPoint&)
{
}

void CView::OnMouseMove(unsigned, const QPoint&)
{
}

void CView::OnTimer(unsigned)
{
}

unsigned CView::MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    unsigned flags = 0;
    if (buttons & Qt::LeftButton)
        flags |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        flags |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton)
        flags |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier)
        flags |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        flags |= MK_CONTROL;
    return flags;
}

void CView::DispatchMouseEvent(const QMouseEvent* event, const QPoint& point)
{
    const unsigned flags = MouseFlags(event->buttons(), event->modifiers());
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (event->button() == Qt::LeftButton)
            OnLButtonDown(flags, point);
        else if (event->button() == Qt::RightButton)
            OnRButtonDown(flags, point);
        break;
    case QEvent::MouseButtonRelease:
        if (event->button() == Qt::LeftButton)
            OnLButtonUp(flags, point);
        else if (event->button() == Qt::RightButton)
            OnRButtonUp(flags, point);
        break;
    case QEvent::MouseMove:
        OnMouseMove(flags, point);
        break;
    default:
        break;
    }
}

bool CView::SetTimer(unsigned id, unsigned elapseMs)
{
    auto it = m_timers.find(id);
    if (it != m_timers.end()) {
        killTimer(it->second);
        m_timers.erase(it);
    }
    const int qtId = startTimer(static_cast<int>(elapseMs), Qt::PreciseTimer);
    if (qtId == 0)
        return false;
    m_timers[id] = qtId;
    return true;
}

bool CView::KillTimer(unsigned id)
{
    auto it = m_timers.find(id);
    if (it == m_timers.end())
        return false;
    killTimer(it->second);
    m_timers.erase(it);
    return true;
}

bool CView::IsTimerActive(unsigned id) const
{
    return m_timers.count(id) != 0;
}

void CView::SetCapture()
{
    grabMouse();
    m_hasCapture = true;
}

void CView::ReleaseCapture()
{
    if (m_hasCapture)
        releaseMouse();
    m_hasCapture = false;
}

int CView::MessageBox(const QString& text)
{
    return AfxMessageBox(window(), text);
}

void CView::Invalidate()
{
    update();
}

void CView::UpdateWindow()
{
    repaint();
}

CFrameWnd* CView::GetParentFrame() const
{
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* frame = dynamic_cast<CFrameWnd*>(w))
            return frame;
    }
    return nullptr;
}

void CView::SetClientWidget(QWidget* w)
{
    auto* box = qobject_cast<QVBoxLayout*>(layout());
    if (!box) {
        box = new QVBoxLayout(this);
        box->setContentsMargins(0, 0, 0, 0);
        box->setSpacing(0);
    }
    if (m_clientWidget) {
        box->removeWidget(m_clientWidget);
        m_clientWidget->deleteLater();
    }
    m_clientWidget = w;
    if (w)
        box->addWidget(w);
}

void CView::paintEvent(QPaintEvent*)
{
    OnDraw();
}

void CView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QWidget* top = window();
    unsigned type = SIZE_RESTORED;
    if (top->isMinimized())
        type = SIZE_MINIMIZED;
    else if (top->isMaximized())
        type = SIZE_MAXIMIZED;
    OnSize(type, event->size().width(), event->size().height());
}

void CView::mousePressEvent(QMouseEvent* event)
{
    DispatchMouseEvent(event, event->position().toPoint());
}

void CView::mouseReleaseEvent(QMouseEvent* event)
{
    DispatchMouseEvent(event, event->position().toPoint());
}

void CView::mouseMoveEvent(QMouseEvent* event)
{
    DispatchMouseEvent(event, event->position().toPoint());
}

void CView::timerEvent(QTimerEvent* event)
{
    for (const auto& timer : m_timers) {
        if (timer.second == event->timerId()) {
            OnTimer(timer.first);
            return;
        }
    }
    QWidget::timerEvent(event);
}
