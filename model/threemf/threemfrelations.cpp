#include "model/threemf/threemfrelations.h"

#include <cctype>
#include <cstring>
#include <functional>

#include "model/threemf/threemfxml.h"

namespace {

constexpr const char* kDefaultKeyStore = "/Secure/keystore.xml";

bool endsWith(const std::string& text, const char* tail)
{
    const std::size_t length = std::strlen(tail);
    return text.size() >= length && text.compare(text.size() - length, length, tail) == 0;
}

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Hands every element (local name and attributes) to a function.
class ElementVisitor : public ThreeMfXml::Handler {
public:
    explicit ElementVisitor(std::function<void(const char*, const char**)> visit) : visit_(std::move(visit)) { }
    bool start(ThreeMfXml& /*xml*/, const char* name, const char** attributes) override
    {
        visit_(name, attributes);
        return true;
    }
    void end(const char* /*name*/) override { }

private:
    std::function<void(const char*, const char**)> visit_;
};

} // namespace

bool ThreeMfRelations::encrypted(const std::string& part) const
{
    return encrypted_.count(lowerCase(ThreeMfPackage::partName(part))) != 0;
}

bool ThreeMfRelations::read(const ThreeMfPackage& package, std::string& reason, LoadControl* control)
{
    if (package.has("_rels/.rels") && !readRelations(package, "_rels/.rels", "/", reason, control))
        return false;
    const std::size_t slash = root_.rfind('/');
    const std::string folder = root_.substr(0, slash + 1);
    const std::string rootRelations = folder + "_rels/" + root_.substr(slash + 1) + ".rels";
    if (package.has(rootRelations) && !readRelations(package, rootRelations, folder, reason, control))
        return false;
    if (keyStore_.empty() && package.has(kDefaultKeyStore))
        keyStore_ = kDefaultKeyStore;
    return keyStore_.empty() || readKeyStore(package, keyStore_, reason, control);
}

bool ThreeMfRelations::readRelations(const ThreeMfPackage& package, const std::string& part, const std::string& folder,
                                     std::string& reason, LoadControl* control)
{
    bool rootNamed = false;
    ElementVisitor visitor([&](const char* name, const char** attributes) {
        if (std::strcmp(name, "Relationship") != 0)
            return;
        const char* type = ThreeMfXml::attribute(attributes, "Type");
        const char* target = ThreeMfXml::attribute(attributes, "Target");
        if (type == nullptr || target == nullptr || *target == '\0')
            return;
        const std::string path = ThreeMfPackage::partName(*target == '/' ? std::string(target) : folder + target);
        if (endsWith(type, "/3dmodel") && !rootNamed && folder == "/") {
            root_ = path;
            rootNamed = true;
        } else if (endsWith(type, "/encryptedfile")) {
            encrypted_.insert(lowerCase(path));
        } else if (endsWith(type, "/keystore")) {
            keyStore_ = path;
        }
    });
    ThreeMfXml xml(part);
    return xml.parse(package, visitor, reason, control);
}

bool ThreeMfRelations::readKeyStore(const ThreeMfPackage& package, const std::string& part, std::string& reason,
                                    LoadControl* control)
{
    ElementVisitor visitor([this](const char* name, const char** attributes) {
        const char* path = ThreeMfXml::attribute(attributes, "path");
        if (std::strcmp(name, "resourcedata") == 0 && path != nullptr)
            encrypted_.insert(lowerCase(ThreeMfPackage::partName(path)));
    });
    ThreeMfXml xml(part);
    return !package.has(part) || xml.parse(package, visitor, reason, control);
}
