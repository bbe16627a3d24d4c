#include "model/threemf/threemfpackage.h"

#include <sys/stat.h>

#include <algorithm>

#include <zip.h>

#include "model/bigmemory.h"
#include "model/memorylimit.h"

namespace {

// The bytes inflated at a time from a part.
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
// Deflate's best ratio is about 1032 to 1; beyond that (and a little room
// for tiny parts) a declared size is a lie.
constexpr uint64_t kMostInflation = 1032;
constexpr uint64_t kInflationSlack = 1024;

// The name of the part inside the zip archive: without a leading '/'.
std::string entryName(const std::string& part)
{
    return !part.empty() && part[0] == '/' ? part.substr(1) : part;
}

} // namespace

ThreeMfPackage::~ThreeMfPackage()
{
    if (archive_ != nullptr)
        zip_discard(archive_);
}

std::string ThreeMfPackage::partName(const std::string& part)
{
    return "/" + entryName(part);
}

bool ThreeMfPackage::open(FILE* stream, std::string& reason, LoadControl* control)
{
    // The package is held whole while its parts are read.
    const uint64_t limit = loadMemoryLimit();
    struct stat info { };
    if (fstat(fileno(stream), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        const long long at = ftello(stream);
        if (at >= 0 && info.st_size > at) {
            const auto size = static_cast<uint64_t>(info.st_size - at);
            if (!fitsMemoryLimit(size, limit, reason))
                return false;
            // (With room for the read that finds the end.)
            bytes_.reserve(static_cast<std::size_t>(size) + kBlockBytes);
            adviseHugePages(bytes_.data(), bytes_.capacity());
        }
    }
    std::size_t length = 0;
    for (;;) {
        if (control != nullptr && control->cancel.load()) {
            reason = "loading was cancelled";
            return false;
        }
        if (bytes_.size() - length < kBlockBytes) {
            const std::size_t size = std::max(bytes_.capacity(), length + kBlockBytes);
            if (!fitsMemoryLimit(size, limit, reason))
                return false;
            bytes_.resize(size);
        }
        const std::size_t got = fread(bytes_.data() + length, 1, bytes_.size() - length, stream);
        length += got;
        if (got == 0)
            break;
    }
    if (ferror(stream)) {
        reason = "the file could not be read";
        return false;
    }
    bytes_.resize(length);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes_.data(), bytes_.size(), 0, &error);
    if (source != nullptr) {
        archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (archive_ == nullptr)
            zip_source_free(source);
    }
    if (archive_ == nullptr) {
        reason = std::string("the file is not a 3MF package (a zip archive): ") + zip_error_strerror(&error);
        zip_error_fini(&error);
        return false;
    }
    zip_error_fini(&error);
    return true;
}

long long ThreeMfPackage::locate(const std::string& part) const
{
    // (Some writers store the names with their leading '/'.)
    const zip_int64_t index = zip_name_locate(archive_, entryName(part).c_str(), ZIP_FL_NOCASE);
    return index >= 0 ? index : zip_name_locate(archive_, partName(part).c_str(), ZIP_FL_NOCASE);
}

bool ThreeMfPackage::has(const std::string& part) const
{
    return archive_ != nullptr && locate(part) >= 0;
}

bool ThreeMfPackage::find(const std::string& part, long long& index, zip_stat_t& stat, std::string& reason) const
{
    const std::string name = partName(part);
    index = locate(part);
    if (index < 0 || zip_stat_index(archive_, static_cast<zip_uint64_t>(index), 0, &stat) != 0) {
        reason = "the package has no part " + name;
        return false;
    }
    const uint64_t size = (stat.valid & ZIP_STAT_SIZE) != 0 ? stat.size : 0;
    const uint64_t packed = (stat.valid & ZIP_STAT_COMP_SIZE) != 0 ? stat.comp_size : 0;
    const bool stored = (stat.valid & ZIP_STAT_COMP_METHOD) != 0 && stat.comp_method == ZIP_CM_STORE;
    if (packed > bytes_.size()) {
        // (The compressed bytes lie in the package: no more of them than it has.)
        reason = name + " declares " + std::to_string(packed) + " compressed bytes, more than the package's "
                 + std::to_string(bytes_.size());
        return false;
    }
    if ((stored && size != packed) || (!stored && size / kMostInflation > packed + kInflationSlack)) {
        reason = name + " declares " + std::to_string(size) + " bytes, more than its " + std::to_string(packed)
                 + " bytes in the package can hold";
        return false;
    }
    return true;
}

void ThreeMfPackage::close()
{
    if (archive_ != nullptr)
        zip_discard(archive_);
    archive_ = nullptr;
    std::vector<char>().swap(bytes_);
}

ThreeMfPackage::Whole ThreeMfPackage::readWhole(const std::string& part, InflatedEntry& entry, std::string& reason,
                                                LoadControl* control) const
{
    const std::string name = partName(part);
    long long index = -1;
    zip_stat_t stat;
    if (!find(part, index, stat, reason))
        return Whole::failed;
    const zip_uint64_t wanted = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD;
    std::string limitReason;
    if ((stat.valid & wanted) != wanted || stat.comp_method != ZIP_CM_DEFLATE || stat.size == 0
        || ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && stat.encryption_method != ZIP_EM_NONE)
        || !fitsMemoryLimit(stat.size + stat.comp_size, loadMemoryLimit(), limitReason))
        return Whole::inBlocks;
    // The compressed bytes as they stand in the archive.
    std::vector<uint8_t> packed;
    packed.reserve(static_cast<std::size_t>(stat.comp_size));
    adviseHugePages(packed.data(), packed.capacity());
    packed.resize(static_cast<std::size_t>(stat.comp_size));
    zip_file_t* file = zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), ZIP_FL_COMPRESSED);
    if (file == nullptr) {
        reason = name + ": " + zip_strerror(archive_);
        return Whole::failed;
    }
    std::size_t done = 0;
    while (done < packed.size()) {
        const zip_int64_t got = zip_fread(file, packed.data() + done, packed.size() - done);
        if (got <= 0) {
            reason = got < 0 ? name + ": " + zip_file_strerror(file)
                             : name + " ends after " + std::to_string(done) + " of its " + std::to_string(packed.size())
                                   + " compressed bytes";
            zip_fclose(file);
            return Whole::failed;
        }
        done += static_cast<std::size_t>(got);
    }
    zip_fclose(file);
    if (control != nullptr)
        control->bytesRead += packed.size();
    return inflateEntry(name, std::move(packed), static_cast<std::size_t>(stat.size), stat.crc,
                        (stat.valid & ZIP_STAT_CRC) != 0, entry, reason, control)
               ? Whole::read
               : Whole::failed;
}

bool ThreeMfPackage::read(const std::string& part, const BlockBuffer& buffer, const BlockTaken& taken,
                          std::string& reason, LoadControl* control) const
{
    const std::string name = partName(part);
    long long index = -1;
    zip_stat_t stat;
    if (!find(part, index, stat, reason))
        return false;
    const uint64_t size = (stat.valid & ZIP_STAT_SIZE) != 0 ? stat.size : 0;
    const uint64_t packed = (stat.valid & ZIP_STAT_COMP_SIZE) != 0 ? stat.comp_size : 0;
    zip_file_t* file = zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), 0);
    if (file == nullptr) {
        reason = name + ": " + zip_strerror(archive_);
        return false;
    }
    uint64_t done = 0;
    uint64_t counted = 0;
    bool ok = true;
    for (;;) {
        if (control != nullptr && control->cancel.load()) {
            reason = "loading was cancelled";
            ok = false;
            break;
        }
        const uint64_t left = size - done;
        const std::size_t want = left > 0 && left < kBlockBytes ? static_cast<std::size_t>(left) : kBlockBytes;
        char* block = buffer(want);
        if (block == nullptr) {
            reason = "not enough memory to read the file";
            ok = false;
            break;
        }
        const zip_int64_t got = zip_fread(file, block, want);
        if (got < 0) {
            reason = name + ": " + zip_file_strerror(file);
            ok = false;
            break;
        }
        done += static_cast<uint64_t>(got);
        if (done > size) {
            reason = name + " holds more than the " + std::to_string(size) + " bytes it declares";
            ok = false;
            break;
        }
        if (control != nullptr && size > 0) {
            const uint64_t now = packed * done / size;
            control->bytesRead += now - counted;
            counted = now;
        }
        if (got == 0 && done < size) {
            reason = name + " ends after " + std::to_string(done) + " of its " + std::to_string(size) + " bytes";
            ok = false;
            break;
        }
        const bool last = got == 0 || done == size;
        if (!taken(static_cast<std::size_t>(got), last)) {
            ok = false;
            break;
        }
        if (last)
            break;
    }
    zip_fclose(file);
    return ok;
}
