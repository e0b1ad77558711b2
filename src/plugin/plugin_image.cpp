#include "plugin/plugin_image.h"

#include <cstdint>

// The helper's file, assembled into this object's read-only data, with its length.
asm(".pushsection .rodata.tb_plugin_image, \"a\"\n"
    ".balign 16\n"
    ".globl tb_plugin_image_bytes\n"
    ".hidden tb_plugin_image_bytes\n"
    "tb_plugin_image_bytes:\n"
    ".incbin \"" TB_PLUGIN_IMAGE_FILE "\"\n"
    "tb_plugin_image_end:\n"
    ".balign 8\n"
    ".globl tb_plugin_image_size\n"
    ".hidden tb_plugin_image_size\n"
    "tb_plugin_image_size:\n"
    ".8byte tb_plugin_image_end - tb_plugin_image_bytes\n"
    ".popsection\n");

extern "C" const char tb_plugin_image_bytes[];
extern "C" const std::uint64_t tb_plugin_image_size;

namespace tb::plugin {

std::optional<std::string> EmbeddedPluginImage() {
    if (tb_plugin_image_size == 0) {
        return std::nullopt;
    }
    return std::string(tb_plugin_image_bytes, static_cast<std::size_t>(tb_plugin_image_size));
}

} // namespace tb::plugin
