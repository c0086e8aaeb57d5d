// What the window layer tells the graphics layer about windows' retained surfaces.
// Every window that paints keeps its client area in an image; device contexts of the
// window (GetDC, BeginPaint) draw into that image and report what they changed.
#pragma once

#include "platform/wintypes.h"

class QImage;
class QPainter;
class QRect;

namespace platform {

struct WindowSurfaceHooks {
    // The retained surface of a window's client area, or null when it has none.
    // The image object stays the same for the window's life; its size follows the window.
    QImage* (*surface)(HWND wnd) = nullptr;
    // Drawing changed `rect` (client coordinates) of the surface; the window shows it.
    void (*changed)(HWND wnd, const QRect& rect) = nullptr;
    // A DC is about to draw on the surface for the first time (a Qt-backed control's layer
    // starts from what the control shows).
    void (*prepare)(HWND wnd) = nullptr;
    // While a Qt-backed control's procedure handles WM_PAINT: a painter on the control
    // (client coordinates), ended by donePainter; null at other times.
    bool (*painting)(HWND wnd) = nullptr;
    QPainter* (*painter)(HWND wnd) = nullptr;
    void (*donePainter)(HWND wnd) = nullptr;
};

void setWindowSurfaceHooks(const WindowSurfaceHooks& hooks);
const WindowSurfaceHooks& windowSurfaceHooks();

}  // namespace platform
