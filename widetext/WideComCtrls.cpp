// What the wide list and tree views share, and their registration for layouts.
#include "widetext/WideComCtrls.h"

#include "widetext/WideForms.h"

#include <algorithm>

void CopyToWideBuffer(const WideString& Text, WCHAR* Buffer, int Size) {
    if (!Buffer || Size <= 0 || Buffer == LPSTR_TEXTCALLBACKW) return;
    const std::size_t n = std::min(Text.size(), static_cast<std::size_t>(Size) - 1);
    std::copy_n(Text.data(), n, Buffer);
    Buffer[n] = 0;
}

WideString TextOfWideBuffer(const WCHAR* Buffer, int Size) {
    if (!Buffer || Size <= 0 || Buffer == LPSTR_TEXTCALLBACKW) return WideString();
    const WCHAR* end = std::find(Buffer, Buffer + Size, u'\0');
    return WideString(Buffer, end);
}

void RegisterWideClasses() {
    static const bool done = [] {
        RegisterStandardClasses();
        RegisterClasses<TWideListView, TWideTreeView>();
        RegisterWideStdClasses();
        return true;
    }();
    (void)done;
}
