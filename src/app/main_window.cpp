#include "app/main_window.h"

#include "app/app_state.h"
#include "app/batch_operations.h"
#include "app/download_menu.h"
#include "app/layout_operations.h"
#include "app/operations.h"
#include "app/picture_window.h"
#include "app/player_control_drag.h"
#include "app/player_operations.h"
#include "app/report_list.h"
#include "app/search_operations.h"
#include "app/window_result_list.h"

#include <algorithm>

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

namespace tb::app {
namespace {

// The designed place and size are the window's outer ones, frame included.
constexpr QPoint kDesignPlace(50, 50);
constexpr QSize kDesignOuterSize(837, 672);

} // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QString::fromUtf8("Tunebatch  适用:[车载/手机/随身听/] 热搜：70 80 90 年代 "
                                     "抖音 热门新歌，尽在这里……"));
    // A window's move() places its frame; the size is made outer once the frame is known.
    move(kDesignPlace);
    resize(kDesignOuterSize);
    // The skins' style sheets paint this window's background.
    setAttribute(Qt::WA_StyledBackground);
    buildSearchControls();
    buildPlayerControls();
    buildDownloadControls();
    buildListMenu();
    m_resultList = std::make_unique<WindowResultList>(*超级列表框1);
    wireSearchEvents();
    wireListEvents();
    wirePlayerEvents();
    wireDownloadEvents();
    watchEvents();
}

MainWindow::~MainWindow() = default;

ResultList& MainWindow::resultList() {
    return *m_resultList;
}

void MainWindow::loadPictureWindow() {
    if (m_pictureWindow) {
        return;
    }
    m_pictureWindow = std::make_unique<PictureWindow>();
    // Closing the picture window ends the program the same way as closing this one.
    connect(m_pictureWindow.get(), &PictureWindow::closing, this, &QWidget::close);
    m_pictureWindow->hide();
}

void MainWindow::resizeOuter(QSize outer) {
    m_outerSizeChosen = true;
    const QSize frame = frameGeometry().size() - geometry().size();
    resize(std::max(1, outer.width() - frame.width()),
           std::max(1, outer.height() - frame.height()));
}

void MainWindow::wireSearchEvents() {
    connect(按钮_获取, &QPushButton::clicked, this, [this] { GetListCommand(*this); });
    connect(编辑框_输入, &QLineEdit::textChanged, this, [this] { FetchSuggestions(*this); });
    connect(按钮_搜, &QPushButton::clicked, this, [this] { FindInList(*this); });
}

void MainWindow::wireListEvents() {
    connect(超级列表框1->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { ToggleAllTicks(*this, column); });
    connect(超级列表框1, &QAbstractItemView::doubleClicked, this,
            [this] { AuditionSelectedRow(*this); });
    connect(超级列表框1, &ReportList::focusReceived, this, [this] { HideSuggestions(*this); });
    connect(超级列表框1, &ReportList::rightButtonReleased, this, [this] { ShowListMenu(*this); });
    connect(复制名字, &QAction::triggered, this, [this] { CopySongName(*this); });
    connect(写入歌曲标签, &QAction::triggered, this, [this] { SaveDownloadOptions(*this); });
    connect(保存歌词文件, &QAction::triggered, this, [this] { SaveDownloadOptions(*this); });
}

void MainWindow::wirePlayerEvents() {
    connect(按钮_停止, &QPushButton::clicked, this, [this] { StopAudition(*this); });
    connectUserMoves(滑块条_进度, [this] { SeekAudition(*this); });
    connectUserMoves(滑块条_音量, [this] { ApplyVolume(*this); });
    connect(时钟1, &QTimer::timeout, this, [this] { AuditionTick(*this); });
    connect(this, &MainWindow::localPlayerProgress, this,
            [this](int percent) { OnLocalPlayerProgress(*this, percent); });
    connect(选择框2, &QCheckBox::clicked, this, [this] { ToggleLayoutEdit(*this); });
}

// Only the user's moves count: the player sets the progress slider every second itself.
// The slider takes its new value right after reporting the action, so the handler is
// queued behind it.
void MainWindow::connectUserMoves(QSlider* slider, const std::function<void()>& handler) {
    connect(slider, &QAbstractSlider::actionTriggered, this,
            [this, handler] { QTimer::singleShot(0, this, handler); });
}

void MainWindow::wireDownloadEvents() {
    connect(按钮_下载, &QPushButton::clicked, this, [this] { DownloadTickedSongs(*this); });
    connect(选择框1, &QCheckBox::clicked, this,
            [this](bool ticked) { OnPluginSwitchClicked(*this, ticked); });
    connect(按钮_关于, &QPushButton::clicked, this, [this] { OpenAbout(*this); });
}

// Events that Qt reports as raw input go through this window's event filter.
void MainWindow::watchEvents() {
    for (QObject* control :
         {static_cast<QObject*>(编辑框_输入), static_cast<QObject*>(列表框_预热),
          static_cast<QObject*>(列表框_预热->viewport()), static_cast<QObject*>(编辑框_搜)}) {
        control->installEventFilter(this);
    }
    watchPlayerControlDrags();
}

// The eight player controls the user may drag; the lyrics box receives its mouse presses
// through its viewport.
void MainWindow::watchPlayerControlDrags() {
    const std::vector<PlayerControlDrag::Handle> handles = {
        {图片框_image, 图片框_image}, {编辑框_歌词->viewport(), 编辑框_歌词},
        {标签_name, 标签_name},       {滑块条_进度, 滑块条_进度},
        {标签_音量, 标签_音量},       {滑块条_音量, 滑块条_音量},
        {按钮_停止, 按钮_停止},       {标签_时间, 标签_时间}};
    // Owned by this window.
    new PlayerControlDrag(
        handles, [] { return appState().layoutEdit; }, [this] { SaveLayout(*this); }, this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    const auto leftButton = [event] {
        return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    };
    if (watched == 编辑框_输入 && type == QEvent::KeyPress) {
        KeywordKey(*this, static_cast<QKeyEvent*>(event)->key());
    } else if (watched == 编辑框_输入 && type == QEvent::MouseButtonDblClick) {
        QTimer::singleShot(0, this, [this] { SelectKeyword(*this); });
    } else if (watched == 列表框_预热 && type == QEvent::KeyPress) {
        SuggestionKey(*this, static_cast<QKeyEvent*>(event)->key());
    } else if (watched == 列表框_预热->viewport() && type == QEvent::MouseButtonRelease &&
               leftButton()) {
        // After the list has moved its selection to the item under the pointer.
        QTimer::singleShot(0, this, [this] { TakeSuggestionByMouse(*this); });
    } else if (watched == 编辑框_搜 && type == QEvent::MouseButtonPress && leftButton()) {
        ClearSearchBox(*this);
    }
    return QWidget::eventFilter(watched, event);
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        KeepPictureBehind(*this, PictureAnchor::MainActivated);
    }
    return QWidget::event(event);
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_outerSizeChosen) {
        resizeOuter(kDesignOuterSize);
    }
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    KeepPictureBehind(*this, PictureAnchor::MainMoved);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    SaveLayoutOnResize(*this);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    CloseAudition(*this);
    event->accept();
    emit programEnding();
}

} // namespace tb::app
