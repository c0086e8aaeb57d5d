// Drag and drop between windows and programs, over the desktop's drag and drop.
//
// A drag carries a data object: blocks in clipboard formats, offered to other programs as
// the clipboard offers them (CF_HDROP as text/uri-list, text as text/plain, CF_DIB as
// image/png, other formats as our private types), so files dragged from a file manager
// arrive as CF_HDROP and ours arrive there as files. Drop targets are registered on
// windows; DoDragDrop runs a drag until the button is released or Escape is pressed.
#pragma once

#include "platform/clipboard.h"
#include "platform/globalmem.h"
#include "platform/objbase.h"
#include "platform/winuser.h"

#include <memory>
#include <vector>

class QMimeData;

inline constexpr HRESULT DRAGDROP_S_DROP = 0x00040100;
inline constexpr HRESULT DRAGDROP_S_CANCEL = 0x00040101;
inline constexpr HRESULT DRAGDROP_S_USEDEFAULTCURSORS = 0x00040102;
inline constexpr HRESULT DRAGDROP_E_NOTREGISTERED = static_cast<HRESULT>(0x80040100u);
inline constexpr HRESULT DRAGDROP_E_ALREADYREGISTERED = static_cast<HRESULT>(0x80040101u);
inline constexpr HRESULT DRAGDROP_E_INVALIDHWND = static_cast<HRESULT>(0x80040102u);
inline constexpr HRESULT DV_E_FORMATETC = static_cast<HRESULT>(0x80040064u);
inline constexpr HRESULT OLE_E_WRONGCOMPOBJ = static_cast<HRESULT>(0x8004000Eu);
inline constexpr DWORD DROPEFFECT_SCROLL = 0x80000000u;
// The key state of drag calls: MK_LBUTTON, MK_RBUTTON, MK_SHIFT, MK_CONTROL, MK_MBUTTON and
// MK_ALT.
inline constexpr DWORD MK_ALT = 0x0020;

// The blocks a drag carries.
struct IDataObject : virtual IUnknown {
    // A copy of the block of a format in global memory, which the caller frees;
    // DV_E_FORMATETC when the format is not offered.
    virtual HRESULT GetData(UINT format, HGLOBAL* block) = 0;
    // S_OK when the format is offered, S_FALSE otherwise.
    virtual HRESULT QueryGetData(UINT format) = 0;
    // The formats offered, the preferred first.
    virtual HRESULT EnumFormats(std::vector<UINT>* formats) = 0;
    // Offers a block; with `release` the object takes the block (else it copies it).
    virtual HRESULT SetData(UINT format, HGLOBAL block, BOOL release) = 0;
};

// A window's answer to drags over it. Points are screen coordinates; *effect comes in as
// the effects the source allows and goes out as the one the target would do (or
// DROPEFFECT_NONE).
struct IDropTarget : virtual IUnknown {
    virtual HRESULT DragEnter(const std::shared_ptr<IDataObject>& data, DWORD keyState, POINT pt, DWORD* effect) = 0;
    virtual HRESULT DragOver(DWORD keyState, POINT pt, DWORD* effect) = 0;
    virtual HRESULT DragLeave() = 0;
    virtual HRESULT Drop(const std::shared_ptr<IDataObject>& data, DWORD keyState, POINT pt, DWORD* effect) = 0;
};

// The side that started a drag: whether it goes on, and the cursor of each effect.
struct IDropSource : virtual IUnknown {
    // S_OK to go on, DRAGDROP_S_CANCEL to end it without a drop (Escape ends it always).
    virtual HRESULT QueryContinueDrag(BOOL escapePressed, DWORD keyState) = 0;
    // DRAGDROP_S_USEDEFAULTCURSORS for the desktop's cursors.
    virtual HRESULT GiveFeedback(DWORD effect) = 0;
};

// Per thread; S_FALSE when already done on the thread.
HRESULT OleInitialize(void* reserved);
void OleUninitialize();

// Drops on the window (and its child windows without targets of their own) go to the
// target until it is revoked or the window is destroyed.
HRESULT RegisterDragDrop(HWND wnd, std::shared_ptr<IDropTarget> target);
HRESULT RevokeDragDrop(HWND wnd);
// Runs a drag of the data until the button is released (DRAGDROP_S_DROP, with the
// effect the target did) or it is cancelled (DRAGDROP_S_CANCEL, DROPEFFECT_NONE).
HRESULT DoDragDrop(std::shared_ptr<IDataObject> data, std::shared_ptr<IDropSource> source, DWORD okEffects,
                   DWORD* effect);

// Files dropped on the window arrive as WM_DROPFILES (an HDROP in wParam, freed by the
// window with DragFinish).
inline constexpr UINT WM_DROPFILES = 0x0233;
void DragAcceptFiles(HWND wnd, BOOL accept);

namespace platform {

// An empty data object for SetData.
std::shared_ptr<IDataObject> createDataObject();
// A data object over the desktop's data (valid while the data lives), and the desktop's
// data of a data object (owned by the caller).
std::shared_ptr<IDataObject> dataObjectOfMime(const QMimeData* data);
QMimeData* mimeOfDataObject(const std::shared_ptr<IDataObject>& data);
// The target registered on a window, or null.
std::shared_ptr<IDropTarget> dropTargetOf(HWND wnd);

}  // namespace platform
