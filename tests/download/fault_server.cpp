#include "fault_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace tb::test {

FaultServer::FaultServer(Handler handler) : m_handler(std::move(handler)) {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::listen(m_listener, 16) == 0 &&
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        m_port = ntohs(address.sin_port);
    }
    m_acceptor = std::thread([this] { acceptLoop(); });
}

FaultServer::~FaultServer() {
    m_closing = true;
    ::shutdown(m_listener, SHUT_RDWR);
    m_acceptor.join();
    ::close(m_listener);
    {
        // Handlers waiting for a peer that never closes are released here.
        std::lock_guard lock(m_mutex);
        for (const int socket : m_openSockets) {
            ::shutdown(socket, SHUT_RDWR);
        }
    }
    for (auto& worker : m_workers) {
        worker.join();
    }
}

std::string FaultServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<std::string> FaultServer::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void FaultServer::acceptLoop() {
    for (;;) {
        const int socket = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0 || m_closing) {
            if (socket >= 0) {
                ::close(socket);
            }
            return;
        }
        m_workers.emplace_back([this, socket] { serve(socket); });
    }
}

void FaultServer::serve(int socket) {
    {
        std::lock_guard lock(m_mutex);
        m_openSockets.push_back(socket);
    }
    handle(socket);
    std::lock_guard lock(m_mutex);
    std::erase(m_openSockets, socket);
    ::close(socket);
}

void FaultServer::handle(int socket) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const ssize_t got = ::recv(socket, buffer, sizeof buffer, 0);
        if (got <= 0) {
            return;
        }
        request.append(buffer, static_cast<std::size_t>(got));
    }
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(request);
    }
    m_handler(socket, request);
}

void sendAll(int socket, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t step = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (step <= 0) {
            return;
        }
        sent += static_cast<std::size_t>(step);
    }
}

bool dripBytes(int socket, const std::string& bytes, std::chrono::milliseconds gap) {
    for (const char byte : bytes) {
        char peek = 0;
        const bool peerClosed = ::recv(socket, &peek, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
        if (peerClosed || ::send(socket, &byte, 1, MSG_NOSIGNAL) != 1) {
            return false;
        }
        std::this_thread::sleep_for(gap);
    }
    return true;
}

void waitForPeerClose(int socket) {
    char buffer[256];
    while (::recv(socket, buffer, sizeof buffer, 0) > 0) {
    }
}

void resetConnection(int socket) {
    linger option{1, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &option, sizeof option);
}

std::optional<std::int64_t> requestedOffset(const std::string& request) {
    const std::string marker = "Range: bytes=";
    const auto at = request.find(marker);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    return std::stoll(request.substr(at + marker.size()));
}

std::string partialHead(std::int64_t first, std::int64_t last, std::int64_t total) {
    return "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " + std::to_string(first) + "-" +
           std::to_string(last) + "/" + std::to_string(total) +
           "\r\nContent-Length: " + std::to_string(last - first + 1) +
           "\r\nConnection: close\r\n\r\n";
}

void serveRange(int socket, const std::string& request, const std::string& data) {
    const auto offset = requestedOffset(request);
    const auto total = static_cast<std::int64_t>(data.size());
    if (!offset) {
        sendAll(socket, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(total) +
                            "\r\nConnection: close\r\n\r\n" + data);
        return;
    }
    sendAll(socket, partialHead(*offset, total - 1, total) + data.substr(*offset));
}

} // namespace tb::test
