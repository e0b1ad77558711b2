#pragma once
// The file a task downloads into. Nothing is written under the target's own name until the
// download is complete: the data goes into a partial file beside it (the target name +
// ".tbpart", which no song name ends in), with a journal (".tbjournal") of the ranges on disk
// so that a later try can continue, and the partial file is renamed onto the target name
// (or handed to whoever puts the song there) once every byte is in and flushed. Paths are
// UTF-8.
//
// open() happens on one thread before any write; writes come from several threads at once
// (at different offsets) and record() from another; complete(), flush(), handedOver(), keep()
// and discard() only
// once no write can come any more.

#include "download/resume_journal.h"
#include "platform/positional_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tb::download {

class TargetFile {
public:
    explicit TargetFile(std::string target);

    const std::string& target() const { return m_target; }
    std::string partialPath() const { return PartialPathOf(m_target); }
    std::string journalPath() const { return JournalPathOf(m_target); }
    static std::string PartialPathOf(const std::string& target);
    static std::string JournalPathOf(const std::string& target);

    // The receiver chose another target name: an earlier try adopted for the old name is
    // let go untouched.
    void retarget(std::string target);

    // Takes over the partial file of an earlier try, if one is there, and reads its journal.
    // 0 or an errno: EWOULDBLOCK when another task is downloading into it.
    int adoptEarlierTry(const std::string& address);
    // The adopted try's journal when it is whole and of this address; empty otherwise.
    const std::optional<ResumeJournal>& earlierTry() const { return m_earlier; }
    // Disk taken by the adopted partial file (it is replaced or continued, so that space
    // counts as available).
    std::uint64_t heldBytes() const { return m_file.allocatedBytes(); }

    // Opens the partial file for the download that facts describe (address, total,
    // validators): continues the adopted try when resume is true, starts over otherwise.
    // journaled: whether the download can be continued later (its total is known).
    int open(const ResumeJournal& facts, bool resume, bool journaled);
    int write(std::int64_t offset, const char* data, std::size_t length);
    // Flushes the data, then records that ranges are on disk (a no-op when not journaled).
    int record(const std::vector<ByteRange>& ranges);
    // Flushes, renames onto the target name (never over an existing file) and removes the
    // journal. EEXIST when a file of the target's name appeared meanwhile.
    int complete();
    // Flushes every byte written so far: the file is then whole on disk for a reader.
    int flush();
    // Someone else has put the song under the target name from the flushed partial file:
    // closes and removes the partial file and its journal.
    void handedOver();
    // Records ranges and closes, leaving the partial file and its journal for a later try;
    // a download that cannot be continued is removed instead.
    void keep(const std::vector<ByteRange>& ranges);
    // Closes and removes the partial file and its journal.
    void discard();
    // Closes without touching the files.
    void close();

private:
    std::string m_target;
    platform::PositionalFile m_file;
    std::optional<ResumeJournal> m_earlier;
    ResumeJournal m_facts;
    bool m_journaled = false;
};

} // namespace tb::download
