// Standard controls over the platform's predefined control classes.
#include "classlib/Menus.h"
#include "classlib/StdCtrls.h"
#include "platform/codepage.h"
#include "platform/winpaint.h"

#include <algorithm>
#include <functional>

// TCustomEdit

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
    ControlStyle = csClickEvents | csSetCaption | csDoubleClicks | csFixedHeight;
    FWidth = 121;
    FHeight = 21;
    FTabStop = true;
    FColor = clWindow;
    FBrush->SetColor(FColor);
    FParentColor = false;
}

void TCustomEdit::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    CreateSubClass(p, "EDIT");
    p.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
    if (FReadOnly) p.Style |= ES_READONLY;
    if (FBorderStyle == bsSingle) {
        if (NewStyleControls && FCtl3D) p.ExStyle |= WS_EX_CLIENTEDGE;
        else p.Style |= WS_BORDER;
    }
}

void TCustomEdit::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageA(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
    if (FModified) SendMessageA(FHandle, EM_SETMODIFY, TRUE, 0);
}

void TCustomEdit::DestroyWnd() {
    FModified = Modified();
    TWinControl::DestroyWnd();
}

void TCustomEdit::SetBorderStyle(TFormBorderStyle v) {
    if (FBorderStyle == v) return;
    FBorderStyle = v;
    RecreateWnd();
}

void TCustomEdit::SetMaxLength(int v) {
    if (FMaxLength == v) return;
    FMaxLength = std::max(v, 0);
    if (FHandle) SendMessageA(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

void TCustomEdit::SetReadOnly(bool v) {
    if (FReadOnly == v) return;
    FReadOnly = v;
    if (FHandle) SendMessageA(FHandle, EM_SETREADONLY, v ? TRUE : FALSE, 0);
}

bool TCustomEdit::Modified() const {
    if (FHandle) return SendMessageA(FHandle, EM_GETMODIFY, 0, 0) != 0;
    return FModified;
}

void TCustomEdit::SetModified(bool v) {
    if (FHandle) SendMessageA(FHandle, EM_SETMODIFY, v ? TRUE : FALSE, 0);
    else FModified = v;
}

int TCustomEdit::SelStart() {
    DWORD s = 0;
    Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&s), 0);
    return static_cast<int>(s);
}

void TCustomEdit::SetSelStart(int v) { Perform(EM_SETSEL, static_cast<WPARAM>(v), v); }

int TCustomEdit::SelLength() {
    DWORD s = 0, e = 0;
    Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    return static_cast<int>(e - s);
}

void TCustomEdit::SetSelLength(int v) {
    DWORD s = 0;
    Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&s), 0);
    Perform(EM_SETSEL, s, static_cast<LPARAM>(s) + v);
}

String TCustomEdit::SelText() {
    const int s = SelStart();
    const int n = SelLength();
    const String t = Text();
    if (s < 0 || s > static_cast<int>(t.size())) return String();
    return t.substr(static_cast<std::size_t>(s), static_cast<std::size_t>(n));
}

void TCustomEdit::SetSelText(const String& v) { Perform(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(v.c_str())); }

void TCustomEdit::SelectAll() {
    if (FHandle) Perform(EM_SETSEL, 0, -1);
}

void TCustomEdit::Change() {
    if (OnChange) OnChange(this);
}

void TCustomEdit::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_COMMAND:
        if (m.WParamHi() == EN_CHANGE && !FCreatingHandle) Change();
        return;
    case CM_ENTER:
        if (FAutoSelect && !(ControlState & csLButtonDown) && FHandle &&
            !(GetWindowLongA(FHandle, GWL_STYLE) & ES_MULTILINE))
            SelectAll();
        TWinControl::Dispatch(m);
        return;
    default: TWinControl::Dispatch(m); return;
    }
}

// TCustomLabel

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    ControlStyle = csCaptureMouse | csClickEvents | csSetCaption | csOpaque | csReplicatable | csDoubleClicks;
    FWidth = 65;
    FHeight = 17;
    FParentColor = true;
}

String TCustomLabel::DisplayText() const {
    const String t = GetText();
    if (!FShowAccelChar) return t;
    String out;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '&' && i + 1 < t.size()) ++i;
        out += t[i];
    }
    return out;
}

void TCustomLabel::SetAlignment(TAlignment v) {
    if (FAlignment == v) return;
    FAlignment = v;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool v) {
    if (FAutoSize == v) return;
    FAutoSize = v;
    AdjustBounds();
}

void TCustomLabel::SetTransparent(bool v) {
    if (Transparent() == v) return;
    if (v) ControlStyle &= ~csOpaque;
    else ControlStyle |= csOpaque;
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool v) {
    if (FWordWrap == v) return;
    FWordWrap = v;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool v) {
    if (FShowAccelChar == v) return;
    FShowAccelChar = v;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* v) {
    if (FFocusControl == v) return;
    if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
    FFocusControl = v;
    if (v) v->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::AdjustBounds() {
    if (!FAutoSize || ComponentState().Contains(csLoading)) return;
    HDC dc = GetDC(nullptr);
    if (!dc) return;
    HGDIOBJ old = SelectObject(dc, FFont->Handle());
    const std::u16string text = platform::ansiToWide(DisplayText().empty() ? String(" ") : DisplayText());
    RECT r{0, 0, FWordWrap ? FWidth : 0, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : 0) | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    int x = FLeft;
    const int w = r.right - r.left;
    if (FAlignment == taRightJustify) x = FLeft + FWidth - w;
    else if (FAlignment == taCenter) x = FLeft + (FWidth - w) / 2;
    SetBounds(x, FTop, w, r.bottom - r.top);
}

void TCustomLabel::Paint() {
    TCanvas* c = Canvas();
    const RECT r = ClientRect();
    if (!Transparent()) {
        c->Brush()->SetColor(FColor);
        c->Brush()->SetStyle(bsSolid);
        c->FillRect(r);
    }
    c->Brush()->SetStyle(bsClear);
    c->SetFont(FFont);
    HDC dc = c->Handle();
    c->TextExtent(" ");  // selects the font and colours
    SetBkMode(dc, TRANSPARENT);
    if (!FEnabled) SetTextColor(dc, ColorToRGB(clGrayText));
    const std::u16string text = platform::ansiToWide(DisplayText());
    UINT flags = DT_NOPREFIX | (FWordWrap ? DT_WORDBREAK : DT_SINGLELINE);
    if (FAlignment == taRightJustify) flags |= DT_RIGHT;
    else if (FAlignment == taCenter) flags |= DT_CENTER;
    RECT tr = r;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &tr, flags);
}

void TCustomLabel::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        AdjustBounds();
        Invalidate();
        return;
    case CM_DIALOGCHAR:
        // The label's hot key moves the focus to its control.
        if (FFocusControl && FEnabled && FShowAccelChar && IsAccel(m.WParam, GetText()) && FFocusControl->CanFocus()) {
            FFocusControl->SetFocus();
            m.Result = 1;
            return;
        }
        TGraphicControl::Dispatch(m);
        return;
    default: TGraphicControl::Dispatch(m); return;
    }
}

// Buttons

TButtonControl::TButtonControl(TComponent* AOwner) : TWinControl(AOwner) {}

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
    ControlStyle = csSetCaption | csDoubleClicks;
    FWidth = 75;
    FHeight = 25;
    FTabStop = true;
}

void TButton::CreateParams(TCreateParams& p) {
    TButtonControl::CreateParams(p);
    CreateSubClass(p, "BUTTON");
    p.Style |= (FDefault && (FActive || !GetFocus())) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool v) {
    if (FDefault == v) return;
    FDefault = v;
    if (FHandle)
        if (TCustomForm* f = GetParentForm(this)) {
            TMessage m{CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(f->ActiveControl()), 0};
            Dispatch(m);
        }
}

void TButton::SetButtonStyle(bool d) {
    if (FHandle) SendMessageA(FHandle, BM_SETSTYLE, d ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
    if (TCustomForm* f = GetParentForm(this); f && FModalResult != mrNone) f->SetModalResult(FModalResult);
    TButtonControl::Click();
}

void TButton::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_COMMAND:
        if (m.WParamHi() == BN_CLICKED) Click();
        return;
    case CM_DIALOGKEY:
        // Enter presses the active (default or focused) button, Escape the cancel button.
        if (((m.WParam == VK_RETURN && FActive) || (m.WParam == VK_ESCAPE && FCancel)) &&
            (KeyDataToShiftState(m.LParam) & (ssShift | ssCtrl | ssAlt)) == 0 && CanFocus()) {
            Click();
            m.Result = 1;
            return;
        }
        TButtonControl::Dispatch(m);
        return;
    case CM_FOCUSCHANGED: {
        auto* sender = reinterpret_cast<TWinControl*>(m.LParam);
        const bool active = sender == this || (FDefault && !dynamic_cast<TButton*>(sender));
        if (active != FActive) {
            FActive = active;
            SetButtonStyle(active);
        }
        TButtonControl::Dispatch(m);
        return;
    }
    case WM_GETDLGCODE:
        DefaultHandler(m);
        return;
    case CM_DIALOGCHAR:
        // The button's hot key clicks it.
        if (IsAccel(m.WParam, GetText()) && CanFocus()) {
            Click();
            m.Result = 1;
            return;
        }
        TButtonControl::Dispatch(m);
        return;
    default: TButtonControl::Dispatch(m); return;
    }
}

// Check boxes

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {
    ControlStyle = csSetCaption | csDoubleClicks;
    FWidth = 97;
    FHeight = 17;
    FTabStop = true;
}

void TCustomCheckBox::CreateParams(TCreateParams& p) {
    TButtonControl::CreateParams(p);
    CreateSubClass(p, "BUTTON");
    p.Style |= BS_3STATE;
    if (FAlignment == taLeftJustify) p.Style |= BS_LEFTTEXT;
}

void TCustomCheckBox::CreateWnd() {
    TButtonControl::CreateWnd();
    SendMessageA(FHandle, BM_SETCHECK, static_cast<WPARAM>(FState), 0);
}

void TCustomCheckBox::SetAlignment(TAlignment v) {
    if (FAlignment == v) return;
    FAlignment = v;
    RecreateWnd();
}

void TCustomCheckBox::SetState(TCheckBoxState v) {
    if (FState == v) return;
    FState = v;
    if (FHandle) SendMessageA(FHandle, BM_SETCHECK, static_cast<WPARAM>(v), 0);
    // Setting the state fires OnClick as a click does.
    if (!ClicksDisabled) Click();
}

void TCustomCheckBox::Toggle() {
    switch (FState) {
    case cbUnchecked: SetState(FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
    }
}

void TCustomCheckBox::Dispatch(TMessage& m) {
    if (m.Msg == CN_COMMAND) {
        if (m.WParamHi() == BN_CLICKED) Toggle();
        return;
    }
    TButtonControl::Dispatch(m);
}

// Radio buttons

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner) {
    ControlStyle = csSetCaption | csDoubleClicks;
    FWidth = 113;
    FHeight = 17;
}

void TRadioButton::CreateParams(TCreateParams& p) {
    TButtonControl::CreateParams(p);
    CreateSubClass(p, "BUTTON");
    p.Style |= BS_RADIOBUTTON;
    if (FAlignment == taLeftJustify) p.Style |= BS_LEFTTEXT;
}

void TRadioButton::CreateWnd() {
    TButtonControl::CreateWnd();
    SendMessageA(FHandle, BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetAlignment(TAlignment v) {
    if (FAlignment == v) return;
    FAlignment = v;
    RecreateWnd();
}

void TRadioButton::SetChecked(bool v) {
    if (FChecked == v) return;
    FChecked = v;
    SetTabStop(v);
    if (FHandle) SendMessageA(FHandle, BM_SETCHECK, v ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!v) return;
    // The other radio buttons of the parent go off; this one fires.
    if (FParent)
        for (int i = 0; i < FParent->ControlCount(); ++i)
            if (auto* r = dynamic_cast<TRadioButton*>(FParent->Controls(i)); r && r != this) r->SetChecked(false);
    if (!ClicksDisabled) Click();
}

void TRadioButton::Dispatch(TMessage& m) {
    if (m.Msg == CN_COMMAND) {
        if (m.WParamHi() == BN_CLICKED) SetChecked(true);
        else if (m.WParamHi() == BN_DOUBLECLICKED) DblClick();
        return;
    }
    TButtonControl::Dispatch(m);
}

// Group boxes

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TWinControl(AOwner) {
    ControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
    FWidth = 185;
    FHeight = 105;
}

void TCustomGroupBox::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    CreateSubClass(p, "BUTTON");
    p.Style |= BS_GROUPBOX | WS_CLIPCHILDREN;
}


// Memos

namespace {

String withoutFinalBreak(String s) {
    if (s.size() >= 2 && s.compare(s.size() - 2, 2, "\r\n") == 0) s.resize(s.size() - 2);
    else if (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}

}  // namespace

TCustomMemo::TCustomMemo(TComponent* AOwner) : TCustomEdit(AOwner), FLines(new TStringList) {
    FWidth = 185;
    FHeight = 89;
    ControlStyle &= ~csFixedHeight;
    FLines->OnChange = TNotifyEvent([this](TObject*) { LinesChanged(); });
}

TCustomMemo::~TCustomMemo() {
    FLines->OnChange = TNotifyEvent();
    delete FLines;
}

void TCustomMemo::CreateParams(TCreateParams& p) {
    TCustomEdit::CreateParams(p);
    p.Style |= ES_MULTILINE;
    if (FWantReturns) p.Style |= ES_WANTRETURN;
    if (FWordWrap) p.Style &= ~ES_AUTOHSCROLL;
    if (FScrollBars == ssVertical || FScrollBars == ssBoth) p.Style |= WS_VSCROLL;
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) p.Style |= WS_HSCROLL;
}

void TCustomMemo::CreateWnd() {
    TCustomEdit::CreateWnd();
    FSyncing = true;
    TCustomEdit::SetTextValue(withoutFinalBreak(FLines->Text()));
    FSyncing = false;
}

String TCustomMemo::GetText() const { return FLines->Text(); }

void TCustomMemo::SetTextValue(const String& v) { FLines->SetText(v); }

void TCustomMemo::LinesChanged() {
    if (FSyncing) return;
    if (FHandle) {
        FSyncing = true;
        TCustomEdit::SetTextValue(withoutFinalBreak(FLines->Text()));
        FSyncing = false;
    }
}

void TCustomMemo::SetScrollBars(TMemoScrollStyle v) {
    if (FScrollBars == v) return;
    FScrollBars = v;
    RecreateWnd();
}

void TCustomMemo::SetWordWrap(bool v) {
    if (FWordWrap == v) return;
    FWordWrap = v;
    RecreateWnd();
}

void TCustomMemo::SetAlignment(TAlignment v) {
    if (FAlignment == v) return;
    FAlignment = v;
    RecreateWnd();
}

void TCustomMemo::Dispatch(TMessage& m) {
    if (m.Msg == CN_COMMAND && m.WParamHi() == EN_CHANGE && !FSyncing && FHandle) {
        // The user typed: the window's text becomes Lines.
        FSyncing = true;
        FLines->SetText(TCustomEdit::GetText());
        FSyncing = false;
    }
    TCustomEdit::Dispatch(m);
}

// Owner-drawn items of list and combo boxes

namespace {

// CN_DRAWITEM: the canvas gets the item's DC with the control's font and brush, a selected
// item its highlight colours; a negative item only fills the rectangle; the focused item
// gets a focus rectangle.
void drawOwnerItem(TWinControl* control, TCanvas* canvas, const DRAWITEMSTRUCT& d,
                   const std::function<void(int, const RECT&, TOwnerDrawState)>& draw) {
    const TOwnerDrawState state = LOWORD(d.itemState);
    canvas->SetHandle(d.hDC);
    canvas->Font()->Assign(control->Font());
    canvas->Brush()->Assign(control->Brush());
    const int item = static_cast<int>(d.itemID);
    if (item >= 0 && (state & odSelected)) {
        canvas->Brush()->SetColor(clHighlight);
        canvas->Font()->SetColor(clHighlightText);
    }
    try {
        if (item >= 0) draw(item, d.rcItem, state);
        else canvas->FillRect(d.rcItem);
        if (state & odFocused) DrawFocusRect(d.hDC, &d.rcItem);
    } catch (...) {
        canvas->SetHandle(nullptr);
        throw;
    }
    canvas->SetHandle(nullptr);
}

// The default drawing of an item: the filled rectangle and the text 2 pixels in,
// centred vertically.
void drawItemText(TCanvas* canvas, const RECT& r, const String& text) {
    canvas->FillRect(r);
    const int h = canvas->TextHeight("Wy");
    canvas->TextOut(r.left + 2, r.top + (r.bottom - r.top - h) / 2, text);
}

}  // namespace

// List boxes

TCustomListBox::TCustomListBox(TComponent* AOwner) : TWinControl(AOwner), FItems(new TStringList), FCanvas(new TCanvas) {
    // Clicks and double clicks come from the list's own notices, not from the mouse messages.
    ControlStyle = csSetCaption;
    FWidth = 121;
    FHeight = 97;
    FTabStop = true;
    FColor = clWindow;
    FBrush->SetColor(FColor);
    FItems->OnChange = TNotifyEvent([this](TObject*) { ItemsChanged(); });
}

TCustomListBox::~TCustomListBox() {
    FItems->OnChange = TNotifyEvent();
    delete FItems;
    delete FCanvas;
}

void TCustomListBox::SetStyle(TListBoxStyle v) {
    if (FStyle == v) return;
    FStyle = v;
    RecreateWnd();
}

int TCustomListBox::ItemHeight() const {
    if (FHandle && FStyle == lbStandard) {
        const LRESULT r = SendMessageA(FHandle, LB_GETITEMHEIGHT, 0, 0);
        if (r > 0) return static_cast<int>(r);
    }
    return FItemHeight;
}

void TCustomListBox::SetItemHeight(int v) {
    if (v <= 0 || v == FItemHeight) return;
    FItemHeight = v;
    if (FHandle && FStyle == lbOwnerDrawFixed) {
        SendMessageA(FHandle, LB_SETITEMHEIGHT, 0, MAKELPARAM(static_cast<WORD>(v), 0));
        Invalidate();
    }
}

void TCustomListBox::DrawItem(int Index, const RECT& Rect, TOwnerDrawState State) {
    if (OnDrawItem) OnDrawItem(this, Index, Rect, State);
    else drawItemText(FCanvas, Rect, Index < FItems->Count() ? FItems->Strings(Index) : String());
}

void TCustomListBox::MeasureItem(int Index, int& Height) {
    if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TCustomListBox::CNDrawItem(TMessage& m) {
    const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
    if (!d) return;
    drawOwnerItem(this, FCanvas, *d, [this](int i, const RECT& r, TOwnerDrawState s) { DrawItem(i, r, s); });
    m.Result = TRUE;
}

void TCustomListBox::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    CreateSubClass(p, "LISTBOX");
    p.Style |= LBS_NOTIFY | LBS_HASSTRINGS | WS_VSCROLL;
    if (FStyle == lbOwnerDrawFixed) p.Style |= LBS_OWNERDRAWFIXED;
    else if (FStyle == lbOwnerDrawVariable) p.Style |= LBS_OWNERDRAWVARIABLE;
    if (FMultiSelect) p.Style |= LBS_EXTENDEDSEL;
    if (!FIntegralHeight) p.Style |= LBS_NOINTEGRALHEIGHT;
    if (FBorderStyle == bsSingle) p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListBox::CreateWnd() {
    TWinControl::CreateWnd();
    FillWindow();
}

void TCustomListBox::DestroyWnd() {
    FShown.clear();
    FItemIndex = ItemIndex();
    if (FMultiSelect) {
        FSelected.assign(static_cast<std::size_t>(Count()), false);
        for (int i = 0; i < Count(); ++i) FSelected[static_cast<std::size_t>(i)] = Selected(i);
    }
    TWinControl::DestroyWnd();
}

// Brings the window's texts in line with the items, changing only the part between the
// texts that stayed at the start and at the end, so adding items one by one stays linear
// in the window's work.
void TCustomListBox::FillWindow() {
    if (!FHandle) return;
    FFilling = true;
    const std::size_t count = static_cast<std::size_t>(FItems->Count());
    std::size_t head = 0, tail = 0;
    while (head < FShown.size() && head < count && FShown[head] == FItems->Strings(static_cast<int>(head))) ++head;
    while (tail < FShown.size() - head && tail < count - head &&
           FShown[FShown.size() - 1 - tail] == FItems->Strings(static_cast<int>(count - 1 - tail)))
        ++tail;
    if (head == 0 && tail == 0) {
        SendMessageA(FHandle, LB_RESETCONTENT, 0, 0);
        FShown.clear();
    }
    for (std::size_t i = head; i + tail < FShown.size(); ++i)
        SendMessageA(FHandle, LB_DELETESTRING, static_cast<WPARAM>(head), 0);
    FShown.erase(FShown.begin() + static_cast<std::ptrdiff_t>(head),
                 FShown.end() - static_cast<std::ptrdiff_t>(tail));
    for (std::size_t i = head; i + tail < count; ++i) {
        const String& text = FItems->Strings(static_cast<int>(i));
        SendMessageA(FHandle, LB_INSERTSTRING, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.c_str()));
        FShown.insert(FShown.begin() + static_cast<std::ptrdiff_t>(i), text);
    }
    if (FMultiSelect) {
        for (int i = 0; i < Count() && i < static_cast<int>(FSelected.size()); ++i)
            if (FSelected[static_cast<std::size_t>(i)]) SendMessageA(FHandle, LB_SETSEL, TRUE, i);
    }
    SendMessageA(FHandle, LB_SETCURSEL, static_cast<WPARAM>(FItemIndex), 0);
    FFilling = false;
}

void TCustomListBox::ItemsChanged() {
    if (FHandle) FItemIndex = static_cast<int>(SendMessageA(FHandle, LB_GETCURSEL, 0, 0));
    if (FItemIndex >= FItems->Count()) FItemIndex = -1;
    FSelected.resize(static_cast<std::size_t>(FItems->Count()), false);
    FillWindow();
}

int TCustomListBox::ItemIndex() const {
    if (FHandle && !FFilling) {
        const LRESULT r = SendMessageA(FHandle, LB_GETCURSEL, 0, 0);
        return r == LB_ERR ? -1 : static_cast<int>(r);
    }
    return FItemIndex;
}

void TCustomListBox::SetItemIndex(int v) {
    if (v < -1 || v >= FItems->Count()) v = -1;
    FItemIndex = v;
    if (FHandle) SendMessageA(FHandle, LB_SETCURSEL, static_cast<WPARAM>(v), 0);
}

void TCustomListBox::SetSorted(bool v) {
    if (FSorted == v) return;
    FSorted = v;
    FItems->SetSorted(v);
}

void TCustomListBox::SetMultiSelect(bool v) {
    if (FMultiSelect == v) return;
    FMultiSelect = v;
    RecreateWnd();
}

void TCustomListBox::SetBorderStyle(TFormBorderStyle v) {
    if (FBorderStyle == v) return;
    FBorderStyle = v;
    RecreateWnd();
}

bool TCustomListBox::Selected(int i) const {
    if (i < 0 || i >= Count()) throw EListError("List index out of bounds (" + std::to_string(i) + ")");
    if (FHandle) return SendMessageA(FHandle, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0;
    if (FMultiSelect) return i < static_cast<int>(FSelected.size()) && FSelected[static_cast<std::size_t>(i)];
    return i == FItemIndex;
}

void TCustomListBox::SetSelected(int i, bool v) {
    if (i < 0 || i >= Count()) throw EListError("List index out of bounds (" + std::to_string(i) + ")");
    if (!FMultiSelect) {
        if (v) SetItemIndex(i);
        else if (ItemIndex() == i) SetItemIndex(-1);
        return;
    }
    FSelected.resize(static_cast<std::size_t>(Count()), false);
    FSelected[static_cast<std::size_t>(i)] = v;
    if (FHandle) SendMessageA(FHandle, LB_SETSEL, v ? TRUE : FALSE, i);
}

int TCustomListBox::SelCount() const {
    if (!FMultiSelect) return ItemIndex() >= 0 ? 1 : 0;
    int n = 0;
    for (int i = 0; i < Count(); ++i) n += Selected(i) ? 1 : 0;
    return n;
}

int TCustomListBox::TopIndex() const {
    return FHandle ? static_cast<int>(SendMessageA(FHandle, LB_GETTOPINDEX, 0, 0)) : 0;
}

void TCustomListBox::SetTopIndex(int v) {
    if (FHandle) SendMessageA(FHandle, LB_SETTOPINDEX, static_cast<WPARAM>(v), 0);
}

int TCustomListBox::ItemAtPos(POINT pos, bool existing) const {
    int h = FHandle ? static_cast<int>(SendMessageA(FHandle, LB_GETITEMHEIGHT, 0, 0)) : FItemHeight;
    if (h <= 0) h = 16;
    if (pos.y < 0) return -1;
    const int i = TopIndex() + pos.y / h;
    if (i < Count()) return i;
    return existing ? -1 : Count();
}

void TCustomListBox::Dispatch(TMessage& m) {
    if (m.Msg == CN_DRAWITEM) {
        CNDrawItem(m);
        return;
    }
    if (m.Msg == CN_MEASUREITEM) {
        if (auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam)) {
            int height = FItemHeight;
            if (FStyle == lbOwnerDrawVariable) MeasureItem(static_cast<int>(mi->itemID), height);
            mi->itemHeight = static_cast<UINT>(std::max(height, 1));
        }
        m.Result = TRUE;
        return;
    }
    if (m.Msg == CN_COMMAND) {
        if (m.WParamHi() == LBN_SELCHANGE && !FFilling) {
            FItemIndex = ItemIndex();
            Click();
        } else if (m.WParamHi() == LBN_DBLCLK) {
            DblClick();
        }
        return;
    }
    TWinControl::Dispatch(m);
}

// Combo boxes

TCustomComboBox::TCustomComboBox(TComponent* AOwner) : TWinControl(AOwner), FItems(new TStringList), FCanvas(new TCanvas) {
    ControlStyle = csSetCaption | csDoubleClicks | csFixedHeight;
    FWidth = 145;
    FHeight = 24;
    FTabStop = true;
    FColor = clWindow;
    FBrush->SetColor(FColor);
    FItems->OnChange = TNotifyEvent([this](TObject*) { ItemsChanged(); });
}

TCustomComboBox::~TCustomComboBox() {
    FItems->OnChange = TNotifyEvent();
    delete FItems;
    delete FCanvas;
}

int TCustomComboBox::ItemHeight() const {
    if (FHandle && (FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable)) {
        const LRESULT r = SendMessageA(FHandle, CB_GETITEMHEIGHT, 0, 0);
        if (r > 0) return static_cast<int>(r);
    }
    return FItemHeight;
}

void TCustomComboBox::SetItemHeight(int v) {
    if (v <= 0 || v == FItemHeight) return;
    FItemHeight = v;
    if (FHandle && FStyle == csOwnerDrawFixed) {
        SendMessageA(FHandle, CB_SETITEMHEIGHT, 0, MAKELPARAM(static_cast<WORD>(v), 0));
        Invalidate();
    }
}

void TCustomComboBox::DrawItem(int Index, const RECT& Rect, TOwnerDrawState State) {
    if (OnDrawItem) OnDrawItem(this, Index, Rect, State);
    else drawItemText(FCanvas, Rect, Index < FItems->Count() ? FItems->Strings(Index) : String());
}

void TCustomComboBox::MeasureItem(int Index, int& Height) {
    if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TCustomComboBox::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    CreateSubClass(p, "COMBOBOX");
    p.Style |= WS_VSCROLL | CBS_AUTOHSCROLL;
    switch (FStyle) {
    case csSimple: p.Style |= CBS_SIMPLE; break;
    case csDropDown: p.Style |= CBS_DROPDOWN; break;
    case csOwnerDrawFixed: p.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED; break;
    case csOwnerDrawVariable: p.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE; break;
    default: p.Style |= CBS_DROPDOWNLIST; break;
    }
}

void TCustomComboBox::CreateWnd() {
    const String text = FText;
    TWinControl::CreateWnd();
    if (FMaxLength > 0) SendMessageA(FHandle, CB_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
    FillWindow();
    if (FStyle != csDropDownList && FItemIndex < 0 && !text.empty())
        TWinControl::SetTextValue(text);
}

void TCustomComboBox::DestroyWnd() {
    FItemIndex = ItemIndex();
    FText = TWinControl::GetText();
    TWinControl::DestroyWnd();
}

void TCustomComboBox::FillWindow() {
    if (!FHandle) return;
    FFilling = true;
    const String text = FStyle == csDropDownList ? String() : TWinControl::GetText();
    SendMessageA(FHandle, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < FItems->Count(); ++i)
        SendMessageA(FHandle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FItems->Strings(i).c_str()));
    SendMessageA(FHandle, CB_SETCURSEL, static_cast<WPARAM>(FItemIndex), 0);
    if (FItemIndex < 0 && !text.empty()) TWinControl::SetTextValue(text);
    FFilling = false;
}

void TCustomComboBox::ItemsChanged() {
    if (FHandle) FItemIndex = static_cast<int>(SendMessageA(FHandle, CB_GETCURSEL, 0, 0));
    if (FItemIndex >= FItems->Count() || FItemIndex < -1) FItemIndex = -1;
    FillWindow();
}

int TCustomComboBox::ItemIndex() const {
    if (FHandle && !FFilling) {
        const LRESULT r = SendMessageA(FHandle, CB_GETCURSEL, 0, 0);
        return r == CB_ERR ? -1 : static_cast<int>(r);
    }
    return FItemIndex;
}

void TCustomComboBox::SetItemIndex(int v) {
    if (ComponentState().Contains(csLoading)) {
        FItemIndex = v;
        return;
    }
    if (v < -1 || v >= FItems->Count()) v = -1;
    FItemIndex = v;
    if (v >= 0) FText = FItems->Strings(v);
    if (FHandle) SendMessageA(FHandle, CB_SETCURSEL, static_cast<WPARAM>(v), 0);
}

void TCustomComboBox::Loaded() {
    TWinControl::Loaded();
    SetItemIndex(FItemIndex);
}

String TCustomComboBox::GetText() const {
    if (FHandle) return TWinControl::GetText();
    if (FStyle == csDropDownList) return FItemIndex >= 0 && FItemIndex < FItems->Count() ? FItems->Strings(FItemIndex) : String();
    return FText;
}

void TCustomComboBox::SetTextValue(const String& v) {
    const int i = FItems->IndexOf(v);
    if (FStyle == csDropDownList) {
        // Only an entry of the list can be chosen.
        if (i >= 0) SetItemIndex(i);
        return;
    }
    FText = v;
    FItemIndex = i;
    if (FHandle) {
        FFilling = true;
        if (i >= 0) SendMessageA(FHandle, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
        TWinControl::SetTextValue(v);
        FFilling = false;
    }
}

void TCustomComboBox::SetStyle(TComboBoxStyle v) {
    if (FStyle == v) return;
    FStyle = v;
    RecreateWnd();
}

void TCustomComboBox::SetSorted(bool v) {
    if (FSorted == v) return;
    FSorted = v;
    FItems->SetSorted(v);
}

void TCustomComboBox::SetMaxLength(int v) {
    FMaxLength = std::max(v, 0);
    if (FHandle) SendMessageA(FHandle, CB_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

bool TCustomComboBox::DroppedDown() const {
    return FHandle && SendMessageA(FHandle, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBox::SetDroppedDown(bool v) {
    if (FHandle) SendMessageA(FHandle, CB_SHOWDROPDOWN, v ? TRUE : FALSE, 0);
}

void TCustomComboBox::Clear() {
    FItems->Clear();
    SetTextValue(String());
}

void TCustomComboBox::Change() {
    if (OnChange) OnChange(this);
}

void TCustomComboBox::Select() {
    if (OnSelect) OnSelect(this);
    else Change();
}

void TCustomComboBox::Dispatch(TMessage& m) {
    if (m.Msg == CN_DRAWITEM) {
        if (const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam))
            drawOwnerItem(this, FCanvas, *d, [this](int i, const RECT& r, TOwnerDrawState s) { DrawItem(i, r, s); });
        m.Result = TRUE;
        return;
    }
    if (m.Msg == CN_MEASUREITEM) {
        if (auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam)) {
            int height = FItemHeight;
            if (FStyle == csOwnerDrawVariable && static_cast<int>(mi->itemID) >= 0)
                MeasureItem(static_cast<int>(mi->itemID), height);
            mi->itemHeight = static_cast<UINT>(std::max(height, 1));
        }
        m.Result = TRUE;
        return;
    }
    if (m.Msg == CN_COMMAND) {
        if (FFilling) return;
        switch (m.WParamHi()) {
        case CBN_SELCHANGE:
            FItemIndex = ItemIndex();
            if (FItemIndex >= 0) FText = FItems->Strings(FItemIndex);
            Click();
            Select();
            break;
        case CBN_EDITCHANGE:
            FText = TWinControl::GetText();
            FItemIndex = -1;
            Change();
            break;
        case CBN_DROPDOWN:
            if (OnDropDown) OnDropDown(this);
            break;
        case CBN_DBLCLK: DblClick(); break;
        default: break;
        }
        return;
    }
    TWinControl::Dispatch(m);
}

