// System metrics, system colours and system parameters from the screens, the widget style
// and the desktop's palette and fonts.
#include "WindowImpl.h"
#include "platform/codepage.h"
#include "platform/winerror.h"
#include "platform/winpaint.h"

#include <QApplication>
#include <QFontDatabase>
#include <QScreen>
#include <QStyle>
#include <QStyleHints>
#include <QThread>

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

namespace {

QApplication* widgetsApp() { return qobject_cast<QApplication*>(QCoreApplication::instance()); }

bool onGuiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app && qobject_cast<QGuiApplication*>(app) && QThread::currentThread() == app->thread();
}

QScreen* primary() { return onGuiThread() ? QGuiApplication::primaryScreen() : nullptr; }

QRect screenRect() {
    if (QScreen* s = primary()) return s->geometry();
    return QRect(0, 0, 1024, 768);
}

QRect workArea() {
    if (QScreen* s = primary()) return s->availableGeometry();
    return screenRect();
}

QRect virtualRect() {
    if (QScreen* s = primary()) return s->virtualGeometry();
    return screenRect();
}

int styleMetric(QStyle::PixelMetric m, int fallback) {
    if (!onGuiThread()) return fallback;
    QApplication* app = widgetsApp();
    if (!app) return fallback;
    const int v = QApplication::style()->pixelMetric(m);
    return v > 0 ? v : fallback;
}

QFont captionFont() {
    QFont f = onGuiThread() ? QFontDatabase::systemFont(QFontDatabase::TitleFont) : QFont();
    f.setBold(true);
    return f;
}

int captionHeight() {
    const int text = onGuiThread() ? QFontMetrics(captionFont()).height() : 13;
    return std::max(18, text + 6);
}

// The classic colours, used while no GUI application runs.
constexpr std::array<COLORREF, COLOR_COUNT> kClassic = {
    RGB(200, 200, 200), RGB(0, 0, 0),       RGB(153, 180, 209), RGB(191, 205, 219), RGB(240, 240, 240),
    RGB(255, 255, 255), RGB(100, 100, 100), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(180, 180, 180), RGB(244, 247, 252), RGB(171, 171, 171), RGB(0, 120, 215),   RGB(255, 255, 255),
    RGB(240, 240, 240), RGB(160, 160, 160), RGB(109, 109, 109), RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(255, 255, 255), RGB(105, 105, 105), RGB(227, 227, 227), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(0, 0, 0),       RGB(0, 102, 204),   RGB(185, 209, 234), RGB(215, 228, 242), RGB(51, 153, 255),
    RGB(240, 240, 240),
};

COLORREF ref(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

std::array<COLORREF, COLOR_COUNT> fromPalette(const QPalette& p) {
    using G = QPalette;
    std::array<COLORREF, COLOR_COUNT> c = kClassic;
    const QColor highlight = p.color(G::Active, G::Highlight);
    c[COLOR_SCROLLBAR] = ref(p.color(G::Midlight));
    c[COLOR_ACTIVECAPTION] = ref(highlight);
    c[COLOR_INACTIVECAPTION] = ref(p.color(G::Mid));
    c[COLOR_MENU] = ref(p.color(G::Window));
    c[COLOR_WINDOW] = ref(p.color(G::Active, G::Base));
    c[COLOR_WINDOWFRAME] = ref(p.color(G::Shadow));
    c[COLOR_MENUTEXT] = ref(p.color(G::WindowText));
    c[COLOR_WINDOWTEXT] = ref(p.color(G::Active, G::Text));
    c[COLOR_CAPTIONTEXT] = ref(p.color(G::Active, G::HighlightedText));
    c[COLOR_ACTIVEBORDER] = ref(p.color(G::Window));
    c[COLOR_INACTIVEBORDER] = ref(p.color(G::Window));
    c[COLOR_APPWORKSPACE] = ref(p.color(G::Dark));
    c[COLOR_HIGHLIGHT] = ref(highlight);
    c[COLOR_HIGHLIGHTTEXT] = ref(p.color(G::Active, G::HighlightedText));
    c[COLOR_BTNFACE] = ref(p.color(G::Active, G::Button));
    c[COLOR_BTNSHADOW] = ref(p.color(G::Dark));
    c[COLOR_GRAYTEXT] = ref(p.color(G::Disabled, G::Text));
    c[COLOR_BTNTEXT] = ref(p.color(G::Active, G::ButtonText));
    c[COLOR_INACTIVECAPTIONTEXT] = ref(p.color(G::Disabled, G::WindowText));
    c[COLOR_BTNHIGHLIGHT] = ref(p.color(G::Light));
    c[COLOR_3DDKSHADOW] = ref(p.color(G::Shadow));
    c[COLOR_3DLIGHT] = ref(p.color(G::Midlight));
    c[COLOR_INFOTEXT] = ref(p.color(G::ToolTipText));
    c[COLOR_INFOBK] = ref(p.color(G::ToolTipBase));
    c[COLOR_HOTLIGHT] = ref(p.color(G::Link));
    c[COLOR_GRADIENTACTIVECAPTION] = ref(highlight.lighter(160));
    c[COLOR_GRADIENTINACTIVECAPTION] = ref(p.color(G::Midlight));
    c[COLOR_MENUHILIGHT] = ref(highlight);
    c[COLOR_MENUBAR] = ref(p.color(G::Window));
    return c;
}

// The last colours read on the user-interface thread serve other threads.
std::mutex coloursMutex;
std::array<COLORREF, COLOR_COUNT> lastColours = kClassic;

template <class LF>
void logFontOf(const QFont& f, LF& lf) {
    lf = LF{};
    int pixels = f.pixelSize();
    if (pixels <= 0) {
        const int dpi = primary() ? static_cast<int>(std::nearbyint(primary()->logicalDotsPerInchY())) : 96;
        pixels = static_cast<int>(std::nearbyint(f.pointSizeF() * dpi / 72.0));
    }
    lf.lfHeight = -std::max(1, pixels);
    lf.lfWeight = f.bold() ? FW_BOLD : FW_NORMAL;
    if (f.weight() != QFont::Normal && f.weight() != QFont::Bold) lf.lfWeight = static_cast<LONG>(f.weight());
    lf.lfItalic = f.italic() ? 1 : 0;
    lf.lfUnderline = f.underline() ? 1 : 0;
    lf.lfStrikeOut = f.strikeOut() ? 1 : 0;
    lf.lfCharSet = DEFAULT_CHARSET;
    const std::u16string family(reinterpret_cast<const char16_t*>(f.family().utf16()),
                                static_cast<std::size_t>(f.family().size()));
    if constexpr (sizeof(lf.lfFaceName[0]) == 1) {
        const std::string a = platform::wideToAnsi(family);
        std::memcpy(lf.lfFaceName, a.data(), std::min<std::size_t>(a.size(), LF_FACESIZE - 1));
    } else {
        for (std::size_t i = 0; i < family.size() && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = family[i];
    }
}

QFont widgetFont(const char* className, QFontDatabase::SystemFont fallback) {
    if (!onGuiThread()) return QFont();
    if (widgetsApp()) return QApplication::font(className);
    return QFontDatabase::systemFont(fallback);
}

template <class NCM>
BOOL nonClientMetrics(NCM* m) {
    if (!m) return FALSE;
    const UINT full = sizeof(NCM), older = static_cast<UINT>(offsetof(NCM, iPaddedBorderWidth));
    if (m->cbSize != full && m->cbSize != older) return FALSE;
    const UINT size = m->cbSize;
    NCM out{};
    out.cbSize = size;
    out.iBorderWidth = 1;
    out.iScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
    out.iScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
    out.iCaptionWidth = GetSystemMetrics(SM_CXSIZE);
    out.iCaptionHeight = GetSystemMetrics(SM_CYSIZE);
    logFontOf(captionFont(), out.lfCaptionFont);
    out.iSmCaptionWidth = GetSystemMetrics(SM_CXSMSIZE);
    out.iSmCaptionHeight = GetSystemMetrics(SM_CYSMSIZE);
    QFont small = captionFont();
    if (small.pointSizeF() > 0) small.setPointSizeF(small.pointSizeF() * 0.85);
    logFontOf(small, out.lfSmCaptionFont);
    out.iMenuWidth = GetSystemMetrics(SM_CXMENUSIZE);
    out.iMenuHeight = GetSystemMetrics(SM_CYMENUSIZE);
    logFontOf(widgetFont("QMenu", QFontDatabase::GeneralFont), out.lfMenuFont);
    logFontOf(widgetFont("QStatusBar", QFontDatabase::GeneralFont), out.lfStatusFont);
    logFontOf(widgetFont("QMessageBox", QFontDatabase::GeneralFont), out.lfMessageFont);
    out.iPaddedBorderWidth = 0;
    std::memcpy(m, &out, size);
    return TRUE;
}

template <class LF, class NCM>
BOOL systemParameters(UINT action, UINT param, void* data) {
    auto boolOut = [data](bool v) {
        if (!data) return FALSE;
        *static_cast<BOOL*>(data) = v ? TRUE : FALSE;
        return TRUE;
    };
    switch (action) {
    case SPI_GETNONCLIENTMETRICS: return nonClientMetrics(static_cast<NCM*>(data));
    case SPI_GETWORKAREA: {
        if (!data) return FALSE;
        const QRect r = workArea();
        *static_cast<RECT*>(data) = RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
        return TRUE;
    }
    case SPI_GETICONTITLELOGFONT:
        if (!data || (param != 0 && param != sizeof(LF))) return FALSE;
        logFontOf(widgetFont("QListView", QFontDatabase::GeneralFont), *static_cast<LF*>(data));
        return TRUE;
    case SPI_GETGRADIENTCAPTIONS: return boolOut(true);
    case SPI_GETKEYBOARDCUES: return boolOut(true);
    case SPI_GETFLATMENU: return boolOut(true);
    case SPI_GETDRAGFULLWINDOWS: return boolOut(true);
    case SPI_GETBORDER:
        if (!data) return FALSE;
        *static_cast<int*>(data) = 1;
        return TRUE;
    case SPI_GETWHEELSCROLLLINES:
        if (!data) return FALSE;
        *static_cast<UINT*>(data) = onGuiThread() ? static_cast<UINT>(QGuiApplication::styleHints()->wheelScrollLines()) : 3;
        return TRUE;
    default: return FALSE;
    }
}

}  // namespace

int GetSystemMetrics(int index) {
    const int caption = captionHeight();
    switch (index) {
    case SM_CXSCREEN: return screenRect().width();
    case SM_CYSCREEN: return screenRect().height();
    case SM_CXFULLSCREEN: return workArea().width();
    case SM_CYFULLSCREEN: return workArea().height() - caption;
    case SM_CXMAXIMIZED: return workArea().width() + 2 * GetSystemMetrics(SM_CXFRAME);
    case SM_CYMAXIMIZED: return workArea().height() + 2 * GetSystemMetrics(SM_CYFRAME);
    case SM_XVIRTUALSCREEN: return virtualRect().left();
    case SM_YVIRTUALSCREEN: return virtualRect().top();
    case SM_CXVIRTUALSCREEN: return virtualRect().width();
    case SM_CYVIRTUALSCREEN: return virtualRect().height();
    case SM_CMONITORS: return onGuiThread() ? std::max<int>(1, static_cast<int>(QGuiApplication::screens().size())) : 1;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL: return styleMetric(QStyle::PM_ScrollBarExtent, 16);
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return styleMetric(QStyle::PM_ScrollBarSliderMin, 16);
    case SM_CYCAPTION: return caption;
    case SM_CXSIZE:
    case SM_CYSIZE: return caption - 2;
    case SM_CYSMCAPTION: return std::max(15, caption * 3 / 4);
    case SM_CXSMSIZE:
    case SM_CYSMSIZE: return std::max(13, caption * 3 / 4 - 2);
    case SM_CXBORDER:
    case SM_CYBORDER:
    case SM_CXFOCUSBORDER:
    case SM_CYFOCUSBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return std::max(4, styleMetric(QStyle::PM_MdiSubWindowFrameWidth, 4));
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXICON:
    case SM_CYICON: return styleMetric(QStyle::PM_LargeIconSize, 32);
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return styleMetric(QStyle::PM_SmallIconSize, 16);
    case SM_CYMENU: {
        const int text = onGuiThread() && widgetsApp() ? QFontMetrics(QApplication::font("QMenuBar")).height() : 14;
        return text + 6;
    }
    case SM_CXMENUSIZE:
    case SM_CYMENUSIZE: return GetSystemMetrics(SM_CYMENU);
    case SM_CXMENUCHECK: return styleMetric(QStyle::PM_IndicatorWidth, 13);
    case SM_CYMENUCHECK: return styleMetric(QStyle::PM_IndicatorHeight, 13);
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    case SM_CXDRAG:
    case SM_CYDRAG: return onGuiThread() ? std::max(1, QGuiApplication::styleHints()->startDragDistance()) : 4;
    case SM_MOUSEWHEELPRESENT: return 1;
    case SM_SWAPBUTTON: return 0;
    default: return 0;
    }
}

DWORD GetSysColor(int index) {
    if (index < 0 || index >= COLOR_COUNT) return 0;
    std::lock_guard lock(coloursMutex);
    if (onGuiThread()) lastColours = fromPalette(QGuiApplication::palette());
    return lastColours[static_cast<std::size_t>(index)];
}

BOOL SystemParametersInfoA(UINT action, UINT param, void* data, UINT) {
    const BOOL ok = systemParameters<LOGFONTA, NONCLIENTMETRICSA>(action, param, data);
    if (!ok) SetLastError(ERROR_INVALID_PARAMETER);
    return ok;
}

BOOL SystemParametersInfoW(UINT action, UINT param, void* data, UINT) {
    const BOOL ok = systemParameters<LOGFONTW, NONCLIENTMETRICSW>(action, param, data);
    if (!ok) SetLastError(ERROR_INVALID_PARAMETER);
    return ok;
}
