// Unicode windows and wide captions: windows of class-library controls made as UTF-16
// windows and subclassed so that the class library's 8-bit text traffic is converted by the
// platform, wide captions and hints kept beside the class library's texts (also for controls
// without a window and across the re-creation of a window), and a hint window that paints
// wide text.
//
// On a platform without UTF-16 windows (PlatformHasWideApi false) every routine takes the
// class library's 8-bit road: windows are made with CreateWindowExA and texts are the
// class library's texts widened.
#pragma once

#include "classlib/Controls.h"
#include "classlib/Forms.h"
#include "widetext/WideSystem.h"

#include <functional>

// ---- Synced wide strings -------------------------------------------------------------------
//
// A wide text kept beside an 8-bit text that the class library owns. Reading gives the wide
// text, unless someone changed the 8-bit text since (its 8-bit form no longer matches), in
// which case the 8-bit text widened replaces it. Writing stores the wide text and passes its
// 8-bit form to the setter; a text the code page cannot hold whose 8-bit form equals the
// current one first passes an empty text, so that the class library sees a change.

// Whether a text survives the way through the ANSI code page unchanged.
bool IsWideTextAnsi(const WideString& S);
WideString GetSyncedWideString(WideString& WideStr, const String& AnsiStr);
void SetSyncedWideString(const WideString& Value, WideString& WideStr, const String& AnsiStr,
                         const std::function<void(const String&)>& SetAnsiStr);

// ---- Caption holders ---------------------------------------------------------------------
//
// The wide caption and hint of one control, kept in a process-wide list sorted by control.
// A holder is made on the first write and goes when its control goes.
class TWideCaptionHolder : public TComponent {
    Q_OBJECT

public:
    explicit TWideCaptionHolder(TControl* AControl);
    ~TWideCaptionHolder() override;

    TControl* Control() const { return FControl; }
    // The holder of a control: null when it has none (Find), a new one otherwise (Get).
    static TWideCaptionHolder* Find(const TControl* Control);
    static TWideCaptionHolder* Get(TControl* Control);
    // Synced with the control's 8-bit caption and hint.
    WideString Caption();
    void SetCaption(const WideString& Value);
    WideString Hint();
    void SetHint(const WideString& Value);
    // The stored wide caption as it stands (kept while the control's window is away).
    WideString& StoredCaption() { return FWideCaption; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TControl* FControl;
    WideString FWideCaption;
    WideString FWideHint;
};

// ---- Unicode windows ---------------------------------------------------------------------

inline constexpr const char16_t* UNICODE_CLASS_EXT = u".UnicodeClass";

// Registers the UTF-16 class of a control's window: the class library's class name of
// Params followed by ".UnicodeClass". A class of that name with another procedure is
// registered anew; failures raise the last system error. UseInitialProc registers the
// class library's initial procedure instead of this layer's.
void RegisterUnicodeClass(const TCreateParams& Params, WideString& ClassName, bool UseInitialProc = false);
// Makes the control's window (from its CreateWindowHandle): a UTF-16 window whose default
// procedure is the procedure of the registered class SubClass (DefWindowProcW when empty),
// subclassed at once. Without UTF-16 windows: the class library's CreateWindowExA.
void CreateUnicodeWindow(TWinControl* Control, const TCreateParams& Params, const WideString& SubClass,
                         bool UseInitialProc = false);
// Subclasses the UTF-16 window of a control and gives it its wide caption (Caption, or the
// caption a holder kept). A window that is not UTF-16 raises EWideInternalError
// "Internal Error: SubClassUnicodeControl.Control is not Unicode.".
void SubClassUnicodeControl(TWinControl* Control, const String& Caption, bool UseInitialProc = false);
// The control whose window CreateUnicodeWindow is making, or null.
TWinControl* UnicodeWindowBeingCreated();

// ---- Wide captions and hints ---------------------------------------------------------------

WideString WideGetText(TControl* Control);
void WideSetText(TControl* Control, const WideString& Text);
WideString WideGetHint(TControl* Control);
void WideSetHint(TControl* Control, const WideString& Text);
// False when the control's action link supplies the hint (caption).
bool IsHintStored(TControl* Control);
bool IsCaptionStored(TControl* Control);
// The first non-empty wide hint of the control and its parents.
WideString WideGetHintOfParents(TControl* Control);
// The text before / after the first "|" (the whole text without one).
WideString GetShortHint(const WideString& Hint);
WideString GetLongHint(const WideString& Hint);

// WM_CHAR with a character of 256 or above travels through 8-bit handlers as character
// 255 with the real one in the high word of wParam; Restore puts it back when the character
// is still 255 and clears the high word.
void MakeWMCharMsgSafeForAnsi(TMessage& Message);
void RestoreWMCharMsg(TMessage& Message);

// The wide hint of CM_HINTSHOW (the subclassed controls apply it themselves; controls
// without a window call it from their own CM_HINTSHOW): a request for the plain hint
// window asks for the wide one, is marked as wide (its HintData points to itself) and its
// 8-bit text becomes the short part of the control's wide hint.
void ApplyWideHintFix(TControl* Control, TMessage& Message);
// Whether hint data marks a wide request, and the wide text such a request shows.
bool IsWideHintRequest(const void* HintData);
WideString WideHintTextOf(const THintInfo& Info);

// ---- The wide hint window -----------------------------------------------------------------

class TWideCustomHintWindow : public THintWindow {
    Q_OBJECT

public:
    explicit TWideCustomHintWindow(TComponent* AOwner);
    ~TWideCustomHintWindow() override;

    void ActivateHint(RECT Rect, const String& AHint) override;
    void ActivateHintData(RECT Rect, const String& AHint, void* AData) override;
    RECT CalcHintRect(int MaxWidth, const String& AHint, void* AData) override;
    void Dispatch(TMessage& Message) override;
    WideString Caption() { return WideGetText(this); }
    void SetCaption(const WideString& Value) { WideSetText(this, Value); }

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowHandle(const TCreateParams& Params) override;
    void Paint() override;

private:
    void activate(RECT Rect, const String& AHint, void* AData);
    bool FActivating = false;
};
