// Start-up: the instance guard's questions and answers, the skin chosen on the command line,
// and the state the main window is left in.

#include "app/app_state.h"
#include "app/instance_guard.h"
#include "app/main_window.h"
#include "app/operations.h"
#include "app/picture_window.h"
#include "app/startup.h"
#include "app_test_support.h"
#include "catalogue/result_list.h"
#include "data/local_text.h"
#include "download/download_engine.h"
#include "download/download_worker.h"

#include <limits>

namespace tb::app::test {
namespace {

using platform::PromptAnswer;
using platform::PromptButtons;

const std::vector<std::string> kTwoCopies = {"systemd", "tunebatch", "bash", "tunebatch"};

struct StartupRun {
    StartupResult result;
    std::vector<int> skins;
    std::vector<ScriptedPrompt::Question> asked;
};

StartupRun runStartup(std::vector<std::string> processes, std::vector<std::string> arguments,
                      std::deque<PromptAnswer> answers) {
    auto prompt = std::make_shared<ScriptedPrompt>(std::move(answers));
    platform::setPrompt(prompt);
    StartupRun run;
    StartupHooks hooks{[&] { return processes; }, [] { return std::string("tunebatch"); },
                       [&](int skin) { run.skins.push_back(skin); }};
    MainWindow window;
    run.result = RunStartup(window, arguments, hooks);
    run.asked = prompt->asked;
    ReleaseDownloadEngine(); // its worker writes into this window's list
    return run;
}

bool isRandomSkin(int skin) {
    return skin == 11 || skin == 12;
}

TEST_F(AppTest, GuardCountsProcessesWhoseNameOccursInTheProgramName) {
    // The program itself is one hit; "batch" is inside "tunebatch" and counts as a copy,
    // a longer name never does, and an empty name is no name at all.
    EXPECT_EQ(RunInstanceGuard({"init", "tunebatch", "bash"}, "tunebatch"),
              GuardDecision::NoOtherCopy);
    EXPECT_EQ(RunInstanceGuard({"tunebatch", "tunebatch-old", "Tunebatch"}, "tunebatch"),
              GuardDecision::NoOtherCopy);
    EXPECT_EQ(RunInstanceGuard({"tunebatch", "", ""}, "tunebatch"), GuardDecision::NoOtherCopy);
    EXPECT_EQ(RunInstanceGuard({}, "tunebatch"), GuardDecision::NoOtherCopy);

    auto prompt = std::make_shared<ScriptedPrompt>(std::deque{PromptAnswer::No});
    platform::setPrompt(prompt);
    EXPECT_EQ(RunInstanceGuard({"batch", "tunebatch"}, "tunebatch"), GuardDecision::EndProgram);
    EXPECT_EQ(prompt->asked.size(), 1u);
}

TEST_F(AppTest, WithNoOtherCopyNoBoxIsShownAndTheCommandLineSkinApplies) {
    const StartupRun run = runStartup({"init", "tunebatch"}, {"TS", "5"}, {});
    EXPECT_EQ(run.result, StartupResult::Running);
    EXPECT_TRUE(run.asked.empty());
    ASSERT_EQ(run.skins.size(), 2u);
    EXPECT_TRUE(isRandomSkin(run.skins[0]));
    EXPECT_EQ(run.skins[1], 5);
}

TEST_F(AppTest, AnsweringNoToTheFirstQuestionEndsTheProgram) {
    const StartupRun run = runStartup(kTwoCopies, {"TS", "5"}, {PromptAnswer::No});
    EXPECT_EQ(run.result, StartupResult::EndProgram);
    ASSERT_EQ(run.asked.size(), 1u);
    EXPECT_EQ(run.asked[0].title, Utf8ToLocal("询问你要不要多开啊:"));
    EXPECT_EQ(run.asked[0].text, Utf8ToLocal("程序已经运行了，是否多开？"));
    EXPECT_EQ(run.asked[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(run.skins.size(), 1u);
}

TEST_F(AppTest, YesThenCancelEndsTheProgram) {
    const StartupRun run =
        runStartup(kTwoCopies, {"TS", "5"}, {PromptAnswer::Yes, PromptAnswer::Cancel});
    EXPECT_EQ(run.result, StartupResult::EndProgram);
    ASSERT_EQ(run.asked.size(), 2u);
    EXPECT_EQ(run.asked[1].title, Utf8ToLocal("信息："));
    EXPECT_EQ(run.asked[1].text,
              Utf8ToLocal("多开后不建议，批量访问下载 这样网络将会最大输出，可能会造成其他软件网络"
                          "波动(断开),\r\n\r\n     你确定想好了 - 多开 - 了吗？"));
    EXPECT_EQ(run.asked[1].buttons, PromptButtons::OkCancel);
}

TEST_F(AppTest, YesThenOkKeepsRunningWithoutTheCommandLineSkin) {
    const StartupRun run = runStartup(kTwoCopies, {"TS", "5"},
                                      {PromptAnswer::Yes, PromptAnswer::Ok, PromptAnswer::Ok});
    EXPECT_EQ(run.result, StartupResult::Running);
    ASSERT_EQ(run.asked.size(), 3u);
    EXPECT_EQ(run.asked[2].title, Utf8ToLocal("信息："));
    EXPECT_EQ(run.asked[2].text, Utf8ToLocal("其实我是不建议多开的。哎！！！！"));
    EXPECT_EQ(run.asked[2].buttons, PromptButtons::Ok);
    ASSERT_EQ(run.skins.size(), 1u);
    EXPECT_TRUE(isRandomSkin(run.skins[0]));
}

TEST_F(AppTest, OnlyAnExactTsFollowedByANumberChoosesASkin) {
    EXPECT_EQ(SkinChoice({"TS", "5"}), 5);
    EXPECT_EQ(SkinChoice({"TS", "7", "extra"}), 7);
    EXPECT_EQ(SkinChoice({"TS", "abc"}), 0);
    EXPECT_EQ(SkinChoice({"TS", "-3"}), -3);
    // 2^32 + 5 must not wrap onto skin 5.
    EXPECT_EQ(SkinChoice({"TS", "4294967301"}), std::numeric_limits<int>::max());
    EXPECT_EQ(SkinChoice({"TS", "-4294967301"}), std::numeric_limits<int>::min());
    EXPECT_EQ(SkinChoice({"ts", "5"}), std::nullopt);
    EXPECT_EQ(SkinChoice({"TS"}), std::nullopt);
    EXPECT_EQ(SkinChoice({"5", "TS"}), std::nullopt);
    EXPECT_EQ(SkinChoice({}), std::nullopt);
}

TEST_F(AppTest, StartUpLeavesATranslucentWindowAHiddenPictureWindowAndAnIdleEngine) {
    MainWindow window;
    StartupHooks hooks{[] { return std::vector<std::string>{"tunebatch"}; },
                       [] { return std::string("tunebatch"); }, [](int) {}};
    window.show();
    ASSERT_EQ(RunStartup(window, {}, hooks), StartupResult::Running);
    EXPECT_NEAR(window.windowOpacity(), 210.0 / 255.0, 0.01);
    ASSERT_NE(window.pictureWindow(), nullptr);
    EXPECT_FALSE(window.pictureWindow()->isVisible());

    AppState& state = appState();
    ASSERT_NE(state.downloadEngine, nullptr);
    EXPECT_FALSE(state.downloadEngine->running());
    EXPECT_EQ(state.downloadEngine->bytesWritten(), 0);
    // The worker reports into this window's list.
    ASSERT_NE(state.downloadWorker, nullptr);
    const int row = window.resultList().appendRow();
    state.downloadWorker->beginRow(row);
    std::string target;
    state.downloadWorker->OnDownloadEvent(download::kEventTargetExists, 0, 0, 0, target);
    EXPECT_TRUE(waitFor(
        [&] { return window.resultList().cell(row, kColStatus) == Utf8ToLocal("本地存在"); }));
    ReleaseDownloadEngine();
}

TEST_F(AppTest, CreatedEventFinishesTheSetUpInItsFixedOrder) {
    MainWindow window;
    window.show();
    std::vector<std::string> steps;
    // Each hook notes which of the earlier steps have already happened.
    const auto setUpSoFar = [&] {
        std::string seen;
        seen += window.windowOpacity() < 1.0 ? " translucent" : "";
        seen += appState().downloadEngine != nullptr ? " engine" : "";
        seen += window.pictureWindow() != nullptr && !window.pictureWindow()->isVisible()
                    ? " hidden-picture"
                    : "";
        return seen;
    };
    StartupHooks hooks{
        [&] {
            steps.push_back("guard:" + setUpSoFar());
            return std::vector<std::string>{"tunebatch"};
        },
        [] { return std::string("tunebatch"); },
        [&](int skin) { steps.push_back("skin " + std::to_string(skin) + ":" + setUpSoFar()); }};
    ASSERT_EQ(RunStartup(window, {"TS", "3"}, hooks), StartupResult::Running);
    ReleaseDownloadEngine();

    ASSERT_EQ(steps.size(), 3u);
    EXPECT_TRUE(steps[0] == "skin 11:" || steps[0] == "skin 12:") << steps[0];
    EXPECT_EQ(steps[1], "guard: translucent engine hidden-picture");
    EXPECT_EQ(steps[2], "skin 3: translucent engine hidden-picture");
}

TEST_F(AppTest, ExitRoutineReleasesTheProcessWideState) {
    MainWindow window;
    StartupHooks hooks{[] { return std::vector<std::string>{}; },
                       [] { return std::string("tunebatch"); }, [](int) {}};
    AppState& state = appState();
    state.arguments = {"TS", "5"};
    ASSERT_EQ(RunStartup(window, state.arguments, hooks), StartupResult::Running);
    ASSERT_NE(state.downloadEngine, nullptr);

    RunExitRoutine();
    EXPECT_EQ(state.downloadEngine, nullptr);
    EXPECT_EQ(state.downloadWorker, nullptr);
    EXPECT_TRUE(state.arguments.empty());
    RunExitRoutine(); // a second run finds nothing left to release
    EXPECT_EQ(state.downloadEngine, nullptr);
}

} // namespace
} // namespace tb::app::test
