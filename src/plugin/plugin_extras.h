#pragma once
// The song's extras on the helper's command line, after its two arguments: "--tags" and
// "--lyrics-file" switch them on, and "--name=", "--song=", "--author=", "--album=",
// "--cover=" and "--lyrics=" carry the facts the main program resolved, each value encoded
// like the target path (path_codec.h), so that every one stays a single argument. The
// helper never asks the catalogue for them again.

#include "tags/song_extras.h"

#include <optional>
#include <string>
#include <vector>

namespace tb::plugin {

// The arguments for the extras, each preceded by a space; empty when neither is switched on.
// Facts that are empty are left out.
std::string PluginExtrasArguments(const tags::SongExtras& extras);

// The extras from the arguments after the first two: an empty list gives none switched on.
// Empty optional when an argument is not one of the above, comes twice, or none of the
// switches is there: the helper then ends at once, as with a wrong number of arguments.
std::optional<tags::SongExtras> ParsePluginExtras(const std::vector<std::string>& arguments);

} // namespace tb::plugin
