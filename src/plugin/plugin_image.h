#pragma once
// The helper program `batchget` as the main program and the companion carry it (built from
// this tree, assembled into the carrier: no Qt resource).

#include <optional>
#include <string>

namespace tb::plugin {

// The helper's program file; empty optional when the carried file is empty.
std::optional<std::string> EmbeddedPluginImage();

} // namespace tb::plugin
