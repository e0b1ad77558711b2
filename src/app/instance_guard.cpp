#include "app/instance_guard.h"

#include "data/local_text.h"
#include "platform/events.h"
#include "platform/prompt.h"

namespace tb::app {
namespace {

using platform::PromptAnswer;
using platform::PromptButtons;

bool anotherCopyRuns(const std::vector<std::string>& processNames, const std::string& ownName) {
    int hits = 0;
    for (const std::string& name : processNames) {
        if (ContainsLocal(ownName, name) && ++hits > 1) {
            return true;
        }
        platform::ProcessPendingEvents();
    }
    return false;
}

} // namespace

GuardDecision RunInstanceGuard(const std::vector<std::string>& processNames,
                               const std::string& ownName) {
    if (!anotherCopyRuns(processNames, ownName)) {
        return GuardDecision::NoOtherCopy;
    }
    static const std::string askTitle = Utf8ToLocal("询问你要不要多开啊:");
    static const std::string askText = Utf8ToLocal("程序已经运行了，是否多开？");
    if (platform::ShowPrompt(askText, PromptButtons::YesNo, askTitle) != PromptAnswer::Yes) {
        return GuardDecision::EndProgram;
    }
    static const std::string warning =
        Utf8ToLocal("多开后不建议，批量访问下载 这样网络将会最大输出，可能会造成其他软件网络波动("
                    "断开),\r\n\r\n     你确定想好了 - 多开 - 了吗？");
    if (platform::ShowPrompt(warning, PromptButtons::OkCancel) != PromptAnswer::Ok) {
        return GuardDecision::EndProgram;
    }
    static const std::string sigh = Utf8ToLocal("其实我是不建议多开的。哎！！！！");
    platform::ShowPrompt(sigh, PromptButtons::Ok);
    return GuardDecision::SecondCopyGoesOn;
}

} // namespace tb::app
