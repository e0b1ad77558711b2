#pragma once
// The Qt boundary: local text to and from QString. Header-only so that the core library
// itself never links Qt.

#include "data/local_text.h"

#include <QString>

namespace tb {

inline QString LocalToQString(std::string_view local) {
    const std::string utf8 = LocalToUtf8(local);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline std::string QStringToLocal(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToLocal(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

} // namespace tb
