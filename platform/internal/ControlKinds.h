// The predefined control classes, one unit each; Controls.cpp registers them and routes
// their messages.
#pragma once

#include "WindowImpl.h"

#include <memory>

class QWidget;

namespace platform::win {

// A new control with the Qt widget that shows it; the widget is null for a control that
// paints on its window's surface.
struct NewControl {
    std::unique_ptr<Control> control;
    QWidget* widget = nullptr;
};

NewControl newEditControl(HWND h, DWORD style, DWORD exStyle);
NewControl newButtonControl(HWND h, DWORD style);
NewControl newStaticControl(HWND h, DWORD style);
NewControl newListBoxControl(HWND h, DWORD style);
NewControl newComboBoxControl(HWND h, DWORD style);
NewControl newScrollBarControl(HWND h, DWORD style);
NewControl newUpDownControl(HWND h, DWORD style);

// WM_SETFONT and WM_GETFONT of a control window; false for any other message.
bool controlFontMessage(Window& w, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r);

}  // namespace platform::win
