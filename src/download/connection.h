#pragma once
// One connection of a download task, on its own thread: requests its segment with an
// open-ended range, checks the answer, copies the body into the file, follows redirects
// itself, and takes the next free segment when its own is done.

#include "download/http_transfer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <thread>

namespace tb::download {

class DownloadTask;

class Connection {
public:
    // A connection without a segment is the task's first: its answer sizes the task.
    Connection(DownloadTask& task, int number, std::optional<int> segment);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool start();
    void join();

private:
    // How one request for the current segment ended.
    enum class Step { SegmentDone, Redirected, Failed, Retry };

    void run();
    bool fetchCurrentSegment(bool further);
    Step request(const std::string& url, bool further);
    Step settle(const TransferResult& result);
    bool acceptHead(const ResponseHead& head);
    bool takeData(const char* data, std::size_t length);
    void fail(const std::string& utf8Text);

    DownloadTask& m_task;
    const int m_number;
    std::optional<int> m_segment;
    std::thread m_thread;
    HttpTransfer* m_transfer = nullptr;

    // State of the request in flight.
    bool m_firstStep = true;
    bool m_further = false;
    bool m_segmentDone = false;
    bool m_unknownLength = false;
    bool m_targetRefused = false; // the task already said why
    std::string m_redirectTo;
    std::string m_failText;
    std::int64_t m_offsetReached = 0;
    int m_retriesLeft = 0;
};

} // namespace tb::download
