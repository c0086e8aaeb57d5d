// What the editor's parameter dialogs share: values read from spin edits held to their
// range, the registration of their layouts, and the dialog that previews its operation on
// the document's picture from a backup.
#pragma once

#include "classlib/Forms.h"
#include "editor/ChildDocument.h"
#include "kit/KitSpin.h"
#include "poster/PictureOps.h"

inline constexpr const char* PreviewBackupErrorText = "Error: Could not create picture! (Low memory?)";

// The edit's value held to its range: typed text reaches the value unchecked until the edit
// is left, so every value is clamped when it is read. Text that is no number reads as the
// minimum.
long double SpinValue(TKitSpinEdit* Edit);
// The same truncated toward zero.
int SpinInt(TKitSpinEdit* Edit);

// Registers the classes and layouts of the editor's dialogs; calling it again does nothing.
void RegisterEditorDialogs();

// Frees a form (and takes it from its owner) when the holder goes.
template <class T>
class TFormHolder {
public:
    explicit TFormHolder(T* Form) : FForm(Form) {}
    ~TFormHolder() {
        if (FForm) FForm->Free();
    }
    TFormHolder(const TFormHolder&) = delete;
    TFormHolder& operator=(const TFormHolder&) = delete;
    T* operator->() const { return FForm; }
    T* get() const { return FForm; }

private:
    T* FForm;
};

// A dialog that previews its operation on the document's picture: each preview puts the
// backup (a copy the caller made before showing) back first, so previews never pile up.
class TPreviewForm : public TForm {
    Q_OBJECT

public:
    explicit TPreviewForm(TComponent* AOwner) : TForm(AOwner) {}

    // The document the dialog works on and the backup of its picture (same shape).
    TChildDocument* Doc = nullptr;
    const TDib* Backup = nullptr;
    TProgressSink Progress;

    // Copies the backup's pixels over the picture's and, for palette pictures, its palette
    // into the picture's palette and colour table (the palette handle made anew).
    void RestoreOld();
    // Restores, applies the operation with the current values and repaints the view.
    void Preview();
    // OK: restores, saves an undo step, applies once more and closes with OK.
    void Accept();

protected:
    // The operation on Doc's picture with the values the controls hold.
    virtual void Apply() = 0;
};

// Runs a live-preview dialog on the document: a backup of the picture is made and given to
// the dialog, which is shown modally; on OK the backup is dropped, otherwise the backup is
// the picture again, whatever was previewed. The caller made the dialog and set its start
// values (its stored values replace them when it shows). True on OK.
bool RunPreviewDialog(TChildDocument& Doc, TPreviewForm& Form, const TProgressSink& Progress = {});
