// The player page's events: the audition player over the main window's controls.

#include "app/player_operations.h"

#include "app/main_window.h"
#include "data/qt_local_text.h"
#include "player/audition.h"
#include "player/local_player.h"
#include "player/media_player.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>

namespace tb::app {
namespace {

// Line breaks of local text (CR LF) as the widgets write them.
QString widgetText(const std::string& local) {
    return LocalToQString(local).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

class WindowPlayerPage : public player::PlayerPage {
public:
    explicit WindowPlayerPage(MainWindow& window) : m_window(window) {}

    std::string songName() const override { return QStringToLocal(m_window.标签_name->text()); }
    void setSongName(const std::string& name) override {
        m_window.标签_name->setText(LocalToQString(name));
    }
    void setTimeText(const std::string& text) override {
        m_window.标签_时间->setText(widgetText(text));
    }
    void setVolumeText(const std::string& text) override {
        m_window.标签_音量->setText(widgetText(text));
    }
    int progress() const override { return m_window.滑块条_进度->value(); }
    void setProgress(int percent) override { m_window.滑块条_进度->setValue(percent); }
    int volumePosition() const override { return m_window.滑块条_音量->value(); }
    void setLyrics(const std::string& text) override {
        m_window.编辑框_歌词->setPlainText(widgetText(text));
    }
    void appendLyrics(const std::string& text) override;
    void setPicture(const std::string& bytes) override;
    void setTimerInterval(int milliseconds) override {
        if (milliseconds <= 0) {
            m_window.时钟1->stop();
            m_window.时钟1->setInterval(0);
        } else {
            m_window.时钟1->start(milliseconds);
        }
    }
    bool randomNextTicked() const override { return m_window.选择框_随机播放->isChecked(); }
    bool suggestionsVisible() const override { return m_window.列表框_预热->isVisible(); }
    void hideSuggestions() override { m_window.列表框_预热->hide(); }
    void notifyLocalProgress(int percent) override { emit m_window.localPlayerProgress(percent); }

private:
    MainWindow& m_window;
};

// Adds the text at the end of the lyrics box, as typed there, and keeps the end in view.
void WindowPlayerPage::appendLyrics(const std::string& text) {
    QPlainTextEdit& box = *m_window.编辑框_歌词;
    QTextCursor cursor(box.document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(widgetText(text));
    box.verticalScrollBar()->setValue(box.verticalScrollBar()->maximum());
}

void WindowPlayerPage::setPicture(const std::string& bytes) {
    QPixmap picture; // bytes that are no picture leave it empty, and nothing shows
    picture.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                         static_cast<uint>(bytes.size()));
    m_window.图片框_image->setPixmap(picture);
}

} // namespace

// The audition of one main window, with its players; the streaming player drives the
// window's own `媒体播放`.
class WindowAudition {
public:
    explicit WindowAudition(MainWindow& window)
        : page(window), media(*window.媒体播放), audition(page, window.resultList(), media, local) {
    }

    WindowPlayerPage page;
    player::MediaPlayer media;
    player::LocalPlayer local;
    player::Audition audition;
};

void DestroyWindowObject(WindowAudition* object) {
    delete object;
}

namespace {

player::Audition& auditionOf(MainWindow& window) {
    WindowObject<WindowAudition>& object = window.auditionObject();
    if (!object) {
        object.reset(new WindowAudition(window));
    }
    return object->audition;
}

} // namespace

void AuditionSelectedRow(MainWindow& window) {
    auditionOf(window).AuditionSelectedRow();
}
void StopAudition(MainWindow& window) {
    auditionOf(window).StopAudition();
}
void SeekAudition(MainWindow& window) {
    auditionOf(window).SeekAudition();
}
void ApplyVolume(MainWindow& window) {
    auditionOf(window).ApplyVolume();
}
void AuditionTick(MainWindow& window) {
    auditionOf(window).AuditionTick();
}
void OnLocalPlayerProgress(MainWindow& window, int percent) {
    auditionOf(window).OnLocalPlayerProgress(percent);
}
void CloseAudition(MainWindow& window) {
    auditionOf(window).CloseAudition();
}

} // namespace tb::app
