// The task's side of the first answer and of the data: an earlier try to continue, the
// existing-target question (kind 18), the free-space check, opening the partial file and
// splitting the work; then every block the connections receive and write.

#include "data/local_text.h"
#include "download/download_task.h"
#include "platform/disk_space.h"

#include <cerrno>
#include <cstdio>

namespace tb::download {
namespace {

constexpr int kNumberedNames = 99;
// Free space a download always leaves on the target's file system.
constexpr std::int64_t kSpaceKeptFree = 64LL * 1024 * 1024;

constexpr const char* kCreateFailure =
    "创建文件错误，超出最大支持下载长度或磁盘不可写或磁盘没有空间或同名文件已存在";
constexpr const char* kBusy = "目标文件正被另一个任务下载";

std::string numberedName(const std::string& target, int number) {
    const auto slash = target.find_last_of('/');
    const auto dot = target.find_last_of('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string suffix = "(" + std::to_string(number) + ")";
    return hasExtension ? target.substr(0, dot) + suffix + target.substr(dot) : target + suffix;
}

std::string folderOf(const std::string& localPath) {
    const auto slash = localPath.find_last_of('/');
    return slash == std::string::npos ? std::string() : localPath.substr(0, slash + 1);
}

} // namespace

std::optional<std::int64_t> DownloadTask::firstOffset() {
    const int error = m_target.adoptEarlierTry(LocalToUtf8(m_settings.address));
    if (error == EWOULDBLOCK) {
        log(kBusy, true);
        return std::nullopt;
    }
    if (const auto& earlier = m_target.earlierTry()) {
        m_resumeOffset = MissingRanges(earlier->ranges, earlier->total).front().start;
    }
    return m_resumeOffset;
}

TargetDecision DownloadTask::openTarget(int connection, const AnswerFacts& answer) {
    bool resume = resumes(answer);
    if (!resume && answer.offset != 0) {
        // The answer continues another file than the earlier try holds: ask for all of it.
        log("服务器上的文件与上次不同，重新下载", false);
        m_resumeOffset = 0;
        return {TargetDecision::Kind::StartOver};
    }
    if (answer.total == 0) {
        log("服务器返回的文件长度为零", true);
        return {TargetDecision::Kind::Refuse};
    }
    const auto target = chooseTarget(connection, answer.total);
    if (!target) {
        return {TargetDecision::Kind::Refuse};
    }
    if (*target != m_settings.file) {
        m_target.retarget(LocalToUtf8(*target));
        resume = false;
        if (answer.offset != 0) {
            m_resumeOffset = 0;
            return {TargetDecision::Kind::StartOver};
        }
    }
    if ((answer.total && !enoughSpace(*target, *answer.total)) || !openFile(answer, resume)) {
        return {TargetDecision::Kind::Refuse};
    }
    return beginReceiving(connection, answer, resume);
}

// Splits the work, takes the first connection's segment and asks for the others.
TargetDecision DownloadTask::beginReceiving(int connection, const AnswerFacts& answer,
                                            bool resume) {
    planSegments(answer, resume);
    const auto first = m_ledger.takeFree(connection);
    if (!first) {
        return {TargetDecision::Kind::Refuse};
    }
    m_ledger.setReceiving(*first);
    if (answer.total) {
        report(kEventTotalSize, connection, *answer.total, 0);
    }
    for (int i = 1; m_severalConnections && i < m_settings.connections; ++i) {
        report(kStartConnection, connection, 0, 0);
    }
    return {TargetDecision::Kind::Receive, *first};
}

// The answer continues the earlier try when it is the same file, sent from where the try
// stopped.
bool DownloadTask::resumes(const AnswerFacts& answer) const {
    const auto& earlier = m_target.earlierTry();
    return earlier && answer.partial && answer.total && answer.offset == m_resumeOffset &&
           earlier->sameFile(*answer.total, answer.etag, answer.lastModified);
}

// The name to download to, asked about once (kind 18) when it exists; empty to give up.
std::optional<std::string> DownloadTask::chooseTarget(int connection,
                                                      std::optional<std::int64_t> total) {
    if (!m_chosenTarget) {
        m_chosenTarget = resolveExistingTarget(connection, m_settings.file, total);
    }
    return m_chosenTarget;
}

// Asks the receiver about an existing target (kind 18, directly on this connection's
// thread) and returns the name to create, or nothing when the download is given up.
std::optional<std::string> DownloadTask::resolveExistingTarget(int connection, std::string target,
                                                               std::optional<std::int64_t> total) {
    const auto existing = platform::ExistingFileSize(LocalToUtf8(target));
    if (!existing) {
        return target;
    }
    const int answer =
        m_settings.receiver
            ? m_settings.receiver(kEventTargetExists, connection,
                                  static_cast<std::int64_t>(*existing), total.value_or(0), target)
            : kGiveUp;
    if (answer == kRenamedTarget) {
        return target;
    }
    if (answer == kPickNewName) {
        for (int number = 1; number <= kNumberedNames; ++number) {
            std::string candidate = numberedName(m_settings.file, number);
            if (!platform::ExistingFileSize(LocalToUtf8(candidate))) {
                return candidate;
            }
        }
    }
    log("目标文件已存在", true);
    return std::nullopt;
}

// A download must leave kSpaceKeptFree on its file system. The space an earlier try's file
// already takes counts as available: that file is continued or replaced.
bool DownloadTask::enoughSpace(const std::string& target, std::int64_t total) {
    const long long free = platform::FreeSpaceBytes(folderOf(target));
    if (free < 0) {
        return true; // not known: a full disk still ends the task with a write error
    }
    const std::int64_t usable =
        free + static_cast<std::int64_t>(m_target.heldBytes()) - kSpaceKeptFree;
    if (total <= usable) {
        return true;
    }
    char text[160];
    std::snprintf(text, sizeof text, "磁盘空间不足：文件 %lld 字节，可用 %lld 字节",
                  static_cast<long long>(total),
                  static_cast<long long>(std::max<std::int64_t>(usable, 0)));
    log(text, true);
    return false;
}

bool DownloadTask::openFile(const AnswerFacts& answer, bool resume) {
    ResumeJournal facts;
    facts.address = LocalToUtf8(m_settings.address); // as given: redirects may differ next time
    facts.total = answer.total.value_or(0);
    facts.etag = answer.etag;
    facts.lastModified = answer.lastModified;
    const int error = m_target.open(facts, resume, answer.total.value_or(0) > 0);
    if (error != 0) {
        log(error == EWOULDBLOCK ? kBusy : kCreateFailure, true);
        return false;
    }
    m_fileOpen = true;
    return true;
}

void DownloadTask::planSegments(const AnswerFacts& answer, bool resume) {
    m_severalConnections = answer.partial && answer.total && m_settings.connections > 1;
    if (resume) {
        m_ledger.beginResumed(*answer.total, m_target.earlierTry()->ranges);
    } else {
        m_ledger.beginFresh(answer.total, m_severalConnections ? m_settings.connections : 1);
    }
}

Claim DownloadTask::claim(int connection, int index, std::int64_t length, bool firstStep,
                          bool furtherSegment) {
    const Claim claim = m_ledger.claim(index, length);
    if (firstStep) {
        report(furtherSegment ? kEventFurtherSegment : kEventFirstSegment, connection, claim.offset,
               claim.segmentEnd);
    }
    if (claim.accepted > 0) {
        report(kEventBlock, connection, claim.accepted, 0);
    }
    return claim;
}

bool DownloadTask::write(int index, std::int64_t offset, const char* data, std::size_t length) {
    // The claimed range belongs to this connection alone, so the write needs no lock.
    if (m_target.write(offset, data, length) != 0) {
        m_writeFailed = true;
        return false;
    }
    m_ledger.commit(index, static_cast<std::int64_t>(length));
    return true;
}

std::optional<int> DownloadTask::continueAt(int connection, std::int64_t offset) {
    const auto cancelled = [this] { return stopping() || m_writeFailed; };
    if (cancelled()) {
        return std::nullopt;
    }
    // A neighbour's answer comes within its connect and receive time-outs, or never.
    const auto patience = std::chrono::milliseconds(m_settings.connectTimeoutMs) +
                          std::chrono::milliseconds(m_settings.receiveTimeoutMs);
    return m_ledger.takeContinuation(offset, connection, patience, cancelled);
}

std::optional<int> DownloadTask::takeNextSegment(int connection) {
    if (stopping() || m_writeFailed) {
        return std::nullopt;
    }
    return m_ledger.takeFree(connection);
}

} // namespace tb::download
