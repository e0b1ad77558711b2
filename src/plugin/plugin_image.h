#pragma once
// The helper program `batchget` as the main program carries it (built from this tree).

#include <optional>
#include <string>

namespace tb::plugin {

// The helper's program file; empty optional when the resource cannot be read.
std::optional<std::string> EmbeddedPluginImage();

} // namespace tb::plugin
