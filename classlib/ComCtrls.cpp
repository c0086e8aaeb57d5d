// The up-down control.
#include "classlib/ComCtrls.h"

TCustomUpDown::TCustomUpDown(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = GetSystemMetrics(SM_CXVSCROLL);
    FHeight = GetSystemMetrics(SM_CYVSCROLL) * 2;
    ControlStyle = csCaptureMouse | csFixedWidth | csDoubleClicks;
}

void TCustomUpDown::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    CreateSubClass(p, UPDOWN_CLASSA);
    if (FArrowKeys) p.Style |= UDS_ARROWKEYS;
    if (FOrientation == udHorizontal) p.Style |= UDS_HORZ;
    if (FWrap) p.Style |= UDS_WRAP;
    p.Style |= UDS_NOTHOUSANDS;
    if (FAssociate) p.Style |= UDS_SETBUDDYINT;
}

void TCustomUpDown::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageA(FHandle, UDM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
    SendMessageA(FHandle, UDM_SETPOS32, 0, FPosition);
    if (FAssociate && FAssociate->HandleAllocated())
        SendMessageA(FHandle, UDM_SETBUDDY, reinterpret_cast<WPARAM>(FAssociate->Handle()), 0);
}

void TCustomUpDown::SetMin(int v) {
    if (FMin == v) return;
    FMin = v;
    if (FHandle) SendMessageA(FHandle, UDM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

void TCustomUpDown::SetMax(int v) {
    if (FMax == v) return;
    FMax = v;
    if (FHandle) SendMessageA(FHandle, UDM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

int TCustomUpDown::Position() {
    if (FHandle) FPosition = static_cast<int>(SendMessageA(FHandle, UDM_GETPOS32, 0, 0));
    return FPosition;
}

void TCustomUpDown::SetPosition(int v) {
    FPosition = v;
    if (FHandle) SendMessageA(FHandle, UDM_SETPOS32, 0, v);
}

void TCustomUpDown::SetIncrement(int v) { FIncrement = v; }

void TCustomUpDown::SetOrientation(TUDOrientation v) {
    if (FOrientation == v) return;
    FOrientation = v;
    if (!ComponentState().Contains(csLoading)) SetBounds(FLeft, FTop, FHeight, FWidth);
    RecreateWnd();
}

void TCustomUpDown::SetWrap(bool v) {
    if (FWrap == v) return;
    FWrap = v;
    RecreateWnd();
}

void TCustomUpDown::SetArrowKeys(bool v) {
    if (FArrowKeys == v) return;
    FArrowKeys = v;
    RecreateWnd();
}

void TCustomUpDown::SetAssociate(TWinControl* v) {
    if (FAssociate == v) return;
    if (FAssociate) FAssociate->RemoveFreeNotification(this);
    FAssociate = v;
    if (v) {
        v->FreeNotification(this);
        // The up-down control sits at the right edge of its associate.
        if (v->Parent() == FParent && FParent) SetBounds(v->Left() + v->Width(), v->Top(), FWidth, v->Height());
    }
    RecreateWnd();
    if (v) v->SetText(std::to_string(FPosition));
}

void TCustomUpDown::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FAssociate) FAssociate = nullptr;
}

bool TCustomUpDown::CanChange() {
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    return allow;
}

void TCustomUpDown::Click(TUDBtnType button) {
    if (OnClick) OnClick(this, button);
}

void TCustomUpDown::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_NOTIFY: {
        const auto* nm = reinterpret_cast<NMUPDOWN*>(m.LParam);
        if (nm && nm->hdr.code == UDN_DELTAPOS) {
            m.Result = CanChange() ? 0 : 1;
            // The step is the increment.
            if (m.Result == 0) reinterpret_cast<NMUPDOWN*>(m.LParam)->iDelta = nm->iDelta * FIncrement;
        }
        return;
    }
    case CN_HSCROLL:
    case CN_VSCROLL:
        if (m.WParamLo() == SB_THUMBPOSITION) {
            const int pos = static_cast<SHORT>(m.WParamHi());
            if (pos > FPosition) Click(btNext);
            else if (pos < FPosition) Click(btPrev);
            FPosition = pos;
        }
        return;
    default: TWinControl::Dispatch(m); return;
    }
}


// Status bars

#include "classlib/Menus.h"
#include "platform/codepage.h"

#include <algorithm>

namespace {

// A canvas on a windowed control that also works outside painting.
class TWindowCanvas : public TCanvas {
public:
    explicit TWindowCanvas(TWinControl* c) : control_(c) {}
    ~TWindowCanvas() override { FreeHandle(); }
    void FreeHandle() {
        if (dc_ && HandleValue() == dc_) SetHandle(nullptr);
        if (dc_) ReleaseDC(wnd_, dc_);
        dc_ = nullptr;
    }

protected:
    void CreateHandle() override {
        wnd_ = control_->Handle();
        dc_ = GetDC(wnd_);
        if (dc_) SetHandle(dc_);
    }

private:
    TWinControl* control_;
    HWND wnd_ = nullptr;
    HDC dc_ = nullptr;
};

SIZE textSize(TFont* font, const String& text) {
    SIZE s{0, 0};
    // A memory DC: measuring on the screen's DC would grab the windows while they paint.
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return s;
    HGDIOBJ old = SelectObject(dc, font->Handle());
    const std::u16string w = platform::ansiToWide(text.empty() ? String(" ") : text);
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &r, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    DeleteDC(dc);
    s.cx = r.right - r.left;
    s.cy = r.bottom - r.top;
    return s;
}

}  // namespace

TStatusPanel::TStatusPanel(TCollection* ACollection) : TCollectionItem(ACollection) {}

void TStatusPanel::PanelChanged() { TCollectionItem::Changed(false); }

void TStatusPanel::SetText(const String& v) {
    if (FText == v) return;
    FText = v;
    PanelChanged();
}

void TStatusPanel::SetWidth(int v) {
    if (FWidth == v) return;
    FWidth = v;
    TCollectionItem::Changed(true);
}

void TStatusPanel::SetAlignment(TAlignment v) {
    if (FAlignment == v) return;
    FAlignment = v;
    PanelChanged();
}

void TStatusPanel::SetBevel(TStatusPanelBevel v) {
    if (FBevel == v) return;
    FBevel = v;
    PanelChanged();
}

void TStatusPanel::SetStyle(TStatusPanelStyle v) {
    if (FStyle == v) return;
    FStyle = v;
    PanelChanged();
}

void TStatusPanel::Assign(TPersistent* Source) {
    if (auto* p = qobject_cast<TStatusPanel*>(Source)) {
        FText = p->FText;
        FWidth = p->FWidth;
        FAlignment = p->FAlignment;
        FBevel = p->FBevel;
        FStyle = p->FStyle;
        TCollectionItem::Changed(false);
        return;
    }
    TCollectionItem::Assign(Source);
}

TStatusPanels::TStatusPanels(TStatusBar* AOwner)
    : TOwnedCollection(AOwner, CollectionItemClass<TStatusPanel>()), FStatusBar(AOwner) {}

TStatusPanel* TStatusPanels::Add() { return static_cast<TStatusPanel*>(TCollection::Add()); }

void TStatusPanels::Update(TCollectionItem*) {
    if (FStatusBar) FStatusBar->UpdatePanels();
}

TStatusBar::TStatusBar(TComponent* AOwner) : TCustomControl(AOwner) {
    delete FCanvas;
    FCanvas = new TWindowCanvas(this);
    FPanels = new TStatusPanels(this);
    FPanels->SetPropName("Panels");
    ControlStyle = csCaptureMouse | csClickEvents | csDoubleClicks | csOpaque;
    FColor = clBtnFace;
    FBrush->SetColor(FColor);
    FHeight = 19;
    FWidth = 200;
    FAlign = alBottom;
}

TStatusBar::~TStatusBar() {
    delete FPanels;
    FPanels = nullptr;
}

void TStatusBar::CreateParams(TCreateParams& p) {
    TCustomControl::CreateParams(p);
    const INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
    InitCommonControlsEx(&init);
    CreateSubClass(p, STATUSCLASSNAMEA);
    // The class library places the bar itself.
    p.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    if (FSizeGrip) p.Style |= SBARS_SIZEGRIP;
}

void TStatusBar::CreateWnd() {
    TCustomControl::CreateWnd();
    UpdatePanels();
}

void TStatusBar::UpdatePanels() {
    if (!FHandle || !FPanels) return;
    SendMessageA(FHandle, SB_SIMPLE, FSimplePanel ? 1 : 0, 0);
    if (FSimplePanel) {
        SendMessageA(FHandle, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(FSimpleText.c_str()));
        return;
    }
    const int n = FPanels->Count();
    std::vector<int> edges;
    int right = 0;
    for (int i = 0; i < n; ++i) {
        right += std::max(0, FPanels->Items(i)->Width());
        edges.push_back(i == n - 1 ? -1 : right);
    }
    if (edges.empty()) edges.push_back(-1);
    SendMessageA(FHandle, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    if (n == 0) SendMessageA(FHandle, SB_SETTEXTA, SBT_NOBORDERS, reinterpret_cast<LPARAM>(""));
    for (int i = 0; i < n; ++i) {
        TStatusPanel* p = FPanels->Items(i);
        WPARAM type = static_cast<WPARAM>(i);
        if (p->Bevel() == pbNone) type |= SBT_NOBORDERS;
        if (p->Bevel() == pbRaised) type |= SBT_POPOUT;
        if (p->Style() == psOwnerDraw) {
            SendMessageA(FHandle, SB_SETTEXTA, type | SBT_OWNERDRAW, i);
            continue;
        }
        // Tabs place the text in the middle or at the right.
        const String text = (p->Alignment() == taCenter ? "\t" : p->Alignment() == taRightJustify ? "\t\t" : "") + p->Text();
        SendMessageA(FHandle, SB_SETTEXTA, type, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

void TStatusBar::SetSimplePanel(bool v) {
    if (FSimplePanel == v) return;
    FSimplePanel = v;
    UpdatePanels();
}

void TStatusBar::SetSimpleText(const String& v) {
    if (FSimpleText == v) return;
    FSimpleText = v;
    if (FSimplePanel) UpdatePanels();
}

void TStatusBar::SetSizeGrip(bool v) {
    if (FSizeGrip == v) return;
    FSizeGrip = v;
    RecreateWnd();
}

RECT TStatusBar::PanelRect(int Index) const {
    const int n = FPanels->Count();
    if (FSimplePanel || Index < 0 || Index >= n) return RECT{0, 0, 0, 0};
    const int w = ClientWidth();
    const int h = ClientHeight();
    int left = 0;
    for (int i = 0; i < Index; ++i) left += std::max(0, FPanels->Items(i)->Width());
    int right = Index == n - 1 ? std::max(w, left) : left + std::max(0, FPanels->Items(Index)->Width());
    // The area inside the panel's bevel.
    RECT r{left + 1, 3, right - 1, h - 1};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

void TStatusBar::PaintWindow(HDC DC) {
    // The window draws the panels; owner-drawn ones come back as CN_DRAWITEM.
    TWinControl::PaintWindow(DC);
}

void TStatusBar::DrawPanel(TStatusPanel* Panel, const RECT& Rect) {
    if (OnDrawPanel) OnDrawPanel(this, Panel, Rect);
}

void TStatusBar::Dispatch(TMessage& m) {
    if (m.Msg == CN_DRAWITEM) {
        const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
        m.Result = TRUE;
        if (!d || static_cast<int>(d->itemID) >= FPanels->Count()) return;
        // The canvas draws on the item's DC meanwhile; drawing of code outside painting
        // (which may have made the window paint) goes on afterwards.
        TCanvas* canvas = FCanvas;
        const HDC outside = canvas->HandleValue();
        canvas->SetHandle(d->hDC);
        canvas->Brush()->SetStyle(bsSolid);
        canvas->Brush()->SetColor(FColor);
        canvas->SetFont(FFont);
        DrawPanel(FPanels->Items(static_cast<int>(d->itemID)), d->rcItem);
        canvas->SetHandle(outside);
        return;
    }
    TCustomControl::Dispatch(m);
    if (m.Msg == WM_SIZE) Invalidate();
}

// Tab sheets

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
    ControlStyle = csAcceptsControls | csClickEvents | csSetCaption | csDoubleClicks;
    FVisible = false;
    FColor = clBtnFace;
    FBrush->SetColor(FColor);
    FWidth = 200;
    FHeight = 150;
}

TTabSheet::~TTabSheet() {
    if (FPageControl) FPageControl->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* v) {
    if (FPageControl == v) return;
    if (FPageControl) FPageControl->RemovePage(this);
    SetParent(v);
    if (v) v->InsertPage(this);
}

void TTabSheet::SetParentComponent(TComponent* Value) {
    if (auto* pc = qobject_cast<TPageControl*>(Value)) SetPageControl(pc);
    else TWinControl::SetParentComponent(Value);
}

int TTabSheet::PageIndex() const {
    if (!FPageControl) return -1;
    const auto& pages = FPageControl->FPages;
    return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int v) {
    if (!FPageControl) return;
    auto& pages = FPageControl->FPages;
    v = std::clamp(v, 0, static_cast<int>(pages.size()) - 1);
    pages.erase(std::find(pages.begin(), pages.end(), this));
    pages.insert(pages.begin() + v, this);
    FPageControl->UpdateTabs();
}

int TTabSheet::TabIndex() const {
    if (!FPageControl || !FTabVisible) return -1;
    int n = 0;
    for (TTabSheet* p : FPageControl->FPages) {
        if (p == this) return n;
        if (p->FTabVisible) ++n;
    }
    return -1;
}

void TTabSheet::SetTabVisible(bool v) {
    if (FTabVisible == v) return;
    FTabVisible = v;
    if (FPageControl) {
        if (!v && FPageControl->FActivePage == this) FPageControl->SetActivePage(FPageControl->FindNextPage(this, true));
        FPageControl->UpdateTabs();
        FPageControl->ShowPages();
    }
}

void TTabSheet::Dispatch(TMessage& m) {
    TWinControl::Dispatch(m);
    if (m.Msg == CM_TEXTCHANGED && FPageControl) FPageControl->UpdateTabs();
}

// Page controls

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner) {
    ControlStyle = csAcceptsControls | csClickEvents | csDoubleClicks | csCaptureMouse;
    FColor = clBtnFace;
    FBrush->SetColor(FColor);
    FWidth = 289;
    FHeight = 193;
    FTabStop = true;
}

TPageControl::~TPageControl() {
    for (TTabSheet* p : FPages) p->FPageControl = nullptr;
    FPages.clear();
}

void TPageControl::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    const INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES};
    InitCommonControlsEx(&init);
    CreateSubClass(p, WC_TABCONTROLA);
    p.Style |= WS_CLIPCHILDREN;
}

void TPageControl::CreateWnd() {
    TWinControl::CreateWnd();
    UpdateTabs();
    ShowPages();
}

void TPageControl::UpdateTabs() {
    if (!FHandle) return;
    // The tabs' height makes the display area start just below them.
    SendMessageA(FHandle, TCM_SETITEMSIZE, 0, MAKELONG(0, std::max(1, EffectiveTabHeight() - 2)));
    SendMessageA(FHandle, TCM_DELETEALLITEMS, 0, 0);
    int n = 0;
    for (TTabSheet* page : FPages) {
        if (!page->TabVisible()) continue;
        TCITEMA item{};
        item.mask = TCIF_TEXT | TCIF_PARAM | TCIF_IMAGE;
        const String caption = page->Caption();
        item.pszText = const_cast<char*>(caption.c_str());
        item.iImage = -1;
        item.lParam = reinterpret_cast<LPARAM>(page);
        SendMessageA(FHandle, TCM_INSERTITEMA, static_cast<WPARAM>(n++), reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(FActivePage ? FActivePage->TabIndex() : -1), 0);
}

TTabSheet* TPageControl::PageOfTab(int Tab) const {
    if (!FHandle || Tab < 0) return nullptr;
    TCITEMA item{};
    item.mask = TCIF_PARAM;
    if (!SendMessageA(FHandle, TCM_GETITEMA, static_cast<WPARAM>(Tab), reinterpret_cast<LPARAM>(&item))) return nullptr;
    return reinterpret_cast<TTabSheet*>(item.lParam);
}

int TPageControl::EffectiveTabHeight() const {
    if (FTabHeight > 0) return FTabHeight;
    return textSize(FFont, "Ag").cy + 8;
}

void TPageControl::SetTabHeight(int v) {
    if (FTabHeight == v) return;
    FTabHeight = std::max(0, v);
    UpdateTabs();
    ShowPages();
}

RECT TPageControl::ClientRect() const {
    if (FHandle) {
        RECT r{0, 0, FWidth, FHeight};
        SendMessageA(FHandle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
        if (r.right < r.left) r.right = r.left;
        if (r.bottom < r.top) r.bottom = r.top;
        return r;
    }
    const int th = EffectiveTabHeight();
    RECT r{2, th + 2, FWidth - 2, FHeight - 2};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

RECT TPageControl::TabRect(int Index) const {
    if (Index < 0 || Index >= PageCount() || !FPages[static_cast<std::size_t>(Index)]->TabVisible())
        return RECT{0, 0, 0, 0};
    if (FHandle) {
        RECT r{};
        const int tab = FPages[static_cast<std::size_t>(Index)]->TabIndex();
        if (!SendMessageA(FHandle, TCM_GETITEMRECT, static_cast<WPARAM>(tab), reinterpret_cast<LPARAM>(&r))) r = RECT{};
        return r;
    }
    const int th = EffectiveTabHeight();
    int x = 2;
    for (int i = 0; i < PageCount(); ++i) {
        TTabSheet* p = FPages[static_cast<std::size_t>(i)];
        if (!p->TabVisible()) continue;
        const int w = textSize(FFont, StripHotkey(p->Caption())).cx + 16;
        if (i == Index) return RECT{x, 0, x + w, th + 2};
        x += w;
    }
    return RECT{0, 0, 0, 0};
}

TTabSheet* TPageControl::PageAtPos(POINT pos) const {
    if (FHandle) {
        TCHITTESTINFO h{pos, 0};
        return PageOfTab(static_cast<int>(SendMessageA(FHandle, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&h))));
    }
    for (int i = 0; i < PageCount(); ++i) {
        const RECT r = TabRect(i);
        if (pos.x >= r.left && pos.x < r.right && pos.y >= r.top && pos.y < r.bottom)
            return FPages[static_cast<std::size_t>(i)];
    }
    return nullptr;
}

void TPageControl::InsertPage(TTabSheet* page) {
    if (std::find(FPages.begin(), FPages.end(), page) != FPages.end()) return;
    FPages.push_back(page);
    page->FPageControl = this;
    page->FreeNotification(this);
    UpdateTabs();
    if (!FActivePage && !ComponentState().Contains(csLoading) && page->TabVisible()) SetActivePage(page);
    else ShowPages();
}

void TPageControl::RemovePage(TTabSheet* page) {
    auto it = std::find(FPages.begin(), FPages.end(), page);
    if (it == FPages.end()) return;
    TTabSheet* next = FActivePage == page ? FindNextPage(page, true) : FActivePage;
    if (next == page) next = nullptr;
    FPages.erase(it);
    page->FPageControl = nullptr;
    if (FActivePage == page) FActivePage = nullptr;
    if (!ComponentState().Contains(csDestroying)) {
        UpdateTabs();
        SetActivePage(next);
    }
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* current, bool forward) const {
    const int n = PageCount();
    if (n == 0) return nullptr;
    int start = -1;
    for (int i = 0; i < n; ++i)
        if (FPages[static_cast<std::size_t>(i)] == current) start = i;
    if (start < 0) start = forward ? n - 1 : 0;
    for (int k = 1; k <= n; ++k) {
        const int i = ((start + (forward ? k : -k)) % n + n) % n;
        if (FPages[static_cast<std::size_t>(i)]->TabVisible()) return FPages[static_cast<std::size_t>(i)];
    }
    return nullptr;
}

void TPageControl::SelectNextPage(bool forward) {
    TTabSheet* next = FindNextPage(FActivePage, forward);
    if (next && next != FActivePage && CanChange()) {
        SetActivePage(next);
        Change();
    }
}

void TPageControl::SetActivePage(TTabSheet* v) {
    if (v && v->FPageControl != this) return;
    if (ComponentState().Contains(csLoading)) {
        FActivePage = v;
        return;
    }
    if (FActivePage == v) {
        ShowPages();
        return;
    }
    TTabSheet* old = FActivePage;
    FActivePage = v;
    ShowPages();
    if (FHandle) SendMessageA(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(v ? v->TabIndex() : -1), 0);
    if (old && old->OnHide) old->OnHide(old);
    if (v && v->OnShow) v->OnShow(v);
}

void TPageControl::SetActivePageIndex(int v) {
    if (v < 0 || v >= PageCount()) SetActivePage(nullptr);
    else SetActivePage(FPages[static_cast<std::size_t>(v)]);
}

void TPageControl::ShowPages() {
    if (ComponentState().Contains(csLoading)) return;
    const RECT r = ClientRect();
    for (TTabSheet* p : FPages) {
        p->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
        p->SetVisible(p == FActivePage);
    }
    if (FActivePage) FActivePage->BringToFront();
}

void TPageControl::Loaded() {
    TWinControl::Loaded();
    if (!FActivePage || FActivePage->FPageControl != this) FActivePage = FindNextPage(nullptr, true);
    UpdateTabs();
    ShowPages();
}

bool TPageControl::CanChange() {
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    return allow;
}

void TPageControl::Change() {
    if (OnChange) OnChange(this);
}

void TPageControl::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove)
        if (auto* p = qobject_cast<TTabSheet*>(AComponent)) RemovePage(p);
}

void TPageControl::GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) {
    for (TTabSheet* p : FPages)
        if (p->Owner() == Root) Proc(p);
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (c->Owner() == Root && std::find(FPages.begin(), FPages.end(), c) == FPages.end()) Proc(c);
    }
}

void TPageControl::Dispatch(TMessage& m) {
    if (m.Msg == CN_NOTIFY) {
        const auto* h = reinterpret_cast<const NMHDR*>(m.LParam);
        m.Result = 0;
        if (h && h->code == TCN_SELCHANGING) {
            m.Result = CanChange() ? 0 : 1;
        } else if (h && h->code == TCN_SELCHANGE) {
            TTabSheet* page = PageOfTab(static_cast<int>(SendMessageA(FHandle, TCM_GETCURSEL, 0, 0)));
            if (page && page != FActivePage) {
                SetActivePage(page);
                Change();
            }
        }
        return;
    }
    TWinControl::Dispatch(m);
    if (m.Msg == WM_SIZE) {
        ShowPages();
    } else if (m.Msg == CM_FONTCHANGED) {
        UpdateTabs();
        ShowPages();
    }
}

// Track bars

TTrackBar::TTrackBar(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 150;
    FHeight = 25;
    FTabStop = true;
}

void TTrackBar::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    const INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
    InitCommonControlsEx(&init);
    CreateSubClass(p, TRACKBAR_CLASSA);
    p.Style |= TBS_AUTOTICKS;
    if (FOrientation == trVertical) p.Style |= TBS_VERT;
}

void TTrackBar::CreateWnd() {
    TWinControl::CreateWnd();
    UpdateWindow();
}

void TTrackBar::UpdateWindow() {
    if (!FHandle) return;
    SendMessageA(FHandle, TBM_SETRANGEMIN, FALSE, FMin);
    SendMessageA(FHandle, TBM_SETRANGEMAX, FALSE, FMax);
    SendMessageA(FHandle, TBM_SETPOS, TRUE, FPosition);
    SendMessageA(FHandle, TBM_SETLINESIZE, 0, FLineSize);
    SendMessageA(FHandle, TBM_SETPAGESIZE, 0, FPageSize);
    SendMessageA(FHandle, TBM_SETTICFREQ, static_cast<WPARAM>(FFrequency), 0);
}

void TTrackBar::SetMin(int v) {
    if (FMin == v) return;
    FMin = v;
    if (FMax < v) FMax = v;
    UpdateWindow();
    if (FPosition < v) SetPosition(v);
}

void TTrackBar::SetMax(int v) {
    if (FMax == v) return;
    FMax = v;
    if (FMin > v) FMin = v;
    UpdateWindow();
    if (FPosition > v) SetPosition(v);
}

void TTrackBar::SetPosition(int v) {
    if (!ComponentState().Contains(csLoading)) v = std::clamp(v, FMin, FMax);
    if (FPosition == v) return;
    FPosition = v;
    UpdateWindow();
    Changed();
}

void TTrackBar::SetOrientation(TTrackBarOrientation v) {
    if (FOrientation == v) return;
    FOrientation = v;
    if (!ComponentState().Contains(csLoading)) SetBounds(FLeft, FTop, FHeight, FWidth);
    RecreateWnd();
}

void TTrackBar::Changed() {
    if (OnChange) OnChange(this);
}

void TTrackBar::Dispatch(TMessage& m) {
    if (m.Msg == CN_HSCROLL || m.Msg == CN_VSCROLL) {
        const int pos = static_cast<int>(SendMessageA(FHandle, TBM_GETPOS, 0, 0));
        if (pos != FPosition) {
            FPosition = std::clamp(pos, FMin, FMax);
            Changed();
        }
        return;
    }
    TWinControl::Dispatch(m);
}

