// The drag manager: a drag of a control follows the mouse through a hidden window that
// holds the capture, asks the control under the mouse through CM_DRAG whether it takes
// the drop, shows the answer with the cursor and the drag images, and drops or cancels.
#include "ControlState.h"
#include "classlib/Controls.h"
#include "classlib/DragImgList.h"
#include "classlib/Forms.h"
#include "platform/process.h"

#include <QCoreApplication>
#include <cstdlib>
#include <memory>

namespace {

struct DragState {
    TDragObject* object = nullptr;
    bool ownsObject = false;
    TControl* source = nullptr;
    bool moving = false;  // the threshold was passed (or the drag was immediate)
    POINT start{0, 0};
    int threshold = 5;
    TControl* target = nullptr;
    bool accepted = false;
    TDragImageList* images = nullptr;
    bool imageShown = false;
    HHOOK keyHook = nullptr;
};

DragState* current = nullptr;
DragState* ending = nullptr;  // the drag whose drop or cancel events are running
HWND captureWindow = nullptr;

void dragDone(bool drop);

POINT clientPos(TControl* c, POINT screen) { return c->ScreenToClient(screen); }

// CM_DRAG to a target; its answer (accepted, or the control found).
LRESULT dragMessage(TControl* target, TDragMessage kind, DragState& d, POINT pos) {
    TDragRec rec;
    rec.Pos = pos;
    rec.Source = d.object;
    rec.Target = target;
    return target->Perform(CM_DRAG, static_cast<WPARAM>(kind), reinterpret_cast<LPARAM>(&rec));
}

TControl* findTarget(DragState& d, POINT pos) {
    TControl* c = FindDragTarget(pos, false);
    if (!c) return nullptr;
    auto* found = reinterpret_cast<TControl*>(dragMessage(c, dmFindTarget, d, pos));
    return found ? found : c;
}

void showImage(DragState& d, bool show, POINT pos) {
    if (!d.images) return;
    if (show) {
        if (!d.images->Dragging()) d.images->BeginDrag(nullptr, pos.x, pos.y);
        else d.images->DragMove(pos.x, pos.y);
        if (!d.imageShown) d.images->ShowDragImage();
    } else if (d.imageShown) {
        d.images->HideDragImage();
    }
    d.imageShown = show;
}

void setDragCursor(DragState& d, POINT pos) {
    POINT p = pos;
    if (d.target) p = clientPos(d.target, pos);
    const TCursor c = d.object->GetDragCursor(d.accepted, p.x, p.y);
    if (Screen) ::SetCursor(Screen->Cursors(c));
}

void dragTo(POINT pos) {
    DragState& d = *current;
    d.object->DragPos = pos;
    TControl* target = findTarget(d, pos);
    if (target != d.target) {
        if (d.target) {
            TControl* old = d.target;
            d.target = nullptr;
            dragMessage(old, dmDragLeave, d, pos);
            if (!current) return;
        }
        d.target = target;
        d.accepted = target && dragMessage(target, dmDragEnter, d, pos) != 0;
    } else if (target) {
        d.accepted = dragMessage(target, dmDragMove, d, pos) != 0;
    }
    if (!current) return;
    d.object->DragTarget = d.target;
    d.object->DragTargetPos = d.target ? clientPos(d.target, pos) : POINT{0, 0};
    showImage(d, d.target && (d.target->ControlStyle & csDisplayDragImage), pos);
    setDragCursor(d, pos);
}

LRESULT keyHook(int code, WPARAM wParam, LPARAM lParam) {
    const bool down = (static_cast<DWORD>(lParam) & 0x80000000u) == 0;
    if (code >= 0 && current && wParam == VK_ESCAPE) {
        if (down) dragDone(false);
        return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void captureProc(TMessage& m) {
    if (!current) return;
    const POINT local{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    switch (m.Msg) {
    case WM_MOUSEMOVE: {
        POINT pos = local;
        ClientToScreen(captureWindow, &pos);
        DragState& d = *current;
        if (!d.moving) {
            if (std::abs(pos.x - d.start.x) < d.threshold && std::abs(pos.y - d.start.y) < d.threshold) return;
            d.moving = true;
        }
        dragTo(pos);
        return;
    }
    case WM_LBUTTONUP: dragDone(true); return;
    case WM_RBUTTONDOWN: dragDone(false); return;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(m.LParam) != captureWindow) dragDone(false);
        return;
    default: m.Result = DefWindowProcA(captureWindow, m.Msg, m.WParam, m.LParam); return;
    }
}

void freeCaptureWindow() {
    if (captureWindow) DeallocateHWnd(captureWindow);
    captureWindow = nullptr;
}

// One window holds the mouse for every drag; it is never destroyed from inside its own
// procedure.
HWND dragCaptureWindow() {
    if (!captureWindow) {
        captureWindow = AllocateHWnd(&captureProc);
        qAddPostRoutine(freeCaptureWindow);
    }
    return captureWindow;
}

void dragDone(bool drop) {
    if (!current) return;
    std::unique_ptr<DragState> d(current);
    current = nullptr;
    if (d->keyHook) UnhookWindowsHookEx(d->keyHook);
    if (GetCapture() == captureWindow) ReleaseCapture();
    if (d->images) {
        if (d->imageShown) d->images->HideDragImage();
        d->images->EndDrag();
    }
    TDragObject* obj = d->object;
    obj->Cancelling = !drop;
    POINT pos = obj->DragPos;
    TControl* target = d->target;
    const bool dropped = drop && d->moving && target && d->accepted;
    POINT targetPos{0, 0};
    if (target) {
        targetPos = clientPos(target, pos);
        // The drag manager is idle again while the target and the source run their events.
        DragState* outer = ending;
        ending = d.get();
        if (dropped) {
            obj->Dropped = true;
            dragMessage(target, dmDragDrop, *d, pos);
        } else {
            dragMessage(target, dmDragLeave, *d, pos);
        }
        ending = outer;
        target = d->target;  // null when the target went away meanwhile
    }
    obj->DragTarget = dropped ? target : nullptr;
    obj->DragTargetPos = targetPos;
    if (Screen) ::SetCursor(Screen->Cursors(Screen->Cursor()));
    obj->Finished(dropped ? target : nullptr, targetPos.x, targetPos.y, dropped && target);
    if (d->ownsObject) delete obj;
}

}  // namespace

// ---- drag objects ----

TDragObject::TDragObject() = default;
TDragObject::~TDragObject() = default;

TCursor TDragObject::GetDragCursor(bool Accepted, int, int) { return Accepted ? crDrag : crNoDrop; }
TDragImageList* TDragObject::GetDragImages() { return nullptr; }

void TDragObject::HideDragImage() {
    if (TDragImageList* images = GetDragImages()) images->HideDragImage();
}

void TDragObject::ShowDragImage() {
    if (TDragImageList* images = GetDragImages()) images->ShowDragImage();
}

void TDragObject::Finished(TObject*, int, int, bool) {}

void TBaseDragControlObject::Finished(TObject* Target, int X, int Y, bool) {
    if (FControl) FControl->DoEndDrag(Target, X, Y);
}

TObject* TBaseDragControlObject::SourceObject() { return FControl ? static_cast<TObject*>(FControl) : this; }

TCursor TDragControlObject::GetDragCursor(bool Accepted, int X, int Y) {
    if (Accepted && Control()) return Control()->DragCursor();
    return TBaseDragControlObject::GetDragCursor(Accepted, X, Y);
}

TDragImageList* TDragControlObject::GetDragImages() { return Control() ? Control()->GetDragImages() : nullptr; }

void dragControlGone(TControl* c) {
    for (DragState* d : {current, ending})
        if (d)
            if (auto* o = qobject_cast<TBaseDragControlObject*>(d->object); o && o->FControl == c) o->FControl = nullptr;
}

// ---- the manager ----

TMouseDragSettings& MouseDragSettings() {
    static TMouseDragSettings settings;
    return settings;
}

TDragObject* CurrentDragObject() { return current ? current->object : nullptr; }

bool IsDragObject(TObject* Sender) { return qobject_cast<TDragObject*>(Sender) != nullptr; }

void CancelDrag() { dragDone(false); }

void TControl::BeginDrag(bool Immediate, int Threshold) {
    if (current || FDragKind != dkDrag) return;
    if (!FParent && !dynamic_cast<TWinControl*>(this)) throw EInvalidOperation("Control has no parent window");
    // No hint comes up while dragging.
    if (Application) Application->CancelHint();
    TDragObject* obj = nullptr;
    DoStartDrag(obj);
    auto d = std::make_unique<DragState>();
    d->ownsObject = obj == nullptr;
    d->object = obj ? obj : new TDragControlObject(this);
    d->source = this;
    d->threshold = Threshold >= 0 ? Threshold : MouseDragSettings().DragThreshold;
    GetCursorPos(&d->start);
    d->object->DragPos = d->start;
    d->images = d->object->GetDragImages();
    current = d.release();
    SetCaptureControl(nullptr);
    const HWND capture = dragCaptureWindow();
    current->object->DragHandle = capture;
    SetCapture(capture);
    if (!current) return;
    current->keyHook = SetWindowsHookExA(WH_KEYBOARD, &keyHook, nullptr, GetCurrentThreadId());
    if (Immediate) {
        current->moving = true;
        dragTo(current->start);
    }
}

void TControl::EndDrag(bool Drop) {
    if (Dragging()) dragDone(Drop);
}

bool TControl::Dragging() const { return current && current->source == this; }

void TControl::DoStartDrag(TDragObject*& DragObject) {
    if (OnStartDrag) OnStartDrag(this, DragObject);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y) {
    if (OnEndDrag) OnEndDrag(this, Target, X, Y);
}

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
    Accept = false;
    if (OnDragOver) {
        Accept = true;
        OnDragOver(this, Source, X, Y, State, Accept);
    }
}

void TControl::DragDrop(TObject* Source, int X, int Y) {
    if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

void detail::dragControlDestroyed(TControl* c) {
    dragControlGone(c);
    if (ending && ending->target == c) ending->target = nullptr;
    if (!current) return;
    if (current->target == c) {
        current->target = nullptr;
        current->accepted = false;
    }
    if (current->source == c) {
        current->source = nullptr;
        dragDone(false);
    }
}

void detail::dragMessage(TControl* c, TMessage& m) {
    auto* rec = reinterpret_cast<TDragRec*>(m.LParam);
    if (!rec || !rec->Source) return;
    const POINT p = c->ScreenToClient(rec->Pos);
    TObject* source = rec->Source->SourceObject();
    switch (static_cast<TDragMessage>(m.WParam)) {
    case dmDragEnter:
    case dmDragLeave:
    case dmDragMove: {
        const TDragState state = m.WParam == dmDragEnter ? dsDragEnter : m.WParam == dmDragLeave ? dsDragLeave : dsDragMove;
        bool accept = false;
        c->DragOver(source, p.x, p.y, state, accept);
        m.Result = accept ? 1 : 0;
        return;
    }
    case dmDragDrop: c->DragDrop(source, p.x, p.y); return;
    case dmFindTarget: m.Result = reinterpret_cast<LRESULT>(c); return;
    case dmDragCancel: return;
    }
}

// ---- drag images ----

TDragImageList::~TDragImageList() {
    if (FDragging) EndDrag();
}

bool TDragImageList::SetDragImage(int Index, int HotSpotX, int HotSpotY) {
    if (Index < 0 || Index >= Count()) return false;
    FDragIndex = Index;
    FDragHotspot = POINT{HotSpotX, HotSpotY};
    return true;
}

bool TDragImageList::BeginDrag(HWND Window, int X, int Y) {
    if (FDragIndex < 0 || FDragIndex >= Count()) return false;
    if (!ImageList_BeginDrag(Handle(), FDragIndex, FDragHotspot.x, FDragHotspot.y)) return false;
    FDragging = true;
    FLockWindow = Window;
    FDragPos = POINT{X - FDragHotspot.x, Y - FDragHotspot.y};
    return ImageList_DragEnter(Window, X, Y) != FALSE;
}

bool TDragImageList::DragMove(int X, int Y) {
    if (!FDragging) return false;
    FDragPos = POINT{X - FDragHotspot.x, Y - FDragHotspot.y};
    return ImageList_DragMove(X, Y) != FALSE;
}

bool TDragImageList::HideDragImage() { return FDragging && ImageList_DragShowNolock(FALSE) != FALSE; }

bool TDragImageList::ShowDragImage() { return FDragging && ImageList_DragShowNolock(TRUE) != FALSE; }

bool TDragImageList::EndDrag() {
    if (!FDragging) return false;
    ImageList_DragLeave(FLockWindow);
    ImageList_EndDrag();
    FDragging = false;
    return true;
}
