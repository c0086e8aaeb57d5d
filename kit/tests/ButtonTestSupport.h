// Helpers of the button and speed bar tests: glyph bitmaps, a form with an active window,
// real mouse input on a control, pixels of what a window shows, and screenshot files.
#pragma once

#include "classlib/Forms.h"
#include "classlib/Graphics.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <memory>
#include <string>

namespace buttontest {

// A glyph of `cells` square cells of `size` pixels on a fuchsia background (the bottom-left
// pixel, so the transparent colour): in each cell a black-outlined square filled with the
// cell's colour (red, green, blue, yellow, cyan, ...).
inline TBitmap* MakeGlyph(int size, int cells) {
    static const TColor fills[] = {clRed, clLime, clBlue, clYellow, clAqua, clPurple, clTeal};
    auto* b = new TBitmap();
    b->SetPixelFormat(pf24bit);
    b->SetSize(size * cells, size);
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(clFuchsia);
    c->FillRect(RECT{0, 0, size * cells, size});
    for (int i = 0; i < cells; ++i) {
        const int x = i * size;
        c->Brush()->SetColor(clBlack);
        c->FillRect(RECT{x + 2, 2, x + size - 2, size - 2});
        c->Brush()->SetColor(fills[i % 7]);
        c->FillRect(RECT{x + 4, 4, x + size - 4, size - 4});
    }
    return b;
}

// The colour a system colour index stands for.
inline QColor Sys(TColor colour) {
    const COLORREF c = ColorToRGB(colour);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

inline QColor Rgb(TColor colour) { return Sys(colour); }

// What the form's window shows, or the part of it a control covers.
inline QImage Grab(TWinControl* form) {
    QApplication::processEvents();
    return platform::windowWidget(form->Handle())->grab().toImage().convertToFormat(QImage::Format_RGB32);
}
inline QImage GrabControl(TWinControl* form, TControl* c) {
    const POINT at = c->Parent()->ClientToScreen(POINT{c->Left(), c->Top()});
    const POINT origin = form->ClientToScreen(POINT{0, 0});
    return Grab(form).copy(at.x - origin.x, at.y - origin.y, c->Width(), c->Height());
}

// Mouse input on a non-windowed control, at a point of the control.
inline QWidget* HostOf(TControl* c) { return platform::windowWidget(c->Parent()->Handle()); }
inline QPoint At(TControl* c, int x, int y) { return QPoint(c->Left() + x, c->Top() + y); }
inline void Press(TControl* c, int x, int y) { QTest::mousePress(HostOf(c), Qt::LeftButton, {}, At(c, x, y)); }
inline void Release(TControl* c, int x, int y) {
    QTest::mouseRelease(HostOf(c), Qt::LeftButton, {}, At(c, x, y));
}
inline void Move(TControl* c, int x, int y) { QTest::mouseMove(HostOf(c), At(c, x, y)); }
inline void ClickAt(TControl* c, int x, int y) {
    Move(c, x, y);
    Press(c, x, y);
    Release(c, x, y);
}

// Screenshots go to $TESSELLON_SCREENSHOT_DIR, else to "screenshots" in the current folder.
inline bool SaveShot(const QImage& image, const std::string& name) {
    const char* dir = std::getenv("TESSELLON_SCREENSHOT_DIR");
    const QString folder = dir && *dir ? QString::fromUtf8(dir) : QDir::current().absoluteFilePath("screenshots");
    QDir().mkpath(folder);
    return image.save(folder + "/" + QString::fromStdString(name));
}

// Counts the pixels of a colour in an image.
inline int CountColour(const QImage& image, const QColor& colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour) ++n;
    return n;
}

}  // namespace buttontest
