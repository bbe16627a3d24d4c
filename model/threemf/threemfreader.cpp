#include "model/threemf/threemfreader.h"

#include "model/readerentry.h"

MeshModel* readThreeMfModel(FILE* stream, std::string* reason, LoadControl* /*control*/)
{
    return runReader(stream, reason, [](std::string& why) -> MeshModel* {
        why = "3MF files cannot be read yet";
        return nullptr;
    });
}
