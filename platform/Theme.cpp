// Visual styles: theme handles, and parts and states drawn through the widget style.
#include "DeviceContext.h"
#include "platform/uxtheme.h"

#include <QApplication>
#include <QStyle>
#include <QStyleOption>

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace {

std::atomic<bool> themesOn{true};

struct Theme {
    std::u16string cls;
};

std::mutex& mutex() {
    static std::mutex m;
    return m;
}

std::set<Theme*>& themes() {
    static auto* s = new std::set<Theme*>;
    return *s;
}

Theme* themeOf(HTHEME h) {
    std::lock_guard lock(mutex());
    auto* t = reinterpret_cast<Theme*>(h);
    return themes().count(t) ? t : nullptr;
}

QStyle* style() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::style() : nullptr;
}

bool sameClass(std::u16string a, const char16_t* b) {
    for (auto& c : a)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return a == b;
}

// The state of a push button, check box or radio button as the style's state flags.
QStyle::State buttonState(int part, int state, bool* checked, bool* mixed) {
    *checked = false;
    *mixed = false;
    int s = state;
    if (part == BP_CHECKBOX || part == BP_RADIOBUTTON) {
        if (s >= 9 && part == BP_CHECKBOX) {
            *mixed = true;
            s -= 8;
        } else if (s >= 5) {
            *checked = true;
            s -= 4;
        }
    }
    if (s < 1 || s > 5) s = 1;
    QStyle::State out = QStyle::State_Active;
    if (s != PBS_DISABLED) out |= QStyle::State_Enabled;
    if (s == PBS_HOT) out |= QStyle::State_MouseOver;
    if (s == PBS_PRESSED) out |= QStyle::State_Sunken;
    else if (part == BP_PUSHBUTTON) out |= QStyle::State_Raised;
    if (part != BP_PUSHBUTTON) out |= *mixed ? QStyle::State_NoChange : *checked ? QStyle::State_On : QStyle::State_Off;
    return out;
}

// Draws a part into an image of its size.
QImage renderPart(int part, int state, const QSize& size) {
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QStyle* st = style();
    if (!st) return image;
    QPainter p(&image);
    bool checked = false, mixed = false;
    const QStyle::State flags = buttonState(part, state, &checked, &mixed);
    const QRect r(QPoint(0, 0), size);
    switch (part) {
    case BP_PUSHBUTTON: {
        QStyleOptionButton o;
        o.rect = r;
        o.state = flags;
        o.palette = QApplication::palette();
        if (state == PBS_DEFAULTED) o.features |= QStyleOptionButton::DefaultButton;
        st->drawControl(QStyle::CE_PushButtonBevel, &o, &p);
        break;
    }
    case BP_CHECKBOX:
    case BP_RADIOBUTTON: {
        QStyleOptionButton o;
        const int w = st->pixelMetric(part == BP_CHECKBOX ? QStyle::PM_IndicatorWidth : QStyle::PM_ExclusiveIndicatorWidth);
        const int h = st->pixelMetric(part == BP_CHECKBOX ? QStyle::PM_IndicatorHeight : QStyle::PM_ExclusiveIndicatorHeight);
        o.rect = QRect(r.left() + (r.width() - w) / 2, r.top() + (r.height() - h) / 2, w, h);
        o.state = flags;
        o.palette = QApplication::palette();
        st->drawPrimitive(part == BP_CHECKBOX ? QStyle::PE_IndicatorCheckBox : QStyle::PE_IndicatorRadioButton, &o, &p);
        break;
    }
    case BP_GROUPBOX: {
        QStyleOptionFrame o;
        o.rect = r;
        o.state = state == GBS_DISABLED ? QStyle::State_None : QStyle::State_Enabled;
        o.palette = QApplication::palette();
        o.lineWidth = 1;
        st->drawPrimitive(QStyle::PE_FrameGroupBox, &o, &p);
        break;
    }
    default: break;
    }
    return image;
}

bool validPart(int part) { return part >= BP_PUSHBUTTON && part <= BP_GROUPBOX; }

QRect rectOf(const RECT& r) { return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)); }

}  // namespace

namespace platform {
void setThemesInUse(bool on) { themesOn = on; }
bool themesInUse() { return themesOn && style() != nullptr; }
}  // namespace platform

BOOL IsThemeActive() { return platform::themesInUse() ? TRUE : FALSE; }
BOOL IsAppThemed() { return platform::themesInUse() ? TRUE : FALSE; }

HTHEME OpenThemeData(HWND, LPCWSTR classList) {
    if (!platform::themesInUse() || !classList) return nullptr;
    // The list holds names separated by semicolons; the first known one is taken.
    std::u16string list(classList);
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(u';', start), list.size());
        const std::u16string name = list.substr(start, end - start);
        if (sameClass(name, u"BUTTON")) {
            auto* t = new Theme{u"BUTTON"};
            std::lock_guard lock(mutex());
            themes().insert(t);
            return reinterpret_cast<HTHEME>(t);
        }
        start = end + 1;
    }
    return nullptr;
}

HRESULT CloseThemeData(HTHEME theme) {
    std::lock_guard lock(mutex());
    auto* t = reinterpret_cast<Theme*>(theme);
    if (!themes().erase(t)) return E_HANDLE;
    delete t;
    return S_OK;
}

HRESULT DrawThemeBackground(HTHEME theme, HDC handle, int part, int state, const RECT* rect, const RECT* clip) {
    if (!themeOf(theme)) return E_HANDLE;
    auto* dc = platform::gdi::findDC(handle);
    if (!dc || !rect || !validPart(part)) return E_INVALIDARG;
    const QRect r = rectOf(*rect);
    if (r.isEmpty()) return S_OK;
    const QImage image = renderPart(part, state, r.size());
    QRect area = r;
    if (clip) area &= rectOf(*clip);
    if (area.isEmpty()) return S_OK;
    platform::gdi::Paint p(*dc, false, area);
    if (!p.active()) return S_OK;
    p.painter().setClipRect(area, Qt::IntersectClip);
    p.painter().drawImage(r.topLeft(), image);
    p.touched(area);
    return S_OK;
}

HRESULT DrawThemeText(HTHEME theme, HDC dc, int part, int state, LPCWSTR text, int count, DWORD textFlags, DWORD,
                      const RECT* rect) {
    if (!themeOf(theme)) return E_HANDLE;
    if (!platform::gdi::findDC(dc) || !rect || !text) return E_INVALIDARG;
    bool checked = false, mixed = false;
    const bool enabled = (buttonState(part, state, &checked, &mixed) & QStyle::State_Enabled) != 0;
    const QColor c = QApplication::palette().color(enabled ? QPalette::Active : QPalette::Disabled,
                                                   part == BP_GROUPBOX ? QPalette::WindowText : QPalette::ButtonText);
    const COLORREF oldColour = SetTextColor(dc, RGB(c.red(), c.green(), c.blue()));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    RECT r = *rect;
    DrawTextW(dc, text, count, &r, textFlags & ~DT_CALCRECT);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColour);
    return S_OK;
}

HRESULT DrawThemeParentBackground(HWND wnd, HDC dc, const RECT* rect) {
    const HWND parent = GetParent(wnd);
    if (!parent || !platform::gdi::findDC(dc)) return E_INVALIDARG;
    POINT at{0, 0};
    MapWindowPoints(wnd, parent, &at, 1);
    const int saved = SaveDC(dc);
    if (rect) IntersectClipRect(dc, rect->left, rect->top, rect->right, rect->bottom);
    POINT origin{};
    GetViewportOrgEx(dc, &origin);
    SetViewportOrgEx(dc, origin.x - at.x, origin.y - at.y, nullptr);
    SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SendMessageW(parent, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    RestoreDC(dc, saved);
    return S_OK;
}

HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC, int part, int state, const RECT* bounds, RECT* content) {
    if (!themeOf(theme)) return E_HANDLE;
    if (!bounds || !content || !validPart(part)) return E_INVALIDARG;
    *content = *bounds;
    QStyle* st = style();
    if (!st || part != BP_PUSHBUTTON) return S_OK;
    QStyleOptionButton o;
    o.rect = rectOf(*bounds);
    bool checked = false, mixed = false;
    o.state = buttonState(part, state, &checked, &mixed);
    const QRect c = st->subElementRect(QStyle::SE_PushButtonContents, &o, nullptr);
    *content = RECT{c.left(), c.top(), c.left() + c.width(), c.top() + c.height()};
    return S_OK;
}

HRESULT GetThemePartSize(HTHEME theme, HDC, int part, int state, const RECT*, THEMESIZE, SIZE* out) {
    if (!themeOf(theme)) return E_HANDLE;
    QStyle* st = style();
    if (!out || !validPart(part) || !st) return E_INVALIDARG;
    switch (part) {
    case BP_CHECKBOX:
        *out = SIZE{st->pixelMetric(QStyle::PM_IndicatorWidth), st->pixelMetric(QStyle::PM_IndicatorHeight)};
        break;
    case BP_RADIOBUTTON:
        *out = SIZE{st->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth), st->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight)};
        break;
    default: {
        QStyleOptionButton o;
        bool checked = false, mixed = false;
        o.state = buttonState(part, state, &checked, &mixed);
        const QSize s = st->sizeFromContents(QStyle::CT_PushButton, &o, QSize(0, 0), nullptr);
        *out = SIZE{s.width(), s.height()};
        break;
    }
    }
    return S_OK;
}

BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int part, int state) {
    if (!themeOf(theme) || !validPart(part)) return FALSE;
    // Transparent when a corner of the drawn part shows through.
    const QImage image = renderPart(part, state, QSize(40, 24));
    return qAlpha(image.pixel(0, 0)) < 255 || qAlpha(image.pixel(image.width() - 1, image.height() - 1)) < 255 ? TRUE
                                                                                                           : FALSE;
}
