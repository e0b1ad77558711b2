#include "player/audition.h"

#include "catalogue/result_list.h"
#include "catalogue/song_detail.h"
#include "data/local_text.h"
#include "net/fetch_bytes.h"
#include "platform/events.h"
#include "platform/file_system.h"
#include "platform/folders.h"
#include "platform/memory.h"
#include "player/audition_rules.h"
#include "player/local_player.h"
#include "player/media_player.h"

namespace tb::player {
namespace {

constexpr int kTickMs = 1000;
constexpr int kLocalStartWaitMs = 20;

const std::string& noAddressText() {
    static const std::string text = Utf8ToLocal("无效地址，无法播放");
    return text;
}

const std::string& endedText() {
    static const std::string text = Utf8ToLocal("播放结束 重新选择");
    return text;
}

const std::string& localModeNotice() {
    static const std::string text =
        Utf8ToLocal("暂时不显示歌词！本地时间播放有问题！\r\n    现在显示为 整数 无法绝对控制！"
                    "\r\n  音量控制暂时关闭！");
    return text;
}

std::string oldTemporaryFile() {
    return platform::TemporaryFolder() + "dy.mp3";
}

// True when a raw response header block starts with a 2xx status line.
bool isSuccessReply(const std::string& headers) {
    const std::size_t space = headers.find(' ');
    return headers.rfind("HTTP/", 0) == 0 && space != std::string::npos &&
           headers.size() > space + 1 && headers[space + 1] == '2';
}

} // namespace

Audition::Audition(PlayerPage& page, ResultList& list, MediaPlayer& media, LocalPlayer& local)
    : m_page(page), m_list(list), m_media(media), m_local(local) {}

void Audition::AuditionSelectedRow() {
    m_failures = 0; // the user's own choice starts the count of failed random songs anew
    auditionRow();
}

void Audition::auditionRow() {
    platform::TrimWorkingSet();
    if (m_page.suggestionsVisible()) {
        m_page.hideSuggestions();
    }
    const platform::LatestRun::Ticket run = m_runs.start();
    ++m_auditionsStarted;
    const int row = m_list.selectedRow();
    if (row < 0) {
        return;
    }
    m_row = row;
    std::string image;
    std::string lyrics;
    const std::string playUrl =
        ResolveSongDetail(m_list.cell(row, kColUrl), image, lyrics, run.supersededCheck());
    if (run.superseded()) {
        return;
    }
    if (playUrl.empty()) {
        m_list.setCell(row, kColStatus, noAddressText());
        ++m_failures;
        if (m_page.randomNextTicked()) {
            PlayRandomRow();
        }
        return;
    }
    m_lyricLines = SplitLyricLines(lyrics);
    m_page.setLyrics("");
    net::FetchBytesArgs coverRequest;
    coverRequest.stopWaiting = run.supersededCheck();
    const std::string picture = net::FetchBytes(image, coverRequest);
    if (run.superseded()) {
        return;
    }
    m_page.setPicture(picture);
    m_page.setSongName(m_list.cell(row, kColName));
    m_media.close();
    stopPlayback();
    const bool opened = m_media.open(playUrl);
    if (run.superseded()) {
        return;
    }
    if (opened) {
        playStreaming(run);
    } else {
        playLocal(row, playUrl, run);
    }
}

void Audition::playStreaming(const Ticket& run) {
    platform::DeleteFile(oldTemporaryFile());
    m_local.stop();
    m_mode = AuditionMode::Streaming;
    m_failures = 0;
    m_page.modeChosen(m_mode);
    ApplyVolume();
    m_media.play(0);
    m_lengthMs = m_media.lengthMs();
    if (run.superseded()) {
        return;
    }
    const long long seconds = m_lengthMs / 1000;
    m_page.setTimeText(TotalTimeText(seconds));
    // A stream whose length is not known plays without timer, progress or lyrics.
    if (DurationText(seconds) != "00:00") {
        m_page.setTimerInterval(kTickMs);
    }
}

void Audition::playLocal(int row, const std::string& playUrl, const Ticket& run) {
    m_mode = AuditionMode::Local;
    m_reportedPercent = 0; // a report of the song before must not end this one
    m_page.modeChosen(m_mode);
    m_page.setProgress(0);
    const std::string copy = LocalCopyPath(platform::TemporaryFolder(), m_page.songName());
    const bool fetched = fetchLocalCopy(playUrl, copy, run);
    if (run.superseded()) {
        return;
    }
    m_failures = fetched ? 0 : m_failures + 1;
    m_page.setTimerInterval(kTickMs);
    platform::WaitProcessingEvents(kLocalStartWaitMs);
    if (run.superseded()) {
        return;
    }
    playLocalCopy();
    m_sourceDuration = m_list.cell(row, kColRawSeconds);
    m_page.setTimeText(TotalTimeText(LocalToInt(m_sourceDuration)));
}

// Writes the body of the play address into the local copy, whatever arrived (an empty or
// missing copy plays as a song that ends at once). True when a song came: a 2xx answer
// with a body, written whole.
bool Audition::fetchLocalCopy(const std::string& playUrl, const std::string& path,
                              const Ticket& run) {
    net::FetchBytesArgs request;
    request.stopWaiting = run.supersededCheck();
    const std::string body = net::FetchBytes(playUrl, request);
    if (run.superseded()) {
        return false;
    }
    const bool written = platform::WriteWholeFile(path, body);
    return written && !body.empty() && isSuccessReply(request.responseHeaders);
}

void Audition::playLocalCopy() {
    const std::string copy = LocalCopyPath(platform::TemporaryFolder(), m_page.songName());
    m_local.play(copy, m_page.progress(),
                 [this](int percent) { m_page.notifyLocalProgress(percent); });
}

void Audition::AuditionTick() {
    if (m_ticking) {
        return; // a tick that processes events must not run again inside itself
    }
    m_ticking = true;
    const unsigned auditions = m_auditionsStarted;
    if (m_mode == AuditionMode::Streaming) {
        tickStreaming();
    } else {
        tickLocal();
    }
    m_ticking = false;
    if (auditions == m_auditionsStarted && m_page.progress() >= 100) {
        endOfSong();
    }
}

void Audition::tickStreaming() {
    const double played = PlayedFraction(m_media.positionMs(), m_lengthMs);
    m_page.setProgress(ProgressPercent(played));
    const long long totalSeconds = m_media.lengthSeconds();
    const double elapsed = played * static_cast<double>(totalSeconds);
    m_page.setTimeText(TotalAndRemainingText(totalSeconds, elapsed));
    const unsigned auditions = m_auditionsStarted;
    for (std::size_t i = 0; i < m_lyricLines.size(); ++i) {
        if (LyricLineIsDue(m_lyricLines[i], elapsed)) {
            m_page.appendLyrics(LyricBoxText(m_lyricLines[i]));
        }
        platform::ProcessPendingEvents();
        if (auditions != m_auditionsStarted) {
            return; // another song took over while events ran
        }
    }
}

void Audition::tickLocal() {
    m_page.setProgress(static_cast<int>(m_reportedPercent)); // a whole percentage already
    const long long totalSeconds = LocalToInt(m_sourceDuration);
    const double elapsed = m_reportedPercent / 100.0 * static_cast<double>(totalSeconds);
    m_page.setTimeText(TotalAndRemainingText(totalSeconds, elapsed));
    m_page.setLyrics(localModeNotice());
}

void Audition::endOfSong() {
    m_media.close();
    m_page.setTimerInterval(0);
    m_page.setTimeText(endedText());
    if (m_page.randomNextTicked()) {
        PlayRandomRow();
    }
}

void Audition::OnLocalPlayerProgress(int percent) {
    m_reportedPercent = percent;
    if (percent != 100) {
        return;
    }
    m_local.stop();
    m_page.setTimeText(endedText());
    if (m_page.randomNextTicked()) {
        PlayRandomRow();
    }
}

void Audition::SeekAudition() {
    if (m_mode == AuditionMode::Streaming) {
        m_media.play(static_cast<long long>(m_page.progress()) * m_lengthMs / 100);
    } else {
        playLocalCopy();
    }
}

void Audition::ApplyVolume() {
    const int volume = VolumeFromSlider(m_page.volumePosition());
    m_media.setVolume(volume, volume);
    m_page.setVolumeText(VolumeLabelText(volume));
}

void Audition::StopAudition() {
    m_runs.supersedeAll();
    stopPlayback();
}

void Audition::stopPlayback() {
    if (m_mode == AuditionMode::Streaming) {
        m_media.stop();
        m_page.setTimerInterval(0);
    } else {
        m_local.stop(); // the timer keeps running
    }
}

void Audition::PlayRandomRow() {
    const int count = m_list.rowCount();
    if (count == 0 || m_failures >= RandomFailureLimit(count)) {
        return;
    }
    m_list.focus();
    const int row = PickRandomRow(count, m_random);
    m_list.selectRow(row);
    m_list.ensureVisible(row);
    auditionRow();
}

void Audition::CloseAudition() {
    m_runs.supersedeAll();
    platform::DeleteFile(oldTemporaryFile());
    m_local.stop();
    m_media.stop();
    m_media.close(); // an open still waiting for its media gives up
    m_page.setTimerInterval(0);
}

} // namespace tb::player
