#include "platform/stop_signals.h"

#include "platform/thread_name.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace tb::platform {
namespace {

sigset_t stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

} // namespace

StopSignalWatcher::StopSignalWatcher(std::function<void(int)> onSignal)
    : m_onSignal(std::move(onSignal)) {
    const sigset_t set = stopSignals();
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC);
    if (m_wakeFd < 0 || ::pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) {
        return;
    }
    m_signalFd = ::signalfd(-1, &set, SFD_CLOEXEC);
    if (m_signalFd >= 0) {
        m_thread = std::thread([this] { watch(); });
    } else {
        ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    }
}

StopSignalWatcher::~StopSignalWatcher() {
    if (m_thread.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
        m_thread.join();
    }
    if (m_signalFd >= 0) {
        ::close(m_signalFd);
        const sigset_t set = stopSignals();
        ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    }
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
    }
}

void StopSignalWatcher::watch() {
    setCurrentThreadName("tb-signals");
    pollfd watched[2] = {{m_signalFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    for (;;) {
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if ((watched[1].revents & POLLIN) != 0) {
            return;
        }
        signalfd_siginfo info{};
        if ((watched[0].revents & POLLIN) != 0 &&
            ::read(m_signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            m_received = static_cast<int>(info.ssi_signo);
            m_onSignal(static_cast<int>(info.ssi_signo));
        }
    }
}

} // namespace tb::platform
