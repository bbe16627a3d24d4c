// PLY files as other programs write them: binary bodies in both byte orders,
// properties in any order, extra elements, triangle strips, colours; and
// what the reader does with hostile ones.

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <sys/ioctl.h>
#include <unistd.h>

#include "model/loadmodel.h"
#include "model/ply/plyreader.h"
#include "tests/support/modeltestsupport.h"

namespace {

// A square of two triangles on four vertices with colours, an extra vertex
// property before x, an extra element first and a face flag before the
// corner list: as ASCII text.
const char kDeclarations[]
    = "element material 1\nproperty float shine\n"
      "element vertex 4\nproperty float32 nx\nproperty double x\nproperty int16 y\nproperty float z\n"
      "property uchar red\nproperty uint8 green\nproperty uchar blue\nproperty uchar alpha\n"
      "element face 2\nproperty char flags\nproperty list uint8 uint32 vertex_indices\n"
      "element edge 1\nproperty list uchar int vertex_index\n";

const char kAsciiSquare[] = "1.5\n"
                            "0 0 0 0 255 0 0 9\n"
                            "0 2 0 0 0 255 0 9\n"
                            "0 2 2 0 0 0 255 9\n"
                            "0 0 2 0 51 102 153 9 extra tokens\n"
                            "7 3 0 1 2\n"
                            "7 3 0 2 3 ignored\n"
                            "2 0 1\n";

std::string binarySquare(bool bigEndian)
{
    BinaryPly ply(bigEndian, kDeclarations);
    ply.put(1.5f);
    const double xs[] = {0, 2, 2, 0};
    const int16_t ys[] = {0, 0, 2, 2};
    const uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {51, 102, 153}};
    for (int i = 0; i < 4; ++i) {
        ply.put(0.0f).put(xs[i]).put(ys[i]).put(0.0f);
        ply.put(colours[i][0]).put(colours[i][1]).put(colours[i][2]).put(uint8_t{9});
    }
    ply.put(int8_t{7}).put(uint8_t{3}).put(0u).put(1u).put(2u);
    ply.put(int8_t{7}).put(uint8_t{3}).put(0u).put(2u).put(3u);
    ply.put(uint8_t{2}).put(0).put(1);
    return ply.text();
}

std::vector<long> cornersOf(const MeshModel& model, uint32_t face)
{
    std::vector<long> corners;
    for (uint32_t j = 0; j < model.faces[face].vertexCount; ++j)
        corners.push_back(cornerIndex(model, face, j));
    return corners;
}

void expectSquare(const MeshModel* model, const std::string& what)
{
    ASSERT_NE(model, nullptr) << what;
    ASSERT_EQ(model->vertexCount, 4u) << what;
    ASSERT_EQ(model->faceCount, 2u) << what;
    EXPECT_EQ(model->vertices[2].position.x, 1.0) << what;
    EXPECT_EQ(model->vertices[2].position.y, 1.0) << what;
    EXPECT_EQ(model->vertices[0].position.x, -1.0) << what;
    EXPECT_EQ(cornersOf(*model, 1), (std::vector<long>{0, 2, 3})) << what;
    EXPECT_DOUBLE_EQ(model->faces[0].normal.z, 1.0) << what;
    ASSERT_NE(model->colours, nullptr) << what;
    const float expected[] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0.2f, 0.4f, 0.6f};
    for (int i = 0; i < 12; ++i)
        EXPECT_FLOAT_EQ(model->colours[i], expected[i]) << what << " channel " << i;
}

TEST(PlyFormats, AsciiLittleAndBigEndianGiveTheSameModel)
{
    std::string reason;
    ModelPtr ascii
        = loadPlyText(std::string("ply\nformat ascii 1.0\n") + kDeclarations + "end_header\n" + kAsciiSquare, &reason);
    expectSquare(ascii.get(), "ascii: " + reason);
    for (bool bigEndian : {false, true}) {
        for (StreamKind kind : {StreamKind::regularFile, StreamKind::pipe}) {
            ModelPtr binary = loadPlyText(binarySquare(bigEndian), &reason, kind);
            expectSquare(binary.get(), (bigEndian ? "big endian: " : "little endian: ") + reason);
        }
    }
    // A binary body may begin with the byte 10 after a header of any line
    // ends: after lone CRs it is not taken for the LF of a CR LF.
    const std::string body("\x0a\0\0\0\x0a\0\0\0\x0a\x03\0\0\0\0\x01\0\0\0\x02\0\0\0", 22);
    for (const char* end : {"\n", "\r", "\r\n"}) {
        std::string head = "ply|format binary_little_endian 1.0|element vertex 3|property uchar x|property uchar y|"
                           "property uchar z|element face 1|property list uchar int vertex_indices|end_header|";
        for (std::size_t at; (at = head.find('|')) != std::string::npos;)
            head.replace(at, 1, end);
        ModelPtr model = loadPlyText(head + body, &reason);
        ASSERT_NE(model, nullptr) << reason;
        EXPECT_EQ(model->vertices[0].position.x, 1.0) << "line end " << int(end[0]) << int(end[1]);
        EXPECT_EQ(cornersOf(*model, 0), (std::vector<long>{0, 1, 2}));
    }
    // Float colours are taken as they are; no colours, no array.
    ModelPtr floats = loadPlyText("ply\nelement vertex 2\nproperty float x\nproperty float y\nproperty float z\n"
                                  "property float red\nproperty float green\nproperty float blue\nend_header\n"
                                  "0 0 0 0.25 0.5 1\n1 1 1 0 0 0\n");
    ASSERT_NE(floats, nullptr);
    EXPECT_FLOAT_EQ(floats->colours[1], 0.5f);
    EXPECT_EQ(loadPlyText(plyHeader(2, 0) + "0 0 0\n1 1 1\n")->colours, nullptr);
}

TEST(PlyFormats, TriangleStripsAlternateTheirWindingAndDropRepeats)
{
    const std::string declarations = "element vertex 6\nproperty float x\nproperty float y\nproperty float z\n"
                                     "element tristrips 1\nproperty list int int vertex_indices\n";
    const int strip[] = {0, 1, 2, 3, -1, 3, 4, 4, 5};
    std::string ascii = "ply\nformat ascii 1.0\n" + declarations + "end_header\n";
    BinaryPly binary(true, declarations);
    for (int i = 0; i < 6; ++i) {
        ascii += std::to_string(i % 2) + " " + std::to_string(i / 2) + " 0\n";
        binary.put(static_cast<float>(i % 2)).put(static_cast<float>(i / 2)).put(0.0f);
    }
    ascii += "9";
    binary.put(9);
    for (int index : strip) {
        ascii += " " + std::to_string(index);
        binary.put(index);
    }
    for (const std::string& text : {ascii + "\n", binary.text()}) {
        std::string reason;
        ModelPtr model = loadPlyText(text, &reason);
        ASSERT_NE(model, nullptr) << reason;
        // 0 1 2 | 2 1 3 (turned) | 3 4 4 and 4 4 5 repeat a vertex.
        ASSERT_EQ(model->faceCount, 2u);
        EXPECT_EQ(cornersOf(*model, 0), (std::vector<long>{0, 1, 2}));
        EXPECT_EQ(cornersOf(*model, 1), (std::vector<long>{2, 1, 3}));
        EXPECT_DOUBLE_EQ(model->faces[0].normal.z, model->faces[1].normal.z);
    }
}

TEST(PlyFormats, HeaderFaultsNameTheirLine)
{
    const std::string start = "ply\nformat ascii 1.0\nelement vertex 1\n";
    // A binary body cannot be read past a value of unknown size.
    EXPECT_EQ(rejection("ply\nformat binary_little_endian 1.0\nelement vertex 1\nproperty float128 x\nend_header\n"),
              "line 4: unknown property type 'float128'");
    EXPECT_EQ(rejection(start + "property float x\nproperty float y\nend_header\n0 0\n"),
              "line 3: the vertex element has no z property");
    EXPECT_EQ(rejection(start
                        + "property float x\nproperty float y\nproperty float z\nelement face 1\n"
                          "property int corners\nend_header\n0 0 0\n3\n"),
              "line 7: the face element has no vertex_indices list");
    EXPECT_EQ(rejection("ply\nformat binary_middle_endian 1.0\nend_header\n"),
              "line 2: unknown format 'binary_middle_endian'");
    EXPECT_EQ(rejection("ply\nformat binary 1.0\nend_header\n"),
              "line 2: the format binary lacks its byte order: binary_little_endian or binary_big_endian");
    EXPECT_EQ(rejection("ply\nformat binary_big_endian 1.0\nelement material 1\nproperty list float int x\n"
                        "element vertex 1\nproperty float x\nproperty float y\nproperty float z\nend_header\n"),
              "line 4: the count type of a list must be an integer type, not 'float'");
}

// Every element's count, the mesh's or not, is refused as the binary
// reader refuses it.
TEST(PlyFormats, NegativeAndOversizedCountsOfAnyElementAreRefused)
{
    const char* const formats[] = {"ascii", "binary_little_endian"};
    const struct {
        const char* element;
        const char* reason;
    } rows[] = {
        {"element material -1", "line 3: the material count is negative"},
        {"element material -4294967296", "line 3: the material count is negative"},
        {"element material 2147483648", "line 3: the material count is too large"},
        {"element material 99999999999", "line 3: the material count is too large"},
        {"element vertex -3", "line 3: the vertex count is negative"},
        {"element face 2147483648", "line 3: the face count is too large"},
    };
    for (const char* format : formats) {
        for (const auto& row : rows) {
            const std::string text = std::string("ply\nformat ") + format + " 1.0\n" + row.element
                                     + "\nproperty float q\nelement vertex 0\nproperty float x\nproperty float y\n"
                                       "property float z\nend_header\n";
            EXPECT_EQ(rejection(text), row.reason) << format << ", " << row.element;
        }
    }
}

TEST(PlyFormats, BinaryFaultsNameTheElementAndItem)
{
    const std::string declarations = "element vertex 2\nproperty float x\nproperty float y\nproperty float z\n"
                                     "element face 1\nproperty list uchar int vertex_indices\n";
    const auto file = [&](float z, int8_t count, int corner) {
        BinaryPly ply(false, declarations);
        ply.put(0.0f).put(0.0f).put(0.0f).put(1.0f).put(1.0f).put(z).put(count);
        for (int j = 0; j < 3; ++j)
            ply.put(j == 2 ? corner : j);
        return ply.text();
    };
    EXPECT_EQ(rejection(file(NAN, 3, 1)), "vertex 1: a coordinate is not finite");
    EXPECT_EQ(rejection(file(1, 3, 9)), "face 0: corner index 9 is outside 0..1");
    EXPECT_EQ(rejection(file(1, 3, -1)), "face 0: corner index -1 is outside 0..1");
    EXPECT_EQ(rejection(file(1, 2, 1)), "face 0: a face needs at least three corners, this one has 2");
    const std::string whole = file(1, 3, 1);
    EXPECT_EQ(rejection(whole.substr(0, whole.size() - 1), StreamKind::pipe), "the file ends in face 0 of 1");
    // A count beyond the rest of the file, before anything is allocated for it.
    EXPECT_EQ(rejection(file(1, 100, 1)), "face 0: the vertex_indices list of 100 entries is longer than the rest "
                                          "of the file");
    EXPECT_EQ(rejection(BinaryPly(false, "element vertex 5\nproperty float x\nproperty float y\nproperty float z\n")
                            .put(0.0f)
                            .text()),
              "line 7: the header declares 5 vertices, more than the rest of the file holds");
    // The reason names the elements the header declares.
    EXPECT_EQ(rejection(BinaryPly(false, "element vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
                                         "element tristrips 2\nproperty list int int vertex_indices\n")
                            .put(0.0f)
                            .text()),
              "line 9: the header declares 3 vertices and 2 tristrips items, more than the rest of the file holds");
    // Items without properties take no bytes, however many there are.
    EXPECT_NE(loadPlyText(BinaryPly(false, "element nothing 2000000000\n").text()), nullptr);
    EXPECT_NE(loadPlyText(BinaryPly(false, "element vertex 0\n").text()), nullptr);
    const std::string list = "element vertex 1\nproperty float x\nproperty float y\nproperty float z\n"
                             "element face 1\nproperty list int int vertex_indices\n";
    EXPECT_EQ(rejection(BinaryPly(true, list).put(0.0f).put(0.0f).put(0.0f).put(-4).text()),
              "face 0: the vertex_indices list has the negative count -4");
}

TEST(PlyFormats, EveryTruncationOfABinaryFileGivesNoModel)
{
    const std::string whole = binarySquare(false);
    ASSERT_NE(loadPlyText(whole), nullptr);
    for (std::size_t size = 0; size < whole.size(); ++size) {
        for (StreamKind kind : {StreamKind::regularFile, StreamKind::memory}) {
            std::string reason;
            EXPECT_EQ(loadPlyText(whole.substr(0, size), &reason, kind), nullptr) << size;
            EXPECT_FALSE(reason.empty()) << size;
        }
    }
}

TEST(PlyFormats, FaceLineFaultIsNotBlamedOnTheHeader)
{
    EXPECT_EQ(rejection(plyHeader(3, 1) + "0 0 0\n1 0 0\n0 1 0\n2 0 1\n"),
              "line 13: a face needs at least three corners, this one has 2");
}

TEST(PlyFormats, NulBytesAndEndlessLinesEndTheLoadAtOnce)
{
    std::string nul = plyHeader(3, 1) + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    nul[nul.find("1 0 0") + 1] = '\0';
    EXPECT_EQ(rejection(nul), "line 11: the line holds a NUL byte");
    EXPECT_EQ(rejection(plyHeader(3, 1) + std::string(100000, '\0'), StreamKind::pipe),
              "line 10: the line holds a NUL byte");
    // A sparse file of 2 GB of zeros after a valid header.
    FILE* sparse = std::tmpfile();
    ASSERT_NE(sparse, nullptr);
    std::fputs(plyHeader(3, 1).c_str(), sparse);
    std::fflush(sparse);
    ASSERT_EQ(ftruncate(fileno(sparse), off_t{2} << 30), 0);
    std::rewind(sparse);
    std::string reason;
    EXPECT_EQ(loadModel(sparse, "ply", &reason), nullptr);
    EXPECT_EQ(reason, "line 10: the line holds a NUL byte");
    std::fclose(sparse);
    const std::string endless = plyHeader(3, 1) + std::string(9u << 20, '5');
    EXPECT_EQ(rejection(endless, StreamKind::pipe), "line 10: the line is longer than 4194304 characters");
}

TEST(PlyFormats, CentringKeepsTheUsualFormulaAndFillsTheUnitBoxForAnyPositiveExtent)
{
    // z of a low, a high and a middle vertex; what each becomes. Ordinary
    // boxes keep (z - centre) * 2 / extent exactly, an end a rounding step
    // past +-1 clamped; boxes the formula loses still span -1 to 1.
    struct Row {
        const char* low;
        const char* high;
        const char* middle;
        double expected[3];
    };
    const Row rows[] = {
        {"0", "2", "0.5", {-1.0, 1.0, -0.5}},
        {"30.31859454455258", "109.19114093475277", "50", {-0.9999999999999998, 1.0, -0.5009314050017075}},
        {"-42.043677081902885", "-39.89372804501726", "-40.5", {-1.0, 0.9999999999999967, 0.4360127197610452}},
        // Neighbouring doubles: no double lies between them to centre on.
        {"10000000000000000", "10000000000000002", "10000000000000000", {-1.0, 1.0, -1.0}},
        {"0", "1e-320", "0", {-1.0, 1.0, -1.0}},
        {"-1.7e308", "1.7e308", "0", {-1.0, 1.0, 0.0}},
    };
    for (const Row& row : rows) {
        const std::string text = std::string("ply\nelement vertex 3\nend_header\n0 0 ") + row.low + "\n0 0 " + row.high
                                 + "\n0 0 " + row.middle + "\n";
        ModelPtr model = loadPlyText(text);
        ASSERT_NE(model, nullptr) << row.low;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(model->vertices[i].position.z, row.expected[i]) << row.low << " .. " << row.high << ", " << i;
    }
}

// A grid of n x n vertices and its triangles, in each format.
std::string gridText(const char* format, int n)
{
    const auto at = [n](int i) { return std::to_string(i % n) + " " + std::to_string(i / n) + " 0"; };
    const int vertices = n * n;
    const int triangles = 2 * (n - 1) * (n - 1);
    std::vector<int> corners;
    for (int y = 0; y + 1 < n; ++y) {
        for (int x = 0; x + 1 < n; ++x) {
            const int v = y * n + x;
            corners.insert(corners.end(), {v, v + 1, v + n, v + 1, v + n + 1, v + n});
        }
    }
    const std::string name = format;
    std::string text = name == "ply"   ? plyHeader(vertices, triangles)
                       : name == "off" ? "OFF\n" + std::to_string(vertices) + " " + std::to_string(triangles) + " 0\n"
                       : name == "stl" ? "solid grid\n"
                                       : "";
    if (name == "stlb") {
        text = std::string(80, ' ');
        const auto put = [&text](auto value) { text.append(reinterpret_cast<const char*>(&value), sizeof value); };
        put(static_cast<uint32_t>(triangles));
        for (std::size_t c = 0; c < corners.size(); c += 3) {
            put(0.0f), put(0.0f), put(1.0f);
            for (std::size_t k = 0; k < 3; ++k)
                put(static_cast<float>(corners[c + k] % n)), put(static_cast<float>(corners[c + k] / n)), put(0.0f);
            text += std::string(2, '\0');
        }
        return text;
    }
    if (name != "stl") {
        for (int v = 0; v < vertices; ++v)
            text += (name == "obj" ? "v " : "") + at(v) + "\n";
    }
    for (std::size_t c = 0; c < corners.size(); c += 3) {
        if (name == "stl") {
            text += "facet normal 0 0 1\nouter loop\n";
            for (std::size_t k = 0; k < 3; ++k)
                text += "vertex " + at(corners[c + k]) + "\n";
            text += "endloop\nendfacet\n";
        } else {
            const int base = name == "obj" ? 1 : 0;
            text += name == "obj" ? "f" : "3";
            for (std::size_t k = 0; k < 3; ++k)
                text += " " + std::to_string(corners[c + k] + base);
            text += "\n";
        }
    }
    return name == "stl" ? text + "endsolid grid\n" : text;
}

// Waits until the reader has taken everything written to the pipe.
void waitUntilDrained(int fd)
{
    int unread = 1;
    while (ioctl(fd, FIONREAD, &unread) == 0 && unread > 0)
        std::this_thread::yield();
}

// Every reader stops once the load is cancelled from another thread, in
// whatever phase it is: an endless stream cancelled once the reader has
// taken its first megabytes (the reading itself), or a whole file whose
// last bytes come only after the cancel, once the reader has taken all the
// rest (so that only the phases after the reading, welding and normals, are
// left to see it).
TEST(PlyFormats, CancellingStopsEveryReaderInEveryPhase)
{
    std::signal(SIGPIPE, SIG_IGN);
    const std::string asciiVertices = [] {
        std::string lines;
        while (lines.size() < (1u << 16))
            lines += "0.5 0.25 1\n";
        return lines;
    }();
    const std::string asciiFaces = [] {
        std::string lines;
        while (lines.size() < (1u << 16))
            lines += "3 0 1 2\n";
        return lines;
    }();
    struct Row {
        const char* name;
        const char* extension;
        std::string text; // the whole file, or the head of an endless one
        std::string endless;
    };
    const Row rows[] = {
        {"endless ascii ply", "ply", plyHeader(10000000, 0), asciiVertices},
        {"endless ascii ply faces", "ply", plyHeader(3, 10000000) + "0 0 0\n1 0 0\n0 1 0\n", asciiFaces},
        {"endless off", "off", "OFF\n10000000 0 0\n", asciiVertices},
        {"endless off faces", "off", "OFF\n3 10000000 0\n0 0 0\n1 0 0\n0 1 0\n", asciiFaces},
        {"endless binary ply", "ply",
         BinaryPly(false, "element vertex 10000000\nproperty float x\nproperty float y\nproperty float z\n").text(),
         std::string(1 << 16, '\0')},
        {"ascii ply", "ply", gridText("ply", 150), ""},
        {"obj", "obj", gridText("obj", 150), ""},
        {"off", "off", gridText("off", 150), ""},
        {"ascii stl", "stl", gridText("stl", 60), ""},
        {"binary stl", "stl", gridText("stlb", 150), ""},
    };
    for (const Row& row : rows) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        LoadControl control;
        std::thread feeder([&, fd = fds[1]] {
            const auto writeAll = [fd](const char* bytes, std::size_t size) {
                return write(fd, bytes, size) == static_cast<ssize_t>(size);
            };
            if (!row.endless.empty()) {
                bool going = writeAll(row.text.data(), row.text.size());
                while (going) {
                    // Cancel once the reader has taken the first megabytes.
                    if (control.bytesRead.load() > (4u << 20))
                        control.cancel = true;
                    going = writeAll(row.endless.data(), row.endless.size());
                }
            } else {
                const std::size_t held = 1;
                if (writeAll(row.text.data(), row.text.size() - held)) {
                    waitUntilDrained(fd);
                    control.cancel = true;
                    writeAll(row.text.data() + row.text.size() - held, held);
                }
            }
            close(fd);
        });
        FILE* stream = fdopen(fds[0], "r");
        ASSERT_NE(stream, nullptr);
        std::string reason;
        ModelPtr model(loadModel(stream, row.extension, &reason, &control));
        // What the reader left is drained so that a held-back feeder ends;
        // an endless one's next write fails once the stream is closed.
        char sink[4096];
        while (row.endless.empty() && std::fread(sink, 1, sizeof sink, stream) > 0) { }
        std::fclose(stream);
        feeder.join();
        EXPECT_EQ(model, nullptr) << row.name;
        EXPECT_EQ(reason, "loading was cancelled") << row.name;
        EXPECT_TRUE(control.cancel.load()) << row.name;
    }
}

} // namespace

namespace {

std::string joined(const std::string& head, const std::vector<std::string>& lines, const char* lineEnd)
{
    std::string all = head;
    for (const std::string& line : lines)
        all += line + lineEnd;
    return all;
}

// Loads through a pipe (line by line) and a regular file (large sections in
// runs on two cores).
void loadInOrderAndAtOnce(const std::string& text, ModelPtr& ordered, ModelPtr& parallel)
{
    ordered = loadPlyText(text, nullptr, StreamKind::pipe);
    parallel = loadPlyText(text);
    ASSERT_NE(ordered, nullptr);
    ASSERT_NE(parallel, nullptr);
}

// Large enough for the face lines of a regular file to be read on two cores;
// a pipe is read line by line. Both must give the same model, or the same
// first fault in file order.
TEST(PlyFormats, FacesReadOnTwoCoresGiveWhatReadingInOrderGives)
{
    const int faces = 300000;
    std::string head = plyHeader(4, faces) + "0 0 0\n1 0 0\n1 1 0\n0 1 0\n";
    std::vector<std::string> lines;
    for (int i = 0; i < faces; ++i)
        lines.push_back(i % 3 == 0 ? "4 0 1 2 3" : (i % 2 == 0 ? "3 0 1 2" : "3  0 2\t3 255 0 0"));
    const auto text = [&] { return joined(head, lines, "\r\n"); };
    ModelPtr ordered;
    ModelPtr parallel;
    loadInOrderAndAtOnce(text(), ordered, parallel);
    ASSERT_EQ(parallel->faceCount, ordered->faceCount);
    for (uint32_t i = 0; i < ordered->faceCount; i += 997)
        EXPECT_EQ(cornersOf(*parallel, i), cornersOf(*ordered, i)) << i;

    // Faults early and late in a run: the earlier one is reported.
    lines[250001] = "3 0 1 9";
    lines[260000] = std::string("3 0 1") + '\0';
    EXPECT_EQ(rejection(text()), "line 250015: corner index 9 is outside 0..3");
    EXPECT_EQ(rejection(text(), StreamKind::pipe), "line 250015: corner index 9 is outside 0..3");
    lines[120000] = "3 0 1";
    EXPECT_EQ(rejection(text()), "line 120014: the face has 2 of its 3 corner indices");
    lines[120000] = "3 0 1 2";
    lines[250001] = "3 0 1 2";
    EXPECT_EQ(rejection(text()), "line 260014: the line holds a NUL byte");
    lines[260000] = "3 0 1 2";
    lines.pop_back();
    EXPECT_EQ(rejection(text()), rejection(text(), StreamKind::pipe));
}

} // namespace

namespace {

TEST(PlyFormats, FacesMayComeBeforeTheVertices)
{
    const auto file = [](const std::string& vertices) {
        return "ply\nformat ascii 1.0\nelement face 1\nproperty list uchar int vertex_indices\nelement vertex "
               + vertices
               + "\nproperty float x\nproperty float y\nproperty float z\nend_header\n3 0 1 2\n0 0 0\n"
                 "1 0 0\n0 1 0\n";
    };
    for (StreamKind kind : {StreamKind::regularFile, StreamKind::pipe}) {
        ModelPtr model = loadPlyText(file("3"), nullptr, kind);
        ASSERT_NE(model, nullptr);
        EXPECT_EQ(cornersOf(*model, 0), (std::vector<long>{0, 1, 2}));
        EXPECT_DOUBLE_EQ(model->faces[0].normal.z, 1.0);
    }
    // A huge vertex count behind the faces of a stream gets no memory ahead.
    EXPECT_EQ(rejection(file("300000000"), StreamKind::pipe), "line 14: the file ends after 3 of 300000000 vertices");
}

} // namespace

namespace {

TEST(PlyFormats, VerticesReadOnTwoCoresGiveWhatReadingInOrderGives)
{
    const int count = 200000;
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back(std::to_string(i % 7) + " -0 " + std::to_string((i * 13) % 101) + " 255 "
                        + std::to_string(i % 256) + " 0");
    const std::string head = "ply\nformat ascii 1.0\nelement vertex " + std::to_string(count)
                             + "\nproperty float x\nproperty float y\nproperty float z\nproperty uchar red\n"
                               "property uchar green\nproperty uchar blue\nend_header\n";
    const auto text = [&] { return joined(head, lines, "\n"); };
    ModelPtr ordered;
    ModelPtr parallel;
    loadInOrderAndAtOnce(text(), ordered, parallel);
    ASSERT_EQ(parallel->vertexCount, ordered->vertexCount);
    EXPECT_EQ(std::memcmp(parallel->vertices, ordered->vertices, sizeof(MeshVertex) * count), 0);
    EXPECT_EQ(std::memcmp(parallel->colours, ordered->colours, sizeof(float) * 3 * count), 0);

    lines[150000] = "1 2";
    lines[190000] = "1 2 inf 0 0 0";
    EXPECT_EQ(rejection(text()), "line 150011: a vertex line needs three numbers x y z");
    EXPECT_EQ(rejection(text(), StreamKind::pipe), "line 150011: a vertex line needs three numbers x y z");
    lines[150000] = "1 2 3 0 0 0";
    EXPECT_EQ(rejection(text()), "line 190011: a vertex coordinate is not a finite number");
}

} // namespace

namespace {

// Binary items are read in runs straight from the buffer, halves of a run on
// two cores: runs of triangles until a face with another count, then walked
// runs. Whatever the byte order, the model is the one the text gives, and
// the first fault in file order is the one reported.
TEST(PlyFormats, BinaryRunsOnTwoCoresGiveWhatTheTextGives)
{
    const int vertices = 100000;
    const int faces = 300000;
    const std::string declarations = "element vertex " + std::to_string(vertices)
                                     + "\nproperty float x\nproperty float y\nproperty float z\nproperty uchar red\n"
                                       "property uchar green\nproperty uchar blue\nelement face "
                                     + std::to_string(faces) + "\nproperty list uchar int vertex_indices\n";
    // Quads only after the first 200000 faces; a corner of -1 or a NaN for
    // the z of vertex 3 marks a fault.
    const auto corners = [&](int face) {
        std::vector<int> list = {face % vertices, (face + 1) % vertices, (face * 7 + 2) % vertices};
        if (face >= 200000 && face % 5 == 0)
            list.push_back((face + 3) % vertices);
        return list;
    };
    const auto binary = [&](bool bigEndian, const std::vector<int>& badFaces, const std::vector<int>& badVertices) {
        BinaryPly ply(bigEndian, declarations);
        for (int i = 0; i < vertices; ++i) {
            const bool bad = std::find(badVertices.begin(), badVertices.end(), i) != badVertices.end();
            ply.put(static_cast<float>(i % 7)).put(-0.0f).put(bad ? NAN : static_cast<float>((i * 13) % 101) / 4);
            ply.put(uint8_t{255}).put(static_cast<uint8_t>(i % 256)).put(uint8_t{0});
        }
        for (int f = 0; f < faces; ++f) {
            const std::vector<int> list = corners(f);
            ply.put(static_cast<uint8_t>(list.size()));
            for (std::size_t j = 0; j < list.size(); ++j)
                ply.put(j == 2 && std::find(badFaces.begin(), badFaces.end(), f) != badFaces.end() ? -1 : list[j]);
        }
        return ply.text();
    };
    std::string text = "ply\nformat ascii 1.0\n" + declarations + "end_header\n";
    for (int i = 0; i < vertices; ++i)
        text += std::to_string(i % 7) + " -0 " + std::to_string(static_cast<float>((i * 13) % 101) / 4) + " 255 "
                + std::to_string(i % 256) + " 0\n";
    for (int f = 0; f < faces; ++f) {
        const std::vector<int> list = corners(f);
        text += std::to_string(list.size());
        for (int corner : list)
            text += " " + std::to_string(corner);
        text += "\n";
    }
    ModelPtr expected = loadPlyText(text);
    ASSERT_NE(expected, nullptr);
    for (bool bigEndian : {false, true}) {
        ModelPtr model = loadPlyText(binary(bigEndian, {}, {}));
        ASSERT_NE(model, nullptr) << bigEndian;
        ASSERT_EQ(model->vertexCount, expected->vertexCount);
        ASSERT_EQ(model->faceCount, expected->faceCount);
        EXPECT_EQ(std::memcmp(model->vertices, expected->vertices, sizeof(MeshVertex) * vertices), 0) << bigEndian;
        EXPECT_EQ(std::memcmp(model->colours, expected->colours, sizeof(float) * 3 * vertices), 0) << bigEndian;
        for (uint32_t i = 0; i < model->faceCount; i += 997)
            EXPECT_EQ(cornersOf(*model, i), cornersOf(*expected, i)) << bigEndian << " face " << i;
        EXPECT_EQ(cornersOf(*model, faces - 1), cornersOf(*expected, faces - 1)) << bigEndian;
    }

    struct Case {
        std::vector<int> badFaces;
        std::vector<int> badVertices;
        const char* reason;
    };
    const Case cases[] = {
        {{299990}, {}, "face 299990: corner index -1 is outside 0..99999"},
        {{100000, 150000, 299990}, {}, "face 100000: corner index -1 is outside 0..99999"},
        {{210000, 250005}, {}, "face 210000: corner index -1 is outside 0..99999"},
        {{5}, {99998}, "vertex 99998: a coordinate is not finite"},
        {{}, {80000, 99998}, "vertex 80000: a coordinate is not finite"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rejection(binary(false, c.badFaces, c.badVertices)), c.reason);
        EXPECT_EQ(rejection(binary(true, c.badFaces, c.badVertices), StreamKind::pipe), c.reason);
    }
}

} // namespace
