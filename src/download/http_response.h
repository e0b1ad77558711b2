#pragma once
// The head of one HTTP response as a download connection reads it, and the check of that
// head against the range the connection asked for.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tb::download {

struct ContentRange {
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::optional<std::int64_t> total; // empty for "*"
};

class ResponseHead {
public:
    // Feeds one header line as received (with or without CR LF). A status line starts a
    // new head (interim 1xx answers are replaced by the final one).
    void addLine(std::string_view line);

    int status() const { return m_status; }
    std::optional<std::int64_t> contentLength() const { return m_contentLength; }
    bool conflictingLengths() const { return m_conflictingLengths; }
    const std::optional<ContentRange>& contentRange() const { return m_range; }
    bool badContentRange() const { return m_badRange; }
    bool chunked() const { return m_chunked; }
    const std::string& location() const { return m_location; }
    bool hasLocation() const { return m_hasLocation; }
    // Validators: they change when the file on the server does.
    const std::string& etag() const { return m_etag; }
    const std::string& lastModified() const { return m_lastModified; }

private:
    void addField(std::string_view name, std::string_view value);

    int m_status = 0;
    std::optional<std::int64_t> m_contentLength;
    bool m_conflictingLengths = false;
    std::optional<ContentRange> m_range;
    bool m_badRange = false;
    bool m_chunked = false;
    std::string m_location;
    bool m_hasLocation = false;
    std::string m_etag;
    std::string m_lastModified;
};

std::optional<ContentRange> parseContentRange(std::string_view value);

// What a connection does with a response.
enum class HeadVerdict {
    Body,      // the body belongs at the asked offset
    WholeFile, // a 200: the body is the whole file from offset 0
    Redirect,  // 301 / 302 with a Location
    Fail       // failText says why
};

struct HeadCheck {
    HeadVerdict verdict = HeadVerdict::Fail;
    std::optional<std::int64_t> totalSize; // as the response announces it, if it does
    std::optional<std::int64_t> bodyEnd;   // the file offset just past the body, if known
    std::string failText;                  // UTF-8
};

// Checks a head against a request for the range starting at offset. expectedTotal is the
// task's total size once known.
HeadCheck checkHead(const ResponseHead& head, std::int64_t offset,
                    std::optional<std::int64_t> expectedTotal);

} // namespace tb::download
