#include "net/raw_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace tb::test {
namespace {

int listenOnLoopback(int* port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 16) != 0) {
        throw std::runtime_error("cannot listen on loopback");
    }
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    *port = ntohs(address.sin_port);
    return fd;
}

std::size_t contentLength(const std::string& head) {
    std::string lower = head;
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const std::size_t pos = lower.find("\r\ncontent-length:");
    return pos == std::string::npos ? 0 : std::strtoul(lower.c_str() + pos + 17, nullptr, 10);
}

void sendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return; // the client went away; that is what some tests provoke
        }
        sent += static_cast<std::size_t>(n);
    }
}

} // namespace

RawHttpServer::RawHttpServer(std::vector<std::string> replies) : m_replies(std::move(replies)) {
    m_listenFd = listenOnLoopback(&m_port);
    if (::pipe(m_wakeFds) != 0) {
        throw std::runtime_error("cannot create the wake pipe");
    }
    m_thread = std::thread([this] { serve(); });
}

RawHttpServer::~RawHttpServer() {
    const char stop = 's';
    (void)!::write(m_wakeFds[1], &stop, 1);
    m_thread.join();
    ::close(m_listenFd);
    ::close(m_wakeFds[0]);
    ::close(m_wakeFds[1]);
}

std::string RawHttpServer::address(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<std::string> RawHttpServer::requests() const {
    const std::lock_guard lock(m_mutex);
    return m_requests;
}

// True when fd has data (or was closed); false when the server is being stopped.
bool RawHttpServer::waitReadable(int fd) const {
    pollfd fds[2] = {{fd, POLLIN, 0}, {m_wakeFds[0], POLLIN, 0}};
    while (::poll(fds, 2, -1) < 0) {
    }
    return (fds[1].revents & POLLIN) == 0;
}

std::string RawHttpServer::readRequest(int fd) const {
    std::string bytes;
    char buffer[4096];
    std::size_t headEnd = std::string::npos;
    while (headEnd == std::string::npos || bytes.size() < headEnd + 4 + contentLength(bytes)) {
        if (!waitReadable(fd)) {
            break;
        }
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
        headEnd = bytes.find("\r\n\r\n");
    }
    return bytes;
}

void RawHttpServer::holdUntilClosed(int fd) const {
    char buffer[256];
    while (waitReadable(fd) && ::recv(fd, buffer, sizeof buffer, 0) > 0) {
    }
}

void RawHttpServer::serve() {
    for (std::size_t connection = 0; waitReadable(m_listenFd); ++connection) {
        const int fd = ::accept(m_listenFd, nullptr, nullptr);
        if (fd < 0) {
            continue;
        }
        std::string request = readRequest(fd);
        {
            const std::lock_guard lock(m_mutex);
            m_requests.push_back(std::move(request));
        }
        const std::string& reply = m_replies[std::min(connection, m_replies.size() - 1)];
        if (reply.ends_with(kThenStall)) {
            sendAll(fd, reply.substr(0, reply.size() - kThenStall.size()));
            holdUntilClosed(fd);
        } else if (reply.empty()) {
            holdUntilClosed(fd);
        } else {
            sendAll(fd, reply);
        }
        ::close(fd);
    }
}

int UnusedLoopbackPort() {
    int port = 0;
    ::close(listenOnLoopback(&port));
    return port;
}

std::string CannedReply(const std::string& statusLine, const std::string& headerLines,
                        const std::string& body) {
    return statusLine + "\r\n" + headerLines + "Content-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace tb::test
