#include "player/media_player.h"

#include "catalogue/catalogue_addresses.h"
#include "data/local_text.h"
#include "player/wait_until.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>

#include <algorithm>

namespace tb::player {
namespace {

QUrl mediaUrl(const std::string& address) {
    const QString text = QString::fromStdString(LocalToUtf8(address));
    return IsWebAddress(address) ? QUrl(text) : QUrl::fromLocalFile(text);
}

bool stillLoading(const QMediaPlayer& player) {
    const QMediaPlayer::MediaStatus status = player.mediaStatus();
    return status == QMediaPlayer::NoMedia || status == QMediaPlayer::LoadingMedia;
}

bool validVolume(int volume) {
    return volume >= 0 && volume <= 100;
}

} // namespace

MediaPlayer::MediaPlayer(QMediaPlayer& player)
    : m_player(&player), m_output(new QAudioOutput(&player)) {
    player.setAudioOutput(m_output);
    setVolume(m_left, m_right);
    // The player keeps its last error through later sources, so errors are noted as they come.
    QObject::connect(&player, &QMediaPlayer::errorOccurred, &m_receiver,
                     [this] { m_failed = true; });
}

MediaPlayer::~MediaPlayer() = default;

bool MediaPlayer::open(const std::string& address) {
    close();
    if (!m_player || address.empty()) {
        return false;
    }
    const unsigned ticket = m_openCount;
    m_failed = false;
    m_player->setSource(mediaUrl(address));
    WaitUntil(
        [&] { return ticket != m_openCount || !m_player || m_failed || !stillLoading(*m_player); },
        m_openTimeoutMs);
    if (ticket != m_openCount || !m_player) {
        return false; // another open or a close took over while this one waited
    }
    if (!loaded()) {
        close(); // failed or timed out: the back end stops trying
        return false;
    }
    m_open = true;
    return true;
}

void MediaPlayer::close() {
    ++m_openCount;
    m_open = false;
    m_lengthAwaited = false;
    m_longestLengthMs = 0;
    if (m_player) {
        m_player->stop();
        m_player->setSource(QUrl());
    }
}

void MediaPlayer::play(long long fromMs) {
    if (!m_open || !m_player) {
        return;
    }
    m_player->setPosition(std::max(0LL, fromMs));
    m_player->play();
}

void MediaPlayer::stop() {
    if (m_player) {
        m_player->stop();
    }
}

long long MediaPlayer::positionMs() const {
    if (!m_open || !m_player || m_failed) {
        return -1;
    }
    if (atEnd()) {
        return std::max({m_longestLengthMs, m_player->duration(), m_player->position()});
    }
    return m_player->position();
}

long long MediaPlayer::lengthMs() {
    if (!m_open || !m_player) {
        return 0;
    }
    if (m_player->duration() <= 0 && !m_lengthAwaited &&
        m_player->playbackState() == QMediaPlayer::PlayingState) {
        m_lengthAwaited = true;
        const unsigned ticket = m_openCount;
        WaitUntil(
            [&] {
                return ticket != m_openCount || !m_player || m_player->duration() > 0 ||
                       m_player->playbackState() != QMediaPlayer::PlayingState;
            },
            kLengthWaitMs);
        if (ticket != m_openCount || !m_player) {
            return 0;
        }
    }
    m_longestLengthMs = std::max<long long>(m_longestLengthMs, m_player->duration());
    return std::max<long long>(0, m_player->duration());
}

bool MediaPlayer::atEnd() const {
    return m_open && m_player && m_player->mediaStatus() == QMediaPlayer::EndOfMedia;
}

void MediaPlayer::setVolume(int left, int right) {
    if (validVolume(left)) {
        m_left = left;
    }
    if (validVolume(right)) {
        m_right = right;
    }
    const int device = (m_left * 10 + m_right * 10) / 2; // 0 to 1000
    if (m_output) {
        m_output->setVolume(static_cast<float>(device) / 1000.0f);
    }
}

float MediaPlayer::outputVolume() const {
    return m_output ? m_output->volume() : 0.0f;
}

bool MediaPlayer::loaded() const {
    if (!m_player || m_failed) {
        return false;
    }
    switch (m_player->mediaStatus()) {
    case QMediaPlayer::LoadedMedia:
    case QMediaPlayer::StalledMedia:
    case QMediaPlayer::BufferingMedia:
    case QMediaPlayer::BufferedMedia:
    case QMediaPlayer::EndOfMedia:
        return true;
    default:
        return false;
    }
}

} // namespace tb::player
