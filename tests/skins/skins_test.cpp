// The skins: which sheet a number selects, that every sheet is complete and parses on every
// window of the program, and the skins chosen at start-up and on the command line.

#include "app/about_window.h"
#include "app/app_state.h"
#include "app/main_window.h"
#include "app/picture_window.h"
#include "app/startup.h"
#include "catalogue/result_list.h"
#include "skins/skin_sheets.h"
#include "skins/skins.h"
#include "skins_test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

#include <set>

namespace tb::skins::test {
namespace {

// Every test starts without a skin and fails on any warning Qt reported while it ran.
class SkinTest : public testing::Test {
protected:
    void SetUp() override {
        TakeQtWarnings();
        app::appState() = app::AppState();
        UnloadSkins();
        ApplyBaseSheet();
    }
    void TearDown() override {
        UnloadSkins();
        for (const QString& warning : TakeQtWarnings()) {
            ADD_FAILURE() << "Qt warned: " << warning.toStdString();
        }
    }
};

std::set<std::string> namesUsedIn(const QString& text) {
    std::set<std::string> names;
    static const QRegularExpression name(QStringLiteral("@([a-z][a-z0-9-]*)"));
    for (auto it = name.globalMatch(text); it.hasNext();) {
        names.insert(it.next().captured(1).toStdString());
    }
    return names;
}

QString resourceText(const char* name) {
    QFile file(QStringLiteral(":/skins/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

TEST_F(SkinTest, EachNumberFromOneToTwelveSelectsItsSheet) {
    const struct {
        int number;
        int sheet;
    } cases[] = {{-1, 0}, {0, 0},   {1, 1},   {2, 2},  {3, 3},   {4, 3},
                 {5, 4},  {11, 10}, {12, 11}, {13, 0}, {1000, 0}};
    for (const auto& item : cases) {
        EXPECT_EQ(SheetOfSkin(item.number), item.sheet) << item.number;
    }
    // Eleven different looks.
    std::set<QString> sheets;
    for (int sheet = 1; sheet <= kSheetCount; ++sheet) {
        sheets.insert(SkinStyleSheet(sheet));
    }
    EXPECT_EQ(sheets.size(), 11u);
    EXPECT_TRUE(SkinStyleSheet(0).isEmpty());
    EXPECT_TRUE(SkinStyleSheet(12).isEmpty());
}

TEST_F(SkinTest, EverySkinGivesAValueToEveryNameOfTheSharedLook) {
    const std::set<std::string> used = namesUsedIn(resourceText("look.qss"));
    ASSERT_GT(used.size(), 15u);
    EXPECT_TRUE(namesUsedIn(BaseSheet()).empty());
    for (int sheet = 1; sheet <= kSheetCount; ++sheet) {
        SCOPED_TRACE(sheet);
        std::set<std::string> given;
        for (const auto& [name, value] : SkinValues(sheet)) {
            given.insert(name.toStdString());
            EXPECT_FALSE(value.isEmpty()) << name.toStdString();
        }
        EXPECT_EQ(given, used);
        const QString complete = SkinStyleSheet(sheet);
        EXPECT_FALSE(complete.contains(QLatin1Char('@')));
        EXPECT_TRUE(complete.startsWith(BaseSheet()));
    }
}

TEST_F(SkinTest, ABrokenSheetIsCaughtAsAWarning) {
    // The check the other tests rely on: Qt reports a sheet it cannot parse as a warning.
    app::MainWindow window;
    window.show();
    qApp->setStyleSheet(QStringLiteral("QPushButton { color: ; background"));
    QTest::qWait(0);
    EXPECT_FALSE(TakeQtWarnings().isEmpty());
    ApplyBaseSheet();
}

TEST_F(SkinTest, EverySheetParsesOnEveryWindowOfTheProgram) {
    app::MainWindow window;
    ResultList& rows = window.resultList();
    for (int row = 0; row < 3; ++row) {
        rows.setCell(rows.appendRow(), kColName, "song");
    }
    window.show();
    app::AboutWindow about;
    about.show();
    app::PictureWindow picture;
    picture.show();
    QMessageBox message(QMessageBox::NoIcon, QStringLiteral("信息："), QStringLiteral("text"),
                        QMessageBox::Ok);
    message.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&message));
    window.选择框2->click(); // the arranging sheet goes over each skin
    for (int number = kFirstSkinNumber; number <= kLastSkinNumber; ++number) {
        SCOPED_TRACE(number);
        ASSERT_TRUE(ApplySkin(number));
        QTest::qWait(0);
        for (const QString& warning : TakeQtWarnings()) {
            ADD_FAILURE() << "skin " << number << ": " << warning.toStdString();
        }
    }
}

TEST_F(SkinTest, NumbersOutsideOneToTwelveChangeNothing) {
    ASSERT_TRUE(ApplySkin(5));
    const QString applied = qApp->styleSheet();
    const QColor window = QApplication::palette().color(QPalette::Window);
    for (const int outside : {0, 13, -1}) {
        EXPECT_FALSE(ApplySkin(outside)) << outside;
        EXPECT_EQ(CurrentSkin(), 5);
        EXPECT_EQ(qApp->styleSheet(), applied);
        EXPECT_EQ(QApplication::palette().color(QPalette::Window), window);
    }
}

TEST_F(SkinTest, NumbersThreeAndFourAreOneSkinAndTwelveIsTheLast) {
    ASSERT_TRUE(ApplySkin(3));
    const QString three = qApp->styleSheet();
    ASSERT_TRUE(ApplySkin(4));
    EXPECT_EQ(qApp->styleSheet(), three);
    EXPECT_EQ(CurrentSkin(), 4);
    ASSERT_TRUE(ApplySkin(12));
    EXPECT_EQ(qApp->styleSheet(), SkinStyleSheet(11));
    EXPECT_EQ(QApplication::palette().color(QPalette::Window),
              QColor(SkinValues(11).at(QStringLiteral("window"))));

    // Without a fixed number one is drawn from 1 to 12.
    for (int draw = 0; draw < 20; ++draw) {
        ASSERT_TRUE(ApplySkin(0, false));
        EXPECT_GE(CurrentSkin(), 1);
        EXPECT_LE(CurrentSkin(), 12);
        EXPECT_EQ(qApp->styleSheet(), SkinStyleSheet(SheetOfSkin(CurrentSkin())));
    }

    // Taking the skin off leaves the base sheet and the palette the application had.
    UnloadSkins();
    EXPECT_EQ(CurrentSkin(), 0);
    EXPECT_EQ(qApp->styleSheet(), BaseSheet());
    EXPECT_NE(QApplication::palette().color(QPalette::Window),
              QColor(SkinValues(11).at(QStringLiteral("window"))));
}

// Start-up with the program's own skin switch, one copy running.
int skinAfterStartup(const std::vector<std::string>& arguments, app::MainWindow& window) {
    const app::StartupHooks hooks{[] { return std::vector<std::string>{"tunebatch"}; },
                                  [] { return std::string("tunebatch"); },
                                  app::StartupHooks::system().applySkin};
    EXPECT_EQ(app::RunStartup(window, arguments, hooks), app::StartupResult::Running);
    app::ReleaseDownloadEngine();
    return CurrentSkin();
}

TEST_F(SkinTest, StartUpDrawsElevenOrTwelveAndTsChoosesAfterIt) {
    app::MainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {}, {"TS", "0"}, {"TS", "13"}, {"ts", "5"}, {"TS"}}) {
        const int skin = skinAfterStartup(arguments, window);
        EXPECT_TRUE(skin == 11 || skin == 12) << skin;
    }
    EXPECT_EQ(skinAfterStartup({"TS", "5"}, window), 5);
    EXPECT_EQ(qApp->styleSheet(), SkinStyleSheet(4));

    // TS 3 shows on screen: the window is drawn in the third skin's colour.
    EXPECT_EQ(skinAfterStartup({"TS", "3"}, window), 3);
    const QColor drawn = window.grab().toImage().pixelColor(532, 300);
    EXPECT_EQ(drawn, QColor(SkinValues(3).at(QStringLiteral("window"))));
}

} // namespace
} // namespace tb::skins::test
