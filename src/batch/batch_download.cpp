#include "batch/batch_download.h"

#include "batch/plugin_handoff.h"
#include "batch/song_publish_step.h"
#include "catalogue/song_detail.h"
#include "data/local_text.h"
#include "platform/disk_space.h"
#include "platform/events.h"
#include "platform/file_system.h"
#include "platform/prompt.h"
#include "plugin/plugin_records.h"

#include <chrono>
#include <cstdio>

namespace tb::batch {
namespace {

constexpr char kSeparator = '/';
constexpr int kPauseBeforeStartMs = 50;
constexpr const char* kSongExtension = ".mp3";

bool isZero(double bytes) {
    return static_cast<long long>(bytes) == 0;
}

std::string byteCountText(double bytes) {
    char text[64];
    std::snprintf(text, sizeof text, "%.0f", bytes);
    return text;
}

} // namespace

struct BatchDownload::Run {
    std::string usedNames; // every name saved under so far, each followed by ","
    bool startedInternally = false;
};

void BatchDownload::DownloadTickedSongs() {
    const std::string saveFolder = prepareSaveFolder();
    m_random.seed(static_cast<std::mt19937::result_type>(
        std::chrono::system_clock::now().time_since_epoch().count()));
    const int rowCount = m_parts.list.rowCount();
    const double totalBytes = tickedTotalBytes(rowCount);
    if (!isZero(totalBytes) && !confirmed(saveFolder, totalBytes)) {
        return;
    }
    Run run;
    for (int row = 0; row < rowCount && !ending(); ++row) {
        if (m_parts.list.isTicked(row)) {
            downloadRow(row, run);
        }
        platform::ProcessPendingEvents();
    }
    // The user is told "done" only when the last song is really there.
    if (run.startedInternally) {
        waitForLastDownload();
    }
    if (!isZero(totalBytes) && !ending()) {
        platform::ShowPrompt(Utf8ToLocal("执行完成；查看即可！！！！"));
    }
}

// The folder ends in the separator (written back into the box) and exists, as far as one
// new level can make it so.
std::string BatchDownload::prepareSaveFolder() {
    std::string folder = m_parts.controls.saveFolder();
    if (folder.empty() || folder.back() != kSeparator) {
        folder += kSeparator;
        m_parts.controls.setSaveFolder(folder);
    }
    platform::CreateFolder(folder);
    return folder;
}

double BatchDownload::tickedTotalBytes(int rowCount) {
    double total = 0;
    for (int row = 0; row < rowCount; ++row) {
        if (m_parts.list.isTicked(row)) {
            total += static_cast<double>(LocalToInt(m_parts.list.cell(row, kColRawBytes)));
        }
        platform::ProcessPendingEvents();
    }
    return total;
}

bool BatchDownload::confirmed(const std::string& saveFolder, double totalBytes) {
    const long long freeKb = platform::FreeSpaceKb(saveFolder);
    const std::string freeText = SizeText(byteCountText(static_cast<double>(freeKb) * 1024));
    const std::string question =
        Utf8ToLocal("你要保存的磁盘(") + platform::MountPointOf(saveFolder) +
        Utf8ToLocal(")剩余空间是：[") + freeText + Utf8ToLocal("]\r\n你下载的文件一共有：[") +
        SizeText(byteCountText(totalBytes)) + Utf8ToLocal("] 是否下载？");
    return platform::ShowPrompt(question, platform::PromptButtons::YesNo) ==
           platform::PromptAnswer::Yes;
}

void BatchDownload::downloadRow(int row, Run& run) {
    ResultList& list = m_parts.list;
    const std::string address = list.cell(row, kColUrl);
    const SongDetail detail = ResolveSongDetailValue(address);
    const std::string& playUrl = detail.playUrl;
    if (ending()) {
        return; // the request was abandoned, the address may be fine
    }
    if (playUrl.empty()) {
        list.setCell(row, kColStatus, Utf8ToLocal("错误地址"));
        list.ensureVisible(row);
        return;
    }
    const std::string name = markedIfUsed(list.cell(row, kColName), run.usedNames);
    run.usedNames += name + ",";
    const std::string fileName = SafeFileName(name) + kSongExtension;
    if (!waitWhileBusy()) {
        return;
    }
    const tags::SongExtras extras = songExtras(detail, list.cell(row, kColName));
    if (m_parts.controls.pluginSwitchTicked()) {
        handToPlugin(row, fileName, address, extras);
    } else {
        handToWorker(row, fileName, playUrl, extras, run);
    }
}

// The extras the download options ask for, from the play information resolved for the row.
tags::SongExtras BatchDownload::songExtras(const SongDetail& detail,
                                           const std::string& rowName) const {
    tags::SongExtras extras;
    extras.writeTags = m_parts.controls.writeSongTags();
    extras.saveLyricsFile = m_parts.controls.saveLyricsFile();
    if (extras.any()) {
        extras.rowName = rowName;
        extras.songName = detail.songName;
        extras.authorName = detail.authorName;
        extras.albumName = detail.albumName;
        extras.imageUrl = detail.imageUrl;
        extras.lyrics = detail.lyrics;
    }
    return extras;
}

// A name found anywhere in the used names (a plain substring: "Love" after "Love Story"
// too) gets "(" + two random capital letters + ")", once, without a second check.
std::string BatchDownload::markedIfUsed(std::string name, std::string& usedNames) {
    if (!ContainsLocal(usedNames, name)) {
        return name;
    }
    std::uniform_int_distribution<int> letter('A', 'Z');
    name += '(';
    name += static_cast<char>(letter(m_random));
    name += static_cast<char>(letter(m_random));
    name += ')';
    return name;
}

// The row shows "回调已启动" once there is room for its helper; after the launch it is
// unticked, shown and selected with "未知状态~", or "出错任务" when no helper could start.
void BatchDownload::handToPlugin(int row, const std::string& fileName, const std::string& address,
                                 const tags::SongExtras& extras) {
    if (!waitForHelperRoom()) {
        return;
    }
    ResultList& list = m_parts.list;
    list.setCell(row, kColProgress, Utf8ToLocal("回调已启动"));
    const std::string targetPath = m_parts.controls.saveFolder() + fileName;
    m_helpers.beginLaunch();
    const PluginLaunch launch = LaunchPluginDownload(targetPath, address, extras);
    m_helpers.endLaunch();
    HelperJob job{row, address, targetPath, launch.playUrl.empty() ? address : launch.playUrl};
    if (launch.helper) {
        m_helpers.add(*launch.helper, std::move(job));
        list.setCell(row, kColStatus, Utf8ToLocal("未知状态~"));
    } else if (!ending()) {
        recordLostSong(job);
    }
    list.setTicked(row, false);
    list.ensureVisible(row);
    list.selectRow(row);
}

// False when the program is ending meanwhile.
bool BatchDownload::waitForHelperRoom() {
    reapHelpers();
    while (!m_helpers.hasRoom() && !ending()) {
        platform::WaitProcessingEvents(kBatchPollMs);
        reapHelpers();
    }
    return !ending();
}

void BatchDownload::reapHelpers() {
    for (const HelperJob& job : m_helpers.reapEnded()) {
        recordLostSong(job);
    }
}

void BatchDownload::waitForHelpers() {
    reapHelpers();
    while (m_helpers.alive() > 0) {
        platform::WaitProcessingEvents(kBatchPollMs);
        reapHelpers();
    }
}

// The error record the helper would have written, and the row's status, unless the row
// shows another song by now (a new search filled the list meanwhile).
void BatchDownload::recordLostSong(const HelperJob& job) {
    plugin::AppendErrorRecord(job.targetPath, job.playUrl);
    ResultList& list = m_parts.list;
    if (job.row < list.rowCount() && list.cell(job.row, kColUrl) == job.rowAddress) {
        list.setCell(job.row, kColStatus, Utf8ToLocal("出错任务"));
    }
}

void BatchDownload::handToWorker(int row, const std::string& fileName, const std::string& playUrl,
                                 const tags::SongExtras& extras, Run& run) {
    platform::WaitProcessingEvents(kPauseBeforeStartMs);
    if (ending()) {
        return;
    }
    m_parts.downloader.StartRowDownload(playUrl, m_parts.controls.saveFolder() + fileName, row,
                                        SongPublishStep(extras));
    run.startedInternally = true;
}

bool BatchDownload::ending() {
    return platform::RequestsAbandoned();
}

// False when the program is ending meanwhile.
bool BatchDownload::waitWhileBusy() {
    while (m_parts.downloader.busy() && !ending()) {
        platform::WaitProcessingEvents(kBatchPollMs);
    }
    return !ending();
}

void BatchDownload::waitForLastDownload() {
    while (m_parts.downloader.downloading() && !ending()) {
        platform::WaitProcessingEvents(kBatchPollMs);
    }
    // The final report's row updates are queued for this thread; let them land first.
    platform::ProcessPendingEvents();
}

} // namespace tb::batch
