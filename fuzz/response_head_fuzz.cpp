// A download connection's response head over any header lines (fields "offset\0expected
// total\0head"): a head accepted as the asked range must really describe that range.

#include "download/http_response.h"
#include "fuzz_input.h"

#include <charconv>
#include <optional>

namespace {

std::optional<std::int64_t> number(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return (error == std::errc() && value >= 0) ? std::optional(value) : std::nullopt;
}

tb::download::ResponseHead headOf(std::string_view block) {
    tb::download::ResponseHead head;
    while (!block.empty()) {
        const std::size_t end = block.find('\n');
        head.addLine(block.substr(0, end));
        block.remove_prefix(end == std::string_view::npos ? block.size() : end + 1);
    }
    return head;
}

void rangeIsSound(const std::optional<tb::download::ContentRange>& range) {
    if (range) {
        tb::fuzz::require(range->first >= 0 && range->last >= 0 && range->total.value_or(0) >= 0,
                          "a parsed range has no negative number");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using tb::download::HeadVerdict;
    const auto parts = tb::fuzz::fields(tb::fuzz::inputText(data, size), 3);
    const std::int64_t offset = number(parts[0]).value_or(0);
    const auto head = headOf(parts[2]);
    rangeIsSound(head.contentRange());
    rangeIsSound(tb::download::parseContentRange(parts[2]));
    const auto check = tb::download::checkHead(head, offset, number(parts[1]));
    if (check.verdict == HeadVerdict::Body) {
        const auto& range = head.contentRange();
        tb::fuzz::require(head.status() == 206 && range && range->first == offset &&
                              range->first <= range->last && range->total &&
                              range->last < *range->total && check.totalSize == range->total,
                          "an accepted part is the asked range of a known total");
    }
    if (check.verdict == HeadVerdict::WholeFile) {
        tb::fuzz::require(head.status() == 200, "only a 200 gives the whole file");
    }
    if (check.verdict == HeadVerdict::Redirect) {
        tb::fuzz::require(!head.location().empty(), "a redirect names where to");
    }
    if (check.verdict == HeadVerdict::Fail) {
        tb::fuzz::require(!check.failText.empty(), "a failure says why");
    }
    return 0;
}
