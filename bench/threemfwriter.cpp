#include "bench/threemfwriter.h"

#include <cstdio>
#include <cstdlib>

#include <zip.h>

#include "bench/gridply.h"

namespace {

const char* const kContentTypes
    = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Types "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default Extension=\"rels\" "
      "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"model\" "
      "ContentType=\"application/vnd.ms-package.3dmanufacturing-3dmodel+xml\"/></Types>\n";
const char* const kRelations
    = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Relationships "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
      "Target=\"/3D/3dmodel.model\" "
      "Id=\"rel0\" Type=\"http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel\"/></Relationships>\n";
const char* const kModelStart = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<model unit=\"millimeter\" "
                                "xml:lang=\"en-US\" "
                                "xmlns=\"http://schemas.microsoft.com/3dmanufacturing/core/2015/02\">\n <resources>\n";

std::string tetraObject(int id, const char* extra, const char* triangleExtra)
{
    return "  <object id=\"" + std::to_string(id) + "\" type=\"model\"" + extra
           + ">\n   <mesh>\n    <vertices>\n     <vertex x=\"0\" y=\"0\" z=\"0\"/>\n     <vertex x=\"1\" y=\"0\" "
             "z=\"0\"/>\n     <vertex x=\"0\" y=\"2\" z=\"0\"/>\n     <vertex x=\"0\" y=\"0\" z=\"3\"/>\n    "
             "</vertices>\n    <triangles>\n     <triangle v1=\"0\" v2=\"2\" v3=\"1\""
           + triangleExtra
           + "/>\n     <triangle v1=\"0\" v2=\"1\" v3=\"3\"/>\n     <triangle v1=\"0\" v2=\"3\" v3=\"2\"/>\n     "
             "<triangle v1=\"1\" v2=\"2\" v3=\"3\"/>\n    </triangles>\n   </mesh>\n  </object>\n";
}

} // namespace

bool writeThreeMfPackage(const std::string& path, const ThreeMfParts& parts, bool deflate)
{
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (archive == nullptr) {
        std::fprintf(stderr, "%s: cannot be written\n", path.c_str());
        return false;
    }
    ThreeMfParts all = {{"[Content_Types].xml", kContentTypes}, {"_rels/.rels", kRelations}};
    all.insert(all.end(), parts.begin(), parts.end());
    for (const auto& part : all) {
        zip_source_t* data = zip_source_buffer(archive, part.second.data(), part.second.size(), 0);
        const zip_int64_t index
            = data != nullptr ? zip_file_add(archive, part.first.c_str(), data, ZIP_FL_OVERWRITE) : -1;
        if (index < 0
            || zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                        deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0)
                   != 0) {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), zip_strerror(archive));
            zip_source_free(data);
            zip_discard(archive);
            return false;
        }
    }
    if (zip_close(archive) != 0) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), zip_strerror(archive));
        zip_discard(archive);
        return false;
    }
    return true;
}

const std::string& gridThreeMfPath()
{
    static const std::string path = [] {
        std::string model = kModelStart;
        model.reserve(std::size_t{140} << 20);
        model += "  <object id=\"1\" name=\"grid\" type=\"model\">\n   <mesh>\n    <vertices>\n";
        char line[128];
        for (int j = 0; j < kGridSide; ++j) {
            for (int i = 0; i < kGridSide; ++i) {
                double p[3];
                gridPoint(i, j, p);
                model.append(line, static_cast<std::size_t>(std::snprintf(
                                       line, sizeof line, "     <vertex x=\"%.6f\" y=\"%.6f\" z=\"%.6f\"/>\n", p[0],
                                       p[1], p[2])));
            }
        }
        model += "    </vertices>\n    <triangles>\n";
        for (int k = 0; k < kGridPlyFaces; ++k) {
            int c[3];
            gridTriangle(k, c);
            model.append(line,
                         static_cast<std::size_t>(std::snprintf(
                             line, sizeof line, "     <triangle v1=\"%d\" v2=\"%d\" v3=\"%d\"/>\n", c[0], c[1], c[2])));
        }
        model += "    </triangles>\n   </mesh>\n  </object>\n </resources>\n <build>\n  <item objectid=\"1\"/>\n "
                 "</build>\n</model>\n";
        const std::string file = benchFolder() + "/grid.3mf";
        if (!writeThreeMfPackage(file, {{"3D/3dmodel.model", model}}, true))
            std::exit(1);
        return file;
    }();
    return path;
}

bool writeThreeMfSeeds(const std::string& folder)
{
    const std::string end = " </resources>\n <build>\n";
    const std::string tetra
        = kModelStart + tetraObject(1, "", "") + end + "  <item objectid=\"1\"/>\n </build>\n</model>\n";
    const std::string placed
        = std::string(kModelStart)
          + "  <basematerials id=\"5\">\n   <base name=\"red\" displaycolor=\"#FF0000\"/>\n   <base name=\"green\" "
            "displaycolor=\"#00FF0080\"/>\n  </basematerials>\n  <colorgroup id=\"6\">\n   <color "
            "color=\"#336699\"/>\n  </colorgroup>\n"
          + tetraObject(1, " pid=\"5\" pindex=\"1\"", " pid=\"6\" p1=\"0\"")
          + "  <object id=\"2\" type=\"model\">\n   <components>\n    <component objectid=\"1\" transform=\"1 0 0 0 1 "
            "0 "
            "0 0 1 4 0 0\"/>\n    <component objectid=\"1\" transform=\"0 1 0 -1 0 0 0 0 1 0 0 0\"/>\n   "
            "</components>\n  </object>\n"
          + end + "  <item objectid=\"2\" transform=\"2 0 0 0 2 0 0 0 2 0 0 1\"/>\n </build>\n</model>\n";
    return writeThreeMfPackage(folder + "/tetra_stored.3mf", {{"3D/3dmodel.model", tetra}}, false)
           && writeThreeMfPackage(folder + "/tetra_deflated.3mf", {{"3D/3dmodel.model", tetra}}, true)
           && writeThreeMfPackage(folder + "/components_colours.3mf", {{"3D/3dmodel.model", placed}}, true);
}
