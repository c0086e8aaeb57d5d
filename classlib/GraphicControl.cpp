// TGraphicControl, which paints on its parent's window, and TCustomControl.
#include "classlib/Controls.h"
#include "platform/gdi.h"

// Canvas of a graphic control: the parent's window, moved and clipped to the control.
namespace {
class TControlCanvas : public TCanvas {
public:
    explicit TControlCanvas(TControl* c) : control_(c) {}
    ~TControlCanvas() override { FreeHandle(); }
    void FreeHandle() {
        if (dc_ && HandleValue() == dc_) {
            SetHandle(nullptr);
            ReleaseDC(wnd_, dc_);
        }
        dc_ = nullptr;
    }

protected:
    void CreateHandle() override {
        TWinControl* p = control_->Parent();
        if (!p) return;
        wnd_ = p->Handle();
        dc_ = GetDC(wnd_);
        if (!dc_) return;
        SetViewportOrgEx(dc_, control_->Left(), control_->Top(), nullptr);
        IntersectClipRect(dc_, 0, 0, control_->Width(), control_->Height());
        SetHandle(dc_);
    }

private:
    TControl* control_;
    HWND wnd_ = nullptr;
    HDC dc_ = nullptr;
};
}  // namespace

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) { FCanvas = new TControlCanvas(this); }

TGraphicControl::~TGraphicControl() { delete FCanvas; }

void TGraphicControl::Dispatch(TMessage& m) {
    if (m.Msg == WM_PAINT && m.WParam) {
        static_cast<TControlCanvas*>(FCanvas)->FreeHandle();
        FCanvas->Lock();
        try {
            FCanvas->SetHandle(reinterpret_cast<HDC>(m.WParam));
            Paint();
        } catch (...) {
            FCanvas->SetHandle(nullptr);
            FCanvas->Unlock();
            throw;
        }
        FCanvas->SetHandle(nullptr);
        FCanvas->Unlock();
        return;
    }
    TControl::Dispatch(m);
}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) { FCanvas = new TCanvas; }

TCustomControl::~TCustomControl() { delete FCanvas; }

void TCustomControl::PaintWindow(HDC DC) {
    FCanvas->Lock();
    try {
        FCanvas->SetHandle(DC);
        Paint();
    } catch (...) {
        FCanvas->SetHandle(nullptr);
        FCanvas->Unlock();
        throw;
    }
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
}
