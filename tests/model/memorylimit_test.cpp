// The memory a load may use: the user's limit, the reason a model that would
// need more is refused with, and that the refusal comes before the memory is
// taken, from the header or while the file is read.

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "model/memorylimit.h"
#include "tests/support/modeltestsupport.h"

namespace {

// Sets BRENVIK_MEMORY_LIMIT for the life of the object.
class MemoryLimit {
public:
    explicit MemoryLimit(const char* value) { setenv("BRENVIK_MEMORY_LIMIT", value, 1); }
    ~MemoryLimit() { unsetenv("BRENVIK_MEMORY_LIMIT"); }
};

TEST(MemoryLimitTest, TheUsersLimitIsReadInBytesOrPowersOf1024)
{
    const struct {
        const char* set;
        uint64_t limit;
    } rows[] = {{"1000", 1000}, {"2K", 2048}, {"1M", 1u << 20}, {"3MiB", 3u << 20}, {"1G", uint64_t{1} << 30}};
    for (const auto& row : rows) {
        const MemoryLimit limit(row.set);
        EXPECT_EQ(loadMemoryLimit(), row.limit) << row.set;
    }
    // Text that is no size leaves what the system has (more than a kilobyte).
    for (const char* junk : {"", "lots", "-5", "5X"}) {
        const MemoryLimit limit(junk);
        EXPECT_GT(loadMemoryLimit(), 1024u) << junk;
    }
}

TEST(MemoryLimitTest, ARefusalSaysHowMuchIsNeededAndHowMuchMayBeUsed)
{
    const struct {
        uint64_t need;
        uint64_t limit;
        const char* reason;
    } rows[] = {
        {17179869168u, 6442450944u, "the model would need 17.2 GB; 6.4 GB may be used"},
        {999, 998, "the model would need 999 bytes; 998 bytes may be used"},
        {999950, 1000, "the model would need 1.0 MB; 1.0 kB may be used"},
        {1234567, 1000000, "the model would need 1.2 MB; 1.0 MB may be used"},
    };
    for (const auto& row : rows) {
        std::string reason;
        EXPECT_FALSE(fitsMemoryLimit(row.need, row.limit, reason));
        EXPECT_EQ(reason, row.reason);
        EXPECT_TRUE(fitsMemoryLimit(row.limit, row.limit, reason));
    }
    EXPECT_EQ(modelBytes(1, 1, 3, true), sizeof(MeshVertex) + 12 + sizeof(MeshFace) + 3 * sizeof(MeshVertex*));
}

TEST(MemoryLimitTest, ModelsBeyondTheLimitAreRefusedFromTheHeaderOrAsTheyGrow)
{
    const MemoryLimit limit("1M");
    // 100,000 vertices of three bytes: 4.8 MB as a model.
    BinaryPly sparse(false, "element vertex 100000\nproperty char x\nproperty char y\nproperty char z\n");
    for (int i = 0; i < 300000; ++i)
        sparse.put(int8_t{0});
    for (StreamKind kind : {StreamKind::regularFile, StreamKind::pipe})
        EXPECT_EQ(rejection(sparse.text(), kind), "the model would need 4.8 MB; 1.0 MB may be used");
    // A small header, then a polygon of a million corners.
    std::string polygon = plyHeader(3, 1) + "0 0 0\n1 0 0\n0 1 0\n1000000";
    for (int i = 0; i < 1000000; ++i)
        polygon += i % 2 == 0 ? " 0" : " 1";
    for (StreamKind kind : {StreamKind::regularFile, StreamKind::pipe}) {
        const std::string reason = rejection(polygon + "\n", kind);
        EXPECT_EQ(reason.substr(0, 21), "the model would need ") << reason;
        EXPECT_NE(reason.find("; 1.0 MB may be used"), std::string::npos) << reason;
    }
}

} // namespace
