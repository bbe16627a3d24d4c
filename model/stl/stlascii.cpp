#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "model/numberscan.h"
#include "model/stl/stlbody.h"
#include "model/stl/stlwelder.h"

namespace {

// Roughly the bytes of one facet in an ASCII file, to size the welding
// table from the file's size.
constexpr long long kFacetBytes = 250;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

// The keyword at the front of [p, end) after blanks, lower-cased; p moves
// past it.
std::string keyword(const char*& p, const char* end)
{
    while (p < end && isBlank(*p))
        ++p;
    std::string word;
    while (p < end && !isBlank(*p) && word.size() < 16)
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(*p++)));
    return word;
}

class AsciiStl {
public:
    AsciiStl(BlockReader& in, ModelBuilder& builder, std::string& reason, long long fileBytes)
        : in_(in), builder_(builder), reason_(reason),
          welder_(builder, fileBytes > 0 ? static_cast<uint64_t>(fileBytes / kFacetBytes) : 0)
    {
    }

    bool read()
    {
        while (in_.nextLine()) {
            const char* p = in_.begin();
            const std::string word = keyword(p, in_.end());
            bool ok = true;
            if (word == "vertex")
                ok = vertex(p);
            else if (word == "facet")
                ok = beginFacet();
            else if (word == "endfacet")
                ok = endFacet();
            else if (word == "solid" || word == "endsolid")
                ok = !inFacet_ || failFacet("the facet has no endfacet");
            else if (!word.empty() && word != "outer" && word != "endloop")
                ok = failLine("\"" + word + "\" is not an STL keyword");
            if (!ok)
                return false;
        }
        const std::string stop = stlStopReason(in_);
        if (!stop.empty())
            return fail(stop);
        if (in_.stop() != BlockReader::Stop::end)
            return fail(in_.lineStopReason(""));
        if (inFacet_)
            return failFacet("the file ends inside the facet");
        return true;
    }

private:
    bool fail(const std::string& message)
    {
        reason_ = message;
        return false;
    }
    bool failLine(const std::string& message)
    {
        return fail("line " + std::to_string(in_.lineNumber()) + ": " + message);
    }
    bool failFacet(const std::string& message) { return fail("facet " + std::to_string(facet_) + ": " + message); }
    bool outOfMemory() { return fail("not enough memory for the model"); }

    bool beginFacet()
    {
        if (inFacet_)
            return failFacet("the facet has no endfacet");
        inFacet_ = true;
        ++facet_;
        corners_.clear();
        return true;
    }

    bool vertex(const char* p)
    {
        if (!inFacet_)
            return failLine("a vertex outside a facet");
        double xyz[3];
        for (double& value : xyz) {
            if ((p = scanDouble(p, in_.end(), value)) == nullptr)
                return failFacet("a vertex needs three numbers x y z");
        }
        float position[3];
        for (int k = 0; k < 3; ++k) {
            position[k] = static_cast<float>(xyz[k]);
            if (!std::isfinite(position[k]))
                return failFacet("a coordinate is not finite");
        }
        uint32_t index = 0;
        if (!welder_.vertexAt(position, index))
            return outOfMemory();
        corners_.push_back(index);
        return true;
    }

    bool endFacet()
    {
        if (!inFacet_)
            return failLine("an endfacet outside a facet");
        inFacet_ = false;
        if (corners_.size() < 3)
            return failFacet("a facet needs three corners, this one has " + std::to_string(corners_.size()));
        MeshVertex** slots = builder_.addFace(static_cast<uint32_t>(corners_.size()));
        if (slots == nullptr)
            return outOfMemory();
        for (std::size_t c = 0; c < corners_.size(); ++c)
            slots[c] = builder_.corner(corners_[c]);
        return true;
    }

    BlockReader& in_;
    ModelBuilder& builder_;
    std::string& reason_;
    StlWelder welder_;
    bool inFacet_ = false;
    uint64_t facet_ = 0;
    std::vector<uint32_t> corners_;
};

} // namespace

bool readStlAscii(BlockReader& in, long long fileBytes, ModelBuilder& builder, std::string& reason)
{
    // The counts are not known: the arrays grow with what is read.
    if (!builder.prepare(std::numeric_limits<uint32_t>::max(), 0, false, false)) {
        reason = "not enough memory for the model";
        return false;
    }
    AsciiStl reader(in, builder, reason, fileBytes);
    return reader.read();
}
