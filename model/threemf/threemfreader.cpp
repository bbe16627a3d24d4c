#include "model/threemf/threemfreader.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "model/modelbuilder.h"
#include "model/modelunit.h"
#include "model/readerentry.h"
#include "model/threemf/threemfassembly.h"
#include "model/threemf/threemfpackage.h"
#include "model/threemf/threemfpart.h"
#include "model/threemf/threemfpartparser.h"
#include "model/threemf/threemfrelations.h"
#include "model/threemf/threemfxml.h"

namespace {

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class ThreeMfReader {
public:
    ThreeMfReader(FILE* stream, std::string& reason, LoadControl* control)
        : stream_(stream), reason_(reason), control_(control)
    {
    }

    MeshModel* read()
    {
        if (!package_.open(stream_, reason_, control_) || !relations_.read(package_, reason_, control_))
            return nullptr;
        const std::string root = relations_.rootPart();
        if (!package_.has(root)) {
            reason_ = "the package has no model part " + root;
            return nullptr;
        }
        // The root part first, then every part its references name, and
        // theirs, each once.
        std::vector<std::string> queue{root};
        for (std::size_t next = 0; next < queue.size(); ++next) {
            ThreeMfPart* part = readPart(queue[next]);
            if (part == nullptr)
                return nullptr;
            const auto follow = [this, &queue](const ThreeMfReference& reference) {
                if (reference.path.empty())
                    return;
                const std::string name = ThreeMfPackage::partName(reference.path);
                if (parts_.count(lowerCase(name)) == 0 && package_.has(name)
                    && std::find(queue.begin(), queue.end(), name) == queue.end())
                    queue.push_back(name);
            };
            for (const ThreeMfReference& item : part->items)
                follow(item);
            for (const auto& object : part->objects) {
                for (const ThreeMfReference& component : object.second.components)
                    follow(component);
            }
        }
        // Every part is read: the package's bytes go before the model comes.
        package_.close();
        ThreeMfAssembly assembly(parts_, parts_.at(lowerCase(root)));
        if (!assembly.place(reason_) || !assembly.build(builder_, reason_, control_))
            return nullptr;
        // Everything read is handed over; the parts' own copies go before
        // the model is finished.
        builder_.setUnit(unitNamed(parts_.at(lowerCase(root)).unit.c_str()));
        parts_.clear();
        return builder_.finishLoad(control_, reason_);
    }

private:
    ThreeMfPart* readPart(const std::string& name)
    {
        if (relations_.encrypted(name)) {
            reason_ = "the model part " + name + " is encrypted";
            return nullptr;
        }
        ThreeMfPart& part = parts_[lowerCase(name)];
        part.path = name;
        ThreeMfPartParser parser(part);
        ThreeMfXml xml(name);
        return xml.parse(package_, parser, reason_, control_) ? &part : nullptr;
    }

    FILE* stream_;
    std::string& reason_;
    LoadControl* control_;
    ThreeMfPackage package_;
    ThreeMfRelations relations_;
    std::map<std::string, ThreeMfPart> parts_;
    ModelBuilder builder_;
};

} // namespace

MeshModel* readThreeMfModel(FILE* stream, std::string* reason, LoadControl* control)
{
    return runReader(stream, reason, [stream, control](std::string& why) -> MeshModel* {
        ThreeMfReader reader(stream, why, control);
        return reader.read();
    });
}
