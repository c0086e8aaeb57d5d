// Size constraints of controls: the bounds a control may take, and the limits of the
// window a user resizes.
#include "ControlState.h"
#include "classlib/Controls.h"

#include <QWidget>
#include <algorithm>

void TSizeConstraints::SetMaxHeight(int v) {
    v = std::max(v, 0);
    if (v == FMaxHeight) return;
    FMaxHeight = v;
    if (v > 0 && v < FMinHeight) FMinHeight = v;
    Change();
}

void TSizeConstraints::SetMaxWidth(int v) {
    v = std::max(v, 0);
    if (v == FMaxWidth) return;
    FMaxWidth = v;
    if (v > 0 && v < FMinWidth) FMinWidth = v;
    Change();
}

void TSizeConstraints::SetMinHeight(int v) {
    v = std::max(v, 0);
    if (v == FMinHeight) return;
    FMinHeight = v;
    if (FMaxHeight > 0 && v > FMaxHeight) FMaxHeight = v;
    Change();
}

void TSizeConstraints::SetMinWidth(int v) {
    v = std::max(v, 0);
    if (v == FMinWidth) return;
    FMinWidth = v;
    if (FMaxWidth > 0 && v > FMaxWidth) FMaxWidth = v;
    Change();
}

void TSizeConstraints::Assign(TPersistent* Source) {
    auto* s = qobject_cast<TSizeConstraints*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    FMinWidth = s->FMinWidth;
    FMinHeight = s->FMinHeight;
    FMaxWidth = s->FMaxWidth;
    FMaxHeight = s->FMaxHeight;
    Change();
}

void TSizeConstraints::Constrain(int& Width, int& Height) const {
    if (FMaxWidth > 0) Width = std::min(Width, FMaxWidth);
    if (FMaxHeight > 0) Height = std::min(Height, FMaxHeight);
    Width = std::max(Width, FMinWidth);
    Height = std::max(Height, FMinHeight);
}

void TSizeConstraints::Change() {
    if (FControl) FControl->ConstraintsChanged();
    if (OnChange) OnChange(this);
}

void TControl::ConstraintsChanged() {
    if (auto* w = dynamic_cast<TWinControl*>(this)) detail::applyWindowConstraints(w);
    if (ComponentState().Contains(csLoading) || !FConstraints) return;
    int w = FWidth;
    int h = FHeight;
    FConstraints->Constrain(w, h);
    if (w != FWidth || h != FHeight) SetBounds(FLeft, FTop, w, h);
}

void detail::applyWindowConstraints(TWinControl* c) {
    if (!c->HandleAllocated() || c->Parent()) return;
    QWidget* widget = platform::windowWidget(c->Handle());
    if (!widget) return;
    // The limits hold for the window's bounds; the widget is the part of them that Qt sizes
    // (the window manager's frame lies outside it).
    const int dw = std::max(0, c->Width() - widget->width());
    const int dh = std::max(0, c->Height() - widget->height());
    const TSizeConstraints* k = c->Constraints();
    // Limits are set only on windows that have (or had) constraints: other limits of the
    // widget are left alone.
    static const char* const kLimited = "tessellonSizeLimited";
    const bool none = !k->MinWidth() && !k->MinHeight() && !k->MaxWidth() && !k->MaxHeight();
    if (none && !widget->property(kLimited).toBool()) return;
    widget->setProperty(kLimited, !none);
    widget->setMinimumSize(std::max(0, k->MinWidth() - dw), std::max(0, k->MinHeight() - dh));
    widget->setMaximumSize(k->MaxWidth() > 0 ? std::max(1, k->MaxWidth() - dw) : QWIDGETSIZE_MAX,
                           k->MaxHeight() > 0 ? std::max(1, k->MaxHeight() - dh) : QWIDGETSIZE_MAX);
}
