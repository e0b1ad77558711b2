#pragma once
// A program run as a real child process whose output lines the test reads while it runs,
// and which the test can signal (SIGINT, SIGTERM, SIGKILL) at a moment of its choosing.

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tb::test {

class ChildProcess {
public:
    // Starts program with arguments; its stdout and stderr come through one pipe.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments);
    // Kills the child if it still runs.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_pid > 0; }
    // The next whole line, waiting up to limit; empty at the end of the output or on time-out.
    std::optional<std::string> readLine(std::chrono::milliseconds limit);
    void signal(int number);
    // Reads the rest of the output and waits for the end: the exit code, or 128 + the signal
    // that ended it.
    int wait();
    // Every line read so far.
    const std::vector<std::string>& lines() const { return m_lines; }

private:
    pid_t m_pid = -1;
    int m_output = -1;
    std::string m_pending;
    std::vector<std::string> m_lines;
};

} // namespace tb::test
