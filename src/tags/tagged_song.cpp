#include "tags/tagged_song.h"

#include "data/local_text.h"
#include "platform/file_system.h"
#include "platform/local_path.h"
#include "platform/positional_file.h"
#include "tags/leading_tag.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/synchronizedlyricsframe.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfile.h>
#include <taglib/unsynchronizedlyricsframe.h>

#include <fstream>
#include <memory>
#include <vector>

namespace tb::tags {
namespace {

constexpr std::size_t kCopyPiece = 256 * 1024;
// A source's own tag up to this size is merged; a larger one is left out.
constexpr std::uint64_t kLargestMergedTag = 16 * 1024 * 1024;
const TagLib::ByteVector kUndeterminedLanguage("und", 3);

TagLib::String utf8(const std::string& text) {
    return TagLib::String(text, TagLib::String::UTF8);
}

TagLib::ByteVector byteVector(std::string_view bytes) {
    return TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size()));
}

// TagLib reads a tag from a File; this one is the tag's bytes in memory.
class TagBytes : public TagLib::File {
public:
    explicit TagBytes(TagLib::IOStream* stream) : TagLib::File(stream) {}
    TagLib::Tag* tag() const override { return nullptr; }
    TagLib::AudioProperties* audioProperties() const override { return nullptr; }
    bool save() override { return false; }
};

void setText(TagLib::ID3v2::Tag& tag, const char* id, const std::string& text) {
    if (text.empty()) {
        return;
    }
    tag.removeFrames(id);
    auto frame = std::make_unique<TagLib::ID3v2::TextIdentificationFrame>(TagLib::ByteVector(id, 4),
                                                                          TagLib::String::UTF8);
    frame->setText(utf8(text));
    tag.addFrame(frame.release());
}

void setFrontCover(TagLib::ID3v2::Tag& tag, const CoverImage& cover) {
    // Copied: removing a frame deletes it, and the list would change under the loop.
    const TagLib::ID3v2::FrameList pictures = tag.frameList("APIC");
    for (TagLib::ID3v2::Frame* frame : pictures) {
        const auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
        if (picture != nullptr &&
            picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover) {
            tag.removeFrame(frame);
        }
    }
    auto frame = std::make_unique<TagLib::ID3v2::AttachedPictureFrame>();
    frame->setTextEncoding(TagLib::String::UTF8);
    frame->setMimeType(cover.mimeType);
    frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    frame->setPicture(byteVector(cover.bytes));
    tag.addFrame(frame.release());
}

void setPlainLyrics(TagLib::ID3v2::Tag& tag, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += (text.empty() ? "" : "\n") + line;
    }
    tag.removeFrames("USLT");
    auto frame = std::make_unique<TagLib::ID3v2::UnsynchronizedLyricsFrame>(TagLib::String::UTF8);
    frame->setLanguage(kUndeterminedLanguage);
    frame->setText(utf8(text));
    tag.addFrame(frame.release());
}

void setTimedLyrics(TagLib::ID3v2::Tag& tag, const std::vector<TimedLine>& lines) {
    using TagLib::ID3v2::SynchronizedLyricsFrame;
    SynchronizedLyricsFrame::SynchedTextList list;
    for (const TimedLine& line : lines) {
        list.append(SynchronizedLyricsFrame::SynchedText(line.ms, utf8(line.text)));
    }
    tag.removeFrames("SYLT");
    auto frame = std::make_unique<SynchronizedLyricsFrame>(TagLib::String::UTF8);
    frame->setLanguage(kUndeterminedLanguage);
    frame->setTimestampFormat(SynchronizedLyricsFrame::AbsoluteMilliseconds);
    frame->setType(SynchronizedLyricsFrame::Lyrics);
    frame->setSynchedText(list);
    tag.addFrame(frame.release());
}

// Text frames the source's tag brings along are written in UTF-8 as well, as ours are.
void textFramesInUtf8(TagLib::ID3v2::Tag& tag) {
    for (TagLib::ID3v2::Frame* frame : tag.frameList()) {
        if (auto* text = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(frame)) {
            text->setTextEncoding(TagLib::String::UTF8);
        }
    }
}

// The bytes of the tag to write: the source's own tag (or none) with the song's pieces put
// in; nothing when the result has no frame at all.
std::string renderTag(const SongTag& song, const std::string& sourceTag) {
    TagLib::ByteVectorStream stream(byteVector(sourceTag));
    TagBytes file(&stream);
    TagLib::ID3v2::Tag tag(&file, 0);
    textFramesInUtf8(tag);
    setText(tag, "TIT2", song.title);
    setText(tag, "TPE1", song.artist);
    setText(tag, "TALB", song.album);
    if (song.cover) {
        setFrontCover(tag, *song.cover);
    }
    if (!song.plainLyrics.empty()) {
        setPlainLyrics(tag, song.plainLyrics);
    }
    if (!song.timedLyrics.empty()) {
        setTimedLyrics(tag, song.timedLyrics);
    }
    if (tag.frameList().isEmpty()) {
        return {};
    }
    const TagLib::ByteVector rendered = tag.render(TagLib::ID3v2::v4);
    return std::string(rendered.data(), rendered.size());
}

// Reads up to length bytes (fewer at the end of the file); empty when reading fails.
std::optional<std::string> readPiece(std::ifstream& in, std::size_t length) {
    std::string bytes(length, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(length));
    if (in.bad()) {
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

// The source's leading tag (bytes, empty when it has none or one too large to merge) and
// where its audio starts.
struct SourceStart {
    std::string tag;
    std::uint64_t audioOffset = 0;
};

std::optional<SourceStart> readSourceStart(std::ifstream& in, std::uint64_t size) {
    const auto head = readPiece(in, kLeadingTagHeadBytes);
    if (!head) {
        return std::nullopt;
    }
    SourceStart start;
    const std::uint64_t tagLength = LeadingTagLength(*head);
    if (tagLength == 0 || tagLength > size) {
        in.clear();
        in.seekg(0);
        return start;
    }
    start.audioOffset = tagLength;
    if (tagLength <= kLargestMergedTag) {
        start.tag = head->substr(0, static_cast<std::size_t>(tagLength));
        const std::size_t missing = static_cast<std::size_t>(tagLength) - start.tag.size();
        const auto rest = readPiece(in, missing);
        if (!rest || rest->size() != missing) {
            return std::nullopt;
        }
        start.tag += *rest;
    }
    in.clear();
    in.seekg(static_cast<std::streamoff>(tagLength));
    return start;
}

bool copyRest(std::ifstream& in, FileBeside& out) {
    std::vector<char> piece(kCopyPiece);
    while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
        if (!out.append(std::string_view(piece.data(), static_cast<std::size_t>(in.gcount())))) {
            return false;
        }
    }
    return !in.bad();
}

PublishResult writeTaggedSong(std::string_view source, std::string_view target,
                              const SongTag& tag) {
    const auto size = platform::ExistingFileSize(LocalToUtf8(source));
    std::ifstream in(platform::ToFsPath(source), std::ios::binary);
    if (!size || !platform::FileExists(source) || !in) {
        return PublishResult::Failed;
    }
    const auto start = readSourceStart(in, *size);
    if (!start || !in) {
        return PublishResult::Failed;
    }
    FileBeside out(target);
    if (!out.create() || !out.append(renderTag(tag, start->tag)) || !copyRest(in, out)) {
        return PublishResult::Failed;
    }
    return out.publish();
}

} // namespace

PublishResult WriteTaggedSong(std::string_view source, std::string_view target,
                              const SongTag& tag) {
    try {
        return writeTaggedSong(source, target, tag);
    } catch (const std::exception&) {
        return PublishResult::Failed; // no memory for the tag or a piece
    }
}

} // namespace tb::tags
