// The editor window: creation and destruction, NewWindow and the hand-over, the tool cursors
// and glyphs, the library messages, the menu-state rules, zoom, and the forwarding of the
// view's and the tools' events.
#include "editor/Main.h"

#include "classlib/Random.h"
#include "classlib/SysUtils.h"
#include "editor/ColourAdjust.h"
#include "platform/clipboard.h"
#include "platform/codepage.h"
#include "platform/msgbox.h"
#include "poster/Pixwerk.h"
#include "poster/ProgramFolder.h"
#include "scanvia/Scanvia.h"

#include <QCoreApplication>
#include <QCursor>
#include <QPixmap>

#include <algorithm>
#include <array>
#include <cstring>

TDIBMainForm* DIBMainForm = nullptr;

static void initEditorResources() { Q_INIT_RESOURCE(editor); }

void RegisterEditorClasses() {
    static const bool done = [] {
        initEditorResources();
        RegisterPosterClasses();
        RegisterEditorViewClasses();
        RegisterColourPanelClasses();
        RegisterSpeedBar();
        RegisterClasses<TMainMenu, TMenuItem, TToolBar, TToolButton, TProgressBar, TStatusBar, TImageList,
                        TPanel, TOpenDialog, TSaveDialog, TColorDialog, TPrintDialog,
                        TPrinterSetupDialog>();
        return true;
    }();
    (void)done;
}

namespace {

// The tool cursors, numbers 1 to 18 in this order, with their hot spots.
struct TCursorImage {
    const char* Name;
    int HotX, HotY;
};
constexpr std::array<TCursorImage, 18> kCursors = {{
    {"MYSB_DRAGC", 9, 8},  {"MYSB_LUPE", 7, 7},   {"MYSB_BRUSHC", 8, 8}, {"MYKREUZ", 8, 8},
    {"LINECURS", 8, 8},    {"SHAPECURS", 8, 8},   {"GEOSELC", 8, 8},     {"FREESELC", 8, 8},
    {"DROPCURS", 1, 1},    {"TXTCURS", 8, 8},     {"MAGICWAND", 1, 1},   {"FLOODFILLC", 14, 14},
    {"MAGICWANDP", 1, 1},  {"MAGICWANDM", 1, 1},  {"GEOSELCP", 8, 8},    {"GEOSELCM", 8, 8},
    {"FREESELCP", 8, 8},   {"FREESELCM", 8, 8},
}};

// The glyphs of the tool column, in the order of the tools, and of the tool bar's images.
constexpr std::array<const char*, 14> kToolGlyphs = {"TOOL_ZOOM",    "TOOL_HAND",  "TOOL_SELECT", "TOOL_FREESEL",
                                                     "TOOL_MAGIC",   "TOOL_DROP",  "TOOL_BRUSH",  "TOOL_CLONE",
                                                     "TOOL_REPLACE", "TOOL_RETOUCH", "TOOL_FILL", "TOOL_TEXT",
                                                     "TOOL_LINE",    "TOOL_SHAPE"};
constexpr std::array<const char*, 8> kBarGlyphs = {"TB_NEW", "TB_OPEN", "TB_SAVE", "TB_CUT",
                                                   "TB_COPY", "TB_PASTE", "TB_UNDO", "TB_BACK"};

// The cursors are made once per process; every editor window uses the same handles.
const std::array<HCURSOR, 18>& toolCursors() {
    static const std::array<HCURSOR, 18> cursors = [] {
        std::array<HCURSOR, 18> made{};
        for (std::size_t i = 0; i < kCursors.size(); ++i) {
            const QPixmap image(QStringLiteral(":/cursors/") + QString::fromLatin1(kCursors[i].Name) +
                                QStringLiteral(".png"));
            if (!image.isNull())
                made[i] = platform::cursorFromQt(QCursor(image, kCursors[i].HotX, kCursors[i].HotY));
        }
        return made;
    }();
    return cursors;
}

}  // namespace

// ---- The document's window link ----------------------------------------------------------

class TDIBMainForm::TWindowLink : public TColourPanelLink {
public:
    explicit TWindowLink(TDIBMainForm& Form) : TColourPanelLink(*Form.RightSidePanel), FForm(Form) {}
    void CaptionChanged(const String& Caption) override {
        FForm.SetCaption(Caption);
        if (FForm.GradientCaption) FForm.GradientCaption->SetFormCaption(Caption);
    }
    void StatusText(int Panel, const String& Text) override { FForm.SetStatusText(Panel, Text); }
    void UpdateMenuItems() override { FForm.UpdateMenuItems(nullptr); }
    void ApplyZoom() override { FForm.SetZoom(FForm.MDIChild1->ZoomNum, FForm.MDIChild1->ZoomDen); }
    TEditorTool CurrentTool() const override { return FForm.CurrentTool(); }

private:
    TDIBMainForm& FForm;
};

// ---- Creation and destruction ------------------------------------------------------------

TDIBMainForm::TDIBMainForm(TComponent* AOwner) : TForm(AOwner) {
    RegisterEditorClasses();
    PublishFields();
    ReadLayout(this, "Main");
    for (const QString& a : QCoreApplication::arguments().mid(1))
        Arguments.push_back(platform::wideToAnsi(a.toStdU16String()));
    LoadGlyphs();
    ConnectView();
}

TDIBMainForm::~TDIBMainForm() {
    // The destroy handler needs this window's own fields: it runs here, while they exist.
    if (OnDestroy) {
        const TNotifyEvent handler = OnDestroy;
        OnDestroy = {};
        handler(this);
    }
    if (MDIChild1) {
        MDIChild1->SetWindowLink(nullptr);
        MDIChild1->SetPaintTools(nullptr);
    }
    if (RightSidePanel) {
        RightSidePanel->SetDocument(nullptr);
        RightSidePanel->SetColorField(nullptr);
        RightSidePanel->OnZoom = {};
    }
    PaintTools.SetLink(nullptr);
    if (DIBMainForm == this) DIBMainForm = nullptr;
}

void TDIBMainForm::PublishFields() {
#define PUBLISH(name) PublishField(#name, name)
    PUBLISH(SpeedPanel); PUBLISH(ToolButton1); PUBLISH(ToolButton2); PUBLISH(SaveSpeedBtn);
    PUBLISH(CutSpeedBtn); PUBLISH(CopySpeedBtn); PUBLISH(PasteSpeedBtn); PUBLISH(UndoItSpeedBtn);
    PUBLISH(ToolButton8); PUBLISH(ToolImages); PUBLISH(SpeedBar2); PUBLISH(ShowProzent); PUBLISH(SpeedBar1);
    PUBLISH(ZoomBtn); PUBLISH(HandBtn); PUBLISH(SelectBtn); PUBLISH(FreeSelBtn); PUBLISH(MagicBtn);
    PUBLISH(DropBtn); PUBLISH(BrushBtn); PUBLISH(CloneBtn); PUBLISH(ReplaceBtn); PUBLISH(RetouchBtn);
    PUBLISH(FillBtn); PUBLISH(TxtBtn); PUBLISH(LineBtn); PUBLISH(ShapeBtn); PUBLISH(RightSidePanel);
    PUBLISH(MDIChild1); PUBLISH(StatusBar); PUBLISH(OpenDialog); PUBLISH(SaveDialog); PUBLISH(PalOpenDialog);
    PUBLISH(PalSaveDialog); PUBLISH(ColorDialog1); PUBLISH(PrinterSetupDialog1); PUBLISH(PrintDialog1);
    PUBLISH(FormPlacement1); PUBLISH(FormStorage1); PUBLISH(GradientCaption); PUBLISH(ClipboardViewer1);
    PUBLISH(MainMenu1); PUBLISH(FileSaveItem);
    PUBLISH(FileSaveAsItem); PUBLISH(Drucken1); PUBLISH(Rckgngig1); PUBLISH(CutItem); PUBLISH(CopyItem);
    PUBLISH(Einfgen1); PUBLISH(AlsBild1); PUBLISH(AlsAuswahl1); PUBLISH(AlstransparenteAuswahl1);
    PUBLISH(Lschen1); PUBLISH(Zwischenablagelschen1); PUBLISH(Auswahl1); PUBLISH(Nichtauswhlen1);
    PUBLISH(VomUntergrundlsen1); PUBLISH(MitUntergrundverschmelzen1); PUBLISH(Ansicht1);
    PUBLISH(Nichtvergrert111); PUBLISH(Bild1); PUBLISH(Deformationen1); PUBLISH(Effekte1);
    PUBLISH(Druckknopferstellen1); PUBLISH(Schattenhinzufgen1); PUBLISH(Kantenfilter1); PUBLISH(Schrfefilter1);
    PUBLISH(Strungen1); PUBLISH(Spezialfilter1); PUBLISH(BenutzerdefinierteFilter1); PUBLISH(Farben1);
    PUBLISH(Anpassen1); PUBLISH(Colorieren1); PUBLISH(Graustufen1); PUBLISH(HistogramFunktionen1);
    PUBLISH(Tiefebeschrnken1); PUBLISH(Solarisieren1); PUBLISH(PaletteladenBildanpassen1);
    PUBLISH(Paletteladen1); PUBLISH(Palettespeichern1); PUBLISH(Paletteeditieren1);
    PUBLISH(Farbtiefereduzieren1); PUBLISH(N2Farbent1Bit1); PUBLISH(N16Farbent4Bit1);
    PUBLISH(N256Farbent8Bit1); PUBLISH(XFarben4Bit8Bit1); PUBLISH(Farbtiefeerhhen1); PUBLISH(N16Farbent4Bit2);
    PUBLISH(N256Farbent8Bit2); PUBLISH(N16MillionenFarbent24Bit1);
#undef PUBLISH
}

void TDIBMainForm::LoadGlyphs() {
    for (std::size_t i = 0; i < kToolGlyphs.size(); ++i)
        ToolItemOf(static_cast<TEditorTool>(i))->Glyph()->LoadFromResourceName(nullptr, kToolGlyphs[i]);
    for (const char* name : kBarGlyphs) {
        TBitmap glyph;
        glyph.LoadFromResourceName(nullptr, name);
        ToolImages->AddMasked(&glyph, clFuchsia);
    }
}

void TDIBMainForm::ConnectView() {
    FLink = std::make_unique<TWindowLink>(*this);
    MDIChild1->SetWindowLink(FLink.get());
    MDIChild1->SetPaintTools(&PaintTools);
    PaintTools.SetLink(RightSidePanel);
    RightSidePanel->SetDocument(MDIChild1);
    RightSidePanel->OnZoom = [this](int Num, int Den) { SetZoom(Num, Den); };
    RightSidePanel->ChooseColour = [this](COLORREF& Colour) {
        ColorDialog1->SetColor(static_cast<int>(Colour & 0xFFFFFF));
        if (!ColorDialog1->Execute()) return false;
        Colour = static_cast<COLORREF>(ColorDialog1->Color()) & 0xFFFFFF;
        return true;
    };
    RightSidePanel->ChoosePatternFile = [this](String& FileName) {
        if (!OpenDialog->Execute()) return false;
        FileName = OpenDialog->FileName();
        return true;
    };
    // The view's events come to the window, which hands them on.
    TDocPaintBox* box = MDIChild1->PaintBox1;
    box->OnMouseDown = TMouseEvent(this, &TDIBMainForm::MDIChild1PaintBox1MouseDown);
    box->OnMouseMove = TMouseMoveEvent(this, &TDIBMainForm::MDIChild1PaintBox1MouseMove);
    box->OnMouseUp = TMouseEvent(this, &TDIBMainForm::MDIChild1PaintBox1MouseUp);
    box->OnPaint = TNotifyEvent(this, &TDIBMainForm::MDIChild1PaintBox1Paint);
    MDIChild1->ScrollBox1->OnMouseMove = TMouseMoveEvent(this, &TDIBMainForm::MDIChild1ScrollBox1MouseMove);
    MDIChild1->Timer1->SetOnTimer(TNotifyEvent(this, &TDIBMainForm::MDIChild1Timer1Timer));
    // A picture pasted as a new picture replaces the document as any other new picture.
    Clipboard.NewWindow = [this](TChildDocument&, UniqueDib Picture) { ReplaceDocument(std::move(Picture)); };
}

void TDIBMainForm::LoadCursors() {
    const auto& cursors = toolCursors();
    for (std::size_t i = 0; i < cursors.size(); ++i) Screen->SetCursors(static_cast<int>(i) + 1, cursors[i]);
    RightSidePanel->PalPaintBox->SetCursor(9);
}

void TDIBMainForm::MakeColorField() {
    newdib(ColorFieldDib.out(), 48, 96, 24, nullptr, 0);
    if (!ColorFieldDib) {
        Application->MessageBox("Error: Not enough memory to work correcly with this program!!!", "",
                                MB_OK | MB_ICONERROR);
        RightSidePanel->SetColorField(nullptr);
        return;
    }
    // Hue down the field, lightness from left to right, full saturation.
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 48; ++x) {
            int r = 0, g = 0, b = 0;
            HSLToRGB(y * 255 / 95, 255, x * 255 / 47, r, g, b);
            setpixel(ColorFieldDib.get(), x, y, r | g << 8 | b << 16);
        }
    RightSidePanel->SetColorField(&ColorFieldDib.get());
}

void TDIBMainForm::FormCreate(TObject*) {
    // 1. The program's folder.
    ProgramDir = IncludeTrailingPathDelimiter(ProgramFolder());
    // 2. Hints go to the status bar; every change of the active window updates the menus.
    FOldHint = Application->OnHint;
    Application->OnHint = TNotifyEvent(this, &TDIBMainForm::DisplayHint);
    FOldActiveFormChange = Screen->OnActiveFormChange;
    Screen->OnActiveFormChange = TNotifyEvent(this, &TDIBMainForm::UpdateMenuItems);
    // 3. The file dialogs start in the program's folder; the picture filters are the library's.
    for (TOpenDialog* d : {OpenDialog, static_cast<TOpenDialog*>(SaveDialog), PalOpenDialog,
                           static_cast<TOpenDialog*>(PalSaveDialog)})
        d->SetInitialDir(ProgramDir);
    OpenDialog->SetFilter(GetDIBOpenFilter());
    SaveDialog->SetFilter(GetDIBSaveFilter());
    // 4. The tool cursors.
    LoadCursors();
    // 5. The selection's clipboard format (the clipboard viewer makes the paste commands
    // follow the clipboard).
    ClipFormat = Clipboard.ClipFormat;
    Clipboard.SetOwner(Handle());
    // 6. The colour field.
    MakeColorField();
    // 7. The document: nothing of a file, no undo steps, no selection, zoom 1:1.
    TMDIChild& v = *MDIChild1;
    v.KnownFormat = false;
    v.DocPath.clear();
    v.DocType = PW_BMP;
    v.EndFloatingState();
    while (v.UndoCount > 0) v.FreeUndoBuffer(1);
    TChildDocument::FreeSel(v.FreeSelPolygons);
    v.FreeSelPolygons = TFreeSelPolygons{};
    v.ClearSelection();
    v.ZoomNum = v.ZoomDen = 1;
    v.Modified = false;
    Randomize();
    // 8. The tool options' first entries.
    TColourPanel& p = *RightSidePanel;
    p.TypBox->SetItemIndex(0);
    p.StilBox->SetItemIndex(0);
    p.FormBox->SetItemIndex(1);
    p.CloneBox->SetItemIndex(0);
    p.ZoomBox->SetItemIndex(15);
    p.BrushTypBox->SetItemIndex(0);
    p.RetouchBox->SetItemIndex(0);
    p.FillStyleBox->SetItemIndex(0);
    p.DirectBox->SetItemIndex(0);
    // 9. A blank white picture.
    UniqueDib blank = picops::newPicture(320, 200, 24, nullptr, 0);
    if (blank) std::memset(blank.get().Bits, 255, blank.get().Info->bmiHeader.biSizeImage);
    NewWindow(std::move(blank), NewDocumentName, 0);
}

void TDIBMainForm::FormShow(TObject*) {
    if (FirstShown) return;
    FirstShown = true;
    if (!Arguments.empty()) OpenPicture(Arguments.front());
}

void TDIBMainForm::FormDestroy(TObject*) {
    if (Screen) Screen->OnActiveFormChange = FOldActiveFormChange;
    if (Application) Application->OnHint = FOldHint;
    if (MDIChild1) {
        TMDIChild& v = *MDIChild1;
        v.EndFloatingState();
        v.SelMask.reset();
        v.OutlinePoints.clear();
        TChildDocument::FreeSel(v.FreeSelPolygons);
        v.FreeSelPolygons = TFreeSelPolygons{};
        v.SelActive = false;
        while (v.UndoCount > 0) v.FreeUndoBuffer(1);
        v.Dib.reset();
    }
    if (RightSidePanel) {
        RightSidePanel->SetColorField(nullptr);
        RightSidePanel->PatternDib.reset();
    }
    ColorFieldDib.reset();
    Clipboard.ClipMaskDib.reset();
}

// ---- Pictures in and out -----------------------------------------------------------------

void TDIBMainForm::NewWindow(UniqueDib Picture, const String& Name, int) {
    if (Picture) {
        // A new document: Save asks for a name rather than writing over the last file.
        TMDIChild& v = *MDIChild1;
        v.DocPath.clear();
        v.KnownFormat = false;
        v.DocType = PW_BMP;
        TEditorClipboard::InstallNewPicture(v, std::move(Picture), Name);
    }
    UpdateAllColors();
    UpdateMenuItems(this);
}

void TDIBMainForm::ReplaceDocument(UniqueDib Picture) {
    if (!Picture || !QuerySaveChanges()) return;
    NewWindow(std::move(Picture), "", 0);
}

void TDIBMainForm::HandOver(UniqueDib Picture, const String& Name) { NewWindow(std::move(Picture), Name, 0); }

void TDIBMainForm::EditModal() { ShowModal(); }

UniqueDib TDIBMainForm::TakeBack() {
    TMDIChild& v = *MDIChild1;
    // A float on its way goes home (or, never placed, away): the picture is what shows.
    v.EndFloatingState();
    UniqueDib picture = std::move(v.Dib);
    v.SelMask.reset();
    v.OutlinePoints.clear();
    TChildDocument::FreeSel(v.FreeSelPolygons);
    v.FreeSelPolygons = TFreeSelPolygons{};
    v.SelActive = false;
    v.FinishDraging();
    while (v.UndoCount > 0) v.FreeUndoBuffer(1);
    // A blank picture waits for the next hand-over (none when memory is short: the view
    // then shows nothing).
    v.Dib = picops::newPicture(320, 200, 24, nullptr, 0);
    if (v.Dib) std::memset(v.Dib.get().Bits, 255, v.Dib.get().Info->bmiHeader.biSizeImage);
    v.EnsureMask();
    v.UpdateSelddib();
    v.Modified = false;
    v.SetZoomedPaintBox();
    v.UpdateCaption();
    RightSidePanel->PaletteChanged();
    UpdateAllColors();
    UpdateMenuItems(this);
    return picture;
}

void TDIBMainForm::UpdateAllColors() {
    if (MDIChild1) MDIChild1->PaintBox1->Invalidate();
}

// ---- Messages ----------------------------------------------------------------------------

void TDIBMainForm::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_PROGRESS: WMUser(Message); return;
    case WM_SCANREADY: WMUser2(Message); return;
    default: TForm::Dispatch(Message);
    }
}

void TDIBMainForm::WMUser(TMessage& Message) {
    ShowProzent->SetPosition(static_cast<int>(Message.WParam));
    Message.Result = 0;
}

void TDIBMainForm::WMUser2(TMessage& Message) {
    UniqueDib scanned;
    GetScanedDib(scanned.out(), Message.WParam);
    Message.Result = 0;
    ReplaceDocument(std::move(scanned));
}

TProgressSink TDIBMainForm::Progress() {
    return [this](int Percent) { ShowProzent->SetPosition(Percent); };
}

void TDIBMainForm::SetStatusText(int Panel, const String& Text) {
    if (!StatusBar || Panel < 0 || Panel >= StatusBar->Panels()->Count()) return;
    StatusBar->Panels()->Items(Panel)->SetText(Text);
}

void TDIBMainForm::DisplayHint(TObject*) { SetStatusText(0, Application->Hint()); }

void TDIBMainForm::FormMouseMove(TObject*, TShiftState, int, int) { SetStatusText(1, "Picture: none"); }

void TDIBMainForm::ClipboardViewer1Change(TObject*) { UpdateMenuItems(this); }

// ---- Menu state --------------------------------------------------------------------------

void TDIBMainForm::UpdateMenuItems(TObject*) {
    if (!MDIChild1 || !MainMenu1) return;
    const TMDIChild& v = *MDIChild1;
    const bool selection = v.SelActive, floating = v.DragActive;
    auto enable = [](std::initializer_list<TComponent*> items, bool on) {
        for (TComponent* c : items) {
            if (auto* m = qobject_cast<TMenuItem*>(c)) m->SetEnabled(on);
            else if (auto* b = qobject_cast<TControl*>(c)) b->SetEnabled(on);
        }
    };
    // 1. Always.
    enable({Ansicht1, Bild1, Farben1, Auswahl1, FileSaveItem, FileSaveAsItem, Drucken1, CutItem, Lschen1, CopyItem,
            AlsAuswahl1, AlstransparenteAuswahl1, SaveSpeedBtn, CutSpeedBtn, CopySpeedBtn},
           true);
    // 2. Undo.
    enable({Rckgngig1, UndoItSpeedBtn}, v.UndoCount > 0);
    // 3. The clipboard (a clipboard that cannot be opened counts as holding no picture).
    DibAvailable = Clipboard.HasPicture();
    enable({Einfgen1, PasteSpeedBtn, Zwischenablagelschen1}, DibAvailable);
    // 4. Selection and zoom.
    VomUntergrundlsen1->SetEnabled(selection && !floating);
    MitUntergrundverschmelzen1->SetEnabled(selection && floating);
    Nichtauswhlen1->SetEnabled(selection);
    Nichtvergrert111->SetEnabled(!(v.ZoomNum == 1 && v.ZoomDen == 1));
    // 5. The rest depends on the picture.
    const TDib& d = v.Dib.get();
    if (!d.Bits) return;
    const int depth = DibBitCount(d);
    // 6 to 9.
    Effekte1->SetEnabled(selection && !floating);
    enable({Deformationen1, Druckknopferstellen1, Kantenfilter1, Schrfefilter1, Strungen1, Spezialfilter1,
            BenutzerdefinierteFilter1},
           depth == 24);
    enable({Paletteladen1, Palettespeichern1, Paletteeditieren1}, depth == 4 || depth == 8);
    enable({PaletteladenBildanpassen1, Anpassen1, Colorieren1, Graustufen1, HistogramFunktionen1, Tiefebeschrnken1,
            Solarisieren1},
           depth != 1);
    // 10. The colour-depth menus.
    switch (depth) {
    case 1:
        Farbtiefereduzieren1->SetEnabled(false);
        enable({Farbtiefeerhhen1, N16Farbent4Bit2, N256Farbent8Bit2, N16MillionenFarbent24Bit1}, true);
        break;
    case 4:
        enable({Farbtiefereduzieren1, N2Farbent1Bit1, Farbtiefeerhhen1, N256Farbent8Bit2, N16MillionenFarbent24Bit1},
               true);
        enable({N16Farbent4Bit1, N256Farbent8Bit1, XFarben4Bit8Bit1, N16Farbent4Bit2}, false);
        break;
    case 8:
        enable({Farbtiefereduzieren1, N2Farbent1Bit1, N16Farbent4Bit1, XFarben4Bit8Bit1, Farbtiefeerhhen1,
                N16MillionenFarbent24Bit1},
               true);
        enable({N256Farbent8Bit1, N16Farbent4Bit2, N256Farbent8Bit2}, false);
        break;
    case 24:
        enable({Farbtiefereduzieren1, N2Farbent1Bit1, N16Farbent4Bit1, N256Farbent8Bit1, XFarben4Bit8Bit1}, true);
        Farbtiefeerhhen1->SetEnabled(false);
        break;
    default: break;
    }
}

// ---- Zoom --------------------------------------------------------------------------------

void TDIBMainForm::SetZoom(int Num, int Den) {
    const bool valid = (Num >= 1 && Num <= 16 && Den == 1) || (Num == 1 && Den >= 1 && Den <= 16);
    if (MDIChild1 && valid) {
        TMDIChild& v = *MDIChild1;
        RightSidePanel->ShowZoomEntry(TChildDocument::ZoomBoxIndex(Num, Den));
        TControlScrollBar* hb = v.ScrollBox1->HorzScrollBar();
        TControlScrollBar* vb = v.ScrollBox1->VertScrollBar();
        const long long boxW = v.ScrollBox1->Width(), boxH = v.ScrollBox1->Height();
        const long long w = DibWidth(v.Dib.get()), h = DibHeight(v.Dib.get());
        // The picture point at the middle of the view, at the old zoom.
        long long cx = (hb->Position() + boxW / 2) * v.ZoomDen / v.ZoomNum;
        long long cy = (vb->Position() + boxH / 2) * v.ZoomDen / v.ZoomNum;
        if (cx >= w / 2) cx = w / 2;
        if (cy >= h / 2) cy = h / 2;
        v.ZoomNum = Num;
        v.ZoomDen = Den;
        v.SetZoomedPaintBox();
        const long long hRange = std::max(hb->Range(), v.PaintBox1->Width());
        const long long vRange = std::max(vb->Range(), v.PaintBox1->Height());
        const long long x = std::clamp(cx * Num / Den - boxW / 2, 0LL, std::max(0LL, hRange - 1));
        const long long y = std::clamp(cy * Num / Den - boxH / 2, 0LL, std::max(0LL, vRange - 1));
        hb->SetPosition(static_cast<int>(x));
        vb->SetPosition(static_cast<int>(y));
        v.UpdateCaption();
        v.PaintBox1Paint();
    }
    UpdateMenuItems(this);
}

// ---- Tools and the view's events ---------------------------------------------------------

TSpeedItem* TDIBMainForm::ToolItemOf(TEditorTool Tool) const {
    const std::array<TSpeedItem*, 14> tools = {ZoomBtn, HandBtn,  SelectBtn, FreeSelBtn, MagicBtn,
                                               DropBtn, BrushBtn, CloneBtn,  ReplaceBtn, RetouchBtn,
                                               FillBtn, TxtBtn,   LineBtn,   ShapeBtn};
    return tools[static_cast<std::size_t>(Tool)];
}

TEditorTool TDIBMainForm::CurrentTool() const {
    for (int t = 0; t <= static_cast<int>(TEditorTool::Shape); ++t)
        if (ToolItemOf(static_cast<TEditorTool>(t))->Down()) return static_cast<TEditorTool>(t);
    return TEditorTool::Zoom;
}

void TDIBMainForm::ZoomBtnClick(TObject*) { RightSidePanel->ZoomBtnClick(CurrentTool()); }

void TDIBMainForm::MDIChild1PaintBox1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                                               int Y) {
    MDIChild1->PaintBox1MouseDown(Sender, Button, Shift & 0xFF, X, Y);
}

void TDIBMainForm::MDIChild1PaintBox1MouseMove(TObject* Sender, TShiftState Shift, int X, int Y) {
    MDIChild1->PaintBox1MouseMove(Sender, Shift & 0xFF, X, Y);
}

void TDIBMainForm::MDIChild1PaintBox1MouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
    MDIChild1->PaintBox1MouseUp(Sender, Button, Shift & 0xFF, X, Y);
}

void TDIBMainForm::MDIChild1PaintBox1Paint(TObject* Sender) { MDIChild1->PaintBox1Paint(Sender); }

void TDIBMainForm::MDIChild1ScrollBox1MouseMove(TObject* Sender, TShiftState Shift, int X, int Y) {
    MDIChild1->ScrollBox1MouseMove(Sender, Shift & 0xFF, X, Y);
}

void TDIBMainForm::MDIChild1Timer1Timer(TObject* Sender) { MDIChild1->Timer1Timer(Sender); }

// ---- Edit and selection commands ---------------------------------------------------------

void TDIBMainForm::Rckgngig1Click(TObject*) {
    MDIChild1->LoadFromUndo();
    UpdateAllColors();
}

void TDIBMainForm::CopyItemClick(TObject*) { Clipboard.Copy(*MDIChild1); }

void TDIBMainForm::CutItemClick(TObject*) { Clipboard.Cut(*MDIChild1); }

void TDIBMainForm::Lschen1Click(TObject*) { Clipboard.Delete(*MDIChild1); }

void TDIBMainForm::Zwischenablagelschen1Click(TObject*) {
    Clipboard.EmptyClipboard();
    UpdateMenuItems(this);
}

void TDIBMainForm::AlsBild1Click(TObject*) { Clipboard.PasteAsNewPicture(*MDIChild1); }

void TDIBMainForm::AlsAuswahl1Click(TObject*) { Clipboard.PasteAsSelection(*MDIChild1, false); }

void TDIBMainForm::AlstransparenteAuswahl1Click(TObject*) { Clipboard.PasteAsSelection(*MDIChild1, true); }

void TDIBMainForm::Allesauswhlen1Click(TObject*) { Clipboard.SelectAll(*MDIChild1); }

void TDIBMainForm::Nichtauswhlen1Click(TObject*) { Clipboard.SelectNone(*MDIChild1); }

void TDIBMainForm::Auswahlumkeheren1Click(TObject*) { Clipboard.InvertSelection(*MDIChild1); }

void TDIBMainForm::VomUntergrundlsen1Click(TObject*) {
    MDIChild1->MakeSelectionDragable();
    UpdateMenuItems(this);
}

void TDIBMainForm::MitUntergrundverschmelzen1Click(TObject*) {
    if (MDIChild1->DragActive) MDIChild1->FinishDraging();
    UpdateMenuItems(this);
}
