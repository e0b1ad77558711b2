#pragma once
// The identity of a song's audio: the MD5 digest of its bytes with a leading ID3v2 tag left
// out (leading_tag.h), so that a song with a tag written in front and the same song as the
// server sent it have one digest. Digests are 32 lower-case hexadecimal digits.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tb::tags {

// Digests a stream of bytes fed in pieces, keeping no more of it than a tag header.
class AudioDigest {
public:
    AudioDigest();
    ~AudioDigest();
    AudioDigest(const AudioDigest&) = delete;
    AudioDigest& operator=(const AudioDigest&) = delete;

    void add(std::string_view bytes);

    struct Digests {
        std::string audio; // the bytes after a leading tag (all bytes when there is none)
        std::string whole; // every byte
    };
    // Ends the stream: nothing may be added afterwards.
    Digests finish();

private:
    struct Contexts;
    void judgeHead();
    void addAudio(std::string_view bytes, std::uint64_t position);

    std::unique_ptr<Contexts> m_contexts;
    std::string m_head;
    std::uint64_t m_position = 0;
    std::optional<std::uint64_t> m_tagEnd; // known once the head has been judged
};

// The audio digest of a file (path in local text), read in pieces; empty when the file
// cannot be read.
std::optional<std::string> FileAudioDigest(std::string_view path);

} // namespace tb::tags
