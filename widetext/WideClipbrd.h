// The clipboard with UTF-16 text: another program pastes exactly what is copied, and reads
// the 8-bit and the UTF-16 form of it alike.
#pragma once

#include "classlib/Clipbrd.h"
#include "widetext/WideSystem.h"

class TWideClipboard : public TClipboard {
    Q_OBJECT
public:
    TWideClipboard() = default;
    // The clipboard's text (CF_UNICODETEXT, up to its terminator); "" when it holds none.
    // Without UTF-16 windows the 8-bit text widened.
    WideString AsWideText();
    // Empties the clipboard and puts the text on it as CF_UNICODETEXT, once (the platform
    // offers its 8-bit form beside it). Without UTF-16 windows the 8-bit text.
    void SetAsWideText(const WideString& Value);
};

// The process's wide clipboard, made at first use and freed at exit.
TWideClipboard* WideClipboard();
