#include "platform/thread_name.h"

#include <pthread.h>

namespace tb::platform {

void setCurrentThreadName(const std::string& name) {
    const std::string kept = name.substr(0, 15);
    pthread_setname_np(pthread_self(), kept.c_str());
}

} // namespace tb::platform
