#pragma once
// A loopback TCP server for tests that need the exact bytes of a request or a reply that
// no well-behaved server library would send. It serves connections one after another:
// it reads one request (head and Content-Length body), records its raw bytes, writes the
// canned reply for that connection and closes. An empty reply writes nothing and holds
// the connection open until the client gives up.

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tb::test {

// A reply ending in this marker is sent without it, and the connection is then held open
// (nothing more is sent) until the client gives up: a server that stalls mid-reply.
inline const std::string kThenStall = "\x01stall";

class RawHttpServer {
public:
    // replies[i] answers the i-th connection; the last one answers every later connection.
    explicit RawHttpServer(std::vector<std::string> replies);
    ~RawHttpServer();
    RawHttpServer(const RawHttpServer&) = delete;
    RawHttpServer& operator=(const RawHttpServer&) = delete;

    int port() const { return m_port; }
    std::string address(const std::string& path = "/") const;
    // Raw bytes of every request received so far, in order.
    std::vector<std::string> requests() const;

private:
    void serve();
    bool waitReadable(int fd) const;
    std::string readRequest(int fd) const;
    void holdUntilClosed(int fd) const;

    std::vector<std::string> m_replies;
    int m_listenFd = -1;
    int m_wakeFds[2] = {-1, -1};
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
    std::thread m_thread;
};

// A loopback port that nothing listens on (bound, then released).
int UnusedLoopbackPort();

// A reply with the given status line, header lines (each ending in CR LF) and body,
// with Content-Length and "Connection: close".
std::string CannedReply(const std::string& statusLine, const std::string& headerLines,
                        const std::string& body);

} // namespace tb::test
