// Internals of image lists shared by their source files.
#pragma once

#include "platform/commctrl.h"

#include <QImage>

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace platform::il {

struct List {
    List() { overlays.fill(-1); }
    ~List();
    List(const List&) = delete;
    List& operator=(const List&) = delete;

    int cx = 0;
    int cy = 0;
    UINT flags = 0;
    int grow = 4;
    // ARGB32, not premultiplied, cx x cy; the alpha is how much of a pixel is drawn.
    std::vector<QImage> images;
    COLORREF bk = CLR_NONE;
    std::array<int, 15> overlays;  // image of overlay 1..15, or -1
    // A system image list: its images come from `source`, as many as `sourceCount` says,
    // made on first use (on the user-interface thread).
    bool system = false;
    std::function<int()> sourceCount;
    std::function<QImage(int index, int size)> source;
    // Bumped by every change; the bitmaps of GetImageInfo are remade after one.
    unsigned version = 0;
    HBITMAP snapImage = nullptr;
    HBITMAP snapMask = nullptr;
    unsigned snapVersion = ~0u;

    int count() const;
    // Image i, or null outside the list (or when a system image cannot be made here).
    const QImage* image(int i);
    bool masked() const { return (flags & ILC_MASK) != 0; }
    int bits() const;
    void changed() { ++version; }
};

List* find(HIMAGELIST himl);
HIMAGELIST add(std::unique_ptr<List> list);

// The colour bits of creation flags (4, 8, 16, 24 or 32).
int colourBits(UINT flags);
// Brings a new image to the list's depth and transparency rules: colours reduced, and
// outside 32-bit lists the alpha made all or nothing (nothing only in masked lists).
void conform(const List& list, QImage& image);
// A blank (transparent black) image of the list's size.
QImage blankImage(const List& list);

// The pixels ImageList_DrawEx puts down for image i: premultiplied ARGB of `part` (from the
// image's top-left corner), drawn with source-over; a null image on failure.
QImage compose(List& list, int i, QSize part, COLORREF rgbBk, COLORREF rgbFg, UINT style);
// Draws premultiplied pixels at (x, y) of a device context (logical coordinates).
bool drawOnDC(HDC dc, int x, int y, const QImage& pixels);

// A system image list of `size` pixels over an image source; never destroyed.
HIMAGELIST createSystemList(int size, std::function<int()> count, std::function<QImage(int, int)> source);
// Drops the images a system image list made, so that they are made again.
void forgetSystemImages(HIMAGELIST himl);

// Pixels of a bitmap as ARGB32: alpha 255, or the alpha of a 32-bit DIB section whose
// pixels carry any; false for a bad handle.
bool bitmapPixels(HBITMAP bitmap, QImage* out, bool* hasAlpha);

// A new top-down DIB section of w x h pixels (24 or 32 bits) and its memory; null on failure.
HBITMAP newSection(int width, int height, int bitCount, BYTE** bits);

// Picture of an icon handle as a list image of cx x cy (scaled when its size differs).
QImage iconPicture(HICON icon, int cx, int cy);

}  // namespace platform::il
