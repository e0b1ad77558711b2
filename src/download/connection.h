#pragma once
// One connection of a download task, on its own thread: requests its segment with an
// open-ended range, checks the answer, hands the body to the task, follows redirects itself,
// goes on into the next segment when its answer runs on there and nobody else fetches it,
// and takes the next free segment when its own is done.

#include "download/connection_host.h"
#include "download/http_transfer.h"
#include "download/write_batch.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace tb::download {

class Connection {
public:
    // A connection without a segment is the task's first: its answer sizes the task.
    Connection(ConnectionHost& host, ConnectionConfig config, int number,
               std::optional<int> segment);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Starts the thread; onThreadStart runs first on it.
    bool start(std::function<void()> onThreadStart);
    void join();

private:
    // How one request for the current segment ended.
    enum class Step { SegmentDone, Redirected, Failed, Retry, StartOver };

    void run();
    bool fetchCurrentSegment(bool further);
    Step request(const std::string& url, bool further);
    Step settle(const TransferResult& result);
    Step retryOrFail(const TransferResult& result);
    bool acceptHead(const ResponseHead& head);
    bool acceptFirstAnswer(const HeadCheck& check, const ResponseHead& head);
    bool takeData(const char* data, std::size_t length);
    bool goOnPastSegment();
    std::int64_t requestOffset() const;
    void fail(const std::string& utf8Text);

    ConnectionHost& m_host;
    const ConnectionConfig m_config;
    const int m_number;
    std::optional<int> m_segment;
    std::thread m_thread;
    HttpTransfer* m_transfer = nullptr;
    WriteBatch m_batch;
    std::int64_t m_firstOffset = 0; // where the first connection asks from

    // State of the request in flight.
    bool m_firstStep = true;
    bool m_further = false;
    bool m_segmentDone = false;
    bool m_unknownLength = false;
    bool m_targetRefused = false; // the task already said why
    bool m_startOver = false;
    bool m_writeFailed = false;
    std::optional<std::int64_t> m_bodyEnd; // the file offset just past the answer's body
    std::string m_redirectTo;
    std::string m_failText;
    std::int64_t m_offsetReached = 0;
    int m_retriesLeft = 0;
};

} // namespace tb::download
