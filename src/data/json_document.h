#pragma once
// JsonDocument: one JSON value (the root) loaded from text, read and edited through short
// path expressions. Texts in and out are local text.
//
// Paths are written relative to the root: member names joined by "." ("data.lists"),
// decimal indices in square brackets ("data.lists[3].FileName"), quoted member names in
// square brackets ("data['play_url']"); a path that starts with "[" applies to the root
// itself ("[0]['song_name']") and the empty path is the root. A path that cannot be
// evaluated (bad syntax, a member below a missing value) gives the failure result of the
// operation: empty text, 0, false, or -1 for TypeOf. No operation throws.
//
// Parse accepts strict JSON (RFC 8259) after an optional UTF-8 byte-order mark; numbers of
// any exponent read as +-infinity or +-0; nesting deeper than kMaxDepth is refused (see
// json_parse.h).
// Copy gives a second handle on the same root; Parse and Create give this handle a fresh
// root of its own, leaving other handles on the old one.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tb {

class JsonDocument {
public:
    // Type codes of TypeOf.
    static constexpr int kTypeInvalid = -1; // anything else, or a path that cannot be evaluated
    static constexpr int kTypeNull = 0;     // missing or null
    static constexpr int kTypeBoolean = 1;
    static constexpr int kTypeNumber = 2;
    static constexpr int kTypeObject = 4;
    static constexpr int kTypeArray = 5;
    static constexpr int kTypeString = 6;

    static constexpr int kMaxDepth = 10000;

    // A new document whose root is an empty object.
    JsonDocument();
    ~JsonDocument();
    JsonDocument(JsonDocument&&) noexcept;
    JsonDocument& operator=(JsonDocument&&) noexcept;
    JsonDocument(const JsonDocument&) = delete;
    JsonDocument& operator=(const JsonDocument&) = delete;

    // Releases this handle; until the next Create every read is empty and Parse fails.
    void Destroy();
    // A second handle on the same root.
    JsonDocument Copy() const;
    // A fresh root (an empty object) for this handle.
    void Create();

    // Replaces the root by the value the text denotes, on a fresh root. True unless the
    // text is not valid JSON or denotes null; false also on a destroyed document.
    bool Parse(std::string_view text);
    // Parse for UTF-8 text (no code-page conversion). betweenSlices, when given, is called
    // after each megabyte of text (to keep a window painting through a large reply).
    bool ParseUtf8(std::string_view utf8, const std::function<void()>& betweenSlices = {});

    // The root as compact JSON text.
    std::string ToJson() const;
    // The member at path becomes the string value, or with isJson the value the text
    // denotes (an empty text counting as "{}").
    void SetValue(std::string_view path, std::string_view value, bool isJson = false);
    void SetJson(std::string_view path, std::string_view json);
    void SetNumber(std::string_view path, double number);
    // The value at path as a number: numbers as they are, numeric texts converted,
    // true as 1, anything else 0.
    double GetNumber(std::string_view path) const;
    // The value at path as compact JSON text; empty when missing.
    std::string GetJson(std::string_view path) const;
    // The value at path as text: strings without quotes, numbers as printf's %.13g,
    // booleans as true/false, objects and arrays as compact JSON; missing or null gives
    // the empty text. With asJson the compact JSON text of the value.
    std::string GetText(std::string_view path, bool asJson = false) const;
    // A new document holding a copy of the value at path.
    JsonDocument GetDocument(std::string_view path) const;
    // Members of the object or elements of the array at path; 0 for anything else.
    int Count(std::string_view path) const;
    // Makes the value at path (the root for an empty path) an array if it is not one and
    // appends the value: a string, or with isJson the value the text denotes.
    void Append(std::string_view value, std::string_view path = {}, bool isJson = false);
    JsonDocument GetElementDocument(int index, std::string_view path = {}) const;
    std::string GetElementText(int index, std::string_view path = {}, bool asJson = false) const;
    // Element index of the root array becomes the value.
    void SetRootElement(int index, std::string_view value, bool isJson = false);
    // Removes element index of the root array; later elements move down by one.
    void RemoveRootElement(int index);
    // Removes the element that a path of the form name-path "[" index "]" names.
    void RemoveElement(std::string_view path);
    // Code 0 or 4: the root becomes an empty object; 5: an empty array; others: nothing.
    void ResetAs(int typeCode);
    // The root becomes the value (a string unless isJson); true on success.
    bool SetRoot(std::string_view value, bool isJson = false);
    // True when the value at path is neither null nor missing.
    bool Exists(std::string_view path) const;
    // Member names of the object (in definition order) or "0".."n-1" of the array at path
    // replace names; returns their count. Anything else gives an empty list.
    int MemberNames(std::string_view path, std::vector<std::string>& names) const;
    int TypeOf(std::string_view path) const;
    // For each element k of the array or object at path, in order, the texts GetText gives
    // for path + "[k]" + tail, one per tail (tails such as ".FileName" or "['song_name']"),
    // handed to take, which answers false to stop. The path is evaluated once, so reading a
    // long array costs one step per member. Returns the number of elements handed over.
    int ReadElementTexts(std::string_view path, const std::vector<std::string>& tails,
                         const std::function<bool(std::vector<std::string>& texts)>& take) const;
    // The root becomes an empty object.
    void Reset();

private:
    struct Root;
    explicit JsonDocument(std::shared_ptr<Root> root);

    std::shared_ptr<Root> m_root;
};

} // namespace tb
