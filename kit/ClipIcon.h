// Icons on the clipboard: the kit's registered icon format holds an icon file image.
#pragma once

#include "classlib/Graphics.h"

// The name the icon format is registered under.
inline constexpr const char* CF_ICON_NAME = "Tessellon Icon";
// The icon format's number (registered at first use).
UINT ClipboardIconFormat();

// An icon that goes to and comes from the clipboard in the icon format.
class TClipboardIcon : public TIcon {
    Q_OBJECT
public:
    TClipboardIcon() = default;
    // The file image in global memory under the icon format.
    void SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette) override;
    // The block's bytes as an icon file image; EInvalidGraphic when they are none.
    void LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette) override;
};

// Registers the icon format and maps it to icons in the picture formats; once is enough.
void RegisterClipboardIcon();
// The clipboard's icon into Icon; false (Icon unchanged) when the clipboard holds none or
// its block is no icon.
bool LoadIconFromClipboard(TIcon* Icon);
// The icon on the clipboard in the icon format.
void CopyIconToClipboard(TIcon* Icon);
