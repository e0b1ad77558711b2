#include "platform/environment.h"

#include "data/local_text.h"

#include <cstdlib>

namespace tb::platform {

std::optional<std::string> EnvironmentValue(std::string_view name) {
    const char* value = std::getenv(std::string(name).c_str());
    if (value == nullptr) {
        return std::nullopt;
    }
    return Utf8ToLocal(value);
}

} // namespace tb::platform
