// The poster window's picture input from enhanced metafiles, rendered at the size chosen
// in the vector-import dialog, and from the scanner.
#include "poster/Pixwerk.h"
#include "poster/PosterUnit.h"
#include "poster/RenderSizeUnit.h"

#include "platform/gdi.h"
#include "platform/metafile.h"
#include "scanvia/Scanvia.h"

#include <cmath>
#include <new>

namespace {

// A metafile's size in pixels: its bounds, or, when they are empty or inverted, its frame
// (0.01 mm) at the screen's resolution; 0 x 0 when neither gives a size.
SIZE metafileSize(const ENHMETAHEADER& h, int dpiX, int dpiY) {
    const long long w = static_cast<long long>(h.rclBounds.right) - h.rclBounds.left + 1;
    const long long hh = static_cast<long long>(h.rclBounds.bottom) - h.rclBounds.top + 1;
    if (w > 0 && hh > 0 && w <= 0x7FFFFFFF && hh <= 0x7FFFFFFF) return SIZE{LONG(w), LONG(hh)};
    const double fw = (static_cast<double>(h.rclFrame.right) - h.rclFrame.left + 1) / 2540.0 * dpiX;
    const double fh = (static_cast<double>(h.rclFrame.bottom) - h.rclFrame.top + 1) / 2540.0 * dpiY;
    const double rw = std::nearbyint(fw), rh = std::nearbyint(fh);
    if (h.rclFrame.right <= h.rclFrame.left || h.rclFrame.bottom <= h.rclFrame.top || rw < 1 || rh < 1 ||
        rw > 0x7FFFFFFF || rh > 0x7FFFFFFF)
        return SIZE{0, 0};
    return SIZE{LONG(rw), LONG(rh)};
}

}  // namespace

void TMainForm::ShowLoadError(const String& Name, const String& Text) {
    const String message = "Error: The file " + Name + " could not be loaded!";
    if (Text.size() < 6)
        Application->MessageBox(message, "Error", MB_OK);
    else
        Application->MessageBox(Text, message, MB_OK);
}

void TMainForm::OpenMetafile(const String& Folder, const String& Name) {
    HENHMETAFILE metafile = GetEnhMetaFileA((Folder + Name).c_str());
    if (!metafile) {
        ShowLoadError(Name, String());
        return;
    }
    ENHMETAHEADER header{};
    GetEnhMetaFileHeader(metafile, sizeof header, &header);
    const SIZE size = metafileSize(header, ScreenDpi(LOGPIXELSX), ScreenDpi(LOGPIXELSY));
    if (size.cx <= 0 || size.cy <= 0) {
        // Nothing to take proportions from.
        DeleteEnhMetaFile(metafile);
        ShowLoadError(Name, String());
        return;
    }
    if (!RenderSizeForm) Application->CreateForm(RenderSizeForm);
    RenderSizeForm->SetAspectBase(size.cx, size.cy);
    if (RenderSizeForm->ShowModal() != mrOk) {
        DeleteEnhMetaFile(metafile);
        return;
    }
    const int width = RenderSizeForm->ChosenWidth();
    const int height = RenderSizeForm->ChosenHeight();
    // A fresh white bitmap of the chosen size; a size that memory cannot hold fails here.
    RenderBitmap->SetSize(1, 1);
    bool ready = false;
    try {
        RenderBitmap->SetSize(width, height);
        ready = RenderBitmap->Handle() && RenderBitmap->Width() == width && RenderBitmap->Height() == height;
    } catch (const std::bad_alloc&) {
        ready = false;
    }
    bool played = false;
    if (ready) {
        const RECT all{0, 0, width, height};
        played = PlayEnhMetaFile(RenderBitmap->Canvas()->Handle(), metafile, &all) != FALSE;
    }
    DeleteEnhMetaFile(metafile);
    TDib dib{};
    if (played) newdib(&dib, width, height, 24, nullptr, 0);
    bool copied = false;
    if (dib.Bits) {
        copied = GetDIBits(RenderBitmap->Canvas()->Handle(), RenderBitmap->Handle(), 0, static_cast<UINT>(height), dib.Bits,
                           dib.Info, DIB_RGB_COLORS) == height;
    }
    RenderBitmap->SetSize(1, 1);
    if (!copied) {
        deldib(dib);
        ShowLoadError(Name, String());
        return;
    }
    DibPixelsChanged(dib);
    InstallDib(dib, Folder);
}

// ---- Scanning ----------------------------------------------------------------------------

void TMainForm::ScanButtonClick(TObject*) { TWAIN_ScanImage(Handle()); }

void TMainForm::SelectButtonClick(TObject*) { TWAIN_SelectScanner(Handle()); }

void TMainForm::WMUser2(TMessage& Message) {
    Message.Result = 0;
    TDib dib{};
    GetScanedDib(&dib, Message.WParam);
    // A cancelled or failed scan leaves everything as it was.
    if (!dib.Bits) return;
    Dib.reset(dib);
    const TDib& d = Dib.get();
    Breit->SetCaption(IntToStr(DibWidth(d)));
    Hoch->SetCaption(IntToStr(DibHeight(d)));
    Tief->SetCaption(IntToStr(PowerOfTwo(DibBitCount(d))));
    Section = RECT{0, 0, DibWidth(d), DibHeight(d)};
    by_anpassen();
    SizeViews();
}
