// "Print picture...": how the editor's picture is placed on one printer page, with a
// preview of the page, and the printing of the picture on one page by those rules.
#pragma once

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Printers.h"
#include "classlib/StdCtrls.h"
#include "editor/PreviewForm.h"
#include "kit/KitLabel.h"
#include "kit/KitPlacement.h"
#include "kit/KitSpin.h"
#include "kit/ThemedButtons.h"

inline constexpr const char* PrintJobTitle = "Tessellon: Chromalde Picture";

// The placement chosen in the dialog.
struct TPrintPlacement {
    bool UseFull = true;     // "Use page fully", else "User-defined"
    bool KeepAspect = true;  // "Maintain aspect ratio"
    bool Centred = true;     // "Centered output"
    double WidthPercent = 50;   // of the page, with "User-defined"
    double HeightPercent = 50;
};

// The rectangle (left, top, right, bottom) the picture takes on a page of PageWidth x
// PageHeight: the whole page (fitted keeping the picture's proportions when asked), or the
// percentages of it rounded to the nearest integer (ties to even); centred or at the
// top-left. Empty when the page or the picture has no size.
RECT PrintRect(int PageWidth, int PageHeight, int PictureWidth, int PictureHeight, const TPrintPlacement& Placement);

// Prints the picture on one page of the printer, placed on its printable area: a job named
// Title. Raises EPrinter when the job fails or the page has no printable area, EAbort when
// the user cancelled the print-to-file dialog.
void PrintPictureOnPage(TPrinter& Printer, TDib Picture, const TPrintPlacement& Placement, const String& Title);

class TPrintForm : public TForm {
    Q_OBJECT

public:
    explicit TPrintForm(TComponent* AOwner);

    TKitLabel* PreviewLabel = nullptr;
    TPanel* PreviewPanel = nullptr;
    TPaintBox* PrintPaintBox = nullptr;
    TThemedBitBtn* PrintSetupBtn = nullptr;
    TGroupBox* SizeGroup = nullptr;
    TRadioButton* UseFullCheck = nullptr;
    TRadioButton* UserdefCheck = nullptr;
    TKitLabel* BreitLabel = nullptr;
    TKitSpinEdit* BreitEdit = nullptr;  // 1..100 %
    TKitLabel* HochLabel = nullptr;
    TKitSpinEdit* HochEdit = nullptr;   // 1..100 %
    TGroupBox* OptionsGroup = nullptr;
    TCheckBox* SverhCheck = nullptr;
    TCheckBox* ZentrCheck = nullptr;
    TThemedBitBtn* OkBitBtn1 = nullptr;
    TThemedBitBtn* CancelBitBtn2 = nullptr;
    TFormStorage* FormStorage1 = nullptr;

    // The picture to place; only read (the caller keeps it alive while the dialog runs).
    TDib Dib{};
    // The editor window's printer setup dialog (null: one of the dialog's own).
    TPrinterSetupDialog* SetupDialog = nullptr;

    // The printer's printable area in device pixels, read when the dialog shows and after
    // the setup; never 0: without a usable printer the default page of the printing layer.
    int PageWidth() const { return FPageWidth; }
    int PageHeight() const { return FPageHeight; }
    void ReadPage();
    // The controls' choice, the percentages held to 1..100.
    TPrintPlacement Placement();
    // The page and the picture in the preview box.
    RECT PreviewPage() const;
    RECT PreviewPicture();

public slots:
    void PrintPaintBoxPaint(TObject* Sender);
    void BreitEditChange(TObject* Sender);
    void HochEditChange(TObject* Sender);
    void UserdefCheckClick(TObject* Sender);
    // "Use page fully", "Maintain aspect ratio", "Centered output".
    void OptionCheckClick(TObject* Sender);
    void FormShow(TObject* Sender);
    void PrintSetupBtnClick(TObject* Sender);

private:
    void Couple(bool FromWidth);
    bool FCoupling = false;  // one percentage is being set from the other
    int FPageWidth = 1;
    int FPageHeight = 1;
};
