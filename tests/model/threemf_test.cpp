// The 3MF reader: packages made here with libzip, each rule a table of
// tiny packages compared with the PLY file of the mesh they place; colours;
// and the faults, with where they are.

#ifdef BRENVIK_SCENE_FORMATS

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <zip.h>

#include "model/loadcontrol.h"
#include "model/meshmodel.h"
#include "model/modelunit.h"
#include "tests/support/modeltestsupport.h"

namespace {

using Parts = std::vector<std::pair<std::string, std::string>>; // name in the zip, contents

// A zip archive of the parts, in memory, stored or deflated.
std::string package(const Parts& parts, bool deflate = true)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(buffer);
    zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    for (const auto& part : parts) {
        zip_source_t* data = zip_source_buffer(archive, part.second.data(), part.second.size(), 0);
        const zip_int64_t index = zip_file_add(archive, part.first.c_str(), data, ZIP_FL_OVERWRITE);
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
    }
    zip_close(archive);
    zip_stat_t stat;
    zip_source_stat(buffer, &stat);
    std::string bytes(stat.size, '\0');
    zip_source_open(buffer);
    zip_source_read(buffer, &bytes[0], stat.size);
    zip_source_close(buffer);
    zip_source_free(buffer);
    zip_error_fini(&error);
    return bytes;
}

// The package with the part's size in the central directory replaced.
std::string withDeclaredSize(std::string bytes, uint32_t size)
{
    const std::size_t entry = bytes.rfind("PK\1\2", bytes.rfind("PK\5\6"));
    for (int i = 0; i < 4; ++i)
        bytes[entry + 24 + static_cast<std::size_t>(i)] = static_cast<char>(size >> (8 * i));
    return bytes;
}

const char* const kCore = "http://schemas.microsoft.com/3dmanufacturing/core/2015/02";
const char* const kRootRelations
    = R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Target="/3D/3dmodel.model" Id="rel0" Type="http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel"/></Relationships>)";

std::string modelPart(const std::string& resources, const std::string& build, const std::string& ns = kCore)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<model unit=\"millimeter\" xmlns=\"" + ns
           + "\" xmlns:p=\"http://schemas.microsoft.com/3dmanufacturing/production/2015/06\">\n<resources>\n"
           + resources + "</resources>\n<build>\n" + build + "</build>\n</model>\n";
}

// A tetrahedron: (0,0,0) (1,0,0) (0,2,0) (0,0,3); `extra` goes into the
// object's tag, `triangleExtra` into its triangles' tags in turn.
std::string tetra(int id, const std::string& extra = "", const std::vector<std::string>& triangleExtra = {})
{
    const char* const triangles[] = {"v1=\"0\" v2=\"2\" v3=\"1\"", "v1=\"0\" v2=\"1\" v3=\"3\"",
                                     "v1=\"0\" v2=\"3\" v3=\"2\"", "v1=\"1\" v2=\"2\" v3=\"3\""};
    std::string text
        = "<object id=\"" + std::to_string(id) + "\" type=\"model\" " + extra
          + "><mesh><vertices>\n<vertex x=\"0\" y=\"0\" z=\"0\"/>\n<vertex x=\"1\" y=\"0\" z=\"0\"/>\n"
            "<vertex x=\"0\" y=\"2\" z=\"0\"/>\n<vertex x=\"0\" y=\"0\" z=\"3\"/>\n</vertices><triangles>\n";
    for (std::size_t i = 0; i < 4; ++i)
        text += std::string("<triangle ") + triangles[i] + " " + (i < triangleExtra.size() ? triangleExtra[i] : "")
                + "/>\n";
    return text + "</triangles></mesh></object>\n";
}

// The tetrahedron's corners with a map applied, once per map, as PLY.
std::string tetraPly(const std::vector<std::vector<double>>& maps)
{
    const double corners[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 2, 0}, {0, 0, 3}};
    const int faces[4][3] = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
    std::ostringstream text;
    text.precision(17);
    text << plyHeader(4 * static_cast<long long>(maps.size()), 4 * static_cast<long long>(maps.size()));
    for (const std::vector<double>& m : maps) {
        for (const auto& p : corners)
            text << p[0] * m[0] + p[1] * m[3] + p[2] * m[6] + m[9] << ' '
                 << p[0] * m[1] + p[1] * m[4] + p[2] * m[7] + m[10] << ' '
                 << p[0] * m[2] + p[1] * m[5] + p[2] * m[8] + m[11] << '\n';
    }
    for (std::size_t n = 0; n < maps.size(); ++n) {
        for (const auto& f : faces)
            text << "3 " << f[0] + 4 * n << ' ' << f[1] + 4 * n << ' ' << f[2] + 4 * n << '\n';
    }
    return text.str();
}

const std::vector<double> kIdentity = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};

TEST(ThreeMfReader, PlacesEveryItemAndComponentWithItsComposedTransform)
{
    const std::string other = "3D/Objects/other.model";
    const struct Row {
        const char* what;
        Parts parts;
        std::string expectedPly;
    } rows[] = {
        {"items, one turned, stretched and moved",
         {{"3D/3dmodel.model", modelPart(tetra(1), "<item objectid=\"1\"/><item objectid=\"1\" "
                                                   "transform=\"0 1 0 -1 0 0 0 0 2 10 0 0\"/>")}},
         tetraPly({kIdentity, {0, 1, 0, -1, 0, 0, 0, 0, 2, 10, 0, 0}})},
        {"components: the component's transform first, then the item's",
         {{"3D/3dmodel.model",
           modelPart(tetra(1)
                         + "<object id=\"2\"><components><component objectid=\"1\" transform=\"1 0 0 0 1 0 0 0 1 "
                           "5 0 0\"/><component objectid=\"1\"/></components></object>",
                     "<item objectid=\"2\" transform=\"2 0 0 0 2 0 0 0 2 0 0 1\"/>")}},
         tetraPly({{2, 0, 0, 0, 2, 0, 0, 0, 2, 10, 0, 1}, {2, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 1}})},
        {"components two deep",
         {{"3D/3dmodel.model",
           modelPart(tetra(1)
                         + "<object id=\"2\"><components><component objectid=\"1\" transform=\"1 0 0 0 1 0 0 0 1 0 "
                           "3 0\"/></components></object><object id=\"3\"><components><component objectid=\"2\" "
                           "transform=\"0 1 0 -1 0 0 0 0 1 0 0 0\"/><component objectid=\"1\"/></components></object>",
                     "<item objectid=\"3\"/>")}},
         tetraPly({{0, 1, 0, -1, 0, 0, 0, 0, 1, -3, 0, 0}, kIdentity})},
        {"an object in another part, by component and by item",
         {{"3D/3dmodel.model",
           modelPart("<object id=\"1\"><mesh><vertices><vertex x=\"0\" y=\"0\" z=\"0\"/></vertices></mesh></object>"
                     "<object id=\"5\"><components><component p:path=\"/"
                         + other + "\" objectid=\"1\" transform=\"1 0 0 0 1 0 0 0 1 0 0 7\"/></components></object>",
                     "<item objectid=\"5\"/><item p:path=\"/" + other + "\" objectid=\"1\"/>")},
          {other, modelPart(tetra(1), "")}},
         tetraPly({{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 7}, kIdentity})},
        {"element names with a prefix",
         {{"3D/3dmodel.model",
           "<m:model xmlns:m=\"" + std::string(kCore)
               + "\"><m:resources><m:object id=\"4\"><m:mesh><m:vertices><m:vertex x=\"0\" y=\"0\" z=\"0\"/><m:vertex "
                 "x=\"1\" y=\"0\" z=\"0\"/><m:vertex x=\"0\" y=\"2\" z=\"0\"/><m:vertex x=\"0\" y=\"0\" "
                 "z=\"3\"/></m:vertices><m:triangles><m:triangle v1=\"0\" v2=\"2\" v3=\"1\"/><m:triangle v1=\"0\" "
                 "v2=\"1\" v3=\"3\"/><m:triangle v1=\"0\" v2=\"3\" v3=\"2\"/><m:triangle v1=\"1\" v2=\"2\" "
                 "v3=\"3\"/></m:triangles></m:mesh></m:object></m:resources><m:build><m:item "
                 "objectid=\"4\"/></m:build></m:model>"}},
         tetraPly({kIdentity})},
        {"the 0.93 draft namespace, the unit in inches, no relationships part",
         {{"3D/3dmodel.model",
           modelPart(tetra(1), "<item objectid=\"1\"/>", "http://schemas.microsoft.com/3dmanufacturing/2013/01")}},
         tetraPly({kIdentity})},
        {"a root part the relationships name, leading '/' left out",
         {{"_rels/.rels", "<Relationships><Relationship Target=\"3D/main.model\" Type=\"http://schemas.microsoft.com/"
                          "3dmanufacturing/2013/01/3dmodel\"/></Relationships>"},
          {"3D/main.model", modelPart(tetra(1), "<item objectid=\"1\"/>")},
          {"3D/3dmodel.model", "not XML"}},
         tetraPly({kIdentity})},
        {"names stored with their leading '/', in another letter case",
         {{"/3D/3DModel.model", modelPart(tetra(1), "<item objectid=\"1\"/>")}},
         tetraPly({kIdentity})},
        {"no build items: nothing to draw", {{"3D/3dmodel.model", modelPart(tetra(1), "")}}, tetraPly({})},
    };
    for (const Row& row : rows) {
        const ModelPtr expected = loadPlyText(row.expectedPly);
        ASSERT_NE(expected, nullptr) << row.what;
        for (const bool deflate : {false, true}) {
            for (const StreamKind kind : {StreamKind::regularFile, StreamKind::memory}) {
                Parts parts = row.parts;
                if (parts[0].first != "_rels/.rels")
                    parts.insert(parts.begin(), {"_rels/.rels", kRootRelations});
                std::string reason;
                const ModelPtr got = loadText(package(parts, deflate), "3mf", &reason, kind);
                ASSERT_NE(got, nullptr) << row.what << ": " << reason;
                expectSameModel(*got, *expected, row.what, 1e-9);
            }
        }
    }
}

// The model's unit is the root part's; millimetres when it names none, and
// none for a name 3MF does not have.
TEST(ThreeMfReader, TheModelKeepsTheRootPartsUnit)
{
    const struct {
        const char* attribute;
        ModelUnit unit;
    } rows[] = {{"unit=\"millimeter\"", ModelUnit::millimeter},
                {"", ModelUnit::millimeter},
                {"unit=\"inch\"", ModelUnit::inch},
                {"unit=\"micron\"", ModelUnit::micron},
                {"unit=\"meter\"", ModelUnit::meter},
                {"unit=\"furlong\"", ModelUnit::none}};
    for (const auto& row : rows) {
        std::string part = modelPart(tetra(1), "<item objectid=\"1\"/>");
        part.replace(part.find("unit=\"millimeter\""), std::strlen("unit=\"millimeter\""), row.attribute);
        std::string reason;
        const ModelPtr model
            = loadText(package({{"_rels/.rels", kRootRelations}, {"3D/3dmodel.model", part}}), "3mf", &reason);
        ASSERT_NE(model, nullptr) << row.attribute << ": " << reason;
        EXPECT_EQ(model->unit, row.unit) << row.attribute;
    }
}

TEST(ThreeMfReader, ReadsTagsAndLinesCutByTheEndOfABlock)
{
    // The part is inflated a megabyte at a time: a comment of line ends puts
    // the tags and the faulty triangle across that boundary at every offset.
    const std::string good = tetra(1);
    const std::string faulty = "<object id=\"3\" name=\"Part\"><mesh><vertices><vertex x=\"0\" y=\"0\" z=\"0\"/>"
                               "<vertex x=\"1\" y=\"0\" z=\"0\"/></vertices><triangles>\n<triangle v1=\"0\" "
                               "v2=\"1\" v3=\"2\"/>\n</triangles></mesh></object>";
    const ModelPtr expected = loadPlyText(tetraPly({kIdentity}));
    for (std::size_t shift = 0; shift < 400; shift += 41) {
        const std::size_t lineEnds = (std::size_t{1} << 20) - 300 + shift;
        const std::string comment = "<!--" + std::string(lineEnds, '\n') + "-->";
        std::string reason;
        const ModelPtr model
            = loadText(package({{"3D/3dmodel.model", modelPart(comment + good, "<item objectid=\"1\"/>")}}, false),
                       "3mf", &reason);
        ASSERT_NE(model, nullptr) << shift << ": " << reason;
        expectSameModel(*model, *expected, "shifted by " + std::to_string(shift), 1e-9);
        EXPECT_EQ(loadText(package({{"3D/3dmodel.model", modelPart(comment + faulty, "")}}, false), "3mf", &reason),
                  nullptr);
        EXPECT_EQ(reason, "/3D/3dmodel.model, line " + std::to_string(lineEnds + 5)
                              + ": object 3 (\"Part\"), triangle 0: vertex 2 is outside 0..1");
    }
}

TEST(ThreeMfReader, ColoursFacesFromTheirOwnPropertyOrTheirObjects)
{
    const std::string groups = "<basematerials id=\"2\"><base name=\"red\" displaycolor=\"#FF0000\"/><base "
                               "name=\"green\" displaycolor=\"#00FF0080\"/></basematerials><colorgroup id=\"3\"><color "
                               "color=\"#0000FF\"/><color color=\"#336699FF\"/></colorgroup><texture2dgroup id=\"4\" "
                               "texid=\"9\"><tex2coord u=\"0\" v=\"0\"/></texture2dgroup>";
    const float red[3] = {1, 0, 0}, green[3] = {0, 1, 0}, blue[3] = {0, 0, 1};
    const float slate[3] = {0x33 / 255.0f, 0x66 / 255.0f, 0x99 / 255.0f};
    const float none[3] = {kNoFaceColour, kNoFaceColour, kNoFaceColour};
    const struct Row {
        const char* what;
        std::string object;
        std::vector<const float*> expected; // empty: no face colours
    } rows[] = {
        {"the object's base material for every face", tetra(1, "pid=\"2\" pindex=\"1\""), {green, green, green, green}},
        {"a triangle's own entry of the object's group",
         tetra(1, "pid=\"2\" pindex=\"1\"", {"p1=\"0\"", "", "pid=\"2\" p1=\"1\"", ""}),
         {red, green, green, green}},
        {"colour groups by triangle, faces without one left uncoloured",
         tetra(1, "", {"pid=\"3\" p1=\"1\"", "", "pid=\"3\" p1=\"0\" p2=\"1\" p3=\"1\"", "pid=\"2\" p1=\"0\""}),
         {slate, none, blue, red}},
        {"a texture group gives no colour",
         tetra(1, "pid=\"4\" pindex=\"0\"", {"", "pid=\"3\" p1=\"0\""}),
         {none, blue, none, none}},
        {"no properties: no face colours", tetra(1), {}},
    };
    for (const Row& row : rows) {
        std::string reason;
        const ModelPtr model = loadText(
            package({{"3D/3dmodel.model", modelPart(groups + row.object, "<item objectid=\"1\"/>")}}), "3mf", &reason);
        ASSERT_NE(model, nullptr) << row.what << ": " << reason;
        if (row.expected.empty()) {
            EXPECT_EQ(model->faceColours, nullptr) << row.what;
            continue;
        }
        ASSERT_NE(model->faceColours, nullptr) << row.what;
        for (std::size_t f = 0; f < row.expected.size(); ++f) {
            for (int c = 0; c < 3; ++c)
                EXPECT_FLOAT_EQ(model->faceColours[3 * f + c], row.expected[f][c]) << row.what << ", face " << f;
        }
    }
}

TEST(ThreeMfReader, RefusesFaultsSayingWhere)
{
    const std::string keyStore = "<keystore><resourcedata path=\"/3D/3dmodel.model\"><accessright/></resourcedata>"
                                 "</keystore>";
    const struct Row {
        const char* what;
        std::string bytes;
        const char* reason;
    } rows[] = {
        {"an index beyond the vertices",
         package({{"3D/3dmodel.model",
                   modelPart("<object id=\"3\" name=\"Part\"><mesh><vertices><vertex x=\"0\" y=\"0\" z=\"0\"/><vertex "
                             "x=\"1\" y=\"0\" z=\"0\"/><vertex x=\"0\" y=\"1\" z=\"0\"/></vertices><triangles>\n"
                             "<triangle v1=\"0\" v2=\"1\" v3=\"2\"/>\n<triangle v1=\"0\" v2=\"1\" v3=\"57\"/>\n"
                             "</triangles></mesh></object>",
                             "<item objectid=\"3\"/>")}}),
         "/3D/3dmodel.model, line 6: object 3 (\"Part\"), triangle 1: vertex 57 is outside 0..2"},
        {"a component cycle",
         package({{"3D/3dmodel.model",
                   modelPart("<object id=\"1\"><components>\n<component objectid=\"2\"/></components></object>\n"
                             "<object id=\"2\"><components>\n<component objectid=\"1\"/></components></object>",
                             "<item objectid=\"1\"/>")}}),
         "/3D/3dmodel.model, line 7: object 1 holds itself through its components"},
        {"a missing object",
         package({{"3D/3dmodel.model", modelPart(tetra(1), "<item objectid=\"1\"/>\n<item "
                                                           "objectid=\"9\"/>")}}),
         "/3D/3dmodel.model, line 18: build item 1 names object 9, which /3D/3dmodel.model does not hold"},
        {"an object in a part the package lacks",
         package({{"3D/3dmodel.model", modelPart("", "<item p:path=\"/3D/gone.model\" objectid=\"1\"/>")}}),
         "/3D/3dmodel.model, line 6: build item 0 names object 1, which /3D/gone.model does not hold"},
        {"XML that is not well-formed",
         package({{"3D/3dmodel.model", "<model>\n<resources>\n<object id=\"1\">\n</resources>\n</model>\n"}}),
         "/3D/3dmodel.model, line 4, column 1: mismatched tag"},
        {"a part cut short", package({{"3D/3dmodel.model", "<model>\n<resources>\n<object id=\"1\" "}}),
         "/3D/3dmodel.model, line 3, column 1: unclosed token"},
        {"a document type declaration",
         package({{"3D/3dmodel.model", "<!DOCTYPE model [<!ENTITY a \"b\">]>\n<model/>"}}),
         "/3D/3dmodel.model, line 1, column 1: a document type declaration is not allowed"},
        {"an entity in a name, and an index beyond the vertices",
         package({{"3D/3dmodel.model", modelPart("<object id=\"7\" name=\"A &amp; &#x42;\"><mesh><vertices/><triangles>"
                                                 "<triangle v1=\"0\" v2=\"0\" v3=\"0\"/></triangles></mesh></object>",
                                                 "")}}),
         "/3D/3dmodel.model, line 4: object 7 (\"A & B\"), triangle 0: vertex 0 is outside the object, which has no "
         "vertices"},
        {"a vertex that is no number",
         package({{"3D/3dmodel.model", modelPart("<object id=\"1\"><mesh><vertices>\n<vertex x=\"0\" y=\"1e999\" "
                                                 "z=\"0\"/></vertices></mesh></object>",
                                                 "")}}),
         "/3D/3dmodel.model, line 5: object 1, vertex 0: y is not a finite number: \"1e999\""},
        {"a transform of eleven numbers",
         package(
             {{"3D/3dmodel.model", modelPart(tetra(1), "<item objectid=\"1\" transform=\"1 0 0 0 1 0 0 0 1 0 0\"/>")}}),
         "/3D/3dmodel.model, line 17: the transform \"1 0 0 0 1 0 0 0 1 0 0\" is not twelve finite numbers"},
        {"a colour out of its group",
         package({{"3D/3dmodel.model", modelPart("<colorgroup id=\"3\"><color color=\"#0000FF\"/></colorgroup>"
                                                     + tetra(1, "pid=\"3\" pindex=\"2\""),
                                                 "<item objectid=\"1\"/>")}}),
         "/3D/3dmodel.model: object 1, triangle 0: colour 2 is outside group 3's 0..0"},
        {"an object defined twice",
         package({{"3D/3dmodel.model", modelPart(tetra(1) + tetra(1), "<item objectid=\"1\"/>")}}),
         "/3D/3dmodel.model, line 15: object 1 is defined twice"},
        {"a vertex without z",
         package({{"3D/3dmodel.model",
                   modelPart("<object id=\"2\"><mesh><vertices><vertex x=\"0\" y=\"0\"/></vertices></mesh></object>",
                             "")}}),
         "/3D/3dmodel.model, line 4: object 2, vertex 0: a vertex needs x, y and z"},
        {"a part declaring more than it holds",
         withDeclaredSize(package({{"3D/3dmodel.model", "<model/>"}}, false), 0x7fffffff),
         "/3D/3dmodel.model declares 2147483647 bytes, more than its 8 bytes in the package can hold"},
        {"a model part named encrypted by the root part's relationships",
         package({{"3D/_rels/3dmodel.model.rels",
                   "<Relationships><Relationship Target=\"Objects/secret.model\" Type=\"http://schemas.microsoft."
                   "com/3dmanufacturing/2013/01/encryptedfile\"/></Relationships>"},
                  {"3D/3dmodel.model", modelPart("", "<item p:path=\"/3D/Objects/secret.model\" objectid=\"1\"/>")},
                  {"3D/Objects/secret.model", "\x93\x11 encrypted bytes"}}),
         "the model part /3D/Objects/secret.model is encrypted"},
        {"no zip archive", "PK\3\4 is not enough to be a zip archive",
         "the file is not a 3MF package (a zip archive): Not a zip archive"},
        {"no model part", package({{"3D/model.xml", "<model/>"}}), "the package has no model part /3D/3dmodel.model"},
        {"an encrypted model part",
         package({{"_rels/.rels", "<Relationships><Relationship Target=\"/Secure/keystore.xml\" Type=\"http://schemas."
                                  "microsoft.com/3dmanufacturing/2013/01/keystore\"/></Relationships>"},
                  {"Secure/keystore.xml", keyStore},
                  {"3D/3dmodel.model", "\x93\x11 encrypted bytes"}}),
         "the model part /3D/3dmodel.model is encrypted"},
    };
    for (const Row& row : rows) {
        for (const StreamKind kind : {StreamKind::regularFile, StreamKind::memory}) {
            std::string reason;
            EXPECT_EQ(loadText(row.bytes, "3mf", &reason, kind), nullptr) << row.what;
            EXPECT_EQ(reason, row.reason) << row.what;
        }
    }
}

TEST(ThreeMfReader, CountsTheCompressedBytesTakenAndStopsWhenCancelled)
{
    const std::string bytes = package({{"3D/3dmodel.model", modelPart(tetra(1), "<item objectid=\"1\"/>")}});
    for (const bool cancel : {false, true}) {
        LoadControl control;
        control.cancel = cancel;
        std::string reason;
        const ModelPtr model = loadText(bytes, "3mf", &reason, StreamKind::regularFile, &control);
        EXPECT_EQ(model == nullptr, cancel) << reason;
        EXPECT_EQ(reason, cancel ? "loading was cancelled" : "");
        if (!cancel) {
            EXPECT_GT(control.bytesRead.load(), 0u);
            EXPECT_LE(control.bytesRead.load(), bytes.size());
        }
    }
}

TEST(ThreeMfReader, RefusesAPackageBeyondTheMemoryLimitBeforeHoldingIt)
{
    const std::string bytes = package({{"3D/3dmodel.model", modelPart(tetra(1), "<item objectid=\"1\"/>")}});
    setenv("BRENVIK_MEMORY_LIMIT", "600", 1);
    for (const StreamKind kind : {StreamKind::regularFile, StreamKind::memory}) {
        std::string reason;
        EXPECT_EQ(loadText(bytes, "3mf", &reason, kind), nullptr);
        EXPECT_EQ(reason.rfind("the model would need ", 0), 0u) << reason;
    }
    unsetenv("BRENVIK_MEMORY_LIMIT");
}

// The package with a little-endian field of the part's central directory
// entry (and, at `local`, of its local header) replaced; -1 leaves one alone.
std::string withField(std::string bytes, int central, int local, uint32_t value)
{
    const std::size_t entry = bytes.rfind("PK\1\2", bytes.rfind("PK\5\6"));
    const std::size_t header = bytes.rfind("PK\3\4", entry);
    for (int i = 0; i < 4; ++i) {
        if (central >= 0)
            bytes[entry + static_cast<std::size_t>(central + i)] = static_cast<char>(value >> (8 * i));
        if (local >= 0)
            bytes[header + static_cast<std::size_t>(local + i)] = static_cast<char>(value >> (8 * i));
    }
    return bytes;
}

// The package with the first byte of the part's compressed data replaced.
std::string withFirstPackedByte(std::string bytes, char value)
{
    const std::size_t header = bytes.rfind("PK\3\4", bytes.rfind("PK\1\2", bytes.rfind("PK\5\6")));
    const auto field = [&bytes, header](std::size_t at) {
        return static_cast<std::size_t>(static_cast<unsigned char>(bytes[header + at]))
               | static_cast<std::size_t>(static_cast<unsigned char>(bytes[header + at + 1])) << 8;
    };
    bytes[header + 30 + field(26) + field(28)] = value;
    return bytes;
}

// A grid of side x side vertices in the plane z = 0 (its triangles two a
// square) as a 3MF object, each vertex and triangle written by `vertex` and
// `triangle`, and as PLY.
struct Grid {
    std::string object;
    std::string ply;
};
Grid grid(int side, const std::function<std::string(int, int, int)>& vertex,
          const std::function<std::string(int, int, int)>& triangle, const std::string& inVertices = "")
{
    std::string object = "<object id=\"1\" name=\"Grid\"><mesh><vertices>" + inVertices + "\n";
    std::ostringstream ply;
    ply << plyHeader(static_cast<long long>(side) * side, 2LL * (side - 1) * (side - 1));
    for (int i = 0; i < side * side; ++i) {
        object += vertex(i % side, i / side, 0) + "\n";
        ply << i % side << ' ' << i / side << " 0\n";
    }
    object += "</vertices>\n<triangles>\n";
    std::string faces;
    for (int y = 0; y + 1 < side; ++y) {
        for (int x = 0; x + 1 < side; ++x) {
            const int a = y * side + x;
            object += triangle(a, a + 1, a + side + 1) + "\n" + triangle(a, a + side + 1, a + side) + "\n";
            ply << "3 " << a << ' ' << a + 1 << ' ' << a + side + 1 << "\n3 " << a << ' ' << a + side + 1 << ' '
                << a + side << '\n';
        }
    }
    return {object + "</triangles></mesh></object>\n", ply.str()};
}

std::string plainVertex(int x, int y, int z)
{
    return "<vertex x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" z=\"" + std::to_string(z) + "\"/>";
}

std::string plainTriangle(int a, int b, int c)
{
    return "<triangle v1=\"" + std::to_string(a) + "\" v2=\"" + std::to_string(b) + "\" v3=\"" + std::to_string(c)
           + "\"/>";
}

// Large meshes (their vertices and triangles more than a megabyte each, so
// read in two halves on two cores when they are plain) in every form the
// elements may take: each gives the model its PLY gives.
TEST(ThreeMfReader, ReadsLargeMeshesInEveryFormOfTheirElements)
{
    const auto numbers
        = [](int a, int b, int c) { return std::make_tuple(std::to_string(a), std::to_string(b), std::to_string(c)); };
    const struct Row {
        const char* what;
        std::function<std::string(int, int, int)> vertex;
        std::function<std::string(int, int, int)> triangle;
        std::string inVertices;
    } rows[] = {
        {"plain", plainVertex, plainTriangle, ""},
        {"a prefix, single quotes, spaces, other attributes first",
         [&](int x, int y, int z) {
             const auto [a, b, c] = numbers(x, y, z);
             return "<m:vertex\tq:w='1' z = '" + c + "' x='" + a + " ' y=\"" + b + "\"\n/>";
         },
         [&](int p, int q, int r) {
             const auto [a, b, c] = numbers(p, q, r);
             return "<m:triangle v3='" + c + "' m:v1='" + a + "' v2 ='" + b + "' />";
         },
         ""},
        {"a comment among the vertices, triangles with properties", plainVertex,
         [](int a, int b, int c) { return plainTriangle(a, b, c).insert(10, "pid=\"7\" p1=\"0\" "); }, "<!-- -->"},
        {"entities in values, an end tag for each vertex",
         [](int x, int y, int z) {
             const std::string written = std::to_string(x);
             return "<vertex x=\"&#x3" + written.substr(0, 1) + ";" + written.substr(1) + "\" y=\"" + std::to_string(y)
                    + "\" z=\"" + std::to_string(z) + "\"></vertex>";
         },
         plainTriangle, ""},
    };
    constexpr int kSide = 200;
    for (const Row& row : rows) {
        const Grid g = grid(kSide, row.vertex, row.triangle, row.inVertices);
        const ModelPtr expected = loadPlyText(g.ply);
        ASSERT_NE(expected, nullptr) << row.what;
        for (const bool deflate : {false, true}) {
            std::string reason;
            const ModelPtr got
                = loadText(package({{"3D/3dmodel.model", modelPart(g.object, "<item objectid=\"1\"/>")}}, deflate),
                           "3mf", &reason);
            ASSERT_NE(got, nullptr) << row.what << ": " << reason;
            expectSameModel(*got, *expected, row.what, 1e-9);
        }
    }
}

// A fault late in a large mesh is found where it stands.
TEST(ThreeMfReader, SaysWhereALargeMeshIsWrong)
{
    constexpr int kSide = 200;
    constexpr int kLast = kSide * kSide - 1;
    // The mesh's first vertex line is line 5 of the part, its first
    // triangle line two after the last vertex's.
    constexpr int kFirstTriangleLine = 7 + kSide * kSide;
    const struct Row {
        const char* what;
        std::function<std::string(int, int, int)> vertex;
        std::function<std::string(int, int, int)> triangle;
        std::string reason;
    } rows[] = {
        {"the last vertex no number",
         [](int x, int y, int z) {
             return x + y * kSide == kLast ? "<vertex x=\"a\" y=\"0\" z=\"0\"/>" : plainVertex(x, y, z);
         },
         plainTriangle,
         "/3D/3dmodel.model, line " + std::to_string(5 + kLast) + ": object 1 (\"Grid\"), vertex "
             + std::to_string(kLast) + ": x is not a finite number: \"a\""},
        {"a vertex without z",
         [](int x, int y, int z) {
             return x + y * kSide == kLast ? "<vertex x=\"0\" y=\"0\"/>" : plainVertex(x, y, z);
         },
         plainTriangle,
         "/3D/3dmodel.model, line " + std::to_string(5 + kLast) + ": object 1 (\"Grid\"), vertex "
             + std::to_string(kLast) + ": a vertex needs x, y and z"},
        {"the last triangle beyond the vertices", plainVertex,
         [](int a, int b, int c) {
             return plainTriangle(a, b, a == kLast - kSide - 1 && c == a + kSide ? kLast + 1 : c);
         },
         "/3D/3dmodel.model, line " + std::to_string(kFirstTriangleLine + 2 * (kSide - 1) * (kSide - 1) - 1)
             + ": object 1 (\"Grid\"), triangle " + std::to_string(2 * (kSide - 1) * (kSide - 1) - 1) + ": vertex "
             + std::to_string(kLast + 1) + " is outside 0.." + std::to_string(kLast)},
        {"a triangle's index too large for a number", plainVertex,
         [](int a, int b, int c) {
             return a == kLast - kSide - 1 && b == a + 1 ? "<triangle v1=\"99999999999\" v2=\"0\" v3=\"1\"/>"
                                                         : plainTriangle(a, b, c);
         },
         "/3D/3dmodel.model, line " + std::to_string(kFirstTriangleLine + 2 * (kSide - 1) * (kSide - 1) - 2)
             + ": object 1 (\"Grid\"), triangle " + std::to_string(2 * (kSide - 1) * (kSide - 1) - 2)
             + ": v1 must be a whole number"},
    };
    for (const Row& row : rows) {
        const Grid g = grid(kSide, row.vertex, row.triangle);
        for (const bool deflate : {false, true}) {
            std::string reason;
            EXPECT_EQ(loadText(package({{"3D/3dmodel.model", modelPart(g.object, "<item objectid=\"1\"/>")}}, deflate),
                               "3mf", &reason),
                      nullptr)
                << row.what;
            EXPECT_EQ(reason, row.reason) << row.what;
        }
    }
}

// A deflated part whose bytes or facts are wrong is refused with the part
// named, never read wrong.
TEST(ThreeMfReader, RefusesADeflatedPartThatIsCorrupt)
{
    const std::string part = modelPart(tetra(1), "<item objectid=\"1\"/>");
    const std::string good = package({{"3D/3dmodel.model", part}});
    const std::string size = std::to_string(part.size());
    const struct Row {
        const char* what;
        std::string bytes;
        std::string reason;
    } rows[] = {
        {"another CRC", withField(good, 16, 14, 0x12345678), "/3D/3dmodel.model: its bytes fail their CRC check"},
        {"a reserved block type", withFirstPackedByte(good, 7), "/3D/3dmodel.model: the compressed data is corrupt"},
        {"a size one byte short", withDeclaredSize(good, static_cast<uint32_t>(part.size() - 1)),
         "/3D/3dmodel.model holds more than the " + std::to_string(part.size() - 1) + " bytes it declares"},
        {"a size one byte long", withDeclaredSize(good, static_cast<uint32_t>(part.size() + 1)),
         "/3D/3dmodel.model ends after " + size + " of its " + std::to_string(part.size() + 1) + " bytes"},
        {"more compressed bytes than the package has", withField(good, 20, 18, 0x60000000u),
         "/3D/3dmodel.model declares 1610612736 compressed bytes, more than the package's "
             + std::to_string(good.size())},
    };
    for (const Row& row : rows) {
        for (const StreamKind kind : {StreamKind::regularFile, StreamKind::memory}) {
            std::string reason;
            EXPECT_EQ(loadText(row.bytes, "3mf", &reason, kind), nullptr) << row.what;
            EXPECT_EQ(reason, row.reason) << row.what;
        }
    }
}

} // namespace

#endif
