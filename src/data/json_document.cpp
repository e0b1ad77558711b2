#include "data/json_document.h"

#include "data/json_parse.h"
#include "data/json_path.h"
#include "data/json_writer.h"
#include "data/local_text.h"

#include <boost/json/monotonic_resource.hpp>
#include <boost/json/value.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace tb {
namespace json = boost::json;

// The shared root of one or more handles. Its values live in a monotonic arena that is
// released as a whole, so destroying even a very deeply nested value never recurses.
struct JsonDocument::Root {
    json::monotonic_resource memory;
    json::value value = json::value(json::object_kind, storage());

    json::storage_ptr storage() { return json::storage_ptr(&memory); }
};

namespace {

bool isAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

std::string toUtf8(std::string_view local) {
    return isAscii(local) ? std::string(local) : LocalToUtf8(local);
}

std::string toLocal(std::string_view utf8) {
    return isAscii(utf8) ? std::string(utf8) : Utf8ToLocal(utf8);
}

// Runs fn and turns any exception of the JSON library (allocation, length limits) into
// the fallback result.
template <typename Result, typename Fn> Result guarded(Result fallback, Fn&& fn) noexcept {
    try {
        return fn();
    } catch (...) {
        return fallback;
    }
}

template <typename Fn> void guarded(Fn&& fn) noexcept {
    try {
        fn();
    } catch (...) {
    }
}

// Parses UTF-8 JSON text into storage; nullopt when it is not valid JSON.
std::optional<json::value> parseUtf8(std::string_view utf8, const json::storage_ptr& storage,
                                     const std::function<void()>& betweenSlices = {}) {
    return ParseJsonText(utf8, storage, JsonDocument::kMaxDepth, betweenSlices);
}

std::optional<json::value> parseLocal(std::string_view local, const json::storage_ptr& storage) {
    if (isAscii(local)) {
        return parseUtf8(local, storage);
    }
    return parseUtf8(LocalToUtf8(local), storage);
}

// A string value, or with isJson the value the text denotes (nullopt when it is not JSON).
std::optional<json::value> makeValue(std::string_view local, bool isJson,
                                     const json::storage_ptr& storage) {
    if (isJson) {
        return parseLocal(local, storage);
    }
    return json::value(json::string(toUtf8(local), storage));
}

std::string jsonText(const json::value& value) {
    std::string out;
    AppendJsonText(value, out);
    return toLocal(out);
}

std::string numberText(double number) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.13g", number);
    return buffer;
}

// An integer as "%.13g" writes it: plain digits below 10^13, the printf form above.
std::string integerText(const json::value& value) {
    constexpr std::int64_t kPlainLimit = 10'000'000'000'000;
    const bool plain = value.is_int64()
                           ? value.get_int64() > -kPlainLimit && value.get_int64() < kPlainLimit
                           : value.get_uint64() < static_cast<std::uint64_t>(kPlainLimit);
    if (!plain) {
        return numberText(value.to_number<double>());
    }
    return value.is_int64() ? std::to_string(value.get_int64())
                            : std::to_string(value.get_uint64());
}

double numberOf(const json::value& value) {
    switch (value.kind()) {
    case json::kind::int64:
    case json::kind::uint64:
    case json::kind::double_:
        return value.to_number<double>();
    case json::kind::bool_:
        return value.get_bool() ? 1 : 0;
    default:
        return 0;
    }
}

// The value as GetText gives it without asJson; missing and null give the empty text.
std::string plainText(const json::value* value) {
    if (value == nullptr) {
        return {};
    }
    switch (value->kind()) {
    case json::kind::null:
        return {};
    case json::kind::string:
        return toLocal(value->get_string());
    case json::kind::bool_:
        return value->get_bool() ? "true" : "false";
    case json::kind::int64:
    case json::kind::uint64:
        return integerText(*value);
    case json::kind::double_:
        return numberText(numberOf(*value));
    default:
        return jsonText(*value);
    }
}

std::string textOf(const json::value* value, bool asJson) {
    if (!asJson) {
        return plainText(value);
    }
    return value == nullptr ? std::string() : jsonText(*value);
}

} // namespace

JsonDocument::JsonDocument() : m_root(std::make_shared<Root>()) {}
JsonDocument::JsonDocument(std::shared_ptr<Root> root) : m_root(std::move(root)) {}
JsonDocument::~JsonDocument() = default;
JsonDocument::JsonDocument(JsonDocument&&) noexcept = default;
JsonDocument& JsonDocument::operator=(JsonDocument&&) noexcept = default;

void JsonDocument::Destroy() {
    m_root.reset();
}
JsonDocument JsonDocument::Copy() const {
    return JsonDocument(m_root);
}
void JsonDocument::Create() {
    m_root = std::make_shared<Root>();
}

bool JsonDocument::Parse(std::string_view text) {
    if (!m_root) {
        return false;
    }
    return isAscii(text) ? ParseUtf8(text)
                         : ParseUtf8(guarded(std::string(), [&] { return LocalToUtf8(text); }));
}

bool JsonDocument::ParseUtf8(std::string_view utf8, const std::function<void()>& betweenSlices) {
    if (!m_root) {
        return false;
    }
    return guarded(false, [&] {
        m_root = std::make_shared<Root>();
        m_root->value = nullptr;
        auto parsed = parseUtf8(utf8, m_root->storage(), betweenSlices);
        if (!parsed) {
            return false;
        }
        m_root->value = std::move(*parsed);
        return !m_root->value.is_null();
    });
}

std::string JsonDocument::ToJson() const {
    return m_root ? guarded(std::string(), [&] { return jsonText(m_root->value); }) : "";
}

void JsonDocument::SetValue(std::string_view path, std::string_view value, bool isJson) {
    if (isJson && value.empty()) {
        value = "{}";
    }
    if (m_root) {
        guarded([&] {
            if (auto made = makeValue(value, isJson, m_root->storage())) {
                AssignJsonPath(m_root->value, path, std::move(*made));
            }
        });
    }
}

void JsonDocument::SetJson(std::string_view path, std::string_view jsonText) {
    if (!jsonText.empty()) { // an empty text denotes no value: nothing is stored
        SetValue(path, jsonText, true);
    }
}

void JsonDocument::SetNumber(std::string_view path, double number) {
    if (m_root) {
        guarded(
            [&] { AssignJsonPath(m_root->value, path, json::value(number, m_root->storage())); });
    }
}

double JsonDocument::GetNumber(std::string_view path) const {
    if (!m_root) {
        return 0;
    }
    const json::value* value = ResolveJsonPath(m_root->value, path);
    if (value != nullptr && value->is_string()) {
        return LocalToDouble(toLocal(value->get_string()));
    }
    return value == nullptr ? 0 : numberOf(*value);
}

std::string JsonDocument::GetJson(std::string_view path) const {
    return GetText(path, true);
}

std::string JsonDocument::GetText(std::string_view path, bool asJson) const {
    if (!m_root) {
        return {};
    }
    return guarded(std::string(),
                   [&] { return textOf(ResolveJsonPath(m_root->value, path), asJson); });
}

JsonDocument JsonDocument::GetDocument(std::string_view path) const {
    JsonDocument document;
    document.Parse(GetText(path, true));
    return document;
}

int JsonDocument::Count(std::string_view path) const {
    const json::value* value = m_root ? ResolveJsonPath(m_root->value, path) : nullptr;
    if (value == nullptr) {
        return 0;
    }
    if (value->is_array()) {
        return static_cast<int>(value->get_array().size());
    }
    return value->is_object() ? static_cast<int>(value->get_object().size()) : 0;
}

void JsonDocument::Append(std::string_view value, std::string_view path, bool isJson) {
    if (!m_root) {
        return;
    }
    guarded([&] {
        auto element = makeValue(value, isJson, m_root->storage());
        json::value* target = ResolveJsonPath(m_root->value, path);
        if (!element || (target == nullptr &&
                         !AssignJsonPath(m_root->value, path, json::value(m_root->storage())))) {
            return;
        }
        target = ResolveJsonPath(m_root->value, path);
        if (!target->is_array()) {
            *target = json::array(m_root->storage());
        }
        target->get_array().push_back(std::move(*element));
    });
}

JsonDocument JsonDocument::GetElementDocument(int index, std::string_view path) const {
    JsonDocument document;
    document.Parse(GetElementText(index, path, true));
    return document;
}

std::string JsonDocument::GetElementText(int index, std::string_view path, bool asJson) const {
    const json::value* value = m_root ? ResolveJsonPath(m_root->value, path) : nullptr;
    if (value == nullptr || !value->is_array() || index < 0 ||
        static_cast<std::size_t>(index) >= value->get_array().size()) {
        return {};
    }
    const json::value& element = value->get_array()[static_cast<std::size_t>(index)];
    return guarded(std::string(), [&] { return textOf(&element, asJson); });
}

void JsonDocument::SetRootElement(int index, std::string_view value, bool isJson) {
    if (index < 0) {
        return;
    }
    std::string path = "[";
    path.append(std::to_string(index)).append("]");
    if (isJson) {
        SetJson(path, value);
    } else {
        SetValue(path, value);
    }
}

void JsonDocument::RemoveRootElement(int index) {
    json::array* array = m_root ? m_root->value.if_array() : nullptr;
    if (array != nullptr && index >= 0 && static_cast<std::size_t>(index) < array->size()) {
        array->erase(array->begin() + index);
    }
}

void JsonDocument::RemoveElement(std::string_view path) {
    const std::size_t open = path.find('[');
    const std::size_t close = path.find(']', open);
    if (!m_root || open == std::string_view::npos || close == std::string_view::npos) {
        return;
    }
    const std::string_view indexText = path.substr(open + 1, close - open - 1);
    char* end = nullptr;
    const std::string digits(indexText);
    const long index = std::strtol(digits.c_str(), &end, 10);
    json::value* value = ResolveJsonPath(m_root->value, path.substr(0, open));
    if (digits.empty() || *end != '\0' || value == nullptr || !value->is_array() || index < 0 ||
        static_cast<std::size_t>(index) >= value->get_array().size()) {
        return;
    }
    value->get_array().erase(value->get_array().begin() + index);
}

void JsonDocument::ResetAs(int typeCode) {
    if (!m_root) {
        return;
    }
    if (typeCode == kTypeNull || typeCode == kTypeObject) {
        m_root->value = json::object(m_root->storage());
    } else if (typeCode == kTypeArray) {
        m_root->value = json::array(m_root->storage());
    }
}

bool JsonDocument::SetRoot(std::string_view value, bool isJson) {
    if (!m_root) {
        return false;
    }
    return guarded(false, [&] {
        auto root = makeValue(value, isJson, m_root->storage());
        if (root) {
            m_root->value = std::move(*root);
        }
        return root.has_value();
    });
}

bool JsonDocument::Exists(std::string_view path) const {
    const json::value* value = m_root ? ResolveJsonPath(m_root->value, path) : nullptr;
    return value != nullptr && !value->is_null();
}

int JsonDocument::MemberNames(std::string_view path, std::vector<std::string>& names) const {
    names.clear();
    const json::value* value = m_root ? ResolveJsonPath(m_root->value, path) : nullptr;
    guarded([&] {
        if (value != nullptr && value->is_object()) {
            for (const auto& member : value->get_object()) {
                names.push_back(toLocal(member.key()));
            }
        } else if (value != nullptr && value->is_array()) {
            for (std::size_t i = 0; i < value->get_array().size(); ++i) {
                names.push_back(std::to_string(i));
            }
        }
    });
    return static_cast<int>(names.size());
}

int JsonDocument::ReadElementTexts(
    std::string_view path, const std::vector<std::string>& tails,
    const std::function<bool(std::vector<std::string>& texts)>& take) const {
    json::value* container = m_root ? ResolveJsonPath(m_root->value, path) : nullptr;
    if (container == nullptr || !(container->is_array() || container->is_object())) {
        return 0;
    }
    const std::size_t count =
        container->is_array() ? container->get_array().size() : container->get_object().size();
    // A tail read from the element itself: ".name" is the path "name" there.
    std::vector<std::string_view> steps;
    for (const std::string& tail : tails) {
        steps.push_back(std::string_view(tail).substr(tail.starts_with('.') ? 1 : 0));
    }
    std::vector<std::string> texts(tails.size());
    for (std::size_t k = 0; k < count; ++k) {
        json::value* element = container->is_array()
                                   ? &container->get_array()[k]
                                   : ResolveJsonPath(*container, "[" + std::to_string(k) + "]");
        for (std::size_t i = 0; i < steps.size(); ++i) {
            texts[i] = guarded(std::string(), [&] {
                return element == nullptr ? std::string()
                                          : plainText(ResolveJsonPath(*element, steps[i]));
            });
        }
        if (!take(texts)) {
            return static_cast<int>(k) + 1;
        }
    }
    return static_cast<int>(count);
}

int JsonDocument::TypeOf(std::string_view path) const {
    if (!m_root) {
        return kTypeInvalid;
    }
    bool invalid = false;
    const json::value* value = ResolveJsonPath(m_root->value, path, &invalid);
    if (invalid) {
        return kTypeInvalid;
    }
    if (value == nullptr || value->is_null()) {
        return kTypeNull;
    }
    switch (value->kind()) {
    case json::kind::bool_:
        return kTypeBoolean;
    case json::kind::int64:
    case json::kind::uint64:
    case json::kind::double_:
        return kTypeNumber;
    case json::kind::object:
        return kTypeObject;
    case json::kind::array:
        return kTypeArray;
    case json::kind::string:
        return kTypeString;
    default:
        return kTypeInvalid;
    }
}

void JsonDocument::Reset() {
    if (m_root) {
        m_root->value = json::object(m_root->storage());
    }
}

} // namespace tb
