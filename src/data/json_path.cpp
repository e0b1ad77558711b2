#include "data/json_path.h"

#include "data/local_text.h"

#include <utility>

namespace tb {
namespace json = boost::json;
namespace {

// An index this far past the end of an array is refused rather than filled with nulls.
constexpr std::size_t kMaxIndexGap = 65536;

bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isNameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isAsciiDigit(c) || c == '_' ||
           c == '$' || isLeadByte(static_cast<unsigned char>(c));
}

bool hasNonAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return true;
        }
    }
    return false;
}

// Parses a decimal array index; kNoIndex when it does not fit.
std::size_t decimalValue(std::string_view digits) {
    constexpr std::size_t kLimit = (std::size_t{1} << 53); // beyond any real array
    std::size_t value = 0;
    for (const char c : digits) {
        value = value * 10 + static_cast<std::size_t>(c - '0');
        if (value > kLimit) {
            return JsonPathStep::kNoIndex;
        }
    }
    return value;
}

char escapedChar(char c) {
    switch (c) {
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    case 'v':
        return '\v';
    case '0':
        return '\0';
    default:
        return c;
    }
}

// The element or member of container that step names; nullptr when there is none.
json::value* child(json::value& container, const JsonPathStep& step) {
    if (json::object* object = container.if_object()) {
        const auto found = object->find(step.name);
        return found == object->end() ? nullptr : &found->value();
    }
    if (json::array* array = container.if_array()) {
        std::size_t index = step.index;
        if (!step.isIndex && !step.nameIsIndex(&index)) {
            return nullptr;
        }
        return index < array->size() ? &(*array)[index] : nullptr;
    }
    return nullptr;
}

// Stores value as the element or member of container that step names. Objects take the
// name (an existing member keeps its place); arrays take an index, growing with nulls.
bool assignChild(json::value& container, const JsonPathStep& step, json::value&& value) {
    if (json::object* object = container.if_object()) {
        (*object)[step.name] = std::move(value);
        return true;
    }
    json::array* array = container.if_array();
    std::size_t index = step.index;
    if (array == nullptr || (!step.isIndex && !step.nameIsIndex(&index))) {
        return false;
    }
    if (index < array->size()) {
        (*array)[index] = std::move(value);
        return true;
    }
    if (index - array->size() > kMaxIndexGap) {
        return false;
    }
    array->resize(index);
    array->push_back(std::move(value));
    return true;
}

} // namespace

bool JsonPathStep::nameIsIndex(std::size_t* value) const {
    if (name.empty() || (name.size() > 1 && name[0] == '0')) {
        return false;
    }
    for (const char c : name) {
        if (!isAsciiDigit(c)) {
            return false;
        }
    }
    *value = decimalValue(name);
    return *value != kNoIndex;
}

bool JsonPathReader::next(JsonPathStep& step) {
    if (m_failed || atEnd()) {
        return false;
    }
    const bool first = !m_started;
    m_started = true;
    const char c = m_path[m_pos];
    if (c == '[') {
        ++m_pos;
        return readBracket(step);
    }
    if (c == '.' && !first) {
        ++m_pos;
        return readName(step);
    }
    if (first) {
        return readName(step);
    }
    return fail();
}

bool JsonPathReader::readName(JsonPathStep& step) {
    const std::size_t start = m_pos;
    if (atEnd() || isAsciiDigit(m_path[m_pos])) {
        return fail();
    }
    while (!atEnd() && isNameByte(m_path[m_pos])) {
        // A two-byte character's second byte may look like "[" or "\"; keep the pair.
        const bool pair = isLeadByte(static_cast<unsigned char>(m_path[m_pos]));
        m_pos += (pair && m_pos + 1 < m_path.size()) ? 2 : 1;
    }
    if (m_pos == start || (!atEnd() && m_path[m_pos] != '.' && m_path[m_pos] != '[')) {
        return fail();
    }
    const std::string_view name = m_path.substr(start, m_pos - start);
    step.isIndex = false;
    step.index = 0;
    step.name = hasNonAscii(name) ? LocalToUtf8(name) : std::string(name);
    return true;
}

bool JsonPathReader::readBracket(JsonPathStep& step) {
    skipSpaces();
    if (atEnd()) {
        return fail();
    }
    const char c = m_path[m_pos];
    const bool ok = isAsciiDigit(c) ? readIndex(step) : (c == '\'' || c == '"') && readQuoted(step);
    if (!ok) {
        return fail();
    }
    skipSpaces();
    if (atEnd() || m_path[m_pos] != ']') {
        return fail();
    }
    ++m_pos;
    return true;
}

bool JsonPathReader::readIndex(JsonPathStep& step) {
    const std::size_t start = m_pos;
    while (!atEnd() && isAsciiDigit(m_path[m_pos])) {
        ++m_pos;
    }
    step.isIndex = true;
    step.name.assign(m_path.substr(start, m_pos - start));
    step.index = decimalValue(step.name);
    return true;
}

bool JsonPathReader::readQuoted(JsonPathStep& step) {
    const char quote = m_path[m_pos++];
    std::string name;
    while (!atEnd() && m_path[m_pos] != quote) {
        const char c = m_path[m_pos];
        if (isLeadByte(static_cast<unsigned char>(c)) && m_pos + 1 < m_path.size()) {
            name.append(m_path.substr(m_pos, 2));
            m_pos += 2;
        } else if (c == '\\' && m_pos + 1 < m_path.size()) {
            if (m_path[m_pos + 1] == 'u' || m_path[m_pos + 1] == 'x') {
                return false; // code-point escapes are not supported in paths
            }
            name += escapedChar(m_path[m_pos + 1]);
            m_pos += 2;
        } else {
            name += c;
            ++m_pos;
        }
    }
    if (atEnd()) {
        return false;
    }
    ++m_pos; // closing quote
    step.isIndex = false;
    step.index = 0;
    step.name = hasNonAscii(name) ? LocalToUtf8(name) : std::move(name);
    return true;
}

void JsonPathReader::skipSpaces() {
    while (!atEnd() && (m_path[m_pos] == ' ' || m_path[m_pos] == '\t')) {
        ++m_pos;
    }
}

bool JsonPathReader::fail() {
    m_failed = true;
    return false;
}

json::value* ResolveJsonPath(json::value& root, std::string_view path, bool* invalid) {
    *invalid = false;
    JsonPathReader reader(path);
    JsonPathStep step;
    json::value* current = &root;
    while (reader.next(step)) {
        if (current == nullptr || current->is_null()) {
            *invalid = true;
            return nullptr;
        }
        current = child(*current, step);
    }
    if (reader.failed()) {
        *invalid = true;
        return nullptr;
    }
    return current;
}

json::value* ResolveJsonPath(json::value& root, std::string_view path) {
    bool invalid = false;
    return ResolveJsonPath(root, path, &invalid);
}

bool AssignJsonPath(json::value& root, std::string_view path, json::value&& value) {
    if (path.empty()) {
        root = std::move(value);
        return true;
    }
    JsonPathReader reader(path);
    JsonPathStep step;
    JsonPathStep last;
    json::value* parent = &root;
    bool haveLast = false;
    while (reader.next(step)) {
        if (haveLast) {
            parent = (parent == nullptr || parent->is_null()) ? nullptr : child(*parent, last);
            if (parent == nullptr) {
                return false;
            }
        }
        std::swap(last, step);
        haveLast = true;
    }
    if (reader.failed() || !haveLast || parent->is_null()) {
        return false;
    }
    return assignChild(*parent, last, std::move(value));
}

} // namespace tb
