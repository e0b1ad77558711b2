#include "skins/skin_sheets.h"

#include <QFile>
#include <QRegularExpression>

namespace tb::skins {
namespace {

QString resourceText(const QString& name) {
    QFile file(QStringLiteral(":/skins/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

QString skinFileName(int sheet) {
    return QStringLiteral("skin-%1.qss").arg(sheet, 2, 10, QLatin1Char('0'));
}

bool validSheet(int sheet) {
    return sheet >= 1 && sheet <= kSheetCount;
}

const QRegularExpression& valueLine() {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*@([a-z][a-z0-9-]*)\s*:\s*([^;]*?)\s*;\s*$)"));
    return pattern;
}

// A skin file without its value lines: the rules of the skin's own.
QString ownRules(const QString& skinText) {
    QStringList rules;
    for (const QString& line : skinText.split(QLatin1Char('\n'))) {
        if (!valueLine().match(line).hasMatch()) {
            rules << line;
        }
    }
    return rules.join(QLatin1Char('\n'));
}

// Puts the values in for their @names; a name without a value stays as written.
QString withValues(const QString& text, const std::map<QString, QString>& values) {
    static const QRegularExpression name(QStringLiteral("@([a-z][a-z0-9-]*)"));
    QString out;
    qsizetype copied = 0;
    for (auto it = name.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const auto value = values.find(match.captured(1));
        out += text.mid(copied, match.capturedStart() - copied);
        out += value != values.end() ? value->second : match.captured(0);
        copied = match.capturedEnd();
    }
    return out + text.mid(copied);
}

QColor valueColor(const std::map<QString, QString>& values, const char* name) {
    const auto value = values.find(QString::fromLatin1(name));
    return value != values.end() ? QColor(value->second) : QColor();
}

} // namespace

int SheetOfSkin(int number) {
    if (number < kFirstSkinNumber || number > kLastSkinNumber) {
        return 0;
    }
    return number <= 3 ? number : number - 1;
}

QString BaseSheet() {
    return resourceText(QStringLiteral("base.qss"));
}

QString LayoutEditSheet() {
    return resourceText(QStringLiteral("layout-edit.qss"));
}

std::map<QString, QString> SkinValues(int sheet) {
    std::map<QString, QString> values;
    if (!validSheet(sheet)) {
        return values;
    }
    for (const QString& line : resourceText(skinFileName(sheet)).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = valueLine().match(line);
        if (match.hasMatch()) {
            values.emplace(match.captured(1), match.captured(2));
        }
    }
    return values;
}

QString SkinStyleSheet(int sheet) {
    if (!validSheet(sheet)) {
        return {};
    }
    const QString skinText = resourceText(skinFileName(sheet));
    const std::map<QString, QString> values = SkinValues(sheet);
    return BaseSheet() + QLatin1Char('\n') +
           withValues(resourceText(QStringLiteral("look.qss")), values) + QLatin1Char('\n') +
           withValues(ownRules(skinText), values);
}

QPalette SkinPalette(int sheet) {
    const std::map<QString, QString> values = SkinValues(sheet);
    const QColor window = valueColor(values, "window");
    const QColor button = valueColor(values, "button");
    QPalette palette(button, window);
    const auto set = [&palette, &values](QPalette::ColorRole role, const char* name) {
        palette.setColor(role, valueColor(values, name));
    };
    set(QPalette::WindowText, "window-text");
    set(QPalette::Base, "input");
    set(QPalette::AlternateBase, "row-alt");
    set(QPalette::Text, "input-text");
    set(QPalette::ButtonText, "button-text");
    set(QPalette::Highlight, "selection");
    set(QPalette::HighlightedText, "selection-text");
    set(QPalette::ToolTipBase, "input");
    set(QPalette::ToolTipText, "input-text");
    set(QPalette::PlaceholderText, "muted-text");
    set(QPalette::Link, "accent");
    const QColor disabled = valueColor(values, "disabled-text");
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, disabled);
    }
    return palette;
}

} // namespace tb::skins
