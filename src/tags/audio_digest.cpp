#include "tags/audio_digest.h"

#include "platform/file_system.h"
#include "platform/local_path.h"
#include "tags/leading_tag.h"

#include <openssl/evp.h>

#include <algorithm>
#include <fstream>
#include <vector>

namespace tb::tags {
namespace {

constexpr std::size_t kReadPiece = 256 * 1024;

struct ContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Context = std::unique_ptr<EVP_MD_CTX, ContextFree>;

Context newMd5() {
    Context context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1) {
        throw std::bad_alloc();
    }
    return context;
}

std::string finalHex(EVP_MD_CTX* context) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context, digest, &length);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 15];
    }
    return text;
}

} // namespace

// Both digests run side by side, so that a tag that turns out to be longer than the whole
// stream (malformed: then the audio is every byte) needs none of its bytes kept.
struct AudioDigest::Contexts {
    Context audio = newMd5();
    Context whole = newMd5();
};

AudioDigest::AudioDigest() : m_contexts(std::make_unique<Contexts>()) {}

AudioDigest::~AudioDigest() = default;

void AudioDigest::add(std::string_view bytes) {
    EVP_DigestUpdate(m_contexts->whole.get(), bytes.data(), bytes.size());
    m_position += bytes.size();
    if (!m_tagEnd) {
        const std::size_t wanted = kLeadingTagHeadBytes - m_head.size();
        m_head.append(bytes.substr(0, wanted));
        bytes.remove_prefix(std::min(wanted, bytes.size()));
        if (m_head.size() < kLeadingTagHeadBytes) {
            return;
        }
        judgeHead();
    }
    addAudio(bytes, m_position - bytes.size());
}

void AudioDigest::judgeHead() {
    m_tagEnd = LeadingTagLength(m_head);
    addAudio(m_head, 0);
    m_head.clear();
}

// Digests the part of bytes (which start at position in the stream) that lies after the tag.
void AudioDigest::addAudio(std::string_view bytes, std::uint64_t position) {
    if (position + bytes.size() <= *m_tagEnd) {
        return;
    }
    if (position < *m_tagEnd) {
        bytes.remove_prefix(static_cast<std::size_t>(*m_tagEnd - position));
    }
    EVP_DigestUpdate(m_contexts->audio.get(), bytes.data(), bytes.size());
}

AudioDigest::Digests AudioDigest::finish() {
    if (!m_tagEnd) {
        judgeHead();
    }
    Digests digests;
    digests.whole = finalHex(m_contexts->whole.get());
    digests.audio = m_position < *m_tagEnd ? digests.whole : finalHex(m_contexts->audio.get());
    return digests;
}

std::optional<std::string> FileAudioDigest(std::string_view path) {
    if (!platform::FileExists(path)) {
        return std::nullopt;
    }
    std::ifstream in(platform::ToFsPath(path), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    AudioDigest digest;
    std::vector<char> piece(kReadPiece);
    while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
        digest.add(std::string_view(piece.data(), static_cast<std::size_t>(in.gcount())));
    }
    if (in.bad()) {
        return std::nullopt;
    }
    return digest.finish().audio;
}

} // namespace tb::tags
