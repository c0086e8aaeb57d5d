// Wide menu items, the popup list's wide hints, wide shortcut texts and hot keys.
#include "widetext/WideMenus.h"

#include "classlib/Consts.h"
#include "classlib/Forms.h"
#include "classlib/ImgList.h"
#include "platform/locale.h"
#include "widetext/WideActnList.h"
#include "widetext/WideForms.h"
#include "widetext/WideGraphics.h"
#include "widetext/WideProperties.h"

#include <set>
#include <vector>

namespace {

std::set<TWideMenuItem*>& liveItems() {
    static auto* s = new std::set<TWideMenuItem*>;
    return *s;
}

bool isFarEast() {
    switch (PRIMARYLANGID(LANGIDFROMLCID(GetSystemDefaultLCID()))) {
    case 0x04:  // Chinese
    case 0x11:  // Japanese
    case 0x12:  // Korean
        return true;
    default: return false;
    }
}

// A Far East hot-key group "(&X)" starting at the "(" at i.
bool isHotKeyGroup(const WideString& S, std::size_t i) {
    return i + 3 < S.size() && S[i] == u'(' && S[i + 1] == u'&' && S[i + 2] != u'&' && S[i + 3] == u')';
}

// A caption as its stripped text and the marks that go between its characters: each mark
// is "&" or a whole group "(&X)", placed before the stripped character at its position.
struct Marks {
    WideString stripped;
    std::vector<std::pair<std::size_t, WideString>> inserts;
};

Marks marksOf(const WideString& S, bool farEast) {
    Marks m;
    for (std::size_t i = 0; i < S.size(); ++i) {
        if (farEast && isHotKeyGroup(S, i)) {
            m.inserts.emplace_back(m.stripped.size(), S.substr(i, 4));
            i += 3;
            continue;
        }
        if (S[i] == u'&') {
            if (i + 1 < S.size() && S[i + 1] == u'&') {
                m.stripped += u'&';
                ++i;
            } else {
                m.inserts.emplace_back(m.stripped.size(), u"&");
            }
            continue;
        }
        m.stripped += S[i];
    }
    return m;
}

// The top-level items of a main menu show on its bar, without shortcuts.
bool onBar(const TMenuItem* Item) {
    TMenu* menu = Item->GetParentMenu();
    return menu && menu->IsBar() && Item->Parent() == menu->Items();
}

void refreshTree(TMenuItem* Item) {
    for (int i = 0; i < Item->Count(); ++i) refreshTree(Item->Items(i));
    if (auto* w = qobject_cast<TWideMenuItem*>(Item)) w->UpdatePlatformText(false);
}

UINT readingOrder(const TMenuItem* Item) {
    (void)Item;
    return 0;
}

}  // namespace

// ---- Hot keys ------------------------------------------------------------------------------

int WideGetHotKeyPos(const WideString& S) {
    int result = 0;
    for (std::size_t i = 0; i < S.size(); ++i) {
        if (S[i] != u'&' || i + 1 >= S.size()) continue;
        ++i;
        if (S[i] != u'&') result = static_cast<int>(i) + 1;
    }
    return result;
}

WideString WideGetHotKey(const WideString& S) {
    const int pos = WideGetHotKeyPos(S);
    return pos > 0 ? S.substr(static_cast<std::size_t>(pos) - 1, 1) : WideString();
}

WideString WideStripHotKey(const WideString& S) {
    const bool farEast = isFarEast();
    WideString out;
    for (std::size_t i = 0; i < S.size(); ++i) {
        if (farEast && isHotKeyGroup(S, i)) {
            i += 3;
            continue;
        }
        if (S[i] == u'&') {
            if (i + 1 < S.size()) out += S[++i];
            continue;
        }
        out += S[i];
    }
    return out;
}

bool WideSameCaption(const WideString& A, const WideString& B) {
    return WideSameTextLocale(WideStripHotKey(A), WideStripHotKey(B));
}

bool WideSameCaptionStr(const WideString& A, const WideString& B) { return WideStripHotKey(A) == WideStripHotKey(B); }

void SyncHotKeyPosition(const WideString& Source, WideString& Dest) {
    const String ansiSource = WideToAnsi(Source);
    const String ansiDest = WideToAnsi(Dest);
    if (ansiSource == ansiDest) return;
    if (WideStripHotKey(AnsiToWide(ansiSource)) != WideStripHotKey(AnsiToWide(ansiDest))) return;
    const bool farEast = isFarEast();
    const Marks source = marksOf(Source, farEast);
    const WideString stripped = marksOf(Dest, farEast).stripped;
    WideString out;
    std::size_t next = 0;
    for (std::size_t i = 0; i <= stripped.size(); ++i) {
        for (; next < source.inserts.size() && source.inserts[next].first == i; ++next) out += source.inserts[next].second;
        if (i == stripped.size()) break;
        out += stripped[i];
        if (stripped[i] == u'&') out += u'&';
    }
    // Marks beyond the end of a shorter text go at its end.
    for (; next < source.inserts.size(); ++next) out += source.inserts[next].second;
    if (WideToAnsi(out) != ansiSource)
        throw EWideInternalError(WideToAnsi(WideFormatText(u"Internal Error: SyncHotKeyPosition Failed (\"%s\" <> \"%s\").",
                                                           {ansiSource, WideToAnsi(out)})));
    Dest = out;
}

// ---- Shortcut texts --------------------------------------------------------------------------

namespace {

struct KeyName {
    WORD key;
    const char16_t* name;
};

constexpr KeyName kKeyNames[] = {
    {VK_PAUSE, u"Pause"},        {VK_CAPITAL, u"Caps Lock"},   {VK_SNAPSHOT, u"Print Screen"},
    {VK_APPS, u"Application"},   {VK_MULTIPLY, u"Num *"},      {VK_ADD, u"Num +"},
    {VK_SUBTRACT, u"Num -"},     {VK_DECIMAL, u"Num Del"},     {VK_DIVIDE, u"Num /"},
    {VK_NUMLOCK, u"Num Lock"},   {VK_SCROLL, u"Scroll Lock"},  {0xBA, u";"},
    {0xBB, u"="},                {0xBC, u","},                 {0xBD, u"-"},
    {0xBE, u"."},                {0xBF, u"/"},                 {0xC0, u"`"},
    {0xDB, u"["},                {0xDC, u"\\"},                {0xDD, u"]"},
    {0xDE, u"'"},
};

// Keys the class library names itself (Backspace, Tab, Enter, Esc, Space to Down, Ins, Del).
bool classLibraryKey(WORD key) {
    return key == VK_BACK || key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE ||
           (key >= VK_SPACE && key <= VK_DOWN) || key == VK_INSERT || key == VK_DELETE;
}

}  // namespace

WideString WideShortCutToText(TShortCut ShortCut) {
    const auto key = static_cast<WORD>(ShortCut & 0xFF);
    if (!PlatformHasWideApi() || classLibraryKey(key)) return AnsiToWide(::ShortCutToText(ShortCut));
    WideString name;
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) {
        name = WideString(1, static_cast<char16_t>(key));
    } else if (key >= VK_NUMPAD0 && key <= VK_NUMPAD0 + 9) {
        name = WideString(1, static_cast<char16_t>(u'0' + key - VK_NUMPAD0));
    } else if (key >= VK_F1 && key <= VK_F24) {
        name = u"F" + AnsiToWide(std::to_string(key - VK_F1 + 1));
    } else {
        for (const KeyName& k : kKeyNames)
            if (k.key == key) name = k.name;
    }
    if (name.empty()) return WideString();
    WideString out;
    if (ShortCut & scShift) out += LoadResStringW(&SmkcShift);
    if (ShortCut & scCtrl) out += LoadResStringW(&SmkcCtrl);
    if (ShortCut & scAlt) out += LoadResStringW(&SmkcAlt);
    return out + name;
}

// ---- Menu items --------------------------------------------------------------------------------

TWideMenuItem::TWideMenuItem(TComponent* AOwner) : TMenuItem(AOwner) { liveItems().insert(this); }

TWideMenuItem::~TWideMenuItem() { liveItems().erase(this); }

TWideMenuItem* TWideMenuItem::FromData(ULONG_PTR Data) {
    auto* item = reinterpret_cast<TWideMenuItem*>(Data);
    return item && liveItems().count(item) ? item : nullptr;
}

WideString TWideMenuItem::Caption() {
    // Someone moved the 8-bit caption's hot key: the wide one moves with it.
    SyncHotKeyPosition(AnsiToWide(TMenuItem::Caption()), FCaption);
    return GetSyncedWideString(FCaption, TMenuItem::Caption());
}

void TWideMenuItem::SetCaption(const WideString& Value) {
    SetSyncedWideString(Value, FCaption, TMenuItem::Caption(), [this](const String& s) { TMenuItem::SetCaption(s); });
}

WideString TWideMenuItem::Hint() { return GetSyncedWideString(FHint, TMenuItem::Hint()); }

void TWideMenuItem::SetHint(const WideString& Value) {
    SetSyncedWideString(Value, FHint, TMenuItem::Hint(), [this](const String& s) { TMenuItem::SetHint(s); });
}

bool TWideMenuItem::IsCaptionStored() const {
    auto* link = qobject_cast<TActionLink*>(ActionLink());
    return !(link && link->IsCaptionLinked());
}

bool TWideMenuItem::IsHintStored() const {
    auto* link = qobject_cast<TActionLink*>(ActionLink());
    return !(link && link->IsHintLinked());
}

void TWideMenuItem::Loaded() {
    TMenuItem::Loaded();
    UpdatePlatformText();
}

void TWideMenuItem::DefineProperties(TFiler* Filer) {
    TMenuItem::DefineProperties(Filer);
    DefineWidePropertiesHook(Filer, this);
}

void TWideMenuItem::ActionChange(TObject* Sender, bool CheckDefaults) {
    auto* a = qobject_cast<TCustomAction*>(Sender);
    if (a && dynamic_cast<IWideCustomAction*>(a)) {
        if (!CheckDefaults || Caption().empty()) SetCaption(WideGetActionCaption(a));
        if (!CheckDefaults || Hint().empty()) SetHint(WideGetActionHint(a));
    }
    TMenuItem::ActionChange(Sender, CheckDefaults);
}

TBasicActionLink* TWideMenuItem::CreateActionLink() { return new TWideMenuActionLink(this); }

void TWideMenuItem::MenuChanged(bool Rebuild) {
    if (FSuspended) return;
    TMenuItem::MenuChanged(Rebuild);
    if (TMenu* menu = GetParentMenu()) RefreshWideMenu(menu);
}

void TWideMenuItem::ItemBuilt(HMENU Menu, bool TopOfBar) { updateTextIn(Menu, TopOfBar, false); }

void TWideMenuItem::UpdatePlatformText(bool RedrawBar) {
    if (!Parent()) return;
    updateTextIn(Parent()->Handle(), onBar(this), RedrawBar);
}

void TWideMenuItem::updateTextIn(HMENU Menu, bool TopOfBar, bool RedrawBar) {
    if (!PlatformHasWideApi() || !Visible() || !Parent() || !GetParentMenu() || IsLine() || !Menu) return;
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    if (!GetMenuItemInfoW(Menu, Command(), FALSE, &info)) return;
    if (info.fType & (MFT_BITMAP | MFT_OWNERDRAW | MFT_SEPARATOR)) return;
    WideString text = Caption();
    if (Count() == 0 && ShortCut() != 0 && !TopOfBar)
        if (const WideString sc = WideShortCutToText(ShortCut()); !sc.empty()) text += u'\t' + sc;
    const int length = GetMenuStringW(Menu, Command(), nullptr, 0, MF_BYCOMMAND);
    WideString current(static_cast<std::size_t>(std::max(length, 0)) + 1, u'\0');
    current.resize(static_cast<std::size_t>(
        std::max(0, GetMenuStringW(Menu, Command(), current.data(), length + 1, MF_BYCOMMAND))));
    if (current == text) return;
    info.fMask = MIIM_STRING;
    info.dwTypeData = text.data();
    if (!SetMenuItemInfoW(Menu, Command(), FALSE, &info)) RaiseLastSystemError();
    if (TopOfBar && RedrawBar)
        if (auto* main = qobject_cast<TMainMenu*>(GetParentMenu()); main && main->WindowHandle())
            DrawMenuBar(main->WindowHandle());
}

void TWideMenuItem::drawText(TCanvas* ACanvas, const WideString& Text, RECT& Rect, bool Selected, UINT Flags) {
    WideString text = Text;
    if ((Flags & DT_CALCRECT) && (text.empty() || text == u"&")) text += u' ';
    const HDC dc = ACanvas->Handle();
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, ACanvas->Font()->Handle());
    if (!Enabled() && !(Flags & DT_CALCRECT)) {
        if (!Selected) {
            OffsetRect(&Rect, 1, 1);
            SetTextColor(dc, ColorToRGB(clBtnHighlight));
            WideApiDrawText(dc, text.c_str(), -1, Rect, Flags);
            OffsetRect(&Rect, -1, -1);
        }
        const bool highlightIsShadow = ColorToRGB(clHighlight) == ColorToRGB(clBtnShadow);
        SetTextColor(dc, ColorToRGB(Selected && highlightIsShadow ? clBtnHighlight : clBtnShadow));
        WideApiDrawText(dc, text.c_str(), -1, Rect, Flags);
    } else {
        if (!(Flags & DT_CALCRECT)) SetTextColor(dc, ColorToRGB(Selected ? clHighlightText : clMenuText));
        WideApiDrawText(dc, text.c_str(), -1, Rect, Flags);
    }
    SelectObject(dc, oldFont);
    SetBkMode(dc, oldMode);
}

void TWideMenuItem::DrawItem(TCanvas* ACanvas, const RECT& ARect, bool Selected) {
    TMenu* menu = GetParentMenu();
    if (!PlatformHasWideApi() || IsLine() || (menu && menu->IsOwnerDraw() && OnDrawItem)) {
        TMenuItem::DrawItem(ACanvas, ARect, Selected);
        return;
    }
    // The class library draws the face (background, selection, check mark, image) without
    // texts; the wide texts follow in its layout.
    const String ansiCaption = TMenuItem::Caption();
    const int shortCut = ShortCut();
    FSuspended = true;
    try {
        TMenuItem::SetCaption(String());
        SetShortCut(0);
        TMenuItem::DrawItem(ACanvas, ARect, Selected);
    } catch (...) {
        TMenuItem::SetCaption(ansiCaption);
        SetShortCut(shortCut);
        FSuspended = false;
        throw;
    }
    TMenuItem::SetCaption(ansiCaption);
    SetShortCut(shortCut);
    FSuspended = false;

    TCustomImageList* images = menu ? menu->Images() : nullptr;
    const int glyph = images ? images->Width() : 16;
    UINT align = DT_LEFT;
    if (auto* popup = qobject_cast<TPopupMenu*>(menu)) {
        if (popup->Alignment() == paRight) align = DT_RIGHT;
        else if (popup->Alignment() == paCenter) align = DT_CENTER;
    }
    const UINT flags = align | DT_EXPANDTABS | DT_SINGLELINE | readingOrder(this);
    if (Default()) ACanvas->Font()->SetStyle(ACanvas->Font()->Style() | fsBold);
    RECT text = ARect;
    text.left += glyph + 2 + 8;
    RECT measured = text;
    drawText(ACanvas, Caption(), measured, Selected, flags | DT_CALCRECT | DT_NOCLIP);
    const int h = measured.bottom - measured.top;
    text.top = ARect.top + ((ARect.bottom - ARect.top) - h) / 2;
    text.bottom = text.top + h;
    drawText(ACanvas, Caption(), text, Selected, flags);
    if (shortCut != 0) {
        RECT sc = ARect;
        sc.right -= 10;
        sc.top = text.top;
        sc.bottom = text.bottom;
        drawText(ACanvas, WideShortCutToText(shortCut), sc, Selected, DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX);
    }
}

void TWideMenuItem::MeasureItem(TCanvas* ACanvas, int& Width, int& Height) {
    if (!PlatformHasWideApi() || IsLine()) {
        TMenuItem::MeasureItem(ACanvas, Width, Height);
        return;
    }
    // The class library's size without the program's handler, widened for the wide texts.
    const TMenuMeasureItemEvent own = OnMeasureItem;
    OnMeasureItem = TMenuMeasureItemEvent();
    try {
        TMenuItem::MeasureItem(ACanvas, Width, Height);
    } catch (...) {
        OnMeasureItem = own;
        throw;
    }
    OnMeasureItem = own;
    const auto width = [&](const WideString& s) {
        RECT r{0, 0, 0, 0};
        drawText(ACanvas, s, r, false, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
        return static_cast<int>(r.right - r.left);
    };
    Width += width(Caption()) - width(AnsiToWide(TMenuItem::Caption()));
    if (ShortCut() != 0) Width += width(WideShortCutToText(ShortCut())) - width(AnsiToWide(::ShortCutToText(ShortCut())));
    if (own) own(this, ACanvas, Width, Height);
}

void RefreshWideMenu(TMenu* Menu) {
    // A changed entry of a menu bar shows by itself.
    if (Menu && PlatformHasWideApi()) refreshTree(Menu->Items());
}

// ---- The popup list -------------------------------------------------------------------------------

namespace {
TWidePopupList* popupList = nullptr;
}  // namespace

TMenuItem* MenuItemOfSelection(WPARAM WParam, LPARAM LParam) {
    const UINT flags = HIWORD(WParam);
    const auto menu = reinterpret_cast<HMENU>(LParam);
    if ((flags == 0xFFFF && !menu) || !menu) return nullptr;
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_DATA;
    const bool byPosition = (flags & MF_POPUP) != 0;
    if (!GetMenuItemInfoW(menu, LOWORD(WParam), byPosition ? TRUE : FALSE, &info)) return nullptr;
    return TWideMenuItem::FromData(info.dwItemData);
}

TWidePopupList::TWidePopupList() {
    const HWND wnd = PopupListWindow();
    FPreviousProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd, GWLP_WNDPROC));
    popupList = this;
    SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&windowProc));
}

TWidePopupList::~TWidePopupList() {
    const HWND wnd = PopupListWindow();
    if (IsWindow(wnd) && reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd, GWLP_WNDPROC)) == &windowProc)
        SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FPreviousProc));
    if (popupList == this) popupList = nullptr;
}

LRESULT TWidePopupList::windowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    const WNDPROC previous = popupList ? popupList->FPreviousProc : nullptr;
    if (Msg == WM_ENTERMENULOOP) {
        // The menus about to show carry the wide captions.
        for (TWideMenuItem* item : std::vector<TWideMenuItem*>(liveItems().begin(), liveItems().end()))
            if (liveItems().count(item) && qobject_cast<TPopupMenu*>(item->GetParentMenu())) item->UpdatePlatformText(false);
    }
    const LRESULT result = previous ? CallWindowProcA(previous, Wnd, Msg, WParam, LParam) : DefWindowProcA(Wnd, Msg, WParam, LParam);
    if (Msg == WM_MENUSELECT && WideApplication) {
        // The class library set the 8-bit hint; the wide hint of a wide item follows.
        if (TWideMenuItem* item = qobject_cast<TWideMenuItem*>(MenuItemOfSelection(WParam, LParam)))
            WideApplication->SetHint(GetLongHint(item->Hint()));
    }
    return result;
}
