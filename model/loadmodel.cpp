#include "model/loadmodel.h"

#include "model/ply/plyreader.h"

MeshModel* loadModel(FILE* stream, const char* extension, std::string* reason, LoadControl* control)
{
    if (!isPlyExtension(extension)) {
        if (reason != nullptr)
            *reason = "no reader for this file type";
        return nullptr;
    }
    return readPlyModel(stream, reason, control);
}
