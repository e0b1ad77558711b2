#include "download/segment_table.h"

#include "download/segment_ledger.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using tb::download::SegmentTable;

TEST(SegmentTable, InitialSplitGivesTheRemainderToTheLastSegment) {
    SegmentTable table(3);
    table.splitInitial(1'000'000, 3);
    ASSERT_EQ(table.size(), 3);
    EXPECT_EQ(table.at(0).start, 0);
    EXPECT_EQ(table.at(0).length, 333'333);
    EXPECT_EQ(table.at(1).start, 333'333);
    EXPECT_EQ(table.at(1).length, 333'333);
    EXPECT_EQ(table.at(2).start, 666'666);
    EXPECT_EQ(table.at(2).length, 333'334);
    EXPECT_EQ(table.at(2).end(), 1'000'000);

    table.splitInitial(4095, 3);
    ASSERT_EQ(table.size(), 1);
    EXPECT_EQ(table.at(0).length, 4095);

    table.splitInitial(4096, 3);
    ASSERT_EQ(table.size(), 3);
    EXPECT_EQ(table.at(2).start + table.at(2).length, 4096);
    EXPECT_EQ(table.at(2).length, 1366);
}

TEST(SegmentTable, RoomGrowsInWholeTens) {
    EXPECT_EQ(SegmentTable(3).capacity(), 10u);
    EXPECT_EQ(SegmentTable(10).capacity(), 10u);
    EXPECT_EQ(SegmentTable(11).capacity(), 20u);

    SegmentTable table(3);
    table.splitInitial(10'000'000, 3);
    for (int owner = 0; owner < 8; ++owner) {
        ASSERT_TRUE(table.splitLargest(20480, owner).has_value());
    }
    EXPECT_EQ(table.size(), 11);
    EXPECT_EQ(table.capacity(), 20u);
}

TEST(SegmentTable, SplitNeedsTwiceTheReceiveBufferAndKeepsTheLargerHalf) {
    {
        SegmentTable table(1);
        table.splitInitial(40'959, 1);
        ASSERT_TRUE(table.takeFree(0));
        EXPECT_FALSE(table.splitLargest(20480, 1).has_value());
        EXPECT_EQ(table.size(), 1);
    }
    {
        SegmentTable table(1);
        table.splitInitial(40'960, 1);
        ASSERT_TRUE(table.takeFree(0));
        const auto added = table.splitLargest(20480, 1);
        ASSERT_TRUE(added.has_value());
        EXPECT_EQ(table.at(0).length, 20'480);
        EXPECT_EQ(table.at(*added).start, 20'480);
        EXPECT_EQ(table.at(*added).length, 20'480);
        EXPECT_TRUE(table.at(*added).assigned);
        EXPECT_TRUE(table.at(*added).split);
        EXPECT_EQ(table.at(*added).owner, 1);
    }
    {
        // The largest remainder is cut, counted from what is already done; odd halves
        // leave the extra byte with the old segment.
        SegmentTable table(3);
        table.splitInitial(300'001, 3);
        table.claim(0, 10'000);
        table.claim(2, 99'998);
        const auto added = table.splitLargest(20480, 7);
        ASSERT_TRUE(added.has_value());
        EXPECT_EQ(table.at(1).length, 50'000);
        EXPECT_EQ(table.at(*added).start, 150'000);
        EXPECT_EQ(table.at(*added).length, 50'000);

        table.claim(1, 1);
        const auto next = table.splitLargest(20480, 8);
        ASSERT_TRUE(next.has_value());
        EXPECT_EQ(table.at(0).length, 10'000 + 45'000);
        EXPECT_EQ(table.at(*next).start, 55'000);
        EXPECT_EQ(table.at(*next).end(), 100'000);
    }
}

TEST(SegmentTable, ClaimsStopAtTheSegmentEnd) {
    SegmentTable table(2);
    table.splitInitial(10'000, 2);
    EXPECT_EQ(table.claim(0, 4'000), 4'000);
    EXPECT_EQ(table.claim(0, 4'000), 1'000);
    EXPECT_TRUE(table.at(0).finished());
    EXPECT_EQ(table.claim(0, 10), 0);
    EXPECT_EQ(table.at(1).offset(), 5'000);
    EXPECT_EQ(table.doneBytes(), 5'000);
    EXPECT_FALSE(table.allFinished());
}

TEST(SegmentTable, FinishedConnectionTakesTheNextFreeSegment) {
    SegmentTable table(3);
    table.splitInitial(1'000'000, 3);
    EXPECT_EQ(table.takeFree(0), 0);
    EXPECT_EQ(table.takeFree(1), 1);
    EXPECT_EQ(table.takeFree(2), 2);
    EXPECT_FALSE(table.takeFree(3).has_value());

    // Connection 2 fails part way: its segment stays in the table with what it wrote.
    table.claim(2, 1'000);
    table.commit(2, 1'000);
    table.release(2);
    // Connection 0 finishes its own and continues where connection 2 stopped.
    table.claim(0, 333'333);
    table.commit(0, 333'333);
    table.release(0);
    const auto next = table.takeFree(0);
    ASSERT_EQ(next, 2);
    EXPECT_EQ(table.at(2).offset(), 666'666 + 1'000);
    EXPECT_EQ(table.at(2).owner, 0);
    // A finished segment is never handed out again.
    table.commit(2, table.claim(2, 400'000));
    table.release(2);
    table.commit(1, table.claim(1, 333'333));
    table.release(1);
    EXPECT_FALSE(table.takeFree(0).has_value());
    EXPECT_TRUE(table.allFinished());
    EXPECT_EQ(table.doneBytes(), 1'000'000);
}

TEST(SegmentTable, BytesClaimedButNeverWrittenAreFetchedAgain) {
    SegmentTable table(1);
    table.splitInitial(100'000, 1);
    ASSERT_EQ(table.takeFree(0), 0);
    table.commit(0, table.claim(0, 30'000));
    table.claim(0, 20'000); // the write of these failed
    EXPECT_EQ(table.writtenParts(), (std::vector<tb::download::ByteRange>{{0, 30'000}}));
    table.release(0);
    EXPECT_EQ(table.at(0).offset(), 30'000);
    ASSERT_EQ(table.takeFree(1), 0);
    EXPECT_EQ(table.at(0).owner, 1);
}

TEST(SegmentTable, ResumedTableFetchesOnlyTheMissingRanges) {
    SegmentTable table(3);
    table.restoreMissing({{100, 300}, {700, 1000}});
    ASSERT_EQ(table.size(), 2);
    EXPECT_EQ(table.at(0).start, 100);
    EXPECT_EQ(table.at(0).length, 200);
    EXPECT_EQ(table.at(1).start, 700);
    EXPECT_EQ(table.at(1).end(), 1000);
    // A connection whose answer runs on from 300 finds no segment there; one from 700 does.
    EXPECT_FALSE(table.findAt(300).has_value());
    EXPECT_EQ(table.takeAt(700, 4), 1);
    EXPECT_TRUE(table.at(1).tried);
    EXPECT_FALSE(table.takeAt(700, 5).has_value()) << "it is taken now";
    table.commit(1, table.claim(1, 300));
    EXPECT_FALSE(table.findAt(1000).has_value());
    EXPECT_FALSE(table.findAt(700).has_value()) << "a finished segment goes on nowhere";
}

TEST(SegmentTable, UnknownLengthSettlesAtTheBytesReceived) {
    SegmentTable table(1);
    table.splitInitial(1'000'000'000, 1);
    table.claim(0, 12'345);
    EXPECT_FALSE(table.allFinished());
    table.settleLength(0);
    EXPECT_TRUE(table.allFinished());
    EXPECT_EQ(table.at(0).length, 12'345);
}

// A connection whose answer runs on past its segment goes on into the next one only when the
// server refused that range to the connection meant for it; until that is known it waits.
TEST(SegmentLedger, AnswerRunningOnGoesIntoTheNextSegmentOnlyWhenItsRangeWasRefused) {
    using tb::download::SegmentLedger;
    using namespace std::chrono_literals;
    const auto never = [] { return false; };
    const auto continuation = [&](SegmentLedger& ledger, const std::function<void()>& meanwhile) {
        std::optional<int> taken = -1;
        std::thread waiting([&] { taken = ledger.takeContinuation(100'000, 0, 20s, never); });
        std::this_thread::sleep_for(50ms);
        meanwhile();
        waiting.join();
        return taken;
    };
    {
        SCOPED_TRACE("the neighbour's range is honoured");
        SegmentLedger ledger(3);
        ledger.beginFresh(300'000, 3);
        ASSERT_EQ(ledger.takeFree(0), 0);
        ASSERT_EQ(ledger.takeFree(1), 1);
        EXPECT_FALSE(continuation(ledger, [&] { ledger.setReceiving(1); }).has_value());
    }
    {
        SCOPED_TRACE("the neighbour got the whole file instead");
        SegmentLedger ledger(3);
        ledger.beginFresh(300'000, 3);
        ASSERT_EQ(ledger.takeFree(0), 0);
        ASSERT_EQ(ledger.takeFree(1), 1);
        EXPECT_EQ(continuation(ledger,
                               [&] {
                                   ledger.refuseRanges();
                                   ledger.release(1);
                               }),
                  1);
    }
    {
        SCOPED_TRACE("the neighbour had not even started");
        SegmentLedger ledger(3);
        ledger.beginFresh(300'000, 3);
        ASSERT_EQ(ledger.takeFree(0), 0);
        EXPECT_EQ(continuation(ledger,
                               [&] {
                                   ASSERT_EQ(ledger.takeFree(1), 1);
                                   ledger.refuseRanges();
                                   ledger.release(1);
                               }),
                  1);
    }
    {
        SCOPED_TRACE("the neighbour failed otherwise, or never answers");
        SegmentLedger ledger(3);
        ledger.beginFresh(300'000, 3);
        ASSERT_EQ(ledger.takeFree(0), 0);
        ASSERT_EQ(ledger.takeFree(1), 1);
        ledger.release(1);
        EXPECT_FALSE(ledger.takeContinuation(100'000, 0, 20s, never).has_value());
        ASSERT_EQ(ledger.takeFree(2), 1);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(ledger.takeContinuation(100'000, 0, 100ms, never).has_value());
        EXPECT_FALSE(ledger.takeContinuation(100'000, 0, 20s, [] { return true; }).has_value());
        EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    }
}

} // namespace
