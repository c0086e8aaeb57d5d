// Internals shared by the header and the list view.
#pragma once

#include "ControlKinds.h"
#include "platform/commctrl.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>

#include <string>

namespace platform::win {

NewControl newHeader(Window& w);
NewControl newListView(Window& w);

// The horizontal scroll position the header shows its items at (a list view's report
// view scrolled sideways); nothing for a window that is not a header.
void setHeaderOffset(HWND header, int x);

// The form of notification the parent of a new control asks for.
bool parentWantsUnicode(HWND control);

// Sends a notification record that starts with an NMHDR to the control's parent.
LRESULT notifyRecord(HWND control, UINT code, NMHDR* record);

// Draws image i of an image list with ILD_* style at (x, y) of a painter.
void drawListImage(QPainter& p, HIMAGELIST list, int i, int x, int y, UINT style = ILD_TRANSPARENT);
bool listImageSize(HIMAGELIST list, int* cx, int* cy);

QColor colourOf(COLORREF c);

// Text of a record's text pointer in its form (nothing for null or the callback marker).
std::u16string recordText(const void* text, bool unicode);
bool isCallbackText(const void* text);
// Copies text into a record's buffer of `size` elements of its form, cut and terminated.
void copyToBuffer(const std::u16string& text, void* buffer, int size, bool unicode);

}  // namespace platform::win
