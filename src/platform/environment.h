#pragma once
// Settings that come from the process environment (endpoint overrides and the like).

#include <optional>
#include <string>
#include <string_view>

namespace tb::platform {

// The value of an environment variable as local text; empty optional when it is not set.
std::optional<std::string> EnvironmentValue(std::string_view name);

} // namespace tb::platform
