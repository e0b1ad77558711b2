#include "plugin/plugin_job.h"

#include "data/local_text.h"
#include "net/fetch_bytes.h"
#include "platform/events.h"
#include "platform/file_publish.h"
#include "platform/file_system.h"
#include "plugin/plugin_records.h"

#include <openssl/evp.h>

#include <memory>
#include <optional>

namespace tb::plugin {
namespace {

constexpr int kNumberedNames = 999;
constexpr const char* kTemporaryPrefix = ".batchget-";

enum class PlaceStop { Saved, AlreadyThere, NotWritten };

struct Placement {
    PlaceStop stop = PlaceStop::NotWritten;
    std::string path; // saved under, or the last name tried
};

// MD5 over bytes that come piece by piece.
class Md5Digest {
public:
    Md5Digest() { restart(); }
    void restart() { m_ready = EVP_DigestInit_ex(m_context.get(), EVP_md5(), nullptr) == 1; }
    void add(std::string_view bytes) {
        m_ready = m_ready && EVP_DigestUpdate(m_context.get(), bytes.data(), bytes.size()) == 1;
    }
    // Lower-case hexadecimal; empty when the digest could not be computed.
    std::string hex() {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (!m_ready || EVP_DigestFinal_ex(m_context.get(), digest, &length) != 1) {
            return {};
        }
        return hexText(digest, length);
    }
    static std::string hexText(const unsigned char* digest, unsigned int length) {
        static constexpr char kHex[] = "0123456789abcdef";
        std::string text;
        for (unsigned int i = 0; i < length; ++i) {
            text += kHex[digest[i] >> 4];
            text += kHex[digest[i] & 0x0F];
        }
        return text;
    }

private:
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> m_context{EVP_MD_CTX_new(),
                                                                      &EVP_MD_CTX_free};
    bool m_ready = false;
};

// The song in its temporary file beside the target, with the digest of its bytes.
struct FetchedSong {
    std::string temporaryPath;
    std::string digest;
};

// Creates every folder of the chain from the root down; failures are ignored.
void createFolderChain(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        platform::CreateFolder(folder.substr(0, slash));
        platform::ProcessPendingEvents();
    }
}

// A temporary file in the target's folder; when none can be made there, the folder chain
// is created and it is tried once more.
std::optional<platform::TemporaryFile> temporaryBeside(const std::string& target) {
    const std::string folder = platform::FolderOf(target);
    if (std::optional<platform::TemporaryFile> file =
            platform::TemporaryFile::CreateIn(folder, kTemporaryPrefix)) {
        return file;
    }
    createFolderChain(folder);
    return platform::TemporaryFile::CreateIn(folder, kTemporaryPrefix);
}

enum class FetchStop { Whole, NotTheSong, Empty, NotWritten };

// Streams one reply into file, the digest taken as the bytes arrive. Whole only for a
// complete, non-empty 2xx body that was written in full.
FetchStop fetchInto(platform::TemporaryFile& file, Md5Digest& digest, const std::string& playUrl,
                    const transport::RateFloor& rateFloor) {
    bool written = file.restart();
    std::size_t received = 0;
    digest.restart();
    net::FetchBytesArgs args;
    args.rateFloor = rateFloor;
    args.bodySink = [&](std::string_view piece) {
        received += piece.size();
        digest.add(piece);
        written = written && file.append(piece);
        return written;
    };
    net::FetchBytes(LocalToUtf8(playUrl), args);
    if (!written) {
        return FetchStop::NotWritten;
    }
    if (received == 0) {
        return FetchStop::Empty;
    }
    const bool song = args.status >= 200 && args.status <= 299 && args.bodyComplete;
    return song ? FetchStop::Whole : FetchStop::NotTheSong;
}

// The song, fetched into a temporary file in the target's folder (an empty reply is
// fetched once more), or nothing when no whole song could be written there; nothing of a
// failed fetch stays behind.
std::optional<FetchedSong> fetchSong(const std::string& target, const std::string& playUrl,
                                     const transport::RateFloor& rateFloor) {
    std::optional<platform::TemporaryFile> file = temporaryBeside(target);
    if (!file) {
        return std::nullopt;
    }
    Md5Digest digest;
    FetchStop stop = fetchInto(*file, digest, playUrl, rateFloor);
    if (stop == FetchStop::Empty) {
        stop = fetchInto(*file, digest, playUrl, rateFloor);
    }
    const std::string path = file->path();
    if (!file->close() || stop != FetchStop::Whole) {
        platform::DeleteFile(path);
        return std::nullopt;
    }
    return FetchedSong{path, digest.hex()};
}

std::string fileDigest(const std::string& path) {
    Md5Digest digest;
    if (!platform::ReadFileInPieces(path,
                                    [&digest](std::string_view piece) { digest.add(piece); })) {
        return {};
    }
    return digest.hex();
}

enum class Holder { Nothing, SameBytes, OtherBytes };

Holder holderOf(const std::string& path, const std::string& digest) {
    if (!platform::FileExists(path) && !platform::FolderExists(path)) {
        return Holder::Nothing;
    }
    const std::string held = fileDigest(path);
    return !held.empty() && held == digest ? Holder::SameBytes : Holder::OtherBytes;
}

// The names the song may take, in order: the target, its digest-marked form, then that
// form numbered. Empty once they are used up.
std::string candidateName(const std::string& target, const std::string& digest, int index) {
    if (index == 0) {
        return target;
    }
    const std::string marked = DigestMarkedPath(target, digest);
    if (index == 1) {
        return marked;
    }
    return index - 1 <= kNumberedNames ? NumberedPath(marked, index - 1) : std::string();
}

// Puts the written temporary file under the first name that is free, unless a name already
// holds the same bytes. Nothing of other bytes is ever replaced.
Placement placeUnderFreeName(const std::string& temporary, const std::string& target,
                             const std::string& digest) {
    Placement placement;
    for (int index = 0;; ++index) {
        const std::string name = candidateName(target, digest, index);
        if (name.empty()) {
            return placement;
        }
        placement.path = name;
        Holder holder = holderOf(name, digest);
        if (holder == Holder::Nothing) {
            const platform::MoveResult moved = platform::MoveFileNoReplace(temporary, name);
            if (moved == platform::MoveResult::Moved) {
                placement.stop = PlaceStop::Saved;
                return placement;
            }
            if (moved == platform::MoveResult::Failed) {
                return placement;
            }
            holder = holderOf(name, digest); // someone else took the name meanwhile
        }
        if (holder == Holder::SameBytes) {
            placement.stop = PlaceStop::AlreadyThere;
            return placement;
        }
    }
}

Placement place(const FetchedSong& song, const std::string& target) {
    Placement placement;
    placement.path = target;
    if (holderOf(target, song.digest) == Holder::SameBytes) {
        placement.stop = PlaceStop::AlreadyThere;
    } else {
        placement = placeUnderFreeName(song.temporaryPath, target, song.digest);
    }
    if (placement.stop != PlaceStop::Saved) {
        platform::DeleteFile(song.temporaryPath);
    }
    return placement;
}

} // namespace

JobResult RunPluginJob(const std::string& targetPath, const std::string& playUrl,
                       const transport::RateFloor& rateFloor) {
    JobResult result;
    result.savedPath = targetPath;
    Placement placement;
    if (const std::optional<FetchedSong> song = fetchSong(targetPath, playUrl, rateFloor)) {
        placement = place(*song, targetPath);
        result.savedPath = placement.path;
    }
    if (placement.stop == PlaceStop::AlreadyThere) {
        result.outcome = JobOutcome::AlreadyThere;
    } else if (placement.stop == PlaceStop::Saved) {
        result.outcome = JobOutcome::Saved;
        AppendOkRecord(targetPath, result.savedPath, playUrl);
    } else {
        AppendErrorRecord(result.savedPath, playUrl);
    }
    return result;
}

std::string Md5Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr) != 1) {
        return {};
    }
    return Md5Digest::hexText(digest, length);
}

std::string DigestMarkedPath(const std::string& targetPath, const std::string& digest) {
    const std::string folder = platform::FolderOf(targetPath);
    const std::string mark = "[" + (digest.size() >= 7 ? digest.substr(5, 2) : "00") + "].";
    return folder + ReplaceAll(std::string_view(targetPath).substr(folder.size()), ".", mark);
}

std::string NumberedPath(const std::string& path, int number) {
    const std::size_t nameStart = platform::FolderOf(path).size();
    const std::size_t dot = path.find_last_of('.');
    const std::string suffix = "(" + std::to_string(number) + ")";
    if (dot == std::string::npos || dot < nameStart) {
        return path + suffix;
    }
    return path.substr(0, dot) + suffix + path.substr(dot);
}

} // namespace tb::plugin
