// Drawing items of Qt-backed controls through the program: a DC for one item's area, owner
// drawing (WM_DRAWITEM, WM_MEASUREITEM) and the custom-draw stages (NM_CUSTOMDRAW).
//
// A control backed by a Qt view paints an item through the program like this:
//
//     CustomDrawPass pass(hwnd, record);          // at the start of the view's paint:
//     pass.begin(painter, viewportRect);          //   CDDS_PREPAINT on the whole area
//     ... for each item, in the delegate's paint:
//     pass.item(painter, itemRect, item, state, lParam, [&](QPainter& p) { base paint });
//     pass.end(painter, viewportRect);            //   CDDS_POSTPAINT when asked for
//
// `record` is the notification the control sends (an NMCUSTOMDRAW, or a larger record that
// starts with one, as list and tree views send); its fields are filled before each stage,
// and the control can read what the program wrote into it (colours) in its default paint.
// Each stage's DC draws on an image of the area that is then drawn onto the view's painter,
// in client coordinates of the control, so the program's drawing lands where it meant it.
#pragma once

#include "platform/winpaint.h"

#include <QImage>
#include <QPainter>
#include <QRect>

#include <functional>

namespace platform::win {

// A DC that draws on `image`, which stands for `area` of a client area: client coordinates
// map onto the image and drawing stays inside it. DeleteDC frees it.
HDC createAreaDC(QImage* image, const QRect& area);

// Owner drawing of one item: fills DRAWITEMSTRUCT (CtlType, CtlID, itemID, itemAction,
// itemState, hwndItem, hDC, rcItem = `area`, itemData), sends WM_DRAWITEM to the control's
// parent with a DC on an image of the area (first filled with `background`) and draws the
// result onto `painter`.
void ownerDrawItem(HWND control, UINT type, QPainter& painter, const QRect& area, int item, UINT action,
                   UINT state, ULONG_PTR data, const QColor& background);
// WM_MEASUREITEM for one item (item -1: the selection field of a combo box); the height the
// parent answers, or `height` when it leaves it.
int measureItem(HWND control, UINT type, int item, ULONG_PTR data, int width, int height);

class CustomDrawPass {
public:
    CustomDrawPass(HWND control, NMCUSTOMDRAW& record) : control_(control), record_(record) {}
    // CDDS_PREPAINT; the answer decides whether items are notified.
    LRESULT begin(QPainter& painter, const QRect& area);
    // One item: CDDS_ITEMPREPAINT (when the pass asked for it), the default paint unless the
    // program answers CDRF_SKIPDEFAULT, CDDS_ITEMPOSTPAINT when asked for. Returns the
    // item's answer.
    LRESULT item(QPainter& painter, const QRect& area, DWORD_PTR item, UINT state, LPARAM param,
                 const std::function<void(QPainter&)>& paintDefault, DWORD subItemStage = 0);
    // CDDS_POSTPAINT when the pre-paint answer asked for it.
    void end(QPainter& painter, const QRect& area);
    LRESULT answer() const { return answer_; }
    // The program's answer to the item pre-paint stage being drawn (inside paintDefault).
    LRESULT itemAnswer() const { return itemAnswer_; }

private:
    LRESULT stage(QPainter& painter, const QRect& area, DWORD stage, QImage* image);
    HWND control_;
    NMCUSTOMDRAW& record_;
    LRESULT answer_ = CDRF_DODEFAULT;
    LRESULT itemAnswer_ = CDRF_DODEFAULT;
};

}  // namespace platform::win
