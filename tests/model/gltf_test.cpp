// The glTF reader: each rule with a tiny file written by the writer below,
// compared with the PLY file of the same mesh; the faults and where they are
// named; buffers in files beside the document and in data: URIs; meshopt
// compressed views.

#ifdef BRENVIK_SCENE_FORMATS

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <draco/compression/encode.h>
#include <draco/mesh/triangle_soup_mesh_builder.h>
#include <gtest/gtest.h>
#include <meshoptimizer.h>

#include "model/loadmodel.h"
#include "model/modelunit.h"
#include "tests/support/modeltestsupport.h"
#include "tests/support/scratchfolder.h"

namespace {

// The base64 of bytes, standard alphabet, '=' padded.
std::string base64(const std::string& bytes)
{
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = group << 8 | (i + k < bytes.size() ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k)
            text += i + k <= bytes.size() ? digits[(group >> (18 - 6 * k)) & 63] : '=';
    }
    return text;
}

// A glTF document built piece by piece, with one binary buffer.
class GltfWriter {
public:
    template <typename T> uint32_t view(const std::vector<T>& values, uint32_t stride = 0)
    {
        while (buffer_.size() % 4 != 0)
            buffer_ += '\0';
        const std::size_t offset = buffer_.size();
        buffer_.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
        views.push_back("{\"buffer\":0,\"byteOffset\":" + std::to_string(offset)
                        + ",\"byteLength\":" + std::to_string(values.size() * sizeof(T))
                        + (stride != 0 ? ",\"byteStride\":" + std::to_string(stride) : std::string()) + "}");
        return static_cast<uint32_t>(views.size() - 1);
    }
    uint32_t accessor(uint32_t view, int componentType, uint32_t count, const char* type, const std::string& more = "")
    {
        accessors.push_back("{\"bufferView\":" + std::to_string(view)
                            + ",\"componentType\":" + std::to_string(componentType)
                            + ",\"count\":" + std::to_string(count) + ",\"type\":\"" + type + "\"" + more + "}");
        return static_cast<uint32_t>(accessors.size() - 1);
    }
    uint32_t positions(const std::vector<float>& xyz)
    {
        return accessor(view(xyz), 5126, static_cast<uint32_t>(xyz.size() / 3), "VEC3");
    }
    uint32_t indices(const std::vector<uint32_t>& list)
    {
        return accessor(view(list), 5125, static_cast<uint32_t>(list.size()), "SCALAR");
    }
    // A mesh of one primitive: its attributes and other fields.
    uint32_t mesh(const std::string& primitive, const std::string& name = "")
    {
        meshes.push_back("{" + (name.empty() ? std::string() : "\"name\":\"" + name + "\",") + "\"primitives\":["
                         + primitive + "]}");
        return static_cast<uint32_t>(meshes.size() - 1);
    }
    // The JSON, its buffer at `uri` (none: the binary chunk).
    std::string json(const std::string& uri = "") const
    {
        const auto list = [](const char* key, const std::vector<std::string>& items) {
            std::string text = std::string(",\"") + key + "\":[";
            for (std::size_t i = 0; i < items.size(); ++i)
                text += (i == 0 ? "" : ",") + items[i];
            return items.empty() ? std::string() : text + "]";
        };
        return "{\"asset\":{\"version\":\"2.0\"}" + list("bufferViews", views) + list("accessors", accessors)
               + list("meshes", meshes) + top + ",\"buffers\":[{\"byteLength\":" + std::to_string(buffer_.size())
               + (uri.empty() ? std::string() : ",\"uri\":\"" + uri + "\"") + "}" + moreBuffers + "]}";
    }
    std::string glb() const
    {
        std::string text = json();
        text.resize((text.size() + 3) / 4 * 4, ' ');
        std::string bin = buffer_;
        bin.resize((bin.size() + 3) / 4 * 4, '\0');
        std::string file = "glTF";
        put(file, 2);
        put(file, static_cast<uint32_t>(28 + text.size() + bin.size()));
        put(file, static_cast<uint32_t>(text.size()));
        file += "JSON" + text;
        put(file, static_cast<uint32_t>(bin.size()));
        file += std::string("BIN\0", 4) + bin;
        return file;
    }
    std::string dataUri() const { return "data:application/octet-stream;base64," + base64(buffer_); }
    const std::string& buffer() const { return buffer_; }

    std::vector<std::string> views;
    std::vector<std::string> accessors;
    std::vector<std::string> meshes;
    std::string top;         // more top-level fields: ",\"nodes\":[...]"
    std::string moreBuffers; // buffers after the first: ",{...}"

private:
    static void put(std::string& out, uint32_t value) { out.append(reinterpret_cast<const char*>(&value), 4); }
    std::string buffer_;
};

ModelPtr loadGltf(const std::string& bytes, std::string* reason, LoadControl* control = nullptr)
{
    return loadText(bytes, bytes.compare(0, 4, "glTF") == 0 ? "glb" : "gltf", reason, StreamKind::regularFile, control);
}

void expectModel(const MeshModel& got, const Mesh& mesh, const std::string& what)
{
    ModelPtr expected = loadPlyText(plyOf(mesh));
    ASSERT_NE(expected, nullptr) << what;
    ASSERT_EQ(got.vertexCount, expected->vertexCount) << what;
    ASSERT_EQ(got.faceCount, expected->faceCount) << what;
    for (uint32_t v = 0; v < got.vertexCount; ++v) {
        const Vector3& a = got.vertices[v].position;
        const Vector3& b = expected->vertices[v].position;
        EXPECT_TRUE(std::abs(a.x - b.x) < 1e-5 && std::abs(a.y - b.y) < 1e-5 && std::abs(a.z - b.z) < 1e-5)
            << what << ": vertex " << v << " is " << a.x << " " << a.y << " " << a.z << ", not " << b.x << " " << b.y
            << " " << b.z;
    }
    for (uint32_t f = 0; f < got.faceCount; ++f)
        for (uint32_t c = 0; c < 3; ++c)
            EXPECT_EQ(cornerIndex(got, f, c), cornerIndex(*expected, f, c)) << what << ": face " << f;
}

const std::vector<float> kTriangle = {0, 0, 0, 1, 0, 0, 0, 1, 0};
const Mesh kTriangleMesh = {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}};

// A document drawing the triangle through the given nodes and scenes.
std::string triangleWithNodes(const std::string& top)
{
    GltfWriter w;
    w.mesh("{\"attributes\":{\"POSITION\":" + std::to_string(w.positions(kTriangle)) + "}}");
    w.top = top;
    return w.glb();
}

struct Row {
    const char* name;
    std::function<std::string()> file;
    Mesh expected;
};

TEST(GltfReader, ScenesNodesModesAndAccessorsGiveTheirMesh)
{
    const double s = std::sqrt(0.5);
    const Row rows[] = {
        {"no nodes: every mesh once", [] { return triangleWithNodes(""); }, kTriangleMesh},
        {"a matrix, beside the untransformed mesh",
         [] {
             return triangleWithNodes(",\"nodes\":[{\"mesh\":0},{\"mesh\":0,\"matrix\":[2,0,0,0,0,1,0,0,0,0,1,0,"
                                      "5,0,0,1]}]");
         },
         {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 0, 0}, {7, 0, 0}, {5, 1, 0}}, {{0, 1, 2}, {3, 4, 5}}}},
        {"translation x rotation x scale",
         [s] {
             return triangleWithNodes(",\"nodes\":[{\"mesh\":0},{\"mesh\":0,\"translation\":[0,0,3],\"rotation\":[0,0,"
                                      + std::to_string(s) + "," + std::to_string(s) + "],\"scale\":[2,2,2]}]");
         },
         {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 3}, {0, 2, 3}, {-2, 0, 3}}, {{0, 1, 2}, {3, 4, 5}}}},
        {"nested nodes compose from the root down",
         [] {
             return triangleWithNodes(",\"nodes\":[{\"mesh\":0},{\"translation\":[0,0,4],\"children\":[2]},"
                                      "{\"mesh\":0,\"scale\":[3,1,1]}]");
         },
         {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 4}, {3, 0, 4}, {0, 1, 4}}, {{0, 1, 2}, {3, 4, 5}}}},
        {"scene 0 when none is named",
         [] {
             return triangleWithNodes(
                 ",\"nodes\":[{\"mesh\":0,\"translation\":[0,0,1]},{\"mesh\":0},"
                 "{\"mesh\":0,\"translation\":[9,0,0]}],\"scenes\":[{\"nodes\":[1,0]},{\"nodes\":[2]}]");
         },
         {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, {{0, 1, 2}, {3, 4, 5}}}},
        {"the scene named",
         [] {
             return triangleWithNodes(",\"nodes\":[{\"mesh\":0},{\"mesh\":0,\"translation\":[0,0,1]}],\"scene\":1,"
                                      "\"scenes\":[{\"nodes\":[0]},{\"nodes\":[1,0]}]");
         },
         {{{0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {3, 4, 5}}}},
        {"without scenes, the nodes that are no node's child",
         [] {
             return triangleWithNodes(",\"nodes\":[{\"mesh\":0,\"children\":[1]},{\"mesh\":0,\"translation\":[0,0,2]},"
                                      "{\"mesh\":0,\"translation\":[0,0,5]}]");
         },
         {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 2}, {1, 0, 2}, {0, 1, 2}, {0, 0, 5}, {1, 0, 5}, {0, 1, 5}},
          {{0, 1, 2}, {3, 4, 5}, {6, 7, 8}}}},
        {"a mirror flips the winding",
         [] {
             return triangleWithNodes(
                 ",\"nodes\":[{\"mesh\":0},{\"mesh\":0,\"scale\":[1,1,-1],\"translation\":[0,0,1]}]");
         },
         {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, {{0, 1, 2}, {3, 5, 4}}}},
        {"strip",
         [] {
             GltfWriter w;
             const uint32_t p = w.positions({0, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0, 2, 0, 0});
             w.mesh("{\"attributes\":{\"POSITION\":" + std::to_string(p) + "},\"mode\":5}");
             return w.glb();
         },
         {{{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}}, {{0, 1, 2}, {1, 3, 2}, {2, 3, 4}}}},
        {"fan, a triangle repeating an index left out",
         [] {
             GltfWriter w;
             const uint32_t p = w.positions({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
             const uint32_t i = w.indices({0, 1, 2, 2, 3});
             w.mesh("{\"attributes\":{\"POSITION\":" + std::to_string(p) + "},\"indices\":" + std::to_string(i)
                    + ",\"mode\":6}");
             return w.glb();
         },
         {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{1, 2, 0}, {2, 3, 0}}}},
        {"points keep every point, even repeated ones",
         [] {
             GltfWriter w;
             const uint32_t p = w.positions({0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 1, 1});
             w.mesh("{\"attributes\":{\"POSITION\":" + std::to_string(p) + "},\"mode\":0}");
             return w.glb();
         },
         {{{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0, 1, 1}}, {}}},
        {"triangles share the distinct positions they use, the unused left out",
         [] {
             GltfWriter w;
             const uint32_t p = w.positions({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 9, 9, 9});
             const uint32_t i = w.indices({0, 1, 2, 3, 4, 5});
             w.mesh("{\"attributes\":{\"POSITION\":" + std::to_string(p) + "},\"indices\":" + std::to_string(i) + "}");
             return w.glb();
         },
         {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2}, {1, 3, 2}}}},
        {"unsigned bytes, as their values, with a stride and offsets",
         [] {
             GltfWriter w;
             const std::vector<uint8_t> bytes = {7, 7, 7, 0, 0, 0, 7, 2, 0, 0, 7, 0, 4, 0, 7, 7};
             const uint32_t v = w.view(bytes, 4);
             w.views[v].replace(w.views[v].find("\"byteOffset\":0"), 14, "\"byteOffset\":2");
             w.views[v].replace(w.views[v].find("\"byteLength\":16"), 15, "\"byteLength\":14");
             const uint32_t p = w.accessor(v, 5121, 3, "VEC3", ",\"byteOffset\":1");
             w.mesh("{\"attributes\":{\"POSITION\":" + std::to_string(p) + "}}");
             return w.glb();
         },
         {{{0, 0, 0}, {2, 0, 0}, {0, 4, 0}}, {{0, 1, 2}}}},
        {"normalized bytes: max(c / 127, -1)",
         [] {
             GltfWriter w;
             const std::vector<int8_t> bytes = {-128, 0, 0, 0, 0, 127, 0, 0, 0, 0, 127, 0};
             const uint32_t p = w.accessor(w.view(bytes, 4), 5120, 3, "VEC3", ",\"normalized\":true");
             w.mesh("{\"attributes\":{\"POSITION\":" + std::to_string(p) + "}}");
             return w.glb();
         },
         {{{-1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 1, 2}}}},
        {"normalized shorts and unsigned shorts",
         [] {
             GltfWriter w;
             const std::vector<int16_t> shorts = {-32767, 0, 0, 0, 0, 32767, 0, 0, 0, 0, 32767, 0};
             const std::vector<uint16_t> ushorts = {0, 0, 0, 0, 0, 65535, 0, 0, 0, 0, 0, 0};
             const uint32_t a = w.accessor(w.view(shorts, 8), 5122, 3, "VEC3", ",\"normalized\":true");
             const uint32_t b = w.accessor(w.view(ushorts, 8), 5123, 3, "VEC3", ",\"normalized\":true");
             w.mesh("{\"attributes\":{\"POSITION\":" + std::to_string(a)
                    + "}},{\"attributes\":{\"POSITION\":" + std::to_string(b) + "}}");
             w.meshes[0] = "{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(a)
                           + "}},{\"attributes\":{\"POSITION\":" + std::to_string(b) + "},\"mode\":0}]}";
             return w.glb();
         },
         {{{-1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}, {0, 1, 0}, {0, 0, 0}}, {{0, 1, 2}}}},
        {"sparse values replace those of the view, and fill an accessor without one",
         [] {
             GltfWriter w;
             const uint32_t base = w.view(kTriangle);
             const uint32_t at = w.view(std::vector<uint16_t>{2, 0});
             const uint32_t values = w.view(std::vector<float>{0, 5, 0, 0, 0, 3});
             const std::string sparse
                 = ",\"sparse\":{\"count\":2,\"indices\":{\"bufferView\":" + std::to_string(at)
                   + ",\"componentType\":5123},\"values\":{\"bufferView\":" + std::to_string(values) + "}}";
             const uint32_t p = w.accessor(base, 5126, 3, "VEC3", sparse);
             w.accessors.push_back(w.accessors[p]);
             w.accessors.back().replace(0, w.accessors.back().find(',') + 1, "{");
             w.mesh("{\"attributes\":{\"POSITION\":" + std::to_string(p)
                    + "}},{\"attributes\":{\"POSITION\":" + std::to_string(p + 1) + "},\"mode\":0}");
             return w.glb();
         },
         {{{0, 0, 3}, {1, 0, 0}, {0, 5, 0}, {0, 0, 3}, {0, 0, 0}, {0, 5, 0}}, {{0, 1, 2}}}},
    };
    for (const Row& row : rows) {
        std::string reason;
        ModelPtr model = loadGltf(row.file(), &reason);
        ASSERT_NE(model, nullptr) << row.name << ": " << reason;
        expectModel(*model, row.expected, row.name);
    }
}

TEST(GltfReader, LinePrimitivesArePassedOverWithANote)
{
    const struct {
        int lines;
        const char* note;
    } rows[] = {{1, "1 line primitive was not read"}, {3, "3 line primitives were not read"}};
    for (const auto& row : rows) {
        GltfWriter w;
        const std::string p = std::to_string(w.positions(kTriangle));
        std::string primitives = "{\"attributes\":{\"POSITION\":" + p + "}}";
        for (int i = 0; i < row.lines; ++i)
            primitives += ",{\"attributes\":{\"POSITION\":" + p + "},\"mode\":" + std::to_string(1 + i % 3) + "}";
        w.mesh(primitives);
        std::string reason;
        LoadControl control;
        ModelPtr model = loadGltf(w.glb(), &reason, &control);
        ASSERT_NE(model, nullptr) << reason;
        EXPECT_EQ(model->faceCount, 1u);
        EXPECT_EQ(control.note, row.note);
        EXPECT_EQ(model->unit, ModelUnit::meter); // glTF's unit, always
    }
}

TEST(GltfReader, ACancelledLoadGivesNoModel)
{
    for (const bool binary : {true, false}) {
        GltfWriter w;
        w.mesh("{\"attributes\":{\"POSITION\":" + std::to_string(w.positions(kTriangle)) + "}}");
        LoadControl control;
        control.cancel = true;
        std::string reason;
        EXPECT_EQ(loadGltf(binary ? w.glb() : w.json(w.dataUri()), &reason, &control), nullptr);
        EXPECT_EQ(reason, "loading was cancelled");
    }
}

TEST(GltfReader, ColoursComeFromColor0AndTheMaterialsBaseColour)
{
    const struct {
        const char* name;
        std::string colourAccessor;       // for the first primitive; empty: none
        std::vector<float> vertexColours; // empty: the model has none
        std::vector<float> faceColours;   // empty: the model has none
    } rows[] = {
        {"float VEC3", "float", {1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, {}},
        {"normalized unsigned bytes VEC4, alpha ignored",
         "ubyte",
         {1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
         {}},
        {"base colour factor, the other primitive white", "material", {}, {0.5f, 0.25f, 1, 1, 1, 1}},
    };
    for (const auto& row : rows) {
        GltfWriter w;
        const std::string p = std::to_string(w.positions(kTriangle));
        std::string colour;
        if (row.colourAccessor == "float")
            colour
                = ",\"COLOR_0\":"
                  + std::to_string(w.accessor(w.view(std::vector<float>{1, 0, 0, 0, 1, 0, 0, 0, 1}), 5126, 3, "VEC3"));
        else if (row.colourAccessor == "ubyte")
            colour = ",\"COLOR_0\":"
                     + std::to_string(w.accessor(w.view(std::vector<uint8_t>{255, 0, 0, 9, 0, 255, 0, 9, 0, 0, 255, 9}),
                                                 5121, 3, "VEC4", ",\"normalized\":true"));
        const std::string material = row.colourAccessor == "material" ? ",\"material\":0" : "";
        w.top = ",\"materials\":[{\"pbrMetallicRoughness\":{\"baseColorFactor\":[0.5,0.25,1,0.5]}}]";
        w.mesh("{\"attributes\":{\"POSITION\":" + p + colour + "}" + material + "}");
        w.top += ",\"nodes\":[{\"mesh\":0},{\"mesh\":1,\"translation\":[0,0,1]}]";
        w.mesh("{\"attributes\":{\"POSITION\":" + p + "}}");
        std::string reason;
        ModelPtr model = loadGltf(w.glb(), &reason);
        ASSERT_NE(model, nullptr) << row.name << ": " << reason;
        ASSERT_EQ(model->colours != nullptr, !row.vertexColours.empty()) << row.name;
        for (std::size_t i = 0; i < row.vertexColours.size(); ++i)
            EXPECT_NEAR(model->colours[i], row.vertexColours[i], 1e-6) << row.name << ": " << i;
        ASSERT_EQ(model->faceColours != nullptr, !row.faceColours.empty()) << row.name;
        for (std::size_t i = 0; i < row.faceColours.size(); ++i)
            EXPECT_NEAR(model->faceColours[i], row.faceColours[i], 1e-6) << row.name << ": " << i;
    }
}

// The triangle with an index accessor, and the JSON edited by `edit`.
std::string indexedTriangle(const std::function<void(GltfWriter&)>& edit, bool binary = true)
{
    GltfWriter w;
    const uint32_t p = w.positions(kTriangle);
    const uint32_t i = w.indices({0, 1, 2});
    w.mesh("{\"attributes\":{\"POSITION\":" + std::to_string(p) + "},\"indices\":" + std::to_string(i) + "}", "Cube");
    edit(w);
    return binary ? w.glb() : w.json("missing.bin");
}

void replaceIn(std::string& text, const std::string& from, const std::string& to)
{
    text.replace(text.find(from), from.size(), to);
}

TEST(GltfReader, MalformedFilesSayWhereTheyAreWrong)
{
    const auto word = [](std::string bytes, std::size_t at, uint32_t value) {
        std::memcpy(&bytes[at], &value, 4);
        return bytes;
    };
    const std::string good = indexedTriangle([](GltfWriter&) {});
    const struct {
        const char* name;
        std::string file;
        std::string reason;
    } rows[] = {
        {"accessor past its view",
         indexedTriangle([](GltfWriter& w) { replaceIn(w.accessors[1], "\"count\":3", "\"count\":4"); }),
         "mesh 0 (\"Cube\"), accessor 1: runs past its buffer view"},
        {"view past its buffer",
         indexedTriangle([](GltfWriter& w) { replaceIn(w.views[1], "\"byteLength\":12", "\"byteLength\":16"); }),
         "mesh 0 (\"Cube\"), accessor 1: buffer view 1 runs past buffer 0"},
        {"index out of range", indexedTriangle([](GltfWriter& w) {
             w.accessors[1] = "{\"bufferView\":0,\"componentType\":5125,\"count\":4,\"type\":\"SCALAR\"}";
         }),
         "mesh 0 (\"Cube\"), accessor 1: index 1065353216 (element 3) is out of range: there are 3 positions"},
        {"missing buffer file", indexedTriangle([](GltfWriter&) {}, false),
         "mesh 0 (\"Cube\"), accessor 0: buffer 0: \"missing.bin\" cannot be looked for: the document's folder is not "
         "known"},
        {"a cycle of nodes", indexedTriangle([](GltfWriter& w) {
             w.top = ",\"nodes\":[{\"mesh\":0,\"children\":[1]},{\"children\":[0]}],\"scenes\":[{\"nodes\":[0]}]";
         }),
         "node 0 is reached twice (a cycle of nodes)"},
        {"a child of two nodes", indexedTriangle([](GltfWriter& w) {
             w.top = ",\"nodes\":[{\"children\":[2]},{\"children\":[2]},{\"mesh\":0}]";
         }),
         "node 1: node 2 is already the child of node 0"},
        {"an extension required",
         indexedTriangle([](GltfWriter& w) { w.top = ",\"extensionsRequired\":[\"KHR_texture_basisu\"]"; }),
         "the file needs the extension KHR_texture_basisu, which Brenvik cannot read"},
        {"a node's mesh missing", indexedTriangle([](GltfWriter& w) { w.top = ",\"nodes\":[{\"mesh\":4}]"; }),
         "node 0: mesh 4 does not exist"},
        {"a wrong type",
         indexedTriangle([](GltfWriter& w) { replaceIn(w.accessors[0], "\"count\":3", "\"count\":\"3\""); }),
         "accessor 0: \"count\" is not a whole number in range"},
        {"glb version", word(good, 4, 1), "the file is binary glTF version 1, not 2"},
        {"glb length", word(good, 8, static_cast<uint32_t>(good.size() + 4)),
         "the header says the file has " + std::to_string(good.size() + 4) + " bytes, but it has "
             + std::to_string(good.size())},
        {"glb chunk length", word(good, 12, 1u << 20),
         "byte 12: the chunk of 1048576 bytes runs past the end of the file"},
        {"glb chunk type", word(good, 16, 7), "byte 12: the first chunk is not JSON"},
        {"JSON cut short", "{\"asset\":{\"version\":\"2.0\"}", "the JSON cannot be read: "},
    };
    for (const auto& row : rows) {
        std::string reason;
        ModelPtr model = loadGltf(row.file, &reason);
        EXPECT_EQ(model, nullptr) << row.name;
        EXPECT_EQ(reason.substr(0, row.reason.size()), row.reason) << row.name;
    }
}

TEST(GltfReader, BuffersComeFromFilesBesideAndDataUris)
{
    ScratchFolder folder("gltf");
    GltfWriter w;
    const uint32_t p = w.positions(kTriangle);
    w.mesh("{\"attributes\":{\"POSITION\":" + std::to_string(p) + "}}");
    std::ofstream(folder.path() / "my buffer.bin", std::ios::binary) << w.buffer();
    const struct {
        const char* name;
        std::string json;
        bool withFolder;
    } rows[] = {
        {"a file whose name has a space", w.json("my%20buffer.bin"), true},
        {"a data: URI", w.json(w.dataUri()), false},
    };
    for (const auto& row : rows) {
        const std::string path = (folder.path() / "scene.gltf").string();
        std::ofstream(path, std::ios::binary) << row.json;
        FILE* stream = std::fopen(path.c_str(), "rb");
        ASSERT_NE(stream, nullptr);
        std::string reason;
        ModelPtr model(loadModel(stream, "gltf", &reason, nullptr, row.withFolder ? folder.path().c_str() : nullptr));
        std::fclose(stream);
        ASSERT_NE(model, nullptr) << row.name << ": " << reason;
        expectModel(*model, kTriangleMesh, row.name);
    }
}

// Loads the glTF text: the triangle when reason is empty, else no model
// and that reason.
void expectTriangleOrReason(const std::string& json, const std::string& reason, const char* name)
{
    std::string got;
    ModelPtr model = loadGltf(json, &got);
    if (reason.empty()) {
        ASSERT_NE(model, nullptr) << name << ": " << got;
        expectModel(*model, kTriangleMesh, name);
    } else {
        EXPECT_EQ(model, nullptr) << name;
        EXPECT_EQ(got, reason) << name;
    }
}

// A data: URI's base64 in each form it may take, and with each fault.
TEST(GltfReader, DataUrisAreReadInEveryFormOfBase64)
{
    GltfWriter w;
    w.mesh("{\"attributes\":{\"POSITION\":" + std::to_string(w.positions(kTriangle)) + "}}");
    const std::string head = "data:application/octet-stream;base64,";
    // Every fourth digit followed by a JSON-escaped line break.
    const auto broken = [](const std::string& text) {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i)
            out += text[i] + std::string(i % 4 == 3 ? "\\r\\n" : "");
        return out;
    };
    const auto urlSafe = [](std::string text) {
        for (char& c : text)
            c = c == '+' ? '-' : c == '/' ? '_' : c;
        return text;
    };
    const std::string bytes = w.buffer() + std::string("\xfb\xff", 2); // '+' and '/' among the digits
    const std::string digits = base64(bytes);
    const std::string unpadded = digits.substr(0, digits.find('='));
    const std::string bad = "mesh 0, accessor 0: buffer 0: its data: URI holds something other than base64";
    const struct {
        const char* name;
        std::string uri;
        std::string reason; // empty: the triangle
    } rows[] = {
        {"padded with '='", head + digits, ""},
        {"padding left out", head + unpadded, ""},
        {"one byte beyond whole groups", head + base64(w.buffer() + "x"), ""},
        {"line breaks", head + broken(digits), ""},
        {"the URL-safe alphabet", head + urlSafe(digits), ""},
        {"another media type", "data:text/plain;base64," + digits, ""},
        {"a character outside the alphabet", head + digits.substr(0, 8) + "*" + digits.substr(9), bad},
        {"padding inside", head + digits.substr(0, 8) + "=" + digits.substr(8), bad},
        {"a NUL", head + digits.substr(0, 5) + "\\u0000" + digits.substr(5), bad},
        {"no base64", "data:application/octet-stream," + digits,
         "mesh 0, accessor 0: buffer 0: its data: URI is not base64"},
        {"no comma", head.substr(0, head.size() - 1), "mesh 0, accessor 0: buffer 0: its data: URI is not base64"},
    };
    for (const auto& row : rows)
        expectTriangleOrReason(w.json(row.uri), row.reason, row.name);
}

// A long data: URI (decoded in two halves at once when its first half is
// whole groups of digits), the triangle's positions in its second half.
TEST(GltfReader, LongDataUrisAreReadWhole)
{
    GltfWriter w;
    std::vector<uint8_t> filler(std::size_t{3} << 19);
    for (std::size_t i = 0; i < filler.size(); ++i)
        filler[i] = static_cast<uint8_t>(i * 7 + i / 251);
    w.view(filler);
    w.mesh("{\"attributes\":{\"POSITION\":" + std::to_string(w.positions(kTriangle)) + "}}");
    const std::string uri = w.dataUri();
    const std::size_t comma = uri.find(',') + 1;
    const auto at = [&uri, comma](double share, const std::string& text) {
        std::string changed = uri;
        return changed.insert(comma + static_cast<std::size_t>(share * static_cast<double>(uri.size() - comma)), text);
    };
    const std::string bad = "mesh 0, accessor 0: buffer 0: its data: URI holds something other than base64";
    const struct {
        const char* name;
        std::string uri;
        std::string reason; // empty: the triangle
    } rows[] = {
        {"whole groups", uri, ""},
        {"a line break early on", at(0.1, "\\n"), ""},
        {"a line break late", at(0.9, "\\r\\n"), ""},
        {"a character outside the alphabet in the first half", at(0.25, "*"), bad},
        {"a character outside the alphabet in the second half", at(0.75, "*"), bad},
        {"padding in the second half", at(0.75, "="), bad},
    };
    for (const auto& row : rows)
        expectTriangleOrReason(w.json(row.uri), row.reason, row.name);
}

TEST(GltfReader, MeshoptCompressedViewsAreDecoded)
{
    const std::vector<float> positions = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0};
    const std::vector<uint32_t> triangles = {0, 1, 2, 1, 3, 2};
    std::vector<unsigned char> vertices(meshopt_encodeVertexBufferBound(4, 12));
    vertices.resize(meshopt_encodeVertexBuffer(vertices.data(), vertices.size(), positions.data(), 4, 12));
    std::vector<unsigned char> indices(meshopt_encodeIndexSequenceBound(6, 4));
    indices.resize(meshopt_encodeIndexSequence(indices.data(), indices.size(), triangles.data(), 6));
    GltfWriter w;
    const uint32_t a = w.view(vertices);
    const uint32_t b = w.view(indices);
    const auto compressed = [&w](uint32_t view, uint32_t stride, uint32_t count, const char* mode) {
        const std::string& plain = w.views[view];
        const std::size_t offset = plain.find("\"byteOffset\"");
        w.views[view] = "{\"buffer\":1,\"byteLength\":" + std::to_string(stride * count) + ",\"extensions\":{"
                        + "\"EXT_meshopt_compression\":{\"buffer\":0," + plain.substr(offset, plain.size() - offset - 1)
                        + ",\"byteStride\":" + std::to_string(stride) + ",\"count\":" + std::to_string(count)
                        + ",\"mode\":\"" + mode + "\"}}}";
    };
    compressed(a, 12, 4, "ATTRIBUTES");
    compressed(b, 4, 6, "INDICES");
    const uint32_t p = w.accessor(a, 5126, 4, "VEC3");
    const uint32_t i = w.accessor(b, 5125, 6, "SCALAR");
    w.mesh("{\"attributes\":{\"POSITION\":" + std::to_string(p) + "},\"indices\":" + std::to_string(i) + "}");
    // A second buffer without data: the fallback a meshopt file declares.
    w.moreBuffers = ",{\"byteLength\":72,\"extensions\":{\"EXT_meshopt_compression\":{\"fallback\":true}}}";
    std::string reason;
    ModelPtr model = loadGltf(w.glb(), &reason);
    ASSERT_NE(model, nullptr) << reason;
    expectModel(*model, {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2}, {1, 3, 2}}}, "meshopt");
}

TEST(GltfReader, DracoCompressedPrimitivesAreDecoded)
{
    // Two triangles over four corners, with a red and a blue corner.
    const float corners[2][3][3] = {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 0, 0}, {1, 1, 0}, {0, 1, 0}}};
    const float colours[2][3][3] = {{{1, 0, 0}, {1, 1, 1}, {0, 0, 1}}, {{1, 1, 1}, {1, 1, 1}, {0, 0, 1}}};
    draco::TriangleSoupMeshBuilder builder;
    builder.Start(2);
    const int position = builder.AddAttribute(draco::GeometryAttribute::POSITION, 3, draco::DT_FLOAT32);
    const int colour = builder.AddAttribute(draco::GeometryAttribute::COLOR, 3, draco::DT_FLOAT32);
    for (int f = 0; f < 2; ++f) {
        builder.SetAttributeValuesForFace(position, draco::FaceIndex(f), corners[f][0], corners[f][1], corners[f][2]);
        builder.SetAttributeValuesForFace(colour, draco::FaceIndex(f), colours[f][0], colours[f][1], colours[f][2]);
    }
    const std::unique_ptr<draco::Mesh> mesh = builder.Finalize();
    ASSERT_NE(mesh, nullptr);
    draco::EncoderBuffer encoded;
    ASSERT_TRUE(draco::Encoder().EncodeMeshToBuffer(*mesh, &encoded).ok());
    GltfWriter w;
    const uint32_t view = w.view(*encoded.buffer());
    w.accessors = {"{\"componentType\":5126,\"count\":4,\"type\":\"VEC3\"}",
                   "{\"componentType\":5126,\"count\":4,\"type\":\"VEC3\"}"};
    w.mesh("{\"attributes\":{\"POSITION\":0,\"COLOR_0\":1},\"extensions\":{\"KHR_draco_mesh_compression\":{"
           "\"bufferView\":"
           + std::to_string(view)
           + ",\"attributes\":{\"POSITION\":" + std::to_string(mesh->attribute(position)->unique_id())
           + ",\"COLOR_0\":" + std::to_string(mesh->attribute(colour)->unique_id()) + "}}}}");
    std::string reason;
    ModelPtr model = loadGltf(w.glb(), &reason);
    ASSERT_NE(model, nullptr) << reason;
    ASSERT_EQ(model->vertexCount, 4u);
    ASSERT_EQ(model->faceCount, 2u);
    ASSERT_NE(model->colours, nullptr);
    // Whatever order Draco gives them, the corners keep their colours:
    // the one at (-1, -1) red, the one at (-1, 1) blue, the others white.
    for (uint32_t v = 0; v < 4; ++v) {
        const Vector3& p = model->vertices[v].position;
        const float* c = model->colours + 3 * v;
        const std::vector<float> expected = p.x < 0 && p.y < 0 ? std::vector<float>{1, 0, 0}
                                            : p.x < 0          ? std::vector<float>{0, 0, 1}
                                                               : std::vector<float>{1, 1, 1};
        EXPECT_EQ(std::vector<float>(c, c + 3), expected) << "vertex " << v;
    }
}

} // namespace

#endif
