#include "player/local_player.h"

#include "data/local_text.h"

#include <QUrl>

#include <algorithm>

namespace tb::player {
namespace {

constexpr int kLastPercentBeforeEnd = 99;
constexpr qint64 kStartToleranceMs = 500;
constexpr int kStartAttempts = 5;
constexpr int kReportsPerAttempt = 5; // positions come about every 100 ms

} // namespace

LocalPlayer::LocalPlayer() {
    m_player.setAudioOutput(&m_output);
    QObject::connect(&m_player, &QMediaPlayer::positionChanged, &m_receiver,
                     [this](qint64 position) { onPosition(position); });
    QObject::connect(&m_player, &QMediaPlayer::mediaStatusChanged, &m_receiver,
                     [this](QMediaPlayer::MediaStatus status) { onStatus(status); });
    QObject::connect(&m_player, &QMediaPlayer::errorOccurred, &m_receiver, [this] { report(100); });
}

// The receiver goes first (members are destroyed in reverse order), which cuts the
// player's signals off before the player itself stops.
LocalPlayer::~LocalPlayer() = default;

void LocalPlayer::play(const std::string& path, int fromPercent, ProgressTarget target) {
    stop();
    m_target = std::move(target);
    m_startPercent = std::clamp(fromPercent, 0, 100);
    m_startPending = m_startPercent > 0;
    m_startAttempts = 0;
    m_reportsSinceStart = 0;
    // Muted until the start position is reached, so the song's beginning is not heard.
    m_output.setMuted(m_startPending);
    m_player.setSource(QUrl::fromLocalFile(QString::fromStdString(LocalToUtf8(path))));
    m_player.play();
}

// The player's own reports while it stops belong to the old run, which ends after them.
void LocalPlayer::stop() {
    m_player.stop();
    m_player.setSource(QUrl());
    ++m_run;
    m_lastReported = -1;
    m_ended = false;
    m_startPending = false;
}

bool LocalPlayer::playing() const {
    return m_player.playbackState() == QMediaPlayer::PlayingState;
}

// Goes to the start position once the file plays and its length is known: the back end
// reports the length only after the file has started, and may drop a position set while it
// settles, so the position is set again (every few reports) until the file gets there.
// Returns true once the file plays from there; nothing is heard or reported before.
bool LocalPlayer::reachStartPosition(qint64 positionMs) {
    if (!m_startPending) {
        return true;
    }
    const qint64 duration = m_player.duration();
    if (duration <= 0 || m_player.mediaStatus() != QMediaPlayer::BufferedMedia) {
        return false;
    }
    const qint64 target = duration * m_startPercent / 100;
    if (positionMs >= target - kStartToleranceMs || m_startAttempts >= kStartAttempts) {
        m_startPending = false;
        m_output.setMuted(false);
        return true;
    }
    if (m_reportsSinceStart++ % kReportsPerAttempt == 0) {
        ++m_startAttempts;
        m_player.setPosition(target);
    }
    return false;
}

void LocalPlayer::onPosition(qint64 positionMs) {
    if (!reachStartPosition(positionMs)) {
        return;
    }
    const qint64 duration = m_player.duration();
    if (duration <= 0) {
        return;
    }
    // 100 is kept for the end itself.
    report(static_cast<int>(std::min<qint64>(positionMs * 100 / duration, kLastPercentBeforeEnd)));
}

void LocalPlayer::onStatus(QMediaPlayer::MediaStatus status) {
    if (status == QMediaPlayer::EndOfMedia || status == QMediaPlayer::InvalidMedia) {
        report(100);
    }
}

void LocalPlayer::report(int percent) {
    if (m_ended || percent == m_lastReported || m_player.source().isEmpty()) {
        return;
    }
    m_lastReported = percent;
    m_ended = percent == 100;
    const unsigned run = m_run;
    QMetaObject::invokeMethod(
        &m_receiver,
        [this, run, percent] {
            if (run != m_run || !m_target) {
                return;
            }
            // The target may play another file, which replaces m_target.
            const ProgressTarget target = m_target;
            target(percent);
        },
        Qt::QueuedConnection);
}

} // namespace tb::player
