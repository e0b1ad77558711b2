#include "plugin/plugin_job.h"

#include "data/local_text.h"
#include "net/fetch_bytes.h"
#include "platform/events.h"
#include "platform/file_publish.h"
#include "platform/file_system.h"
#include "plugin/plugin_tagging.h"

#include <openssl/evp.h>

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

// The song, or nothing when the reply is not a whole 2xx body.
std::optional<std::string> fetchOnce(const std::string& playUrl,
                                     const transport::RateFloor& rateFloor, bool& empty) {
    net::FetchBytesArgs args;
    args.rateFloor = rateFloor;
    std::string body = net::FetchBytes(LocalToUtf8(playUrl), args);
    empty = body.empty();
    if (args.status < 200 || args.status > 299 || !args.bodyComplete || body.empty()) {
        return std::nullopt;
    }
    return body;
}

std::optional<std::string> fetchSong(const std::string& playUrl,
                                     const transport::RateFloor& rateFloor) {
    bool empty = false;
    std::optional<std::string> song = fetchOnce(playUrl, rateFloor, empty);
    if (!song && empty) {
        song = fetchOnce(playUrl, rateFloor, empty);
    }
    return song;
}

enum class Holder { Nothing, SameBytes, OtherBytes };

// The received song as the placement sees it.
struct SongIdentity {
    std::string digest;      // MD5 of the bytes, for the marked name
    std::string audioDigest; // MD5 of the audio alone, for what a name holds
    const tags::SongExtras& extras;
};

// What a name holds, judged by the audio alone: a song saved earlier with its tag in front
// is the same song.
Holder holderOf(const std::string& path, const SongIdentity& song) {
    if (!platform::FileExists(path) && !platform::FolderExists(path)) {
        return Holder::Nothing;
    }
    return FileHoldsAudio(path, song.audioDigest) ? Holder::SameBytes : Holder::OtherBytes;
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
                             const SongIdentity& song) {
    Placement placement;
    for (int index = 0;; ++index) {
        const std::string name = candidateName(target, song.digest, index);
        if (name.empty()) {
            return placement;
        }
        placement.path = name;
        Holder holder = holderOf(name, song);
        if (holder == Holder::Nothing) {
            const platform::MoveResult moved = PublishReceivedSong(temporary, name, song.extras);
            if (moved == platform::MoveResult::Moved) {
                placement.stop = PlaceStop::Saved;
                return placement;
            }
            if (moved == platform::MoveResult::Failed) {
                return placement;
            }
            holder = holderOf(name, song); // someone else took the name meanwhile
        }
        if (holder == Holder::SameBytes) {
            placement.stop = PlaceStop::AlreadyThere;
            return placement;
        }
    }
}

Placement place(const std::string& bytes, const std::string& target, const SongIdentity& song) {
    Placement placement;
    placement.path = target;
    if (holderOf(target, song) == Holder::SameBytes) {
        placement.stop = PlaceStop::AlreadyThere;
        return placement;
    }
    const std::optional<std::string> temporary =
        platform::WriteTemporaryFileIn(platform::FolderOf(target), kTemporaryPrefix, bytes);
    if (!temporary) {
        return placement;
    }
    placement = placeUnderFreeName(*temporary, target, song);
    if (placement.stop != PlaceStop::Saved) {
        platform::DeleteFile(*temporary);
    }
    return placement;
}

// Creates every folder of the chain from the root down; failures are ignored.
void createFolderChain(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        platform::CreateFolder(folder.substr(0, slash));
        platform::ProcessPendingEvents();
    }
}

void appendRecord(const std::string& logName, const std::string& path, const std::string& text) {
    platform::AppendToFile(platform::FolderOf(path) + logName, text);
}

} // namespace

std::string DownloadLogName() {
    return Utf8ToLocal("下载信息.TXT");
}

std::string ErrorLogName() {
    return Utf8ToLocal("错误信息.TXT");
}

JobResult RunPluginJob(const std::string& targetPath, const std::string& playUrl,
                       const transport::RateFloor& rateFloor, const tags::SongExtras& extras) {
    JobResult result;
    result.savedPath = targetPath;
    Placement placement;
    if (const std::optional<std::string> bytes = fetchSong(playUrl, rateFloor)) {
        const SongIdentity song{Md5Hex(*bytes), AudioDigestOf(*bytes), extras};
        placement = place(*bytes, targetPath, song);
        if (placement.stop == PlaceStop::NotWritten) {
            createFolderChain(platform::FolderOf(targetPath));
            placement = place(*bytes, targetPath, song);
        }
        result.savedPath = placement.path;
    }
    if (placement.stop == PlaceStop::AlreadyThere) {
        result.outcome = JobOutcome::AlreadyThere;
    } else if (placement.stop == PlaceStop::Saved) {
        result.outcome = JobOutcome::Saved;
        WriteLyricsFileIfWanted(result.savedPath, extras);
        appendRecord(DownloadLogName(), targetPath,
                     Utf8ToLocal("本次下载：  ") + result.savedPath + "    " + playUrl +
                         "      - OK -\r\n");
    } else {
        // The record goes where the user looks for the song, even when nothing came to save.
        const std::string folder = platform::FolderOf(targetPath);
        if (!folder.empty() && !platform::FolderExists(folder)) {
            createFolderChain(folder);
        }
        appendRecord(ErrorLogName(), targetPath,
                     Utf8ToLocal("错误任务：  ") + result.savedPath + "    " + playUrl + "\r\n");
    }
    return result;
}

std::string Md5Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr) != 1) {
        return {};
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 0x0F];
    }
    return text;
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
