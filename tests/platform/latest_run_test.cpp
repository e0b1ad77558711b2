// Newest-wins tickets for operations that may start again inside their own event passes.

#include "platform/events.h"

#include <gtest/gtest.h>

#include <optional>

namespace tb::platform {
namespace {

TEST(LatestRun, OnlyTheNewestRunGoesOnUntilAllAreDroppedOrRequestsAbandoned) {
    LatestRun runs;
    const LatestRun::Ticket first = runs.start();
    EXPECT_FALSE(first.superseded());
    const LatestRun::Ticket second = runs.start();
    const auto secondCheck = second.supersededCheck();
    EXPECT_TRUE(first.superseded());
    EXPECT_FALSE(second.superseded());
    EXPECT_FALSE(secondCheck());

    runs.supersedeAll();
    EXPECT_TRUE(second.superseded());
    EXPECT_TRUE(secondCheck());

    const LatestRun::Ticket third = runs.start();
    EXPECT_FALSE(third.superseded());
    AbandonWaitingRequests();
    EXPECT_TRUE(RequestsAbandoned());
    EXPECT_TRUE(third.superseded());
    ResumeRequests();
    EXPECT_FALSE(third.superseded());
}

TEST(LatestRun, ATicketStaysUsableAfterItsRunsAreGone) {
    std::optional<LatestRun> runs(std::in_place);
    const auto check = runs->start().supersededCheck();
    runs.reset();
    EXPECT_FALSE(check());
}

} // namespace
} // namespace tb::platform
