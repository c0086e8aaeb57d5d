// Visual styles over the widget style: theme handles per window class, parts and states
// drawn with QStyle so that themed controls look like the desktop's.
//
// Whether themes are in use is one switch (on by default, off when no GUI application
// runs); with it off OpenThemeData gives null and IsThemeActive/IsAppThemed FALSE, so callers
// take their classic drawing. Classes: "BUTTON" (push buttons, radio buttons, check boxes,
// group boxes); other class names are refused.
#pragma once

#include "platform/gdi.h"
#include "platform/objbase.h"
#include "platform/winuser.h"

TESSELLON_DECLARE_HANDLE(HTHEME);

inline constexpr HRESULT E_HANDLE = static_cast<HRESULT>(0x80070006u);

// Parts and states of "BUTTON".
inline constexpr int BP_PUSHBUTTON = 1;
inline constexpr int BP_RADIOBUTTON = 2;
inline constexpr int BP_CHECKBOX = 3;
inline constexpr int BP_GROUPBOX = 4;
inline constexpr int PBS_NORMAL = 1;
inline constexpr int PBS_HOT = 2;
inline constexpr int PBS_PRESSED = 3;
inline constexpr int PBS_DISABLED = 4;
inline constexpr int PBS_DEFAULTED = 5;
inline constexpr int RBS_UNCHECKEDNORMAL = 1;  // then HOT, PRESSED, DISABLED; CHECKED 5 to 8
inline constexpr int RBS_CHECKEDNORMAL = 5;
inline constexpr int CBS_UNCHECKEDNORMAL = 1;  // then HOT, PRESSED, DISABLED; CHECKED 5 to 8; MIXED 9 to 12
inline constexpr int CBS_CHECKEDNORMAL = 5;
inline constexpr int CBS_MIXEDNORMAL = 9;
inline constexpr int GBS_NORMAL = 1;
inline constexpr int GBS_DISABLED = 2;

enum THEMESIZE { TS_MIN, TS_TRUE, TS_DRAW };

// DrawThemeText flags beyond DrawText's are not used; dwTextFlags2 is ignored.
HTHEME OpenThemeData(HWND wnd, LPCWSTR classList);
HRESULT CloseThemeData(HTHEME theme);
// States outside a part's range draw as its normal state.
HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT* rect, const RECT* clip);
HRESULT DrawThemeText(HTHEME theme, HDC dc, int part, int state, LPCWSTR text, int count, DWORD textFlags,
                      DWORD textFlags2, const RECT* rect);
// Paints what the parent shows under the window's `rect` (its client coordinates; all of it
// for null): the parent's WM_ERASEBKGND and WM_PAINT with the DC moved to the window's place.
HRESULT DrawThemeParentBackground(HWND wnd, HDC dc, const RECT* rect);
HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int part, int state, const RECT* bounds, RECT* content);
HRESULT GetThemePartSize(HTHEME theme, HDC dc, int part, int state, const RECT* rect, THEMESIZE size, SIZE* out);
BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int part, int state);
BOOL IsThemeActive();
BOOL IsAppThemed();

namespace platform {
// Turns the use of themes on or off for the whole process (tests force either path).
void setThemesInUse(bool on);
bool themesInUse();
}  // namespace platform
