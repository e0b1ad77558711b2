#pragma once
// JSON text -> Boost.JSON value, with the few rules where a script engine reads more than
// the library does:
//   - a UTF-8 byte-order mark before the value is skipped (RFC 8259 allows it);
//   - a number reads as +-infinity or +-0 whatever its exponent ("1e99999999999" as
//     "1e999" does, "0e999" and "-0.1e-99999999999" as zero with the number's sign), where
//     the library alone refuses huge exponents and computes a zero mantissa times an
//     infinite power of ten as NaN;
//   - a "\uD800" escape without its partner becomes "?" (it has no local form).
// Everything else is strict RFC 8259 JSON.

#include <boost/json/storage_ptr.hpp>
#include <boost/json/value.hpp>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tb {

// Parses UTF-8 JSON text into a value whose memory comes from storage; nullopt when the
// text is not one JSON value or nests deeper than maxDepth. May throw the library's
// exceptions (memory, sizes); callers guard. betweenSlices, when given, is called after each
// megabyte of text.
std::optional<boost::json::value> ParseJsonText(std::string_view utf8,
                                                const boost::json::storage_ptr& storage,
                                                std::size_t maxDepth,
                                                const std::function<void()>& betweenSlices = {});

// The text with what a second parse needs repaired: lone surrogate escapes inside strings
// become "?", exponents beyond 999999999 become 999999999 (a power of ten that is infinite
// or zero for every double all the same). Anything else is copied unchanged.
std::string RepairJsonText(std::string_view utf8);

} // namespace tb
