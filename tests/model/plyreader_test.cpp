#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/loadmodel.h"
#include "model/ply/plyreader.h"
#include "tests/support/comma_locale.h"
#include "tests/support/modeltestsupport.h"

namespace {

// A file whose first two vertices span the box from -1 to 1 on every axis,
// so the reader's centring and scaling leave the positions as they are.
std::string unitBoxFile(const std::vector<std::string>& vertexLines, const std::vector<std::string>& faceLines)
{
    std::string text
        = plyHeader(static_cast<long long>(vertexLines.size()) + 2, static_cast<long long>(faceLines.size()));
    text += "-1 -1 -1\n1 1 1\n";
    for (const std::string& line : vertexLines)
        text += line + "\n";
    for (const std::string& line : faceLines)
        text += line + "\n";
    return text;
}

void expectPosition(const MeshModel& model, uint32_t index, double x, double y, double z)
{
    ASSERT_LT(index, model.vertexCount);
    const Vector3& p = model.vertices[index].position;
    EXPECT_DOUBLE_EQ(p.x, x) << "vertex " << index;
    EXPECT_DOUBLE_EQ(p.y, y) << "vertex " << index;
    EXPECT_DOUBLE_EQ(p.z, z) << "vertex " << index;
}

std::vector<long> cornersOf(const MeshModel& model, uint32_t face)
{
    std::vector<long> corners;
    for (uint32_t j = 0; j < model.faces[face].vertexCount; ++j)
        corners.push_back(cornerIndex(model, face, j));
    return corners;
}

// ---------------------------------------------------------------- basics

TEST(PlyReader, ReadsCubeCentredScaledWithNormals)
{
    std::string reason = "left over from before";
    ModelPtr model = loadPlyText(kBoxPly, &reason);
    ASSERT_NE(model, nullptr) << reason;
    EXPECT_TRUE(reason.empty());
    EXPECT_EQ(model->vertexCount, 8u);
    EXPECT_EQ(model->faceCount, 6u);
    // Centre (5, 10, 20), factor 2 / 40.
    expectPosition(*model, 0, -0.25, -0.5, -1.0);
    expectPosition(*model, 6, 0.25, 0.5, 1.0);
    expectPosition(*model, 3, -0.25, 0.5, -1.0);
    EXPECT_EQ(cornersOf(*model, 0), (std::vector<long>{0, 3, 2, 1}));
    EXPECT_EQ(cornersOf(*model, 5), (std::vector<long>{0, 4, 7, 3}));
    // Outward normals, and vertex normals pointing out of the corner.
    EXPECT_DOUBLE_EQ(model->faces[0].normal.z, -1.0);
    EXPECT_DOUBLE_EQ(model->faces[1].normal.z, 1.0);
    EXPECT_DOUBLE_EQ(model->faces[0].center.z, -1.0);
    const double k = 1.0 / std::sqrt(3.0);
    EXPECT_NEAR(model->vertices[0].normal.x, -k, 1e-12);
    EXPECT_NEAR(model->vertices[0].normal.y, -k, 1e-12);
    EXPECT_NEAR(model->vertices[0].normal.z, -k, 1e-12);
}

TEST(PlyReader, HeaderWithoutElementsGivesAnEmptyModel)
{
    ModelPtr model = loadPlyText("ply\nformat ascii 1.0\nend_header\n");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->vertexCount, 0u);
    EXPECT_EQ(model->faceCount, 0u);
}

TEST(PlyReader, VerticesWithoutFacesAreStillCentredAndScaled)
{
    ModelPtr model = loadPlyText(plyHeader(2, 0) + "2 2 2\n6 4 2\n");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->faceCount, 0u);
    expectPosition(*model, 0, -1.0, -0.5, 0.0);
    expectPosition(*model, 1, 1.0, 0.5, 0.0);
}

TEST(PlyReader, FlatModelIsScaledByItsLargerExtent)
{
    // In the plane z = 5: the z factor is infinite, x (4) decides: s = 0.5.
    ModelPtr model = loadPlyText(plyHeader(3, 1) + "0 0 5\n4 0 5\n4 2 5\n3 0 1 2\n");
    ASSERT_NE(model, nullptr);
    expectPosition(*model, 0, -1.0, -0.5, 0.0);
    expectPosition(*model, 2, 1.0, 0.5, 0.0);
    EXPECT_DOUBLE_EQ(model->faces[0].normal.z, 1.0);
}

TEST(PlyReader, PointModelEndsAtTheOriginNotNaN)
{
    ModelPtr model = loadPlyText(plyHeader(3, 1) + "7 8 9\n7 8 9\n7 8 9\n3 0 1 2\n");
    ASSERT_NE(model, nullptr);
    for (uint32_t i = 0; i < 3; ++i)
        expectPosition(*model, i, 0.0, 0.0, 0.0);
    EXPECT_FALSE(std::isnan(model->faces[0].normal.x));
    EXPECT_FALSE(std::isnan(model->vertices[0].normal.x));
}

TEST(PlyReader, BoxStartsFromTheDataFarFromTheOrigin)
{
    // Geo-referenced coordinates all above 1000000 (and all below -1000000):
    // centred and scaled like any other model.
    ModelPtr high = loadPlyText(plyHeader(2, 0) + "2000000 3000000 5000000\n2000010 3000004 5000002\n");
    ASSERT_NE(high, nullptr);
    expectPosition(*high, 0, -1.0, -0.4, -0.2);
    expectPosition(*high, 1, 1.0, 0.4, 0.2);

    ModelPtr low = loadPlyText(plyHeader(2, 0) + "-2000000 -3000000 -5000000\n-2000010 -3000004 -5000002\n");
    ASSERT_NE(low, nullptr);
    expectPosition(*low, 0, 1.0, 0.4, 0.2);
    expectPosition(*low, 1, -1.0, -0.4, -0.2);
}

TEST(PlyReader, HugeCoordinatesStayFiniteAndInsideTheUnitBox)
{
    ModelPtr model = loadPlyText(plyHeader(3, 0) + "-1.7e308 0 1e308\n1.7e308 1 1e308\n0 0 1.7e308\n");
    ASSERT_NE(model, nullptr);
    for (uint32_t i = 0; i < 3; ++i) {
        const Vector3& p = model->vertices[i].position;
        for (double c : {p.x, p.y, p.z}) {
            EXPECT_TRUE(std::isfinite(c));
            EXPECT_LE(std::fabs(c), 1.0 + 1e-12);
        }
    }
    EXPECT_NEAR(model->vertices[0].position.x, -1.0, 1e-12);
    EXPECT_NEAR(model->vertices[1].position.x, 1.0, 1e-12);
}

TEST(MinComponent, PrefersXThenYOnTies)
{
    EXPECT_EQ(minComponent({3, 2, 1}), 1.0);
    EXPECT_EQ(minComponent({1, 0.5, 0.5}), 0.5);
    // Zeros of either sign compare equal, so the sign shows which was taken.
    EXPECT_FALSE(std::signbit(minComponent({0.0, -0.0, -0.0})));
    EXPECT_TRUE(std::signbit(minComponent({1.0, -0.0, 0.0})));
    EXPECT_FALSE(std::signbit(minComponent({1.0, 0.0, -0.0})));
    EXPECT_TRUE(std::signbit(minComponent({1.0, 1.0, -0.0})));
}

// ---------------------------------------------------------------- header

TEST(PlyReader, HeaderKeywordsCountOnlyAtTheStartOfALine)
{
    const std::string text = "ply\nformat ascii 1.0\nelement vertex 3\n element vertex 5\n\telement face 9\n"
                             "comment element face 7\nelement face 1\nend_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    ModelPtr model = loadPlyText(text);
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->vertexCount, 3u);
    EXPECT_EQ(model->faceCount, 1u);
}

TEST(PlyReader, CommentHashAndEmptyHeaderLinesAreSkipped)
{
    const std::string text
        = "ply\n\n# made by hand\nformat ascii 1.0\ncomment two triangles\n\nelement vertex 4\n"
          "property float x\nproperty float y\nproperty float z\nobj_info anything\nelement face 2\n"
          "property list uchar int vertex_indices\nend_header\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n3 0 1 2\n3 0 2 3\n";
    ModelPtr model = loadPlyText(text);
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->vertexCount, 4u);
    EXPECT_EQ(model->faceCount, 2u);
}

TEST(PlyReader, CountStandsAfterOneSeparator)
{
    ModelPtr tab = loadPlyText("ply\nelement vertex\t3\nelement face  1\nend_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n");
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(tab->vertexCount, 3u);
    EXPECT_EQ(tab->faceCount, 1u);
}

TEST(PlyReader, MissingFormatLineIsReadAsAscii)
{
    ModelPtr model = loadPlyText("ply\nelement vertex 3\nelement face 1\nend_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->faceCount, 1u);
}

TEST(PlyReader, BinaryBodyIsNeverReadAsText)
{
    for (const char* format :
         {"format binary_little_endian 1.0", "format binary_big_endian 1.0", "format\tbinary_little_endian 1.0"}) {
        std::string text = std::string("ply\n") + format + "\nelement vertex 3\nelement face 1\nend_header\n";
        // A body that also happens to parse as text.
        text += "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
        // Without declared properties a binary item has no layout.
        EXPECT_EQ(rejection(text), "line 3: the vertex element has no x property") << format;
    }
}

TEST(PlyReader, HeaderWithoutEndIsRejected)
{
    EXPECT_EQ(rejection("ply\nformat ascii 1.0\nelement vertex 3\n"), "line 4: the file ends before end_header");
    EXPECT_EQ(rejection(""), "line 1: the file ends before end_header");
}

TEST(PlyReader, NegativeMissingOrHugeHeaderCountsAreRejected)
{
    EXPECT_EQ(rejection("ply\nelement vertex -3\nend_header\n"), "line 2: the vertex count is negative");
    EXPECT_EQ(rejection("ply\nelement face -1\nend_header\n"), "line 2: the face count is negative");
    EXPECT_EQ(rejection("ply\nelement vertex\nend_header\n"), "line 2: the vertex count is missing or not a number");
    EXPECT_EQ(rejection("ply\nelement face many\nend_header\n"), "line 2: the face count is missing or not a number");
    EXPECT_EQ(rejection("ply\nelement vertex 4294967299\nend_header\n0 0 0\n1 1 1\n1 2 3\n"),
              "line 2: the vertex count is too large");
}

class PlyStreams : public ::testing::TestWithParam<StreamKind> { };

TEST_P(PlyStreams, HeaderCountsBeyondTheFileAreRejectedWithoutExhaustingMemory)
{
    // Without a bound the reader would ask for 2e9 vertices (96 GB) at once.
    const std::string text = plyHeader(2000000000, 2000000000) + "0 0 0\n1 1 1\n3 0 1 0\n";
    const std::string reason = rejection(text, GetParam());
    if (GetParam() == StreamKind::regularFile)
        EXPECT_EQ(reason, "line 9: the header declares 2000000000 vertices and 2000000000 faces, more than the rest "
                          "of the file holds");
    else // no machine has that much
        EXPECT_EQ(reason.substr(0, 31), "the model would need 272.0 GB; ") << reason;
}

// ---------------------------------------------------------------- vertices

TEST(PlyReader, NumbersAreReadAsTheCLibraryReadsThem)
{
    ModelPtr model = loadPlyText(unitBoxFile(
        {"+0.5 .25 5e-1", "0x1p-1 -0x1p-2 1.", "  \t0.125\t-0.125    1E-1", "0.5-0.5-.5", "1e-3 -2.5e-1 0.1 7 8 9"},
        {}));
    ASSERT_NE(model, nullptr);
    expectPosition(*model, 2, 0.5, 0.25, 0.5);
    expectPosition(*model, 3, 0.5, -0.25, 1.0);
    expectPosition(*model, 4, 0.125, -0.125, 0.1);
    expectPosition(*model, 5, 0.5, -0.5, -0.5);
    expectPosition(*model, 6, 0.001, -0.25, 0.1);
}

TEST(PlyReader, VertexLineWithFewerThanThreeNumbersIsRejected)
{
    for (const char* line : {"0.5 0.5", "0.5 0.5 x", "0.5,0.5,0.5", "", "abc"}) {
        // A memory stream: a short line in a regular file can fail the size check first.
        const std::string reason = rejection(unitBoxFile({line}, {}), StreamKind::memory);
        EXPECT_EQ(reason, "line 12: a vertex line needs three numbers x y z") << line;
    }
}

TEST(PlyReader, NonFiniteCoordinatesAreRejected)
{
    for (const char* line : {"inf 0 0", "0 -infinity 0", "0 0 nan", "1e400 0 0", "0 0 -1e999"}) {
        EXPECT_EQ(rejection(unitBoxFile({line}, {})), "line 12: a vertex coordinate is not a finite number") << line;
    }
}

TEST(PlyReader, TooFewVertexOrFaceLinesAreRejected)
{
    // Streams of unknown size find out line by line; a regular file is
    // measured against the header first.
    EXPECT_EQ(rejection(plyHeader(3, 1) + "0 0 0\n1 1 1\n", StreamKind::memory),
              "line 12: the file ends after 2 of 3 vertices");
    EXPECT_EQ(rejection(plyHeader(3, 2) + "0 0 0\n1 1 1\n1 0 0\n3 0 1 2\n", StreamKind::pipe),
              "line 14: the file ends after 1 of 2 faces");
    // Enough bytes for a line end per item: the lines are read, and the
    // reason names where the file ends.
    EXPECT_EQ(rejection(plyHeader(3, 2) + "0 0 0\n1 1 1\n1 0 0\n3 0 1 2\n"),
              "line 14: the file ends after 1 of 2 faces");
    // Long enough for the counts, but the last face line is missing.
    EXPECT_EQ(rejection(plyHeader(3, 2) + "0.0 0.0 0.0\n1.0 1.0 1.0\n1.0 0.0 0.0\n3 0 1 2\n"),
              "line 14: the file ends after 1 of 2 faces");
}

// ---------------------------------------------------------------- faces

TEST(PlyReader, FaceTokensAreSeparatedByBlanksAndExtraTokensIgnored)
{
    ModelPtr model
        = loadPlyText(unitBoxFile({"0 1 0", "1 0 0"}, {"4 0 1 2 3", "3  0   2    3", "3 3 2 1 255 128 0", " 3 1 2 0",
                                                       "3 1abc 2x 0.9", "3 0 1 2\t7", "3 0\t2 1", "5 0 1 2 3 0"}));
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->faceCount, 8u);
    EXPECT_EQ(cornersOf(*model, 0), (std::vector<long>{0, 1, 2, 3}));
    EXPECT_EQ(cornersOf(*model, 1), (std::vector<long>{0, 2, 3}));
    EXPECT_EQ(cornersOf(*model, 2), (std::vector<long>{3, 2, 1}));
    EXPECT_EQ(cornersOf(*model, 3), (std::vector<long>{1, 2, 0}));
    // "%d" reads the digits at the start of a token.
    EXPECT_EQ(cornersOf(*model, 4), (std::vector<long>{1, 2, 0}));
    // A tab separates tokens as a space does.
    EXPECT_EQ(cornersOf(*model, 5), (std::vector<long>{0, 1, 2}));
    EXPECT_EQ(cornersOf(*model, 6), (std::vector<long>{0, 2, 1}));
    EXPECT_EQ(cornersOf(*model, 7), (std::vector<long>{0, 1, 2, 3, 0}));
}

TEST(PlyReader, TabAfterTheCountSeparatesItFromTheFirstIndex)
{
    // Tabs separate a face line's tokens as they separate a vertex line's.
    ModelPtr model = loadPlyText(unitBoxFile({"0 1 0"}, {"3\t0\t1 2", "3\t\t0 1\t\t2\t"}));
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(cornersOf(*model, 0), (std::vector<long>{0, 1, 2}));
    EXPECT_EQ(cornersOf(*model, 1), (std::vector<long>{0, 1, 2}));
    EXPECT_EQ(rejection(unitBoxFile({"0 1 0"}, {"3\t0\t1"})), "line 13: the face has 2 of its 3 corner indices");
}

TEST(PlyReader, MalformedFacesAreRejected)
{
    const std::vector<std::string> vertices = {"0 1 0", "1 0 0"};
    EXPECT_EQ(rejection(unitBoxFile(vertices, {"3 0 1"})), "line 14: the face has 2 of its 3 corner indices");
    EXPECT_EQ(rejection(unitBoxFile(vertices, {"4 0 1 2 x"})), "line 14: the face has 3 of its 4 corner indices");
    EXPECT_EQ(rejection(unitBoxFile(vertices, {"2 0 1"})),
              "line 14: a face needs at least three corners, this one has 2");
    EXPECT_EQ(rejection(unitBoxFile(vertices, {"-3 0 1 2"})),
              "line 14: a face needs at least three corners, this one has -3");
    EXPECT_EQ(rejection(unitBoxFile(vertices, {"0"}), StreamKind::memory),
              "line 14: a face needs at least three corners, this one has 0");
    EXPECT_EQ(rejection(unitBoxFile(vertices, {""}), StreamKind::memory),
              "line 14: a face line must begin with its corner count");
    EXPECT_EQ(rejection(unitBoxFile(vertices, {"x 0 1 2"})), "line 14: a face line must begin with its corner count");
    EXPECT_EQ(rejection(unitBoxFile(vertices, {"99999999999 0 1 2"})), "line 14: the corner count is out of range");
    // A huge count on a short line must not make the reader allocate for it.
    EXPECT_EQ(rejection(unitBoxFile(vertices, {"2147483647 0 1 2"})),
              "line 14: the face has 3 of its 2147483647 corner indices");
}

TEST(PlyReader, CornerIndexOutsideTheVerticesIsRejected)
{
    // The face is on line 14.
    std::string text = "ply\ncomment eight corners\nelement vertex 8\nelement face 1\nend_header\n";
    for (int i = 0; i < 8; ++i)
        text += std::to_string(i) + " " + std::to_string(i % 2) + " 0\n";
    EXPECT_EQ(rejection(text + "3 0 12 1\n"), "line 14: corner index 12 is outside 0..7");
    EXPECT_EQ(rejection(text + "3 0 8 1\n"), "line 14: corner index 8 is outside 0..7");
    EXPECT_EQ(rejection(text + "3 0 1 -1\n"), "line 14: corner index -1 is outside 0..7");
    // Would wrap around to 0 through a 32-bit "%d".
    EXPECT_EQ(rejection(text + "3 0 1 4294967296\n"), "line 14: corner index 4294967296 is outside 0..7");
    ModelPtr model = loadPlyText(text + "3 0 7 1\n");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(cornersOf(*model, 0), (std::vector<long>{0, 7, 1}));

    EXPECT_EQ(rejection("ply\nelement face 1\nend_header\n3 0 0 0\n"),
              "line 4: corner index 0 refers to a vertex, but the file has none");
}

// ---------------------------------------------------------------- lines

TEST(PlyReader, LongLinesAreReadWhole)
{
    // A vertex line with many properties, and a face with many corners: read
    // in 127-character pieces, they would shift every later line.
    std::string longVertex = "0.5 0.5 0.5";
    for (int i = 0; i < 60; ++i)
        longVertex += " 0.123456";
    std::string bigFace = "200";
    for (int i = 0; i < 200; ++i)
        bigFace += " " + std::to_string(i % 4);
    std::string longComment = "comment " + std::string(500, 'x');
    std::string text = unitBoxFile({longVertex, "-0.5 0.25 0", "0 0 0"}, {bigFace, "3 2 3 4"});
    text.insert(text.find("element vertex"), longComment + "\n");
    ModelPtr model = loadPlyText(text);
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->vertexCount, 5u);
    expectPosition(*model, 2, 0.5, 0.5, 0.5);
    expectPosition(*model, 3, -0.5, 0.25, 0.0);
    ASSERT_EQ(model->faceCount, 2u);
    EXPECT_EQ(model->faces[0].vertexCount, 200u);
    EXPECT_EQ(cornerIndex(*model, 0, 199), 3);
    EXPECT_EQ(cornersOf(*model, 1), (std::vector<long>{2, 3, 4}));
}

TEST(PlyReader, CrLfLinesReadLikeLf)
{
    std::string crlf;
    for (const char* p = kBoxPly; *p != '\0'; ++p) {
        if (*p == '\n')
            crlf += '\r';
        crlf += *p;
    }
    // A blank header line in CR LF form is still blank.
    crlf.insert(crlf.find("element vertex"), "\r\n");
    ModelPtr expected = loadPlyText(kBoxPly);
    ModelPtr model = loadPlyText(crlf);
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->vertexCount, expected->vertexCount);
    ASSERT_EQ(model->faceCount, expected->faceCount);
    for (uint32_t i = 0; i < model->vertexCount; ++i) {
        const Vector3& p = expected->vertices[i].position;
        expectPosition(*model, i, p.x, p.y, p.z);
    }
    for (uint32_t i = 0; i < model->faceCount; ++i)
        EXPECT_EQ(cornersOf(*model, i), cornersOf(*expected, i));

    // Lines are counted the same way (the CR LF file has one more line, the
    // blank one): a CR is not a line break of its own.
    std::string broken = crlf;
    broken.replace(broken.rfind("4 0 4 7 3"), 9, "4 0 4 7 9");
    EXPECT_EQ(rejection(broken), "line 25: corner index 9 is outside 0..7");
    EXPECT_EQ(rejection(std::string(kBoxPly).replace(std::string(kBoxPly).rfind("4 0 4 7 3"), 9, "4 0 4 7 9")),
              "line 24: corner index 9 is outside 0..7");
}

TEST(PlyReader, LastLineWithoutLineEndAndTrailingDataAreAccepted)
{
    ModelPtr unterminated = loadPlyText(plyHeader(3, 1) + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2");
    ASSERT_NE(unterminated, nullptr);
    EXPECT_EQ(cornersOf(*unterminated, 0), (std::vector<long>{0, 1, 2}));
    ModelPtr trailing = loadPlyText(plyHeader(3, 1) + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\nmore data\n1 2 3\n");
    ASSERT_NE(trailing, nullptr);
    EXPECT_EQ(trailing->faceCount, 1u);
}

TEST(PlyReader, ReadsFromTheCurrentPositionAndLeavesTheStreamOpen)
{
    FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    const std::string prefix = "not part of the mesh\n";
    const std::string text = prefix + plyHeader(3, 1) + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fseek(stream, static_cast<long>(prefix.size()), SEEK_SET);
    ModelPtr model(readPlyModel(stream));
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->faceCount, 1u);
    EXPECT_EQ(std::fseek(stream, 0, SEEK_SET), 0);
    EXPECT_EQ(std::fclose(stream), 0);
}

// A stream that hands out the first `limit` bytes of its text, then fails.
struct FailingSource {
    std::string text;
    std::size_t limit;
    std::size_t offset = 0;
};

ssize_t readFailingSource(void* cookie, char* buffer, size_t size)
{
    auto* source = static_cast<FailingSource*>(cookie);
    if (source->offset >= source->limit) {
        errno = EIO;
        return -1;
    }
    const std::size_t count = std::min(size, source->limit - source->offset);
    std::memcpy(buffer, source->text.data() + source->offset, count);
    source->offset += count;
    return static_cast<ssize_t>(count);
}

TEST(PlyReader, ReadErrorInTheMiddleOfALineIsNotTakenForItsEnd)
{
    const std::string text = "ply\nformat ascii 1.0\nelement vertex 3\nelement face 1\nend_header\n"
                             "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    // Cut inside the face line "3 0 1 2": a whole "3 0 1" would otherwise
    // look like a face with too few corners, and a cut inside the last
    // vertex line like a shorter coordinate.
    for (std::size_t limit : {text.size() - 3, text.find("0 1 0") + 3}) {
        FailingSource source{text, limit};
        cookie_io_functions_t functions{readFailingSource, nullptr, nullptr, nullptr};
        FILE* stream = fopencookie(&source, "r", functions);
        ASSERT_NE(stream, nullptr);
        std::setvbuf(stream, nullptr, _IONBF, 0);
        std::string reason;
        MeshModel* model = readPlyModel(stream, &reason);
        EXPECT_EQ(model, nullptr) << "limit " << limit;
        freeMeshModel(model);
        EXPECT_NE(reason.find("could not be read"), std::string::npos) << reason;
        std::fclose(stream);
    }
}

TEST(PlyReader, NullStreamGivesNoModel)
{
    std::string reason;
    EXPECT_EQ(readPlyModel(nullptr, &reason), nullptr);
    EXPECT_EQ(reason, "no file to read");
    EXPECT_EQ(loadModel(nullptr, "ply"), nullptr);
}

// A file long enough to cross several read blocks, with lines of varying
// length, read through every kind of stream.
std::string gridFile(int vertices, int faces)
{
    std::string text = plyHeader(vertices, faces);
    char line[160];
    for (int i = 0; i < vertices; ++i) {
        const int x = i % 100;
        const int y = (i / 100) % 100;
        const int z = i / 10000;
        if (i % 7 == 0)
            std::snprintf(line, sizeof line, "%d.0 %d %d 0.577 0.577 0.577 255 255 255\n", x, y, z);
        else if (i % 11 == 0)
            std::snprintf(line, sizeof line, "  %d   %d\t%de0\r\n", x, y, z);
        else
            std::snprintf(line, sizeof line, "%d %d %d\n", x, y, z);
        text += line;
    }
    for (int i = 0; i < faces; ++i) {
        if (i % 5 == 0)
            std::snprintf(line, sizeof line, "4 %d %d %d %d\n", i, i + 1, i + 101, i + 100);
        else
            std::snprintf(line, sizeof line, "3 %d %d %d\n", i, i + 1, i + 100);
        text += line;
    }
    return text;
}

TEST_P(PlyStreams, LargeFileReadsTheSameThroughEveryStream)
{
    const int vertices = 30000;
    const int faces = 29000;
    std::string reason;
    ModelPtr model = loadPlyText(gridFile(vertices, faces), &reason, GetParam());
    ASSERT_NE(model, nullptr) << reason;
    ASSERT_EQ(model->vertexCount, static_cast<uint32_t>(vertices));
    ASSERT_EQ(model->faceCount, static_cast<uint32_t>(faces));
    // Extents 99, 99 and 2: factor 2 / 99 around (49.5, 49.5, 1).
    const double s = 2.0 / 99.0;
    for (int i = 0; i < vertices; i += 997) {
        expectPosition(*model, static_cast<uint32_t>(i), (i % 100 - 49.5) * s, ((i / 100) % 100 - 49.5) * s,
                       (i / 10000 - 1.0) * s);
    }
    expectPosition(*model, vertices - 1, (99 - 49.5) * s, (99 - 49.5) * s, (2 - 1.0) * s);
    for (int i = 0; i < faces; i += 1009) {
        if (i % 5 == 0)
            EXPECT_EQ(cornersOf(*model, static_cast<uint32_t>(i)), (std::vector<long>{i, i + 1, i + 101, i + 100}));
        else
            EXPECT_EQ(cornersOf(*model, static_cast<uint32_t>(i)), (std::vector<long>{i, i + 1, i + 100}));
    }
}

TEST_P(PlyStreams, LineLongerThanTheReadBlockIsReadWhole)
{
    std::string longVertex = "0.25 -0.25 0.75";
    longVertex.reserve(3u << 20);
    while (longVertex.size() < (3u << 20))
        longVertex += " 1.5";
    ModelPtr model = loadPlyText(unitBoxFile({longVertex, "0.5 0.5 0.5"}, {"3 0 2 3"}), nullptr, GetParam());
    ASSERT_NE(model, nullptr);
    expectPosition(*model, 2, 0.25, -0.25, 0.75);
    expectPosition(*model, 3, 0.5, 0.5, 0.5);
    EXPECT_EQ(cornersOf(*model, 0), (std::vector<long>{0, 2, 3}));
}

TEST_P(PlyStreams, TruncatedFileIsRejected)
{
    const std::string full = gridFile(3000, 2000);
    // Cut after a whole line in the face section.
    const std::size_t cut = full.rfind('\n', full.size() * 9 / 10) + 1;
    const std::string reason = rejection(full.substr(0, cut), GetParam());
    EXPECT_NE(reason.find("the file ends after"), std::string::npos) << reason;
}

INSTANTIATE_TEST_SUITE_P(AllStreams, PlyStreams,
                         ::testing::Values(StreamKind::regularFile, StreamKind::memory, StreamKind::pipe),
                         [](const ::testing::TestParamInfo<StreamKind>& kind) {
                             switch (kind.param) {
                             case StreamKind::regularFile:
                                 return std::string("RegularFile");
                             case StreamKind::memory:
                                 return std::string("Memory");
                             case StreamKind::pipe:
                                 return std::string("Pipe");
                             }
                             return std::string("Unknown");
                         });

// ---------------------------------------------------------------- extension

TEST(LoadModel, ChoosesThePlyReaderByItsPrefixInAnyLetterCase)
{
    const std::string text = plyHeader(3, 1) + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    for (const char* extension : {"ply", "plyx", "ply.bak", "PLY", "Ply"}) {
        FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
        ModelPtr model(loadModel(stream, extension));
        std::fclose(stream);
        EXPECT_NE(model, nullptr) << extension;
    }
    for (const char* extension : {"", "dat", "pl", "objx", "st", "offset"}) {
        FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
        std::string reason;
        EXPECT_EQ(loadModel(stream, extension, &reason), nullptr) << extension;
        EXPECT_EQ(reason, "no reader for this file type");
        // Nothing was read.
        EXPECT_EQ(std::ftell(stream), 0L);
        std::fclose(stream);
    }
    std::string reason;
    EXPECT_EQ(loadModel(nullptr, nullptr, &reason), nullptr);
    EXPECT_EQ(reason, "no reader for this file type");
}

TEST(LoadModel, ReadsNumbersWithAPointUnderACommaLocale)
{
    CommaLocale comma(LC_ALL);
    if (!comma.available())
        GTEST_SKIP() << "no comma-decimal locale could be made";
    ModelPtr model = loadPlyText(unitBoxFile({"0.5 -0.25 0.125"}, {}));
    ASSERT_NE(model, nullptr);
    expectPosition(*model, 2, 0.5, -0.25, 0.125);
    // "0,5" is 0 followed by text, as "%lf" reads it in the "C" locale.
    EXPECT_EQ(rejection(unitBoxFile({"0,5 0,5 0,5"}, {})), "line 12: a vertex line needs three numbers x y z");
}

TEST(LoadModel, LongExtensionThatBeginsWithPlyStillLoads)
{
    // The extension as the viewer takes it from a long path.
    const std::string path = "/" + std::string(5000, 'd') + ".x/model.ply" + std::string(300, 'z');
    const std::string text = plyHeader(3, 1) + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    ModelPtr model(loadModel(stream, fileExtension(path).c_str()));
    std::fclose(stream);
    EXPECT_NE(model, nullptr);
}

} // namespace
