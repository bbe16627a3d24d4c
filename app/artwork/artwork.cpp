#include "app/artwork/artwork.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>

namespace {

constexpr int kButtonWidth = 16;
constexpr int kButtonHeight = 15;
constexpr int kButtonCount = 12;

// The sixteen colours the pictures are drawn with.
const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kGrey(128, 128, 128);
const QColor kLightGrey(192, 192, 192);
const QColor kRed(255, 0, 0);
const QColor kDarkRed(128, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kDarkGreen(0, 128, 0);
const QColor kBlue(0, 0, 255);
const QColor kNavy(0, 0, 128);
const QColor kYellow(255, 255, 0);
const QColor kOlive(128, 128, 0);
const QColor kTeal(0, 128, 128);

QPen outline(const QColor& colour, qreal width = 1.0)
{
    QPen pen(colour, width);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(Qt::SquareCap);
    return pen;
}

// Each painter is set up for one button: origin at its top-left pixel,
// coordinates at pixel centres (+0.5) for crisp one-pixel lines.

void drawNew(QPainter& p)
{
    QPolygonF page;
    page << QPointF(3.5, 1.5) << QPointF(9.5, 1.5) << QPointF(12.5, 4.5) << QPointF(12.5, 13.5) << QPointF(3.5, 13.5);
    p.setPen(outline(kBlack));
    p.setBrush(kWhite);
    p.drawPolygon(page);
    QPolygonF fold;
    fold << QPointF(9.5, 1.5) << QPointF(9.5, 4.5) << QPointF(12.5, 4.5);
    p.setBrush(kLightGrey);
    p.drawPolygon(fold);
}

void drawOpen(QPainter& p)
{
    p.setPen(outline(kBlack));
    // Back of the folder with its tab.
    QPolygonF back;
    back << QPointF(0.5, 3.5) << QPointF(1.5, 2.5) << QPointF(4.5, 2.5) << QPointF(5.5, 3.5) << QPointF(11.5, 3.5)
         << QPointF(11.5, 12.5) << QPointF(0.5, 12.5);
    p.setBrush(kOlive);
    p.drawPolygon(back);
    // The open front flap.
    QPolygonF front;
    front << QPointF(3.5, 6.5) << QPointF(15.5, 6.5) << QPointF(12.5, 12.5) << QPointF(0.5, 12.5);
    p.setBrush(kYellow);
    p.drawPolygon(front);
}

void drawSave(QPainter& p)
{
    p.setPen(outline(kBlack));
    p.setBrush(kNavy);
    QPolygonF disk;
    disk << QPointF(1.5, 1.5) << QPointF(13.5, 1.5) << QPointF(14.5, 2.5) << QPointF(14.5, 13.5) << QPointF(1.5, 13.5);
    p.drawPolygon(disk);
    p.setBrush(kWhite);
    p.drawRect(QRectF(3.5, 1.5, 9, 5)); // label
    p.setPen(outline(kGrey));
    p.drawLine(QPointF(5.5, 3.5), QPointF(10.5, 3.5));
    p.setPen(outline(kBlack));
    p.setBrush(kLightGrey);
    p.drawRect(QRectF(4.5, 9.5, 7, 4)); // shutter
    p.fillRect(QRectF(9, 10, 2, 3), kNavy);
}

void drawRotate(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(kBlue, 2.0);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    // A circular arrow turning anticlockwise, open at the top right.
    const QRectF circle(2.5, 2.0, 11, 11);
    p.drawArc(circle, 80 * 16, 280 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    QPolygonF head;
    head << QPointF(13.0, 0.5) << QPointF(14.5, 7.0) << QPointF(8.0, 5.5);
    p.drawPolygon(head);
}

void drawTranslate(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kDarkGreen);
    // The shaft cross.
    p.drawRect(QRect(7, 3, 2, 9));
    p.drawRect(QRect(3, 6, 10, 2));
    // Four arrowheads.
    QPolygon up, down, left, right;
    up << QPoint(8, 0) << QPoint(11, 3) << QPoint(4, 3) << QPoint(7, 0);
    down << QPoint(8, 14) << QPoint(11, 11) << QPoint(4, 11) << QPoint(7, 14);
    left << QPoint(0, 7) << QPoint(3, 3) << QPoint(3, 10) << QPoint(0, 7);
    right << QPoint(15, 7) << QPoint(12, 3) << QPoint(12, 10) << QPoint(15, 7);
    p.drawPolygon(up);
    p.drawPolygon(down);
    p.drawPolygon(left);
    p.drawPolygon(right);
}

void drawNone(QPainter& p)
{
    // The plain mouse pointer: the mouse changes nothing.
    QPolygonF arrow;
    arrow << QPointF(4.5, 1.5) << QPointF(4.5, 12.5) << QPointF(7.0, 10.0) << QPointF(9.0, 14.5) << QPointF(10.5, 13.5)
          << QPointF(8.5, 9.5) << QPointF(11.5, 9.5);
    p.setPen(outline(kBlack));
    p.setBrush(kWhite);
    p.drawPolygon(arrow);
}

void drawMeasure(QPainter& p)
{
    // A ruler under a two-headed arrow: the distance between two points.
    p.setPen(outline(kBlack));
    p.setBrush(kYellow);
    p.drawRect(QRectF(0.5, 8.5, 15, 5));
    for (int x = 3; x <= 12; x += 3)
        p.drawLine(QPointF(x + 0.5, 8.5), QPointF(x + 0.5, x == 6 || x == 12 ? 11.5 : 10.5));
    p.setPen(outline(kRed));
    p.drawLine(QPointF(1.5, 3.5), QPointF(14.5, 3.5));
    p.drawLine(QPointF(1.5, 3.5), QPointF(3.5, 1.5));
    p.drawLine(QPointF(1.5, 3.5), QPointF(3.5, 5.5));
    p.drawLine(QPointF(14.5, 3.5), QPointF(12.5, 1.5));
    p.drawLine(QPointF(14.5, 3.5), QPointF(12.5, 5.5));
}

void drawInit(QPainter& p)
{
    // A house: back to the start position.
    p.setPen(outline(kBlack));
    p.setBrush(kWhite);
    p.drawRect(QRectF(3.5, 7.5, 9, 6));
    p.setBrush(kDarkRed);
    QPolygonF roof;
    roof << QPointF(1.5, 7.5) << QPointF(8.0, 1.5) << QPointF(14.5, 7.5);
    p.drawPolygon(roof);
    p.setBrush(kGrey);
    p.drawRect(QRectF(7.5, 9.5, 2, 4)); // door
}

void drawAxes(QPainter& p)
{
    const QPoint origin(5, 10);
    p.setPen(QPen(kRed, 1));
    p.drawLine(origin, QPoint(15, 10)); // x
    p.drawLine(QPoint(13, 8), QPoint(15, 10));
    p.drawLine(QPoint(13, 12), QPoint(15, 10));
    p.setPen(QPen(kDarkGreen, 1));
    p.drawLine(origin, QPoint(5, 0)); // y
    p.drawLine(QPoint(3, 2), QPoint(5, 0));
    p.drawLine(QPoint(7, 2), QPoint(5, 0));
    p.setPen(QPen(kBlue, 1));
    p.drawLine(origin, QPoint(1, 14)); // z, towards the viewer
    p.drawLine(QPoint(1, 11), QPoint(1, 14));
    p.drawLine(QPoint(4, 14), QPoint(1, 14));
}

void drawMesh(QPainter& p)
{
    // The reference grid seen from above at an angle.
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(kGrey, 1));
    const double top = 3.5, bottom = 13.5;
    const double topLeft = 4.0, topRight = 12.0, bottomLeft = 0.5, bottomRight = 15.5;
    for (int i = 0; i <= 4; ++i) {
        const double t = i / 4.0;
        p.drawLine(QPointF(topLeft + (topRight - topLeft) * t, top),
                   QPointF(bottomLeft + (bottomRight - bottomLeft) * t, bottom));
    }
    const double rows[] = {0.0, 0.3, 0.62, 1.0};
    for (double t : rows) {
        const double y = top + (bottom - top) * t;
        p.drawLine(QPointF(topLeft + (bottomLeft - topLeft) * t, y),
                   QPointF(topRight + (bottomRight - topRight) * t, y));
    }
}

void drawInfo(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(kNavy, 1));
    p.setBrush(kBlue);
    p.drawEllipse(QRectF(1.5, 1.0, 13, 13));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(kWhite);
    p.drawRect(QRect(7, 3, 2, 2));  // dot
    p.drawRect(QRect(7, 6, 2, 6));  // stem
    p.drawRect(QRect(6, 6, 1, 1));  // serif
    p.drawRect(QRect(6, 11, 4, 1)); // foot
}

void drawPlay(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    QPolygonF triangle;
    triangle << QPointF(4.5, 1.5) << QPointF(13.5, 7.5) << QPointF(4.5, 13.5);
    p.setPen(outline(kDarkGreen));
    p.setBrush(kGreen);
    p.drawPolygon(triangle);
}

// A lit cube seen from above, the viewer's emblem.
void drawCube(QPainter& p, double size)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    const double s = size;
    const QPointF top(0.5 * s, 0.06 * s), left(0.08 * s, 0.28 * s), right(0.92 * s, 0.28 * s), centre(0.5 * s, 0.5 * s),
        bottomLeft(0.08 * s, 0.74 * s), bottomRight(0.92 * s, 0.74 * s), bottom(0.5 * s, 0.96 * s);
    QPen edge(kNavy, size >= 32 ? 1.5 : 1.0);
    edge.setJoinStyle(Qt::RoundJoin);
    p.setPen(edge);
    QPolygonF lid, leftFace, rightFace;
    lid << top << right << centre << left;
    leftFace << left << centre << bottom << bottomLeft;
    rightFace << centre << right << bottomRight << bottom;
    p.setBrush(QColor(120, 170, 255));
    p.drawPolygon(lid);
    p.setBrush(kBlue);
    p.drawPolygon(leftFace);
    p.setBrush(kNavy);
    p.drawPolygon(rightFace);
    if (size >= 32) {
        // Wire edges across the faces: it is a mesh.
        p.setPen(QPen(QColor(200, 220, 255), 1.0));
        p.drawLine(left, right);
        p.drawLine(centre, QPointF(0.08 * s, 0.51 * s));
        p.drawLine(centre, QPointF(0.92 * s, 0.51 * s));
    }
}

QImage iconImage(int size, void (*draw)(QPainter&, double))
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    draw(p, size);
    return image;
}

void drawSecond(QPainter& p, double size)
{
    // A document page carrying the cube: a mesh file.
    const double s = size;
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(kBlack, 1.0));
    p.setBrush(kWhite);
    QPolygonF page;
    page << QPointF(0.15 * s, 0.03 * s) << QPointF(0.65 * s, 0.03 * s) << QPointF(0.85 * s, 0.23 * s)
         << QPointF(0.85 * s, 0.97 * s) << QPointF(0.15 * s, 0.97 * s);
    p.drawPolygon(page);
    p.save();
    p.translate(0.22 * s, 0.3 * s);
    drawCube(p, 0.56 * s);
    p.restore();
}

} // namespace

QImage makeToolBarStrip()
{
    QImage strip(kButtonWidth * kButtonCount, kButtonHeight, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    void (*const painters[kButtonCount])(QPainter&)
        = {drawNew,     drawOpen, drawSave, drawRotate, drawTranslate, drawNone,
           drawMeasure, drawInit, drawAxes, drawMesh,   drawInfo,      drawPlay};
    for (int i = 0; i < kButtonCount; ++i) {
        QPainter p(&strip);
        p.setClipRect(QRect(i * kButtonWidth, 0, kButtonWidth, kButtonHeight));
        p.translate(i * kButtonWidth, 0);
        painters[i](p);
    }
    return strip;
}

QIcon makeApplicationIcon()
{
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(iconImage(32, drawCube)));
    icon.addPixmap(QPixmap::fromImage(iconImage(16, drawCube)));
    return icon;
}

QImage makeApplicationIconImage(int size)
{
    return iconImage(size, drawCube);
}

QIcon makeSecondIcon()
{
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(iconImage(32, drawSecond)));
    icon.addPixmap(QPixmap::fromImage(iconImage(16, drawSecond)));
    return icon;
}
