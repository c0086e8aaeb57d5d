// Scanvia, the scanner library: choosing a scanner, scanning and fetching the scanned
// picture. Scanners are reached through SANE.
//
// TWAIN_SelectScanner lists the scanners found and keeps the one chosen in the registry
// (HKEY_CURRENT_USER\Software\Scanvia2, value "Scanner"). TWAIN_ScanImage opens the chosen
// scanner (or the first one found), shows the scan dialog (mode, resolution, area) and
// returns at once; the scan itself runs on a worker thread that only talks to the scanner.
// When the dialog is done, WM_SCANREADY is posted to the window exactly once, with the
// handle of the scanned picture in wParam; after a cancelled or failed scan the handle
// gives a picture without pixels. While a scan is running, another TWAIN_ScanImage is
// refused and returns without posting anything.
#pragma once

#include "pixwerk/pixwerk.h"
#include "platform/wintypes.h"

extern "C" {
void TWAIN_SelectScanner(HWND wnd);
void TWAIN_ScanImage(HWND wnd);
// Hands the picture of a WM_SCANREADY handle to the caller, who frees it with deldib;
// Bits is null when nothing was scanned or the handle is unknown (or was fetched already).
void GetScanedDib(TDib* out, WPARAM handle);
}

namespace scanvia {

// Whether a scan dialog or scan is under way.
bool scanRunning();
// The registry key and value of the chosen scanner.
inline constexpr const char* RegistryKey = "Software\\Scanvia2";
inline constexpr const char* ScannerValue = "Scanner";

}  // namespace scanvia
