#pragma once
// What one download task is told, and what it reports. Texts are local text (GB18030),
// except the outcome's reason (UTF-8, for logs and the command line).

#include "transport/transfer_watch.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tb::download {

// Event kinds delivered to the receiver.
enum DownloadEventKind : int {
    kEventFinished = 4,  // task ended (always last); value: total size or bytes written
    kEventTotalSize = 3, // value: total size in bytes
    kEventConnectionStarted = 5,
    kEventFirstSegment = 6,     // value: current offset; second: segment end
    kEventFurtherSegment = 7,   // value: current offset; second: segment end
    kEventConnectionEnded = 8,  // value: offset reached
    kEventConnectionFailed = 9, // value: offset reached
    kEventBlock = 16,           // value: bytes in the block
    kEventTargetExists = 18,    // value: existing size; second: total size (asked directly)
};

// Answers to kEventTargetExists.
enum TargetExistsAnswer : int {
    kPickNewName = 0,  // the engine numbers the name itself
    kGiveUp = 1,       // leave the existing file alone and end the task
    kRenamedTarget = 2 // the receiver has put a new name into targetFile
};

// Called for every event: kind, connection number, value, second value and the task's
// target file name (which the receiver may change when answering kRenamedTarget).
using DownloadReceiver = std::function<int(int kind, int connection, std::int64_t value,
                                           std::int64_t second, std::string& targetFile)>;
// Puts a complete song under the target name itself, in place of the plain rename of the
// partial file (for example with a tag in front of it). Given the partial file, complete and
// flushed, and the target name (both local text), on the task's control thread before kind
// 4. True when the song is under the target name; false when it left that name free and the
// partial file as it was: the partial file is then renamed as usual, so the song is still
// saved, as it was received, and the outcome says so.
using PublishStep = std::function<bool(const std::string& partialFile, const std::string& target)>;
// Receives the engine's log texts (local text).
using DownloadLogReceiver = std::function<void(const std::string& text)>;

// The settings record of one task, in the order the caller fills it. bufferSize,
// sendTimeoutMs and secondBufferSize are kept because the program's record carries them, but
// the engine reads none of them (its reads are sized by EngineSettings::receiveBuffer).
struct DownloadSettings {
    int bufferSize = 0;
    std::string address; // source address
    std::string file;    // target path
    int connections = 1;
    int connectTimeoutMs = 0;
    int sendTimeoutMs = 0;
    int receiveTimeoutMs = 0; // longest wait without incoming data
    int stopGraceMs = 0;
    int secondBufferSize = 0;
    DownloadReceiver receiver;
    std::string referrer;  // empty: derived from the address
    std::string userAgent; // empty: the engine's own agent
    PublishStep publish;   // empty: the partial file is renamed onto the target
};

// Settings of the engine itself, given once.
struct EngineSettings {
    int receiveBuffer = 20480; // most bytes one read takes; unit of the split rule
    int retryWaitMs = 0;
    int retryCount = 0; // 0: a failed connection is not retried
    // A connection slower than this on average over the window fails as a stalled one.
    transport::RateFloor rateFloor = transport::kDefaultRateFloor;
};

// How the last task ended.
struct DownloadOutcome {
    bool complete = false; // the file holds every announced byte
    bool stopped = false;
    std::int64_t bytes = 0;         // bytes in the file
    std::int64_t resumedBytes = 0;  // of those, bytes an earlier try had left
    std::string reason;             // UTF-8 text of the first failure, empty when complete
    bool publishStepFailed = false; // complete, but saved as received: the publish step failed
};

} // namespace tb::download
