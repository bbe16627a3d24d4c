// Headers and lines as older and odder programs write them: every file here
// gives the model the plain file gives.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/modeltestsupport.h"

namespace {

const char kXyz[] = "property float x\nproperty float y\nproperty float z\n";
const char kFace[] = "element face 1\nproperty list uchar int vertex_indices\n";
const char kBody[] = "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";

struct Shape {
    const char* what;
    std::string text;
};

std::string nul(std::string text)
{
    for (char& c : text) {
        if (c == '@')
            c = '\0';
    }
    return text;
}

std::string withLineEnds(const std::string& text, const char* lineEnd)
{
    std::string result;
    for (char c : text)
        result += c == '\n' ? std::string(lineEnd) : std::string(1, c);
    return result;
}

TEST(PlyLeniency, HeadersThatAsciiFilesAlwaysHadLoadTheSameModel)
{
    const std::string vertex = std::string("element vertex 3\n") + kXyz;
    const std::string plain = "ply\nformat ascii 1.0\n" + vertex + kFace + "end_header\n";
    const std::vector<Shape> shapes = {
        {"unknown type read past",
         "ply\nformat ascii 1.0\nelement material 0\nproperty float128 shine\n" + vertex + kFace + "end_header\n"},
        {"int64 read past", "ply\nformat ascii 1.0\n" + vertex + kFace
                                + "element material 0\nproperty int64 id\nproperty list int64 int64 ids\nend_header\n"},
        {"duplicate property", "ply\nformat ascii 1.0\n" + vertex + "property float x\n" + kFace + "end_header\n"},
        {"property without a name", "ply\nformat ascii 1.0\n" + vertex + "property float\n" + kFace + "end_header\n"},
        {"property without a type", "ply\nformat ascii 1.0\n" + vertex + "property w\n" + kFace + "end_header\n"},
        {"second vertex line", "ply\nformat ascii 1.0\nelement vertex 7\n" + vertex + kFace + "end_header\n"},
        {"bare element line", "ply\nformat ascii 1.0\nelement\nproperty float q\n" + vertex + kFace + "end_header\n"},
        {"float list count",
         "ply\nformat ascii 1.0\n" + vertex + "element face 1\nproperty list float int vertex_indices\nend_header\n"},
        {"format ASCII", "ply\nformat ASCII 1.0\n" + vertex + kFace + "end_header\n"},
        {"format text", "ply\nformat text 1.0\n" + vertex + kFace + "end_header\n"},
        {"bare format", "ply\nformat\n" + vertex + kFace + "end_header\n"},
        {"property before any element", "ply\nformat ascii 1.0\nproperty float x\n" + vertex + kFace + "end_header\n"},
        {"unreadable count read past",
         "ply\nformat ascii 1.0\nelement material many\n" + vertex + kFace + "end_header\n"},
        {"position px py pz", "ply\nformat ascii 1.0\nelement vertex 3\nproperty float px\nproperty float py\n"
                              "property float pz\n"
                                  + std::string(kFace) + "end_header\n"},
        {"position without names", "ply\nformat ascii 1.0\nelement vertex 3\nproperty float\nproperty float\n"
                                   "property float\n"
                                       + std::string(kFace) + "end_header\n"},
        {"corners in the first list",
         "ply\nformat ascii 1.0\n" + vertex + "element face 1\nproperty list uchar int corners\nend_header\n"},
        {"NUL in a comment", nul("ply\nformat ascii 1.0\ncomment made@by hand\n") + vertex + kFace + "end_header\n"},
    };
    ModelPtr expected = loadPlyText(plain + kBody);
    ASSERT_NE(expected, nullptr);
    for (const Shape& shape : shapes) {
        std::string reason;
        ModelPtr model = loadPlyText(shape.text + kBody, &reason);
        ASSERT_NE(model, nullptr) << shape.what << ": " << reason;
        expectSameModel(*model, *expected, shape.what, 0.0);
    }
}

TEST(PlyLeniency, BlanksLineEndsAndTrailingNulBytesReadAsTheyDoElsewhere)
{
    const std::string plain = "ply\nformat ascii 1.0\nelement vertex 3\n" + std::string(kXyz) + kFace + "end_header\n";
    const std::vector<Shape> shapes = {
        {"tabs", plain + "0\t0\t0\n1\t0 0\n0 1\t0\n3\t0\t1\t2\n"},
        {"CR LF", withLineEnds(plain + kBody, "\r\n")},
        {"CR only", withLineEnds(plain + kBody, "\r")},
        {"CR only, no last line end", withLineEnds(plain + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2", "\r")},
        {"NUL after the numbers", plain + nul("0 0 0@junk\n1 0 0@\n0 1 0\n3 0 1 2@ 9\n")},
    };
    ModelPtr expected = loadPlyText(plain + kBody);
    ASSERT_NE(expected, nullptr);
    for (const Shape& shape : shapes) {
        for (StreamKind kind : {StreamKind::regularFile, StreamKind::pipe}) {
            std::string reason;
            ModelPtr model = loadPlyText(shape.text, &reason, kind);
            ASSERT_NE(model, nullptr) << shape.what << ": " << reason;
            expectSameModel(*model, *expected, shape.what, 0.0);
        }
    }
    // A NUL byte before the numbers a line needs is the line's fault; CR-only
    // lines are counted as lines.
    EXPECT_EQ(rejection(plain + nul("0 0 0\n1 0@ 0\n0 1 0\n3 0 1 2\n")), "line 11: the line holds a NUL byte");
    EXPECT_EQ(rejection(plain + nul("0 0 0\n1 0 0\n0 1 0\n3@ 0 1 2\n")), "line 13: the line holds a NUL byte");
    EXPECT_EQ(rejection(withLineEnds(plain + "0 0 0\n1 0 0\n0 1 0\n3 0 1 9\n", "\r")),
              "line 13: corner index 9 is outside 0..2");
}

} // namespace
