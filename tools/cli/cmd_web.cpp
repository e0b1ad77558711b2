// tunebatch-cli get URL [--method N] [--header LINE]... [--cookies TEXT] [--no-redirect]
//                       [--timeout S] [--proxy HOST:PORT] [--data TEXT]
//   One text request. Prints "status: ...", "location: ...", "cookies: ...", a blank line,
//   then the body. Fails (exit 1) when no response arrived, with the engine's message, and
//   with message 713 when the body was cut short (shorter than its Content-Length, or a
//   broken chunked encoding).
// tunebatch-cli fetch URL -o FILE
//   One byte fetch into FILE. Prints the status line and the byte count; fails when no
//   response arrived, and with message 713 (writing nothing) when the body was cut short.
// Arguments and output are UTF-8; the engines see local text.

#include "cli_command.h"
#include "data/local_text.h"
#include "net/fetch_bytes.h"
#include "net/http_request.h"
#include "platform/file_system.h"

#include <iostream>
#include <memory>
#include <optional>
#include <vector>

namespace tb::cli {
namespace {

struct GetOptions {
    std::string url;
    std::optional<int> method;
    std::vector<std::string> headers;
    std::optional<std::string> cookies;
    bool noRedirect = false;
    std::optional<int> timeout;
    std::optional<std::string> proxy;
    std::optional<std::string> data;
};

// The request's optional arguments are given only when the option was; the engine treats a
// given argument differently from an absent one.
net::HttpRequestArgs requestFrom(const GetOptions& options) {
    net::HttpRequestArgs request;
    request.method = options.method;
    request.timeout = options.timeout;
    request.noRedirect = options.noRedirect;
    for (const std::string& line : options.headers) {
        std::string& headers = request.extraHeaders.emplace(request.extraHeaders.value_or(""));
        headers += (headers.empty() ? "" : "\r\n") + Utf8ToLocal(line);
    }
    if (options.cookies) {
        request.cookiesIn = Utf8ToLocal(*options.cookies);
    }
    if (options.proxy) {
        request.proxy = Utf8ToLocal(*options.proxy);
    }
    if (options.data) {
        request.postData = Utf8ToLocal(*options.data);
    }
    return request;
}

int runGet(const GetOptions& options) {
    net::HttpRequestArgs request = requestFrom(options);
    const std::string body = net::HttpRequest(Utf8ToLocal(options.url), request);
    if (request.responseHeaders.empty()) {
        return fail("get: " + LocalToUtf8(request.status));
    }
    if (request.bodyCut) {
        return fail("get: " + LocalToUtf8(net::HttpRequestMessage(713)));
    }
    std::cout << "status: " << LocalToUtf8(request.status) << "\n"
              << "location: " << LocalToUtf8(request.location) << "\n"
              << "cookies: " << LocalToUtf8(request.cookiesOut) << "\n\n"
              << LocalToUtf8(body);
    return 0;
}

CliRunner setupGet(CLI::App& command) {
    auto options = std::make_shared<GetOptions>();
    command.add_option("URL", options->url, "the address")->required();
    command.add_option("--method", options->method, "0 GET, 1 POST, 2 HEAD, 3 PUT, ...")
        ->check(CLI::Range(-1000000, 1000000));
    command.add_option("--header", options->headers, "a request header line (repeatable)")
        ->allow_extra_args(false);
    command.add_option("--cookies", options->cookies, "cookies to send: name=value; ...");
    command.add_flag("--no-redirect", options->noRedirect, "do not follow redirects");
    command
        .add_option("--timeout", options->timeout,
                    "seconds without a byte moved, and for the response head as a whole")
        ->check(CLI::Range(-1000000, 1000000));
    command.add_option("--proxy", options->proxy, "HOST:PORT, HOST or http://HOST:PORT");
    command.add_option("--data", options->data, "the request body");
    command.footer("Prints \"status: \", \"location: \", \"cookies: \", a blank line, then the "
                   "body. Fails when no response arrived, with the engine's message, or when "
                   "the body was cut short.");
    return [options] { return runGet(*options); };
}

struct FetchOptions {
    std::string url;
    std::string file;
};

int runFetch(const FetchOptions& options) {
    net::FetchBytesArgs request;
    const std::string bytes = net::FetchBytes(Utf8ToLocal(options.url), request);
    const std::string statusLine =
        request.responseHeaders.substr(0, request.responseHeaders.find("\r\n"));
    if (TrimBlanks(statusLine).empty() && bytes.empty()) {
        return fail("fetch: no response from " + options.url);
    }
    if (!request.bodyComplete) {
        return fail("fetch: " + LocalToUtf8(net::HttpRequestMessage(713)));
    }
    if (!platform::WriteWholeFile(Utf8ToLocal(options.file), bytes)) {
        return fail("fetch: cannot write " + options.file);
    }
    std::cout << "status: " << LocalToUtf8(TrimBlanks(statusLine)) << "\n"
              << "bytes: " << bytes.size() << "\n";
    return 0;
}

CliRunner setupFetch(CLI::App& command) {
    auto options = std::make_shared<FetchOptions>();
    command.add_option("URL", options->url, "the address")->required();
    command.add_option("-o,--output", options->file, "the file to write")->required();
    command.footer("Prints the status line and the byte count. Fails when no response "
                   "arrived or the body was cut short.");
    return [options] { return runFetch(*options); };
}

const CliCommandRegistration kGet("get", "send one text request and print the response", setupGet);
const CliCommandRegistration kFetch("fetch", "fetch the bytes of an address into a file",
                                    setupFetch);

} // namespace
} // namespace tb::cli
