// The window classes of the common controls: each is a Control (WindowImpl.h) made when its
// window is created, behind one class procedure per class and form.
#pragma once

#include "ControlKinds.h"

#include <memory>

class QWidget;

namespace platform::win {

// The control of a new window (whose style and parent are set), made at WM_NCCREATE.
using CommonFactory = NewControl (*)(Window& w);

LRESULT commonControlProc(CommonFactory factory, bool unicode, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

template <CommonFactory F, bool U>
LRESULT commonProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return commonControlProc(F, U, wnd, msg, wParam, lParam);
}

// Registers a class (once) whose windows get the factory's control.
template <CommonFactory F>
void registerCommonClass(const char16_t* name, LPCSTR cursor = nullptr) {
    noteProcForm(&commonProc<F, false>, false);
    noteProcForm(&commonProc<F, true>, true);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
    wc.lpfnWndProc = &commonProc<F, true>;
    wc.lpszClassName = name;
    wc.hCursor = LoadCursorA(nullptr, cursor ? cursor : IDC_ARROW);
    RegisterClassExW(&wc);
}

// The factories of the classes (ProgressBar.cpp, ToolTips.cpp).
NewControl newProgressBar(Window& w);
NewControl newToolTip(Window& w);
NewControl newTreeView(Window& w);
NewControl newToolBar(Window& w);
NewControl newTrackBar(Window& w);
NewControl newStatusBar(Window& w);
NewControl newTabControl(Window& w);

}  // namespace platform::win
