// The editor window's Edit and Selection commands that move pictures between the document
// and the clipboard, and the three commands on the whole selection mask.
//
// A copy puts the picture (or the selection's bounding box) on the clipboard as CF_DIB, which
// other programs paste as a picture, and with a selection its 1-bit mask beside it under
// "DABWELL_SELECTION". A paste as a selection hands picture and mask to the document's
// floating selection; a paste as a new picture replaces the document. The editor window owns
// one TEditorClipboard and forwards its menu handlers to it.
#pragma once

#include "editor/ChildDocument.h"
#include "platform/wintypes.h"

#include <functional>

inline constexpr const char* SelectionClipFormatName = "DABWELL_SELECTION";

class TEditorClipboard {
public:
    // Registers the selection format; `Owner` is the window the clipboard is opened with.
    explicit TEditorClipboard(HWND Owner = nullptr);
    TEditorClipboard(const TEditorClipboard&) = delete;
    TEditorClipboard& operator=(const TEditorClipboard&) = delete;

    void SetOwner(HWND Owner) { FOwner = Owner; }
    HWND Owner() const { return FOwner; }

    // The format number of "DABWELL_SELECTION".
    const UINT ClipFormat;
    // The mask going with a clipboard selection while a copy or paste is under way; it is
    // handed to the floating selection or freed, never kept.
    UniqueDib ClipMaskDib;
    // Set by the two paste-as-selection commands: pixels of colour 2 stay out of the paste.
    bool PasteTransparent = false;
    // Installs a pasted picture as the new document (the editor window's NewWindow with an
    // empty name). Unset, the document takes it through InstallNewPicture.
    std::function<void(TChildDocument&, UniqueDib)> NewWindow;

    // ---- Selection ----
    void SelectAll(TChildDocument& Doc);
    void SelectNone(TChildDocument& Doc);
    void InvertSelection(TChildDocument& Doc);

    // ---- Edit ----
    // False when nothing was put on the clipboard (it cannot be opened, or out of memory,
    // which leaves what the clipboard held).
    bool Copy(TChildDocument& Doc);
    void Delete(TChildDocument& Doc);
    void Cut(TChildDocument& Doc);
    void EmptyClipboard();
    // True when a picture was installed.
    bool PasteAsNewPicture(TChildDocument& Doc);
    // Sets PasteTransparent, then PasteAlsAuswahl.
    bool PasteAsSelection(TChildDocument& Doc, bool Transparent);
    // Pastes as a floating selection that follows the mouse; true when one was made.
    bool PasteAlsAuswahl(TChildDocument& Doc);

    // Whether the clipboard holds a picture (the menu state of "Insert" and the paste
    // button); false while another window holds the clipboard open.
    bool HasPicture() const;

    // ---- Helpers ----
    // Replaces Pasted by a copy with the depth and colour table of Picture, each pixel's
    // colour mapped to the nearest entry (or written directly into a true-colour copy).
    // Pasted stays as it was when the copy cannot be made.
    static void MakeCompatibleDib(const TDib& Picture, UniqueDib& Pasted);
    // Row bytes of a row of `Bits` bits, padded to 4 bytes.
    static int RowBytes(int Bits);
    // A packed colour (red in the low byte) into its parts.
    static void SplitRGB(int Colour, int& Red, int& Green, int& Blue);

    // What the editor window's NewWindow does to the document: the old picture, selection,
    // floating selection and undo steps go, the picture comes in at 1:1 with a new mask and
    // the colours 0 and colour count - 1.
    static void InstallNewPicture(TChildDocument& Doc, UniqueDib Picture, const String& Name);

private:
    // Reads CF_DIB of the open clipboard into a picture; false (and nothing read) when it
    // holds none that the editor takes, with the out-of-memory message when one could not
    // be allocated.
    bool ReadClipboardPicture(TChildDocument& Doc, UniqueDib& Picture);
    HWND FOwner = nullptr;
};
