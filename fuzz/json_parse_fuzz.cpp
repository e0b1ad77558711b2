// Any bytes as a JSON reply, through the UTF-8 entry and the local-text entry. A document
// that parsed, written out as JSON, must read back to the very same JSON text.

#include "data/json_document.h"
#include "fuzz_input.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = tb::fuzz::inputText(data, size);
    tb::JsonDocument document;
    if (document.ParseUtf8(input)) {
        const std::string written = document.ToJson();
        tb::JsonDocument again;
        again.Parse(written);
        tb::fuzz::require(again.ToJson() == written, "written JSON reads back unchanged");
        tb::fuzz::require(document.TypeOf("") != tb::JsonDocument::kTypeNull,
                          "a parsed root is not null");
    } else {
        tb::fuzz::require(document.ToJson() == "null", "a failed parse leaves a null root");
    }
    tb::JsonDocument local;
    local.Parse(input);
    local.ToJson();
    return 0;
}
