#pragma once
// Helpers shared by the application tests.

#include "app/app_state.h"
#include "platform/prompt.h"
#include "skins/skins.h"

#include <QString>
#include <QTest>
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace tb::app::test {

inline QString qs(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Waits, processing events, until the condition holds; false after the time-out.
template <typename Condition> bool waitFor(Condition condition, int timeoutMs = 5000) {
    return QTest::qWaitFor(condition, timeoutMs);
}

// Answers message boxes from a script and records what was asked.
class ScriptedPrompt : public platform::Prompt {
public:
    struct Question {
        std::string text;
        std::string title;
        platform::PromptButtons buttons;
    };

    explicit ScriptedPrompt(std::deque<platform::PromptAnswer> answers)
        : m_answers(std::move(answers)) {}

    platform::PromptAnswer ask(const std::string& text, const std::string& title,
                               platform::PromptButtons buttons) override {
        asked.push_back({text, title, buttons});
        if (m_answers.empty()) {
            ADD_FAILURE() << "unexpected message box: " << text;
            return platform::PromptAnswer::Cancel;
        }
        const platform::PromptAnswer answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }

    std::vector<Question> asked;

private:
    std::deque<platform::PromptAnswer> m_answers;
};

// Every test starts from the process-wide state of a fresh start.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        appState() = AppState();
        skins::UnloadSkins();
        skins::ApplyBaseSheet();
    }
    void TearDown() override {
        // Before the test's window goes: the download worker writes into its list.
        ReleaseDownloadEngine();
        platform::setPrompt(nullptr);
        appState() = AppState();
    }
};

} // namespace tb::app::test
