#pragma once
// The search area's events, handed to the catalogue client's search, suggestions and
// in-list search over the main window's controls. Key codes are Qt key codes.

namespace tb::app {

class MainWindow;

void GetListCommand(MainWindow& window);
void FetchSuggestions(MainWindow& window);
void KeywordKey(MainWindow& window, int key);
void SuggestionKey(MainWindow& window, int key);
void TakeSuggestionByMouse(MainWindow& window);
void FindInList(MainWindow& window);
void ClearSearchBox(MainWindow& window);
void HideSuggestions(MainWindow& window);

} // namespace tb::app
