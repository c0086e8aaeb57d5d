// The picture editor's window, "Chromalde": one document view (MDIChild1) between the tool
// column and the colour panel, with the menu bar, the tool bar, the progress bar and the
// status bar. Every way of getting a picture (New, Open, paste as a new picture, a scan,
// the poster window's hand-over) installs it in that one view through NewWindow.
//
// The window is created once at program start and shown modally by the poster window,
// which hands its picture over and takes the edited one back (TPictureEditor).
#pragma once

#include "classlib/Buttons.h"
#include "classlib/ComCtrls.h"
#include "classlib/Dialogs.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/ImgList.h"
#include "classlib/Menus.h"
#include "classlib/Printers.h"
#include "editor/ChildFrame.h"
#include "editor/ColourPanel.h"
#include "editor/EditorClipboard.h"
#include "editor/Tools.h"
#include "kit/ClipView.h"
#include "kit/KitGrdCpt.h"
#include "kit/KitPlacement.h"
#include "kit/SpeedBar.h"
#include "poster/PictureOps.h"
#include "poster/PosterUnit.h"

#include <memory>
#include <vector>

inline constexpr const char* EditorCaption = "Tessellon: Chromalde";

class TDIBMainForm : public TForm, public TPictureEditor {
    Q_OBJECT

public:
    explicit TDIBMainForm(TComponent* AOwner);
    ~TDIBMainForm() override;

    // ---- Layout components ----
    TToolBar* SpeedPanel = nullptr;
    TToolButton* ToolButton1 = nullptr;  // New
    TToolButton* ToolButton2 = nullptr;  // Open
    TToolButton* SaveSpeedBtn = nullptr;
    TToolButton* CutSpeedBtn = nullptr;
    TToolButton* CopySpeedBtn = nullptr;
    TToolButton* PasteSpeedBtn = nullptr;
    TToolButton* UndoItSpeedBtn = nullptr;
    TToolButton* ToolButton8 = nullptr;  // back to the poster window
    TImageList* ToolImages = nullptr;
    // The bottom bar, covered by the progress bar.
    TSpeedBar* SpeedBar2 = nullptr;
    TProgressBar* ShowProzent = nullptr;
    // The tool column: 14 items in group 1, one down at a time; the item that is down is
    // the tool.
    TSpeedBar* SpeedBar1 = nullptr;
    TSpeedItem* ZoomBtn = nullptr;
    TSpeedItem* HandBtn = nullptr;
    TSpeedItem* SelectBtn = nullptr;
    TSpeedItem* FreeSelBtn = nullptr;
    TSpeedItem* MagicBtn = nullptr;
    TSpeedItem* DropBtn = nullptr;
    TSpeedItem* BrushBtn = nullptr;
    TSpeedItem* CloneBtn = nullptr;
    TSpeedItem* ReplaceBtn = nullptr;
    TSpeedItem* RetouchBtn = nullptr;
    TSpeedItem* FillBtn = nullptr;
    TSpeedItem* TxtBtn = nullptr;
    TSpeedItem* LineBtn = nullptr;
    TSpeedItem* ShapeBtn = nullptr;
    TColourPanel* RightSidePanel = nullptr;
    TMDIChild* MDIChild1 = nullptr;
    TStatusBar* StatusBar = nullptr;
    TOpenDialog* OpenDialog = nullptr;
    TSaveDialog* SaveDialog = nullptr;
    TOpenDialog* PalOpenDialog = nullptr;
    TSaveDialog* PalSaveDialog = nullptr;
    TColorDialog* ColorDialog1 = nullptr;
    TPrinterSetupDialog* PrinterSetupDialog1 = nullptr;
    TPrintDialog* PrintDialog1 = nullptr;
    TFormPlacement* FormPlacement1 = nullptr;
    TFormStorage* FormStorage1 = nullptr;
    // The title bar's gradient; its caption follows the document's (UpdateCaption).
    TKitGradientCaption* GradientCaption = nullptr;
    // Hidden (0 x 0): its OnChange applies the menu rules whenever the clipboard changes.
    TClipboardViewer* ClipboardViewer1 = nullptr;
    // The menu bar and the items whose state the menu rules set.
    TMainMenu* MainMenu1 = nullptr;
    TMenuItem* FileSaveItem = nullptr;
    TMenuItem* FileSaveAsItem = nullptr;
    TMenuItem* Drucken1 = nullptr;
    TMenuItem* Rckgngig1 = nullptr;
    TMenuItem* CutItem = nullptr;
    TMenuItem* CopyItem = nullptr;
    TMenuItem* Einfgen1 = nullptr;  // "Insert"
    TMenuItem* AlsBild1 = nullptr;
    TMenuItem* AlsAuswahl1 = nullptr;
    TMenuItem* AlstransparenteAuswahl1 = nullptr;
    TMenuItem* Lschen1 = nullptr;
    TMenuItem* Zwischenablagelschen1 = nullptr;
    TMenuItem* Auswahl1 = nullptr;  // "Selection"
    TMenuItem* Nichtauswhlen1 = nullptr;
    TMenuItem* VomUntergrundlsen1 = nullptr;
    TMenuItem* MitUntergrundverschmelzen1 = nullptr;
    TMenuItem* Ansicht1 = nullptr;  // "View"
    TMenuItem* Nichtvergrert111 = nullptr;
    TMenuItem* Bild1 = nullptr;  // "Picture"
    TMenuItem* Deformationen1 = nullptr;
    TMenuItem* Effekte1 = nullptr;
    TMenuItem* Druckknopferstellen1 = nullptr;
    TMenuItem* Schattenhinzufgen1 = nullptr;
    TMenuItem* Kantenfilter1 = nullptr;
    TMenuItem* Schrfefilter1 = nullptr;
    TMenuItem* Strungen1 = nullptr;
    TMenuItem* Spezialfilter1 = nullptr;
    TMenuItem* BenutzerdefinierteFilter1 = nullptr;
    TMenuItem* Farben1 = nullptr;  // "Colours"
    TMenuItem* Anpassen1 = nullptr;  // "Adapt"
    TMenuItem* Colorieren1 = nullptr;
    TMenuItem* Graustufen1 = nullptr;
    TMenuItem* HistogramFunktionen1 = nullptr;
    TMenuItem* Tiefebeschrnken1 = nullptr;
    TMenuItem* Solarisieren1 = nullptr;
    TMenuItem* PaletteladenBildanpassen1 = nullptr;
    TMenuItem* Paletteladen1 = nullptr;
    TMenuItem* Palettespeichern1 = nullptr;
    TMenuItem* Paletteeditieren1 = nullptr;
    TMenuItem* Farbtiefereduzieren1 = nullptr;  // "Reduce number of colors"
    TMenuItem* N2Farbent1Bit1 = nullptr;
    TMenuItem* N16Farbent4Bit1 = nullptr;
    TMenuItem* N256Farbent8Bit1 = nullptr;
    TMenuItem* XFarben4Bit8Bit1 = nullptr;
    TMenuItem* Farbtiefeerhhen1 = nullptr;  // "Enlarge number of colors"
    TMenuItem* N16Farbent4Bit2 = nullptr;
    TMenuItem* N256Farbent8Bit2 = nullptr;
    TMenuItem* N16MillionenFarbent24Bit1 = nullptr;

    // ---- Fields ----
    String ProgramDir;  // the program's folder, ending in "/"
    UINT ClipFormat = 0;  // "DABWELL_SELECTION"
    // The hue/lightness field of the colour panel: 48 x 96, 24 bits.
    UniqueDib ColorFieldDib;
    bool FirstShown = false;
    // The arguments after the program's name; the first is opened at the first showing.
    std::vector<String> Arguments;
    // Whether the clipboard held a picture when the menu rules last looked.
    bool DibAvailable = false;
    // Copy and paste, with the mask of a clipboard selection (ClipMaskDib) and
    // PasteTransparent.
    TEditorClipboard Clipboard;
    TPaintTools PaintTools;

    // ---- Interfaces ----
    // Installs a picture (ownership moves) under a document name: the old picture,
    // selection, floating selection and undo steps go, zoom 1:1. A picture without pixels
    // changes nothing. The document counts as never saved: Save asks for a name.
    void NewWindow(UniqueDib Picture, const String& Name, int Reserved);
    // Opens a picture file into the view; shows the library's error when it cannot.
    void OpenPicture(const String& Path);
    // Asks whether a modified picture is saved first; false when the user cancelled.
    bool QuerySaveChanges();
    // The menu-state rules; called after every change of picture, selection, undo or zoom.
    void UpdateMenuItems(TObject* Sender);
    // The view paints the picture again.
    void UpdateAllColors();
    // Sets the zoom num:den and keeps the point at the middle of the view where it was.
    void SetZoom(int Num, int Den);
    // The tool whose item is down in the tool column (the zoom when none is).
    TEditorTool CurrentTool() const;
    // The progress of an operation goes to the progress bar.
    TProgressSink Progress();
    // The status bar's panels: 0 hints and coordinates, 1 the picture.
    void SetStatusText(int Panel, const String& Text);

    // TPictureEditor: the poster window's hand-over.
    void HandOver(UniqueDib Picture, const String& Name) override;
    void EditModal() override;
    UniqueDib TakeBack() override;

    void Dispatch(TMessage& Message) override;
    // WM_PROGRESS: the percentage in wParam goes to the progress bar.
    void WMUser(TMessage& Message);
    // WM_SCANREADY: the scanned picture of the handle in wParam becomes the document.
    void WMUser2(TMessage& Message);

    // The file type codes of the save dialog's entries: code = filter index + 2; the
    // extension (upper case, with its dot) of an entry, empty outside the table.
    static String ExtensionOfFilter(int FilterIndex);
    // The type code of a file name's extension (compared in upper case); false when the
    // extension is not one the editor saves in place.
    static bool TypeOfExtension(const String& Path, int& Type);
    // The standard 16- and 256-colour palettes of new pictures.
    static const PALETTEENTRY* NewPicturePalette(int Bits);

public slots:
    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormDestroy(TObject* Sender);
    void FormMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void DisplayHint(TObject* Sender);
    // File
    void FileNewItemClick(TObject* Sender);
    void FileOpenItemClick(TObject* Sender);
    void FileSaveItemClick(TObject* Sender);
    void FileSaveAsItemClick(TObject* Sender);
    void FileExitItemClick(TObject* Sender);
    void Bildscannen1Click(TObject* Sender);
    void Scannerauswhlne1Click(TObject* Sender);
    void Druckereinrichten1Click(TObject* Sender);
    // Edit and selection
    void Rckgngig1Click(TObject* Sender);
    void CopyItemClick(TObject* Sender);
    void CutItemClick(TObject* Sender);
    void Lschen1Click(TObject* Sender);
    void Zwischenablagelschen1Click(TObject* Sender);
    void AlsBild1Click(TObject* Sender);
    void AlsAuswahl1Click(TObject* Sender);
    void AlstransparenteAuswahl1Click(TObject* Sender);
    void Allesauswhlen1Click(TObject* Sender);
    void Nichtauswhlen1Click(TObject* Sender);
    void Auswahlumkeheren1Click(TObject* Sender);
    void VomUntergrundlsen1Click(TObject* Sender);
    void MitUntergrundverschmelzen1Click(TObject* Sender);
    // Tools, colours and the view's events
    void ZoomBtnClick(TObject* Sender);
    void ClipboardViewer1Change(TObject* Sender);
    void MDIChild1PaintBox1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void MDIChild1PaintBox1MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void MDIChild1PaintBox1MouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void MDIChild1PaintBox1Paint(TObject* Sender);
    void MDIChild1ScrollBox1MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void MDIChild1Timer1Timer(TObject* Sender);

    // ---- Picture commands (MainCommands.cpp) ----
    void Horizontalspiegeln1Click(TObject* Sender);
    void Vertikalspiegeln1Click(TObject* Sender);
    void Rotieren1Click(TObject* Sender);
    void Randhinzufgen1Click(TObject* Sender);
    void Rahmenvergrern1Click(TObject* Sender);
    void ZurAuswahlverkleinern1Click(TObject* Sender);
    void Grendern1Click(TObject* Sender);
    void Perspektive1Click(TObject* Sender);
    void Wlben1Click(TObject* Sender);
    void Druckknopferstellen1Click(TObject* Sender);
    void Schattenhinzufgen1Click(TObject* Sender);
    // Filters
    void Eckenhervorheben1Click(TObject* Sender);
    void Eckenfinden1Click(TObject* Sender);
    void HorizontaleEckenfinden1Click(TObject* Sender);
    void VertikaleEckenfinden1Click(TObject* Sender);
    void Konturenzeichnen1Click(TObject* Sender);
    void Soften1Click(TObject* Sender);
    void StarkSoften1Click(TObject* Sender);
    void Sharpen1Click(TObject* Sender);
    void StarkSchrfen1Click(TObject* Sender);
    void SchwachWeichzeichnen1Click(TObject* Sender);
    void Emboss1Click(TObject* Sender);
    void EmbossVertikal1Click(TObject* Sender);
    void Hinzufgen1Click(TObject* Sender);
    void Entfernen1Click(TObject* Sender);
    void Erweitern1Click(TObject* Sender);
    void Auswachen1Click(TObject* Sender);
    void MosaikEffekt1Click(TObject* Sender);
    void BenutzerdefinierteFilter1Click(TObject* Sender);
    // Colours
    void HelligkeitundKontrast1Click(TObject* Sender);
    void GammaKorrektion1Click(TObject* Sender);
    void GlanzlichtMitteSchatten1Click(TObject* Sender);
    void RotGrnBlau1Click(TObject* Sender);
    void Colorieren1Click(TObject* Sender);
    void Graustufen1Click(TObject* Sender);
    void HistogramFunktionen1Click(TObject* Sender);
    void Farbenumkehren1Click(TObject* Sender);
    void Tiefebeschrnken1Click(TObject* Sender);
    void Solarisieren1Click(TObject* Sender);
    void PaletteladenBildanpassen1Click(TObject* Sender);
    void Paletteladen1Click(TObject* Sender);
    void Palettespeichern1Click(TObject* Sender);
    void Paletteeditieren1Click(TObject* Sender);
    void BenutzteFarbenzhlen1Click(TObject* Sender);
    void N2Farbent1Bit1Click(TObject* Sender);
    void N16Farbent4Bit1Click(TObject* Sender);
    void N256Farbent8Bit1Click(TObject* Sender);
    void XFarben4Bit8Bit1Click(TObject* Sender);
    void N16Farbent4Bit2Click(TObject* Sender);
    void N256Farbent8Bit2Click(TObject* Sender);
    void N16MillionenFarbent24Bit1Click(TObject* Sender);
    // Printing
    void Drucken1Click(TObject* Sender);
    // ---- The View menu (MainView.cpp): zoom and the tool bars ----
    void Nichtvergrert111Click(TObject* Sender);
    void N211Click(TObject* Sender);
    void N311Click(TObject* Sender);
    void N411Click(TObject* Sender);
    void N511Click(TObject* Sender);
    void N611Click(TObject* Sender);
    void N711Click(TObject* Sender);
    void N811Click(TObject* Sender);
    void N911Click(TObject* Sender);
    void N1011Click(TObject* Sender);
    void N1111Click(TObject* Sender);
    void N1211Click(TObject* Sender);
    void N1311Click(TObject* Sender);
    void N1411Click(TObject* Sender);
    void N1511Click(TObject* Sender);
    void N1611Click(TObject* Sender);
    void N121Click(TObject* Sender);
    void N131Click(TObject* Sender);
    void N141Click(TObject* Sender);
    void N151Click(TObject* Sender);
    void N161Click(TObject* Sender);
    void N171Click(TObject* Sender);
    void N181Click(TObject* Sender);
    void N191Click(TObject* Sender);
    void N1101Click(TObject* Sender);
    void N1112Click(TObject* Sender);
    void N1121Click(TObject* Sender);
    void N1131Click(TObject* Sender);
    void N1141Click(TObject* Sender);
    void N1151Click(TObject* Sender);
    void N1161Click(TObject* Sender);
    void Toolbars1Click(TObject* Sender);

private:
    // The commands act only when the view is there and its Tag is 0.
    bool ViewReady() const;
    // After a command: the menus follow the document, the progress bar is cleared.
    void CommandDone();
    // A built-in 5 x 5 filter (entries 0 to 11) with its own undo step; true-colour only.
    // True when the picture holds the result.
    bool BuiltInFilter(int Entry);
    // An undo step, then a colour operation on the picture (mask honoured), then a repaint.
    void PlainColourCommand(void (*Operation)(UniqueDib&, const TDib*, const TProgressSink&));
    // A palette file chosen in the dialog; false when cancelled.
    bool ChoosePaletteFile(TOpenDialog* Dialog, String& FileName);
    // The depth raised to Bits with an undo step.
    void RaiseDepth(int Bits);

    void PublishFields();
    void LoadCursors();
    void LoadGlyphs();
    void MakeColorField();
    void ConnectView();
    // Saves to Path with the type code (the quality dialog first for JPEG types); true when
    // the file was written. Shows the failure.
    bool SaveTo(const String& Path, int Type);
    // Installs a picture that arrived while a document may hold changes: asks first, and
    // drops the picture when the user cancels.
    void ReplaceDocument(UniqueDib Picture);
    // The tool column's item of a tool.
    TSpeedItem* ToolItemOf(TEditorTool Tool) const;

    class TWindowLink;
    std::unique_ptr<TWindowLink> FLink;
    TNotifyEvent FOldHint;
    TNotifyEvent FOldActiveFormChange;
};

extern TDIBMainForm* DIBMainForm;

// Registers the classes of the editor's layouts and loads its resources (layouts, tool
// cursors, glyphs).
void RegisterEditorClasses();
