#include "model/threemf/threemfpartparser.h"

#include <cmath>
#include <cstring>

#include "model/numberscan.h"
#include "model/threemf/threemfruns.h"

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

const char* skipSpace(const char* p)
{
    while (isSpace(*p))
        ++p;
    return p;
}

// A whole attribute value that is one finite number.
bool readNumber(const char* text, double& value)
{
    const char* stop = scanDouble(text, text + std::strlen(text), value);
    return stop != nullptr && *skipSpace(stop) == '\0' && std::isfinite(value);
}

// A whole attribute value that is one integer within int32_t.
bool readInteger(const char* text, int32_t& value)
{
    bool outOfRange = false;
    const char* stop = scanInt(text, text + std::strlen(text), value, outOfRange);
    return stop != nullptr && !outOfRange && *skipSpace(stop) == '\0';
}

bool readTransform(const char* text, ThreeMfTransform& transform)
{
    const char* end = text + std::strlen(text);
    const char* p = text;
    for (double& m : transform) {
        p = scanDouble(skipSpace(p), end, m);
        if (p == nullptr || !std::isfinite(m) || (*p != '\0' && !isSpace(*p)))
            return false;
    }
    return *skipSpace(p) == '\0';
}

bool is(const char* name, const char* wanted)
{
    return std::strcmp(name, wanted) == 0;
}

} // namespace

std::string ThreeMfPartParser::objectName() const
{
    std::string text = "object " + std::to_string(object_->id);
    if (!object_->name.empty())
        text += " (\"" + object_->name + "\")";
    return text;
}

bool ThreeMfPartParser::start(ThreeMfXml& xml, const char* name, const char** attributes)
{
    Tag tag = Tag::other;
    bool ok = true;
    const Tag up = parent();
    if (up == Tag::vertices && is(name, "vertex")) {
        tag = Tag::vertex;
        ok = addVertex(xml, attributes);
    } else if (up == Tag::triangles && is(name, "triangle")) {
        tag = Tag::triangle;
        ok = addTriangle(xml, attributes);
    } else if (atRoot_ && is(name, "model")) {
        tag = Tag::model;
        if (const char* unit = ThreeMfXml::attribute(attributes, "unit"))
            part_.unit = unit;
    } else if (up == Tag::model && is(name, "resources")) {
        tag = Tag::resources;
    } else if (up == Tag::model && is(name, "build")) {
        tag = Tag::build;
    } else if (up == Tag::resources && is(name, "object")) {
        tag = Tag::object;
        ok = startObject(xml, attributes);
    } else if (up == Tag::resources && (is(name, "basematerials") || is(name, "colorgroup"))) {
        tag = is(name, "colorgroup") ? Tag::colourGroup : Tag::baseMaterials;
        ok = startGroup(xml, attributes);
    } else if (up == Tag::object && is(name, "mesh")) {
        tag = Tag::mesh;
    } else if (up == Tag::object && is(name, "components")) {
        tag = Tag::components;
    } else if (up == Tag::mesh && is(name, "vertices")) {
        tag = Tag::vertices;
    } else if (up == Tag::mesh && is(name, "triangles")) {
        tag = Tag::triangles;
    } else if (up == Tag::components && is(name, "component")) {
        tag = Tag::component;
        ok = addReference(xml, attributes, object_->components);
    } else if (up == Tag::build && is(name, "item")) {
        tag = Tag::item;
        ok = addReference(xml, attributes, part_.items);
    } else if (up == Tag::baseMaterials && is(name, "base")) {
        tag = Tag::base;
        ok = addColour(xml, ThreeMfXml::attribute(attributes, "displaycolor"));
    } else if (up == Tag::colourGroup && is(name, "color")) {
        tag = Tag::colour;
        ok = addColour(xml, ThreeMfXml::attribute(attributes, "color"));
    }
    atRoot_ = false;
    tags_.push_back(tag);
    return ok;
}

void ThreeMfPartParser::end(const char* /*name*/)
{
    if (tags_.empty())
        return;
    if (tags_.back() == Tag::object)
        object_ = nullptr;
    else if (tags_.back() == Tag::baseMaterials || tags_.back() == Tag::colourGroup)
        group_ = nullptr;
    tags_.pop_back();
}

std::size_t ThreeMfPartParser::content(ThreeMfXml& xml, const char* begin, const char* end)
{
    const Tag tag = parent();
    if ((tag != Tag::vertices && tag != Tag::triangles) || object_ == nullptr)
        return 0;
    const char* close = threeMfContentEnd(begin, end);
    if (close == nullptr)
        return 0;
    const bool read = tag == Tag::vertices ? readThreeMfVertexRun(begin, close, object_->positions, xml.control())
                                           : readThreeMfTriangleRun(begin, close, object_->positions.size() / 3,
                                                                    object_->corners, xml.control());
    return read ? static_cast<std::size_t>(close - begin) : 0;
}

bool ThreeMfPartParser::startObject(ThreeMfXml& xml, const char** attributes)
{
    const char* idText = ThreeMfXml::attribute(attributes, "id");
    int32_t id = 0;
    if (idText == nullptr || !readInteger(idText, id)) {
        xml.fail("an object needs a whole-number id");
        return false;
    }
    const auto placed = part_.objects.emplace(id, ThreeMfObject());
    if (!placed.second) {
        xml.fail("object " + std::to_string(id) + " is defined twice");
        return false;
    }
    object_ = &placed.first->second;
    object_->id = id;
    if (const char* name = ThreeMfXml::attribute(attributes, "name"))
        object_->name = name;
    const char* pid = ThreeMfXml::attribute(attributes, "pid");
    const char* pindex = ThreeMfXml::attribute(attributes, "pindex");
    if ((pid != nullptr && !readInteger(pid, object_->pid))
        || (pindex != nullptr && !readInteger(pindex, object_->pindex))) {
        xml.fail(objectName() + ": its pid and pindex must be whole numbers");
        return false;
    }
    return true;
}

bool ThreeMfPartParser::addVertex(ThreeMfXml& xml, const char** attributes)
{
    double xyz[3] = {0.0, 0.0, 0.0};
    int found = 0;
    for (const char** a = attributes; *a != nullptr; a += 2) {
        const char* name = ThreeMfXml::localName(a[0]);
        if (name[0] < 'x' || name[0] > 'z' || name[1] != '\0')
            continue;
        const int axis = name[0] - 'x';
        if (!readNumber(a[1], xyz[axis])) {
            xml.fail(objectName() + ", vertex " + std::to_string(object_->positions.size() / 3) + ": " + name
                     + " is not a finite number: \"" + a[1] + "\"");
            return false;
        }
        found |= 1 << axis;
    }
    if (found != 7) {
        xml.fail(objectName() + ", vertex " + std::to_string(object_->positions.size() / 3)
                 + ": a vertex needs x, y and z");
        return false;
    }
    object_->positions.insert(object_->positions.end(), xyz, xyz + 3);
    return true;
}

bool ThreeMfPartParser::addTriangle(ThreeMfXml& xml, const char** attributes)
{
    const std::size_t triangle = object_->corners.size() / 3;
    const std::size_t vertices = object_->positions.size() / 3;
    // v1, v2, v3, pid, p1 as written (null when not)
    const char* values[5] = {nullptr, nullptr, nullptr, nullptr, nullptr};
    for (const char** a = attributes; *a != nullptr; a += 2) {
        const char* name = ThreeMfXml::localName(a[0]);
        if (name[0] == 'v' && name[1] >= '1' && name[1] <= '3' && name[2] == '\0')
            values[name[1] - '1'] = a[1];
        else if (name[0] == 'p' && std::strcmp(name + 1, "id") == 0)
            values[3] = a[1];
        else if (name[0] == 'p' && name[1] == '1' && name[2] == '\0')
            values[4] = a[1];
    }
    uint32_t corners[3];
    for (int i = 0; i < 3; ++i) {
        int32_t index = -1;
        if (values[i] == nullptr || !readInteger(values[i], index)) {
            xml.fail(objectName() + ", triangle " + std::to_string(triangle) + ": v" + std::to_string(i + 1)
                     + " must be a whole number");
            return false;
        }
        if (index < 0 || static_cast<std::size_t>(index) >= vertices) {
            xml.fail(objectName() + ", triangle " + std::to_string(triangle) + ": vertex " + std::to_string(index)
                     + (vertices == 0 ? std::string(" is outside the object, which has no vertices")
                                      : " is outside 0.." + std::to_string(vertices - 1)));
            return false;
        }
        corners[i] = static_cast<uint32_t>(index);
    }
    object_->corners.insert(object_->corners.end(), corners, corners + 3);
    if (values[3] != nullptr || values[4] != nullptr) {
        int32_t property[2] = {-1, -1};
        if ((values[3] != nullptr && !readInteger(values[3], property[0]))
            || (values[4] != nullptr && !readInteger(values[4], property[1]))) {
            xml.fail(objectName() + ", triangle " + std::to_string(triangle) + ": pid and p1 must be whole numbers");
            return false;
        }
        object_->properties.resize(2 * triangle, -1);
        object_->properties.insert(object_->properties.end(), property, property + 2);
    }
    return true;
}

bool ThreeMfPartParser::addReference(ThreeMfXml& xml, const char** attributes, std::vector<ThreeMfReference>& to)
{
    ThreeMfReference reference;
    const char* id = ThreeMfXml::attribute(attributes, "objectid");
    if (id == nullptr || !readInteger(id, reference.objectId)) {
        xml.fail("an item or component needs a whole-number objectid");
        return false;
    }
    const char* transform = ThreeMfXml::attribute(attributes, "transform");
    if (transform != nullptr && !readTransform(transform, reference.transform)) {
        xml.fail(std::string("the transform \"") + transform + "\" is not twelve finite numbers");
        return false;
    }
    if (const char* path = ThreeMfXml::attribute(attributes, "path"))
        reference.path = path;
    reference.line = xml.line();
    to.push_back(std::move(reference));
    return true;
}

bool ThreeMfPartParser::startGroup(ThreeMfXml& xml, const char** attributes)
{
    const char* idText = ThreeMfXml::attribute(attributes, "id");
    int32_t id = 0;
    if (idText == nullptr || !readInteger(idText, id)) {
        xml.fail("a colour group needs a whole-number id");
        return false;
    }
    group_ = &part_.colourGroups[id];
    group_->clear();
    return true;
}

bool ThreeMfPartParser::addColour(ThreeMfXml& xml, const char* text)
{
    const std::size_t length = text != nullptr ? std::strlen(text) : 0;
    bool ok = text != nullptr && (length == 7 || length == 9) && text[0] == '#';
    float rgb[3] = {1.0f, 1.0f, 1.0f};
    for (std::size_t i = 1; ok && i < length; i += 2) {
        const int high = hexDigitValue(text[i]);
        const int low = hexDigitValue(text[i + 1]);
        ok = high >= 0 && low >= 0;
        if (ok && i < 7)
            rgb[i / 2] = static_cast<float>(high * 16 + low) / 255.0f;
    }
    if (!ok) {
        xml.fail(std::string("the colour \"") + (text != nullptr ? text : "") + "\" is not #RRGGBB or #RRGGBBAA");
        return false;
    }
    group_->insert(group_->end(), rgb, rgb + 3);
    return true;
}
