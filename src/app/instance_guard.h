#pragma once
// Guards against an unnoticed second copy of the program: when another copy seems to run,
// the user is asked twice whether to go on.

#include <string>
#include <vector>

namespace tb::app {

enum class GuardDecision {
    NoOtherCopy,     // start-up goes on as usual
    EndProgram,      // the user declined to run a second copy
    SecondCopyGoesOn // the user insisted: the program runs, the rest of start-up is skipped
};

// Counts the processes whose executable name occurs inside ownName (case-sensitive; the
// program itself is one of them) and asks through the installed prompt when there are more
// than one. Pending events are processed between processes.
GuardDecision RunInstanceGuard(const std::vector<std::string>& processNames,
                               const std::string& ownName);

} // namespace tb::app
