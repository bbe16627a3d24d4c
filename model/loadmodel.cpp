#include "model/loadmodel.h"

#include <cctype>

#include "model/obj/objreader.h"
#include "model/off/offreader.h"
#include "model/ply/plyreader.h"
#include "model/stl/stlreader.h"

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

} // namespace

MeshModel* loadModel(FILE* stream, const char* extension, std::string* reason, LoadControl* control)
{
    if (extensionIs(extension, "ply", false))
        return readPlyModel(stream, reason, control);
    if (extensionIs(extension, "obj", true))
        return readObjModel(stream, reason, control);
    if (extensionIs(extension, "stl", true))
        return readStlModel(stream, reason, control);
    if (extensionIs(extension, "off", true))
        return readOffModel(stream, reason, control);
    if (reason != nullptr)
        *reason = "no reader for this file type";
    return nullptr;
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
