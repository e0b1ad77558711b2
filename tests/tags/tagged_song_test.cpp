// Songs written with their tag: every frame read back by TagLib, the audio behind the tag
// byte for byte the source's, a source's own tag merged, an existing file never replaced;
// and the audio digest that leaves a leading tag out.

#include "data/local_text.h"
#include "platform/temp_folder.h"
#include "support/test_files.h"
#include "tags/audio_digest.h"
#include "tags/leading_tag.h"
#include "tags/tagged_song.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/synchronizedlyricsframe.h>
#include <taglib/textidentificationframe.h>
#include <taglib/unsynchronizedlyricsframe.h>

#include <filesystem>
#include <fstream>

namespace tb::tags {
namespace {

namespace fs = std::filesystem;
using TagLib::ID3v2::AttachedPictureFrame;

const fs::path kDemo = fs::path(TB_SOURCE_DIR) / "tools/demo/data";

std::string demoFile(const char* name) {
    return test::ReadFileBytes(kDemo / name);
}

std::string local(const fs::path& path) {
    return Utf8ToLocal(path.string());
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string md5Of(const std::string& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr);
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += "0123456789abcdef"[digest[i] >> 4];
        hex += "0123456789abcdef"[digest[i] & 15];
    }
    return hex;
}

std::string utf8Of(const TagLib::String& text) {
    return text.to8Bit(true);
}

TagLib::ID3v2::Frame* onlyFrame(TagLib::ID3v2::Tag& tag, const char* id) {
    const auto& frames = tag.frameList(id);
    EXPECT_EQ(frames.size(), 1u) << id;
    return frames.isEmpty() ? nullptr : frames.front();
}

void expectText(TagLib::ID3v2::Tag& tag, const char* id, const std::string& utf8) {
    auto* frame = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(onlyFrame(tag, id));
    ASSERT_NE(frame, nullptr) << id;
    EXPECT_EQ(frame->textEncoding(), TagLib::String::UTF8) << id;
    EXPECT_EQ(utf8Of(frame->toString()), utf8) << id;
}

// A source that starts with a tag of its own (ID3v2.3): a title, an artist, a genre, a front
// cover and a picture of the band.
std::string ownTag() {
    TagLib::ID3v2::Tag tag;
    tag.setTitle("Old title");
    tag.setArtist("Old artist");
    tag.setGenre("Pop");
    for (const auto type : {AttachedPictureFrame::FrontCover, AttachedPictureFrame::Band}) {
        auto* picture = new AttachedPictureFrame;
        picture->setMimeType("image/png");
        picture->setType(type);
        picture->setPicture(TagLib::ByteVector("\x89PNG\r\n\x1A\nold", 11));
        tag.addFrame(picture);
    }
    const TagLib::ByteVector bytes = tag.render(TagLib::ID3v2::v3);
    return std::string(bytes.data(), bytes.size());
}

class TaggedSong : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_folder.path().empty()); }
    test::TempFolder m_folder;
};

TEST_F(TaggedSong, TagLibReadsBackEveryFrameWritten) {
    TagFacts facts;
    facts.songName =
        Utf8ToLocal("林默 - 晨光里的歌"); // the author in front, as the stand-in sends it
    facts.authorName = Utf8ToLocal("林默");
    facts.albumName = Utf8ToLocal("晨光");
    facts.lyrics = Utf8ToLocal(demoFile("lyrics/01.lrc"));
    facts.coverBytes = demoFile("covers/01.jpg");
    const SongTag tag = MakeSongTag(facts, Utf8ToLocal("林默 - 晨光里的歌"));

    const fs::path target = m_folder.path() / "林默 - 晨光里的歌.mp3";
    ASSERT_EQ(WriteTaggedSong(local(kDemo / "audio/01.mp3"), local(target), tag),
              PublishResult::Published);

    TagLib::MPEG::File file(target.c_str(), false);
    TagLib::ID3v2::Tag* read = file.ID3v2Tag();
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->header()->majorVersion(), 4u);
    expectText(*read, "TIT2", "晨光里的歌");
    expectText(*read, "TPE1", "林默");
    expectText(*read, "TALB", "晨光");

    auto* cover = dynamic_cast<AttachedPictureFrame*>(onlyFrame(*read, "APIC"));
    ASSERT_NE(cover, nullptr);
    EXPECT_EQ(cover->type(), AttachedPictureFrame::FrontCover);
    EXPECT_EQ(utf8Of(cover->mimeType()), "image/jpeg");
    EXPECT_EQ(std::string(cover->picture().data(), cover->picture().size()),
              demoFile("covers/01.jpg"));

    auto* plain = dynamic_cast<TagLib::ID3v2::UnsynchronizedLyricsFrame*>(onlyFrame(*read, "USLT"));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->textEncoding(), TagLib::String::UTF8);
    EXPECT_EQ(utf8Of(plain->text()),
              "清晨的光照进窗台\n我在等一首歌\n风吹过安静的街\n晨光里的歌慢慢唱");

    using TagLib::ID3v2::SynchronizedLyricsFrame;
    auto* timed = dynamic_cast<SynchronizedLyricsFrame*>(onlyFrame(*read, "SYLT"));
    ASSERT_NE(timed, nullptr);
    EXPECT_EQ(timed->textEncoding(), TagLib::String::UTF8);
    EXPECT_EQ(timed->timestampFormat(), SynchronizedLyricsFrame::AbsoluteMilliseconds);
    EXPECT_EQ(timed->type(), SynchronizedLyricsFrame::Lyrics);
    std::vector<std::pair<unsigned, std::string>> lines;
    for (const auto& line : timed->synchedText()) {
        lines.emplace_back(line.time, utf8Of(line.text));
    }
    EXPECT_EQ(lines, (std::vector<std::pair<unsigned, std::string>>{{1500, "清晨的光照进窗台"},
                                                                    {6890, "我在等一首歌"},
                                                                    {10310, "风吹过安静的街"},
                                                                    {14560, "晨光里的歌慢慢唱"}}));
    EXPECT_EQ(read->frameList().size(), 6u) << "no frame beyond the six pieces";
}

TEST_F(TaggedSong, AudioBehindTheTagIsTheSourceByteForByte) {
    const std::string audio = demoFile("audio/02.mp3");
    SongTag tag;
    tag.title = "New title";
    tag.cover = CoverImage{"image/jpeg", demoFile("covers/02.jpg")};
    {
        SCOPED_TRACE("a source without a tag");
        const fs::path source = m_folder.path() / "plain.tbpart";
        writeFile(source, audio);
        const fs::path target = m_folder.path() / "plain.mp3";
        ASSERT_EQ(WriteTaggedSong(local(source), local(target), tag), PublishResult::Published);
        const std::string written = test::ReadFileBytes(target);
        const std::uint64_t tagLength = LeadingTagLength(written);
        ASSERT_GT(tagLength, 0u);
        EXPECT_TRUE(written.substr(tagLength) == audio);
        EXPECT_EQ(test::ReadFileBytes(source), audio) << "the source is only read";
    }
    {
        SCOPED_TRACE("a source with a tag of its own: merged, only its audio copied");
        const fs::path source = m_folder.path() / "tagged.tbpart";
        writeFile(source, ownTag() + audio);
        const fs::path target = m_folder.path() / "tagged.mp3";
        ASSERT_EQ(WriteTaggedSong(local(source), local(target), tag), PublishResult::Published);
        const std::string written = test::ReadFileBytes(target);
        EXPECT_TRUE(written.substr(LeadingTagLength(written)) == audio);

        TagLib::MPEG::File file(target.c_str(), false);
        TagLib::ID3v2::Tag& read = *file.ID3v2Tag();
        EXPECT_EQ(read.header()->majorVersion(), 4u);
        expectText(read, "TIT2", "New title");
        expectText(read, "TPE1", "Old artist"); // the tag has no artist: the source's stays
        EXPECT_EQ(utf8Of(read.genre()), "Pop");
        std::vector<int> pictureTypes;
        for (auto* frame : read.frameList("APIC")) {
            auto* picture = dynamic_cast<AttachedPictureFrame*>(frame);
            pictureTypes.push_back(picture->type());
            EXPECT_EQ(utf8Of(picture->mimeType()),
                      picture->type() == AttachedPictureFrame::Band ? "image/png" : "image/jpeg");
        }
        std::sort(pictureTypes.begin(), pictureTypes.end());
        EXPECT_EQ(pictureTypes,
                  (std::vector<int>{AttachedPictureFrame::FrontCover, AttachedPictureFrame::Band}));
    }
    {
        SCOPED_TRACE("a source whose tag is a bare header, shorter than a tag head is read");
        const fs::path source = m_folder.path() / "bare.tbpart";
        writeFile(source, std::string("ID3\4\0\0\0\0\0\0", 10) + audio);
        const fs::path target = m_folder.path() / "bare.mp3";
        ASSERT_EQ(WriteTaggedSong(local(source), local(target), tag), PublishResult::Published);
        const std::string written = test::ReadFileBytes(target);
        EXPECT_TRUE(written.substr(LeadingTagLength(written)) == audio);
    }
    {
        SCOPED_TRACE("an existing file of the target's name");
        const fs::path source = m_folder.path() / "plain.tbpart";
        const fs::path target = m_folder.path() / "taken.mp3";
        writeFile(target, "someone else's");
        EXPECT_EQ(WriteTaggedSong(local(source), local(target), tag), PublishResult::TargetExists);
        EXPECT_EQ(test::ReadFileBytes(target), "someone else's");
        EXPECT_EQ(WriteTaggedSong(local(m_folder.path() / "missing"),
                                  local(m_folder.path() / "none.mp3"), tag),
                  PublishResult::Failed);
        EXPECT_FALSE(fs::exists(m_folder.path() / "none.mp3"));
        for (const auto& entry : fs::directory_iterator(m_folder.path())) {
            EXPECT_NE(entry.path().extension(), ".tbnew") << "a temporary file was left behind";
        }
    }
}

// The ten bytes of a tag header: "ID3", version, revision and flags, and the four size bytes.
std::string header(const char* versionAndFlags, std::string size) {
    return std::string("ID3") + std::string(versionAndFlags, 3) + size;
}

TEST(AudioDigest, ATagInFrontChangesNothingAndAMalformedHeaderCountsAsNoTag) {
    const std::string audio = demoFile("audio/03.mp3");
    const std::string audioDigest = md5Of(audio);
    const std::string syncsafe20("\0\0\0\x14", 4); // 20 bytes after the header
    const std::string body20(20, '\0');
    struct Case {
        const char* what;
        std::string front;
        bool isTag;
    };
    const std::vector<Case> cases = {
        {"a tag written by TagLib", ownTag(), true},
        {"ID3v2.4 with a footer",
         header("\4\0\x10", syncsafe20) + body20 + "3DI" + std::string(7, '\0'), true},
        {"ID3v2.3 with an extended header",
         header("\3\0\x40", syncsafe20) + std::string("\0\0\0\6", 4) + std::string(16, '\0'), true},
        {"ID3v2.4 with an extended header",
         header("\4\0\x40", syncsafe20) + std::string("\0\0\0\6\1\0", 6) + std::string(14, '\0'),
         true},
        {"ID3v2.2", header("\2\0\0", syncsafe20) + body20, true},
        {"a size byte above 0x7F", header("\4\0\0", std::string("\0\0\x80\x14", 4)) + body20,
         false},
        {"version 0xFF", header("\xFF\0\0", syncsafe20) + body20, false},
        {"revision 0xFF", header("\4\xFF\0", syncsafe20) + body20, false},
        {"a flag version 2.3 does not define", header("\3\0\x10", syncsafe20) + body20, false},
        {"an extended header of a size 2.3 does not allow",
         header("\3\0\x40", syncsafe20) + std::string("\0\0\0\7", 4) + std::string(16, '\0'),
         false},
        {"an extended header larger than the tag",
         header("\4\0\x40", syncsafe20) + std::string("\0\0\1\0\1\0", 6) + std::string(14, '\0'),
         false},
        {"a tag longer than the whole file", header("\4\0\0", std::string("\x7F\x7F\x7F\x7F", 4)),
         false},
    };
    test::TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string bytes = c.front + audio;
        const fs::path path = folder.path() / "song.mp3";
        writeFile(path, bytes);
        EXPECT_EQ(FileAudioDigest(local(path)), c.isTag ? audioDigest : md5Of(bytes));
        // Fed in odd pieces, as a download arrives: the same digests.
        AudioDigest pieces;
        for (std::size_t at = 0; at < bytes.size(); at += 7) {
            pieces.add(std::string_view(bytes).substr(at, 7));
        }
        const AudioDigest::Digests digests = pieces.finish();
        EXPECT_EQ(digests.audio, c.isTag ? audioDigest : md5Of(bytes));
        EXPECT_EQ(digests.whole, md5Of(bytes));
    }
    EXPECT_EQ(FileAudioDigest(local(folder.path() / "missing.mp3")), std::nullopt);
    EXPECT_EQ(FileAudioDigest(local(folder.path())), std::nullopt) << "a folder";
}

} // namespace
} // namespace tb::tags
