#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "model/loadmodel.h"
#include "model/plywriter.h"
#include "tests/support/comma_locale.h"
#include "tests/support/modeltestsupport.h"

namespace {

const char kHeaderStart[] = "ply\nformat ascii 1.0\n";

std::string header(unsigned vertices, unsigned faces)
{
    return std::string(kHeaderStart) + "element vertex " + std::to_string(vertices)
           + "\nproperty float32 x\nproperty float32 y\nproperty float32 z\nelement face " + std::to_string(faces)
           + "\nproperty list uint8 int32 vertex_indices\nend_header\n";
}

TEST(PlyWriter, WritesTheExactFormat)
{
    ModelPtr model = makeModel({{-1, 0, 0}, {1, 0, 0}, {0, 0.5, 0}}, {{0, 1, 2}});
    EXPECT_EQ(writeToString(model.get()), header(3, 1)
                                              + "-1.000000 0.000000 0.000000 \n"
                                                "1.000000 0.000000 0.000000 \n"
                                                "0.000000 0.500000 0.000000 \n"
                                                "3 0 1 2\n");
}

TEST(PlyWriter, ModelWithoutFacesWritesCountZeroAndNoFaceLines)
{
    ModelPtr model = makeModel({{0.25, -0.125, 1}}, {});
    EXPECT_EQ(writeToString(model.get()), header(1, 0) + "0.250000 -0.125000 1.000000 \n");
}

TEST(PlyWriter, IndicesComeFromThePointersIntoTheVertexArray)
{
    ModelPtr model = makeModel({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}}, {{4, 3, 2, 1, 0}, {2, 0, 3}});
    const std::string text = writeToString(model.get());
    EXPECT_NE(text.find("\n5 4 3 2 1 0\n3 2 0 3\n"), std::string::npos) << text;
}

TEST(PlyWriter, WritesWhatTheReaderReadsBack)
{
    ModelPtr first
        = makeModel({{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 1}, {0, 0, -1}}, {{0, 1, 2, 3}, {0, 4, 1}, {3, 2, 4}});
    const std::string text = writeToString(first.get());
    std::string reason;
    ModelPtr second = loadPlyText(text, &reason);
    ASSERT_NE(second, nullptr) << reason;
    ASSERT_EQ(second->vertexCount, first->vertexCount);
    ASSERT_EQ(second->faceCount, first->faceCount);
    for (uint32_t i = 0; i < first->faceCount; ++i) {
        ASSERT_EQ(second->faces[i].vertexCount, first->faces[i].vertexCount);
        for (uint32_t j = 0; j < first->faces[i].vertexCount; ++j)
            EXPECT_EQ(cornerIndex(*second, i, j), cornerIndex(*first, i, j));
    }
    // Already centred and scaled: reading back changes no position.
    for (uint32_t i = 0; i < first->vertexCount; ++i) {
        EXPECT_DOUBLE_EQ(second->vertices[i].position.x, first->vertices[i].position.x);
        EXPECT_DOUBLE_EQ(second->vertices[i].position.y, first->vertices[i].position.y);
        EXPECT_DOUBLE_EQ(second->vertices[i].position.z, first->vertices[i].position.z);
    }
}

TEST(PlyWriter, NumbersTooLongForTheLineBufferAreWrittenWhole)
{
    // "%lf" of 1e300 is 308 characters: more than the 128-character buffer.
    ModelPtr model = makeModel({{1e300, -1e300, 0.5}}, {});
    const std::string text = writeToString(model.get());
    char expected[1024];
    std::snprintf(expected, sizeof expected, "%lf %lf %lf \n", 1e300, -1e300, 0.5);
    EXPECT_EQ(text, header(1, 0) + expected);
}

TEST(PlyWriter, WritesAPointUnderACommaLocale)
{
    ModelPtr model = makeModel({{0.5, -0.25, 0.125}}, {});
    CommaLocale comma(LC_ALL);
    if (!comma.available())
        GTEST_SKIP() << "no comma-decimal locale could be made";
    EXPECT_EQ(writeToString(model.get()), header(1, 0) + "0.500000 -0.250000 0.125000 \n");
    // The locale of the thread is back afterwards.
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 0.5);
    EXPECT_STREQ(text, "0,5");
}

TEST(PlyWriter, ReportsWriteErrors)
{
    ModelPtr model = makeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    EXPECT_FALSE(writePlyModel(model.get(), full));
    std::fclose(full);

    FILE* onDisk = std::tmpfile();
    ASSERT_NE(onDisk, nullptr);
    EXPECT_TRUE(writePlyModel(model.get(), onDisk));
    std::fclose(onDisk);

    EXPECT_FALSE(writePlyModel(nullptr, stdout));
}

TEST(SaveModel, WritesOnlyForAPlyExtension)
{
    ModelPtr model = makeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    for (const char* extension : {"PLY", "obj", "", "Ply"}) {
        FILE* stream = std::tmpfile();
        ASSERT_NE(stream, nullptr);
        EXPECT_FALSE(saveModel(model.get(), stream, extension)) << extension;
        EXPECT_EQ(std::ftell(stream), 0L) << extension;
        std::fclose(stream);
    }
    FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    EXPECT_TRUE(saveModel(model.get(), stream, "ply"));
    EXPECT_EQ(std::ftell(stream), static_cast<long>(writeToString(model.get()).size()));
    std::fclose(stream);
}

} // namespace
