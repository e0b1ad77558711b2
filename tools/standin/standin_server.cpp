#include "standin_server.h"

#include "standin_replies.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace tb::standin {
namespace {

constexpr const char* kJsonType = "application/json; charset=utf-8";
constexpr const char* kHtmlType = "text/html; charset=utf-8";
constexpr const char* kControlPrefix = "/_standin/";

// Set by the fault check of a request and read by the handler that answers it; routing
// and handling of one request run on the same server thread.
thread_local bool t_resetThisReply = false;

// Answers with body, or with its first half followed by a closed connection when the
// reset fault applies to this request.
void sendBody(httplib::Response& response, std::string body, const char* contentType) {
    if (!t_resetThisReply) {
        response.set_content(std::move(body), contentType);
        return;
    }
    const std::size_t length = body.size();
    auto shared = std::make_shared<std::string>(std::move(body));
    response.set_content_provider(
        length, contentType, [shared](std::size_t offset, std::size_t, httplib::DataSink& sink) {
            const std::size_t half = shared->size() / 2;
            if (offset < half) {
                sink.write(shared->data() + offset, half - offset);
            }
            return offset < half;
        });
}

std::string baseOf(const httplib::Request& request, const std::string& fallback) {
    const std::string host = request.get_header_value("Host");
    return host.empty() ? fallback : "http://" + host;
}

long long paramNumber(const httplib::Request& request, const char* key, long long fallback) {
    if (!request.has_param(key)) {
        return fallback;
    }
    const std::string text = request.get_param_value(key);
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    return end == text.c_str() ? fallback : value;
}

bool flagParam(const httplib::Request& request, const char* key) {
    return request.has_param(key) && request.get_param_value(key) != "0";
}

} // namespace

StandinServer::StandinServer(SongCatalogue catalogue)
    : m_catalogue(std::move(catalogue)), m_server(std::make_unique<httplib::Server>()) {
    addRoutes();
}

StandinServer::~StandinServer() {
    stop();
}

int StandinServer::bind(int port) {
    if (port == 0) {
        m_port = m_server->bind_to_any_port("127.0.0.1");
    } else {
        m_port = m_server->bind_to_port("127.0.0.1", port) ? port : -1;
    }
    return m_port;
}

void StandinServer::serveHere() {
    m_server->listen_after_bind();
}

int StandinServer::start(int port) {
    if (bind(port) < 0) {
        return -1;
    }
    // The socket listens from bind() on, so clients may connect before the loop runs.
    m_thread = std::thread([this] {
        serveHere();
        m_loopEnded = true;
    });
    return m_port;
}

void StandinServer::stop() {
    if (m_thread.joinable()) {
        // A stop before the serving loop has started would be lost and the loop never end.
        while (!m_server->is_running() && !m_loopEnded) {
            std::this_thread::yield();
        }
    }
    m_server->stop();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

std::string StandinServer::baseAddress() const {
    return "http://127.0.0.1:" + std::to_string(m_port);
}

void StandinServer::setFaults(const FaultSwitches& faults) {
    std::lock_guard lock(m_mutex);
    m_faults = faults;
    m_faultMatches = 0;
}

void StandinServer::setAudioBase(const std::string& base) {
    std::lock_guard lock(m_mutex);
    m_audioBase = base;
}

void StandinServer::setCannedReply(const std::string& path, CannedReply reply) {
    std::lock_guard lock(m_mutex);
    m_canned[path] = std::move(reply);
}

void StandinServer::clearCannedReplies() {
    std::lock_guard lock(m_mutex);
    m_canned.clear();
}

std::vector<std::string> StandinServer::requestLog() const {
    std::lock_guard lock(m_mutex);
    return m_log;
}

void StandinServer::clearRequestLog() {
    std::lock_guard lock(m_mutex);
    m_log.clear();
}

void StandinServer::addRoutes() {
    using Handler = void (StandinServer::*)(const httplib::Request&, httplib::Response&);
    auto route = [this](const char* pattern, Handler handler) {
        m_server->Get(
            pattern, [this, handler](const httplib::Request& request, httplib::Response& response) {
                (this->*handler)(request, response);
            });
    };
    m_server->set_pre_routing_handler(
        [this](const httplib::Request& request, httplib::Response& response) {
            t_resetThisReply = false;
            if (request.path.rfind(kControlPrefix, 0) == 0) {
                return httplib::Server::HandlerResponse::Unhandled;
            }
            {
                std::lock_guard lock(m_mutex);
                m_log.push_back(request.target);
            }
            const bool handled = applyFaults(request, response) || serveCanned(request, response);
            return handled ? httplib::Server::HandlerResponse::Handled
                           : httplib::Server::HandlerResponse::Unhandled;
        });
    route("/_standin/faults", &StandinServer::handleControl);
    route("/song_search_v2", &StandinServer::handleSearch);
    route("/getSearchTip", &StandinServer::handleTip);
    route("/yy/index.php", &StandinServer::handlePlayInfo);
    route(R"(/audio/([0-9A-Fa-f]+)\.mp3)", &StandinServer::handleAudio);
    route(R"(/cover/([0-9A-Fa-f]+)\.jpg)", &StandinServer::handleCover);
    route(R"(/news/201711/304194265017/o_3041986400(\d+)\.jpg)", &StandinServer::handlePicture);
    route(R"(/share/([\w-]+)\.html)", &StandinServer::handleShare);
    route(R"(/s/([\w-]+))", &StandinServer::handleShortShare);
}

// True when a fault produced the whole answer; delays and Range removal let the request go on.
bool StandinServer::applyFaults(const httplib::Request& request, httplib::Response& response) {
    FaultSwitches faults;
    {
        std::lock_guard lock(m_mutex);
        if (request.path.rfind(m_faults.pathPrefix, 0) != 0) {
            return false;
        }
        const int match = m_faultMatches++;
        if (match < m_faults.skip ||
            (m_faults.count >= 0 && match >= m_faults.skip + m_faults.count)) {
            return false;
        }
        faults = m_faults;
    }
    if (faults.delayMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(faults.delayMs));
    }
    if (faults.ignoreRange) {
        // The server object owns the request; dropping its parsed ranges makes the
        // answer a plain 200 with the whole body, as a server without Range support sends.
        const_cast<httplib::Request&>(request).ranges.clear();
    }
    t_resetThisReply = faults.resetMidBody;
    if (faults.status500) {
        response.status = 500;
        sendBody(response, "<html><body><h1>500 Internal Server Error</h1></body></html>",
                 kHtmlType);
        return true;
    }
    if (faults.nonJson) {
        sendBody(response, "<html><body>Service busy, please try again.</body></html>", kHtmlType);
        return true;
    }
    return false;
}

bool StandinServer::serveCanned(const httplib::Request& request, httplib::Response& response) {
    CannedReply reply;
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_canned.find(request.path);
        if (found == m_canned.end()) {
            return false;
        }
        reply = found->second;
    }
    response.status = reply.status;
    sendBody(response, std::move(reply.body), reply.contentType.c_str());
    return true;
}

void StandinServer::handleControl(const httplib::Request& request, httplib::Response& response) {
    FaultSwitches faults;
    faults.delayMs = static_cast<int>(paramNumber(request, "delay_ms", 0));
    faults.resetMidBody = flagParam(request, "reset");
    faults.status500 = flagParam(request, "status500");
    faults.nonJson = flagParam(request, "nonjson");
    faults.ignoreRange = flagParam(request, "ignore_range");
    faults.pathPrefix = request.get_param_value("path");
    faults.skip = static_cast<int>(paramNumber(request, "skip", 0));
    faults.count = static_cast<int>(paramNumber(request, "count", -1));
    setFaults(faults);
    response.set_content("faults set\n", "text/plain");
}

void StandinServer::handleSearch(const httplib::Request& request, httplib::Response& response) {
    const std::string keyword = request.get_param_value("keyword");
    const long long pageSize = std::max(0LL, paramNumber(request, "pagesize", 30));
    const std::string key = keyword + '\n' + std::to_string(pageSize);
    std::shared_ptr<const std::string> reply;
    {
        std::lock_guard lock(m_mutex);
        if (const auto kept = m_searchReplies.find(key); kept != m_searchReplies.end()) {
            reply = kept->second;
        }
    }
    if (!reply) {
        reply = std::make_shared<const std::string>(
            songSearchReply(m_catalogue.match(keyword), pageSize));
        constexpr std::size_t kKeptReplies = 4;
        std::lock_guard lock(m_mutex);
        if (m_searchReplies.size() >= kKeptReplies) {
            m_searchReplies.clear();
        }
        m_searchReplies[key] = reply;
    }
    sendBody(response, *reply, kJsonType);
}

void StandinServer::handleTip(const httplib::Request& request, httplib::Response& response) {
    const std::string keyword = request.get_param_value("keyword");
    const auto matches =
        keyword.empty() ? std::vector<const StandinSong*>() : m_catalogue.match(keyword);
    const int count = static_cast<int>(paramNumber(request, "MusicTipCount", 10));
    sendBody(response, searchTipReply(matches, count), kJsonType);
}

void StandinServer::handlePlayInfo(const httplib::Request& request, httplib::Response& response) {
    const StandinSong* song = request.get_param_value("r") == "play/getdata"
                                  ? m_catalogue.byHash(request.get_param_value("hash"))
                                  : nullptr;
    std::string audioBase;
    {
        std::lock_guard lock(m_mutex);
        audioBase = m_audioBase;
    }
    sendBody(response, playInfoReply(song, baseOf(request, baseAddress()), audioBase), kJsonType);
}

void StandinServer::handleAudio(const httplib::Request& request, httplib::Response& response) {
    const StandinSong* song = m_catalogue.byHash(request.matches[1].str());
    if (song == nullptr) {
        response.status = 404;
        return;
    }
    response.set_header("Accept-Ranges", "bytes");
    const std::uint64_t size = song->audioSize();
    const std::uint64_t stopAt = t_resetThisReply ? size / 2 : size;
    // The server applies a requested range by asking for that part only (206, Content-Range).
    response.set_content_provider(
        size, "audio/mpeg",
        [song, stopAt](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            if (offset >= stopAt) {
                return false;
            }
            const std::size_t chunk = std::min<std::uint64_t>({length, 65536, stopAt - offset});
            const std::string bytes = song->audioBytes(offset, chunk);
            return sink.write(bytes.data(), bytes.size());
        });
}

void StandinServer::handleCover(const httplib::Request& request, httplib::Response& response) {
    const StandinSong* song = m_catalogue.byHash(request.matches[1].str());
    if (song == nullptr || song->cover.empty()) {
        response.status = 404;
        return;
    }
    sendBody(response, song->cover, "image/jpeg");
}

void StandinServer::handlePicture(const httplib::Request& request, httplib::Response& response) {
    const std::string* picture = m_catalogue.picture(std::atoi(request.matches[1].str().c_str()));
    if (picture == nullptr) {
        response.status = 404;
        return;
    }
    sendBody(response, *picture, "image/jpeg");
}

void StandinServer::handleShare(const httplib::Request&, httplib::Response& response) {
    sendBody(response, sharePage(m_catalogue.songs()), kHtmlType);
}

void StandinServer::handleShortShare(const httplib::Request& request, httplib::Response& response) {
    const std::string code = request.matches[1].str();
    // "loop" redirects to itself, for clients that must not follow redirects forever.
    const std::string target = code == "loop" ? "/s/loop" : "/share/" + code + ".html";
    response.set_redirect(baseOf(request, baseAddress()) + target, 302);
}

} // namespace tb::standin
