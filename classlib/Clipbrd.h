// The clipboard object of the class library: texts, handles and pictures over the
// platform's clipboard, opened with a hidden window of its own.
#pragma once

#include "classlib/Classes.h"
#include "platform/clipboard.h"

class TGraphic;

TESSELLON_EXCEPTION(EClipboardException, Exception);

// The class library's own formats: "Tessellon Picture" and "Tessellon Component".
extern const UINT CF_PICTURE;
extern const UINT CF_COMPONENT;

class TClipboard : public TPersistent {
    Q_OBJECT
public:
    TClipboard();
    ~TClipboard() override;

    // Openings nest; the first opens the platform's clipboard (EClipboardException "Cannot
    // open clipboard" when another window holds it), the last closes it. The first setting
    // of an opening empties the clipboard.
    void Open();
    void Close();
    void Clear();
    bool HasFormat(UINT Format);
    int FormatCount();
    UINT Formats(int Index);

    // CF_TEXT; "" when the clipboard holds no text.
    String AsText();
    void SetAsText(const String& Value);
    // Copies at most BufSize - 1 characters and a terminator; the characters copied.
    int GetTextBuf(char* Buffer, int BufSize);
    void SetTextBuf(const char* Buffer);
    // The clipboard keeps the handle it returns; SetAsHandle hands the handle over.
    HANDLE GetAsHandle(UINT Format);
    void SetAsHandle(UINT Format, HANDLE Value);
    // A copy of Size bytes under Format.
    void SetBuffer(UINT Format, const void* Buffer, std::size_t Size);

    // A TPicture or TGraphic goes on the clipboard in its class's format (with CF_PALETTE
    // when it has a palette).
    void Assign(TPersistent* Source) override;
    // Into a TPicture: the first format on the clipboard that a graphic class reads; into a
    // TBitmap: CF_DIB or CF_BITMAP.
    void AssignTo(TPersistent* Dest) override;

    HWND Handle() const { return FClipboardWindow; }

protected:
    // Empties the clipboard at the first setting of an opening.
    void Adding();

private:
    void AssignGraphic(TGraphic* Source);
    int FOpenRefCount = 0;
    HWND FClipboardWindow = nullptr;
    bool FAllocated = false;
    bool FEmptied = false;
};

// The process's clipboard object, made at first use.
TClipboard* Clipboard();
// Puts another object in its place; returns the old one (the caller frees it).
TClipboard* SetClipboard(TClipboard* NewClipboard);
