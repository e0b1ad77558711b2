#include "platform/memory.h"

#include <malloc.h>

namespace tb::platform {

void TrimWorkingSet() {
    ::malloc_trim(0);
}

} // namespace tb::platform
