#include "nginx_server.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tb::test {
namespace fs = std::filesystem;
namespace {

constexpr const char* kNginx = "/usr/sbin/nginx";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

} // namespace

int freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

bool acceptsConnections(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = loopback(port);
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

fs::path makeScratchFolder() {
    std::string pattern = "/tmp/tb-download-XXXXXX";
    return ::mkdtemp(pattern.data()) != nullptr ? fs::path(pattern) : fs::path();
}

ScratchFolder::ScratchFolder() : m_path(makeScratchFolder()) {}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

NginxServer::NginxServer(const std::string& slowRate) {
    startFromTemplate("nginx.conf.in", slowRate);
}

NginxServer::NginxServer(Tls) : m_tls(true) {
    m_folder = makeScratchFolder();
    const std::string command = "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "
                                "/CN=127.0.0.1 -keyout '" +
                                (m_folder / "key.pem").string() + "' -out '" +
                                (m_folder / "cert.pem").string() + "' 2>/dev/null";
    if (m_folder.empty() || std::system(command.c_str()) != 0) {
        m_problem = "cannot make a certificate";
        return;
    }
    startFromTemplate("tls.conf.in", "");
}

NginxServer NginxServer::withSelfSignedTls() {
    return NginxServer(Tls{});
}

void NginxServer::startFromTemplate(const std::string& templateName, const std::string& slowRate) {
    if (m_folder.empty()) {
        m_folder = makeScratchFolder();
    }
    if (m_folder.empty()) {
        m_problem = "no temporary folder";
        return;
    }
    fs::create_directories(m_folder / "root" / "files");
    fs::create_directories(m_folder / "temp");
    const std::string config =
        readAll(fs::path(TB_SOURCE_DIR) / "tests/download/nginx" / templateName);
    for (int attempt = 0; attempt < 5 && !running(); ++attempt) {
        const int port = freeLoopbackPort();
        std::string text = replaced(config, "@PREFIX@", m_folder.string());
        text = replaced(text, "@ROOT@", (m_folder / "root").string());
        text = replaced(text, "@SLOW_RATE@", slowRate);
        std::ofstream(m_folder / "nginx.conf") << replaced(text, "@PORT@", std::to_string(port));
        startOn(port);
    }
}

bool NginxServer::startOn(int port) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive a crashed test
        const std::string prefix = m_folder.string();
        const std::string log = (m_folder / "error.log").string();
        const std::string config = (m_folder / "nginx.conf").string();
        ::execl(kNginx, kNginx, "-p", prefix.c_str(), "-e", log.c_str(), "-c", config.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Readiness: nginx listens within a moment or exits (port taken, bad config).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) {
            m_problem = "nginx exited: " + readAll(m_folder / "error.log");
            return false;
        }
        if (acceptsConnections(port)) {
            m_pid = pid;
            m_port = port;
            m_problem.clear();
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    m_problem = "nginx did not listen in time";
    return false;
}

NginxServer::~NginxServer() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
}

std::string NginxServer::url(const std::string& path) const {
    return (m_tls ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(m_port) + path;
}

std::vector<std::string> NginxServer::accessLog() const {
    std::ifstream in(m_folder / "access.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string NginxServer::addFile(const std::string& path, const std::string& bytes) const {
    const fs::path file = m_folder / "root" / path;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
    return url("/" + path);
}

} // namespace tb::test
