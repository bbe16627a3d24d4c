#include "model/threemf/threemfxml.h"

#include <cstring>

#include <expat.h>

const char* ThreeMfXml::localName(const char* name)
{
    const char* colon = std::strrchr(name, ':');
    return colon != nullptr ? colon + 1 : name;
}

const char* ThreeMfXml::attribute(const char** attributes, const char* name)
{
    for (const char** a = attributes; *a != nullptr; a += 2) {
        if (std::strcmp(localName(a[0]), name) == 0)
            return a[1];
    }
    return nullptr;
}

int ThreeMfXml::line() const
{
    return static_cast<int>(XML_GetCurrentLineNumber(parser_));
}

void ThreeMfXml::fail(const std::string& message)
{
    if (failed_)
        return;
    failed_ = true;
    failure_ = part_ + ", line " + std::to_string(XML_GetCurrentLineNumber(parser_)) + ": " + message;
    XML_StopParser(parser_, XML_FALSE);
}

void ThreeMfXml::onStart(void* data, const char* name, const char** attributes)
{
    auto* self = static_cast<ThreeMfXml*>(data);
    if (!self->failed_ && !self->handler_->start(*self, localName(name), attributes))
        self->fail("the element cannot be read");
}

void ThreeMfXml::onEnd(void* data, const char* name)
{
    auto* self = static_cast<ThreeMfXml*>(data);
    if (!self->failed_)
        self->handler_->end(localName(name));
}

bool ThreeMfXml::parse(const ThreeMfPackage& package, Handler& handler, std::string& reason, LoadControl* control)
{
    parser_ = XML_ParserCreate(nullptr);
    if (parser_ == nullptr) {
        reason = "not enough memory to read the file";
        return false;
    }
    handler_ = &handler;
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(parser_, onStart, onEnd);
    bool xmlFault = false;
    const bool ok = package.read(
        part_,
        [this](std::size_t bytes) { return static_cast<char*>(XML_GetBuffer(parser_, static_cast<int>(bytes))); },
        [this, &xmlFault](std::size_t length, bool last) {
            if (XML_ParseBuffer(parser_, static_cast<int>(length), last ? 1 : 0) == XML_STATUS_OK)
                return true;
            xmlFault = !failed_;
            return false;
        },
        reason, control);
    if (failed_)
        reason = failure_;
    else if (xmlFault)
        reason = part_ + ", line " + std::to_string(XML_GetCurrentLineNumber(parser_)) + ", column "
                 + std::to_string(XML_GetCurrentColumnNumber(parser_)) + ": "
                 + XML_ErrorString(XML_GetErrorCode(parser_));
    XML_ParserFree(parser_);
    parser_ = nullptr;
    return ok && !failed_;
}
