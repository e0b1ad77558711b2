#include "data/json_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace tb {
namespace json = boost::json;
namespace {

void appendString(std::string_view text, std::string& out) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                out += "\\u00";
                out += kHex[(c >> 4) & 0xF];
                out += kHex[c & 0xF];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

void appendScalar(const json::value& value, std::string& out) {
    char buffer[32];
    switch (value.kind()) {
    case json::kind::null:
        out += "null";
        break;
    case json::kind::bool_:
        out += value.get_bool() ? "true" : "false";
        break;
    case json::kind::int64:
        out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value.get_int64()).ptr);
        break;
    case json::kind::uint64:
        out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value.get_uint64()).ptr);
        break;
    case json::kind::double_:
        out += JsNumberText(value.get_double());
        break;
    case json::kind::string:
        appendString(value.get_string(), out);
        break;
    default:
        break;
    }
}

// One open array or object and the position of its next element.
struct Frame {
    const json::value* container;
    std::size_t next;
};

// Writes the element of the frame at its next position; returns the element value.
const json::value& openElement(const Frame& frame, std::string& out) {
    if (frame.next > 0) {
        out += ',';
    }
    if (frame.container->is_array()) {
        return frame.container->get_array()[frame.next];
    }
    const auto& member = *(frame.container->get_object().begin() + frame.next);
    appendString(member.key(), out);
    out += ':';
    return member.value();
}

std::size_t elementCount(const json::value& container) {
    return container.is_array() ? container.get_array().size() : container.get_object().size();
}

} // namespace

void AppendJsonText(const json::value& value, std::string& out) {
    std::vector<Frame> stack;
    const json::value* current = &value;
    for (;;) {
        if (current->is_array() || current->is_object()) {
            out += current->is_array() ? '[' : '{';
            stack.push_back({current, 0});
        } else {
            appendScalar(*current, out);
        }
        current = nullptr;
        while (!stack.empty() && current == nullptr) {
            Frame& top = stack.back();
            if (top.next < elementCount(*top.container)) {
                current = &openElement(top, out);
                ++top.next;
            } else {
                out += top.container->is_array() ? ']' : '}';
                stack.pop_back();
            }
        }
        if (current == nullptr) {
            return;
        }
    }
}

std::string JsNumberText(double number) {
    if (!std::isfinite(number)) {
        return "null";
    }
    if (number == 0) {
        return "0";
    }
    // Shortest round-trip digits d.ddd and the decimal exponent, then JavaScript's layout.
    char buffer[40];
    const char* end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(number),
                                    std::chars_format::scientific)
                          .ptr;
    const std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    const std::size_t e = text.find('e');
    std::string digits;
    for (const char c : text.substr(0, e)) {
        if (c != '.') {
            digits += c;
        }
    }
    const int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
    const int k = static_cast<int>(digits.size());
    const int n = exponent + 1;
    const std::string_view all(digits);
    const auto count = [](int value) { return static_cast<std::size_t>(value); };
    std::string out = number < 0 ? "-" : "";
    if (k <= n && n <= 21) {
        out.append(all).append(count(n - k), '0');
    } else if (0 < n && n <= 21) {
        out.append(all.substr(0, count(n))).append(".").append(all.substr(count(n)));
    } else if (-6 < n && n <= 0) {
        out.append("0.").append(count(-n), '0').append(all);
    } else {
        out.append(all.substr(0, 1));
        if (k > 1) {
            out.append(".").append(all.substr(1));
        }
        out.append(n - 1 >= 0 ? "e+" : "e-").append(std::to_string(std::abs(n - 1)));
    }
    return out;
}

} // namespace tb
