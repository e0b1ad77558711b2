#pragma once
// Compact JSON text of a Boost.JSON value in the form a browser's JSON.stringify gives:
// numbers in their shortest round-trip form ("3.5", "1e+21"), non-finite numbers as null.
// Works without recursion, so values nested many thousands deep are safe.

#include <boost/json/value.hpp>

#include <string>

namespace tb {

void AppendJsonText(const boost::json::value& value, std::string& out);
// The shortest text that reads back as number, written as JavaScript writes numbers.
std::string JsNumberText(double number);

} // namespace tb
