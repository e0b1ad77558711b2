// skin-contact-sheet OUTPUT.png [TILE_FOLDER]
// Opens the main window, fills its list with a search of the catalogue named by
// TUNEBATCH_SEARCH_HOST, and draws the window under each of the eleven skins, and once while
// the player page is being arranged, into one picture; with a folder, also each window at
// full size (tile-01.png ...).

#include "app/main_window.h"
#include "app/search_operations.h"
#include "app/startup.h"
#include "catalogue/result_list.h"
#include "platform/events.h"
#include "platform/qt/qt_platform.h"
#include "skins/skins.h"

#include <QApplication>
#include <QCheckBox>
#include <QFont>
#include <QImage>
#include <QLineEdit>
#include <QPainter>

#include <cstdio>
#include <vector>

namespace {

struct Tile {
    QString caption;
    QImage picture;
};

constexpr double kScale = 0.5;
constexpr int kColumns = 4;
constexpr int kCaptionHeight = 26;
constexpr int kGap = 8;

// Lets the window draw what changed.
void settle() {
    tb::platform::WaitProcessingEvents(300);
}

QImage contactSheet(const std::vector<Tile>& tiles) {
    const QSize tileSize = (QSizeF(tiles.front().picture.size()) * kScale).toSize();
    const int rows = (static_cast<int>(tiles.size()) + kColumns - 1) / kColumns;
    QImage sheet(kGap + kColumns * (tileSize.width() + kGap),
                 kGap + rows * (kCaptionHeight + tileSize.height() + kGap), QImage::Format_RGB32);
    sheet.fill(QColor(0x30, 0x30, 0x30));
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QFont font = QApplication::font();
    font.setPixelSize(15);
    painter.setFont(font);
    painter.setPen(Qt::white);
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        const int column = static_cast<int>(i) % kColumns;
        const int row = static_cast<int>(i) / kColumns;
        const QPoint corner(kGap + column * (tileSize.width() + kGap),
                            kGap + row * (kCaptionHeight + tileSize.height() + kGap));
        painter.drawText(QRect(corner, QSize(tileSize.width(), kCaptionHeight)),
                         Qt::AlignLeft | Qt::AlignVCenter, tiles[i].caption);
        painter.drawImage(QRect(corner + QPoint(0, kCaptionHeight), tileSize), tiles[i].picture);
    }
    return sheet;
}

QString captionOf(int number) {
    return number == 3 ? QStringLiteral("skins 3 and 4") : QStringLiteral("skin %1").arg(number);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: skin-contact-sheet OUTPUT.png [TILE_FOLDER]\n");
        return 2;
    }
    tb::app::UseProgramFont();
    tb::platform::installQtPlatformHandlers();
    tb::skins::ApplyBaseSheet();

    tb::app::MainWindow window;
    window.show();
    settle();
    // Every demo song's name holds " - ".
    window.编辑框_输入->setText(QStringLiteral("-"));
    tb::app::GetListCommand(window);
    tb::ResultList& rows = window.resultList();
    if (rows.rowCount() < 3) {
        std::fprintf(stderr, "skin-contact-sheet: the search found no songs; is the catalogue "
                             "at TUNEBATCH_SEARCH_HOST running?\n");
        return 1;
    }
    rows.setTicked(0, true);
    rows.setTicked(2, true);
    rows.selectRow(1);

    std::vector<Tile> tiles;
    for (int number : {1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12}) {
        tb::skins::ApplySkin(number);
        settle();
        tiles.push_back({captionOf(number), window.grab().toImage()});
    }
    tb::skins::ApplySkin(11);
    window.选择框2->click();
    settle();
    tiles.push_back(
        {QStringLiteral("skin 11, arranging the player page"), window.grab().toImage()});
    window.选择框2->click();

    for (std::size_t i = 0; argc == 3 && i < tiles.size(); ++i) {
        tiles[i].picture.save(QStringLiteral("%1/tile-%2.png")
                                  .arg(QString::fromLocal8Bit(argv[2]))
                                  .arg(i + 1, 2, 10, QLatin1Char('0')));
    }
    if (!contactSheet(tiles).save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "skin-contact-sheet: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
