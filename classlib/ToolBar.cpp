// The tool bar control and its buttons over the platform's tool-bar window.
#include "classlib/ComCtrls.h"
#include "classlib/Forms.h"

#include <algorithm>

// ---- TToolButton --------------------------------------------------------------------------

TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner) {
    FWidth = 23;
    FHeight = 22;
    ControlStyle = csCaptureMouse | csSetCaption;
}

TToolButton::~TToolButton() {
    if (FToolBar) FToolBar->RemoveButton(this);
}

void TToolButton::SetParent(TWinControl* AParent) {
    if (FToolBar && FToolBar != AParent) FToolBar->RemoveButton(this);
    TGraphicControl::SetParent(AParent);
    if (auto* bar = qobject_cast<TToolBar*>(AParent); bar && bar != FToolBar) bar->InsertButton(this);
}

int TToolButton::Index() const {
    if (!FToolBar) return -1;
    const auto& b = FToolBar->FButtons;
    const auto it = std::find(b.begin(), b.end(), this);
    return it == b.end() ? -1 : static_cast<int>(it - b.begin());
}

void TToolButton::Changed() {
    if (FToolBar) FToolBar->RecreateButtons();
}

void TToolButton::SetDown(bool v) {
    if (FDown == v) return;
    FDown = v;
    // Grouped buttons release the others of their group.
    if (v && FGrouped && FToolBar) {
        const int i = Index();
        for (int k = i - 1; k >= 0 && FToolBar->Buttons(k)->FGrouped && FToolBar->Buttons(k)->FStyle == tbsCheck; --k)
            FToolBar->Buttons(k)->FDown = false;
        for (int k = i + 1; k < FToolBar->ButtonCount() && FToolBar->Buttons(k)->FGrouped &&
                            FToolBar->Buttons(k)->FStyle == tbsCheck;
             ++k)
            FToolBar->Buttons(k)->FDown = false;
    }
    if (FToolBar) FToolBar->UpdateButtonStates();
}

void TToolButton::SetDropdownMenu(TPopupMenu* v) {
    if (FDropdownMenu) FDropdownMenu->RemoveFreeNotification(this);
    FDropdownMenu = v;
    if (v) v->FreeNotification(this);
}

void TToolButton::Notification(TComponent* c, TOperation op) {
    TGraphicControl::Notification(c, op);
    if (op == opRemove && c == FDropdownMenu) FDropdownMenu = nullptr;
}

void TToolButton::SetGrouped(bool v) {
    if (FGrouped == v) return;
    FGrouped = v;
    Changed();
}

void TToolButton::SetImageIndex(int v) {
    if (FImageIndex == v) return;
    FImageIndex = v;
    Changed();
}

void TToolButton::SetIndeterminate(bool v) {
    if (FIndeterminate == v) return;
    FIndeterminate = v;
    if (FToolBar) FToolBar->UpdateButtonStates();
}

void TToolButton::SetMarked(bool v) {
    if (FMarked == v) return;
    FMarked = v;
    if (FToolBar) FToolBar->UpdateButtonStates();
}

void TToolButton::SetStyle(TToolButtonStyle v) {
    if (FStyle == v) return;
    FStyle = v;
    if (v == tbsSeparator || v == tbsDivider) FWidth = 8;
    Changed();
}

void TToolButton::SetWrap(bool v) {
    if (FWrap == v) return;
    FWrap = v;
    Changed();
}

void TToolButton::SetCaption(const String& v) { SetText(v); }

void TToolButton::Click() {
    TGraphicControl::Click();
}

bool TToolButton::CheckMenuDropdown() {
    if (!FDropdownMenu || !FToolBar || !FToolBar->HandleAllocated()) return false;
    RECT r{};
    SendMessageA(FToolBar->Handle(), TB_GETRECT, static_cast<WPARAM>(FCommand), reinterpret_cast<LPARAM>(&r));
    POINT p{r.left, r.bottom};
    ::ClientToScreen(FToolBar->Handle(), &p);
    FDropdownMenu->SetPopupComponent(this);
    FDropdownMenu->Popup(p.x, p.y);
    return true;
}

void TToolButton::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_VISIBLECHANGED:
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
        TGraphicControl::Dispatch(m);
        Changed();
        return;
    case WM_PAINT:
        // The bar's window paints the button.
        return;
    default: TGraphicControl::Dispatch(m); return;
    }
}

// ---- TToolBar -----------------------------------------------------------------------------

TToolBar::TToolBar(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 150;
    FHeight = 29;
    FAlign = alTop;
    ControlStyle = csCaptureMouse | csClickEvents | csDoubleClicks;
    FColor = clBtnFace;
    FImageChangeLink = new TChangeLink;
    FImageChangeLink->OnChange = [this](TObject* s) { ImageListChange(s); };
}

TToolBar::~TToolBar() {
    for (TToolButton* b : FButtons) b->FToolBar = nullptr;
    FButtons.clear();
    delete FImageChangeLink;
}

void TToolBar::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    const INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
    InitCommonControlsEx(&init);
    CreateSubClass(p, TOOLBARCLASSNAMEA);
    // The class library places the bar itself.
    p.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    if (FFlat) p.Style |= TBSTYLE_FLAT;
    if (FList) p.Style |= TBSTYLE_LIST;
    if (FWrapable) p.Style |= TBSTYLE_WRAPABLE;
}

void TToolBar::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageA(FHandle, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(FHandle, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    SendMessageA(FHandle, TB_SETINDENT, static_cast<WPARAM>(FIndent), 0);
    if (FImages) SendMessageA(FHandle, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(FImages->Handle()));
    if (FDisabledImages) SendMessageA(FHandle, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(FDisabledImages->Handle()));
    if (FHotImages) SendMessageA(FHandle, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(FHotImages->Handle()));
    RecreateButtons();
}

void TToolBar::Loaded() {
    TWinControl::Loaded();
    // Buttons from a layout go in the order of their places.
    std::stable_sort(FButtons.begin(), FButtons.end(), [](TToolButton* a, TToolButton* b) {
        return a->Top() != b->Top() ? a->Top() < b->Top() : a->Left() < b->Left();
    });
    RecreateButtons();
}

void TToolBar::Notification(TComponent* c, TOperation op) {
    TWinControl::Notification(c, op);
    if (op != opRemove) return;
    // A list being destroyed has let go of our change link already and is no image list
    // any more: it is only forgotten.
    const auto gone = [this, c](TCustomImageList*& slot, UINT msg) {
        if (c != slot) return;
        slot = nullptr;
        if (!HandleAllocated()) return;
        SendMessageA(FHandle, msg, 0, 0);
        if (!ComponentState().Contains(csDestroying)) RecreateButtons();
    };
    gone(FImages, TB_SETIMAGELIST);
    gone(FDisabledImages, TB_SETDISABLEDIMAGELIST);
    gone(FHotImages, TB_SETHOTIMAGELIST);
}

void TToolBar::InsertButton(TToolButton* b) {
    b->FToolBar = this;
    b->FCommand = FNextCommand++;
    // A button placed in code goes after the buttons left of it.
    auto at = FButtons.end();
    if (!ComponentState().Contains(csLoading)) {
        at = std::find_if(FButtons.begin(), FButtons.end(), [&](TToolButton* o) {
            return o->Top() > b->Top() || (o->Top() == b->Top() && o->Left() > b->Left());
        });
    }
    FButtons.insert(at, b);
    RecreateButtons();
}

void TToolBar::RemoveButton(TToolButton* b) {
    FButtons.erase(std::remove(FButtons.begin(), FButtons.end(), b), FButtons.end());
    b->FToolBar = nullptr;
    if (!ComponentState().Contains(csDestroying)) RecreateButtons();
}

TToolButton* TToolBar::FindButtonFromCommand(int command) const {
    for (TToolButton* b : FButtons)
        if (b->FCommand == command) return b;
    return nullptr;
}

void TToolBar::SetList(TCustomImageList*& slot, TCustomImageList* v, UINT msg) {
    if (slot) slot->UnRegisterChanges(FImageChangeLink);
    slot = v;
    if (v) {
        v->RegisterChanges(FImageChangeLink);
        v->FreeNotification(this);
    }
    if (HandleAllocated()) {
        SendMessageA(FHandle, msg, 0, reinterpret_cast<LPARAM>(v ? v->Handle() : nullptr));
        RecreateButtons();
    }
}

void TToolBar::ImageListChange(TObject*) {
    if (!HandleAllocated()) return;
    if (FImages) SendMessageA(FHandle, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(FImages->Handle()));
    Invalidate();
}

void TToolBar::SetButtonHeight(int v) {
    if (FButtonHeight == v) return;
    FButtonHeight = v;
    RecreateButtons();
}

void TToolBar::SetButtonWidth(int v) {
    if (FButtonWidth == v) return;
    FButtonWidth = v;
    RecreateButtons();
}

void TToolBar::SetFlat(bool v) {
    if (FFlat == v) return;
    FFlat = v;
    RecreateWnd();
}

void TToolBar::SetShowCaptions(bool v) {
    if (FShowCaptions == v) return;
    FShowCaptions = v;
    RecreateButtons();
}

void TToolBar::SetList(bool v) {
    if (FList == v) return;
    FList = v;
    RecreateWnd();
}

void TToolBar::SetWrapable(bool v) {
    if (FWrapable == v) return;
    FWrapable = v;
    RecreateWnd();
}

void TToolBar::SetIndent(int v) {
    if (FIndent == v) return;
    FIndent = v;
    if (HandleAllocated()) SendMessageA(FHandle, TB_SETINDENT, static_cast<WPARAM>(v), 0);
    RecreateButtons();
}

void TToolBar::SetAutoSize(bool v) {
    if (FAutoSize == v) return;
    FAutoSize = v;
    RecreateButtons();
}

namespace {

BYTE stateOf(const TToolButton* b) {
    BYTE s = 0;
    if (b->Enabled()) s |= TBSTATE_ENABLED;
    if (b->Down()) s |= TBSTATE_CHECKED;
    if (b->Indeterminate()) s |= TBSTATE_INDETERMINATE;
    if (b->Marked()) s |= TBSTATE_MARKED;
    if (b->Wrap()) s |= TBSTATE_WRAP;
    if (!b->Visible()) s |= TBSTATE_HIDDEN;
    return s;
}

BYTE styleOf(const TToolButton* b) {
    switch (b->Style()) {
    case tbsCheck: return b->Grouped() ? TBSTYLE_CHECKGROUP : TBSTYLE_CHECK;
    case tbsDropDown: return TBSTYLE_DROPDOWN;
    case tbsSeparator:
    case tbsDivider: return TBSTYLE_SEP;
    default: return TBSTYLE_BUTTON;
    }
}

}  // namespace

void TToolBar::RecreateButtons() {
    if (!HandleAllocated() || FUpdating || ComponentState().Contains(csLoading)) return;
    FUpdating = true;
    while (SendMessageA(FHandle, TB_BUTTONCOUNT, 0, 0) > 0) SendMessageA(FHandle, TB_DELETEBUTTON, 0, 0);
    SendMessageA(FHandle, TB_SETBUTTONSIZE, 0, MAKELONG(FButtonWidth, FButtonHeight));
    if (!FImages) SendMessageA(FHandle, TB_SETBITMAPSIZE, 0, MAKELONG(std::max(FButtonWidth - 7, 0), std::max(FButtonHeight - 7, 0)));
    SendMessageA(FHandle, TB_SETMAXTEXTROWS, FShowCaptions ? 1 : 0, 0);
    std::vector<std::string> texts;
    texts.reserve(FButtons.size());
    for (TToolButton* b : FButtons) {
        TBBUTTON t{};
        const bool separator = b->Style() == tbsSeparator || b->Style() == tbsDivider;
        t.iBitmap = separator ? b->Width() : b->ImageIndex();
        t.idCommand = b->FCommand;
        t.fsState = stateOf(b);
        t.fsStyle = styleOf(b);
        texts.push_back(FShowCaptions ? std::string(b->Caption()) : std::string());
        t.iString = texts.back().empty() ? -1 : reinterpret_cast<INT_PTR>(texts.back().c_str());
        SendMessageA(FHandle, TB_INSERTBUTTONA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&t));
    }
    FUpdating = false;
    PlaceButtons();
}

void TToolBar::UpdateButtonStates() {
    if (!HandleAllocated()) return;
    for (TToolButton* b : FButtons)
        SendMessageA(FHandle, TB_SETSTATE, static_cast<WPARAM>(b->FCommand), stateOf(b));
    Invalidate();
}

void TToolBar::PlaceButtons() {
    int bottom = 0;
    for (TToolButton* b : FButtons) {
        RECT r{};
        if (!SendMessageA(FHandle, TB_GETRECT, static_cast<WPARAM>(b->FCommand), reinterpret_cast<LPARAM>(&r))) continue;
        // The button control takes the place of its button (its own bounds, not moved by code).
        b->FLeft = r.left;
        b->FTop = r.top;
        b->FWidth = r.right - r.left;
        b->FHeight = r.bottom - r.top;
        bottom = std::max<int>(bottom, r.bottom);
    }
    // An auto-sized bar fits its buttons; one with captions grows to show them whole.
    if (bottom > 0 && (FAutoSize ? FHeight != bottom + 2 : FShowCaptions && FHeight < bottom + 2))
        SetBounds(FLeft, FTop, FWidth, bottom + 2);
    Invalidate();
}

void TToolBar::WndProc(TMessage& m) {
    // The window handles the mouse over its buttons; the button controls only stand there.
    if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MBUTTONDBLCLK) {
        if (m.Msg == WM_MOUSEMOVE && Application) Application->HintMouseMessage(this, m);
        TControl::WndProc(m);
        return;
    }
    TWinControl::WndProc(m);
}

void TToolBar::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_COMMAND: {
        TToolButton* b = FindButtonFromCommand(static_cast<int>(LOWORD(m.WParam)));
        m.Result = 0;
        if (!b) return;
        if (b->Style() == tbsCheck) {
            const bool checked = SendMessageA(FHandle, TB_ISBUTTONCHECKED, static_cast<WPARAM>(b->FCommand), 0) == TRUE;
            // A grouped button that was down stays down unless its group allows all up.
            if (b->Grouped() && b->FDown && checked && b->AllowAllUp()) b->SetDown(false);
            else b->SetDown(checked);
        }
        b->Click();
        return;
    }
    case CN_NOTIFY: {
        auto* h = reinterpret_cast<NMHDR*>(m.LParam);
        m.Result = 0;
        if (h && h->code == TBN_DROPDOWN) {
            auto* n = reinterpret_cast<NMTOOLBARA*>(m.LParam);
            if (TToolButton* b = FindButtonFromCommand(n->iItem)) b->CheckMenuDropdown();
            m.Result = TBDDRET_DEFAULT;
        }
        return;
    }
    case WM_SIZE:
        TWinControl::Dispatch(m);
        if (HandleAllocated()) PlaceButtons();
        return;
    default: TWinControl::Dispatch(m); return;
    }
}
