// The wide clipboard.
#include "widetext/WideClipbrd.h"

#include "platform/globalmem.h"

#include <QCoreApplication>

#include <algorithm>
#include <memory>

namespace {

std::unique_ptr<TWideClipboard>& instance() {
    static std::unique_ptr<TWideClipboard> clipboard;
    return clipboard;
}

}  // namespace

TWideClipboard* WideClipboard() {
    if (!instance()) {
        instance() = std::make_unique<TWideClipboard>();
        // Freed with the program, while its window can still go.
        if (QCoreApplication::instance()) qAddPostRoutine([] { instance().reset(); });
    }
    return instance().get();
}

WideString TWideClipboard::AsWideText() {
    if (!PlatformHasWideApi()) return AnsiToWide(AsText());
    Open();
    WideString text;
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        const SIZE_T units = GlobalSize(h) / sizeof(char16_t);
        if (const auto* p = static_cast<const char16_t*>(GlobalLock(h))) {
            text.assign(p, std::find(p, p + units, u'\0'));
            GlobalUnlock(h);
        }
    }
    Close();
    return text;
}

void TWideClipboard::SetAsWideText(const WideString& Value) {
    if (!PlatformHasWideApi()) {
        SetAsText(WideToAnsi(Value));
        return;
    }
    SetBuffer(CF_UNICODETEXT, Value.c_str(), (Value.size() + 1) * sizeof(char16_t));
}
