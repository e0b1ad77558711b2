#pragma once
// Message boxes shown with QMessageBox, owned by the active window.

#include "platform/prompt.h"

namespace tb::platform {

class MessageBoxPrompt : public Prompt {
public:
    PromptAnswer ask(const std::string& text, const std::string& title,
                     PromptButtons buttons) override;
};

} // namespace tb::platform
