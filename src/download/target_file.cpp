#include "download/target_file.h"

#include <cerrno>
#include <utility>

namespace tb::download {
namespace {

// A journal is a few lines per range; anything larger is not one of ours.
constexpr std::size_t kJournalLimit = 1024 * 1024;

// A try whose every byte is recorded was stopped between its last write and its rename. Its
// last byte is fetched again: that request also asks the server whether the file is the same.
void leaveLastByteMissing(ResumeJournal& journal) {
    if (!journal.ranges.empty() && journal.recordedBytes() == journal.total) {
        journal.ranges.back().end -= 1;
        if (journal.ranges.back().length() == 0) {
            journal.ranges.pop_back();
        }
    }
}

} // namespace

TargetFile::TargetFile(std::string target) : m_target(std::move(target)) {}

std::string TargetFile::PartialPathOf(const std::string& target) {
    return target + ".tbpart";
}

std::string TargetFile::JournalPathOf(const std::string& target) {
    return target + ".tbjournal";
}

void TargetFile::retarget(std::string target) {
    if (target == m_target) {
        return;
    }
    m_file.close();
    m_earlier.reset();
    m_target = std::move(target);
}

int TargetFile::adoptEarlierTry(const std::string& address) {
    const int error = m_file.open(partialPath(), platform::PositionalFile::Open::Existing);
    if (error != 0) {
        return error == ENOENT ? 0 : error;
    }
    const auto text = platform::ReadFileUpTo(journalPath(), kJournalLimit);
    auto journal = text ? ParseJournal(*text) : std::nullopt;
    if (journal && journal->address == address && journal->total > 0) {
        leaveLastByteMissing(*journal);
        m_earlier = std::move(journal);
    }
    return 0;
}

int TargetFile::open(const ResumeJournal& facts, bool resume, bool journaled) {
    m_facts = facts;
    m_facts.ranges.clear();
    m_journaled = journaled;
    if (resume && m_file.isOpen() && m_earlier) {
        return 0;
    }
    m_earlier.reset();
    // What an earlier try left is of no use now; its journal goes before its data.
    int error = platform::RemoveFileIfPresent(journalPath());
    if (error == 0 && m_file.isOpen()) {
        error = m_file.resize(0);
    } else if (error == 0) {
        error = m_file.open(partialPath(), platform::PositionalFile::Open::CreateNew);
        if (error == EEXIST) {
            error = EWOULDBLOCK; // another task created it since we looked
        }
    }
    return error;
}

int TargetFile::write(std::int64_t offset, const char* data, std::size_t length) {
    return m_file.writeAt(static_cast<std::uint64_t>(offset), data, length);
}

int TargetFile::record(const std::vector<ByteRange>& ranges) {
    if (!m_journaled || !m_file.isOpen()) {
        return 0;
    }
    // The journal must never name a byte that is not on disk yet.
    if (const int error = m_file.sync(); error != 0) {
        return error;
    }
    ResumeJournal journal = m_facts;
    journal.ranges = ranges;
    return platform::ReplaceFileAtomically(journalPath(), FormatJournal(journal));
}

int TargetFile::complete() {
    if (!m_file.isOpen()) {
        return EBADF;
    }
    int error = m_file.sync();
    if (error == 0) {
        error = platform::RenameNoReplace(partialPath(), m_target);
    }
    if (error != 0) {
        return error;
    }
    m_file.close();
    platform::RemoveFileIfPresent(journalPath());
    platform::SyncFolderOf(m_target);
    return 0;
}

int TargetFile::flush() {
    return m_file.isOpen() ? m_file.sync() : EBADF;
}

void TargetFile::handedOver() {
    m_file.close();
    platform::RemoveFileIfPresent(journalPath());
    platform::RemoveFileIfPresent(partialPath());
    platform::SyncFolderOf(m_target);
}

void TargetFile::keep(const std::vector<ByteRange>& ranges) {
    if (!m_journaled || ranges.empty()) {
        discard();
        return;
    }
    record(ranges);
    m_file.close();
}

void TargetFile::discard() {
    if (!m_file.isOpen()) {
        return;
    }
    platform::RemoveFileIfPresent(journalPath());
    platform::RemoveFileIfPresent(partialPath());
    m_file.close();
}

void TargetFile::close() {
    m_file.close();
}

} // namespace tb::download
