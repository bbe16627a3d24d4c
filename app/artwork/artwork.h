#pragma once

#include <QIcon>
#include <QImage>

// The program's pictures, drawn in code: the toolbar strip (12 images of
// 16 x 15 pixels on a transparent background, in toolbar order) and the two
// icons (32 x 32 and 16 x 16 each).
QImage makeToolBarStrip();
QIcon makeApplicationIcon();
QIcon makeSecondIcon();

// The application icon drawn at size x size pixels on a transparent
// background (for the desktop's icon theme, any size from 16 up).
QImage makeApplicationIconImage(int size);
