// Frames: containers of controls with a layout of their own.
#include "classlib/Filer.h"
#include "classlib/Forms.h"

TFrame::TFrame(TComponent* AOwner) : TScrollBox(AOwner) {
    SetBorderStyle(bsNone);
    FWidth = 320;
    FHeight = 240;
    // A frame takes its colour and font from the form it is placed on.
    FParentColor = true;
}

void TFrame::LoadLayout(const String& name) { ReadLayout(this, name); }

void TFrame::LoadLayoutText(const String& text) { ReadComponentText(text, this); }
