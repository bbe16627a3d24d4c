#include "app/placeholderview.h"

#include <QPainter>

CPlaceholderView::CPlaceholderView()
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CPlaceholderView::OnDraw()
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
}
