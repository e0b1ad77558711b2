#include "plugin/plugin_image.h"

#include <QFile>

// The resource lives in an object file of its own; naming its initialiser links it in.
static void initPluginImageResource() {
    Q_INIT_RESOURCE(plugin_image);
}

namespace tb::plugin {

std::optional<std::string> EmbeddedPluginImage() {
    initPluginImageResource();
    QFile file(QStringLiteral(":/plugin/batchget"));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace tb::plugin
