#include "plugin/plugin_extras.h"

#include "plugin/path_codec.h"

#include <array>
#include <set>
#include <string_view>

namespace tb::plugin {
namespace {

constexpr std::string_view kTagsSwitch = "--tags";
constexpr std::string_view kLyricsFileSwitch = "--lyrics-file";

struct Fact {
    std::string_view option; // with its "="
    std::string tags::SongExtras::*member;
};

constexpr std::array<Fact, 6> kFacts{{
    {"--name=", &tags::SongExtras::rowName},
    {"--song=", &tags::SongExtras::songName},
    {"--author=", &tags::SongExtras::authorName},
    {"--album=", &tags::SongExtras::albumName},
    {"--cover=", &tags::SongExtras::imageUrl},
    {"--lyrics=", &tags::SongExtras::lyrics},
}};

// Takes one argument into extras; false when it is none of the known ones.
bool takeArgument(const std::string& argument, tags::SongExtras& extras) {
    if (argument == kTagsSwitch) {
        extras.writeTags = true;
        return true;
    }
    if (argument == kLyricsFileSwitch) {
        extras.saveLyricsFile = true;
        return true;
    }
    for (const Fact& fact : kFacts) {
        if (argument.starts_with(fact.option)) {
            extras.*fact.member = DecodePluginPath(argument.substr(fact.option.size()));
            return true;
        }
    }
    return false;
}

// The name of the option an argument gives ("--song" for "--song=..."), to catch repeats.
std::string_view optionName(std::string_view argument) {
    return argument.substr(0, argument.find('='));
}

} // namespace

std::string PluginExtrasArguments(const tags::SongExtras& extras) {
    if (!extras.any()) {
        return {};
    }
    std::string arguments;
    if (extras.writeTags) {
        arguments += " " + std::string(kTagsSwitch);
    }
    if (extras.saveLyricsFile) {
        arguments += " " + std::string(kLyricsFileSwitch);
    }
    for (const Fact& fact : kFacts) {
        const std::string& value = extras.*fact.member;
        if (!value.empty()) {
            arguments += " " + std::string(fact.option) + EncodePluginPath(value);
        }
    }
    return arguments;
}

std::optional<tags::SongExtras> ParsePluginExtras(const std::vector<std::string>& arguments) {
    tags::SongExtras extras;
    std::set<std::string_view> seen;
    for (const std::string& argument : arguments) {
        if (!seen.insert(optionName(argument)).second || !takeArgument(argument, extras)) {
            return std::nullopt;
        }
    }
    if (!arguments.empty() && !extras.any()) {
        return std::nullopt;
    }
    return extras;
}

} // namespace tb::plugin
