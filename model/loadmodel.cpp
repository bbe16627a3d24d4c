#include "model/loadmodel.h"

#include <cctype>

#include "model/formatsignature.h"
#include "model/obj/objreader.h"
#include "model/off/offreader.h"
#include "model/ply/plyreader.h"
#include "model/stl/stlreader.h"
#ifdef BRENVIK_SCENE_FORMATS
#include "model/gltf/gltfreader.h"
#include "model/threemf/threemfreader.h"
#endif

namespace {

// True when the extension begins with `name` (lower case) in any letter
// case, and, when `whole`, has nothing after it.
bool extensionIs(const char* extension, const char* name, bool whole)
{
    if (extension == nullptr)
        return false;
    std::size_t i = 0;
    for (; name[i] != '\0'; ++i) {
        if (std::tolower(static_cast<unsigned char>(extension[i])) != name[i])
            return false;
    }
    return !whole || extension[i] == '\0';
}

// The format the extension names; none for one no reader reads.
ModelFormat namedFormat(const char* extension)
{
    if (extensionIs(extension, "ply", false))
        return ModelFormat::ply;
    if (extensionIs(extension, "obj", true))
        return ModelFormat::obj;
    if (extensionIs(extension, "stl", true))
        return ModelFormat::stl;
    if (extensionIs(extension, "off", true))
        return ModelFormat::off;
#ifdef BRENVIK_SCENE_FORMATS
    if (extensionIs(extension, "gltf", true) || extensionIs(extension, "glb", true))
        return ModelFormat::gltf;
    if (extensionIs(extension, "3mf", true))
        return ModelFormat::threemf;
#endif
    return ModelFormat::none;
}

} // namespace

bool readsExtension(const char* extension)
{
    return namedFormat(extension) != ModelFormat::none;
}

MeshModel* loadModel(FILE* stream, const char* extension, std::string* reason, LoadControl* control, const char* folder)
{
    // A name no reader reads is refused whatever the file holds, as the
    // file dialog's other types are.
    const ModelFormat named = namedFormat(extension);
    if (named == ModelFormat::none) {
        if (reason != nullptr)
            *reason = "no reader for this file type";
        return nullptr;
    }
    ModelFormat content = ModelFormat::none;
    if (!peekSignature(stream, content)) {
        if (reason != nullptr)
            *reason = "the file could not be read";
        return nullptr;
    }
    MeshModel* model = nullptr;
    switch (content != ModelFormat::none ? content : named) {
    case ModelFormat::ply:
        model = readPlyModel(stream, reason, control);
        break;
    case ModelFormat::obj:
        model = readObjModel(stream, reason, control, folder);
        break;
    case ModelFormat::stl:
        model = readStlModel(stream, reason, control);
        break;
    case ModelFormat::off:
        model = readOffModel(stream, reason, control);
        break;
#ifdef BRENVIK_SCENE_FORMATS
    case ModelFormat::gltf:
        model = readGltfModel(stream, folder, reason, control);
        break;
    case ModelFormat::threemf:
        model = readThreeMfModel(stream, reason, control);
        break;
#else
    case ModelFormat::gltf: // a glTF binary's magic, in a build without the reader
    case ModelFormat::threemf:
        if (reason != nullptr)
            *reason = "no reader for this file type";
        break;
#endif
    case ModelFormat::none:
        break;
    }
    if (model != nullptr && control != nullptr && content != ModelFormat::none && content != named) {
        const std::string note = std::string("read as ") + formatName(content) + ": the file is named ." + extension;
        control->note = control->note.empty() ? note : note + "; " + control->note;
    }
    return model;
}

std::string skippedFacesNote(uint64_t count)
{
    if (count == 0)
        return std::string();
    return std::to_string(count) + (count == 1 ? " face" : " faces") + " of fewer than three corners "
           + (count == 1 ? "was" : "were") + " skipped";
}

std::string loadNote(const LoadControl& control)
{
    std::string note = skippedFacesNote(control.skippedFaces.load());
    if (!note.empty() && !control.note.empty())
        note += "; ";
    return note + control.note;
}
