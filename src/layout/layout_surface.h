#pragma once
// The window geometry the layout works on. The application implements it over the main
// window and its player controls; tests implement it over plain values. Control names are
// local text; positions are in the main window's client coordinates, sizes are the outer
// size of the window, frame included.

#include <string_view>

namespace tb::layout {

struct ControlPlace {
    int left = 0;
    int top = 0;
    bool operator==(const ControlPlace&) const = default;
};

struct WindowSize {
    int width = 0;
    int height = 0;
    bool operator==(const WindowSize&) const = default;
};

class LayoutSurface {
public:
    virtual ~LayoutSurface() = default;
    // Where the named player control is; {0, 0} for a name the window does not have.
    virtual ControlPlace controlPlace(std::string_view name) const = 0;
    // Moves the named control; its size stays.
    virtual void placeControl(std::string_view name, ControlPlace place) = 0;
    virtual WindowSize windowSize() const = 0;
    // Resizes the window; its left and top stay.
    virtual void resizeWindow(WindowSize size) = 0;
};

} // namespace tb::layout
