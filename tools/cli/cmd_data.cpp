// tunebatch-cli json PATH [--as-json|--names|--type] < FILE
//   Reads one JSON document from standard input and prints the value at PATH as text
//   (--as-json: as JSON text; --names: its member names, one a line; --type: its type code).
// tunebatch-cli regex PATTERN [--case-sensitive] < FILE
//   Prints one line per match of PATTERN in standard input: the match, then its groups,
//   separated by tabs.
// Input and output are UTF-8; the core sees local text.

#include "cli_command.h"
#include "data/json_document.h"
#include "data/local_text.h"
#include "data/regex_object.h"

#include <iostream>
#include <iterator>

namespace tb::cli {
namespace {

std::string standardInput() {
    return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
}

int runJson(const CliArgs& args) {
    const std::string usage = "usage: tunebatch-cli json PATH [--as-json|--names|--type] < FILE";
    if (args.empty() || args.size() > 2) {
        return fail(usage);
    }
    const std::string mode = args.size() == 2 ? args[1] : "";
    if (!mode.empty() && mode != "--as-json" && mode != "--names" && mode != "--type") {
        return fail(usage);
    }
    JsonDocument document;
    if (!document.ParseUtf8(standardInput())) {
        return fail("json: the input is not a JSON value (or it is null)");
    }
    const std::string path = Utf8ToLocal(args[0]);
    if (mode == "--type") {
        std::cout << document.TypeOf(path) << "\n";
    } else if (mode == "--names") {
        std::vector<std::string> names;
        document.MemberNames(path, names);
        for (const std::string& name : names) {
            std::cout << LocalToUtf8(name) << "\n";
        }
    } else {
        std::cout << LocalToUtf8(document.GetText(path, mode == "--as-json")) << "\n";
    }
    return 0;
}

int runRegex(const CliArgs& args) {
    const bool caseSensitive = args.size() == 2 && args[1] == "--case-sensitive";
    if (args.empty() || (args.size() == 2 && !caseSensitive) || args.size() > 2) {
        return fail("usage: tunebatch-cli regex PATTERN [--case-sensitive] < FILE");
    }
    RegexObject regex;
    if (!regex.Create(Utf8ToLocal(args[0]), Utf8ToLocal(standardInput()), caseSensitive)) {
        return fail("regex: invalid pattern: " + args[0]);
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

const CliCommandRegistration kJson("json", "json PATH [--as-json|--names|--type] < FILE", runJson);
const CliCommandRegistration kRegex("regex", "regex PATTERN [--case-sensitive] < FILE", runRegex);

} // namespace
} // namespace tb::cli
