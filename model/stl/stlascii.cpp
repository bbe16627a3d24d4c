#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
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
          welder_(fileBytes > 0 ? static_cast<uint64_t>(fileBytes / kFacetBytes) : 0)
    {
    }

    bool read()
    {
        // A UTF-8 byte-order mark before "solid" is not part of the text.
        const char* mark = nullptr;
        if (in_.peek(3, mark) == 3 && std::memcmp(mark, "\xEF\xBB\xBF", 3) == 0)
            in_.take(3, mark);
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
        if (welder_.build(builder_, faceSizes_, in_.control()))
            return true;
        return in_.cancelRequested() ? fail("loading was cancelled") : outOfMemory();
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
        facetStart_ = welder_.cornerCount();
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
        return welder_.addCorner(position) || outOfMemory();
    }

    bool endFacet()
    {
        if (!inFacet_)
            return failLine("an endfacet outside a facet");
        inFacet_ = false;
        const std::size_t corners = welder_.cornerCount() - facetStart_;
        if (corners < 3)
            return failFacet("a facet needs three corners, this one has " + std::to_string(corners));
        faceSizes_.push_back(static_cast<uint32_t>(corners));
        return true;
    }

    BlockReader& in_;
    ModelBuilder& builder_;
    std::string& reason_;
    StlWelder welder_;
    bool inFacet_ = false;
    uint64_t facet_ = 0;
    std::size_t facetStart_ = 0;      // the facet's first corner
    std::vector<uint32_t> faceSizes_; // corners of each facet
};

} // namespace

bool readStlAscii(BlockReader& in, long long fileBytes, ModelBuilder& builder, std::string& reason)
{
    AsciiStl reader(in, builder, reason, fileBytes);
    return reader.read();
}
