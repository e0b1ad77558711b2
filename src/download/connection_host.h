#pragma once
// What a connection needs from the task it works for: its request settings, reporting, the
// file's segments and the place its data goes. Connections know the task only through this.

#include "download/segment_table.h"
#include "transport/transfer_watch.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tb::download {

// The settings a connection makes its requests with.
struct ConnectionConfig {
    std::string referrer;  // empty: derived from the address
    std::string userAgent; // empty: the engine's own agent
    int connectTimeoutMs = 0;
    int receiveTimeoutMs = 0;
    int receiveBuffer = 0;
    int retryWaitMs = 0;
    int retryCount = 0;
    transport::RateFloor rateFloor = transport::kNoRateFloor;
};

// What the first accepted answer says about the file.
struct AnswerFacts {
    std::optional<std::int64_t> total; // empty when not announced
    bool partial = false;              // a 206: the server honours ranges
    std::int64_t offset = 0;           // where the body starts in the file
    std::string etag;
    std::string lastModified;
};

// What the task makes of the first answer.
struct TargetDecision {
    enum class Kind {
        Receive,  // the body goes into segment
        Refuse,   // the download does not go ahead (the task has said why)
        StartOver // the answer is for an earlier try of another file: ask again from 0
    };
    Kind kind = Kind::Refuse;
    int segment = -1;
};

class ConnectionHost {
public:
    virtual ~ConnectionHost() = default;

    virtual bool stopping() const = 0;
    // Sleeps up to milliseconds; returns early (true) when the task is stopping.
    virtual bool waitForStop(int milliseconds) = 0;
    virtual void report(int kind, int connection, std::int64_t value, std::int64_t second = 0) = 0;
    // Logs a UTF-8 text; a failure text is also kept as the task's reason.
    virtual void log(std::string_view utf8, bool isFailure = false) = 0;
    virtual std::string sourceUrl() const = 0;
    virtual void setSourceUrl(const std::string& url) = 0;

    // For the first connection, before its first request: the offset it asks for (where an
    // earlier try stopped, else 0); empty when the download cannot go ahead.
    virtual std::optional<std::int64_t> firstOffset() = 0;
    // The first connection's answer was accepted: sizes the task and opens the file.
    virtual TargetDecision openTarget(int connection, const AnswerFacts& answer) = 0;
    virtual std::optional<std::int64_t> totalSize() const = 0;
    virtual Segment segment(int index) const = 0;
    // A later connection's answer for its segment was accepted.
    virtual void receiving(int index) = 0;
    // A later connection's ranged request was answered with the whole file.
    virtual void rangesRefused() = 0;

    // Takes up to length received bytes for the segment (reporting the block, and the
    // segment's start on its first step): where they go and how many fit.
    virtual Claim claim(int connection, int index, std::int64_t length, bool firstStep,
                        bool furtherSegment) = 0;
    // Writes claimed bytes of the segment into the file; false when the write failed.
    virtual bool write(int index, std::int64_t offset, const char* data, std::size_t length) = 0;
    // The connection's answer goes on past its finished segment, at offset: the segment that
    // starts there, if the connection may go on into it.
    virtual std::optional<int> continueAt(int connection, std::int64_t offset) = 0;
    virtual std::optional<int> takeNextSegment(int connection) = 0;
    // A transfer of unknown length ended normally: its segment ends where the data did.
    virtual void settleUnknownLength(int index) = 0;
    virtual void connectionEnded(int connection, std::optional<int> index, bool ok,
                                 std::int64_t offsetReached) = 0;
};

} // namespace tb::download
