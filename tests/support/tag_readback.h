#pragma once
// A saved song's ID3v2 tag read back with TagLib, and its audio after the tag, for tests of
// the download paths that write tags.

#include "support/test_files.h"
#include "tags/leading_tag.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/synchronizedlyricsframe.h>
#include <taglib/textidentificationframe.h>
#include <taglib/unsynchronizedlyricsframe.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tb::test {

// Every frame the download paths write, UTF-8; counts so that a frame written twice shows.
struct ReadBackTag {
    bool hasTag = false;
    unsigned version = 0; // ID3v2.<version>
    std::string title, artist, album;
    int titleFrames = 0, artistFrames = 0, albumFrames = 0;
    bool allTextUtf8 = true;
    int covers = 0;
    std::string coverMime, coverBytes;
    int plainLyricsFrames = 0;
    std::string plainLyrics;
    int timedLyricsFrames = 0;
    bool timedInMilliseconds = false;
    std::vector<std::pair<std::uint32_t, std::string>> timedLyrics;
    std::string audio; // the file's bytes after its tag
};

inline std::string Utf8Of(const TagLib::String& text) {
    return text.to8Bit(true);
}

inline ReadBackTag ReadTagOf(const std::filesystem::path& path) {
    ReadBackTag read;
    const std::string bytes = ReadFileBytes(path);
    read.audio = bytes.substr(tags::LeadingTagLength(bytes));
    TagLib::MPEG::File file(path.c_str(), false);
    TagLib::ID3v2::Tag* tag = file.isValid() ? file.ID3v2Tag(false) : nullptr;
    if (tag == nullptr || tag->isEmpty()) {
        return read;
    }
    read.hasTag = true;
    read.version = tag->header()->majorVersion();
    const auto text = [&](const char* id, std::string& into, int& count) {
        for (auto* frame : tag->frameList(id)) {
            ++count;
            into = Utf8Of(frame->toString());
            const auto* textFrame = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(frame);
            read.allTextUtf8 = read.allTextUtf8 && textFrame != nullptr &&
                               textFrame->textEncoding() == TagLib::String::UTF8;
        }
    };
    text("TIT2", read.title, read.titleFrames);
    text("TPE1", read.artist, read.artistFrames);
    text("TALB", read.album, read.albumFrames);
    for (auto* frame : tag->frameList("APIC")) {
        auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
        if (picture != nullptr &&
            picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover) {
            ++read.covers;
            read.coverMime = Utf8Of(picture->mimeType());
            read.coverBytes.assign(picture->picture().data(), picture->picture().size());
        }
    }
    for (auto* frame : tag->frameList("USLT")) {
        auto* lyrics = dynamic_cast<TagLib::ID3v2::UnsynchronizedLyricsFrame*>(frame);
        ++read.plainLyricsFrames;
        read.plainLyrics = lyrics != nullptr ? Utf8Of(lyrics->text()) : "";
        read.allTextUtf8 =
            read.allTextUtf8 && lyrics != nullptr && lyrics->textEncoding() == TagLib::String::UTF8;
    }
    for (auto* frame : tag->frameList("SYLT")) {
        auto* lyrics = dynamic_cast<TagLib::ID3v2::SynchronizedLyricsFrame*>(frame);
        ++read.timedLyricsFrames;
        if (lyrics == nullptr) {
            continue;
        }
        read.timedInMilliseconds = lyrics->timestampFormat() ==
                                   TagLib::ID3v2::SynchronizedLyricsFrame::AbsoluteMilliseconds;
        read.allTextUtf8 = read.allTextUtf8 && lyrics->textEncoding() == TagLib::String::UTF8;
        read.timedLyrics.clear();
        for (const auto& line : lyrics->synchedText()) {
            read.timedLyrics.emplace_back(line.time, Utf8Of(line.text));
        }
    }
    return read;
}

} // namespace tb::test
