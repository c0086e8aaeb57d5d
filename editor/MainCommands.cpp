// The editor window's picture commands: the Picture, Filter and Colours menus and printing.
// Each picks its dialog, saves its undo step (or lets the operation save its own), runs the
// operation with the progress bar and repaints; the menus then follow the document.
#include "editor/Main.h"

#include "classlib/SysUtils.h"
#include "editor/ColourAdjust.h"
#include "editor/DocumentOps.h"
#include "editor/EditorDialogs.h"
#include "editor/EditorOps.h"
#include "editor/PaletteFiles.h"
#include "editor/PrintFUnit.h"
#include "platform/msgbox.h"
#include "poster/Filters.h"
#include "poster/Pixwerk.h"

bool TDIBMainForm::ViewReady() const { return MDIChild1 && MDIChild1->Tag() == 0 && MDIChild1->Dib; }

void TDIBMainForm::CommandDone() {
    ShowProzent->SetPosition(0);
    UpdateAllColors();
    UpdateMenuItems(this);
}

// ---- Picture -----------------------------------------------------------------------------

void TDIBMainForm::Horizontalspiegeln1Click(TObject*) {
    if (!ViewReady()) return;
    MDIChild1->SaveForUndo();
    editorops::FlipPicture(*MDIChild1, true, Progress());
    CommandDone();
}

void TDIBMainForm::Vertikalspiegeln1Click(TObject*) {
    if (!ViewReady()) return;
    MDIChild1->SaveForUndo();
    editorops::FlipPicture(*MDIChild1, false, Progress());
    CommandDone();
}

void TDIBMainForm::Rotieren1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::Rotate(*MDIChild1, this, Progress());
    CommandDone();
}

void TDIBMainForm::Randhinzufgen1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::AddEdge(*MDIChild1, this, Progress());
    CommandDone();
}

void TDIBMainForm::Rahmenvergrern1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::ModifyCanvasSize(*MDIChild1, this, Progress());
    CommandDone();
}

void TDIBMainForm::ZurAuswahlverkleinern1Click(TObject*) {
    if (!ViewReady()) return;
    editorops::ReduceToSelection(*MDIChild1, Progress());
    CommandDone();
}

void TDIBMainForm::Grendern1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::ModifySize(*MDIChild1, this, Progress());
    CommandDone();
}

void TDIBMainForm::Perspektive1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::Perspective(*MDIChild1, this, Progress());
    CommandDone();
}

void TDIBMainForm::Wlben1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::Curve(*MDIChild1, this, Progress());
    CommandDone();
}

void TDIBMainForm::Druckknopferstellen1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::CreatePushbutton(*MDIChild1, this, Progress());
    CommandDone();
}

void TDIBMainForm::Schattenhinzufgen1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::AddShadows(*MDIChild1, this, Progress());
    CommandDone();
}

// ---- Filters -----------------------------------------------------------------------------

bool TDIBMainForm::BuiltInFilter(int Entry) {
    if (!ViewReady() || DibBitCount(MDIChild1->Dib.get()) != 24) return false;
    TMDIChild& v = *MDIChild1;
    // The table holds the weights row by row; the convolution reads them by column.
    TFilterRec filter;
    TransposeKernel(EditorFilter(Entry), filter);
    v.SaveForUndo();
    const TFilterOutcome outcome = DibFilter(v.Dib.get(), filter, editor::ActiveMask(v), Progress());
    if (outcome == TFilterOutcome::NoMemory) Application->MessageBox(EditorOutOfMemoryText, "Error", MB_OK | MB_ICONERROR);
    v.PaintBox1Paint();
    CommandDone();
    return outcome == TFilterOutcome::Applied;
}

void TDIBMainForm::Eckenhervorheben1Click(TObject*) { (void)BuiltInFilter(0); }
void TDIBMainForm::Eckenfinden1Click(TObject*) { (void)BuiltInFilter(1); }
void TDIBMainForm::HorizontaleEckenfinden1Click(TObject*) { (void)BuiltInFilter(2); }
void TDIBMainForm::VertikaleEckenfinden1Click(TObject*) { (void)BuiltInFilter(3); }
void TDIBMainForm::Soften1Click(TObject*) { (void)BuiltInFilter(5); }
void TDIBMainForm::StarkSoften1Click(TObject*) { (void)BuiltInFilter(6); }
void TDIBMainForm::Sharpen1Click(TObject*) { (void)BuiltInFilter(7); }
void TDIBMainForm::StarkSchrfen1Click(TObject*) { (void)BuiltInFilter(8); }
void TDIBMainForm::SchwachWeichzeichnen1Click(TObject*) { (void)BuiltInFilter(9); }
void TDIBMainForm::Emboss1Click(TObject*) { (void)BuiltInFilter(10); }
void TDIBMainForm::EmbossVertikal1Click(TObject*) { (void)BuiltInFilter(11); }

void TDIBMainForm::Konturenzeichnen1Click(TObject*) {
    if (!BuiltInFilter(4)) return;
    // The inversion belongs to the filter's undo step.
    DibInvert(MDIChild1->Dib, editor::ActiveMask(*MDIChild1), Progress());
    MDIChild1->PaintBox1Paint();
    CommandDone();
}

void TDIBMainForm::Hinzufgen1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::AddDisturbances(*MDIChild1, this, Progress());
    CommandDone();
}

void TDIBMainForm::Entfernen1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::RemoveNoise(*MDIChild1, this, Progress());
    CommandDone();
}

void TDIBMainForm::Erweitern1Click(TObject*) {
    if (!ViewReady() || DibBitCount(MDIChild1->Dib.get()) != 24) return;
    editorops::DibDilateFilter(*MDIChild1, Progress());
    CommandDone();
}

void TDIBMainForm::Auswachen1Click(TObject*) {
    if (!ViewReady() || DibBitCount(MDIChild1->Dib.get()) != 24) return;
    editorops::DibErodeFilter(*MDIChild1, Progress());
    CommandDone();
}

void TDIBMainForm::MosaikEffekt1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::MosaicEffect(*MDIChild1, this, Progress());
    CommandDone();
}

void TDIBMainForm::BenutzerdefinierteFilter1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::UserDefinedFilters(*MDIChild1, this, Progress());
    CommandDone();
}

// ---- Colours -----------------------------------------------------------------------------

void TDIBMainForm::HelligkeitundKontrast1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::BrightnessContrast(*MDIChild1, this, Progress());
    CommandDone();
}

void TDIBMainForm::GammaKorrektion1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::GammaCorrection(*MDIChild1, this, Progress());
    CommandDone();
}

void TDIBMainForm::GlanzlichtMitteSchatten1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::GlossLightShadow(*MDIChild1, this, Progress());
    CommandDone();
}

void TDIBMainForm::RotGrnBlau1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::RedGreenBlue(*MDIChild1, this, Progress());
    CommandDone();
}

void TDIBMainForm::Colorieren1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::Colorize(*MDIChild1, this, Progress());
    CommandDone();
}

void TDIBMainForm::PlainColourCommand(void (*Operation)(UniqueDib&, const TDib*, const TProgressSink&)) {
    if (!ViewReady()) return;
    TMDIChild& v = *MDIChild1;
    v.SaveForUndo();
    Operation(v.Dib, editor::ActiveMask(v), Progress());
    // Palette pictures changed their palette: the palette box and the swatches follow.
    RightSidePanel->PaletteChanged();
    v.setcol1(v.Color1);
    v.setcol2(v.Color2);
    v.PaintBox1Paint();
    CommandDone();
}

void TDIBMainForm::Graustufen1Click(TObject*) { PlainColourCommand(DibGrayscale); }
void TDIBMainForm::HistogramFunktionen1Click(TObject*) { PlainColourCommand(StretchHistogramm); }
void TDIBMainForm::Farbenumkehren1Click(TObject*) { PlainColourCommand(DibInvert); }

void TDIBMainForm::Tiefebeschrnken1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::LimitColourDepth(*MDIChild1, this, Progress());
    CommandDone();
}

void TDIBMainForm::Solarisieren1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::Solarize(*MDIChild1, this, Progress());
    CommandDone();
}

bool TDIBMainForm::ChoosePaletteFile(TOpenDialog* Dialog, String& FileName) {
    if (!Dialog->Execute()) return false;
    FileName = Dialog->FileName();
    Dialog->SetInitialDir(ExtractFilePath(FileName));
    return !FileName.empty();
}

void TDIBMainForm::PaletteladenBildanpassen1Click(TObject*) {
    if (!ViewReady()) return;
    String name;
    if (!ChoosePaletteFile(PalOpenDialog, name)) return;
    MDIChild1->SaveForUndo();
    editorops::loadpal0(*MDIChild1, name, Progress());
    CommandDone();
}

void TDIBMainForm::Paletteladen1Click(TObject*) {
    if (!ViewReady()) return;
    String name;
    if (!ChoosePaletteFile(PalOpenDialog, name)) return;
    MDIChild1->SaveForUndo();
    editorops::loadpal(*MDIChild1, name);
    CommandDone();
}

void TDIBMainForm::Palettespeichern1Click(TObject*) {
    if (!ViewReady()) return;
    String name;
    if (!ChoosePaletteFile(PalSaveDialog, name)) return;
    editorops::savepal(*MDIChild1, name);
}

void TDIBMainForm::Paletteeditieren1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::EditPalette(*MDIChild1, this);
    CommandDone();
}

void TDIBMainForm::BenutzteFarbenzhlen1Click(TObject*) {
    if (!ViewReady()) return;
    TMDIChild& v = *MDIChild1;
    const int n = editorops::CountColors(v, Progress());
    ShowProzent->SetPosition(0);
    if (n < 1) {
        Application->MessageBox("The number of used colours could not be determined...", "", MB_OK | MB_ICONERROR);
        return;
    }
    const String where = v.SelActive ? "  in the current selection" : "  in the picture";
    Application->MessageBox("Used colours: " + IntToStr(n) + where, "Used colours", MB_OK | MB_ICONINFORMATION);
}

void TDIBMainForm::N2Farbent1Bit1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::ReduceColours(*MDIChild1, 1, this, Progress());
    CommandDone();
}

void TDIBMainForm::N16Farbent4Bit1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::ReduceColours(*MDIChild1, 4, this, Progress());
    CommandDone();
}

void TDIBMainForm::N256Farbent8Bit1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::ReduceColours(*MDIChild1, 8, this, Progress());
    CommandDone();
}

void TDIBMainForm::XFarben4Bit8Bit1Click(TObject*) {
    if (!ViewReady()) return;
    editordialogs::ReduceColours(*MDIChild1, 0, this, Progress());
    CommandDone();
}

void TDIBMainForm::RaiseDepth(int Bits) {
    if (!ViewReady() || DibBitCount(MDIChild1->Dib.get()) >= Bits) return;
    TMDIChild& v = *MDIChild1;
    // The floating selection has the old depth: it is merged before the step is saved.
    v.EndFloatingState();
    v.FinishDraging();
    v.SaveForUndo();
    editorops::ChangeDepthUp(v, Bits, Progress());
    CommandDone();
}

void TDIBMainForm::N16Farbent4Bit2Click(TObject*) { RaiseDepth(4); }
void TDIBMainForm::N256Farbent8Bit2Click(TObject*) { RaiseDepth(8); }
void TDIBMainForm::N16MillionenFarbent24Bit1Click(TObject*) { RaiseDepth(24); }

// ---- Printing ----------------------------------------------------------------------------

void TDIBMainForm::Drucken1Click(TObject*) {
    if (!ViewReady()) return;
    TFormHolder<TPrintForm> form(new TPrintForm(this));
    form->Dib = MDIChild1->Dib.get();
    form->SetupDialog = PrinterSetupDialog1;
    if (form->ShowModal() != mrOk) return;
    const TPrintPlacement placement = form->Placement();
    try {
        PrintPictureOnPage(*Printer(), MDIChild1->Dib.get(), placement, PrintJobTitle);
    } catch (EAbort&) {
        // Cancelled in the print-to-file dialog: nothing to say.
    } catch (Exception& E) {
        Application->MessageBox(E.Message, "Error", MB_OK | MB_ICONERROR);
    }
}
