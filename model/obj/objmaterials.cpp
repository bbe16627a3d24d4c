#include "model/obj/objmaterials.h"

#include <cstdio>
#include <memory>

#include <sys/stat.h>

#include "model/memorylimit.h"
#include "model/regularfile.h"

namespace {

// Notes about materials beyond this many are left out, with one sentence
// saying so: a file naming thousands of missing materials would otherwise
// fill the status bar.
constexpr int kMostNotes = 8;
// Libraries beyond this many names are not looked for: a file has one or a
// few, and a file of countless mtllib names must not cost a look each.
constexpr std::size_t kMostLibraries = 64;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r';
}

bool isRegularFile(const std::string& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool exists(const std::string& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0;
}

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

} // namespace

ObjMaterials::ObjMaterials(const char* folder, LoadControl* control)
    : folder_(folder != nullptr ? folder : ""), known_(folder != nullptr), control_(control),
      cancel_(control != nullptr ? &control->cancel : nullptr)
{
    if (!folder_.empty() && folder_.back() != '/')
        folder_ += '/';
}

void ObjMaterials::note(const std::string& sentence)
{
    if (control_ == nullptr || notes_ > kMostNotes)
        return;
    control_->addNote(++notes_ > kMostNotes ? std::string("more materials are missing") : sentence);
}

void ObjMaterials::readLibraries(const std::string& names)
{
    if (!known_ || names.empty())
        return;
    const bool whole = names.find_first_of(" \t\f\v\r") != std::string::npos
                       && isRegularFile(names.front() == '/' ? names : folder_ + names);
    if (whole) {
        readLibrary(names);
        return;
    }
    for (std::size_t i = 0; i < names.size();) {
        while (i < names.size() && isBlank(names[i]))
            ++i;
        std::size_t j = i;
        while (j < names.size() && !isBlank(names[j]))
            ++j;
        if (j > i)
            readLibrary(names.substr(i, j - i));
        i = j;
    }
}

void ObjMaterials::readLibrary(const std::string& name)
{
    if (libraries_.size() >= kMostLibraries || !libraries_.insert(name).second)
        return;
    const std::string path = name.front() == '/' ? name : folder_ + name;
    if (!exists(path)) {
        note("material library " + name + " was not found");
        return;
    }
    std::string reason;
    const std::unique_ptr<FILE, FileCloser> file(openRegularFile(path, reason));
    if (file == nullptr) {
        note("material library " + name + " could not be read: " + reason);
        return;
    }
    if (!budgetKnown_) {
        budget_ = loadMemoryLimit() / 4;
        budgetKnown_ = true;
    }
    const std::size_t first = materials_.size();
    readMtlLibrary(file.get(), name, materials_, budget_, control_, cancel_);
    index_.reserve(materials_.size());
    for (std::size_t i = first; i < materials_.size(); ++i)
        index_.emplace(materials_[i].name, i);
}

ObjColour ObjMaterials::colourOf(const std::string& name)
{
    ObjColour colour;
    if (!known_ || name.empty())
        return colour;
    const auto found = index_.find(name);
    if (found == index_.end()) {
        if (undefined_.size() <= kMostNotes && undefined_.insert(name).second)
            note("material " + name + " is not defined");
        return colour;
    }
    const MtlMaterial& material = materials_[found->second];
    if (material.coloured) {
        for (int i = 0; i < 3; ++i)
            colour.rgb[i] = material.colour[i];
        colour.given = true;
    }
    return colour;
}
