#pragma once
// The main window: its controls, kept under their designer names, and the wiring of their
// events to the operations. The operations themselves live in their own files.

#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMediaPlayer;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QTimer;

namespace tb {
class ResultList;
}

namespace tb::app {

class PictureWindow;
class ReportList;
class WindowAudition;
class WindowBatch;
class WindowSearch;

// The window's search, audition and batch objects are defined with their operations, which
// also destroy them.
void DestroyWindowObject(WindowSearch* object);
void DestroyWindowObject(WindowAudition* object);
void DestroyWindowObject(WindowBatch* object);
template <typename Object> struct WindowObjectDeleter {
    void operator()(Object* object) const { DestroyWindowObject(object); }
};
template <typename Object>
using WindowObject = std::unique_ptr<Object, WindowObjectDeleter<Object>>;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The result list as the core sees it.
    ResultList& resultList();
    // The picture window once it has been loaded, else nullptr.
    PictureWindow* pictureWindow() const { return m_pictureWindow.get(); }
    // Loads the picture window, hidden.
    void loadPictureWindow();
    // Resizes the window so that its outer size, frame included, is the given size; its left
    // and top stay. Until the window is first shown its frame counts as none.
    void resizeOuter(QSize outer);

    // The search, audition and batch objects, made by their operations on the first event
    // that needs them and destroyed with the window, before its result list and controls.
    WindowObject<WindowSearch>& searchObject() { return m_searchObject; }
    WindowObject<WindowAudition>& auditionObject() { return m_auditionObject; }
    WindowObject<WindowBatch>& batchObject() { return m_batchObject; }

    // Controls, named as designed.
    QLineEdit* 编辑框_输入 = nullptr;
    QPushButton* 按钮_获取 = nullptr;
    QLabel* 标签1 = nullptr;
    QLineEdit* 编辑框_搜 = nullptr;
    QPushButton* 按钮_搜 = nullptr;
    QListWidget* 列表框_预热 = nullptr;
    ReportList* 超级列表框1 = nullptr;
    QLabel* 图片框_image = nullptr;
    QPlainTextEdit* 编辑框_歌词 = nullptr;
    QLabel* 标签_name = nullptr;
    QSlider* 滑块条_进度 = nullptr;
    QLabel* 标签_音量 = nullptr;
    QSlider* 滑块条_音量 = nullptr;
    QPushButton* 按钮_停止 = nullptr;
    QLabel* 标签_时间 = nullptr;
    QTimer* 时钟1 = nullptr;
    QMediaPlayer* 媒体播放 = nullptr;
    QCheckBox* 选择框2 = nullptr;
    QCheckBox* 选择框_随机播放 = nullptr;
    QPushButton* 按钮_关于 = nullptr;
    QLineEdit* 编辑框_保存目录 = nullptr;
    QLabel* 标签2 = nullptr;
    QCheckBox* 选择框1 = nullptr;
    QPushButton* 按钮_下载 = nullptr;
    QMenu* 菜单 = nullptr;
    QAction* 复制名字 = nullptr;
    QAction* 写入歌曲标签 = nullptr;
    QAction* 保存歌词文件 = nullptr;

signals:
    // The local player's progress notification, in percent.
    void localPlayerProgress(int percent);
    // The window has been closed and the player cleaned up: the program ends.
    void programEnding();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildSearchControls();
    void buildPlayerControls();
    void buildDownloadControls();
    void buildListMenu();
    void wireSearchEvents();
    void wireListEvents();
    void wirePlayerEvents();
    void wireDownloadEvents();
    void connectUserMoves(QSlider* slider, const std::function<void()>& handler);
    void watchEvents();
    void watchPlayerControlDrags();

    std::unique_ptr<ResultList> m_resultList;
    std::unique_ptr<PictureWindow> m_pictureWindow;
    // Whether the outer size has been set (by the first show or a restored layout).
    bool m_outerSizeChosen = false;
    // Declared after the result list, so destroyed before it.
    WindowObject<WindowSearch> m_searchObject;
    WindowObject<WindowAudition> m_auditionObject;
    WindowObject<WindowBatch> m_batchObject;
};

} // namespace tb::app
