#pragma once
// The journal kept beside a partial download: which address it came from, the total size and
// the validators the server sent, and the byte ranges already on disk. A later start of the
// same address and target continues from it when the server still sends the same file.

#include "download/byte_range.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tb::download {

struct ResumeJournal {
    std::string address; // UTF-8, as the task was given it
    std::int64_t total = 0;
    std::string etag;              // empty when the server sent none
    std::string lastModified;      // empty when the server sent none
    std::vector<ByteRange> ranges; // on disk; sorted and merged

    std::int64_t recordedBytes() const;
    // True when an answer with these validators and this total is the same file.
    bool sameFile(std::int64_t otherTotal, const std::string& otherEtag,
                  const std::string& otherLastModified) const;
    bool operator==(const ResumeJournal&) const = default;
};

// The journal as text, ending in a checksum of everything before it.
std::string FormatJournal(const ResumeJournal& journal);
// The journal in text; empty when the text is truncated, damaged, or holds ranges that do not
// fit its total.
std::optional<ResumeJournal> ParseJournal(std::string_view text);

} // namespace tb::download
