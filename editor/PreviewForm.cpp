#include "editor/PreviewForm.h"

#include "kit/KitRegister.h"
#include "platform/msgbox.h"
#include "poster/Pixwerk.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// The resource function is declared where the macro stands: at file scope.
static void initDialogResources() { Q_INIT_RESOURCE(dialogs); }

void RegisterEditorDialogs() {
    static const bool done = [] {
        initDialogResources();
        RegisterKitClasses();
        return true;
    }();
    (void)done;
}

long double SpinValue(TKitSpinEdit* Edit) {
    if (!Edit) return 0;
    const long double v = Edit->Value();
    if (std::isnan(v)) return Edit->MinValue();
    return Edit->CheckValue(v);
}

int SpinInt(TKitSpinEdit* Edit) {
    const long double v = std::trunc(SpinValue(Edit));
    // An edit without limits still gives a number the operations can take.
    return static_cast<int>(std::clamp<long double>(v, -2147483647.0L - 1.0L, 2147483647.0L));
}

// ---- Live preview ------------------------------------------------------------------------

void TPreviewForm::RestoreOld() {
    if (!Doc || !Backup || !Backup->Bits || !Doc->Dib) return;
    const TDib& d = Doc->Dib.get();
    const TDib& b = *Backup;
    if (DibWidth(d) != DibWidth(b) || DibHeight(d) != DibHeight(b) || DibBitCount(d) != DibBitCount(b)) return;
    std::memcpy(d.Bits, b.Bits, static_cast<std::size_t>(d.LineBytes) * DibHeight(d));
    const int entries = picops::paletteSize(DibBitCount(b));
    if (entries) picops::setPalette(Doc->Dib, b.Palette.palPalEntry, entries);
    DibPixelsChanged(Doc->Dib.get());
}

void TPreviewForm::Preview() {
    if (!Doc) return;
    RestoreOld();
    Apply();
    Doc->Window().PaletteChanged();
    Doc->PaintBox1Paint();
}

void TPreviewForm::Accept() {
    if (Doc) {
        RestoreOld();
        Doc->SaveForUndo();
        Preview();
    }
    SetModalResult(mrOk);
}

bool RunPreviewDialog(TChildDocument& Doc, TPreviewForm& Form, const TProgressSink& Progress) {
    if (!Doc.Dib) return false;
    const TDib& d = Doc.Dib.get();
    UniqueDib backup = picops::newLike(d, DibWidth(d), DibHeight(d));
    if (!backup) {
        Doc.ShowMessage(PreviewBackupErrorText, "", MB_OK | MB_ICONERROR);
        return false;
    }
    std::memcpy(backup.get().Bits, d.Bits, static_cast<std::size_t>(d.LineBytes) * DibHeight(d));
    Form.Doc = &Doc;
    Form.Backup = &backup.get();
    Form.Progress = Progress;
    const bool ok = Form.ShowModal() == mrOk;
    Form.Backup = nullptr;
    if (!ok) {
        // Whatever was previewed goes: the backup is the picture again.
        Doc.Dib = std::move(backup);
        Doc.Window().PaletteChanged();
    }
    Doc.PaintBox1Paint();
    return ok;
}
