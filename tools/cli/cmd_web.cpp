// tunebatch-cli get URL [--method N] [--header LINE]... [--cookies TEXT] [--no-redirect]
//                       [--timeout S] [--proxy HOST:PORT] [--data TEXT]
//   One text request. Prints "status: ...", "location: ...", "cookies: ...", a blank line,
//   then the body. Fails (exit 1) when no response arrived, with the engine's message.
// tunebatch-cli fetch URL -o FILE
//   One byte fetch into FILE. Prints the status line and the byte count; fails when no
//   response arrived.
// Arguments and output are UTF-8; the engines see local text.

#include "cli_command.h"
#include "data/local_text.h"
#include "net/fetch_bytes.h"
#include "net/http_request.h"
#include "platform/file_system.h"

#include <iostream>
#include <optional>

namespace tb::cli {
namespace {

const std::string kGetForm = "get URL [--method N] [--header LINE]... [--cookies TEXT] "
                             "[--no-redirect] [--timeout S] [--proxy HOST:PORT] [--data TEXT]";
const std::string kFetchForm = "fetch URL -o FILE";
const std::string kGetUsage = "usage: tunebatch-cli " + kGetForm;
const std::string kFetchUsage = "usage: tunebatch-cli " + kFetchForm;

std::optional<int> number(const std::string& text) {
    const long long value = LocalToInt(text);
    if (std::to_string(value) != text || value < -1000000 || value > 1000000) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

// Reads one option (and its value) at args[i]; false for an unknown option or a
// missing or malformed value.
bool readGetOption(const CliArgs& args, std::size_t& i, net::HttpRequestArgs& request) {
    const std::string& option = args[i];
    if (option == "--no-redirect") {
        request.noRedirect = true;
        return true;
    }
    if (i + 1 >= args.size()) {
        return false;
    }
    const std::string value = Utf8ToLocal(args[++i]);
    if (option == "--method" || option == "--timeout") {
        const std::optional<int> parsed = number(value);
        (option == "--method" ? request.method : request.timeout) = parsed;
        return parsed.has_value();
    }
    if (option == "--header") {
        std::string& headers = request.extraHeaders.emplace(request.extraHeaders.value_or(""));
        headers += headers.empty() ? value : "\r\n" + value;
    } else if (option == "--cookies") {
        request.cookiesIn = value;
    } else if (option == "--proxy") {
        request.proxy = value;
    } else if (option == "--data") {
        request.postData = value;
    } else {
        return false;
    }
    return true;
}

int runGet(const CliArgs& args) {
    if (args.empty() || args[0].starts_with("--")) {
        return fail(kGetUsage);
    }
    net::HttpRequestArgs request;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (!readGetOption(args, i, request)) {
            return fail(kGetUsage);
        }
    }
    const std::string body = net::HttpRequest(Utf8ToLocal(args[0]), request);
    if (request.responseHeaders.empty()) {
        return fail("get: " + LocalToUtf8(request.status));
    }
    std::cout << "status: " << LocalToUtf8(request.status) << "\n"
              << "location: " << LocalToUtf8(request.location) << "\n"
              << "cookies: " << LocalToUtf8(request.cookiesOut) << "\n\n"
              << LocalToUtf8(body);
    return 0;
}

int runFetch(const CliArgs& args) {
    if (args.size() != 3 || args[1] != "-o") {
        return fail(kFetchUsage);
    }
    net::FetchBytesArgs request;
    const std::string bytes = net::FetchBytes(Utf8ToLocal(args[0]), request);
    const std::string statusLine =
        request.responseHeaders.substr(0, request.responseHeaders.find("\r\n"));
    if (TrimBlanks(statusLine).empty() && bytes.empty()) {
        return fail("fetch: no response from " + args[0]);
    }
    if (!platform::WriteWholeFile(Utf8ToLocal(args[2]), bytes)) {
        return fail("fetch: cannot write " + args[2]);
    }
    std::cout << "status: " << LocalToUtf8(TrimBlanks(statusLine)) << "\n"
              << "bytes: " << bytes.size() << "\n";
    return 0;
}

const CliCommandRegistration kGet("get", kGetForm, runGet);
const CliCommandRegistration kFetch("fetch", kFetchForm, runFetch);

} // namespace
} // namespace tb::cli
