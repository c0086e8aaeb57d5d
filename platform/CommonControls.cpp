// The class procedure of the common controls and their registration.
#include "CommonControlImpl.h"
#include "ListViewImpl.h"
#include "platform/GdiObject.h"
#include "platform/commctrl.h"

#include <QWidget>

namespace platform::win {

LRESULT commonControlProc(CommonFactory factory, bool unicode, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = find(wnd);
    if (!w) return 0;
    switch (msg) {
    case WM_NCCREATE: {
        if (!w->control && !w->widget) {
            NewControl c = factory(*w);
            w->control = std::move(c.control);
            if (c.widget) {
                c.widget->setMouseTracking(true);
                c.widget->setFocusPolicy(Qt::NoFocus);
                attachWidget(*w, c.widget);
            } else {
                createGenericWidget(*w);
            }
        }
        if (w->control && lParam) {
            const LPARAM name = unicode ? reinterpret_cast<LPARAM>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpszName)
                                        : reinterpret_cast<LPARAM>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpszName);
            w->control->setText(textArg(name, unicode));
        }
        return TRUE;
    }
    case WM_SETFONT:
    case WM_GETFONT: {
        LRESULT r = 0;
        controlFontMessage(*w, msg, wParam, lParam, r);
        return r;
    }
    case WM_PAINT:
        if (!w->hasSurface) {
            // The widget paints itself: now, in the paint Qt is handling, or onto the DC
            // in wParam (a procedure that replaced ours may have begun painting).
            if (!controlDefaultPaint(*w) && wParam) paintControlInto(*w, reinterpret_cast<HDC>(wParam));
            if (find(wnd)) ValidateRect(wnd, nullptr);
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        if (!w->hasSurface) return 1;
        break;
    default: break;
    }
    if (w->control) {
        LRESULT r = 0;
        if (w->control->message(msg, wParam, lParam, r)) return r;
        if (!find(wnd)) return r;
        return defaultProc(wnd, msg, wParam, lParam, unicode, false);
    }
    return defaultProc(wnd, msg, wParam, lParam, unicode);
}

}  // namespace platform::win

using namespace platform::win;

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
    if (!init || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
    static bool progress = false;
    static bool tips = false;
    static bool tree = false;
    static bool bars = false;
    static bool tabs = false;
    static bool lists = false;
    if ((init->dwICC & ICC_PROGRESS_CLASS) && !progress) {
        progress = true;
        registerCommonClass<&newProgressBar>(PROGRESS_CLASSW);
    }
    if ((init->dwICC & (ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES)) && !tips) {
        tips = true;
        registerCommonClass<&newToolTip>(TOOLTIPS_CLASSW);
    }
    if ((init->dwICC & ICC_TREEVIEW_CLASSES) && !tree) {
        tree = true;
        registerCommonClass<&newTreeView>(WC_TREEVIEWW);
    }
    if ((init->dwICC & ICC_BAR_CLASSES) && !bars) {
        bars = true;
        registerCommonClass<&newToolBar>(TOOLBARCLASSNAMEW);
        registerCommonClass<&newTrackBar>(TRACKBAR_CLASSW);
        registerCommonClass<&newStatusBar>(STATUSCLASSNAMEW);
    }
    if ((init->dwICC & ICC_TAB_CLASSES) && !tabs) {
        tabs = true;
        registerCommonClass<&newTabControl>(WC_TABCONTROLW);
    }
    if ((init->dwICC & ICC_LISTVIEW_CLASSES) && !lists) {
        lists = true;
        registerCommonClass<&newHeader>(WC_HEADERW);
        registerCommonClass<&newListView>(WC_LISTVIEWW);
    }
    return TRUE;
}

void InitCommonControls() {
    const INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&init);
}
