// tunebatch-cli json PATH [--as-json|--names|--type] < FILE
//   Reads one JSON document from standard input and prints the value at PATH as text
//   (--as-json: as JSON text; --names: its member names, one a line; --type: its type code).
// tunebatch-cli regex PATTERN [--case-sensitive] < FILE
//   Prints one line per match of PATTERN in standard input: the match, then its groups,
//   separated by tabs. An invalid pattern, or a search the engine cannot finish (match
//   limit), fails with the reason and prints no match.
// Input and output are UTF-8; the core sees local text.

#include "cli_command.h"
#include "data/json_document.h"
#include "data/local_text.h"
#include "data/regex_object.h"

#include <iostream>
#include <iterator>
#include <memory>

namespace tb::cli {
namespace {

std::string standardInput() {
    return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
}

struct JsonOptions {
    std::string path;
    bool asJson = false;
    bool names = false;
    bool type = false;
};

int runJson(const JsonOptions& options) {
    JsonDocument document;
    if (!document.ParseUtf8(standardInput())) {
        return fail("json: the input is not a JSON value (or it is null)");
    }
    const std::string path = Utf8ToLocal(options.path);
    if (options.type) {
        std::cout << document.TypeOf(path) << "\n";
    } else if (options.names) {
        std::vector<std::string> names;
        document.MemberNames(path, names);
        for (const std::string& name : names) {
            std::cout << LocalToUtf8(name) << "\n";
        }
    } else {
        std::cout << LocalToUtf8(document.GetText(path, options.asJson)) << "\n";
    }
    return 0;
}

CliRunner setupJson(CLI::App& command) {
    auto options = std::make_shared<JsonOptions>();
    command.add_option("PATH", options->path, "path of the value, e.g. data.info[0].hash")
        ->required();
    auto* asJson = command.add_flag("--as-json", options->asJson, "print the value as JSON text");
    auto* names = command.add_flag("--names", options->names, "print its member names, one a line");
    auto* type = command.add_flag("--type", options->type, "print its type code");
    asJson->excludes(names)->excludes(type);
    names->excludes(type);
    command.footer("Reads one JSON document from standard input.");
    return [options] { return runJson(*options); };
}

struct RegexOptions {
    std::string pattern;
    bool caseSensitive = false;
};

int runRegex(const RegexOptions& options) {
    RegexObject regex;
    if (!regex.Create(Utf8ToLocal(options.pattern), Utf8ToLocal(standardInput()),
                      options.caseSensitive)) {
        return fail("regex: " + LocalToUtf8(regex.errorText()));
    }
    for (int match = 1; match <= regex.MatchCount(); ++match) {
        std::cout << LocalToUtf8(regex.MatchText(match));
        for (int group = 1; group <= regex.SubmatchCount(); ++group) {
            std::cout << '\t' << LocalToUtf8(regex.SubmatchText(match, group));
        }
        std::cout << '\n';
    }
    return 0;
}

CliRunner setupRegex(CLI::App& command) {
    auto options = std::make_shared<RegexOptions>();
    command.add_option("PATTERN", options->pattern, "the regular expression")->required();
    command.add_flag("--case-sensitive", options->caseSensitive, "match letter case exactly");
    command.footer("Prints one line per match in standard input: the match, then its groups, "
                   "separated by tabs.");
    return [options] { return runRegex(*options); };
}

const CliCommandRegistration kJson("json", "print a value of a JSON document read from stdin",
                                   setupJson);
const CliCommandRegistration kRegex("regex", "print the matches of a pattern in stdin", setupRegex);

} // namespace
} // namespace tb::cli
