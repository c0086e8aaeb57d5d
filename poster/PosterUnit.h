// The poster window: the program's main form. It holds the poster picture, the option
// check boxes and their flags, the size edits, the previews, the preferred folders, the
// status bar with its progress bar and the picture buttons, and it runs the start sequence.
#pragma once

#include "classlib/Buttons.h"
#include "classlib/ComCtrls.h"
#include "classlib/Dialogs.h"
#include "classlib/ExtCtrls.h"
#include "classlib/FileCtrl.h"
#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "classlib/StdCtrls.h"
#include "kit/KitLabel.h"
#include "kit/KitSpin.h"
#include "pixwerk/pixwerk.h"
#include "shell/ShellControls.h"
#include "poster/PictureOps.h"
#include "poster/PosterLayout.h"
#include "poster/PosterOptions.h"
#include "poster/PosterPreview.h"
#include "poster/PosterPrint.h"

#include <array>
#include <functional>
#include <memory>

inline constexpr const char* StartPictureName = "poster.stb";
inline constexpr const char* HelpFileName = "tessellon4.chm";
inline constexpr const char* OutOfMemoryText = "Error: Not enough memory for this function!!!";

// The picture editor as the poster window sees it: it takes the poster's picture, is shown
// until the user closes it, and gives the edited picture back. The program connects it
// (the editor lives in a layer above the poster window).
class TPictureEditor {
public:
    virtual ~TPictureEditor() = default;
    // Takes the picture (ownership moves; it may have no pixels) under a document name.
    virtual void HandOver(UniqueDib Picture, const String& Name) = 0;
    // Shows the editor modally; returns when it is closed.
    virtual void EditModal() = 0;
    // Gives the edited picture back and readies the editor for its next use: a blank
    // picture, no selection, no floating selection, no undo steps, not modified.
    virtual UniqueDib TakeBack() = 0;
};

class TMainForm : public TForm, private poster::LayoutControls {
    Q_OBJECT

public:
    explicit TMainForm(TComponent* AOwner);
    ~TMainForm() override;

    // ---- Controls (named as in the layout) ----
    // Top bar with the menu buttons and the picture buttons.
    TPanel* MenuPanel = nullptr;
    TSpeedButton* DateiButton = nullptr;
    TSpeedButton* EffekteButton = nullptr;
    TSpeedButton* RetuscheButton = nullptr;
    TSpeedButton* SpeedButton4 = nullptr;  // "Chromalde...": the picture editor
    TImage* EndeBtn = nullptr;
    TImage* EndeBtnDown = nullptr;
    TImage* HilfeBtn = nullptr;
    TImage* HilfeBtn2 = nullptr;
    TImage* ueberbtn = nullptr;
    TImage* ueberBtn2 = nullptr;
    TImage* SetupBtn = nullptr;
    TImage* SetupBtnDown = nullptr;
    TImage* SetupBtn_ = nullptr;
    TImage* SetupBtn_Down = nullptr;
    TImage* GoBtn1 = nullptr;
    TImage* GoBtn1Down = nullptr;
    TSpeedButton* wwwBtn0 = nullptr;
    TPopupMenu* DateiPopup = nullptr;
    TPopupMenu* EffektPopup = nullptr;
    TPopupMenu* RetuschePopup = nullptr;
    // Picture: folders, files, preferred folders, scan.
    TPageControl* PicturePages = nullptr;
    TPanel* NavShellTree1Panel = nullptr;
    TPanel* NavShellList1Panel = nullptr;
    TNavShellTree* NavShellTree1 = nullptr;
    TNavShellList* NavShellList1 = nullptr;
    TNavShellLink* NavShellLink1 = nullptr;
    TShellNamespace* ShellNamespace1 = nullptr;
    TNavSystemImageList* NavSystemImageList1 = nullptr;
    TFilterComboBox* FilterComboBox1 = nullptr;
    TListBox* PrefListBox = nullptr;
    TPaintBox* DibPrevPaint = nullptr;
    TLabel* Breit = nullptr;
    TLabel* Hoch = nullptr;
    TLabel* Tief = nullptr;
    TPaintBox* ScanPaintBox = nullptr;
    TImage* ScanBtn = nullptr;
    TImage* ScanBtnDown = nullptr;
    TImage* TSetupBtn = nullptr;
    TImage* TsetupBtnDown = nullptr;
    // Size.
    TKitSpinEdit* BreitEd = nullptr;
    TKitSpinEdit* HochEd = nullptr;
    TKitSpinEdit* BreitmmED = nullptr;
    TKitSpinEdit* HochmmED = nullptr;
    TKitSpinEdit* IncEd = nullptr;
    TCheckBox* MilliCheck3 = nullptr;
    TCheckBox* Milli2Check = nullptr;
    TEdit* Edit6 = nullptr;
    TEdit* Edit7 = nullptr;
    TEdit* Edit8 = nullptr;
    TEdit* Edit9 = nullptr;
    TEdit* Edit10 = nullptr;
    TStatusBar* MMBar = nullptr;
    // Options.
    TCheckBox* DoppeltCheck = nullptr;
    TCheckBox* SchnittCheck = nullptr;
    TCheckBox* KlebeCheck = nullptr;
    TCheckBox* NoRandLinesCheck = nullptr;
    TCheckBox* ZentrCheck = nullptr;
    TCheckBox* UseAllCheck = nullptr;
    TCheckBox* NotVerzCheck = nullptr;
    TCheckBox* CutHintsCheck = nullptr;
    TCheckBox* KlrandCheck = nullptr;
    TCheckBox* KlPrintCheck = nullptr;
    TCheckBox* NoKlRCheck = nullptr;
    TCheckBox* KrShowCheck = nullptr;
    TKitLabel* KitLabel25 = nullptr;
    TKitSpinEdit* KrandxlEd = nullptr;
    TKitSpinEdit* KrandylEd = nullptr;
    TEdit* Edit1 = nullptr;
    TEdit* Edit2 = nullptr;
    TRadioButton* RadioButton3 = nullptr;
    TRadioButton* RadioButton4 = nullptr;
    TRadioButton* ZeilenWeiseCheck = nullptr;
    TRadioButton* SpaltenWeiseCheck = nullptr;
    TCheckBox* RenderOwnCheck = nullptr;
    TSpeedButton* SpeedButton1 = nullptr;
    TSpeedButton* SpeedButton2 = nullptr;
    TSpeedButton* SpeedButton3 = nullptr;
    // Previews.
    TPageControl* ViewPages = nullptr;
    TScrollBox* PrevScrollBox = nullptr;
    TPaintBox* VorschauBox = nullptr;
    TKitSpinEdit* ZoomEd = nullptr;
    TSpeedButton* PageBtn0 = nullptr;
    TSpeedButton* ZoomBtn0 = nullptr;
    TSpeedButton* HochQuerBtn = nullptr;
    TScrollBox* PrintScrollBox = nullptr;
    TPaintBox* PrintPaintBox = nullptr;
    TScrollBox* OverScroll = nullptr;
    TPaintBox* OverPaint = nullptr;
    TMemo* WertungMemo = nullptr;
    TSpeedButton* MoreQualityBtn = nullptr;
    TScrollBox* PageScrollBox = nullptr;
    TPaintBox* PagePaintBox = nullptr;
    TKitSpinEdit* thepageed = nullptr;
    TKitSpinEdit* QualiED = nullptr;
    TSpeedButton* PicSaveBtn = nullptr;
    TScrollBox* PassScrollBox = nullptr;
    TPaintBox* PassPaintBox = nullptr;
    TKitSpinEdit* Zoom3ED = nullptr;
    TKitSpinEdit* Breit3ED = nullptr;
    TKitSpinEdit* SpaceED = nullptr;
    TKitSpinEdit* Rand3ED = nullptr;
    TCheckBox* MilliCheck = nullptr;
    TLabel* GroesseLabel = nullptr;
    TImage* GoBtn2 = nullptr;
    TImage* GoBtn2Down = nullptr;
    TScrollBox* RetuschScrollBox = nullptr;
    TPaintBox* RetuschPaint = nullptr;
    TKitSpinEdit* ZoomEd2 = nullptr;
    TSpeedButton* SchnittBtn = nullptr;
    TSpeedButton* SaveBtn = nullptr;
    TSpeedButton* FTiefeBtn = nullptr;
    TSpeedButton* SizeBtn = nullptr;
    TSaveDialog* SaveDialog1 = nullptr;
    TSaveDialog* SaveDialog2 = nullptr;
    TStatusBar* StatusBar1 = nullptr;

    // ---- State ----
    String ProgramFolder;  // ends in "/"
    UniqueDib Dib;  // the poster picture; without pixels only when memory ran out
    RECT Section{};  // picture section, in picture pixels
    poster::PageMask PageMask;
    TOptionsRec Defaults;  // the options as laid out at start
    bool StartUp = false;
    int ProgressPercent = 0;
    int PassCount = 0;  // copies placed by the last pass-pictures preview
    RECT ProgressPanelRect{};
    std::unique_ptr<TBitmap> RenderBitmap;  // renders metafiles
    TPictureEditor* PictureEditor = nullptr;  // "Chromalde...", connected by the program

    // Option flags, copied from the check boxes by UpdateOptions.
    bool Doppelt = false, Schnitt = false, Klebe = false, NoRandLines = false, Zentr = false,
         UseAll = false, NotVerz = false, CutHints = false, Klrand = false, KlPrint = false,
         NoKlR = false, KrShow = false;

    poster::PosterLayout& Layout() { return *FLayout; }

    // The folder the file list shows (its own shell-namespace object's), ending in "/"; the
    // folder tree's when the list shows a folder without a path; empty when neither has one.
    String SelectedFolder() const;
    // Shows a folder in the folder tree and the file list. A folder that does not exist
    // raises EOSError; one the tree does not show (a hidden one) is shown by the list alone.
    void SetSelectedFolder(const String& Folder);

    // ---- Commands and handlers ----
public slots:
    void FormCreate(TObject* Sender);
    void FormDestroy(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormResize(TObject* Sender);
    void UpdateOptions(TObject* Sender);
    void QuitBtnClick(TObject* Sender);
    void AboutBitBtnClick(TObject* Sender);
    void HelpBtnClick(TObject* Sender);
    void wwwBtn0Click(TObject* Sender);
    void DateiButtonClick(TObject* Sender);
    void EffekteButtonClick(TObject* Sender);
    void RetuscheButtonClick(TObject* Sender);
    void SetupBtnClick(TObject* Sender);
    void MilliCheckClick(TObject* Sender);
    void Milli2CheckClick(TObject* Sender);
    void KrandxlEd1Change(TObject* Sender);
    void NotTheXedCheckClick(TObject* Sender);
    void ZoomEd2Change(TObject* Sender);
    void EffektClick(TObject* Sender);
    void StatusBar1DrawPanel(TStatusBar* StatusBar, TStatusPanel* Panel, const RECT& Rect);
    void PictureButtonMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void PictureButtonMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void PictureButtonMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void PictureButtonClick(TObject* Sender);
    // Size (the poster layout).
    void BreitEdChange(TObject* Sender);
    void HochEdChange(TObject* Sender);
    void BreitmmEDChange(TObject* Sender);
    void HochmmEDChange(TObject* Sender);
    void IncEdChange(TObject* Sender);
    void ZoomEdChange(TObject* Sender);
    // Options file and preferred folders.
    void SpeedButton1Click(TObject* Sender);
    void SpeedButton2Click(TObject* Sender);
    void SpeedButton3Click(TObject* Sender);
    void PrefListBoxDblClick(TObject* Sender);
    void PrefListBoxKeyPress(TObject* Sender, char& Key);
    void KitLabel25Click(TObject* Sender);
    // Picture input: the file list and the filter.
    void NavShellList1DblClick(TObject* Sender);
    void NavShellList1KeyPress(TObject* Sender, char& Key);
    void FilterComboBox1Change(TObject* Sender);
    // Views.
    void DibPrevPaintPaint(TObject* Sender);
    void VorschauBoxPaint(TObject* Sender);
    void RetuschPaintPaint(TObject* Sender);
    void ScanPaintBoxPaint(TObject* Sender);
    void OverPaintPaint(TObject* Sender);
    void PrintPaintBoxPaint(TObject* Sender);
    void PagePaintBoxPaint(TObject* Sender);
    void ZoomEd3Change(TObject* Sender);
    // Pass pictures.
    void PassPaintBoxPaint(TObject* Sender);
    void Breit3EDChange(TObject* Sender);
    void PassDruckClick(TObject* Sender);
    void thepageedChange(TObject* Sender);
    void VorschauBoxMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void OverPaintMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void DragMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void DragMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void DragMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void PrintBtnClick(TObject* Sender);
    // Picture commands.
    void FlipHBtnClick(TObject* Sender);
    void FlipVBtnClick(TObject* Sender);
    void RotLeftBtnClick(TObject* Sender);
    void RotRightBtnClick(TObject* Sender);
    void MoreQualityBtnClick(TObject* Sender);
    void SizeBtnClick(TObject* Sender);
    void FTiefeBtnClick(TObject* Sender);
    void HellpBtnClick(TObject* Sender);
    // Edits the picture in the picture editor and takes the result back.
    void ChromaldeBtnClick(TObject* Sender);
    // The marked rectangle of the retouch view, the crop and saving the picture.
    void RetuschPaintMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void RetuschPaintMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void RetuschPaintMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void SchnittBtnClick(TObject* Sender);
    void SaveBtnClick(TObject* Sender);
    void HochQuerBtnClick(TObject* Sender);
    void PicSaveBtnClick(TObject* Sender);
    // "Show all pictures...": the thumbnail browser on the selected folder.
    void BrowseBtnClick(TObject* Sender);

public:
    // Loads `Name` from the selected folder and installs it; shows the load-error box.
    void openfilenow(const String& Name);
    // Loads `Name` from `Folder` (ending in "/"); a picture without a folder is not loaded.
    void openfilenow(const String& Folder, const String& Name);
    // Replaces the poster picture with `NewDib` (taken over) and resets the layout.
    void InstallDib(TDib NewDib, const String& Folder);
    void UpdatePaperFormat();
    void by_anpassen();
    void FormSizeChanged();
    // Arranges the panes for the window's size: the print group and the views' tool bars
    // wrap their controls into rows, the settings pane scrolls when it does not fit, and the
    // overview shares the 1:1 view's page.
    void ArrangePanes();
    // Fits the window on the screen's free area (frame included) and centres it there.
    void PlaceOnScreen();
    // Sizes the 1:1 view, the overview and the page preview, sets the quality text and
    // repaints the views.
    void SizeViews();
    void SetProSatus(int Percent);
    void SBarPaintMore();
    void ReadinOptions(TOptionsRec& Rec) const;
    void WriteOutOptions(const TOptionsRec& Rec);
    void AddToPrefFolders(const String& Folder);
    void setcursor_(int Cursor);
    void Dispatch(TMessage& Message) override;
    // WM_PROGRESS: the percentage in wParam goes to the status bar's progress bar.
    void WMUser(TMessage& Message);
    // WM_SCANREADY: the scanned picture of the handle in wParam replaces the poster picture.
    void WMUser2(TMessage& Message);
    // The scan page's buttons: scan, and choose the scanner.
    void ScanButtonClick(TObject* Sender);
    void SelectButtonClick(TObject* Sender);
    // Opens a metafile of the folder at the size chosen in the vector-import dialog.
    void OpenMetafile(const String& Folder, const String& Name);
    // The box of a picture that could not be loaded; a library text of 6 or more
    // characters is its text.
    void ShowLoadError(const String& Name, const String& Text);

    // The picture buttons: normal image, pressed image(s), command, held flag.
    struct TPictureButton {
        std::vector<TImage*> Normal;
        std::vector<TImage*> Down;
        std::function<void(TObject*)> Command;
        bool Held = false;
    };
    TPictureButton* PictureButtonOf(TObject* Image);
    std::vector<TPictureButton>& PictureButtons() { return FButtons; }

private:
    // The status bar's progress as a sink for the picture operations.
    TProgressSink Progress();
    // Installs an operation's result (false when it has no pixels: the picture stays) and
    // shows its size and colours; a reshaped picture also resets the marked rectangle,
    // the retouch zoom and the poster layout.
    bool ReplacePicture(UniqueDib Result, bool Reshaped);
    // After an operation changed the picture's pixels in place.
    void PixelsChanged();
    // Raises a palette picture to 24 bits; false (with the error box) when it could not.
    bool RaiseToTrueColour();
    void PublishFields();
    void SetUpPictureButtons();
    poster::PosterSetup Setup() const;
    poster::ScrollView OneToOneView() const;
    void ShowPressed(TPictureButton& B, bool Pressed);
    void RepaintViews();
    // LayoutControls
    double value(poster::LayoutEdit edit) const override;
    void setValue(poster::LayoutEdit edit, double value) override;
    poster::EditRange range(poster::LayoutEdit edit) const override;
    void setPageIncrement(double increment) override;
    bool checked(poster::LayoutCheck check) const override;
    void setText(poster::LayoutText text, const std::string& value) override;
    int pictureWidth() const override;
    int pictureHeight() const override;
    poster::PrinterCaps printer() const override;
    void repaintGrid() override;
    // The screen resolution of the window's canvas.
    int ScreenDpi(int Index);
    TKitSpinEdit* EditOf(poster::LayoutEdit edit) const;

    // A panel whose groups of controls wrap into rows; each group keeps its arrangement.
    struct TFlowPanel {
        TWinControl* Panel = nullptr;
        std::vector<std::vector<TControl*>> Groups;
        std::vector<std::vector<POINT>> Offsets;  // of each control in its group
        std::vector<SIZE> Sizes;                  // of each group
        int Left = 0, Top = 0, Bottom = 0;        // margins, as laid out
    };
    void SetUpFlowPanels();
    static void Flow(TFlowPanel& Flow);

    std::vector<TFlowPanel> FFlowPanels;
    std::unique_ptr<poster::PosterLayout> FLayout;
    std::vector<TPictureButton> FButtons;
    std::vector<String> FPrefFolders;
    int FUpdateOptionsDepth = 0;
    bool FReady = false;  // set once the start sequence has laid out the controls
    poster::RetouchScale FRetouchScale;
    // The marked rectangle in view pixels, the edges the pointer holds or is over, and
    // whether a drag runs; the picture rectangle (Section) follows the view rectangle.
    struct TEdgeGrab {
        bool left = false, right = false, top = false, bottom = false;
    };
    RECT FMark{};
    TEdgeGrab FGrab;
    bool FOverEdge = false;
    bool FMarking = false;
    void RefreshRetouchScale();
    void MarkToSection();
    void SectionToMark();
    POINT FDragStart{};
    POINT FDragScroll{};
    TControl* FDragging = nullptr;

public:
    // Runs of UpdateOptions (nested calls included), for tests.
    int UpdateOptionsRuns = 0;
};

extern TMainForm* MainForm;

// Registers the classes of the poster window's layouts and its resources.
void RegisterPosterClasses();
