#pragma once

// One XML part of a 3MF package parsed with expat as it inflates, block by
// block. Elements and attributes are matched by their local name, whatever
// their namespace prefix.

#include <string>

#include "model/loadcontrol.h"
#include "model/threemf/threemfpackage.h"

typedef struct XML_ParserStruct* XML_Parser;

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
    };

    explicit ThreeMfXml(std::string part) : part_(ThreeMfPackage::partName(part)) { }

    // Parses the part; false with the reason ("/3D/3dmodel.model, line 14,
    // column 3: not well-formed (invalid token)", or the handler's).
    bool parse(const ThreeMfPackage& package, Handler& handler, std::string& reason, LoadControl* control);

    // Stops the parse with the reason "<part>, line N: <message>".
    void fail(const std::string& message);

    // The line the parse is at.
    int line() const;

    // The part after the last ':' of a name.
    static const char* localName(const char* name);
    // The value of the attribute with this local name, or null.
    static const char* attribute(const char** attributes, const char* name);

private:
    static void onStart(void* data, const char* name, const char** attributes);
    static void onEnd(void* data, const char* name);

    std::string part_;
    XML_Parser parser_ = nullptr;
    Handler* handler_ = nullptr;
    std::string failure_;
    bool failed_ = false;
};
