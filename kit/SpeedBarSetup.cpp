// The speed bar's setup window.
#include "kit/SpeedBarSetup.h"

#include "kit/KitUtils.h"
#include "platform/codepage.h"

#include <cstdlib>

static void initSetupResources() { Q_INIT_RESOURCE(kitbuttons); }

TSpeedbarSetupWindow::TSpeedbarSetupWindow(TComponent* AOwner) : TForm(AOwner), FImage(new TButtonImage()) {
    initSetupResources();
    PublishField("CategoriesLabel", CategoriesLabel);
    PublishField("SectionList", SectionList);
    PublishField("ButtonsLabel", ButtonsLabel);
    PublishField("ButtonsList", ButtonsList);
    PublishField("HintLabel", HintLabel);
    PublishField("CloseBtn", CloseBtn);
    LoadLayout("SpeedBarSetup");
}

TSpeedbarSetupWindow::~TSpeedbarSetupWindow() {
    Detach();
    delete FDragObject;
    delete FImage;
}

void TSpeedbarSetupWindow::Detach() {
    if (!FBar) return;
    TSpeedBar* bar = FBar;
    FBar = nullptr;
    bar->RemoveFreeNotification(this);
    bar->SetEditing(false);
    if (HandleAllocated() && bar->SetupWindow() == Handle()) bar->SetSetupWindow(nullptr);
}

void TSpeedbarSetupWindow::SetSpeedBar(TSpeedBar* Value) {
    if (Value == FBar) return;
    Detach();
    FBar = Value;
    if (FBar) {
        FBar->FreeNotification(this);
        FBar->SetSetupWindow(Handle());
        FBar->SetEditing(true);
        FBar->Customize();
    }
    UpdateLists();
}

void TSpeedbarSetupWindow::Notification(TComponent* AComponent, TOperation Operation) {
    TForm::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FBar) {
        FBar = nullptr;
        if (SectionList) UpdateLists();
    }
}

TSpeedItem* TSpeedbarSetupWindow::ItemAt(int Index) const {
    if (!ButtonsList || Index < 0 || Index >= ButtonsList->Count()) return nullptr;
    return static_cast<TSpeedItem*>(ButtonsList->Items()->Objects(Index));
}

void TSpeedbarSetupWindow::UpdateLists() {
    if (!SectionList) return;
    const int current = SectionList->ItemIndex();
    SectionList->Items()->BeginUpdate();
    SectionList->Items()->Clear();
    if (FBar)
        for (int i = 0; i < FBar->SectionCount(); ++i) SectionList->Items()->Add(FBar->Sections(i)->Caption());
    SectionList->Items()->EndUpdate();
    if (SectionList->Count() > 0) SectionList->SetItemIndex(current >= 0 && current < SectionList->Count() ? current : 0);
    UpdateButtons();
}

void TSpeedbarSetupWindow::UpdateButtons() {
    if (!ButtonsList) return;
    ButtonsList->Items()->BeginUpdate();
    ButtonsList->Items()->Clear();
    const int section = SectionList ? SectionList->ItemIndex() : -1;
    if (FBar && section >= 0 && section < FBar->SectionCount()) {
        TSpeedbarSection* s = FBar->Sections(section);
        for (int i = 0; i < s->ItemCount(); ++i) ButtonsList->Items()->AddObject(s->Items(i)->Caption(), s->Items(i));
    }
    ButtonsList->Items()->EndUpdate();
    if (FBar) ButtonsList->SetItemHeight(std::max(FBar->BtnHeight() + 6, 18));
    ButtonsList->Invalidate();
}

void TSpeedbarSetupWindow::SectionListClick(TObject*) { UpdateButtons(); }

void TSpeedbarSetupWindow::ButtonsListDrawItem(TWinControl*, int Index, RECT Rect, TOwnerDrawState State) {
    TCanvas* c = ButtonsList->Canvas();
    TSpeedItem* item = ItemAt(Index);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor((State & odSelected) ? clHighlight : clWindow);
    c->FillRect(Rect);
    if (!item || !FBar) return;
    FImage->SetGlyph(item->Glyph());
    FImage->SetNumGlyphs(item->NumGlyphs());
    FImage->Caption = item->BtnCaption();
    FImage->ButtonSize = SIZE{FBar->BtnWidth(), FBar->BtnHeight()};
    const int top = Rect.top + (Rect.bottom - Rect.top - FBar->BtnHeight()) / 2;
    FImage->Draw(c, Rect.left + 3, top, item->Layout(), item->Margin(), item->Spacing(), DT_CENTER, item->Font(),
                 FBar->Images(), item->ImageIndex());
    // The caption beside the picture; a button already on the bar is named in grey.
    RECT text{Rect.left + FBar->BtnWidth() + 10, Rect.top, Rect.right - 2, Rect.bottom};
    c->Brush()->SetStyle(bsClear);
    HDC dc = c->Handle();
    SetBkMode(dc, TRANSPARENT);
    const TColor colour = (State & odSelected) ? clHighlightText : item->Visible() ? clGrayText : clWindowText;
    SetTextColor(dc, ColorToRGB(colour));
    const std::u16string w = platform::ansiToWide(item->Caption());
    DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void TSpeedbarSetupWindow::ButtonsListMouseDown(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
    if (Button != mbLeft || !FBar) return;
    const int index = ButtonsList->ItemAtPos(POINT{X, Y}, true);
    if (!ItemAt(index)) return;
    ButtonsList->SetItemIndex(index);
    ButtonsList->BeginDrag(false, 4);
}

void TSpeedbarSetupWindow::ButtonsListStartDrag(TObject*, TDragObject*& DragObject) {
    TSpeedItem* item = ItemAt(ButtonsList->ItemIndex());
    if (!item) return;
    delete FDragObject;
    FDragObject = new TSpeedItemDragObject(ButtonsList, item);
    DragObject = FDragObject;
}

void TSpeedbarSetupWindow::ButtonsListEndDrag(TObject*, TObject*, int, int) { ButtonsList->Invalidate(); }

void TSpeedbarSetupWindow::CloseBtnClick(TObject*) { Close(); }

void TSpeedbarSetupWindow::FormClose(TObject*, TCloseAction& Action) {
    Detach();
    Action = caFree;
}

void TSpeedbarSetupWindow::Dispatch(TMessage& Message) {
    if (Message.Msg != CM_SPEEDBARCHANGED) {
        TForm::Dispatch(Message);
        return;
    }
    switch (Message.WParam) {
    case SBR_DESTROYED:
        // The bar goes: so does its setup window.
        if (FBar) FBar->RemoveFreeNotification(this);
        FBar = nullptr;
        UpdateLists();
        Close();
        break;
    case SBR_ITEMPLACED:
    case SBR_CHANGED:
    case SBR_BTNSIZECHANGED: UpdateButtons(); break;
    default: break;
    }
    Message.Result = 1;
}

TSpeedbarSetupWindow* ShowSpeedbarSetupWindow(TSpeedBar* Bar) {
    if (!Bar) return nullptr;
    TSpeedbarSetupWindow* window = nullptr;
    if (HWND h = Bar->SetupWindow()) window = qobject_cast<TSpeedbarSetupWindow*>(TWinControl::FindControl(h));
    if (!window) {
        window = new TSpeedbarSetupWindow(Application);
        window->SetSpeedBar(Bar);
    }
    window->Show();
    return window;
}

void RegisterSpeedBarSetup() {
    RegisterSpeedBar();
    RegisterClasses<TSpeedbarSetupWindow>();
}
