#pragma once
// The plug-in path of the batch command on the main program's side: the switch that puts
// the helper program `batchget` into the current folder, and the hand-off of one song to a
// helper process of its own.

#include "platform/process_launch.h"
#include "tags/song_extras.h"

#include <functional>
#include <optional>
#include <string>

namespace tb::batch {

// The helper's name in the current folder.
inline constexpr const char* kPluginProgram = "batchget";

// The bytes of the helper program the main program carries; empty optional when it
// carries none.
using PluginImage = std::function<std::optional<std::string>()>;

// Writes the helper into the current folder as an executable file (mode 0755) when nothing
// of its name is there yet. A failure to write is ignored.
void ReleasePlugin(const PluginImage& image);

// The click handler of the plug-in switch: once ticked, the helper is released, the busy
// flag of the internal downloads is cleared (a batch waiting on it goes on, now through the
// helper) and the user is told that no progress will be shown. Unticking does nothing.
void OnPluginSwitchClicked(bool ticked, const PluginImage& image);

// The helper's command line: " " + the encoded target path + " " + the play address, then
// the song's extras when any is switched on (plugin_extras.h).
std::string PluginCommandLine(const std::string& targetPath, const std::string& playUrl,
                              const tags::SongExtras& extras = {});

// What became of one launch.
struct PluginLaunch {
    std::optional<platform::ChildId> helper; // empty when no helper runs for the song
    std::string playUrl;                     // the play address resolved for it
};

// Resolves the play address of playInfoAddress once more and starts the helper from the
// current folder with the target path (local text) and the song's extras, as a child of
// this process that is not awaited here. No helper is started when the address resolves to
// nothing (the helper could not do anything with it).
PluginLaunch LaunchPluginDownload(const std::string& targetPath, const std::string& playInfoAddress,
                                  const tags::SongExtras& extras = {});

} // namespace tb::batch
