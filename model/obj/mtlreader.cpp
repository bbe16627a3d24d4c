#include "model/obj/mtlreader.h"

#include <cmath>
#include <cstring>

#include "model/blockreader.h"
#include "model/numberscan.h"

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r';
}

// True when the line from p starts with the word `word`, followed by a blank
// or its end; p is then past the word.
bool startsWithWord(const char*& p, const char* end, const char* word)
{
    const std::size_t length = std::strlen(word);
    if (static_cast<std::size_t>(end - p) < length || std::memcmp(p, word, length) != 0
        || (static_cast<std::size_t>(end - p) > length && !isBlank(p[length])))
        return false;
    p += length;
    return true;
}

std::string trimmed(const char* p, const char* end)
{
    while (p < end && isBlank(*p))
        ++p;
    while (end > p && isBlank(end[-1]))
        --end;
    return std::string(p, end);
}

float channel(double value)
{
    return value >= 0.0 ? (value <= 1.0 ? static_cast<float>(value) : 1.0f) : 0.0f;
}

// True when nothing but blanks or a comment is left of the line.
bool restIsEmpty(const char* p, const char* end)
{
    while (p < end && isBlank(*p))
        ++p;
    return p == end || *p == '#';
}

// Reads the numbers of a Kd line into the material ("Kd r g b", or "Kd r"
// for a grey of r); the fault otherwise.
std::string readColour(const char* p, const char* end, MtlMaterial& material)
{
    double values[3];
    for (int i = 0; i < 3; ++i) {
        const char* q = scanDouble(p, end, values[i]);
        if (q == nullptr && i == 1 && restIsEmpty(p, end)) {
            values[1] = values[2] = values[0];
            break;
        }
        if (q == nullptr)
            return "a Kd colour needs three numbers r g b";
        if (!std::isfinite(values[i]))
            return "a Kd colour is not a finite number";
        p = q;
    }
    for (int i = 0; i < 3; ++i)
        material.colour[i] = channel(values[i]);
    material.coloured = true;
    return std::string();
}

// What one material takes: its record, its name and its place in the
// reader's index, about.
uint64_t materialBytes(const std::string& name)
{
    return sizeof(MtlMaterial) + 2 * name.size() + 64;
}

} // namespace

void readMtlLibrary(FILE* stream, const std::string& name, std::vector<MtlMaterial>& materials, uint64_t& budget,
                    LoadControl* control, const std::atomic<bool>* cancel)
{
    bool noted = false; // the first bad Kd line of a library is noted, not every one
    const auto note = [&](long long line, const std::string& message) {
        if (control != nullptr && !noted)
            control->addNote(name + " line " + std::to_string(line) + ": " + message);
        noted = true;
    };
    BlockReader in(stream, readerBlockSize(bytesLeftInFile(stream)), nullptr);
    MtlMaterial* current = nullptr;
    while (in.nextLine()) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed))
            return;
        const char* p = in.begin();
        const char* end = in.end();
        while (p < end && isBlank(*p))
            ++p;
        if (startsWithWord(p, end, "newmtl")) {
            std::string named = trimmed(p, end);
            const uint64_t bytes = materialBytes(named);
            if (bytes > budget) {
                note(in.lineNumber(), "the materials need more memory than the load may use");
                return;
            }
            budget -= bytes;
            materials.push_back(MtlMaterial());
            materials.back().name = std::move(named);
            current = &materials.back();
        } else if (current != nullptr && startsWithWord(p, end, "Kd")) {
            const std::string fault = readColour(p, end, *current);
            if (!fault.empty()) {
                current->coloured = false;
                note(in.lineNumber(), fault);
            }
        }
    }
    if (in.stop() != BlockReader::Stop::end && in.stop() != BlockReader::Stop::cancelled && control != nullptr)
        control->addNote(name + " " + in.lineStopReason(""));
}
