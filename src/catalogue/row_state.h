#pragma once
// What a result row shows of its download: the status kind of the "下载状态" column and the
// byte counts behind the "已下载进度" column, turned into their texts when they are read.
// Header only, so the download engine's worker can report values without the catalogue
// library.

#include "data/local_text.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace tb {

enum class RowStatus : std::uint8_t {
    None,          // nothing written yet: empty text
    Initialising,  // "初始化"
    Downloading,   // "下载中"
    Complete,      // "下载完成"
    FailedTask,    // "出错任务"
    ExistsLocally, // "本地存在"
    Text           // any other text a command wrote into the column
};

// The counts of one progress report of a task.
struct DownloadProgress {
    std::int64_t bytesWritten = 0;
    std::int64_t totalSize = 0; // 0 while the task has not reported its size
    std::int64_t bytesSincePrevious = 0;
};

struct RowState {
    RowStatus status = RowStatus::None;
    std::string statusText;                   // the text of RowStatus::Text
    std::optional<DownloadProgress> progress; // the last progress report, if any
    std::string progressText;                 // a text written instead of a report
};

// "45% + 123.40KB": bytes written against the total (no decimals), then the kilobytes
// received since the previous report (two decimals); both rounded half away from zero, the
// percentage not clamped. "0% + ..." while the total is not known.
inline std::string ProgressText(const DownloadProgress& progress) {
    const double percent = progress.totalSize > 0
                               ? static_cast<double>(progress.bytesWritten) /
                                     static_cast<double>(progress.totalSize) * 100
                               : 0.0;
    // Hundredths of a kilobyte: bytes * 100 / 1024 is exact in a double, so the rounding
    // sees the true half.
    const long long hundredths =
        std::llround(static_cast<double>(progress.bytesSincePrevious) * 100.0 / 1024.0);
    char text[64];
    std::snprintf(text, sizeof text, "%lld%% + %lld.%02lldKB", std::llround(percent),
                  hundredths / 100, hundredths % 100);
    return text;
}

// The local text of a status kind; empty for None and Text.
inline const std::string& StatusKindText(RowStatus status) {
    static const std::string kEmpty;
    static const std::string kInitialising = Utf8ToLocal("初始化");
    static const std::string kDownloading = Utf8ToLocal("下载中");
    static const std::string kComplete = Utf8ToLocal("下载完成");
    static const std::string kFailedTask = Utf8ToLocal("出错任务");
    static const std::string kExistsLocally = Utf8ToLocal("本地存在");
    switch (status) {
    case RowStatus::Initialising:
        return kInitialising;
    case RowStatus::Downloading:
        return kDownloading;
    case RowStatus::Complete:
        return kComplete;
    case RowStatus::FailedTask:
        return kFailedTask;
    case RowStatus::ExistsLocally:
        return kExistsLocally;
    case RowStatus::None:
    case RowStatus::Text:
        break;
    }
    return kEmpty;
}

// The "下载状态" column.
inline std::string StatusCellText(const RowState& state) {
    return state.status == RowStatus::Text ? state.statusText : StatusKindText(state.status);
}

// The "已下载进度" column.
inline std::string ProgressCellText(const RowState& state) {
    return state.progress ? ProgressText(*state.progress) : state.progressText;
}

} // namespace tb
