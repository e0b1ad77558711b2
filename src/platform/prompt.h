#pragma once
// Message boxes. The application implements Prompt over QMessageBox; GUI tests install a
// scripted one. Texts are local text. Without an installed prompt every question is answered
// with the first button's "positive" answer (OK or Yes) and nothing is shown.

#include <memory>
#include <string>

namespace tb::platform {

enum class PromptButtons { Ok, OkCancel, YesNo };
enum class PromptAnswer { Ok, Cancel, Yes, No };

inline constexpr const char* kDefaultPromptTitle = "\xD0\xC5\xCF\xA2\xA3\xBA"; // "信息：" in GB18030

class Prompt {
public:
    virtual ~Prompt() = default;
    virtual PromptAnswer ask(const std::string& text, const std::string& title,
                             PromptButtons buttons) = 0;
};

// Shows a box; the title defaults to "信息：".
PromptAnswer ShowPrompt(const std::string& text, PromptButtons buttons = PromptButtons::Ok,
                        const std::string& title = kDefaultPromptTitle);
// Installs the prompt used from now on (nullptr: none).
void setPrompt(std::shared_ptr<Prompt> prompt);

} // namespace tb::platform
