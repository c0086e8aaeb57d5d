// The window that customizes a speed bar: the bar's sections, the buttons of the chosen
// section drawn as they look, and dragging buttons between the list and the bar.
#pragma once

#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "kit/SpeedBar.h"
#include "kit/ThemedButtons.h"

class TSpeedbarSetupWindow : public TForm {
    Q_OBJECT

public:
    explicit TSpeedbarSetupWindow(TComponent* AOwner);
    ~TSpeedbarSetupWindow() override;

    TSpeedBar* SpeedBar() const { return FBar; }
    // Attaches the window to a bar: the bar's items go into customize mode and the bar tells
    // the window of every change.
    void SetSpeedBar(TSpeedBar* Value);
    // The item shown at a row of the buttons list (null when none).
    TSpeedItem* ItemAt(int Index) const;
    // Fills the lists again from the bar.
    void UpdateLists();

    TLabel* CategoriesLabel = nullptr;
    TListBox* SectionList = nullptr;
    TLabel* ButtonsLabel = nullptr;
    TListBox* ButtonsList = nullptr;
    TLabel* HintLabel = nullptr;
    TThemedBitBtn* CloseBtn = nullptr;

    void Dispatch(TMessage& Message) override;

public slots:
    void FormClose(TObject* Sender, TCloseAction& Action);
    void SectionListClick(TObject* Sender);
    void ButtonsListDrawItem(TWinControl* Control, int Index, RECT Rect, TOwnerDrawState State);
    void ButtonsListMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void ButtonsListStartDrag(TObject* Sender, TDragObject*& DragObject);
    void ButtonsListEndDrag(TObject* Sender, TObject* Target, int X, int Y);
    void CloseBtnClick(TObject* Sender);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void UpdateButtons();
    void Detach();
    TSpeedBar* FBar = nullptr;
    TSpeedItemDragObject* FDragObject = nullptr;
    TButtonImage* FImage;
};

// Shows the setup window of a bar (made on first use, freed when it closes); returns it.
TSpeedbarSetupWindow* ShowSpeedbarSetupWindow(TSpeedBar* Bar);

void RegisterSpeedBarSetup();
