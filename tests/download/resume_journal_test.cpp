// The journal beside a partial download, and the byte ranges it keeps.

#include "download/resume_journal.h"

#include <gtest/gtest.h>

namespace {

using namespace tb::download;

TEST(ByteRanges, MergeIntoSortedRunsAndNameWhatIsMissing) {
    EXPECT_EQ(MergedRanges({{50, 60}, {0, 10}, {10, 20}, {55, 70}, {30, 30}}),
              (std::vector<ByteRange>{{0, 20}, {50, 70}}));
    EXPECT_EQ(MissingRanges({{0, 20}, {50, 70}}, 100),
              (std::vector<ByteRange>{{20, 50}, {70, 100}}));
    EXPECT_EQ(MissingRanges({{10, 100}}, 100), (std::vector<ByteRange>{{0, 10}}));
    EXPECT_EQ(MissingRanges({}, 5), (std::vector<ByteRange>{{0, 5}}));
    EXPECT_TRUE(MissingRanges({{0, 5}}, 5).empty());
}

TEST(ResumeJournal, ReadsBackWhatWasWrittenAndNothingDamaged) {
    const ResumeJournal journal{"http://127.0.0.1:8080/a song.mp3?x=1",
                                1'000'000,
                                "\"6b18-f4240\"",
                                "Tue, 08 Dec 2026 16:04:00 GMT",
                                {{0, 1000}, {333'333, 400'000}, {999'000, 1'000'000}}};
    const std::string text = FormatJournal(journal);
    ASSERT_EQ(ParseJournal(text), journal);
    EXPECT_EQ(journal.recordedBytes(), 1000 + 66'667 + 1000);

    // Cut anywhere: a journal written half way is never taken for a whole one.
    for (std::size_t length = 0; length < text.size(); ++length) {
        ASSERT_FALSE(ParseJournal(text.substr(0, length)).has_value()) << length;
    }
    for (std::size_t at = 0; at < text.size(); at += 7) {
        std::string changed = text;
        changed[at] = static_cast<char>(changed[at] ^ 0x20);
        EXPECT_FALSE(ParseJournal(changed).has_value()) << "byte " << at;
    }
    EXPECT_FALSE(ParseJournal(text + "range 5 6\n").has_value());

    // Well formed, but the ranges cannot describe a file of that size.
    struct Case {
        const char* name;
        std::vector<ByteRange> ranges;
    };
    for (const Case& c :
         {Case{"past the end", {{0, 10}, {999'999, 1'000'001}}},
          Case{"overlapping", {{0, 100}, {50, 200}}}, Case{"out of order", {{500, 600}, {0, 100}}},
          Case{"empty", {{10, 10}}}}) {
        ResumeJournal bad = journal;
        bad.ranges = c.ranges;
        EXPECT_FALSE(ParseJournal(FormatJournal(bad)).has_value()) << c.name;
    }
    ResumeJournal noAddress = journal;
    noAddress.address.clear();
    EXPECT_FALSE(ParseJournal(FormatJournal(noAddress)).has_value());
}

TEST(ResumeJournal, SameFileNeedsTheSameTotalAndValidators) {
    const ResumeJournal journal{"http://h/a", 100, "\"e1\"", "Mon", {}};
    EXPECT_TRUE(journal.sameFile(100, "\"e1\"", "Mon"));
    EXPECT_FALSE(journal.sameFile(101, "\"e1\"", "Mon"));
    EXPECT_FALSE(journal.sameFile(100, "\"e2\"", "Mon"));
    EXPECT_FALSE(journal.sameFile(100, "\"e1\"", "Tue"));
    EXPECT_FALSE(journal.sameFile(100, "", "Mon"));
}

} // namespace
