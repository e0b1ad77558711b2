#pragma once
// A real nginx for one test executable: started from the repository's config template on a
// free loopback port with its root, pid file, logs and temporary files in a fresh folder.

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tb::test {

class NginxServer {
public:
    explicit NginxServer(const std::string& slowRate = "64k");
    // An HTTPS server with a fresh self-signed certificate.
    static NginxServer withSelfSignedTls();
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    bool running() const { return m_pid > 0; }
    // Why it did not start (empty when it runs).
    const std::string& problem() const { return m_problem; }
    std::string url(const std::string& path) const;
    bool tls() const { return m_tls; }
    // Places a file under the server's root (path relative to it) and returns its address.
    std::string addFile(const std::string& path, const std::string& bytes) const;
    const std::filesystem::path& folder() const { return m_folder; }
    // The access log's lines so far: "URI \"RANGE\" STATUS" per finished request.
    std::vector<std::string> accessLog() const;

private:
    struct Tls {};
    explicit NginxServer(Tls);
    void startFromTemplate(const std::string& templateName, const std::string& slowRate);
    bool startOn(int port);

    std::filesystem::path m_folder;
    int m_port = 0;
    pid_t m_pid = -1;
    bool m_tls = false;
    std::string m_problem;
};

// A folder under /tmp removed with its contents at the end of its scope.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// A fresh folder under /tmp.
std::filesystem::path makeScratchFolder();
// A port on 127.0.0.1 that was free a moment ago.
int freeLoopbackPort();
// Connects to 127.0.0.1:port; true when something listens there.
bool acceptsConnections(int port);

} // namespace tb::test
