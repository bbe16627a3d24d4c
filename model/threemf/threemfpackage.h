#pragma once

// A 3MF package: the zip archive of a 3MF file, held in memory, and its
// parts read in blocks as they inflate, so that a large model part never
// needs to be held whole.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "model/loadcontrol.h"
#include "model/threemf/threemfinflate.h"

struct zip;
struct zip_stat;

class ThreeMfPackage {
public:
    ThreeMfPackage() = default;
    ThreeMfPackage(const ThreeMfPackage&) = delete;
    ThreeMfPackage& operator=(const ThreeMfPackage&) = delete;
    ~ThreeMfPackage();

    // Reads the whole stream and opens it as a zip archive; false with the
    // reason when the stream cannot be read, the load is cancelled or the
    // bytes are no zip archive.
    bool open(FILE* stream, std::string& reason, LoadControl* control);

    // Whether the package holds the part (a name such as "/3D/3dmodel.model"
    // or "3D/3dmodel.model", in any letter case).
    bool has(const std::string& part) const;

    // Where the reader writes the next block of a part's bytes: room for at
    // least `bytes` bytes, or null when memory runs out.
    using BlockBuffer = std::function<char*(std::size_t bytes)>;
    // Takes the block just written: its length, and whether it is the last.
    using BlockTaken = std::function<bool(std::size_t length, bool last)>;

    // Inflates the part in blocks, each written where `buffer` says and then
    // handed to `taken`; the control's bytesRead grows by the compressed
    // bytes taken and its cancel is looked at between blocks. Refuses, before
    // reading, a part whose declared size its compressed bytes cannot hold.
    // False with the reason (left to the caller when `taken` gives false).
    bool read(const std::string& part, const BlockBuffer& buffer, const BlockTaken& taken, std::string& reason,
              LoadControl* control) const;

    // How readWhole went: the part is read whole, or reading failed (the
    // reason says why), or the part is to be read in blocks instead (it is
    // not deflated, is encrypted, is empty, or its declared size does not
    // fit the load's memory limit).
    enum class Whole { read, failed, inBlocks };
    // Inflates a deflated part in one piece (inflateEntry) after the same
    // check of its declared size as read makes; the control's bytesRead
    // grows by its compressed bytes.
    Whole readWhole(const std::string& part, InflatedEntry& entry, std::string& reason, LoadControl* control) const;

    // Lets go of the archive and its bytes once every part has been read.
    void close();

    // The part's name as reasons quote it: with one leading '/'.
    static std::string partName(const std::string& part);

private:
    // The part's index in the archive, or -1.
    long long locate(const std::string& part) const;
    // Finds the part and its facts; false with the reason when the package
    // lacks it or its declared size is more than its compressed bytes can
    // hold.
    bool find(const std::string& part, long long& index, zip_stat& stat, std::string& reason) const;

    std::vector<char> bytes_;
    zip* archive_ = nullptr;
};
