// The download area's events: the batch command of src/batch over the main window's
// save-folder box, plug-in switch and result list, with the program's download worker.

#include "app/batch_operations.h"

#include "app/app_state.h"
#include "app/main_window.h"
#include "batch/batch_download.h"
#include "batch/plugin_handoff.h"
#include "data/qt_local_text.h"
#include "download/download_engine.h"
#include "download/download_worker.h"
#include "plugin/plugin_image.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

namespace tb::app {
namespace {

class WindowDownloadControls : public batch::DownloadControls {
public:
    explicit WindowDownloadControls(MainWindow& window) : m_window(window) {}
    std::string saveFolder() const override {
        return QStringToLocal(m_window.编辑框_保存目录->text());
    }
    void setSaveFolder(const std::string& folder) override {
        m_window.编辑框_保存目录->setText(LocalToQString(folder));
    }
    bool pluginSwitchTicked() const override { return m_window.选择框1->isChecked(); }
    bool writeSongTags() const override { return m_window.写入歌曲标签->isChecked(); }
    bool saveLyricsFile() const override { return m_window.保存歌词文件->isChecked(); }

private:
    MainWindow& m_window;
};

// The program's one worker, looked up at each use: the start-up may make it anew.
class ProgramRowDownloader : public batch::RowDownloader {
public:
    void StartRowDownload(const std::string& playUrl, const std::string& targetPath, int row,
                          download::PublishStep publish) override {
        if (download::DownloadWorker* worker = appState().downloadWorker.get()) {
            worker->StartRowDownload(playUrl, targetPath, row, std::move(publish));
        }
    }
    bool busy() const override { return DownloadBusy.load(); }
    bool downloading() const override {
        const download::DownloadEngine* engine = appState().downloadEngine.get();
        return engine != nullptr && engine->running();
    }
};

// How often the window looks for helpers that have ended.
constexpr int kHelperReapMs = 250;

} // namespace

// The batch state of one main window, made on its first download event. Helpers outlive
// the command, so a timer of the window keeps reaping them and recording the lost ones.
class WindowBatch {
public:
    explicit WindowBatch(MainWindow& window)
        : controls(window), batch({window.resultList(), controls, downloader}) {
        QObject::connect(&reapTimer, &QTimer::timeout, &window, [this] { batch.reapHelpers(); });
        reapTimer.start(kHelperReapMs);
    }

    WindowDownloadControls controls;
    ProgramRowDownloader downloader;
    batch::BatchDownload batch;
    QTimer reapTimer;
};

void DestroyWindowObject(WindowBatch* object) {
    delete object;
}

namespace {

WindowBatch& batchOf(MainWindow& window) {
    WindowObject<WindowBatch>& object = window.batchObject();
    if (!object) {
        object.reset(new WindowBatch(window));
    }
    return *object;
}

} // namespace

void DownloadTickedSongs(MainWindow& window) {
    batchOf(window).batch.DownloadTickedSongs();
}

void OnPluginSwitchClicked(MainWindow&, bool ticked) {
    batch::OnPluginSwitchClicked(ticked, plugin::EmbeddedPluginImage);
}

} // namespace tb::app
