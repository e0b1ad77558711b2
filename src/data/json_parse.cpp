#include "data/json_parse.h"

#include <boost/json/basic_parser_impl.hpp>
#include <boost/json/value_stack.hpp>

#include <charconv>
#include <cmath>

namespace tb {
namespace json = boost::json;
namespace {

// Builds the value as the library's own parser does, with two differences for numbers
// stored as doubles (a fraction, an exponent, or too long for 64 bits): their text is read again
// with std::from_chars, which gives the nearest double (the library can be off by a unit in the
// last place for long mantissas, so a written number would not read back as itself); and a number
// the library computes as NaN is stored as the zero it denotes. JSON has no NaN, so NaN only comes
// from a zero mantissa times an infinite power of ten ("0e999").
class ValueBuilder {
public:
    static constexpr std::size_t max_object_size = json::object::max_size();
    static constexpr std::size_t max_array_size = json::array::max_size();
    static constexpr std::size_t max_key_size = json::string::max_size();
    static constexpr std::size_t max_string_size = json::string::max_size();

    ValueBuilder(unsigned char* buffer, std::size_t size) : m_stack({}, buffer, size) {}

    void reset(const json::storage_ptr& storage) { m_stack.reset(storage); }
    json::value release() { return m_stack.release(); }

    bool on_document_begin(json::error_code&) { return true; }
    bool on_document_end(json::error_code&) { return true; }
    bool on_object_begin(json::error_code&) { return true; }
    bool on_object_end(std::size_t n, json::error_code&) {
        m_stack.push_object(n);
        return true;
    }
    bool on_array_begin(json::error_code&) { return true; }
    bool on_array_end(std::size_t n, json::error_code&) {
        m_stack.push_array(n);
        return true;
    }
    bool on_key_part(json::string_view part, std::size_t, json::error_code&) {
        m_stack.push_chars(part);
        return true;
    }
    bool on_key(json::string_view last, std::size_t, json::error_code&) {
        m_stack.push_key(last);
        return true;
    }
    bool on_string_part(json::string_view part, std::size_t, json::error_code&) {
        m_stack.push_chars(part);
        return true;
    }
    bool on_string(json::string_view last, std::size_t, json::error_code&) {
        m_stack.push_string(last);
        return true;
    }
    bool on_number_part(json::string_view part, json::error_code&) {
        noteNumberStart(part);
        return true;
    }
    bool on_int64(std::int64_t number, json::string_view, json::error_code&) {
        m_inNumber = false;
        m_stack.push_int64(number);
        return true;
    }
    bool on_uint64(std::uint64_t number, json::string_view, json::error_code&) {
        m_inNumber = false;
        m_stack.push_uint64(number);
        return true;
    }
    bool on_double(double number, json::string_view last, json::error_code&) {
        const bool whole = !m_inNumber;
        noteNumberStart(last);
        m_inNumber = false;
        m_stack.push_double(exactValue(number, whole ? last : json::string_view()));
        return true;
    }
    bool on_bool(bool value, json::error_code&) {
        m_stack.push_bool(value);
        return true;
    }
    bool on_null(json::error_code&) {
        m_stack.push_null();
        return true;
    }
    bool on_comment_part(json::string_view, json::error_code&) { return true; }
    bool on_comment(json::string_view, json::error_code&) { return true; }

private:
    // The nearest double to text (empty when the number came in pieces); out of the range
    // of doubles the library's infinity or zero stands, NaN as a zero with the sign.
    double exactValue(double parsed, json::string_view text) const {
        double value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (!text.empty() && error == std::errc() && end == text.data() + text.size()) {
            return value;
        }
        if (std::isnan(parsed)) {
            return m_negative ? -0.0 : 0.0;
        }
        return parsed;
    }

    // The sign stands in the first piece of a number's text.
    void noteNumberStart(json::string_view piece) {
        if (!m_inNumber) {
            m_negative = !piece.empty() && piece.front() == '-';
            m_inNumber = true;
        }
    }

    json::value_stack m_stack;
    bool m_inNumber = false;
    bool m_negative = false;
};

// Feeds the text in slices of kSliceBytes, calling betweenSlices (when given) after each, so
// a caller on the user-interface thread can keep the window painting through a large text.
constexpr std::size_t kSliceBytes = std::size_t{1} << 20;

json::value parseOnce(std::string_view utf8, const json::storage_ptr& storage, std::size_t maxDepth,
                      const std::function<void()>& betweenSlices, json::error_code& error) {
    json::parse_options options;
    options.max_depth = maxDepth;
    unsigned char buffer[BOOST_JSON_STACK_BUFFER_SIZE];
    json::basic_parser<ValueBuilder> parser(options, buffer, sizeof buffer);
    parser.handler().reset(storage);
    const std::size_t slice = betweenSlices ? kSliceBytes : utf8.size();
    std::size_t fed = 0;
    bool sliceTaken = true; // the parser stops short only where the value ended
    while (!error && sliceTaken && utf8.size() - fed > slice) {
        const std::size_t taken = parser.write_some(true, utf8.data() + fed, slice, error);
        fed += taken;
        sliceTaken = taken == slice;
        betweenSlices();
    }
    if (!error && sliceTaken) {
        fed += parser.write_some(false, utf8.data() + fed, utf8.size() - fed, error);
    }
    if (!error && fed < utf8.size()) {
        error = json::error::extra_data;
    }
    return error ? json::value(nullptr) : parser.handler().release();
}

int hexValue(std::string_view digits) {
    int value = 0;
    for (const char c : digits) {
        const int digit = (c >= '0' && c <= '9')   ? c - '0'
                          : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                          : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                   : -1;
        if (digit < 0) {
            return -1;
        }
        value = value * 16 + digit;
    }
    return value;
}

// The code unit of a "\uXXXX" escape at pos, or -1.
int escapedUnit(std::string_view text, std::size_t pos) {
    if (pos + 6 > text.size() || text[pos] != '\\' || text[pos + 1] != 'u') {
        return -1;
    }
    return hexValue(text.substr(pos + 2, 4));
}

// Copies the string character or escape at pos; returns the position after it.
std::size_t copyStringPart(std::string_view text, std::size_t pos, std::string& out) {
    const int unit = escapedUnit(text, pos);
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    const int next = high ? escapedUnit(text, pos + 6) : -1;
    if (high && next >= 0xDC00 && next <= 0xDFFF) {
        out.append(text.substr(pos, 12));
        return pos + 12;
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) {
        out += '?';
        return pos + 6;
    }
    const std::size_t width = (text[pos] == '\\' && pos + 1 < text.size()) ? 2 : 1;
    out.append(text.substr(pos, width));
    return pos + width;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Copies the exponent digits at pos, capped at 999999999; returns the position after them.
std::size_t copyExponentDigits(std::string_view text, std::size_t pos, std::string& out) {
    std::size_t end = pos;
    while (end < text.size() && isDigit(text[end])) {
        ++end;
    }
    std::size_t significant = pos;
    while (significant < end && text[significant] == '0') {
        ++significant;
    }
    if (end - significant > 9) {
        out += "999999999";
    } else {
        out.append(text.substr(pos, end - pos));
    }
    return end;
}

} // namespace

std::string RepairJsonText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    bool inString = false;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char c = utf8[pos];
        if (inString && c != '"') {
            pos = copyStringPart(utf8, pos, out);
            continue;
        }
        out += c;
        ++pos;
        if (c == '"') {
            inString = !inString;
        } else if ((c == 'e' || c == 'E') && pos >= 2 && isDigit(utf8[pos - 2])) {
            // Outside strings an "e" after a digit starts a number's exponent.
            if (pos < utf8.size() && (utf8[pos] == '+' || utf8[pos] == '-')) {
                out += utf8[pos++];
            }
            pos = copyExponentDigits(utf8, pos, out);
        }
    }
    return out;
}

std::optional<json::value> ParseJsonText(std::string_view utf8, const json::storage_ptr& storage,
                                         std::size_t maxDepth,
                                         const std::function<void()>& betweenSlices) {
    static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (utf8.starts_with(kByteOrderMark)) {
        utf8.remove_prefix(kByteOrderMark.size());
    }
    json::error_code error;
    json::value value = parseOnce(utf8, storage, maxDepth, betweenSlices, error);
    if (error && error != json::error::too_deep) {
        // Only texts the library refused pay for the repair pass.
        const std::string repaired = RepairJsonText(utf8);
        if (repaired != utf8) {
            error = {};
            value = parseOnce(repaired, storage, maxDepth, betweenSlices, error);
        }
    }
    if (error) {
        return std::nullopt;
    }
    return value;
}

} // namespace tb
