#pragma once
// The batch command over a plain result list: the stand-in catalogue answers the play
// information, a real nginx serves the audio, and the program's download worker fetches it.

#include "batch/batch_download.h"
#include "batch/download_controls.h"
#include "data/local_text.h"
#include "download/download_engine.h"
#include "download/download_worker.h"
#include "download/shared_nginx_test.h"
#include "platform/prompt.h"
#include "standin_server.h"
#include "support/plain_result_list.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tb::test {

using batch::PlainDownloadControls;

// Answers questions as told and keeps every text it was shown (local text).
class ScriptedPrompt : public platform::Prompt {
public:
    platform::PromptAnswer ask(const std::string& text, const std::string&,
                               platform::PromptButtons buttons) override {
        texts.push_back(text);
        if (onAsk) {
            onAsk(text);
        }
        if (buttons == platform::PromptButtons::YesNo) {
            return answerYes ? platform::PromptAnswer::Yes : platform::PromptAnswer::No;
        }
        return platform::PromptAnswer::Ok;
    }
    bool answerYes = true;
    std::vector<std::string> texts;
    std::function<void(const std::string&)> onAsk;
};

// Keeps every row made visible, in order.
class VisibleRowsList : public PlainResultList {
public:
    void ensureVisible(int row) override {
        PlainResultList::ensureVisible(row);
        std::lock_guard lock(m_visibleMutex);
        m_visible.push_back(row);
    }
    std::vector<int> visibleRows() const {
        std::lock_guard lock(m_visibleMutex);
        return m_visible;
    }

private:
    mutable std::mutex m_visibleMutex;
    std::vector<int> m_visible;
};

struct TestSong {
    std::string name;          // UTF-8
    std::size_t bytes = 30000; // audio size
    std::string sizeText = ""; // column 10; "" gives the audio size
    bool playable = true;
    std::string singer = {}; // the play information's author, album, cover and lyrics
    std::string album = {};
    std::string cover = {};
    std::string lyrics = {};
};

class BatchTest : public SharedNginxTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the stand-in with these songs, their audio on nginx under audioFolder
    // ("" for the root), and lists them ticked.
    void listSongs(const std::vector<TestSong>& songs, const std::string& audioFolder = "");
    // The batch command over the list, the controls and the worker, with at most
    // maxHelpers helpers at once. The command stays until the test ends, which waits for
    // its helpers.
    void runBatch(int maxHelpers = batch::kMaxHelpers);
    batch::BatchDownload& lastBatch() { return *m_command; }

    std::string audioOf(int row) const { return m_audio.at(row); }
    // The save folder's files, UTF-8 names.
    std::vector<std::string> savedFiles() const;
    std::string readFile(const std::filesystem::path& path) const;
    std::filesystem::path saveFolder() const { return m_folder.path() / "歌曲"; }
    int playInfoRequests() const;

    std::unique_ptr<standin::StandinServer> standin;
    VisibleRowsList list;
    PlainDownloadControls controls;
    std::shared_ptr<ScriptedPrompt> prompt;
    download::DownloadEngine engine;
    std::unique_ptr<download::DownloadWorker> worker;

private:
    std::vector<std::string> m_audio;
    std::unique_ptr<batch::WorkerRowDownloader> m_downloader;
    std::unique_ptr<batch::BatchDownload> m_command;
};

// UTF-8 literal -> local text.
inline std::string L(const std::string& utf8) {
    return Utf8ToLocal(utf8);
}

} // namespace tb::test
