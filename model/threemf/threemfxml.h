#pragma once

// One XML part of a 3MF package, scanned as it inflates, block by block:
// elements with their attributes (entities in values replaced), end tags
// matched to their start tags, comments, processing instructions and
// character data passed over; a document type declaration is refused.
// Elements and attributes are matched by their local name, whatever their
// namespace prefix. (Scanned here rather than by expat: the model parts of
// a large model are mostly vertex and triangle elements, and this scan
// takes them several times faster.)

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "model/bigmemory.h"
#include "model/loadcontrol.h"
#include "model/threemf/threemfpackage.h"

class ThreeMfXml {
public:
    // What is told of the part's elements: their local names and their
    // attributes (name, value, ..., null). A handler that finds a fault
    // calls fail and returns false.
    class Handler {
    public:
        virtual ~Handler() = default;
        virtual bool start(ThreeMfXml& xml, const char* name, const char** attributes) = 0;
        virtual void end(const char* name) = 0;
        // Called after start for an element that has content: [begin, end)
        // is the text after its start tag, up to the end of what is at
        // hand. Returns how many of those bytes the handler has read itself
        // (the scan goes on after them, where the element's content must go
        // on: they end before a '<'), 0 to leave them to the scan.
        virtual std::size_t content(ThreeMfXml& /*xml*/, const char* /*begin*/, const char* /*end*/) { return 0; }
    };

    explicit ThreeMfXml(std::string part) : part_(ThreeMfPackage::partName(part)) { }

    // Parses the part; false with the reason ("/3D/3dmodel.model, line 14,
    // column 3: mismatched tag", or the handler's).
    bool parse(const ThreeMfPackage& package, Handler& handler, std::string& reason, LoadControl* control);

    // Stops the parse with the reason "<part>, line N: <message>", N the
    // line of the element being read.
    void fail(const std::string& message);
    // The line of the element being read.
    int line();
    // The load's control (null without one).
    const LoadControl* control() const { return control_; }

    // The part after the last ':' of a name.
    static const char* localName(const char* name);
    // The value of the attribute with this local name, or null.
    static const char* attribute(const char** attributes, const char* name);

private:
    // Scans the complete items of text_[0, length); returns how many bytes
    // it took (the rest, an item cut by the block's end, waits for the next
    // block), or -1 on a fault.
    long scan(std::size_t length, bool last);
    // One item from `at` (a '<'); the position after it, `at` itself when
    // the item is cut off, or null on a fault.
    char* element(char* at, char* end);
    char* startTag(char* at, char* end);
    bool endTag(char* name, std::size_t length);
    // Replaces the entities of an attribute value in place; false for a
    // malformed one.
    static bool replaceEntities(char* value, char*& end);
    void syntax(const char* at, const std::string& message);
    // Room for `bytes` more after the first `used` bytes of the text (which
    // stay); null when memory runs out.
    char* room(std::size_t used, std::size_t bytes);
    // Brings the line count up to position `at` of text_.
    void countLines(const char* at);

    std::string part_;
    Handler* handler_ = nullptr;
    std::string failure_;
    bool failed_ = false;
    // The text at hand: the part whole, or its blocks, the rest of one
    // moved to the front for the next.
    HugeBuffer text_;
    std::size_t capacity_ = 0;
    const LoadControl* control_ = nullptr;
    std::size_t items_ = 0;           // scanned, for looking at cancel now and then
    std::string open_;                // the names of the open elements, one after the other
    std::vector<std::size_t> opened_; // where each starts in open_
    std::vector<const char*> attributes_;
    bool rootSeen_ = false;
    bool rootClosed_ = false;
    // The line at text_[counted_], and where (relative to text_'s start,
    // maybe before it) that line starts.
    int line_ = 1;
    std::size_t counted_ = 0;
    long lineStart_ = 0;
    const char* element_ = nullptr; // the item being read
    uint64_t consumed_ = 0;
};
