// Drawing from buffers against drawing each face on its own: the same pixels
// in every mode; points and vertex colours; the buffers' size and lifetime;
// arrays filled beforehand against the buffers a draw fills.
#include "render/modelbuffers.h"

#include "model/meshmodel.h"
#include "render/frame.h"
#include "render/modeldraw.h"

#include "gltestutil.h"
#include "rendermodels.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace gltest;
using guitest::PixelRect;
using guitest::Rgb;
using Frame = guitest::PixelFrame;

namespace {

constexpr int kSize = 200;
const float kWhite[3] = {1.0f, 1.0f, 1.0f};
const float kOrange[3] = {1.0f, 0.6f, 0.2f};

struct Style {
    int mode = kShadingFlat;
    bool cull = true;
    bool colours = false;
    float lineWidth = 1.0f;
    bool stereo = false;
    float spin = 0.0f;
    const float* colour = kWhite;
};

std::string describe(const Style& s)
{
    return "mode " + std::to_string(s.mode) + (s.cull ? " culled" : " both faces")
           + (s.colours ? " vertex colours" : "") + " line width " + std::to_string(s.lineWidth)
           + (s.stereo ? " stereo" : "") + " spin " + std::to_string(s.spin);
}

class ModelBuffersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(window.ready()) << "no OpenGL window";
        window.makeCurrent();
    }
    void TearDown() override { buffers.release(); }

    // A whole frame as the viewer draws it (one image, or a stereo pair on
    // a format without stereo buffers: the right eye over the left).
    Frame draw(const MeshModel* model, const Style& s, bool fromBuffers)
    {
        const float background[3] = {0.1f, 0.1f, 0.2f};
        FrameSettings settings{};
        settings.camera = FrameCamera{{80, 80, 400}, {0, 0, 0}, {0, 1, 0}};
        settings.windowWidth = kSize;
        settings.windowHeight = kSize;
        settings.bgColor = background;
        settings.stereo = s.stereo;
        DrawFrameImages(settings,
                        [&] {
                            glLineWidth(s.lineWidth);
                            const ModelDrawSettings drawing{model,  s.mode,     s.cull,     s.colour,
                                                            s.spin, 2 * s.spin, 3 * s.spin, s.colours};
                            if (fromBuffers)
                                DrawMeshModel(drawing, buffers);
                            else
                                DrawMeshModelImmediate(drawing);
                        },
                        {});
        return guitest::readBackBuffer(kSize, kSize);
    }

    // Pixels that differ at all between the two ways of drawing. Outlines
    // without vertex colours draw an edge between two polygons once, not
    // once each way round: the pixels at a line's ends that only the other
    // way round lights may be missing, and up to one in a hundred of the lit
    // pixels are not counted.
    int differences(const MeshModel* model, const Style& s, const char* name)
    {
        const Frame reference = draw(model, s, false);
        const Frame drawn = draw(model, s, true);
        int differing = 0;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                if (!drawn.is(x, y, reference.at(x, y), 0))
                    ++differing;
        const bool onceEach = s.mode == kShadingWireframe && model->faceCount > 0 && !(s.colours && model->colours);
        if (onceEach && differing <= reference.countOther(reference.at(0, 0), PixelRect{0, 0, kSize, kSize}, 0) / 100)
            differing = 0;
        if (differing > 0) {
            reference.savePng(guitest::debugImagePath(QStringLiteral("buffers-%1-reference.png").arg(name)), 2);
            drawn.savePng(guitest::debugImagePath(QStringLiteral("buffers-%1-drawn.png").arg(name)), 2);
        }
        // The picture must hold something, or the comparison proves nothing.
        EXPECT_GT(reference.countOther(reference.at(0, 0), PixelRect{0, 0, kSize, kSize}, 0), 10) << describe(s);
        return differing;
    }

    GlWindow window{kSize, kSize};
    ModelBuffers buffers;
};

// The bytes of a buffer object.
std::vector<unsigned char> bufferBytes(GLenum target, unsigned buffer)
{
    glBindBuffer(target, buffer);
    GLint size = 0;
    glGetBufferParameteriv(target, GL_BUFFER_SIZE, &size);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
    if (size > 0)
        glGetBufferSubData(target, 0, size, bytes.data());
    glBindBuffer(target, 0);
    return bytes;
}

// A model drawn one way, and the arrays for it filled beforehand.
struct ArraysCase {
    const char* name;
    const MeshModel* model;
    Style style;
};

ModelArrays filledFor(const ArraysCase& c)
{
    const ModelLayout layout = layoutFor(*c.model, c.style.mode);
    ModelArrays arrays;
    arrays.fill(*c.model, layout, colourSourceFor(*c.model, layout, c.style.colours), c.style.colour);
    return arrays;
}

// Every layout, with and without the file's colours, vertex and face
// colours, a fallback colour for faces without one.
class ArraysCases {
public:
    ArraysCases()
    {
        addColours(*m_coloured);
        addFaceColours(*m_faced);
        for (uint32_t c = 0; c < m_faced->faceCount; c += 3)
            m_faced->faceColours[3 * c] = m_faced->faceColours[3 * c + 1] = m_faced->faceColours[3 * c + 2]
                = kNoFaceColour;
        const auto style = [](int mode, bool colours, const float* colour) {
            Style s;
            s.mode = mode;
            s.colours = colours;
            s.colour = colour;
            s.spin = 30.0f;
            return s;
        };
        m_cases = {
            {"flat", m_plain.get(), style(kShadingFlat, false, kOrange)},
            {"smooth", m_plain.get(), style(kShadingSmooth, false, kOrange)},
            {"outlines", m_plain.get(), style(kShadingWireframe, false, kOrange)},
            {"flat, vertex colours", m_coloured.get(), style(kShadingFlat, true, kWhite)},
            {"smooth, vertex colours", m_coloured.get(), style(kShadingSmooth, true, kWhite)},
            {"outlines, vertex colours", m_coloured.get(), style(kShadingWireframe, true, kWhite)},
            {"flat, colours not chosen", m_coloured.get(), style(kShadingFlat, false, kOrange)},
            {"flat, face colours", m_faced.get(), style(kShadingFlat, true, kOrange)},
            {"smooth, face colours", m_faced.get(), style(kShadingSmooth, true, kOrange)},
            {"points", m_cloud.get(), style(kShadingFlat, false, kOrange)},
            {"points, vertex colours", m_colouredCloud.get(), style(kShadingSmooth, true, kWhite)},
        };
    }
    const std::vector<ArraysCase>& all() const { return m_cases; }

private:
    ModelPtr m_plain = makeMixedBall();
    ModelPtr m_coloured = makeMixedBall();
    ModelPtr m_faced = makeMixedBall();
    ModelPtr m_cloud = makeModelWithNormals({{0, 0, 0}, {0.5, 0.5, 0}, {-0.5, 0.3, 0.2}}, {});
    ModelPtr m_colouredCloud = [] {
        ModelPtr cloud = makeModelWithNormals({{0, 0, 0}, {0.5, 0.5, 0}, {-0.5, 0.3, 0.2}}, {});
        addColours(*cloud);
        return cloud;
    }();
    std::vector<ArraysCase> m_cases;
};

TEST_F(ModelBuffersTest, SamePixelsAsOnePolygonPerFaceInEveryMode)
{
    ModelPtr ball = makeMixedBall();
    addColours(*ball);
    for (int mode : {kShadingFlat, kShadingSmooth, kShadingWireframe})
        for (bool cull : {true, false})
            for (bool colours : {false, true})
                for (float width : {1.0f, 2.0f, 3.0f}) {
                    if (mode != kShadingWireframe && width != 1.0f)
                        continue;
                    Style s;
                    s.mode = mode;
                    s.cull = cull;
                    s.colours = colours;
                    s.lineWidth = width;
                    s.spin = 20.0f * mode + (cull ? 0.0f : 95.0f);
                    s.colour = colours ? kWhite : kOrange;
                    EXPECT_EQ(differences(ball.get(), s, "ball"), 0) << describe(s);
                }
}

TEST_F(ModelBuffersTest, SamePixelsInFaceColours)
{
    // Face colours alone, and beside vertex colours.
    ModelPtr faced = makeMixedBall();
    addFaceColours(*faced);
    ModelPtr both = makeMixedBall();
    addColours(*both);
    addFaceColours(*both);
    for (const MeshModel* model : {faced.get(), both.get()})
        for (int mode : {kShadingFlat, kShadingSmooth, kShadingWireframe}) {
            Style s;
            s.mode = mode;
            s.colours = true;
            s.colour = kOrange;
            EXPECT_EQ(differences(model, s, "facecolours"), 0) << describe(s);
        }
}

TEST_F(ModelBuffersTest, SamePixelsInStereoAndAfterChangesBetweenFrames)
{
    ModelPtr ball = makeMixedBall();
    Style s;
    s.stereo = true;
    for (int mode : {kShadingFlat, kShadingSmooth, kShadingWireframe}) {
        s.mode = mode;
        EXPECT_EQ(differences(ball.get(), s, "stereo"), 0) << describe(s);
    }
    // A model of triangles only needs no edge flags: every edge shows.
    ModelPtr grid = makeTriangleGrid(12);
    s.stereo = false;
    s.mode = kShadingWireframe;
    for (bool cull : {true, false}) {
        s.cull = cull;
        s.spin = cull ? 0.0f : 100.0f;
        EXPECT_EQ(differences(grid.get(), s, "grid"), 0) << describe(s);
    }
    s.cull = true;
    s.spin = 0.0f;
    // The model changed in place: after a release the buffers follow it.
    swapModelAxes(ball.get());
    buffers.release();
    EXPECT_EQ(differences(ball.get(), s, "swapped"), 0) << describe(s);
}

TEST_F(ModelBuffersTest, OutlinesOfEdgesSharedByThreePolygonsOrAgainstTheWinding)
{
    // A fin of three triangles on one edge, a triangle wound the other way
    // round beside it, and a quad: each edge shows while a polygon beside it
    // does.
    ModelPtr fin = makeModelWithNormals(
        {{-0.8, -0.8, 0}, {0.8, -0.8, 0}, {0, 0.8, 0}, {0, 0, 0.8}, {0, 0, -0.8}, {0.8, 0.8, 0.3}, {-0.8, 0.8, -0.3}},
        {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}, {2, 1, 5}, {0, 2, 6, 4}});
    addColours(*fin);
    Style s;
    s.mode = kShadingWireframe;
    for (bool cull : {true, false})
        for (bool colours : {false, true})
            for (float spin : {0.0f, 70.0f, 160.0f}) {
                s.cull = cull;
                s.colours = colours;
                s.spin = spin;
                EXPECT_EQ(differences(fin.get(), s, "fin"), 0) << describe(s);
            }
}

TEST_F(ModelBuffersTest, PointsForAModelWithoutFaces)
{
    ModelPtr cloud = makeModelWithNormals({{0, 0, 0}, {0.5, 0.5, 0}, {-0.5, 0.3, 0.2}}, {});
    Style s;
    s.colour = kOrange;
    for (int mode : {kShadingFlat, kShadingSmooth, kShadingWireframe}) {
        s.mode = mode;
        EXPECT_EQ(differences(cloud.get(), s, "points"), 0) << describe(s);
        // Three points of 6 x 6 pixels (a small cloud) in the unlit model
        // colour.
        const Frame f = draw(cloud.get(), s, true);
        EXPECT_EQ(f.count(Rgb{255, 153, 51}, 1), 108) << describe(s);
    }
    addColours(*cloud);
    s.colours = true;
    const Frame f = draw(cloud.get(), s, true);
    EXPECT_EQ(f.count(Rgb{255, 153, 51}, 1), 0);
    const Rgb first{static_cast<int>(cloud->colours[0] * 255 + 0.5f), static_cast<int>(cloud->colours[1] * 255 + 0.5f),
                    static_cast<int>(cloud->colours[2] * 255 + 0.5f)};
    EXPECT_EQ(f.count(first, 1), 36);
    EXPECT_EQ(differences(cloud.get(), s, "colouredpoints"), 0);
    // Shading off hides the points too.
    s.mode = kShadingNone;
    EXPECT_EQ(draw(cloud.get(), s, true).countOther(Rgb{26, 26, 51}, PixelRect{0, 0, kSize, kSize}, 1), 0);
}

TEST_F(ModelBuffersTest, BuffersStayWithinTheBudgetAndGoWhenReleased)
{
    ModelPtr grid = makeTriangleGrid(60);
    addColours(*grid);
    const double modelBytes = static_cast<double>(modelMemoryBytes(*grid));
    Style s;
    for (int mode : {kShadingFlat, kShadingSmooth, kShadingWireframe})
        for (bool colours : {false, true}) {
            s.mode = mode;
            s.colours = colours;
            draw(grid.get(), s, true);
            EXPECT_FALSE(buffers.empty());
            EXPECT_LE(buffers.byteSize(), 0.7 * modelBytes) << describe(s);
            GLint bound = -1;
            glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
            EXPECT_EQ(bound, 0);
        }
    // Each new model replaces the buffers of the one before: the size
    // follows the model, it never adds up.
    for (int round = 0; round < 20; ++round) {
        ModelPtr model = makeTriangleGrid(20);
        draw(model.get(), s, true);
        EXPECT_LE(buffers.byteSize(), 0.7 * static_cast<double>(modelMemoryBytes(*model)));
        buffers.release();
        EXPECT_TRUE(buffers.empty());
        EXPECT_EQ(buffers.byteSize(), 0u);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ModelBuffersTest, ArraysFilledBeforehandHoldWhatTheDrawFillsIntoTheBuffers)
{
    const ArraysCases cases;
    for (const ArraysCase& c : cases.all()) {
        buffers.release();
        draw(c.model, c.style, true);
        ASSERT_FALSE(buffers.empty()) << c.name;
        const ModelArrays arrays = filledFor(c);
        ASSERT_NE(arrays.records(), nullptr) << c.name;
        const std::vector<unsigned char> records = bufferBytes(GL_ARRAY_BUFFER, buffers.vertexBuffer());
        ASSERT_EQ(records.size(), arrays.vertexBytes()) << c.name;
        EXPECT_EQ(std::memcmp(records.data(), arrays.records(), records.size()), 0) << c.name;
        // Outlines write their indices as the eye asks, when drawn.
        if (arrays.indices() == nullptr)
            continue;
        const std::vector<unsigned char> indices = bufferBytes(GL_ELEMENT_ARRAY_BUFFER, buffers.indexBuffer());
        ASSERT_EQ(indices.size(), arrays.indexBytes()) << c.name;
        EXPECT_EQ(std::memcmp(indices.data(), arrays.indices(), indices.size()), 0) << c.name;
    }
}

TEST_F(ModelBuffersTest, AdoptedArraysGiveTheSamePixelsWithoutFillingAgain)
{
    const ArraysCases cases;
    for (const ArraysCase& c : cases.all()) {
        buffers.release();
        const Frame filledHere = draw(c.model, c.style, true);
        buffers.release();
        const unsigned long adopted = buffers.adoptedCount();
        buffers.adopt(filledFor(c));
        const Frame drawn = draw(c.model, c.style, true);
        EXPECT_EQ(buffers.adoptedCount(), adopted + 1) << c.name;
        EXPECT_EQ(drawn.countDifferent(filledHere, 0), 0) << c.name;
    }
}

TEST_F(ModelBuffersTest, ArraysForAnotherWayOfDrawingAreNotTaken)
{
    const ArraysCases cases;
    const ArraysCase& flat = cases.all()[0];
    const ArraysCase& smooth = cases.all()[1];
    ModelPtr other = makeMixedBall();
    struct Row {
        const char* name;
        ArraysCase filled; // what the arrays were filled for
        ArraysCase drawn;  // what is drawn
    };
    const Row rows[] = {
        {"another layout", flat, smooth},
        {"another model", flat, {"other", other.get(), flat.style}},
        {"another colour, on faces without their own",
         cases.all()[7],
         {"face colours, white", cases.all()[7].model,
          [&] {
              Style s = cases.all()[7].style;
              s.colour = kWhite;
              return s;
          }()}},
    };
    for (const Row& row : rows) {
        buffers.release();
        const Frame filledHere = draw(row.drawn.model, row.drawn.style, true);
        buffers.release();
        const unsigned long adopted = buffers.adoptedCount();
        buffers.adopt(filledFor(row.filled));
        const Frame drawn = draw(row.drawn.model, row.drawn.style, true);
        EXPECT_EQ(buffers.adoptedCount(), adopted) << row.name;
        EXPECT_EQ(drawn.countDifferent(filledHere, 0), 0) << row.name;
    }
}

} // namespace
