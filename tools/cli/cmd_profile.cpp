// tunebatch-cli profile get FILE SECTION KEY
//   Prints the value stored under the section and key of a profile (INI) file and a newline
//   (an empty line when there is none).
// tunebatch-cli profile set FILE SECTION KEY VALUE
//   Stores the value, creating the file, the section and the key as needed.
// Names and values are UTF-8 here and GB18030 in the file, as the program keeps its layout.

#include "cli_command.h"
#include "data/local_text.h"
#include "layout/profile_file.h"

#include <iostream>
#include <memory>

namespace tb::cli {
namespace {

struct ProfileOptions {
    std::string file;
    std::string section;
    std::string key;
    std::string value;
};

int runGet(const ProfileOptions& options) {
    const std::string value = layout::ReadProfileString(
        Utf8ToLocal(options.file), Utf8ToLocal(options.section), Utf8ToLocal(options.key));
    std::cout << LocalToUtf8(value) << "\n";
    return 0;
}

int runSet(const ProfileOptions& options) {
    if (!layout::WriteProfileString(Utf8ToLocal(options.file), Utf8ToLocal(options.section),
                                    Utf8ToLocal(options.key), Utf8ToLocal(options.value))) {
        return fail("profile set: could not store the value in " + options.file +
                    " (a blank name, a line break, or the file cannot be written)");
    }
    return 0;
}

void addNames(CLI::App& command, ProfileOptions& options) {
    command.add_option("FILE", options.file, "the profile file")->required();
    command.add_option("SECTION", options.section, "the section, without brackets")->required();
    command.add_option("KEY", options.key, "the key")->required();
}

CliRunner setupProfile(CLI::App& command) {
    auto options = std::make_shared<ProfileOptions>();
    CLI::App* get = command.add_subcommand("get", "print the value of a key");
    addNames(*get, *options);
    CLI::App* set = command.add_subcommand("set", "store the value of a key");
    addNames(*set, *options);
    set->add_option("VALUE", options->value, "the value (may be empty)")->required();
    command.require_subcommand(1, 1);
    return [options, get] { return get->parsed() ? runGet(*options) : runSet(*options); };
}

const CliCommandRegistration kProfile("profile", "read or write a value of a profile (INI) file",
                                      setupProfile);

} // namespace
} // namespace tb::cli
