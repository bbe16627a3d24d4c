// The reference grid and the labelled axes, checked on the rendered pixels.
#include "render/font.h"
#include "render/overlay.h"
#include "render/reference.h"

#include "geometry/vector3.h"
#include "gltestutil.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using gltest::GlWindow;
using guitest::PixelFrame;
using guitest::PixelRect;
using guitest::Rgb;

constexpr int kWindow = 512;
const Rgb kBlack{0, 0, 0};
const Rgb kRed{255, 0, 0};
const Rgb kGreen{0, 255, 0};
const Rgb kBlue{0, 0, 255};
const Rgb kGrey{204, 204, 204}; // 0.8 of full intensity
const float kGridColour[3] = {0.8f, 0.8f, 0.8f};

// The viewer's grid layout: 40 lines each way, 20 of them on the negative
// side, half length 500, spacing 25.
void drawStandardGrid()
{
    DrawGridLines(40, 20, 500.0, 25.0, kGridColour);
}

struct ScreenPoint {
    double x;
    double y;
    bool inFront;
};

// Window position of a world point through the current matrices.
ScreenPoint project(double x, double y, double z)
{
    GLdouble modelview[16];
    GLdouble projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble wx = 0.0;
    GLdouble wy = 0.0;
    GLdouble wz = 0.0;
    gluProject(x, y, z, modelview, projection, viewport, &wx, &wy, &wz);
    return ScreenPoint{wx, wy, wz > 0.0 && wz < 1.0};
}

bool colourNear(const PixelFrame& frame, const ScreenPoint& p, const Rgb& colour, int radius)
{
    const int cx = static_cast<int>(std::floor(p.x));
    const int cy = static_cast<int>(std::floor(p.y));
    for (int y = cy - radius; y <= cy + radius; ++y)
        for (int x = cx - radius; x <= cx + radius; ++x)
            if (frame.is(x, y, colour, 2))
                return true;
    return false;
}

// Pixels of the colour farther than maxDistance from the infinite screen line
// through a and b.
int pixelsOffLine(const PixelFrame& frame, const Rgb& colour, const ScreenPoint& a, const ScreenPoint& b,
                  double maxDistance)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length = std::hypot(dx, dy);
    int off = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) {
            if (!frame.is(x, y, colour, 2))
                continue;
            const double px = x + 0.5 - a.x;
            const double py = y + 0.5 - a.y;
            if (std::fabs(px * dy - py * dx) / length > maxDistance)
                ++off;
        }
    return off;
}

class ReferenceGeometry : public ::testing::Test {
protected:
    static void SetUpTestSuite() { window = new GlWindow(kWindow, kWindow); }
    static void TearDownTestSuite()
    {
        if (window->ready()) {
            window->makeCurrent();
            ReleaseFont();
        }
        delete window;
        window = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(window->ready());
        window->makeCurrent();
        glLineWidth(1.0f);
        glDisable(GL_LIGHTING);
    }
    static PixelFrame read() { return guitest::readBackBuffer(kWindow, kWindow); }
    static PixelRect whole() { return PixelRect{0, 0, kWindow, kWindow}; }

    static GlWindow* window;
};

GlWindow* ReferenceGeometry::window = nullptr;

TEST_F(ReferenceGeometry, EachAxisShowsInItsColourWhereItProjects)
{
    gltest::BeginDefaultFrame(kWindow, kWindow);
    glEnable(GL_LIGHTING); // left on by a lit model of an earlier frame
    DrawAxesLines();
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    const PixelFrame frame = read();

    struct Axis {
        const char* name;
        Rgb colour;
        double dx, dy, dz;
    };
    const Axis axes[] = {{"x", kRed, 1, 0, 0}, {"y", kGreen, 0, 1, 0}, {"z", kBlue, 0, 0, 1}};
    for (const Axis& axis : axes)
        for (double t = 15.0; t <= 85.0; t += 10.0) {
            const ScreenPoint p = project(axis.dx * t, axis.dy * t, axis.dz * t);
            EXPECT_TRUE(colourNear(frame, p, axis.colour, 1)) << axis.name << " axis at " << t;
        }

    // Nothing but the three colours on black.
    int others = 0;
    for (int y = 0; y < kWindow; ++y)
        for (int x = 0; x < kWindow; ++x)
            if (!frame.is(x, y, kBlack, 2) && !frame.is(x, y, kRed, 2) && !frame.is(x, y, kGreen, 2)
                && !frame.is(x, y, kBlue, 2))
                ++others;
    EXPECT_EQ(0, others);
}

TEST_F(ReferenceGeometry, EachAxisCarriesItsLetterAtItsTip)
{
    gltest::BeginDefaultFrame(kWindow, kWindow);
    DrawAxesLines();
    const PixelFrame frame = read();
    frame.savePng(guitest::debugImagePath("axes-default.png"));

    struct Label {
        const char* text;
        Rgb colour;
        double x, y, z;
    };
    const Label labels[] = {{"X", kRed, 100, 0, 0}, {"Y", kGreen, 0, 100, 0}, {"Z", kBlue, 0, 0, 100}};
    for (const Label& label : labels) {
        // The letter's baseline origin is the projected tip.
        const ScreenPoint tip = project(label.x, label.y, label.z);
        const int left = static_cast<int>(std::floor(tip.x));
        const int bottom = static_cast<int>(std::floor(tip.y - 2.0));
        int inked = 0;
        const auto pixels = gltest::TextPixels(label.text, left, bottom);
        for (const gltest::Pixel& p : pixels)
            inked += frame.is(p.x, p.y, label.colour, 2) ? 1 : 0;
        EXPECT_EQ(static_cast<int>(pixels.size()), inked) << "letter " << label.text;
    }
}

TEST_F(ReferenceGeometry, AxisTipsOutsideTheViewDrawNoLabelButTheVisibleLine)
{
    // Close to the origin: every tip is outside the view (z's even behind the
    // eye), while the axes near the origin are in view.
    gltest::BeginFrame(kWindow, kWindow, kBlack, 30.0, 20.0, 60.0);
    DrawAxesLines();
    GLboolean valid = GL_TRUE;
    glGetBooleanv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
    EXPECT_FALSE(valid);
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
    const PixelFrame frame = read();
    frame.savePng(guitest::debugImagePath("axes-tips-outside.png"));

    const ScreenPoint origin = project(0, 0, 0);
    const ScreenPoint alongX = project(5, 0, 0);
    const ScreenPoint alongY = project(0, 5, 0);
    const ScreenPoint alongZ = project(0, 0, 5);
    EXPECT_GT(frame.count(kRed), 100);
    EXPECT_GT(frame.count(kGreen), 100);
    EXPECT_GT(frame.count(kBlue), 100);
    EXPECT_EQ(0, pixelsOffLine(frame, kRed, origin, alongX, 2.5));
    EXPECT_EQ(0, pixelsOffLine(frame, kGreen, origin, alongY, 2.5));
    EXPECT_EQ(0, pixelsOffLine(frame, kBlue, origin, alongZ, 2.5));
}

TEST_F(ReferenceGeometry, LabelsInViewDoLeaveTheLine)
{
    // The counterpart of the test above: with the tips in view the letters
    // put pixels away from the axis lines.
    gltest::BeginDefaultFrame(kWindow, kWindow);
    DrawAxesLines();
    const PixelFrame frame = read();
    const ScreenPoint origin = project(0, 0, 0);
    EXPECT_GT(pixelsOffLine(frame, kRed, origin, project(5, 0, 0), 2.5), 10);
    EXPECT_GT(pixelsOffLine(frame, kGreen, origin, project(0, 5, 0), 2.5), 10);
    EXPECT_GT(pixelsOffLine(frame, kBlue, origin, project(0, 0, 5), 2.5), 10);
}

// Looking straight down on the grid from high above, screen x is world x and
// screen up is world -z; the whole grid is in view.
void beginTopView()
{
    gltest::BeginFrame(kWindow, kWindow, kBlack, 0.0, 1300.0, 0.0);
    glLoadIdentity();
    gluLookAt(0.0, 1300.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, -1.0);
}

TEST_F(ReferenceGeometry, GridHasFortyLinesEachWayAndIsOpenOnItsPositiveSides)
{
    beginTopView();
    glEnable(GL_LIGHTING);
    drawStandardGrid();
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    const PixelFrame frame = read();
    frame.savePng(guitest::debugImagePath("grid-top.png"));

    // Between two lines of one family (offset 12.5) only the other family
    // shows: a line at every multiple of 25 from -500 to +475, none at +500.
    for (int i = 0; i <= 40; ++i) {
        const double t = -500.0 + 25.0 * i;
        const bool present = i < 40;
        const ScreenPoint onXFamily = project(12.5, 0.0, t); // line parallel to x at z = t
        const ScreenPoint onZFamily = project(t, 0.0, 12.5); // line parallel to z at x = t
        EXPECT_EQ(present, colourNear(frame, onXFamily, kGrey, 1)) << "line z = " << t;
        EXPECT_EQ(present, colourNear(frame, onZFamily, kGrey, 1)) << "line x = " << t;
    }

    // Count the lines crossed along one pixel row and one pixel column
    // through the middle of a grid cell.
    const ScreenPoint cellMiddle = project(12.5, 0.0, 12.5);
    const int row = static_cast<int>(std::floor(cellMiddle.y));
    const int column = static_cast<int>(std::floor(cellMiddle.x));
    int runsAlongRow = 0;
    int runsAlongColumn = 0;
    for (int i = 0; i < kWindow; ++i) {
        if (frame.is(i, row, kGrey, 2) && !frame.is(i - 1, row, kGrey, 2))
            ++runsAlongRow;
        if (frame.is(column, i, kGrey, 2) && !frame.is(column, i - 1, kGrey, 2))
            ++runsAlongColumn;
    }
    EXPECT_EQ(40, runsAlongRow);
    EXPECT_EQ(40, runsAlongColumn);

    // The lines run the full length from -500 to +500.
    EXPECT_TRUE(colourNear(frame, project(-499.0, 0.0, 0.0), kGrey, 1));
    EXPECT_TRUE(colourNear(frame, project(499.0, 0.0, 0.0), kGrey, 1));
    EXPECT_TRUE(colourNear(frame, project(0.0, 0.0, -499.0), kGrey, 1));
    EXPECT_TRUE(colourNear(frame, project(0.0, 0.0, 499.0), kGrey, 1));
    EXPECT_FALSE(colourNear(frame, project(-520.0, 0.0, 0.0), kGrey, 1));
    EXPECT_FALSE(colourNear(frame, project(520.0, 0.0, 0.0), kGrey, 1));
}

TEST_F(ReferenceGeometry, GridTakesTheGivenColour)
{
    beginTopView();
    const float orange[3] = {1.0f, 0.5f, 0.0f};
    DrawGridLines(40, 20, 500.0, 25.0, orange);
    const PixelFrame frame = read();
    EXPECT_EQ(0, frame.count(kGrey));
    EXPECT_GT(frame.count(Rgb{255, 128, 0}, 1), 1000);
}

TEST_F(ReferenceGeometry, GridWithoutLinesDrawsNothing)
{
    beginTopView();
    glLineWidth(3.0f);
    DrawGridLines(0, 20, 500.0, 25.0, kGridColour);
    DrawGridLines(-5, 20, 500.0, 25.0, kGridColour);
    EXPECT_EQ(0, read().countOther(kBlack, whole()));
    GLfloat width = 0.0f;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_FLOAT_EQ(1.0f, width);
}

TEST_F(ReferenceGeometry, LineWidthIsOneAfterTheGridAndTwoAfterTheAxes)
{
    gltest::BeginDefaultFrame(kWindow, kWindow);
    GLfloat width = 0.0f;

    glLineWidth(2.0f);
    drawStandardGrid();
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_FLOAT_EQ(1.0f, width) << "after the grid alone";

    DrawAxesLines();
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_FLOAT_EQ(2.0f, width) << "after grid and axes";

    drawStandardGrid();
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_FLOAT_EQ(1.0f, width) << "after the grid again";
}

TEST_F(ReferenceGeometry, HidingGridOrAxesRemovesExactlyTheirPixels)
{
    gltest::BeginDefaultFrame(kWindow, kWindow);
    drawStandardGrid();
    const PixelFrame gridOnly = read();

    gltest::BeginDefaultFrame(kWindow, kWindow);
    DrawAxesLines();
    const PixelFrame axesOnly = read();

    gltest::BeginDefaultFrame(kWindow, kWindow);
    drawStandardGrid();
    DrawAxesLines();
    const PixelFrame both = read();

    int wrong = 0;
    for (int y = 0; y < kWindow; ++y)
        for (int x = 0; x < kWindow; ++x) {
            const bool gridHere = !gridOnly.is(x, y, kBlack, 0);
            const bool axesHere = !axesOnly.is(x, y, kBlack, 0);
            const Rgb g = gridOnly.at(x, y);
            const Rgb a = axesOnly.at(x, y);
            const bool isGrid = both.is(x, y, g, 0);
            const bool isAxes = both.is(x, y, a, 0);
            if (!axesHere && !isGrid)
                ++wrong; // without the axes the grid frame must remain
            else if (!gridHere && !isAxes)
                ++wrong; // without the grid the axes frame must remain
            else if (gridHere && axesHere && !isGrid && !isAxes)
                ++wrong;
        }
    EXPECT_EQ(0, wrong);
    EXPECT_GT(gridOnly.count(kGrey, 2), 1000);
    EXPECT_GT(axesOnly.count(kRed, 2), 100);
}

TEST_F(ReferenceGeometry, DefaultSceneWithOverlay)
{
    // The start picture of the viewer without a model: grid, axes and, after
    // the camera matrix is gone again, the overlay. Saved for a look by eye.
    gltest::BeginDefaultFrame(kWindow, kWindow);
    glPushMatrix();
    drawStandardGrid();
    DrawAxesLines();
    glPopMatrix();
    glLoadIdentity();
    Vector3 viewVector{80.0, 80.0, 400.0};
    vecNormalize(viewVector);
    const float yellow[3] = {1.0f, 1.0f, 0.0f};
    DrawInfoText(yellow, viewVector, Vector3{0.0, 0.0, 0.0}, Vector3{80.0, 80.0, 400.0}, kWindow, kWindow);
    const PixelFrame frame = read();
    frame.savePng(guitest::debugImagePath("scene-default.png"));

    EXPECT_GT(frame.count(kGrey, 2), 1000);
    EXPECT_GT(frame.count(kRed, 2), 100);
    EXPECT_GT(frame.count(kGreen, 2), 100);
    EXPECT_GT(frame.count(kBlue, 2), 50); // the z axis lies partly under the grid line x = 0
    EXPECT_GT(frame.count(Rgb{255, 255, 0}, 0), 500);
    // The rightmost column and the top row lie outside the viewport.
    EXPECT_EQ(0, frame.countOther(kBlack, PixelRect{kWindow - 1, 0, kWindow, kWindow}));
    EXPECT_EQ(0, frame.countOther(kBlack, PixelRect{0, kWindow - 1, kWindow, kWindow}));
}

} // namespace
