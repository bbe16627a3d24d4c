#include "platform/toolbar.h"

#include "platform/commandids.h"
#include "platform/framewnd.h"
#include "platform/resources.h"

#include <QAction>
#include <QImage>
#include <QPixmap>
#include <QToolButton>

Qt::ToolBarAreas ToolBarAreas(unsigned sides)
{
    Qt::ToolBarAreas areas;
    if (sides & CBRS_ALIGN_TOP)
        areas |= Qt::TopToolBarArea;
    if (sides & CBRS_ALIGN_BOTTOM)
        areas |= Qt::BottomToolBarArea;
    if (sides & CBRS_ALIGN_LEFT)
        areas |= Qt::LeftToolBarArea;
    if (sides & CBRS_ALIGN_RIGHT)
        areas |= Qt::RightToolBarArea;
    return areas;
}

CToolBar::CToolBar() = default;

bool CToolBar::CreateEx(CFrameWnd* parent, unsigned ctrlStyle, unsigned style, int left, int top, int right, int bottom,
                        unsigned id)
{
    if (!parent)
        return false;
    m_frame = parent;
    m_style = style;
    setParent(parent);
    setObjectName(QStringLiteral("toolBar"));
    setWindowTitle(QStringLiteral("Toolbar"));
    setContentsMargins(left, top, right, bottom);
    setMovable((style & CBRS_GRIPPER) != 0);
    setFloatable(true);
    // Only the sides named by EnableDocking accept the bar.
    setAllowedAreas(ToolBarAreas(style & CBRS_ALIGN_ANY));
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    Q_UNUSED(ctrlStyle); // buttons are flat (auto-raise) in every style
    Qt::ToolBarArea area = Qt::TopToolBarArea;
    if (style & CBRS_ALIGN_BOTTOM)
        area = Qt::BottomToolBarArea;
    else if (style & CBRS_ALIGN_LEFT)
        area = Qt::LeftToolBarArea;
    else if (style & CBRS_ALIGN_RIGHT)
        area = Qt::RightToolBarArea;
    parent->addToolBar(area, this);
    parent->RegisterControlBar(id, this);
    setVisible((style & WS_VISIBLE) != 0);
    return true;
}

bool CToolBar::LoadToolBar(unsigned resourceId)
{
    if (!m_frame)
        return false;
    const platform::ToolBarResource* res = platform::resources().toolBar(resourceId);
    if (!res || res->buttonSize.isEmpty())
        return false;
    int buttons = 0;
    for (unsigned id : res->items)
        buttons += id != ID_SEPARATOR ? 1 : 0;
    const QSize size = res->buttonSize;
    if (res->images.isNull() || res->images.height() < size.height() || res->images.width() < buttons * size.width())
        return false;

    // Light grey is the strip's background, shown as transparent.
    QImage strip = res->images.convertToFormat(QImage::Format_ARGB32);
    if (!res->images.hasAlphaChannel()) {
        const QRgb background = qRgb(192, 192, 192);
        for (int y = 0; y < strip.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(strip.scanLine(y));
            for (int x = 0; x < strip.width(); ++x) {
                if ((line[x] & 0x00FFFFFF) == (background & 0x00FFFFFF))
                    line[x] = qRgba(0, 0, 0, 0);
            }
        }
    }

    setIconSize(size);
    int image = 0;
    for (unsigned id : res->items) {
        if (id == ID_SEPARATOR) {
            addSeparator();
            m_ids.push_back(ID_SEPARATOR);
            m_actions.push_back(nullptr);
            continue;
        }
        QAction* action = m_frame->GetCommandAction(id);
        const QPixmap pixmap = QPixmap::fromImage(strip.copy(image * size.width(), 0, size.width(), size.height()));
        action->setIcon(QIcon(pixmap));
        action->setIconVisibleInMenu(false);
        addAction(action);
        if (auto* button = qobject_cast<QToolButton*>(widgetForAction(action))) {
            button->setObjectName(QStringLiteral("toolButton%1").arg(id));
            if (!(m_style & CBRS_TOOLTIPS))
                button->setToolTip(QString());
            if (!(m_style & CBRS_FLYBY))
                button->setStatusTip(QString());
        }
        m_ids.push_back(id);
        m_actions.push_back(action);
        ++image;
    }
    return true;
}

void CToolBar::EnableDocking(unsigned sides)
{
    setAllowedAreas(ToolBarAreas(sides));
}

int CToolBar::GetCount() const
{
    return static_cast<int>(m_ids.size());
}

unsigned CToolBar::GetItemID(int index) const
{
    return index >= 0 && index < GetCount() ? m_ids[static_cast<size_t>(index)] : ID_SEPARATOR;
}

QAction* CToolBar::GetItemAction(int index) const
{
    return index >= 0 && index < GetCount() ? m_actions[static_cast<size_t>(index)] : nullptr;
}
