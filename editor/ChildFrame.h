// The editor's document view: a frame with a scroll box that holds the paint box showing
// the document's picture at its zoom, and the marching ants' timer. The paint box can be far
// larger than any window (a 32767-pixel picture at 16:1); it is never a window of its own:
// the scroll box's surface shows the visible part, and mouse input reaches the paint box
// in its own coordinates (the scroll positions added), not clipped to 16 bits.
#pragma once

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "editor/ChildDocument.h"

#include <cstdint>
#include <vector>

class TMDIChild;

// The paint box of the view; any repaint request from outside paints the picture anew.
class TDocPaintBox : public TPaintBox {
    Q_OBJECT
public:
    explicit TDocPaintBox(TComponent* AOwner) : TPaintBox(AOwner) {}
    void Invalidate() override;
    TMDIChild* View = nullptr;
};

// The scroll box of the view; it hands mouse input over the paint box to the paint box's
// events with full coordinates.
class TDocScrollBox : public TScrollBox {
    Q_OBJECT
public:
    explicit TDocScrollBox(TComponent* AOwner) : TScrollBox(AOwner) {}
    void WndProc(TMessage& Message) override;
    TMDIChild* View = nullptr;

protected:
    // Shift and Ctrl change the tool cursor at once.
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyUp(WORD& Key, TShiftState Shift) override;
};

class TMDIChild : public TWinControl, public TChildDocument {
    Q_OBJECT
public:
    // The document's mouse drag, not the class library's drag and drop of the control.
    using TChildDocument::Dragging;
    using TChildDocument::EndDrag;

    explicit TMDIChild(TComponent* AOwner);
    ~TMDIChild() override;

    TDocScrollBox* ScrollBox1 = nullptr;
    TDocPaintBox* PaintBox1 = nullptr;
    TTimer* Timer1 = nullptr;

    // The frame's event handlers (the layout binds the paint box, scroll box and timer to them).
    void PaintBox1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void PaintBox1MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void PaintBox1MouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    // From the paint event it paints; called by code (Sender not the paint box) it makes the
    // view paint the changed picture.
    void PaintBox1Paint(TObject* Sender);
    void ScrollBox1MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void Timer1Timer(TObject* Sender);
    using TChildDocument::PaintBox1MouseDown;
    using TChildDocument::PaintBox1MouseMove;
    using TChildDocument::PaintBox1MouseUp;
    using TChildDocument::PaintBox1Paint;
    using TChildDocument::ScrollBox1MouseMove;
    using TChildDocument::Timer1Timer;

    // Hands a mouse message of the scroll box (client coordinates) to the paint box when it
    // is over the paint box or a drag holds the mouse; false when it is not the paint box's.
    bool RouteMouse(UINT Msg, WPARAM WParam, POINT Client);
    // The next paint draws the picture again instead of the kept image.
    void InvalidateCache() { FCacheValid = false; }
    // Number of times the visible part of the picture was drawn (for tests and benchmarks).
    int PictureDraws() const { return FPictureDraws; }

private:
    class Adapter : public TDocumentView {
    public:
        explicit Adapter(TMDIChild& v) : v_(v) {}
        int ScrollPos(bool horizontal) const override;
        void SetScrollPos(bool horizontal, int position) override;
        int ScrollRange(bool horizontal) const override;
        SIZE BoxSize() const override;
        SIZE BoxClientSize() const override;
        SIZE PaintBoxSize() const override;
        void SetPaintBoxSize(int width, int height) override;
        void PictureChanged() override;
        void OverlayChanged() override;
        bool CaptureMouse() override;
        void ReleaseMouse() override;
        void SetToolCursor(int number) override;

    private:
        TMDIChild& v_;
    };

    struct CacheKey {
        const BYTE* bits = nullptr;
        int num = 0, den = 0, left = 0, top = 0, width = 0, height = 0;
        bool operator==(const CacheKey&) const = default;
    };

    void PaintPicture(HDC DC);
    void RenderCache(const CacheKey& Key, int SrcX, int SrcY, int SrcWidth, int SrcHeight);
    void PaintOverlay(HDC DC, const CacheKey& Key);
    // The kept picture's pixels, read back once after each drawing.
    bool CachePixels();
    void FreeCache();

    Adapter FAdapter{*this};
    HDC FCacheDC = nullptr;
    HBITMAP FCacheBitmap = nullptr;
    HGDIOBJ FCacheOld = nullptr;
    int FCacheWidth = 0, FCacheHeight = 0;
    std::vector<std::uint32_t> FCachePixels;
    std::vector<std::uint32_t> FCompose;
    CacheKey FCacheKey;
    bool FCacheValid = false;
    bool FCachePixelsValid = false;
    int FPictureDraws = 0;
};

// Makes the view's classes known to the layout reader (for "object MDIChild1: TMDIChild").
void RegisterEditorViewClasses();
