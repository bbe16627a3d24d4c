// The OBJ, STL and OFF readers: each rule with a tiny file, compared with
// the PLY file of the same mesh; the faults and where they are named; every
// truncation of a binary STL file; the samples in every format; files
// written by another program.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/loadmodel.h"
#include "tests/support/modeltestsupport.h"
#include "tests/support/scratchfolder.h"

namespace {

void expectLoadsAs(const std::string& text, const char* extension, const Mesh& mesh, uint64_t skipped = 0)
{
    std::string reason;
    LoadControl control;
    ModelPtr model = loadText(text, extension, &reason, StreamKind::regularFile, &control);
    ASSERT_NE(model, nullptr) << reason << "\n" << text;
    ModelPtr expected = loadPlyText(plyOf(mesh));
    ASSERT_NE(expected, nullptr);
    expectSameModel(*model, *expected, text);
    EXPECT_EQ(control.skippedFaces.load(), skipped) << text;
    // A stream of unknown size gives the same model.
    ModelPtr piped = loadText(text, extension, &reason, StreamKind::pipe);
    ASSERT_NE(piped, nullptr) << reason;
    expectSameModel(*piped, *expected, "piped: " + text);
}

const Mesh kTriangle = {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}};
const Mesh kTwoTriangles = {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2}, {2, 1, 3}}};
const Mesh kPoints = {{{0, 0, 0}, {2, 0, 0}, {0, 0, 1}}, {}};

// ------------------------------------------------------------------- OBJ

TEST(ObjReader, ReadsVerticesFacesAndEverythingElsePast)
{
    const struct {
        const char* text;
        const Mesh& mesh;
        uint64_t skipped;
    } rows[] = {
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", kTriangle, 0},
        {"v 0 0 0 1\nv 1 0 0 1\nv 0 1 0 0.5\nf 1/1 2/2 3/3\n", kTriangle, 0},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1//4 2//5 3//6\n", kTriangle, 0},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/7/4 2/8/5 3/9/6\n", kTriangle, 0},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\n", kTriangle, 0},
        {"f 1 2 3\nv 0 0 0\nv 1 0 0\nv 0 1 0\n", kTriangle, 0},
        {"# made by hand\r\nmtllib a.mtl\r\no one\r\ng part\r\nusemtl red\r\ns 1\r\n\r\nv\t0 0 0\r\nvt 0 0\r\n"
         "vn 0 0 1\r\nvp 0.5\r\nv 1 0 0\r\nv 0 1 0\r\np 1\r\nl 1 2\r\nfoo bar\r\nf 1 2 3 # the face\r\n",
         kTriangle, 0},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 \\\n2 \\\n3\n", kTriangle, 0},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2\nf 3\nf\nf 1 2 3\n", kTriangle, 3},
        {"o a\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\no b\nv 1 1 0\nf 3 2 -1\n", kTwoTriangles, 0},
        {"v 0 0 0\nv 2 0 0\nv 0 0 1\n", kPoints, 0},
    };
    for (const auto& row : rows)
        expectLoadsAs(row.text, "obj", row.mesh, row.skipped);
}

TEST(ObjReader, KeepsColoursOfSixNumberVertices)
{
    ModelPtr model = loadText("v 0 0 0 1 0 0\nv 1 0 0 0 0.5 2\nv 0 1 0\nf 1 2 3\n", "obj");
    ASSERT_NE(model, nullptr);
    ASSERT_NE(model->colours, nullptr);
    const float expected[] = {1, 0, 0, 0, 0.5f, 1, 1, 1, 1};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(model->colours[i], expected[i]) << i;
    EXPECT_EQ(loadText("v 0 0 0\nv 1 0 0 1 0 0\nv 0 1 0\n", "obj")->colours, nullptr);
}

TEST(ObjReader, RefusesBadIndicesAndCoordinatesNamingTheLine)
{
    const struct {
        std::string text;
        const char* reason;
    } rows[] = {
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 0 3\n", "line 4: corner index 0 is not valid"},
        {"v 0 0 0\nv 1 0 0\nf 1 2 3\nv 0 1 0\nf 1 2 12\n", "line 5: corner index 12 is outside 1..3"},
        {"v 0 0 0\nv 1 0 0\nf 1 2 -3\nv 0 1 0\n", "line 3: corner index -3 is outside -2..-1"},
        {"f -1 -2 -3\n", "line 1: corner index -1 is outside the vertices read so far"},
        {"v 0 0 0\nv 1 0\n", "line 2: a vertex needs three numbers x y z"},
        {"v 0 0 0\nv 1 0 inf\n", "line 2: a vertex coordinate is not a finite number"},
        {"v 0 0 0\nv 1 0 nan\n", "line 2: a vertex coordinate is not a finite number"},
        {"v 0 0 0\nv 1 \\\n0 x\n", "line 2: a vertex needs three numbers x y z"},
        {"v 0 0 0\nf 1 a 1\n", "line 2: a face corner must begin with its vertex index"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(rejection(row.text, StreamKind::regularFile, "obj"), row.reason);
}

// A file large enough to be counted first and read in runs on two cores:
// a grid of quads, with normals, "a//a" corners and negative indices.
TEST(ObjReader, LargeFileGivesTheSameModelAndFaultsAsLineByLine)
{
    constexpr int kSide = 400;
    Mesh mesh;
    std::ostringstream text;
    text << "# grid\n";
    for (int j = 0; j < kSide; ++j) {
        for (int i = 0; i < kSide; ++i) {
            mesh.positions.push_back({i * 0.5, j * 0.25, (i * j) % 7 * 0.125});
            text << "v " << i * 0.5 << ' ' << j * 0.25 << ' ' << (i * j) % 7 * 0.125 << "\nvn 0 0 1\n";
        }
        for (int i = 0; j > 0 && i + 1 < kSide; ++i) {
            const int a = (j - 1) * kSide + i;
            mesh.faces.push_back({a, a + 1, a + kSide + 1, a + kSide});
            // The row just read is the last kSide vertices.
            text << "f " << a + 1 << "//" << a + 1 << ' ' << a + 2 << "//1 " << i + 1 - kSide << ' ' << i - kSide
                 << "\n";
        }
    }
    const std::string whole = text.str();
    ASSERT_GT(whole.size(), std::size_t{2} << 20);
    expectLoadsAs(whole, "obj", mesh);
    // Faults deep in the file name their line, whichever way it is read.
    const std::size_t cut = whole.find('\n', whole.size() * 2 / 3) + 1;
    const long long line = std::count(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut), '\n') + 1;
    for (const char* bad : {"f 1 0 2\n", "v 1 nan 2\n", "f 1 2 -999999\n"}) {
        for (StreamKind kind : {StreamKind::regularFile, StreamKind::pipe}) {
            const std::string reason = rejection(whole.substr(0, cut) + bad + whole.substr(cut), kind, "obj");
            EXPECT_EQ(reason.substr(0, reason.find(':')), "line " + std::to_string(line)) << bad << reason;
        }
    }
}

// Faces take the Kd colour of the material their usemtl line names, from
// the libraries mtllib lines name in the file's folder; what is missing is
// noted and the model still loads. The last row is large enough to be read
// in runs on two cores, its materials switching across them.
TEST(ObjReader, FacesTakeTheirMaterialsColour)
{
    const std::string square = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
    const std::string colours = "newmtl Red\nKd 1 0 0\nnewmtl Blue\nKd 0 0 1\n";
    std::string big = "mtllib c.mtl\n" + square + "usemtl Red\n";
    for (int part = 0; part < 3; ++part) {
        for (int f = 0; f < 300000; ++f)
            big += "f 1 2 3\n";
        big += part == 0 ? "usemtl Blue\n" : "usemtl\n";
    }
    struct Span {
        uint32_t faces;
        std::vector<float> rgb; // empty: no colour
    };
    const std::vector<float> red = {1, 0, 0}, blue = {0, 0, 1}, none;
    using Files = std::vector<std::pair<std::string, std::string>>;
    const struct {
        std::string obj;
        Files libraries;
        std::vector<Span> expected; // only faces without colour: the model has none
        std::string note;
    } rows[] = {
        {"mtllib c.mtl\n" + square + "usemtl Red\nf 1 2 3\n", {{"c.mtl", colours}}, {{1, red}}, ""},
        {"mtllib c.mtl\n" + square + "usemtl Red\nf 1 2 3\nusemtl Blue\nf 1 3 4\nf 1 2 4\nusemtl Red\nf 2 3 4\n",
         {{"c.mtl", colours}},
         {{1, red}, {2, blue}, {1, red}},
         ""},
        {"mtllib c.mtl\n" + square + "f 1 2 3\n  usemtl   Blue  \nf 1 3 4\n",
         {{"c.mtl", colours}},
         {{1, none}, {1, blue}},
         ""},
        {"mtllib scene.mtl\n" + square + "usemtl Steel\nf 1 2 3\n",
         {},
         {{1, none}},
         "material library scene.mtl was not found; material Steel is not defined"},
        {"mtllib c.mtl\n" + square + "usemtl Steel\nf 1 2 3\nusemtl Red\nf 1 3 4\nusemtl Steel\nf 2 3 4\n",
         {{"c.mtl", colours}},
         {{1, none}, {1, red}, {1, none}},
         "material Steel is not defined"},
        {"mtllib a.mtl b.mtl\n" + square + "usemtl Blue\nf 1 2 3\nusemtl Red\nf 1 3 4\n",
         {{"a.mtl", "newmtl Red\nKd 1 0 0\n"}, {"b.mtl", "newmtl Blue\nKd 0 0 1\n"}},
         {{1, blue}, {1, red}},
         ""},
        {"mtllib my colours.mtl\n" + square + "usemtl Blue\nf 1 2 3\n", {{"my colours.mtl", colours}}, {{1, blue}}, ""},
        {"mtllib c.mtl\n" + square + "usemtl Grey\nf 1 2 3\nusemtl Blue\nf 1 3 4\n",
         {{"c.mtl", "# made by hand\r\nnewmtl Grey\r\n\tKa 0 0 0\r\n\tKd 0.5 2 -1 # clamped\r\n\tmap_Kd grey.png\r\n"
                    "newmtl Blue\rKd 0 0 1\r"}},
         {{1, {0.5f, 1, 0}}, {1, blue}},
         ""},
        {"mtllib c.mtl\n" + square + "usemtl Red\nf 1 2 3\nusemtl Plain\nf 1 3 4\nusemtl Blue\nf 2 3 4\n",
         {{"c.mtl", "newmtl Red\nKd 1 0\nnewmtl Plain\nNs 10\nnewmtl Blue\nKd 0 0 1\nKd 0 nan 1\n"}},
         {{1, none}, {1, none}, {1, none}},
         "c.mtl line 2: a Kd colour needs three numbers r g b"},
        {"mtllib c.mtl\n" + square + "usemtl Grey\nf 1 2 3\n",
         {{"c.mtl", "newmtl Grey\nKd 0.25 # grey\n"}},
         {{1, {0.25f, 0.25f, 0.25f}}},
         ""},
        {"mtllib c.mtl\nv 0 0 0 1 1 0\nv 1 0 0\nv 1 1 0\nusemtl Blue\nf 1 2 3\n",
         {{"c.mtl", colours}},
         {{1, blue}},
         ""},
        {big, {{"c.mtl", colours}}, {{300000, red}, {300000, blue}, {300000, none}}, ""},
    };
    for (const auto& row : rows) {
        const std::string what = row.obj.substr(0, 80);
        ScratchFolder folder("obj-materials");
        for (const auto& library : row.libraries)
            std::ofstream(folder.path() / library.first, std::ios::binary) << library.second;
        const std::string path = (folder.path() / "model.obj").string();
        std::ofstream(path, std::ios::binary) << row.obj;
        FILE* stream = std::fopen(path.c_str(), "rb");
        ASSERT_NE(stream, nullptr);
        std::string reason;
        LoadControl control;
        ModelPtr model(loadModel(stream, "obj", &reason, &control, folder.path().c_str()));
        std::fclose(stream);
        ASSERT_NE(model, nullptr) << reason << "\n" << what;
        EXPECT_EQ(control.note, row.note) << what;
        EXPECT_EQ(model->colours != nullptr, row.obj.find("v 0 0 0 1") != std::string::npos) << what;
        std::vector<float> expected;
        bool coloured = false;
        for (const Span& span : row.expected) {
            coloured = coloured || !span.rgb.empty();
            for (uint32_t f = 0; f < span.faces; ++f)
                for (int c = 0; c < 3; ++c)
                    expected.push_back(span.rgb.empty() ? kNoFaceColour : span.rgb[c]);
        }
        ASSERT_EQ(model->faceCount, expected.size() / 3) << what;
        ASSERT_EQ(model->faceColours != nullptr, coloured) << what;
        for (std::size_t i = 0; coloured && i < expected.size(); ++i)
            ASSERT_FLOAT_EQ(model->faceColours[i], expected[i]) << what << " face " << i / 3;
        // Without the file's folder no library is read and nothing noted.
        LoadControl quiet;
        ModelPtr alone = loadText(row.obj, "obj", &reason, StreamKind::regularFile, &quiet);
        ASSERT_NE(alone, nullptr) << reason;
        EXPECT_EQ(alone->faceColours, nullptr) << what;
        EXPECT_EQ(quiet.note, "") << what;
    }
}

// Large enough to be read in runs on two cores; with an empty line in its
// body it is read line by line.
TEST(OffReader, LargeFileGivesTheSameModelAndFaultsAsLineByLine)
{
    constexpr int kSide = 400;
    Mesh mesh;
    std::ostringstream vertices;
    std::ostringstream faces;
    for (int j = 0; j < kSide; ++j) {
        for (int i = 0; i < kSide; ++i) {
            mesh.positions.push_back({i * 0.5, j * 0.25, (i * j) % 7 * 0.125});
            vertices << i * 0.5 << ' ' << j * 0.25 << ' ' << (i * j) % 7 * 0.125 << " # v\n";
            if (i > 0 && j > 0) {
                const int a = (j - 1) * kSide + i - 1;
                mesh.faces.push_back({a, a + 1, a + kSide + 1, a + kSide});
                faces << "4 " << a << ' ' << a + 1 << ' ' << a + kSide + 1 << ' ' << a + kSide << " 0.5 0.5 0.5\n";
            }
        }
    }
    const std::string header
        = "OFF\n# grid\n" + std::to_string(mesh.positions.size()) + " " + std::to_string(mesh.faces.size()) + " 0\n";
    const std::string body = vertices.str() + faces.str();
    ASSERT_GT(body.size(), std::size_t{2} << 20);
    const std::size_t cut = body.find('\n', vertices.str().size() / 2) + 1; // among the vertices
    for (const std::string& text : {header + body, header + body.substr(0, cut) + "\n# x\n" + body.substr(cut)})
        expectLoadsAs(text + "\n", "off", mesh);
    // A bad vertex line, a bad face line, each naming its line.
    const std::pair<std::size_t, const char*> faults[]
        = {{cut, "1 2 nan\n"}, {body.find('\n', body.size() * 3 / 4) + 1, "4 0 1 2 99999999\n"}};
    for (const auto& [at, bad] : faults) {
        const long long line = std::count(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(at), '\n') + 4;
        const std::string reason
            = rejection(header + body.substr(0, at) + bad + body.substr(at), StreamKind::regularFile, "off");
        EXPECT_EQ(reason.substr(0, reason.find(':')), "line " + std::to_string(line)) << bad << reason;
    }
}

// ------------------------------------------------------- every text format

// A grid of quads written as PLY, OBJ and OFF.
struct GridTexts {
    Mesh mesh;
    std::string ply, obj, off;
};

GridTexts gridTexts(int side)
{
    GridTexts grid;
    std::ostringstream obj;
    std::ostringstream off;
    for (int j = 0; j < side; ++j) {
        for (int i = 0; i < side; ++i) {
            grid.mesh.positions.push_back({i * 0.5, j * 0.25, (i * j) % 7 * 0.125});
            obj << "v " << i * 0.5 << ' ' << j * 0.25 << ' ' << (i * j) % 7 * 0.125 << '\n';
            off << i * 0.5 << ' ' << j * 0.25 << ' ' << (i * j) % 7 * 0.125 << '\n';
        }
    }
    for (int a = 0; a + side + 1 < side * side; ++a) {
        if (a % side + 1 < side) {
            grid.mesh.faces.push_back({a, a + 1, a + side + 1, a + side});
            obj << "f " << a + 1 << ' ' << a + 2 << ' ' << a + side + 2 << ' ' << a + side + 1 << '\n';
            off << "4 " << a << ' ' << a + 1 << ' ' << a + side + 1 << ' ' << a + side << '\n';
        }
    }
    grid.ply = plyOf(grid.mesh);
    grid.obj = "# grid\n" + obj.str();
    grid.off = "OFF\n" + std::to_string(grid.mesh.positions.size()) + " " + std::to_string(grid.mesh.faces.size())
               + " 0\n" + off.str();
    return grid;
}

// The line ends of text taken in turn from LF, CR LF and a lone CR, as in
// files joined from several programs' exports.
std::string mixedLineEnds(const std::string& text)
{
    static const char* const kEnds[] = {"\n", "\r\n", "\r"};
    std::string mixed;
    std::size_t lines = 0;
    for (char c : text)
        mixed += c == '\n' ? std::string(kEnds[lines++ % 3]) : std::string(1, c);
    return mixed;
}

// Small files are read line by line, large ones in runs on two cores; a CR
// LF is one line end, as an editor counts lines.
TEST(TextReaders, MixedLineEndsGiveTheModelAndLineNumbersOfLineFeeds)
{
    for (int side : {3, 400}) {
        const GridTexts grid = gridTexts(side);
        ModelPtr expected = loadPlyText(grid.ply);
        ASSERT_NE(expected, nullptr);
        const struct {
            const char* extension;
            std::string text;
            const char* badFace;
        } rows[] = {
            {"ply", grid.ply, "4 0 1 2 99999999"},
            {"obj", grid.obj, "f 1 0 2 3"},
            {"off", grid.off, "4 0 1 2 99999999"},
        };
        for (const auto& row : rows) {
            const std::string what = std::string(row.extension) + ", side " + std::to_string(side);
            for (StreamKind kind : {StreamKind::regularFile, StreamKind::pipe}) {
                std::string reason;
                ModelPtr model = loadText(mixedLineEnds(row.text), row.extension, &reason, kind);
                ASSERT_NE(model, nullptr) << what << ": " << reason;
                expectSameModel(*model, *expected, what);
                // The last line (a face) made bad.
                const std::string bad
                    = row.text.substr(0, row.text.rfind('\n', row.text.size() - 2) + 1) + row.badFace + "\n";
                const auto line = std::count(bad.begin(), bad.end(), '\n');
                reason = rejection(mixedLineEnds(bad), kind, row.extension);
                EXPECT_EQ(reason.substr(0, reason.find(':')), "line " + std::to_string(line)) << what << ": " << reason;
            }
        }
    }
}

// The counted bodies (ASCII PLY, OFF) of a regular file are read in runs on
// two cores: with lone CRs for line ends, with OFF faces of two corners
// (skipped), or cut short after a whole line among the vertices or the
// faces, they give what reading line by line (a pipe) gives: the model and
// the faces skipped, or the line after the last and the items read.
TEST(TextReaders, CountedBodiesInRunsGiveWhatReadingLineByLineGives)
{
    const GridTexts grid = gridTexts(340); // more than a run of lines (4 MB) as PLY and OFF
    const auto vertices = static_cast<long long>(grid.mesh.positions.size());
    const auto faces = static_cast<long long>(grid.mesh.faces.size());
    // The OFF grid with its first and last faces of two corners.
    std::string twoCorners = grid.off;
    const std::size_t lastFace = twoCorners.rfind('\n', twoCorners.size() - 2) + 1;
    twoCorners.replace(lastFace, twoCorners.size() - lastFace, "2 0 1\n");
    std::size_t firstFace = 0;
    for (long long line = 0; line < vertices + 2; ++line)
        firstFace = twoCorners.find('\n', firstFace) + 1;
    twoCorners.replace(firstFace, twoCorners.find('\n', firstFace) - firstFace, "2 3 4");
    const struct {
        const char* extension;
        const std::string& text;
        char lineEnd;
        double cutAt; // of the text, 0 for the whole
        uint64_t skipped;
    } rows[] = {
        {"ply", grid.ply, '\r', 0.0, 0},
        {"off", twoCorners, '\r', 0.0, 2},
        {"ply", grid.ply, '\r', 0.3, 0},
        {"off", grid.off, '\n', 0.9, 0},
    };
    for (const auto& row : rows) {
        const std::string what = std::string(row.extension) + (row.lineEnd == '\r' ? " with CR" : " with LF")
                                 + ", cut at " + std::to_string(row.cutAt);
        std::string text = row.text;
        if (row.cutAt > 0.0)
            text.resize(text.rfind('\n', static_cast<std::size_t>(static_cast<double>(text.size()) * row.cutAt)) + 1);
        const long long lines = std::count(text.begin(), text.end(), '\n');
        std::replace(text.begin(), text.end(), '\n', row.lineEnd);
        std::string inRuns;
        std::string byLine;
        LoadControl runsControl;
        LoadControl lineControl;
        ModelPtr model = loadText(text, row.extension, &inRuns, StreamKind::regularFile, &runsControl);
        ModelPtr expected = loadText(text, row.extension, &byLine, StreamKind::pipe, &lineControl);
        EXPECT_EQ(inRuns, byLine) << what;
        ASSERT_GT(text.size(), row.cutAt == 0.0 ? std::size_t{4} << 20 : std::size_t{1} << 20) << what;
        if (row.cutAt == 0.0) {
            ASSERT_NE(model, nullptr) << what << ": " << inRuns;
            ASSERT_NE(expected, nullptr) << what << ": " << byLine;
            expectSameModel(*model, *expected, what);
            EXPECT_EQ(runsControl.skippedFaces.load(), row.skipped) << what;
            EXPECT_EQ(lineControl.skippedFaces.load(), row.skipped) << what;
            continue;
        }
        EXPECT_EQ(model, nullptr) << what;
        const std::string header = row.extension[0] == 'p' ? plyHeader(vertices, faces) : "OFF\n1 1 0\n";
        const long long items = lines - std::count(header.begin(), header.end(), '\n');
        const std::string read = items < vertices
                                     ? std::to_string(items) + " of " + std::to_string(vertices) + " vertices"
                                     : std::to_string(items - vertices) + " of " + std::to_string(faces) + " faces";
        EXPECT_EQ(inRuns, "line " + std::to_string(lines + 1) + ": the file ends after " + read) << what;
    }
}

// A number beyond the integer range is quoted as the file writes it.
TEST(TextReaders, ReasonsQuoteNumbersAsWritten)
{
    const std::string obj = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    const std::string off = "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n";
    const struct {
        const char* extension;
        std::string text;
        const char* reason;
    } rows[] = {
        {"obj", obj + "f 1 2 4294967297\n", "line 4: corner index 4294967297 is outside 1..3"},
        {"obj", obj + "f 1 2 +02147483648/1\n", "line 4: corner index +02147483648 is outside 1..3"},
        {"obj", obj + "f 1 2 -4294967297\n", "line 4: corner index -4294967297 is outside -3..-1"},
        {"obj", obj + "f 1 -2147483648 2\n", "line 4: corner index -2147483648 is outside -3..-1"},
        {"obj", obj + "f 1 -99999999999\nf 1 2 -4294967297\n", "line 5: corner index -4294967297 is outside -3..-1"},
        {"off", off + "3 0 1 4294967296\n", "line 6: corner index 4294967296 is outside 0..2"},
        {"off", off + "3 0 1 -4294967296\n", "line 6: corner index -4294967296 is outside 0..2"},
        {"ply", plyHeader(3, 1) + "0 0 0\n1 0 0\n0 1 0\n3 0 1 4294967296\n",
         "line 13: corner index 4294967296 is outside 0..2"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(rejection(row.text, StreamKind::regularFile, row.extension), row.reason) << row.text;
}

// ------------------------------------------------------------------- STL

// A binary STL file: the header, the count (given, or the number of
// triangles) and the triangles, each with a zero normal and attribute.
std::string binaryStl(const std::vector<std::vector<float>>& triangles, const std::string& header = "binary",
                      long long count = -1)
{
    std::string bytes = header;
    bytes.resize(80, '\0');
    const auto n = static_cast<uint32_t>(count >= 0 ? count : static_cast<long long>(triangles.size()));
    bytes.append(reinterpret_cast<const char*>(&n), 4);
    for (const std::vector<float>& t : triangles) {
        bytes.append(12, '\0');
        bytes.append(reinterpret_cast<const char*>(t.data()), 36);
        bytes.append(2, '\0');
    }
    return bytes;
}

std::string asciiStl(const std::vector<std::vector<float>>& triangles, const char* name = "part")
{
    std::ostringstream text;
    text.precision(9);
    text << "solid " << name << "\n";
    for (const std::vector<float>& t : triangles) {
        text << "  facet normal 0 0 1\n    outer loop\n";
        for (int c = 0; c < 3; ++c)
            text << "      vertex " << t[3 * c] << ' ' << t[3 * c + 1] << ' ' << t[3 * c + 2] << '\n';
        text << "    endloop\n  endfacet\n";
    }
    text << "endsolid " << name << "\n";
    return text.str();
}

const std::vector<std::vector<float>> kStlTriangles = {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 0, 1, 0, 0, 1, 1, 0}};

TEST(StlReader, WeldsCornersAtOnePositionInOrderOfFirstUse)
{
    const Mesh degenerate = {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {1, 1, 2}}};
    const Mesh signedZero = {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}}, {{0, 1, 2}, {3, 1, 2}}};
    const std::vector<std::vector<float>> degenerateTriangles
        = {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {1, 0, 0, 1, 0, 0, 0, 1, 0}};
    const std::vector<std::vector<float>> zeros = {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {-0.0f, 0, 0, 1, 0, 0, 0, 1, 0}};
    const struct {
        std::string text;
        const Mesh& mesh;
    } rows[] = {
        {binaryStl(kStlTriangles), kTwoTriangles},
        {binaryStl(kStlTriangles, "solid part made by a CAD program facet"), kTwoTriangles},
        {binaryStl(kStlTriangles) + "spare", kTwoTriangles},
        {binaryStl(degenerateTriangles), degenerate},
        {binaryStl(zeros), signedZero},
        {asciiStl(kStlTriangles), kTwoTriangles},
        {asciiStl({kStlTriangles[0]}, "a") + asciiStl({kStlTriangles[1]}, "b"), kTwoTriangles},
        {"SOLID x\r\nFACET NORMAL 0 0 0\r\nOUTER LOOP\r\nVERTEX 0 0 0\r\nVERTEX 1 0 0\r\nVERTEX 0 1 0\r\nENDLOOP\r\n"
         "ENDFACET\r\nENDSOLID x\r\n",
         kTriangle},
        {"solid empty\nendsolid empty\n", Mesh{}},
    };
    for (const auto& row : rows)
        expectLoadsAs(row.text, "stl", row.mesh);
}

TEST(StlReader, LargeBinaryFileWeldsAsAStreamDoes)
{
    // A grid of 300 x 150 squares, the rows in a shuffled order, so that
    // first uses come in no simple order: read from a file (welded on two
    // cores) and from a stream (one), the models are the same.
    std::vector<std::vector<float>> triangles;
    for (int row = 0; row < 150; ++row) {
        const auto y = static_cast<float>((row * 37) % 150);
        for (int x = 0; x < 300; ++x) {
            const auto fx = static_cast<float>(x);
            triangles.push_back({fx, y, 0, fx + 1, y, 0, fx, y + 1, 0});
            triangles.push_back({fx, y + 1, 0, fx + 1, y, 0, fx + 1, y + 1, 0.5f});
        }
    }
    const std::string bytes = binaryStl(triangles);
    std::string reason;
    ModelPtr fromFile = loadText(bytes, "stl", &reason, StreamKind::regularFile);
    ASSERT_NE(fromFile, nullptr) << reason;
    ModelPtr fromStream = loadText(bytes, "stl", &reason, StreamKind::pipe);
    ASSERT_NE(fromStream, nullptr) << reason;
    EXPECT_EQ(fromFile->vertexCount, 301u * 150u + 300u + 300u * 150u);
    expectSameModel(*fromFile, *fromStream, "binary STL");

    // The first facet with a coordinate that is not finite is the one named,
    // wherever its corners are welded.
    triangles[70000][4] = std::numeric_limits<float>::infinity();
    triangles[80000][0] = std::numeric_limits<float>::quiet_NaN();
    for (StreamKind kind : {StreamKind::regularFile, StreamKind::pipe}) {
        EXPECT_EQ(loadText(binaryStl(triangles), "stl", &reason, kind), nullptr);
        EXPECT_EQ(reason, "facet 70001: a coordinate is not finite");
    }
}

TEST(StlReader, RefusesFaultsNamingTheFacet)
{
    const std::vector<std::vector<float>> infinite = {kStlTriangles[0], {0, 1, 0, 1, 0, 0, 1, INFINITY, 0}};
    const struct {
        std::string text;
        const char* reason;
    } rows[] = {
        {binaryStl(infinite), "facet 2: a coordinate is not finite"},
        {binaryStl(kStlTriangles, "x", 2000), "the file ends in triangle 3 of 2000"},
        {asciiStl(infinite), "facet 2: a coordinate is not finite"},
        {"solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0\n",
         "facet 1: a vertex needs three numbers x y z"},
        {"solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nendloop\nendfacet\n",
         "facet 1: a facet needs three corners, this one has 2"},
        {asciiStl(kStlTriangles).substr(0, 200), "facet 2: the file ends inside the facet"},
        {"solid x\nfacet normal 0 0 1\nbogus\n", "line 3: \"bogus\" is not an STL keyword"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(rejection(row.text, StreamKind::regularFile, "stl"), row.reason);
}

TEST(StlReader, EveryTruncationOfABinaryFileNamesWhereItEnds)
{
    for (const char* header : {"binary", "solid made by a program"}) {
        const std::string whole = binaryStl(kStlTriangles, header);
        for (std::size_t size = 0; size < whole.size(); ++size) {
            for (StreamKind kind : {StreamKind::regularFile, StreamKind::pipe}) {
                const std::string reason = rejection(whole.substr(0, size), kind, "stl");
                const std::string expected
                    = size < 84 ? "the file ends in its 84-byte header"
                                : "the file ends in triangle " + std::to_string((size - 84) / 50 + 1) + " of 2";
                EXPECT_EQ(reason, expected) << header << ", " << size << " bytes";
            }
        }
    }
}

// ------------------------------------------------------------------- OFF

TEST(OffReader, ReadsHeadersCountsCommentsAndColours)
{
    const struct {
        const char* text;
        const Mesh& mesh;
        uint64_t skipped;
    } rows[] = {
        {"OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", kTriangle, 0},
        {"OFF 3 1 3\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2 255 0 0\n", kTriangle, 0},
        {"# a triangle\r\nOFF\r\n\r\n# counts\r\n3 1\r\n0 0 0 # first\r\n1 0 0\r\n\r\n0 1 0\r\n3 0 1 2\r\n", kTriangle,
         0},
        {"NOFF\n3 1 0\n0 0 0 0 0 1\n1 0 0 0 0 1\n0 1 0 0 0 1\n3 0 1 2\n", kTriangle, 0},
        {"OFF\n3 3 0\n0 0 0\n1 0 0\n0 1 0\n2 0 1\n3 0 1 2\n1 2\n", kTriangle, 2},
        {"OFF\n3 0 0\n0 0 0\n2 0 0\n0 0 1\n", kPoints, 0},
    };
    for (const auto& row : rows)
        expectLoadsAs(row.text, "off", row.mesh, row.skipped);
    for (const char* text :
         {"COFF\n3 1 0\n0 0 0 255 0 0 255\n1 0 0 0 51 255 255\n0 1 0 0 0 0 0\n3 0 1 2\n",
          "CNOFF\n3 1 0\n0 0 0 0 0 1 1 0 0 1\n1 0 0 0 0 1 0 0.2 1 1\n0 1 0 0 0 1 0 0 0 1\n3 0 1 2\n"}) {
        ModelPtr model = loadText(text, "off");
        ASSERT_NE(model, nullptr) << text;
        ASSERT_NE(model->colours, nullptr) << text;
        const float expected[] = {1, 0, 0, 0, 0.2f, 1, 0, 0, 0};
        for (int i = 0; i < 9; ++i)
            EXPECT_FLOAT_EQ(model->colours[i], expected[i]) << text << i;
    }
}

// Face colours: PLY red, green, blue on the face element (before or after
// the corners, uchar or float, ASCII or binary) and OFF colours after a
// face's indices; a face of a coloured file given none is marked so.
TEST(FaceColours, ReadFromPlyAndOffFaces)
{
    const std::string vertices = "element vertex 4\nproperty float x\nproperty float y\nproperty float z\n";
    const std::string ascii = "ply\nformat ascii 1.0\n" + vertices;
    const char* const square = "0 0 0\n1 0 0\n1 1 0\n0 1 0\n";
    const std::string list = "property list uchar int vertex_indices\n";
    std::string binary[2];
    for (bool bigEndian : {false, true}) {
        BinaryPly ply(bigEndian, vertices + "element face 2\nproperty float red\n" + list
                                     + "property float green\nproperty float blue\n");
        for (float v : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 1.f, 1.f, 0.f, 0.f, 1.f, 0.f})
            ply.put(v);
        ply.put(0.5f).put(uint8_t{3}).put(0).put(1).put(2).put(0.25f).put(1.0f);
        ply.put(0.0f).put(uint8_t{3}).put(0).put(2).put(3).put(2.0f).put(-1.0f);
        binary[bigEndian ? 1 : 0] = ply.text();
    }
    const float none = kNoFaceColour;
    const struct {
        std::string text;
        const char* extension;
        std::vector<float> expected; // empty: no face colours
    } rows[] = {
        {ascii + "element face 2\n" + list + "property uchar red\nproperty uchar green\nproperty uchar blue\n"
             + "end_header\n" + square + "3 0 1 2 255 0 51\n3 0 2 3 0 255 102 extra\n",
         "ply",
         {1, 0, 0.2f, 0, 1, 0.4f}},
        {ascii + "element face 2\nproperty float blue\nproperty float green\nproperty float red\n" + list
             + "end_header\n" + square + "0.75 0.5 0.25 3 0 1 2\n0 1 2 3 0 2 3\n",
         "ply",
         {0.25f, 0.5f, 0.75f, 1, 1, 0}},
        {binary[0], "ply", {0.5f, 0.25f, 1, 0, 1, 0}},
        {binary[1], "ply", {0.5f, 0.25f, 1, 0, 1, 0}},
        {ascii + "element face 2\n" + list + "end_header\n" + square + "3 0 1 2\n3 0 2 3\n", "ply", {}},
        {std::string("OFF\n4 2 0\n") + square + "3 0 1 2 255 0 51\n3 0 2 3\n", "off", {1, 0, 0.2f, none, none, none}},
        {std::string("OFF\n4 2 0\n") + square + "3 0 1 2 0.5 0.25 1 0.5\n3 0 2 3 1 1 1 # white\n",
         "off",
         {0.5f, 0.25f, 1, 1, 1, 1}},
        {std::string("OFF\n4 2 0\n") + square + "3 0 1 2\n3 0 2 3 7\n", "off", {}},
    };
    for (const auto& row : rows) {
        for (StreamKind kind : {StreamKind::regularFile, StreamKind::pipe}) {
            std::string reason;
            ModelPtr model = loadText(row.text, row.extension, &reason, kind);
            ASSERT_NE(model, nullptr) << row.text << reason;
            ASSERT_EQ(model->faceCount, 2u) << row.text;
            if (row.expected.empty()) {
                EXPECT_EQ(model->faceColours, nullptr) << row.text;
                continue;
            }
            ASSERT_NE(model->faceColours, nullptr) << row.text;
            for (std::size_t i = 0; i < 6; ++i)
                EXPECT_FLOAT_EQ(model->faceColours[i], row.expected[i]) << row.text << " channel " << i;
        }
    }
}

TEST(OffReader, RefusesFaultsNamingTheLine)
{
    const struct {
        const char* text;
        const char* reason;
    } rows[] = {
        {"PLY\n3 1 0\n", "line 1: the file does not begin with OFF, COFF, NOFF or CNOFF"},
        {"OFF\n3\n", "line 2: the header needs the vertex and face counts"},
        {"OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 12\n", "line 6: corner index 12 is outside 0..2"},
        {"OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 -1 2\n", "line 6: corner index -1 is outside 0..2"},
        {"OFF\n3 1 0\n0 0 0\n1 0 nan\n0 1 0\n3 0 1 2\n", "line 4: a vertex coordinate is not a finite number"},
        {"OFF\n3 1 0\n0 0 0\n1 0\n0 1 0\n3 0 1 2\n", "line 4: a vertex line needs three numbers x y z"},
        {"OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1\n", "line 6: the face line has 2 of its 3 corner indices"},
        {"OFF\n3 2 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", "line 7: the file ends after 1 of 2 faces"},
        {"OFF\n300 200 0\n0 0 0\n",
         "line 2: the header declares 300 vertices and 200 faces, more than the rest of the file holds"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(rejection(row.text, StreamKind::regularFile, "off"), row.reason);
}

// --------------------------------------------------------- every format

TEST(LoadModel, ChoosesTheReaderByExtensionInAnyLetterCase)
{
    const struct {
        const char* extension;
        std::string text;
    } rows[] = {
        {"obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"},
        {"OBJ", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"},
        {"Stl", binaryStl({kStlTriangles[0]})},
        {"STL", asciiStl({kStlTriangles[0]})},
        {"off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n"},
        {"oFF", "OFF 3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n"},
    };
    for (const auto& row : rows)
        expectLoadsAs(row.text, row.extension, kTriangle);
}

// Where a file starts and what it holds: OFF headers after blanks and with
// their counts joined to the word, the kinds of STL, binary STL counts that
// are not the file's, and a file read by its content whatever its extension
// says, with the note that says so.
TEST(LoadModel, ReadsWhatTheFileHoldsWithANoteWhenItsNameSaysOtherwise)
{
    const std::string ply = plyHeader(3, 1) + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    const std::string off = "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    const std::string stl = asciiStl({kStlTriangles[0]});
    std::string stlCr = stl;
    std::replace(stlCr.begin(), stlCr.end(), '\n', '\r');
    const std::string solidHeader = "solid part\nfacet normal 0 0 1\nouter loop";
    const struct {
        std::string bytes;
        const char* extension;
        uint32_t vertices;
        uint32_t faces;
        const char* reason; // empty: the file gives a model
        const char* note;
    } rows[] = {
        {"OFF3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", "off", 3, 1, "", ""},
        {"\t OFF3 1 3\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", "off", 3, 1, "", ""},
        {"  NOFF 3 1\n0 0 0 0 0 1\n1 0 0 0 0 1\n0 1 0 0 0 1\n3 0 1 2\n", "off", 3, 1, "", ""},
        {"CNOFF\r\n3 1 0\r\n0 0 0 0 0 1 1 0 0\r\n1 0 0 0 0 1 1 0 0\r\n0 1 0 0 0 1 1 0 0\r\n3 0 1 2\r\n", "off", 3, 1,
         "", ""},
        {"OFFX 3 1\n", "off", 0, 0, "line 1: the file does not begin with OFF, COFF, NOFF or CNOFF", ""},
        {" \t" + stl, "stl", 3, 1, "", ""},
        {"\xEF\xBB\xBF" + stl, "stl", 3, 1, "", ""},
        {"\n\r\n  \n" + stl, "stl", 3, 1, "", ""},
        {stlCr, "stl", 3, 1, "", ""},
        {asciiStl({kStlTriangles[0]}, "a") + "\n" + asciiStl({kStlTriangles[1]}, "b"), "stl", 4, 2, "", ""},
        {binaryStl(kStlTriangles, solidHeader), "stl", 4, 2, "", ""},
        {binaryStl(kStlTriangles, "binary", 0), "stl", 0, 0, "", "the file holds 2 triangles more than its count"},
        {binaryStl(kStlTriangles, solidHeader, 1) + "spare", "stl", 0, 0, "facet 1: the file ends inside the facet",
         ""},
        {binaryStl(kStlTriangles, "binary", 1) + "spare", "stl", 3, 1, "",
         "the file holds 1 triangle more than its count"},
        {binaryStl(kStlTriangles, "binary", 3), "stl", 0, 0, "the file ends in triangle 3 of 3", ""},
        {ply, "obj", 3, 1, "", "read as PLY: the file is named .obj"},
        {"ply\r\n" + ply.substr(4), "STL", 3, 1, "", "read as PLY: the file is named .STL"},
        {off, "obj", 3, 1, "", "read as OFF: the file is named .obj"},
        {"COFF3 1\n0 0 0 1 0 0\n1 0 0 1 0 0\n0 1 0 1 0 0\n3 0 1 2\n", "stl", 3, 1, "",
         "read as OFF: the file is named .stl"},
        {stl, "off", 3, 1, "", "read as STL: the file is named .off"},
        {binaryStl(kStlTriangles, solidHeader), "Obj", 4, 2, "", "read as STL: the file is named .Obj"},
        {"\t" + off, "ply", 3, 1, "", "read as OFF: the file is named .ply"},
        {ply, "ply", 3, 1, "", ""},
        {off, "OFF", 3, 1, "", ""},
        {stl, "Stl", 3, 1, "", ""},
        {"OFFICE 3 1\n", "off", 0, 0, "line 1: the file does not begin with OFF, COFF, NOFF or CNOFF", ""},
        {ply, "dat", 0, 0, "no reader for this file type", ""},
    };
    for (const auto& row : rows) {
        const std::string what = std::string(row.extension) + ": " + row.bytes.substr(0, 40);
        std::string reason;
        LoadControl control;
        ModelPtr model = loadText(row.bytes, row.extension, &reason, StreamKind::regularFile, &control);
        EXPECT_EQ(reason, row.reason) << what;
        EXPECT_EQ(control.note, row.note) << what;
        if (*row.reason != '\0') {
            EXPECT_EQ(model, nullptr) << what;
            continue;
        }
        if (model == nullptr) {
            ADD_FAILURE() << what << ": no model";
            continue;
        }
        EXPECT_EQ(model->vertexCount, row.vertices) << what;
        EXPECT_EQ(model->faceCount, row.faces) << what;
    }
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(Samples, TorusInEveryFormatIsTheSameModel)
{
    const std::string dir = std::string(BRENVIK_SAMPLES_DIR) + "/";
    ModelPtr ply = loadText(readFile(dir + "torus.ply"), "ply");
    ASSERT_NE(ply, nullptr);
    for (const char* name : {"torus.obj", "torus.off", "torus_binary.stl", "torus_ascii.stl"}) {
        std::string reason;
        const char* extension = std::strrchr(name, '.') + 1;
        ModelPtr model = loadText(readFile(dir + name), extension, &reason);
        ASSERT_NE(model, nullptr) << name << ": " << reason;
        if (std::strcmp(extension, "stl") != 0) {
            expectSameModel(*model, *ply, name);
            continue;
        }
        // Each quad (a, b, c, d) is the triangles (a, b, c) and (a, c, d),
        // their corners welded back into the torus's vertices.
        ASSERT_EQ(model->faceCount, 2 * ply->faceCount) << name;
        ASSERT_EQ(model->vertexCount, ply->vertexCount) << name;
        for (uint32_t f = 0; f < ply->faceCount; ++f) {
            const MeshFace& quad = ply->faces[f];
            const MeshVertex* expected[6] = {quad.vertices[0], quad.vertices[1], quad.vertices[2],
                                             quad.vertices[0], quad.vertices[2], quad.vertices[3]};
            for (int c = 0; c < 6; ++c) {
                const Vector3& a = model->faces[2 * f + c / 3].vertices[c % 3]->position;
                const Vector3& b = expected[c]->position;
                ASSERT_TRUE(std::abs(a.x - b.x) < 1e-6 && std::abs(a.y - b.y) < 1e-6 && std::abs(a.z - b.z) < 1e-6)
                    << name << ": face " << f;
            }
        }
    }
}

// Debian's assimp (assimp-utils) writes the torus as OBJ and as both kinds
// of STL; each loads with the torus's counts.
TEST(OtherPrograms, FilesWrittenByAssimpLoadWithTheRightCounts)
{
    if (std::system("command -v assimp > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "assimp (Debian's assimp-utils) is not installed";
    ScratchFolder folder("brenvik-formats");
    const std::string torus = std::string(BRENVIK_SAMPLES_DIR) + "/torus.ply";
    const struct {
        const char* name;
        const char* format;
        uint32_t vertices;
        uint32_t faces;
    } rows[]
        = {{"torus.obj", "objnomtl", 1152, 1152}, {"torus.stl", "stlb", 1152, 2304}, {"TORUS.STL", "stl", 1152, 2304}};
    for (const auto& row : rows) {
        const std::string path = (folder.path() / row.name).string();
        const std::string command
            = "assimp export '" + torus + "' '" + path + "' -f" + row.format + " > /dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        std::string reason;
        ModelPtr model = loadText(readFile(path), std::strrchr(row.name, '.') + 1, &reason);
        ASSERT_NE(model, nullptr) << row.name << ": " << reason;
        EXPECT_EQ(model->vertexCount, row.vertices) << row.name;
        EXPECT_EQ(model->faceCount, row.faces) << row.name;
    }
}

} // namespace
