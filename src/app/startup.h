#pragma once
// The set-up that follows the creation of the main window, ending with the instance guard
// and the skin chosen on the command line.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tb::app {

class MainWindow;

// Where start-up takes the process list, the program's own name and the skin switch from.
// The defaults are the running system and the appearance subsystem; tests replace them.
struct StartupHooks {
    std::function<std::vector<std::string>()> processNames;
    std::function<std::string()> ownName;
    std::function<void(int skinNumber)> applySkin;

    static StartupHooks system();
};

enum class StartupResult { Running, EndProgram };

// Runs the set-up steps in order on the freshly created main window. EndProgram when the
// user chose not to run a second copy; the caller then ends without entering the event loop.
StartupResult RunStartup(MainWindow& window, const std::vector<std::string>& arguments,
                         const StartupHooks& hooks = StartupHooks::system());

// Ends the program when the main window closes: web requests still waiting are abandoned
// at once, so the operation waiting on one unwinds (the window still exists meanwhile), and
// the application's event loop is left once control is back in it.
void EndProgramOnClose(MainWindow& window);

// The skin number chosen on the command line: at least two arguments, the first exactly
// "TS"; the second is read as an integer (0 when it is not a number).
std::optional<int> SkinChoice(const std::vector<std::string>& arguments);

} // namespace tb::app
