#pragma once
// cpp-httplib on a loopback port chosen by the system, serving on its own thread for the
// lifetime of the object. Routes are added before start().

#include <httplib.h>

#include <string>
#include <thread>

namespace tb::test {

class HttplibServer {
public:
    httplib::Server server;

    void start() {
        m_port = server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { server.listen_after_bind(); });
    }
    ~HttplibServer() {
        // stop() only acts on a running server, so let the accept loop come up first.
        while (m_thread.joinable() && !server.is_running()) {
            std::this_thread::yield();
        }
        server.stop();
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    std::string address(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }
    int port() const { return m_port; }

private:
    int m_port = 0;
    std::thread m_thread;
};

} // namespace tb::test
