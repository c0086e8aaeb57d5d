// Driving the editor's dialogs with real Qt events while they run modally: the steps run
// once the modal loop has started, find the dialog among its owner's components, click its
// buttons and type into its edits through their widgets.
#pragma once

#include "editor/tests/OpsTestSupport.h"

#include "classlib/Forms.h"
#include "classlib/Registry.h"
#include "classlib/StdCtrls.h"
#include "editor/PreviewForm.h"
#include "kit/KitSpin.h"
#include "platform/winuser.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace dlgtest {

// Runs `step` once the next modal loop runs.
inline void whenShown(std::function<void()> step) { QTimer::singleShot(0, std::move(step)); }

// The newest component of class T that `owner` holds.
template <class T>
T* owned(TComponent* owner) {
    for (int i = owner->ComponentCount() - 1; i >= 0; --i)
        if (auto* f = dynamic_cast<T*>(owner->Components(i))) return f;
    return nullptr;
}

inline QWidget* widget(TWinControl* c) { return platform::windowWidget(c->Handle()); }

// A left click in the middle of a button, or on the mark of a check box or radio button.
inline void click(TWinControl* c) {
    QWidget* w = widget(c);
    const bool mark = dynamic_cast<TCustomCheckBox*>(c) || dynamic_cast<TRadioButton*>(c);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(mark ? 6 : c->Width() / 2, c->Height() / 2));
}

// A left click on an item of a list box (in its viewport, where the list takes the mouse).
inline void clickItem(TCustomListBox* list, int index) {
    QWidget* w = widget(list);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) w = area->viewport();
    for (int y = 0; y < list->Height(); ++y)
        if (list->ItemAtPos(POINT{10, y}, true) == index) {
            QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(10, y + 3));
            return;
        }
}

// Replaces an edit's text by typing, as a user does after selecting it.
inline void type(TCustomEdit* e, const char* text) {
    e->SetFocus();
    e->SelectAll();
    QTest::keyClicks(widget(e), QString::fromUtf8(text));
}

inline void key(TWinControl* c, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(widget(c), k, m); }

// The registry key of a dialog's stored values: the test program's name, then the class.
inline String storageKey(const String& dialogClass) {
    return "Software\\" + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString() + "\\" +
           dialogClass;
}

// The value stored for the dialog, or "<none>".
inline String stored(const String& dialogClass, const String& name) {
    TRegistry r(KEY_READ);
    if (!r.OpenKeyReadOnly(storageKey(dialogClass)) || !r.ValueExists(name)) return "<none>";
    return r.ReadString(name);
}

// Forgets what the dialogs stored, so a test sees their start values whatever ran before.
inline void forgetStoredDialogs() {
    TRegistry r;
    for (const char* c : {"THKForm", "TColizeForm", "TRGBForm", "TLightForm", "TGammaForm", "TPerspForm",
                          "TWoelbenForm", "TPosterFaktor", "TSolarfaktor", "TRotateForm", "TAddBForm", "TCanvasSForm",
                          "TShadowForm", "TButtonForm", "TMosaikForm", "TNoiseForm", "TDelNoiseForm", "TResizeForm",
                          "TFreeDepthForm"})
        r.DeleteKey(storageKey(c));
}

// Saves a grab of the dialog, beside an image of the document's picture when one is given,
// into the folder TESSELLON_SCREENSHOTS names.
inline void screenshot(TWinControl* dialog, const char* name, const QImage& picture = QImage()) {
    const char* folder = std::getenv("TESSELLON_SCREENSHOTS");
    if (!folder) return;
    const QImage d = widget(dialog)->grab().toImage();
    QImage sheet(d.width() + (picture.isNull() ? 0 : picture.width() + 12), std::max(d.height(), picture.height()),
                 QImage::Format_RGB32);
    sheet.fill(Qt::darkGray);
    QPainter p(&sheet);
    p.drawImage(0, 0, d);
    if (!picture.isNull()) p.drawImage(d.width() + 12, 0, picture);
    p.end();
    sheet.save(QString::fromLocal8Bit(folder) + "/" + name + ".png");
}

// The picture as an image (palette pictures through their palette).
inline QImage image(const TDib& d) {
    QImage out(DibWidth(d), DibHeight(d), QImage::Format_RGB32);
    const bool pal = DibColorCount(d) <= 256;
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const int v = getpixel(d, x, y);
            if (pal) {
                const PALETTEENTRY& e = d.Palette.palPalEntry[v];
                out.setPixel(x, y, qRgb(e.peRed, e.peGreen, e.peBlue));
            } else {
                out.setPixel(x, y, qRgb(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF));
            }
        }
    return out;
}

// Pixel bytes and colour table of a picture, for exact comparisons.
inline std::vector<BYTE> everything(const TDib& d) {
    std::vector<BYTE> v = opstest2::allBytes(d);
    const int n = DibColorCount(d) <= 256 ? DibColorCount(d) : 0;
    const BYTE* t = reinterpret_cast<const BYTE*>(d.Info->bmiColors);
    v.insert(v.end(), t, t + 4 * n);
    for (int i = 0; i < n; ++i) {
        const PALETTEENTRY& e = d.Palette.palPalEntry[i];
        v.insert(v.end(), {e.peRed, e.peGreen, e.peBlue});
    }
    return v;
}

}  // namespace dlgtest
