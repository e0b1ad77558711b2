#pragma once
// A raw TCP server on loopback whose answers the test writes byte by byte, for the faults
// a well-behaved server never shows. Each connection runs the handler on its own thread.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tb::test {

class FaultServer {
public:
    // Called with the connected socket and the request head (up to the empty line).
    using Handler = std::function<void(int socket, const std::string& request)>;

    explicit FaultServer(Handler handler);
    ~FaultServer();
    FaultServer(const FaultServer&) = delete;
    FaultServer& operator=(const FaultServer&) = delete;

    std::string url(const std::string& path = "/song.mp3") const;
    std::vector<std::string> requests() const;

private:
    void acceptLoop();
    void serve(int socket);
    void handle(int socket);

    Handler m_handler;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_closing{false};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
    std::vector<int> m_openSockets;
    std::vector<std::thread> m_workers;
    std::thread m_acceptor;
};

// Writes all bytes (ignoring a peer that has gone).
void sendAll(int socket, const std::string& bytes);
// Sends the bytes one at a time with a gap after each, as a server that is alive but
// hopelessly slow; false as soon as the peer has gone.
bool dripBytes(int socket, const std::string& bytes, std::chrono::milliseconds gap);
// Blocks until the peer closes the connection (or the server shuts it down).
void waitForPeerClose(int socket);
// Ends the connection with a reset instead of an orderly close.
void resetConnection(int socket);
// The N of "Range: bytes=N-" in a request head.
std::optional<std::int64_t> requestedOffset(const std::string& request);
// A 206 head for bytes first..last of total.
std::string partialHead(std::int64_t first, std::int64_t last, std::int64_t total);
// Answers a ranged request for data properly (206, or 200 without a Range line).
void serveRange(int socket, const std::string& request, const std::string& data);

} // namespace tb::test
