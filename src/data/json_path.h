#pragma once
// JsonDocument paths: "data.lists[3].FileName", "[0]['song_name']", "data[\"play_url\"]",
// the empty path for the root. The reader takes one step at a time without allocating for
// plain member names; member names are local text and come out as UTF-8, the form the JSON
// values hold.

#include <boost/json/value.hpp>

#include <cstddef>
#include <string>
#include <string_view>

namespace tb {

struct JsonPathStep {
    bool isIndex = false;
    std::size_t index = 0; // for isIndex; kNoIndex when the number is too large to be one
    std::string name;      // UTF-8 member name, or the decimal form of the index

    static constexpr std::size_t kNoIndex = static_cast<std::size_t>(-1);
    // A member name that reads as an array index ("0", "12", not "01" or "-1").
    bool nameIsIndex(std::size_t* value) const;
};

class JsonPathReader {
public:
    explicit JsonPathReader(std::string_view path) : m_path(path) {}

    // Reads the next step. False at the end of the path or on bad syntax (then failed()).
    bool next(JsonPathStep& step);
    bool failed() const { return m_failed; }
    bool atEnd() const { return m_pos >= m_path.size(); }

private:
    bool readName(JsonPathStep& step);
    bool readBracket(JsonPathStep& step);
    bool readIndex(JsonPathStep& step);
    bool readQuoted(JsonPathStep& step);
    void skipSpaces();
    bool fail();

    std::string_view m_path;
    std::size_t m_pos = 0;
    bool m_started = false;
    bool m_failed = false;
};

// The value path names below root. nullptr when it is missing; *invalid is set when the
// path cannot be evaluated (bad syntax, or a step applied to a missing or null value).
boost::json::value* ResolveJsonPath(boost::json::value& root, std::string_view path, bool* invalid);
boost::json::value* ResolveJsonPath(boost::json::value& root, std::string_view path);

// Stores value at path: the root for the empty path, else the last step applied to the value
// the steps before it name (objects take the member, an existing one keeping its place;
// arrays take the index, growing with nulls). False when nothing was stored. The value
// must use root's storage.
bool AssignJsonPath(boost::json::value& root, std::string_view path, boost::json::value&& value);

} // namespace tb
