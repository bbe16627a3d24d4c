// Measure mode's marks in a frame: drawn at the picked points over the
// model (also where the model hides them), in its spin and either
// projection, the segment between two, nothing for none; and the model
// keeps its own colours in the frames after them.
#include "render/measuremarks.h"

#include "gltestutil.h"
#include "render/modelbuffers.h"
#include "render/scene.h"
#include "render/scenepick.h"
#include "tests/support/modeltestsupport.h"
#include "tests/support/plytexts.h"

#include <gtest/gtest.h>

#include <cmath>

using gltest::GlWindow;
using guitest::PixelFrame;
using guitest::Rgb;

namespace {

constexpr int kSize = 160;
const float kBlack[3] = {0.0f, 0.0f, 0.0f};
const float kWhite[3] = {1.0f, 1.0f, 1.0f};
const Rgb kMarkRgb{255, 255, 0};

class MeasureMarksTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(window.ready()) << "no OpenGL window";
        window.makeCurrent();
        SetUpContextState(kSize, kSize);
        cube = loadPlyText(kCubePly);
        ASSERT_NE(cube, nullptr);
    }
    void TearDown() override
    {
        buffers.release();
        window.doneCurrent();
    }

    SceneSettings scene(float spin = 0.0f, bool orthographic = false) const
    {
        SceneSettings s;
        s.camera = FrameCamera{{80, 80, 400}, {0, 0, 0}, {0, 1, 0}};
        s.windowWidth = s.windowHeight = kSize;
        s.bgColor = kBlack;
        s.orthographic = orthographic;
        s.showGrid = false;
        s.showAxes = false;
        s.model.model = cube.get();
        s.model.color = kWhite;
        s.model.angleY = spin;
        return s;
    }
    PixelFrame draw(const SceneSettings& s)
    {
        DrawScene(s, buffers);
        return guitest::readBackBuffer(kSize, kSize);
    }
    // The frame's pixel where the scene shows a point of the model.
    static bool markedAt(const PixelFrame& frame, const SceneSettings& s, const Vector3& point)
    {
        double x = 0.0, y = 0.0;
        EXPECT_TRUE(sceneProjectModelPoint(s, point, x, y));
        return frame.is(static_cast<int>(std::floor(x)), kSize - 1 - static_cast<int>(std::floor(y)), kMarkRgb, 0);
    }

    GlWindow window{kSize, kSize};
    ModelBuffers buffers;
    ModelPtr cube;
};

TEST_F(MeasureMarksTest, MarksLieWhereThePicksAreShownOverTheModel)
{
    const struct {
        const char* what;
        float spin;
        bool orthographic;
    } rows[] = {
        {"perspective", 0.0f, false},
        {"orthographic", 0.0f, true},
        {"spun", 40.0f, false},
    };
    // A point on the side facing the eye and one on the hidden back.
    const Vector3 front{0.3, 0.2, 1.0};
    const Vector3 back{-0.4, -0.3, -1.0};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        SceneSettings s = scene(row.spin, row.orthographic);
        s.marks.count = 2;
        s.marks.points[0] = front;
        s.marks.points[1] = back;
        const PixelFrame frame = draw(s);
        EXPECT_TRUE(markedAt(frame, s, front));
        EXPECT_TRUE(markedAt(frame, s, back)) << "over the model that hides it";
        double ax = 0, ay = 0, bx = 0, by = 0;
        ASSERT_TRUE(sceneProjectModelPoint(s, front, ax, ay));
        ASSERT_TRUE(sceneProjectModelPoint(s, back, bx, by));
        const int mx = static_cast<int>(std::floor((ax + bx) / 2)), my = static_cast<int>(std::floor((ay + by) / 2));
        EXPECT_TRUE(frame.is(mx, kSize - 1 - my, kMarkRgb, 0)) << "the segment";

        s.marks.count = 1;
        const PixelFrame one = draw(s);
        EXPECT_TRUE(markedAt(one, s, front));
        EXPECT_FALSE(markedAt(one, s, back));
        EXPECT_FALSE(one.is(mx, kSize - 1 - my, kMarkRgb, 0)) << "no segment for one point";
    }
}

TEST_F(MeasureMarksTest, NoMarksDrawNothingAndTheModelKeepsItsColoursAfterThem)
{
    const PixelFrame before = draw(scene());
    EXPECT_EQ(before.count(kMarkRgb, 0), 0);
    SceneSettings marked = scene();
    marked.marks.count = 2;
    marked.marks.points[0] = {0.3, 0.2, 1.0};
    marked.marks.points[1] = {1.0, 0.5, 0.5};
    EXPECT_GT(draw(marked).count(kMarkRgb, 0), 0);
    EXPECT_EQ(draw(scene()).countDifferent(before), 0);
}

} // namespace
