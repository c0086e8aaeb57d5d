// Internals of the window layer shared by its source files.
#pragma once

#include "platform/winuser.h"

#include <QImage>
#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QEvent;
class QKeyEvent;
class QPaintEvent;
class QPainter;

namespace platform {
struct WindowSurfaceHooks;
}

namespace platform::win {

// A predefined control's behaviour: messages its default procedure answers.
class Control {
public:
    virtual ~Control() = default;
    // Handles a control message; false when the control has nothing of its own for it.
    virtual bool message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    // Reads and writes the window text (the control holds it).
    virtual std::u16string text() const = 0;
    virtual void setText(const std::u16string& text) = 0;
    // A character sent by code (not from a Qt key event).
    virtual void typeChar(char16_t) {}
    // Widgets whose Qt events belong to the window besides the main one.
    virtual std::vector<QWidget*> eventWidgets() { return {}; }
    // A style change through SetWindowLong(GWL_STYLE).
    virtual void styleChanged() {}
    // The control shows its parent's colours through WM_CTLCOLOR*.
    virtual void refreshColours() {}
    // A key event on its way to the Qt widget after the window procedure let it pass: the
    // control carries out keys of its own (through messages to its window); true when it did.
    virtual bool ownKey(QKeyEvent*) { return false; }
    // The control's own context menu at a screen point; false lets Qt show its menu.
    virtual bool ownContextMenu(POINT) { return false; }
};

struct ClassInfo {
    std::u16string name;
    UINT style = 0;
    WNDPROC proc = nullptr;
    bool unicode = false;
    int clsExtra = 0;
    int wndExtra = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    HICON iconSmall = nullptr;
    ATOM atom = 0;
    std::string menuNameA;
    std::u16string menuNameW;
    std::string nameA;
};

struct PaintExtras;
struct PaintExtrasDeleter {
    void operator()(PaintExtras* extras) const;
};

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<ClassInfo> cls;
    WNDPROC proc = nullptr;
    bool unicode = false;  // the text form of the window (IsWindowUnicode)
    // The procedures the window has had, each with the form it was set in.
    std::vector<std::pair<WNDPROC, bool>> procForms;
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR id = 0;
    LONG_PTR userData = 0;
    HINSTANCE instance = nullptr;
    HWND parent = nullptr;  // for child windows
    HWND owner = nullptr;   // for top-level windows
    std::vector<HWND> children;  // z-order, topmost first
    std::u16string text;         // of windows that are not controls
    QPointer<QWidget> widget;
    std::unique_ptr<Control> control;
    std::map<std::u16string, HANDLE> props;
    // Retained surface of the client area (windows that paint).
    bool hasSurface = false;
    QImage surface;
    QRegion invalid;
    bool erasePending = false;
    bool inPaint = false;
    // Last geometry told to the window procedure (parent client coordinates).
    QRect notified;
    bool notifiedValid = false;
    bool destroying = false;
    bool created = false;
    HCURSOR cursor = nullptr;
    HFONT font = nullptr;  // WM_SETFONT
    int showState = 0;  // 0 normal, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED
    // Window placement values the window system has no use for, kept for GetWindowPlacement.
    UINT placementFlags = 0;
    POINT minPosition{-1, -1};
    POINT maxPosition{-1, -1};
    // WM_SETREDRAW FALSE stops the window from repainting until TRUE.
    bool redrawOff = false;
    // The menu bar of a top-level window (Menu.cpp) and the height it takes from the client area.
    HMENU menu = nullptr;
    int menuBarHeight = 0;
    // Painting beyond the window's own surface (Overlay.cpp, NonClient.cpp).
    std::unique_ptr<struct PaintExtras, struct PaintExtrasDeleter> extras;
};

// What the painting units keep per window besides the surface (defined in Overlay.cpp).
PaintExtras& paintExtras(Window& w);

// Window table
Window* find(HWND wnd);
std::vector<HWND> topLevelWindows();
bool isDesktop(HWND wnd);
HWND desktopHandle();

// Client-area offset of a window inside its widget (borders drawn as non-client area, and
// the menu bar).
QPoint clientOffset(const Window& w);
QSize clientSize(const Window& w);

// The procedure call through hooks and A/W conversion; `unicodeCaller` is the caller's form.
LRESULT send(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, bool unicodeCaller);
// Calls `proc` as a procedure of the given form from a caller of form `unicodeCaller`.
LRESULT callProc(WNDPROC proc, bool procUnicode, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam,
                 bool unicodeCaller);
// Whether a procedure expects UTF-16 text: procedures of one form (noteProcForm: the
// predefined controls'), then the classes' procedures, else `fallback`.
bool procIsUnicode(WNDPROC proc, bool fallback);
void noteProcForm(WNDPROC proc, bool unicode);
void noteClassProcForm(WNDPROC proc, bool unicode);
// The form of a procedure of one form; false for the others.
bool fixedProcForm(WNDPROC proc, bool& unicode);
// The form a procedure has on a window (its current one, or one it had before).
bool windowProcForm(HWND wnd, WNDPROC proc, bool& unicode);

// Notification to the parent of a control.
LRESULT notifyParent(HWND wnd, WORD code);
LRESULT sendToParent(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The default procedure of every window (both forms).
LRESULT defaultProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, bool unicode);
// The same, for a control's procedure that has already offered the message to its control
// (askControl false): the control hears each message once.
LRESULT defaultProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, bool unicode, bool askControl);

// A Qt event being turned into a message: whether the default procedure let Qt have it.
struct QtEventContext {
    HWND wnd;
    UINT msg;
    WPARAM wParam;
    bool reachedDefault = false;
    std::u16string chars;  // characters that reached the default procedure (WM_CHAR)
    QtEventContext* outer = nullptr;
};
QtEventContext* currentQtEvent(HWND wnd, UINT msg, WPARAM wParam);
struct QtEventScope {
    QtEventContext ctx;
    QtEventScope(HWND wnd, UINT msg, WPARAM wParam);
    ~QtEventScope();
};

// Puts bytes of 8-bit characters back together; true when `out` holds a whole character.
bool collectAnsiChar(HWND wnd, int channel, unsigned char byte, std::u16string& out);

// A message loop that runs inside Qt's own handling of an event (a dialog shown from a
// button's click) must still see its input first: the bypass is off while it runs.
class InputBypassPause {
public:
    InputBypassPause();
    ~InputBypassPause();
    InputBypassPause(const InputBypassPause&) = delete;
    InputBypassPause& operator=(const InputBypassPause&) = delete;

private:
    int saved_;
};

// Carries a message that has no Qt event behind it out on a Qt control (synthesized event).
void forwardToQt(Window& w, UINT msg, WPARAM wParam, LPARAM lParam);
void forwardCharToQt(Window& w, char16_t c);

// Runs an input message made from a Qt event the way the message loop would: hooks,
// the program's message filter, then dispatch. Returns false when it was consumed
// before the window procedure saw it.
bool deliverInput(MSG& msg);
bool runKeyboardHooks(const MSG& msg);
bool runMouseHooks(const MSG& msg);
void runGetMessageHooks(MSG& msg);

// Widgets
QWidget* createGenericWidget(Window& w);
void attachWidget(Window& w, QWidget* widget);
void watchWidget(HWND wnd, QWidget* widget);
void applyWindowFlags(Window& w);
void scheduleRepaint(Window& w, const QRegion& region);
void deliverPaint(Window& w);
void resizeSurface(Window& w);
void notifyGeometry(Window& w);

// Painting beyond the surface (WindowDC.cpp): the layer of a Qt-backed control for drawing
// outside WM_PAINT, its WM_PAINT handled while Qt paints it, and its own painting.
QImage* controlLayer(Window& w);
void controlLayerChanged(Window& w, const QRect& rect);
void dropControlLayer(Window& w);
// Runs the control's WM_PAINT for a Qt paint event; true when that painted the control.
bool paintControl(Window& w, QWidget* widget, QPaintEvent* e);
// The predefined control's own WM_PAINT: Qt paints the control now (during paintControl);
// false outside one.
bool controlDefaultPaint(Window& w);
// WM_PAINT with a DC in wParam: what the control shows, drawn on that DC.
void paintControlInto(Window& w, HDC dc);
void addPaintHooks(::platform::WindowSurfaceHooks& hooks);

// Frames of our own drawing (NonClient.cpp).
bool ownFrame(const Window& w);
// The margins of the non-client area inside the widget of a window with its own frame.
QMargins frameMarginsOf(const Window& w);
// A DC on the whole window of one with its own frame (DCX_WINDOW), or null.
HDC frameDC(Window& w, HRGN clip, DWORD flags);
// Qt events on the frame of a window with its own frame; true when handled.
bool frameEvent(Window& w, QEvent* e);
// Paints the frame's image (in the widget's paint event).
void paintFrame(Window& w, QPainter& p, const QRegion& region);
// WM_NCPAINT, WM_NCACTIVATE, WM_NCHITTEST, WM_NCCALCSIZE and the rest of the default
// procedure's non-client work; true when the message was one of them.
bool frameDefault(Window& w, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

// Controls: makes the window a predefined control when its class procedure is one.
bool makeControl(Window& w, WNDPROC classProc);
WNDPROC controlProc(const std::u16string& className, bool unicode);
void registerControlClasses();

// The menu bar of a window that is being destroyed goes, and its menu with it (Menu.cpp).
void forgetWindowMenu(HWND wnd);

// Input state
void setFocusWindow(HWND wnd);
void focusLost(HWND wnd);
void forgetWindowInput(HWND wnd);
// The desktop made the window active: the activation messages, without asking it back.
void activatedByDesktop(HWND wnd);
void noteMouse(const QPoint& globalPos, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods);
void noteKey(int vk, bool down, Qt::KeyboardModifiers mods);
void forgetWindowTimers(HWND wnd);
void applyCursor(HWND wnd);
DWORD messageTime();

// Virtual keys to Qt keys (0 when there is none).
int qtKeyFromVirtualKey(int vk);

// Text helpers
std::u16string fromQt(const QString& s);
QString toQt(const std::u16string& s);
std::u16string textArg(LPARAM lParam, bool unicode);
// Copies text into a caller's buffer of `size` elements of its form; returns elements written.
LRESULT copyOut(const std::u16string& text, LPARAM buffer, WPARAM size, bool unicode);
LRESULT textLength(const std::u16string& text, bool unicode);
// Strips "&" prefixes ("&&" becomes one "&") for controls that show no mnemonics.
QString mnemonicText(const std::u16string& s);
// A text for a Qt widget that shows mnemonics: the hot key is the character after the last
// single "&" (as the program's own routines find it); every other "&" shows as itself. A
// part after a tab stays as it is.
QString hotKeyText(const std::u16string& s);

RECT toRect(const QRect& r);
QRect fromRect(const RECT& r);

}  // namespace platform::win
