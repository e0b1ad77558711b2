#include "platform/prompt.h"

namespace tb::platform {
namespace {
std::shared_ptr<Prompt> g_prompt;
}

PromptAnswer ShowPrompt(const std::string& text, PromptButtons buttons, const std::string& title) {
    if (g_prompt) {
        return g_prompt->ask(text, title, buttons);
    }
    return buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
}

void setPrompt(std::shared_ptr<Prompt> prompt) { g_prompt = std::move(prompt); }

} // namespace tb::platform
