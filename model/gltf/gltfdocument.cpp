#include "model/gltf/gltfdocument.h"

#include <cmath>
#include <cstring>
#include <string_view>

#include <simdjson.h>

#include "model/bigmemory.h"
#include "model/gltf/gltfbase64.h"

using simdjson::dom::array;
using simdjson::dom::element;
using simdjson::dom::object;

namespace {

// The fields of one JSON object, named in reasons as `where` ("accessor 3").
class Fields {
public:
    Fields(object value, std::string where, std::string& reason)
        : object_(value), where_(std::move(where)), reason_(reason)
    {
    }

    bool has(const char* key) const { return object_[key].error() == simdjson::SUCCESS; }

    // A whole number no greater than `most`; false with the reason when it is
    // missing (and required) or of another kind.
    template <typename T> bool number(const char* key, T& out, bool required, uint64_t most = UINT32_MAX - 1) const
    {
        element value;
        if (object_[key].get(value) != simdjson::SUCCESS)
            return !required || fail(key, "is missing");
        uint64_t n = 0;
        if (value.get_uint64().get(n) != simdjson::SUCCESS || n > most)
            return fail(key, "is not a whole number in range");
        out = static_cast<T>(n);
        return true;
    }
    bool real(const char* key, double& out) const
    {
        element value;
        if (object_[key].get(value) != simdjson::SUCCESS)
            return true;
        if (value.get_double().get(out) != simdjson::SUCCESS || !std::isfinite(out))
            return fail(key, "is not a number");
        return true;
    }
    bool flag(const char* key, bool& out) const
    {
        element value;
        if (object_[key].get(value) != simdjson::SUCCESS)
            return true;
        return value.get_bool().get(out) == simdjson::SUCCESS || fail(key, "is not true or false");
    }
    bool text(const char* key, std::string_view& out, bool required) const
    {
        element value;
        if (object_[key].get(value) != simdjson::SUCCESS)
            return !required || fail(key, "is missing");
        return value.get_string().get(out) == simdjson::SUCCESS || fail(key, "is not a string");
    }
    // A list of `count` finite numbers (any count when count is 0).
    bool reals(const char* key, std::vector<double>& out, std::size_t count, bool& present) const
    {
        present = false;
        element value;
        if (object_[key].get(value) != simdjson::SUCCESS)
            return true;
        array list;
        if (value.get_array().get(list) != simdjson::SUCCESS)
            return fail(key, "is not a list");
        out.clear();
        for (element item : list) {
            double n = 0;
            if (item.get_double().get(n) != simdjson::SUCCESS || !std::isfinite(n))
                return fail(key, "holds something other than numbers");
            out.push_back(n);
        }
        if (count != 0 && out.size() != count)
            return fail(key, ("does not hold " + std::to_string(count) + " numbers").c_str());
        present = true;
        return true;
    }
    bool indices(const char* key, std::vector<uint32_t>& out) const
    {
        element value;
        if (object_[key].get(value) != simdjson::SUCCESS)
            return true;
        array list;
        if (value.get_array().get(list) != simdjson::SUCCESS)
            return fail(key, "is not a list");
        for (element item : list) {
            uint64_t n = 0;
            if (item.get_uint64().get(n) != simdjson::SUCCESS || n >= UINT32_MAX)
                return fail(key, "holds something other than indices");
            out.push_back(static_cast<uint32_t>(n));
        }
        return true;
    }
    // The object at `key` (false when missing or of another kind).
    bool child(const char* key, object& out) const { return object_[key].get_object().get(out) == simdjson::SUCCESS; }
    bool fail(const char* key, const char* what) const
    {
        reason_ = where_ + ": \"" + key + "\" " + what;
        return false;
    }
    const std::string& where() const { return where_; }

private:
    object object_;
    std::string where_;
    std::string& reason_;
};

// Calls read(fields) for each object of the top-level list `key`, named
// `what` and its index in reasons.
template <typename Read> bool eachObject(object root, const char* key, const char* what, std::string& reason, Read read)
{
    element value;
    if (root[key].get(value) != simdjson::SUCCESS)
        return true;
    array list;
    if (value.get_array().get(list) != simdjson::SUCCESS) {
        reason = std::string("\"") + key + "\" is not a list";
        return false;
    }
    std::size_t index = 0;
    for (element item : list) {
        std::string where = std::string(what) + " " + std::to_string(index++);
        object fields;
        if (item.get_object().get(fields) != simdjson::SUCCESS) {
            reason = where + " is not an object";
            return false;
        }
        if (!read(Fields(fields, where, reason)))
            return false;
    }
    return true;
}

uint32_t componentsOf(std::string_view type)
{
    static const struct {
        const char* name;
        uint32_t components;
    } kTypes[] = {{"SCALAR", 1}, {"VEC2", 2}, {"VEC3", 3}, {"VEC4", 4}, {"MAT2", 4}, {"MAT3", 9}, {"MAT4", 16}};
    for (const auto& t : kTypes)
        if (type == t.name)
            return t.components;
    return 0;
}

bool isComponentType(uint32_t type)
{
    return type == 5120 || type == 5121 || type == 5122 || type == 5123 || type == 5125 || type == 5126;
}

bool readView(const Fields& f, GltfView& view, std::string& reason)
{
    if (!f.number("buffer", view.buffer, true) || !f.number("byteOffset", view.byteOffset, false, UINT64_MAX >> 2)
        || !f.number("byteLength", view.byteLength, true, UINT64_MAX >> 2)
        || !f.number("byteStride", view.byteStride, false))
        return false;
    object extensions;
    object compressed;
    if (!f.child("extensions", extensions)
        || extensions["EXT_meshopt_compression"].get_object().get(compressed) != simdjson::SUCCESS)
        return true;
    view.compressed = true;
    GltfMeshopt& m = view.meshopt;
    const Fields c(compressed, f.where() + ", EXT_meshopt_compression", reason);
    std::string_view mode;
    std::string_view filter = "NONE";
    if (!c.number("buffer", m.buffer, true) || !c.number("byteOffset", m.byteOffset, false, UINT64_MAX >> 2)
        || !c.number("byteLength", m.byteLength, true, UINT64_MAX >> 2) || !c.number("byteStride", m.byteStride, true)
        || !c.number("count", m.count, true) || !c.text("mode", mode, true) || !c.text("filter", filter, false))
        return false;
    if (mode == "ATTRIBUTES")
        m.mode = GltfMeshopt::attributes;
    else if (mode == "TRIANGLES")
        m.mode = GltfMeshopt::triangles;
    else if (mode == "INDICES")
        m.mode = GltfMeshopt::indices;
    else
        return c.fail("mode", "is not ATTRIBUTES, TRIANGLES or INDICES");
    if (filter == "NONE")
        m.filter = GltfMeshopt::none;
    else if (filter == "OCTAHEDRAL")
        m.filter = GltfMeshopt::octahedral;
    else if (filter == "QUATERNION")
        m.filter = GltfMeshopt::quaternion;
    else if (filter == "EXPONENTIAL")
        m.filter = GltfMeshopt::exponential;
    else
        return c.fail("filter", "is not NONE, OCTAHEDRAL, QUATERNION or EXPONENTIAL");
    return true;
}

bool readAccessor(const Fields& f, GltfAccessor& accessor, std::string& reason)
{
    std::string_view type;
    if (!f.number("bufferView", accessor.view, false)
        || !f.number("byteOffset", accessor.byteOffset, false, UINT64_MAX >> 2)
        || !f.number("componentType", accessor.componentType, true) || !f.flag("normalized", accessor.normalized)
        || !f.number("count", accessor.count, true) || !f.text("type", type, true))
        return false;
    if (!isComponentType(accessor.componentType))
        return f.fail("componentType", "is not 5120, 5121, 5122, 5123, 5125 or 5126");
    accessor.components = componentsOf(type);
    if (accessor.components == 0)
        return f.fail("type", "is not SCALAR, VEC2, VEC3, VEC4, MAT2, MAT3 or MAT4");
    object sparse;
    if (!f.child("sparse", sparse))
        return true;
    accessor.sparse = true;
    GltfSparse& s = accessor.sparseData;
    const Fields sf(sparse, f.where() + ", sparse", reason);
    object indices;
    object values;
    if (!sf.number("count", s.count, true))
        return false;
    if (!sf.child("indices", indices))
        return sf.fail("indices", "is missing");
    if (!sf.child("values", values))
        return sf.fail("values", "is missing");
    const Fields fi(indices, sf.where() + " indices", reason);
    const Fields fv(values, sf.where() + " values", reason);
    if (!fi.number("bufferView", s.indexView, true) || !fi.number("byteOffset", s.indexOffset, false, UINT64_MAX >> 2)
        || !fi.number("componentType", s.indexType, true) || !fv.number("bufferView", s.valueView, true)
        || !fv.number("byteOffset", s.valueOffset, false, UINT64_MAX >> 2))
        return false;
    if (s.indexType != 5121 && s.indexType != 5123 && s.indexType != 5125)
        return fi.fail("componentType", "is not 5121, 5123 or 5125");
    return true;
}

bool readPrimitive(const Fields& f, GltfPrimitive& primitive, std::string& reason)
{
    object attributes;
    if (!f.child("attributes", attributes))
        return f.fail("attributes", "is missing");
    const Fields a(attributes, f.where(), reason);
    if (!a.number("POSITION", primitive.position, false) || !a.number("COLOR_0", primitive.colour, false)
        || !f.number("indices", primitive.indices, false) || !f.number("material", primitive.material, false)
        || !f.number("mode", primitive.mode, false))
        return false;
    object extensions;
    object draco;
    if (!f.child("extensions", extensions)
        || extensions["KHR_draco_mesh_compression"].get_object().get(draco) != simdjson::SUCCESS)
        return true;
    primitive.draco = true;
    const Fields d(draco, f.where() + ", KHR_draco_mesh_compression", reason);
    object ids;
    if (!d.number("bufferView", primitive.dracoView, true))
        return false;
    if (!d.child("attributes", ids))
        return d.fail("attributes", "is missing");
    const Fields di(ids, d.where(), reason);
    return di.number("POSITION", primitive.dracoPosition, false) && di.number("COLOR_0", primitive.dracoColour, false);
}

bool readMesh(const Fields& f, object fields, GltfMesh& mesh, std::string& reason)
{
    std::string_view name;
    if (!f.text("name", name, false))
        return false;
    mesh.name = std::string(name);
    return eachObject(fields, "primitives", (f.where() + ", primitive").c_str(), reason, [&](const Fields& p) {
        mesh.primitives.emplace_back();
        return readPrimitive(p, mesh.primitives.back(), reason);
    });
}

bool readMaterial(const Fields& f, GltfMaterial& material, std::string& reason)
{
    object pbr;
    if (!f.child("pbrMetallicRoughness", pbr))
        return true;
    const Fields p(pbr, f.where() + ", pbrMetallicRoughness", reason);
    std::vector<double> factor;
    if (!p.reals("baseColorFactor", factor, 4, material.hasBaseColour))
        return false;
    for (std::size_t i = 0; material.hasBaseColour && i < 3; ++i)
        material.baseColour[i] = static_cast<float>(std::fmin(std::fmax(factor[i], 0.0), 1.0));
    return true;
}

// matrix = translation x rotation x scale, column-major.
void composeTrs(const double* t, const double* q, const double* s, double* m)
{
    const double x = q[0], y = q[1], z = q[2], w = q[3];
    const double r[9] = {1 - 2 * (y * y + z * z), 2 * (x * y + z * w),     2 * (x * z - y * w),
                         2 * (x * y - z * w),     1 - 2 * (x * x + z * z), 2 * (y * z + x * w),
                         2 * (x * z + y * w),     2 * (y * z - x * w),     1 - 2 * (x * x + y * y)};
    for (int column = 0; column < 3; ++column)
        for (int row = 0; row < 3; ++row)
            m[column * 4 + row] = r[column * 3 + row] * s[column];
    m[3] = m[7] = m[11] = 0.0;
    m[12] = t[0];
    m[13] = t[1];
    m[14] = t[2];
    m[15] = 1.0;
}

bool readNode(const Fields& f, GltfNode& node)
{
    if (!f.number("mesh", node.mesh, false) || !f.indices("children", node.children))
        return false;
    std::vector<double> matrix;
    bool hasMatrix = false;
    if (!f.reals("matrix", matrix, 16, hasMatrix))
        return false;
    if (hasMatrix) {
        std::copy(matrix.begin(), matrix.end(), node.matrix);
        return true;
    }
    std::vector<double> t = {0, 0, 0};
    std::vector<double> r = {0, 0, 0, 1};
    std::vector<double> s = {1, 1, 1};
    bool present = false;
    if (!f.reals("translation", t, 3, present) || !f.reals("rotation", r, 4, present)
        || !f.reals("scale", s, 3, present))
        return false;
    composeTrs(t.data(), r.data(), s.data(), node.matrix);
    return true;
}

} // namespace

bool parseGltfDocument(const char* json, std::size_t size, bool padded, GltfDocument& document, std::string& reason)
{
    simdjson::dom::parser parser;
    // The parser's copy of the strings (the whole of a data: URI among them)
    // in huge pages: on this kind of machine small fresh pages cost more than
    // the copying.
    if (parser.doc.allocate(size) == simdjson::SUCCESS)
        adviseHugePages(parser.doc.string_buf.get(), 5 * size / 3 + simdjson::SIMDJSON_PADDING);
    element rootValue;
    const simdjson::error_code error = parser.parse(json, size, !padded).get(rootValue);
    if (error != simdjson::SUCCESS) {
        reason = std::string("the JSON cannot be read: ") + simdjson::error_message(error);
        return false;
    }
    object root;
    if (rootValue.get_object().get(root) != simdjson::SUCCESS) {
        reason = "the JSON is not an object";
        return false;
    }
    const Fields top(root, "the file", reason);
    object asset;
    std::string_view version;
    if (top.child("asset", asset) && Fields(asset, "asset", reason).text("version", version, false) && !version.empty()
        && version[0] != '2') {
        reason = "the file is glTF version " + std::string(version) + ", not 2";
        return false;
    }
    std::vector<std::string>& required = document.extensionsRequired;
    element list;
    if (root["extensionsRequired"].get(list) == simdjson::SUCCESS) {
        array names;
        if (list.get_array().get(names) != simdjson::SUCCESS)
            return top.fail("extensionsRequired", "is not a list");
        for (element name : names) {
            std::string_view text;
            if (name.get_string().get(text) != simdjson::SUCCESS)
                return top.fail("extensionsRequired", "holds something other than names");
            required.emplace_back(text);
        }
    }
    const bool read
        = eachObject(root, "buffers", "buffer", reason,
                     [&](const Fields& f) {
                         document.buffers.emplace_back();
                         GltfBuffer& b = document.buffers.back();
                         std::string_view uri;
                         if (!f.number("byteLength", b.byteLength, true, UINT64_MAX >> 2) || !f.text("uri", uri, false))
                             return false;
                         b.hasUri = f.has("uri");
                         const std::size_t comma = uri.find(',');
                         if (uri.substr(0, 5) == "data:" && comma != std::string_view::npos) {
                             b.uri = std::string(uri.substr(0, comma + 1));
                             if (b.uri.rfind(";base64", comma) != std::string::npos)
                                 b.decoded = decodeBase64(uri.data() + comma + 1, uri.size() - comma - 1, b.bytes);
                         } else {
                             b.uri = std::string(uri);
                         }
                         return true;
                     })
          && eachObject(root, "bufferViews", "buffer view", reason,
                        [&](const Fields& f) {
                            document.views.emplace_back();
                            return readView(f, document.views.back(), reason);
                        })
          && eachObject(root, "accessors", "accessor", reason,
                        [&](const Fields& f) {
                            document.accessors.emplace_back();
                            return readAccessor(f, document.accessors.back(), reason);
                        })
          && eachObject(root, "materials", "material", reason,
                        [&](const Fields& f) {
                            document.materials.emplace_back();
                            return readMaterial(f, document.materials.back(), reason);
                        })
          && eachObject(root, "nodes", "node", reason,
                        [&](const Fields& f) {
                            document.nodes.emplace_back();
                            return readNode(f, document.nodes.back());
                        })
          && eachObject(root, "scenes", "scene", reason, [&](const Fields& f) {
                 document.scenes.emplace_back();
                 return f.indices("nodes", document.scenes.back());
             });
    if (!read || !top.number("scene", document.scene, false))
        return false;
    // Meshes last: their objects are needed whole for the primitives.
    element meshes;
    if (root["meshes"].get(meshes) != simdjson::SUCCESS)
        return true;
    array meshList;
    if (meshes.get_array().get(meshList) != simdjson::SUCCESS)
        return top.fail("meshes", "is not a list");
    for (element item : meshList) {
        const std::string where = "mesh " + std::to_string(document.meshes.size());
        object fields;
        if (item.get_object().get(fields) != simdjson::SUCCESS) {
            reason = where + " is not an object";
            return false;
        }
        document.meshes.emplace_back();
        if (!readMesh(Fields(fields, where, reason), fields, document.meshes.back(), reason))
            return false;
    }
    return true;
}

std::string gltfMeshName(const GltfDocument& document, uint32_t mesh)
{
    std::string name = "mesh " + std::to_string(mesh);
    if (mesh < document.meshes.size() && !document.meshes[mesh].name.empty())
        name += " (\"" + document.meshes[mesh].name + "\")";
    return name;
}
