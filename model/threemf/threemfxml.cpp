#include "model/threemf/threemfxml.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Cancel is looked at every this many items.
constexpr std::size_t kCancelStride = 65536;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Where a name ends: white space, or a character no name holds.
bool endsName(char c)
{
    return isSpace(c) || c == '/' || c == '>' || c == '=' || c == '<' || c == '"' || c == '\'' || c == '\0';
}

// Whether [p, end) starts with `word`; `cut` is set when the text ends
// before it could tell.
bool startsWith(const char* p, const char* end, const char* word, bool& cut)
{
    const std::size_t length = std::strlen(word);
    const std::size_t have = static_cast<std::size_t>(end - p);
    cut = have < length && std::memcmp(p, word, have) == 0;
    return have >= length && std::memcmp(p, word, length) == 0;
}

// The first `word` in [p, end), or null.
char* find(char* p, char* end, const char* word)
{
    const std::size_t length = std::strlen(word);
    for (;;) {
        p = static_cast<char*>(std::memchr(p, word[0], static_cast<std::size_t>(end - p)));
        if (p == nullptr || static_cast<std::size_t>(end - p) < length)
            return nullptr;
        if (std::memcmp(p, word, length) == 0)
            return p;
        ++p;
    }
}

// Writes a code point as UTF-8; false for one no XML text may hold.
bool writeUtf8(unsigned long code, char*& out)
{
    if (code == 0 || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
        return false;
    if (code < 0x80) {
        *out++ = static_cast<char>(code);
    } else if (code < 0x800) {
        *out++ = static_cast<char>(0xc0 | (code >> 6));
        *out++ = static_cast<char>(0x80 | (code & 0x3f));
    } else if (code < 0x10000) {
        *out++ = static_cast<char>(0xe0 | (code >> 12));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        *out++ = static_cast<char>(0x80 | (code & 0x3f));
    } else {
        *out++ = static_cast<char>(0xf0 | (code >> 18));
        *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3f));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        *out++ = static_cast<char>(0x80 | (code & 0x3f));
    }
    return true;
}

} // namespace

const char* ThreeMfXml::localName(const char* name)
{
    const char* local = name;
    for (const char* p = name; *p != '\0'; ++p) {
        if (*p == ':')
            local = p + 1;
    }
    return local;
}

const char* ThreeMfXml::attribute(const char** attributes, const char* name)
{
    for (const char** a = attributes; *a != nullptr; a += 2) {
        if (std::strcmp(localName(a[0]), name) == 0)
            return a[1];
    }
    return nullptr;
}

void ThreeMfXml::countLines(const char* at)
{
    const char* p = text_.get() + counted_;
    for (;;) {
        p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(at - p)));
        if (p == nullptr)
            break;
        ++line_;
        lineStart_ = ++p - text_.get();
    }
    counted_ = static_cast<std::size_t>(at - text_.get());
}

int ThreeMfXml::line()
{
    if (element_ != nullptr)
        countLines(element_);
    return line_;
}

void ThreeMfXml::fail(const std::string& message)
{
    if (failed_)
        return;
    failed_ = true;
    failure_ = part_ + ", line " + std::to_string(line()) + ": " + message;
}

void ThreeMfXml::syntax(const char* at, const std::string& message)
{
    if (failed_)
        return;
    countLines(at);
    failed_ = true;
    failure_ = part_ + ", line " + std::to_string(line_) + ", column "
               + std::to_string(at - text_.get() - lineStart_ + 1) + ": " + message;
}

bool ThreeMfXml::replaceEntities(char* value, char*& end)
{
    char* out = value;
    for (char* p = value; p < end;) {
        if (*p != '&') {
            *out++ = *p++;
            continue;
        }
        char* semicolon = static_cast<char*>(std::memchr(p, ';', static_cast<std::size_t>(end - p)));
        if (semicolon == nullptr)
            return false;
        const std::string name(p + 1, semicolon);
        static const char* const kNames[] = {"lt", "gt", "amp", "quot", "apos"};
        static const char kCharacters[] = "<>&\"'";
        const auto named = std::find(std::begin(kNames), std::end(kNames), name);
        if (named != std::end(kNames)) {
            *out++ = kCharacters[named - std::begin(kNames)];
        } else {
            const bool hex = name.size() > 2 && name[0] == '#' && name[1] == 'x';
            const std::size_t digits = hex ? 2 : 1;
            if (name.size() <= digits || name[0] != '#' || name.size() > digits + 8
                || name.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789", digits) != std::string::npos
                || !writeUtf8(std::stoul(name.substr(digits), nullptr, hex ? 16 : 10), out))
                return false;
        }
        p = semicolon + 1;
    }
    end = out;
    return true;
}

bool ThreeMfXml::endTag(char* name, std::size_t length)
{
    const std::size_t start = opened_.empty() ? 0 : opened_.back();
    if (opened_.empty() || open_.size() - start != length || open_.compare(start, length, name, length) != 0) {
        syntax(element_, "mismatched tag");
        return false;
    }
    name[length] = '\0';
    handler_->end(localName(name));
    open_.resize(start);
    opened_.pop_back();
    rootClosed_ = opened_.empty();
    return true;
}

char* ThreeMfXml::startTag(char* at, char* end)
{
    // First the extents of the name and the attributes; only once the whole
    // tag is here are they ended with NULs (a tag cut off by the block's end
    // is read again from the next block).
    char* p = at + 1;
    while (p < end && !endsName(*p))
        ++p;
    if (p == end)
        return at;
    char* const nameEnd = p;
    if (nameEnd == at + 1) {
        syntax(at, "not well-formed (invalid token)");
        return nullptr;
    }
    char* spans[4 * 64];
    std::vector<char*> moreSpans;
    std::size_t spanCount = 0;
    bool closes = false;
    for (;;) {
        const bool spaced = p < end && isSpace(*p);
        while (p < end && isSpace(*p))
            ++p;
        if (p == end)
            return at;
        if (*p == '>') {
            ++p;
            break;
        }
        if (*p == '/') {
            if (p + 1 == end)
                return at;
            if (p[1] != '>') {
                syntax(p, "not well-formed (invalid token)");
                return nullptr;
            }
            closes = true;
            p += 2;
            break;
        }
        char* const name = p;
        while (p < end && !endsName(*p))
            ++p;
        char* const attributeEnd = p;
        while (p < end && isSpace(*p))
            ++p;
        if (p == end)
            return at;
        if (!spaced || attributeEnd == name || *p != '=') {
            syntax(p, "not well-formed (invalid token)");
            return nullptr;
        }
        ++p;
        while (p < end && isSpace(*p))
            ++p;
        if (p == end)
            return at;
        const char quote = *p;
        if (quote != '"' && quote != '\'') {
            syntax(p, "not well-formed (invalid token)");
            return nullptr;
        }
        char* const value = ++p;
        // (Values are short: one pass finds the closing quote and checks
        // that no '<' or NUL comes before it.)
        while (p < end && *p != quote && *p != '<' && *p != '\0')
            ++p;
        if (p == end)
            return at;
        if (*p != quote) {
            syntax(p, "not well-formed (invalid token)");
            return nullptr;
        }
        char* const valueEnd = p;
        char* const four[] = {name, attributeEnd, value, valueEnd};
        if (spanCount < 4 * 64)
            std::copy(four, four + 4, spans + spanCount);
        else
            moreSpans.insert(moreSpans.end(), four, four + 4);
        spanCount += 4;
        p = valueEnd + 1;
    }
    if (rootClosed_) {
        syntax(at, "junk after document element");
        return nullptr;
    }
    attributes_.clear();
    for (std::size_t i = 0; i < spanCount; i += 4) {
        char** span = i < 4 * 64 ? spans + i : moreSpans.data() + (i - 4 * 64);
        char* valueEnd = span[3];
        if (std::memchr(span[2], '&', static_cast<std::size_t>(valueEnd - span[2])) != nullptr
            && !replaceEntities(span[2], valueEnd)) {
            syntax(span[2], "undefined entity or bad character reference");
            return nullptr;
        }
        *span[1] = '\0';
        *valueEnd = '\0';
        attributes_.push_back(span[0]);
        attributes_.push_back(span[2]);
    }
    attributes_.push_back(nullptr);
    const std::size_t nameLength = static_cast<std::size_t>(nameEnd - (at + 1));
    if (!closes) {
        opened_.push_back(open_.size());
        open_.append(at + 1, nameLength);
    }
    *nameEnd = '\0';
    rootSeen_ = true;
    const char* local = localName(at + 1);
    if (!handler_->start(*this, local, attributes_.data())) {
        fail("the element cannot be read");
        return nullptr;
    }
    if (closes) {
        handler_->end(local);
        rootClosed_ = opened_.empty();
    } else {
        p += handler_->content(*this, p, end);
    }
    return p;
}

char* ThreeMfXml::element(char* at, char* end)
{
    element_ = at;
    if (end - at < 2)
        return at;
    bool cut = false;
    if (at[1] == '?') {
        char* close = find(at + 2, end, "?>");
        return close != nullptr ? close + 2 : at;
    }
    if (at[1] == '/') {
        char* close = static_cast<char*>(std::memchr(at, '>', static_cast<std::size_t>(end - at)));
        if (close == nullptr)
            return at;
        char* nameEnd = close;
        while (nameEnd > at + 2 && isSpace(nameEnd[-1]))
            --nameEnd;
        return endTag(at + 2, static_cast<std::size_t>(nameEnd - (at + 2))) ? close + 1 : nullptr;
    }
    if (at[1] != '!')
        return startTag(at, end);
    if (startsWith(at, end, "<!--", cut)) {
        char* close = find(at + 4, end, "-->");
        return close != nullptr ? close + 3 : at;
    }
    if (cut)
        return at;
    if (startsWith(at, end, "<![CDATA[", cut)) {
        if (opened_.empty()) {
            syntax(at, "not well-formed (invalid token)");
            return nullptr;
        }
        char* close = find(at + 9, end, "]]>");
        return close != nullptr ? close + 3 : at;
    }
    if (cut)
        return at;
    syntax(at, "a document type declaration is not allowed");
    return nullptr;
}

long ThreeMfXml::scan(std::size_t length, bool last)
{
    char* const start = text_.get();
    char* const end = start + length;
    char* p = start;
    while (p < end) {
        char* const open = static_cast<char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p)));
        char* const textEnd = open != nullptr ? open : end;
        if (opened_.empty()) {
            char* q = p;
            // (A byte-order mark may lead the part.)
            if (consumed_ == 0 && q == start && textEnd - q >= 3 && std::memcmp(q, "\xEF\xBB\xBF", 3) == 0)
                q += 3;
            while (q < textEnd && isSpace(*q))
                ++q;
            if (q < textEnd) {
                syntax(q, rootClosed_ ? "junk after document element" : "not well-formed (invalid token)");
                return -1;
            }
        }
        if (open == nullptr) {
            p = end;
            break;
        }
        if (++items_ % kCancelStride == 0 && control_ != nullptr && control_->cancel.load()) {
            failed_ = true;
            failure_ = "loading was cancelled";
            return -1;
        }
        char* const next = element(open, end);
        if (next == nullptr)
            return -1;
        if (next == open) {
            if (last) {
                syntax(open, "unclosed token");
                return -1;
            }
            p = open;
            break;
        }
        p = next;
    }
    if (last && !failed_ && (!rootSeen_ || !opened_.empty())) {
        syntax(end,
               rootSeen_ ? "the part ends inside element <" + open_.substr(opened_.back()) + ">" : "no element found");
        return -1;
    }
    return p - start;
}

char* ThreeMfXml::room(std::size_t used, std::size_t bytes)
{
    if (capacity_ - used < bytes) {
        const std::size_t capacity = std::max(used + bytes, 2 * capacity_);
        HugeBuffer grown;
        try {
            grown = makeHugeBuffer(capacity);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        if (used > 0)
            std::memcpy(grown.get(), text_.get(), used);
        text_ = std::move(grown);
        capacity_ = capacity;
    }
    return text_.get() + used;
}

bool ThreeMfXml::parse(const ThreeMfPackage& package, Handler& handler, std::string& reason, LoadControl* control)
{
    handler_ = &handler;
    control_ = control;
    // A deflated part is inflated whole, at once, and scanned in one piece;
    // anything else a block at a time.
    InflatedEntry whole;
    switch (package.readWhole(part_, whole, reason, control)) {
    case ThreeMfPackage::Whole::failed:
        return false;
    case ThreeMfPackage::Whole::read: {
        text_ = std::move(whole.bytes);
        capacity_ = whole.size;
        const bool ok = scan(whole.size, true) >= 0;
        if (failed_)
            reason = failure_;
        return ok && !failed_;
    }
    case ThreeMfPackage::Whole::inBlocks:
        break;
    }
    std::size_t used = 0;
    const bool ok = package.read(
        part_, [this, &used](std::size_t bytes) -> char* { return room(used, bytes); },
        [this, &used](std::size_t length, bool last) {
            used += length;
            const long took = scan(used, last);
            if (took < 0)
                return false;
            // What is left, an item cut by the block's end, moves to the
            // front for the next block to complete.
            countLines(text_.get() + took);
            used -= static_cast<std::size_t>(took);
            std::memmove(text_.get(), text_.get() + took, used);
            counted_ -= static_cast<std::size_t>(took);
            lineStart_ -= took;
            consumed_ += static_cast<uint64_t>(took);
            element_ = nullptr;
            return true;
        },
        reason, control);
    if (failed_)
        reason = failure_;
    return ok && !failed_;
}
