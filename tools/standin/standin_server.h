#pragma once
// The stand-in catalogue service: an HTTP server on 127.0.0.1 that answers the song-search,
// search-tip and play-information endpoints, playlist share pages (and a short address that
// redirects to one), audio with Range support, cover pictures and the picture-window
// pictures. Faults can be switched on for tests, from C++ or through GET /_standin/faults.

#include "song_catalogue.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace tb::standin {

struct FaultSwitches {
    int delayMs = 0;           // wait before answering
    bool resetMidBody = false; // send half the body, then close the connection
    bool status500 = false;    // answer 500 with an HTML error page
    bool nonJson = false;      // answer 200 with an HTML page instead of the reply
    bool ignoreRange = false;  // answer ranged requests with the whole body and 200
    std::string pathPrefix;    // faults apply only to paths starting with this ("" = all)
    int skip = 0;              // this many matching requests are answered normally first
    int count = -1;            // then this many get the faults, and the rest none (-1 = all)
};

// A fixed answer for one path, served instead of the normal reply (tests of odd replies).
struct CannedReply {
    int status = 200;
    std::string contentType = "application/json; charset=utf-8";
    std::string body;
};

class StandinServer {
public:
    explicit StandinServer(SongCatalogue catalogue);
    ~StandinServer();
    StandinServer(const StandinServer&) = delete;
    StandinServer& operator=(const StandinServer&) = delete;

    // Binds 127.0.0.1:port (0 picks a free port) and serves on a thread of its own.
    // Returns the bound port, or -1 when the port cannot be bound.
    int start(int port = 0);
    // Binds like start() and serves on the calling thread until stop().
    int bind(int port = 0);
    void serveHere();
    void stop();

    int port() const { return m_port; }
    std::string baseAddress() const; // "http://127.0.0.1:<port>"

    void setFaults(const FaultSwitches& faults);
    // Play information names audio at base + "/audio/HASH.mp3" ("" = this server).
    void setAudioBase(const std::string& base);
    void setCannedReply(const std::string& path, CannedReply reply);
    void clearCannedReplies();
    // Request targets (path and raw query) in arrival order, control requests excluded.
    std::vector<std::string> requestLog() const;
    void clearRequestLog();

private:
    void addRoutes();
    bool applyFaults(const httplib::Request& request, httplib::Response& response);
    bool serveCanned(const httplib::Request& request, httplib::Response& response);
    void handleControl(const httplib::Request& request, httplib::Response& response);
    void handleSearch(const httplib::Request& request, httplib::Response& response);
    void handleTip(const httplib::Request& request, httplib::Response& response);
    void handlePlayInfo(const httplib::Request& request, httplib::Response& response);
    void handleAudio(const httplib::Request& request, httplib::Response& response);
    void handleCover(const httplib::Request& request, httplib::Response& response);
    void handlePicture(const httplib::Request& request, httplib::Response& response);
    void handleShare(const httplib::Request& request, httplib::Response& response);
    void handleShortShare(const httplib::Request& request, httplib::Response& response);

    SongCatalogue m_catalogue;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = -1;
    std::atomic<bool> m_loopEnded{false};

    mutable std::mutex m_mutex; // guards everything below
    FaultSwitches m_faults;
    int m_faultMatches = 0;
    std::map<std::string, CannedReply> m_canned;
    std::string m_audioBase;
    std::vector<std::string> m_log;
    // The last few search replies, by keyword and page size: the catalogue never changes,
    // and a long reply costs the server more to make than the client to read.
    std::map<std::string, std::shared_ptr<const std::string>> m_searchReplies;
};

} // namespace tb::standin
