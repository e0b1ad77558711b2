#pragma once
// The platform pieces that need the Qt application: the event hooks of platform/events.h,
// the message-box prompt, clipboard text and the screen size. Texts are local text.

#include <string>

namespace tb::platform {

// Installs the event-loop hooks and the message-box prompt. Call once, on the
// user-interface thread, after the QApplication exists.
void installQtPlatformHandlers();
// Installs only the event-loop hooks, for programs without windows (a QCoreApplication).
void installQtEventHandlers();

// Clipboard text as local text; the empty text when the clipboard holds no text.
std::string ClipboardText();
// Replaces the clipboard's content with the text.
void SetClipboardText(const std::string& text);

struct ScreenSize {
    int width = 0;
    int height = 0;
};
// Size of the primary screen in pixels; 0 x 0 when there is none.
ScreenSize PrimaryScreenSize();

} // namespace tb::platform
