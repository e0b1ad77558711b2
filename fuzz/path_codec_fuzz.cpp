// The helper's command-line path form over any bytes: decoding any text is safe and never
// grows it; encoding gives one argument (no blank, quote or control byte) that decodes back
// to the very bytes.

#include "fuzz_input.h"
#include "plugin/path_codec.h"

#include <string>

namespace {

bool staysOneArgument(std::string_view encoded) {
    for (const char c : encoded) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x21 || byte > 0x7A || c == '"') {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tb::plugin;
    const std::string_view input = tb::fuzz::inputText(data, size);
    const std::string decoded = DecodePluginPath(input);
    tb::fuzz::require(decoded.size() <= input.size(), "decoding never grows the text");
    const std::string encoded = EncodePluginPath(input);
    tb::fuzz::require(staysOneArgument(encoded), "an encoded path stays one argument");
    tb::fuzz::require(DecodePluginPath(encoded) == input, "an encoded path decodes back");
    return 0;
}
