// Text stays readable under every skin: the colour pairs a skin declares, and the text as it
// is actually drawn on the windows, have a contrast of at least 4.5:1.

#include "app/about_window.h"
#include "app/app_state.h"
#include "app/main_window.h"
#include "app/report_list.h"
#include "catalogue/result_list.h"
#include "data/local_text.h"
#include "skins/skin_sheets.h"
#include "skins/skins.h"
#include "skins_test_support.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace tb::skins::test {
namespace {

constexpr double kMinimumContrast = 4.5;

class SkinContrastTest : public testing::Test {
protected:
    void SetUp() override {
        TakeQtWarnings();
        app::appState() = app::AppState();
    }
    void TearDown() override {
        UnloadSkins();
        ApplyBaseSheet();
        for (const QString& warning : TakeQtWarnings()) {
            ADD_FAILURE() << "Qt warned: " << warning.toStdString();
        }
    }
};

TEST_F(SkinContrastTest, EveryDeclaredTextColourStandsOutFromItsBackground) {
    const std::pair<const char*, const char*> pairs[] = {
        {"window-text", "window"},         {"muted-text", "window"},
        {"input-text", "input"},           {"input-text", "row-alt"},
        {"button-text", "button"},         {"button-text", "button-hover"},
        {"button-text", "button-pressed"}, {"header-text", "header"},
        {"selection-text", "selection"}};
    for (int sheet = 1; sheet <= kSheetCount; ++sheet) {
        const std::map<QString, QString> values = SkinValues(sheet);
        for (const auto& [text, background] : pairs) {
            const QColor front(values.at(QLatin1String(text)));
            const QColor back(values.at(QLatin1String(background)));
            ASSERT_TRUE(front.isValid() && back.isValid()) << sheet << " " << text;
            EXPECT_GE(ContrastRatio(front, back), kMinimumContrast)
                << "sheet " << sheet << ": " << text << " on " << background;
        }
    }
}

// A place of a window where text is drawn, in the window's coordinates.
struct TextPlace {
    const char* what;
    QWidget* window;
    QRect area;
};

QRect areaOf(const QWidget& control, const QWidget& window, int inset) {
    return QRect(control.mapTo(&window, QPoint(0, 0)), control.size())
        .adjusted(inset, inset, -inset, -inset);
}

QRect headerSection(const app::ReportList& list, const QWidget& window, int column) {
    const QHeaderView& header = *list.header();
    const QPoint corner = header.mapTo(&window, QPoint(header.sectionViewportPosition(column), 0));
    return QRect(corner, QSize(header.sectionSize(column), header.height())).adjusted(2, 2, -2, -2);
}

QRect rowCell(const app::ReportList& list, const QWidget& window, int row, int column) {
    const QRect cell = list.visualRect(list.model()->index(row, column));
    return QRect(list.viewport()->mapTo(&window, cell.topLeft()), cell.size())
        .adjusted(1, 1, -1, -1);
}

std::vector<TextPlace> textPlaces(app::MainWindow& main, app::AboutWindow& about,
                                  QMessageBox& message) {
    const app::ReportList& list = *main.超级列表框1;
    return {
        {"label on the window", &main, areaOf(*main.标签1, main, 0)},
        {"hint label", &main, areaOf(*main.标签2, main, 0)},
        {"check box caption", &main, areaOf(*main.选择框_随机播放, main, 0).adjusted(20, 0, 0, 0)},
        {"button", &main, areaOf(*main.按钮_获取, main, 3)},
        {"keyword box", &main, areaOf(*main.编辑框_输入, main, 3)},
        {"lyrics", &main, areaOf(*main.编辑框_歌词, main, 3).adjusted(0, 0, 0, -290)},
        {"list header", &main, headerSection(list, main, 1)},
        {"list row", &main, rowCell(list, main, 1, 1)},
        {"selected row", &main, rowCell(list, main, 0, 1)},
        {"about guide", &about, areaOf(*about.guideText(), about, 3).adjusted(0, 0, 0, -200)},
        {"about hint", &about, areaOf(*about.hintLabel(), about, 0)},
        {"message box", &message,
         areaOf(*message.findChild<QLabel*>(QStringLiteral("qt_msgbox_label")), message, 0)},
    };
}

void expectReadable(const std::vector<TextPlace>& places, const std::string& state) {
    for (const TextPlace& place : places) {
        const QImage image = place.window->grab().toImage();
        const DrawnText drawn = MeasureDrawnText(image, place.area);
        EXPECT_GE(drawn.contrast, kMinimumContrast)
            << state << ", " << place.what << ": " << drawn.text.name().toStdString() << " on "
            << drawn.background.name().toStdString();
    }
}

TEST_F(SkinContrastTest, TextAsDrawnOnEveryWindowIsReadableUnderEverySkin) {
    app::MainWindow main;
    ResultList& rows = main.resultList();
    for (const char* name : {"海阔天空", "小城故事多", "Yesterday"}) {
        rows.setCell(rows.appendRow(), kColName, Utf8ToLocal(name));
    }
    rows.selectRow(0);
    main.编辑框_歌词->setPlainText(QStringLiteral("[00:01] 歌词 lyrics"));
    main.show();
    app::AboutWindow about;
    about.show();
    QMessageBox message(QMessageBox::NoIcon, QStringLiteral("信息："),
                        QStringLiteral("执行完成；查看即可！！！！"), QMessageBox::Ok);
    message.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&message));
    const std::vector<TextPlace> places = textPlaces(main, about, message);

    for (int number : {1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12}) {
        ASSERT_TRUE(ApplySkin(number));
        const std::map<QString, QString> values = SkinValues(SheetOfSkin(number));
        // The colours the skin declares are the ones drawn.
        const QImage drawn = main.grab().toImage();
        EXPECT_EQ(drawn.pixelColor(532, 300), QColor(values.at(QStringLiteral("window"))));
        const QRect button = areaOf(*main.按钮_获取, main, 2);
        EXPECT_EQ(MeasureDrawnText(drawn, button).background,
                  QColor(values.at(QStringLiteral("button"))))
            << number;
        expectReadable(places, "skin " + std::to_string(number));

        // Arranging the player page turns the page white; its text stays readable.
        main.选择框2->click();
        EXPECT_EQ(main.grab().toImage().pixelColor(532, 300), QColor(Qt::white));
        expectReadable({places.begin(), places.begin() + 3},
                       "arranging under skin " + std::to_string(number));
        main.选择框2->click();
    }
}

} // namespace
} // namespace tb::skins::test
