// The predefined control classes (edit, button, static, list box, combo box, scroll bar
// and the up-down control): their registration, class procedures and parent colours.
// Each control is a Qt widget in a unit of its own whose procedure answers its messages.
#include "ControlKinds.h"
#include "platform/GdiObject.h"
#include "platform/gdi.h"

#include <QWidget>

#include <utility>

namespace platform::win {
namespace {

enum Kind { kEdit, kButton, kStatic, kListBox, kComboBox, kScrollBar, kUpDown, kKindCount };

const char16_t* const kClassNames[kKindCount] = {u"EDIT", u"BUTTON", u"STATIC", u"LISTBOX", u"COMBOBOX",
                                                 u"SCROLLBAR", u"msctls_updown32"};

// Creates the control of a window when its class procedure is reached at WM_NCCREATE.
void createControl(Window& w, Kind kind) {
    if (w.control || w.widget) return;
    const HWND h = w.handle;
    NewControl c;
    switch (kind) {
    case kEdit: c = newEditControl(h, w.style, w.exStyle); break;
    case kButton: c = newButtonControl(h, w.style); break;
    case kStatic: c = newStaticControl(h, w.style); break;
    case kListBox: c = newListBoxControl(h, w.style); break;
    case kComboBox: c = newComboBoxControl(h, w.style); break;
    case kScrollBar: c = newScrollBarControl(h, w.style); break;
    case kUpDown: c = newUpDownControl(h, w.style); break;
    default: return;
    }
    QWidget* widget = c.widget;
    w.control = std::move(c.control);
    if (!widget) {
        // Owner-drawn buttons paint on the window's surface.
        createGenericWidget(w);
        return;
    }
    widget->setMouseTracking(true);
    // Focus moves by clicks and by program calls, never by Qt's own tab chain.
    widget->setFocusPolicy(kind == kStatic || kind == kUpDown ? Qt::NoFocus : Qt::ClickFocus);
    attachWidget(w, widget);
}

// The colours the parent chooses for the control (WM_CTLCOLOR*) go into the widget's palette.
void applyParentColours(Window& w, Kind kind) {
    if (!w.widget || !w.parent || !w.created) return;
    UINT msg = WM_CTLCOLORSTATIC;
    switch (kind) {
    case kEdit:
    case kComboBox: msg = WM_CTLCOLOREDIT; break;
    case kListBox: msg = WM_CTLCOLORLISTBOX; break;
    case kScrollBar: msg = WM_CTLCOLORSCROLLBAR; break;
    case kButton: msg = (w.style & BS_TYPEMASK) <= BS_DEFPUSHBUTTON ? WM_CTLCOLORBTN : WM_CTLCOLORSTATIC; break;
    default: break;
    }
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return;
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX ? COLOR_WINDOW : COLOR_BTNFACE));
    const HWND h = w.handle;
    const auto brush = reinterpret_cast<HBRUSH>(sendToParent(h, msg, reinterpret_cast<WPARAM>(dc),
                                                             reinterpret_cast<LPARAM>(h)));
    const COLORREF text = GetTextColor(dc);
    COLORREF back = GetBkColor(dc);
    DeleteDC(dc);
    LOGBRUSH lb{};
    if (brush && GetObjectW(brush, sizeof lb, &lb) == sizeof lb && lb.lbStyle == BS_SOLID) back = lb.lbColor;
    Window* again = find(h);
    if (!again || !again->widget) return;
    QPalette pal = again->widget->palette();
    const QColor t(GetRValue(text), GetGValue(text), GetBValue(text));
    const QColor b(GetRValue(back), GetGValue(back), GetBValue(back));
    // Disabled controls keep Qt's greyed colours.
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        if (msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX) {
            pal.setColor(g, QPalette::Base, b);
            pal.setColor(g, QPalette::Text, t);
        } else {
            pal.setColor(g, QPalette::Window, b);
            pal.setColor(g, QPalette::Button, b);
            pal.setColor(g, QPalette::WindowText, t);
            pal.setColor(g, QPalette::ButtonText, t);
        }
    }
    if (pal != again->widget->palette()) again->widget->setPalette(pal);
}

LRESULT controlProcImpl(Kind kind, bool unicode, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = find(wnd);
    if (!w) return 0;
    switch (msg) {
    case WM_SETFONT:
    case WM_GETFONT: {
        LRESULT r = 0;
        controlFontMessage(*w, msg, wParam, lParam, r);
        return r;
    }
    case WM_CREATE: {
        const LRESULT r = defaultProc(wnd, msg, wParam, lParam, unicode);
        if (Window* again = find(wnd)) {
            again->created = true;  // colours can be asked from now on
            applyParentColours(*again, kind);
            again->created = false;
        }
        return r;
    }
    case WM_PAINT:
        if (!w->hasSurface) {
            // Qt paints the control (now, in the paint it is handling; or onto the DC in
            // wParam); the parent may have new colours for it.
            applyParentColours(*w, kind);
            if (Window* again = find(wnd)) {
                if (!controlDefaultPaint(*again) && wParam) paintControlInto(*again, reinterpret_cast<HDC>(wParam));
            }
            ValidateRect(wnd, nullptr);
            return 0;
        }
        break;
    default: break;
    }
    if (msg == WM_NCCREATE) {
        createControl(*w, kind);
        if (w->control && lParam) {
            std::u16string title;
            if (unicode) title = textArg(reinterpret_cast<LPARAM>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpszName), true);
            else title = textArg(reinterpret_cast<LPARAM>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpszName), false);
            w->control->setText(title);
        }
        return TRUE;
    }
    if (w->control) {
        LRESULT r = 0;
        if (w->control->message(msg, wParam, lParam, r)) return r;
        if (!find(wnd)) return r;
        return defaultProc(wnd, msg, wParam, lParam, unicode, false);
    }
    return defaultProc(wnd, msg, wParam, lParam, unicode);
}

template <int K, bool U>
LRESULT CALLBACK_controlProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return controlProcImpl(static_cast<Kind>(K), U, wnd, msg, wParam, lParam);
}

using ProcPair = std::pair<WNDPROC, WNDPROC>;
const ProcPair kProcs[kKindCount] = {
    {&CALLBACK_controlProc<kEdit, false>, &CALLBACK_controlProc<kEdit, true>},
    {&CALLBACK_controlProc<kButton, false>, &CALLBACK_controlProc<kButton, true>},
    {&CALLBACK_controlProc<kStatic, false>, &CALLBACK_controlProc<kStatic, true>},
    {&CALLBACK_controlProc<kListBox, false>, &CALLBACK_controlProc<kListBox, true>},
    {&CALLBACK_controlProc<kComboBox, false>, &CALLBACK_controlProc<kComboBox, true>},
    {&CALLBACK_controlProc<kScrollBar, false>, &CALLBACK_controlProc<kScrollBar, true>},
    {&CALLBACK_controlProc<kUpDown, false>, &CALLBACK_controlProc<kUpDown, true>},
};

bool sameName(const std::u16string& a, const char16_t* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x - u'A' + u'a');
        if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y - u'A' + u'a');
        if (x != y) return false;
    }
    return i == a.size() && !b[i];
}

}  // namespace

bool controlFontMessage(Window& w, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) {
    if (msg == WM_GETFONT) {
        r = reinterpret_cast<LRESULT>(w.font);
        return true;
    }
    if (msg != WM_SETFONT) return false;
    r = 0;
    w.font = reinterpret_cast<HFONT>(wParam);
    if (!w.widget) return true;
    if (auto* f = platform::gdi::find<platform::gdi::Font>(w.font, OBJ_FONT)) w.widget->setFont(f->qfont);
    else w.widget->setFont(QFont());
    if (lParam) w.widget->update();
    return true;
}

WNDPROC controlProc(const std::u16string& className, bool unicode) {
    for (int k = 0; k < kKindCount; ++k)
        if (sameName(className, kClassNames[k])) return unicode ? kProcs[k].second : kProcs[k].first;
    return nullptr;
}

void registerControlClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    for (int k = 0; k < kKindCount; ++k) {
        noteProcForm(kProcs[k].first, false);
        noteProcForm(kProcs[k].second, true);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
        wc.lpfnWndProc = kProcs[k].second;
        wc.lpszClassName = kClassNames[k];
        wc.hCursor = LoadCursorA(nullptr, k == kEdit ? IDC_IBEAM : IDC_ARROW);
        RegisterClassExW(&wc);
    }
}

bool makeControl(Window& w, WNDPROC classProc) {
    for (int k = 0; k < kKindCount; ++k)
        if (classProc == kProcs[k].first || classProc == kProcs[k].second) {
            createControl(w, static_cast<Kind>(k));
            return true;
        }
    return false;
}

}  // namespace platform::win
