// Cookie handling over any texts (fields "old\0new\0header block"): the merge must keep
// no deleted cookie and no exact repeat, and merging its result with itself changes nothing.

#include "data/local_text.h"
#include "fuzz_input.h"
#include "net/cookies.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::string> items(const std::string& cookies) {
    std::vector<std::string> found;
    std::size_t start = 0;
    while (start < cookies.size()) {
        std::size_t end = cookies.find("; ", start);
        end = end == std::string::npos ? cookies.size() : end;
        found.push_back(cookies.substr(start, end - start));
        start = end + 2;
    }
    return found;
}

void mergeIsSound(std::string_view oldCookies, std::string_view newCookies) {
    const std::string merged = tb::net::MergeCookies(oldCookies, newCookies);
    auto list = items(merged);
    for (const std::string& item : list) {
        tb::fuzz::require(!item.ends_with("=deleted"), "no deleted cookie is kept");
    }
    std::sort(list.begin(), list.end());
    tb::fuzz::require(std::adjacent_find(list.begin(), list.end()) == list.end(),
                      "no cookie is kept twice");
    // Dropping a blank between two broken bytes may join them into a new blank, so this
    // holds for texts made of characters only.
    const auto madeOfCharacters = [](std::string_view text) {
        return tb::Utf8ToLocal(tb::LocalToUtf8(text)) == text;
    };
    const bool characters = madeOfCharacters(oldCookies) && madeOfCharacters(newCookies);
    tb::fuzz::require(!characters || tb::net::MergeCookies(merged, merged) == merged,
                      "merging a merge with itself changes nothing");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = tb::fuzz::fields(tb::fuzz::inputText(data, size), 3);
    mergeIsSound(parts[0], parts[1]);
    const std::string block = tb::net::NormaliseSetCookie(parts[2]);
    tb::fuzz::require(block.size() == parts[2].size(), "normalising keeps the length");
    std::string cookies(parts[0]);
    tb::net::AppendResponseCookies(block, cookies);
    mergeIsSound(parts[0], cookies);
    tb::net::CookieOfLine(parts[2]);
    return 0;
}
