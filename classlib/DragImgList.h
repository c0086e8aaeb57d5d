// The image list a drag shows under the cursor: one of its images follows the mouse over
// controls that display drag images.
#pragma once

#include "classlib/ImgList.h"

class TDragImageList : public TCustomImageList {
    Q_OBJECT
public:
    explicit TDragImageList(TComponent* AOwner) : TCustomImageList(AOwner) {}
    TDragImageList(int AWidth, int AHeight, TComponent* AOwner = nullptr) : TCustomImageList(AWidth, AHeight, AOwner) {}
    ~TDragImageList() override;

    // The image a drag shows and the point of it under the cursor; false for a bad index.
    bool SetDragImage(int Index, int HotSpotX, int HotSpotY);
    int DragIndex() const { return FDragIndex; }
    POINT DragHotspot() const { return FDragHotspot; }

    // Shows the image at (X, Y) of the window (screen coordinates for a null window).
    bool BeginDrag(HWND Window, int X, int Y);
    bool DragMove(int X, int Y);
    bool HideDragImage();
    bool ShowDragImage();
    bool EndDrag();
    bool Dragging() const { return FDragging; }
    // Where the image is drawn (its upper-left corner, in the window's coordinates).
    POINT DragPosition() const { return FDragPos; }

private:
    int FDragIndex = 0;
    POINT FDragHotspot{0, 0};
    bool FDragging = false;
    HWND FLockWindow = nullptr;
    POINT FDragPos{0, 0};
};
