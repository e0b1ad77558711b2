#include "plugin/plugin_job.h"

#include "data/local_text.h"
#include "net/fetch_bytes.h"
#include "platform/events.h"
#include "platform/file_publish.h"
#include "platform/file_system.h"
#include "plugin/plugin_records.h"
#include "plugin/plugin_tagging.h"
#include "tags/audio_digest.h"

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

// The song in its temporary file beside the target, with the digests of its bytes and of
// its audio alone (audio_digest.h).
struct FetchedSong {
    std::string temporaryPath;
    tags::AudioDigest::Digests digests;
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

// Streams one reply into file, the digests taken as the bytes arrive. Whole only for a
// complete, non-empty 2xx body that was written in full.
FetchStop fetchInto(platform::TemporaryFile& file, tags::AudioDigest::Digests& digests,
                    const std::string& playUrl, const transport::RateFloor& rateFloor) {
    bool written = file.restart();
    std::size_t received = 0;
    tags::AudioDigest digest;
    net::FetchBytesArgs args;
    args.rateFloor = rateFloor;
    args.bodySink = [&](std::string_view piece) {
        received += piece.size();
        digest.add(piece);
        written = written && file.append(piece);
        return written;
    };
    net::FetchBytes(LocalToUtf8(playUrl), args);
    digests = digest.finish();
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
    tags::AudioDigest::Digests digests;
    FetchStop stop = fetchInto(*file, digests, playUrl, rateFloor);
    if (stop == FetchStop::Empty) {
        stop = fetchInto(*file, digests, playUrl, rateFloor);
    }
    const std::string path = file->path();
    if (!file->close() || stop != FetchStop::Whole) {
        platform::DeleteFile(path);
        return std::nullopt;
    }
    return FetchedSong{path, std::move(digests)};
}

enum class Holder { Nothing, SameBytes, OtherBytes };

// What a name holds, judged by the audio alone: a song saved earlier with its tag in front
// is the same song.
Holder holderOf(const std::string& path, const FetchedSong& song) {
    if (!platform::FileExists(path) && !platform::FolderExists(path)) {
        return Holder::Nothing;
    }
    return FileHoldsAudio(path, song.digests.audio) ? Holder::SameBytes : Holder::OtherBytes;
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

// Puts the song's temporary file under the first name that is free (with its tag when the
// extras ask for it), unless a name already holds the same audio. Nothing of other audio is
// ever replaced.
Placement placeUnderFreeName(const FetchedSong& song, const std::string& target,
                             const tags::SongExtras& extras) {
    Placement placement;
    for (int index = 0;; ++index) {
        const std::string name = candidateName(target, song.digests.whole, index);
        if (name.empty()) {
            return placement;
        }
        placement.path = name;
        Holder holder = holderOf(name, song);
        if (holder == Holder::Nothing) {
            const platform::MoveResult moved =
                PublishReceivedSong(song.temporaryPath, name, extras);
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

Placement place(const FetchedSong& song, const std::string& target,
                const tags::SongExtras& extras) {
    Placement placement;
    placement.path = target;
    if (holderOf(target, song) == Holder::SameBytes) {
        placement.stop = PlaceStop::AlreadyThere;
    } else {
        placement = placeUnderFreeName(song, target, extras);
    }
    if (placement.stop != PlaceStop::Saved) {
        platform::DeleteFile(song.temporaryPath);
    }
    return placement;
}

} // namespace

JobResult RunPluginJob(const std::string& targetPath, const std::string& playUrl,
                       const transport::RateFloor& rateFloor, const tags::SongExtras& extras) {
    JobResult result;
    result.savedPath = targetPath;
    Placement placement;
    if (const std::optional<FetchedSong> song = fetchSong(targetPath, playUrl, rateFloor)) {
        placement = place(*song, targetPath, extras);
        result.savedPath = placement.path;
    }
    if (placement.stop == PlaceStop::AlreadyThere) {
        result.outcome = JobOutcome::AlreadyThere;
    } else if (placement.stop == PlaceStop::Saved) {
        result.outcome = JobOutcome::Saved;
        WriteLyricsFileIfWanted(result.savedPath, extras);
        AppendOkRecord(targetPath, result.savedPath, playUrl);
    } else {
        AppendErrorRecord(result.savedPath, playUrl);
    }
    return result;
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
