// What the painting units keep per window: layers over controls and top-level windows,
// the state of a control's WM_PAINT, and the frame of windows with frames of their own.
#pragma once

#include "WindowImpl.h"

#include <QImage>
#include <QPainter>
#include <QPaintEvent>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <optional>

namespace platform::win {

// A layer widget that shows an image over its parent (a control or a top-level window);
// it takes no input.
class LayerWidget : public QWidget {
public:
    explicit LayerWidget(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(parent->rect());
        hide();
    }
    QImage shown;            // what the layer shows (with alpha)
    QPoint at;               // where in the layer it is drawn
    bool rendering = false;  // while its parent is rendered into an image

protected:
    void paintEvent(QPaintEvent* e) override {
        if (rendering || shown.isNull()) return;
        QPainter p(this);
        p.setClipRegion(e->region());
        p.drawImage(at, shown);
    }
};

struct PaintExtras {
    // Windows with a frame of their own (NonClient.cpp).
    bool ownFrame = false;
    QMargins margins;       // the non-client area inside the widget
    QImage frame;           // the whole window as the non-client painting left it (RGB32)
    bool frameActive = true;
    int pressedHit = 0;     // a caption button held down
    int dragHit = 0;        // a move or resize that follows the mouse
    QPoint dragStart;       // global position of the press
    QRect dragGeometry;     // the widget's geometry at the press
    // Qt-backed controls: drawing outside WM_PAINT, shown over the control.
    QPointer<LayerWidget> layer;
    QImage layerImage;   // the control as shown plus the drawing (RGB32)
    bool layerShown = false;
    // WM_PAINT of a Qt-backed control: the Qt paint event being handled.
    QWidget* sessionWidget = nullptr;
    QPaintEvent* sessionEvent = nullptr;
    bool sessionBegun = false;   // BeginPaint or a DC drew during the session
    bool qtPainted = false;      // the control's own painting ran
    std::optional<QPainter> sessionPainter;
    // Top-level windows: the overlay over all children.
    QPointer<LayerWidget> overlay;
    QImage snapshot;     // what the window showed when the overlay started (RGB32)
    QImage working;      // the snapshot with the drawing on it
    bool overlayDiffers = false;
};

}  // namespace platform::win
