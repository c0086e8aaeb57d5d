#include "poster/PosterUnit.h"

#include "classlib/FileCtrl.h"
#include "classlib/Printers.h"
#include "kit/KitRegister.h"
#include "poster/About.h"
#include "poster/Filters.h"
#include "poster/Pixwerk.h"
#include "poster/PassPictures.h"
#include "poster/PosterPreview.h"
#include "poster/ProgramFolder.h"

#include "platform/shellexec.h"
#include "platform/winpaint.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>
#include <cstdlib>
#include <ctime>

TMainForm* MainForm = nullptr;

namespace {

const char* const PictureFilter =
    "All pictures|*.BMP;*.DIB;*.GIF;*.IFF;*.JIF;*.JPG;*.JPEG;*.JPE;*.JFIF;*.LBM;*.PCX;*.RLE;*.TGA;*.TIF;*.TIFF;*.PNG;"
    "*.EMF|BMP - Windows, OS/2 Bitmap|*.BMP|DIB - Windows, OS/2 DIB|*.DIB|GIF - CompuServe Graphics "
    "Interchange|*.GIF|IFF - Amiga|*.IFF|JIF - JPEG - JFIF Compilant|*.JIF|JPG - JPEG - JFIF "
    "Compilant|*.JPG;*.JPEG;*.JPE;*.JFIF|LBM - Deluxe Paint|*.LBM|PCX - ZSoft Paintbrush|*.PCX|RLE - Windows "
    "RLE|*.RLE|TGA - Truevision Targa|*.TGA|TIF - Tagged image file Format|*.TIF;*.TIFF|PNG - Portable Graphics "
    "Network|*.PNG|EMF - Windows Enhanced Metafile|*.EMF|All files (*.*)|*.*";

int rounded(double v) { return static_cast<int>(std::nearbyint(v)); }

TDib makeDib(int width, int height, int bits) {
    TDib dib{};
    newdib(&dib, width, height, bits, nullptr, 0);
    return dib;
}

}  // namespace

void RegisterPosterClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    Q_INIT_RESOURCE(layouts);
    Q_INIT_RESOURCE(images);
    RegisterKitClasses();
    RegisterShellClasses();
}

TMainForm::TMainForm(TComponent* AOwner) : TForm(AOwner) {
    RegisterPosterClasses();
    PublishFields();
    FLayout.reset(new poster::PosterLayout(static_cast<poster::LayoutControls&>(*this)));
    ReadLayout(this, "PosterUnit");
    SetUpPictureButtons();
    SetUpFlowPanels();
}

TMainForm::~TMainForm() = default;

void TMainForm::PublishFields() {
#define PUBLISH(name) PublishField(#name, name)
    PUBLISH(MenuPanel); PUBLISH(DateiButton); PUBLISH(EffekteButton); PUBLISH(RetuscheButton); PUBLISH(SpeedButton4);
    PUBLISH(EndeBtn); PUBLISH(EndeBtnDown); PUBLISH(HilfeBtn); PUBLISH(HilfeBtn2); PUBLISH(ueberbtn);
    PUBLISH(ueberBtn2); PUBLISH(SetupBtn); PUBLISH(SetupBtnDown); PUBLISH(SetupBtn_); PUBLISH(SetupBtn_Down);
    PUBLISH(GoBtn1); PUBLISH(GoBtn1Down); PUBLISH(wwwBtn0); PUBLISH(DateiPopup); PUBLISH(EffektPopup);
    PUBLISH(RetuschePopup); PUBLISH(PicturePages); PUBLISH(NavShellTree1Panel); PUBLISH(NavShellList1Panel);
    PUBLISH(NavShellTree1); PUBLISH(NavShellList1); PUBLISH(NavShellLink1); PUBLISH(ShellNamespace1);
    PUBLISH(NavSystemImageList1);
    PUBLISH(FilterComboBox1); PUBLISH(PrefListBox); PUBLISH(DibPrevPaint); PUBLISH(Breit); PUBLISH(Hoch);
    PUBLISH(Tief); PUBLISH(ScanPaintBox); PUBLISH(ScanBtn); PUBLISH(ScanBtnDown); PUBLISH(TSetupBtn);
    PUBLISH(TsetupBtnDown); PUBLISH(BreitEd); PUBLISH(HochEd); PUBLISH(BreitmmED); PUBLISH(HochmmED);
    PUBLISH(IncEd); PUBLISH(MilliCheck3); PUBLISH(Milli2Check); PUBLISH(Edit6); PUBLISH(Edit7); PUBLISH(Edit8);
    PUBLISH(Edit9); PUBLISH(Edit10); PUBLISH(MMBar); PUBLISH(DoppeltCheck); PUBLISH(SchnittCheck);
    PUBLISH(KlebeCheck); PUBLISH(NoRandLinesCheck); PUBLISH(ZentrCheck); PUBLISH(UseAllCheck);
    PUBLISH(NotVerzCheck); PUBLISH(CutHintsCheck); PUBLISH(KlrandCheck); PUBLISH(KlPrintCheck);
    PUBLISH(NoKlRCheck); PUBLISH(KrShowCheck); PUBLISH(KitLabel25); PUBLISH(KrandxlEd); PUBLISH(KrandylEd);
    PUBLISH(Edit1); PUBLISH(Edit2); PUBLISH(RadioButton3); PUBLISH(RadioButton4); PUBLISH(ZeilenWeiseCheck);
    PUBLISH(SpaltenWeiseCheck); PUBLISH(RenderOwnCheck); PUBLISH(SpeedButton1); PUBLISH(SpeedButton2);
    PUBLISH(SpeedButton3); PUBLISH(ViewPages); PUBLISH(PrevScrollBox); PUBLISH(VorschauBox); PUBLISH(ZoomEd);
    PUBLISH(PageBtn0); PUBLISH(ZoomBtn0); PUBLISH(HochQuerBtn); PUBLISH(PrintScrollBox); PUBLISH(PrintPaintBox);
    PUBLISH(OverScroll); PUBLISH(OverPaint); PUBLISH(WertungMemo); PUBLISH(MoreQualityBtn);
    PUBLISH(PageScrollBox); PUBLISH(PagePaintBox); PUBLISH(thepageed); PUBLISH(QualiED); PUBLISH(PicSaveBtn);
    PUBLISH(PassScrollBox); PUBLISH(PassPaintBox); PUBLISH(Zoom3ED); PUBLISH(Breit3ED); PUBLISH(SpaceED);
    PUBLISH(Rand3ED); PUBLISH(MilliCheck); PUBLISH(GroesseLabel); PUBLISH(GoBtn2); PUBLISH(GoBtn2Down);
    PUBLISH(RetuschScrollBox); PUBLISH(RetuschPaint); PUBLISH(ZoomEd2); PUBLISH(SchnittBtn); PUBLISH(SaveBtn); PUBLISH(FTiefeBtn); PUBLISH(SizeBtn);
    PUBLISH(SaveDialog1); PUBLISH(SaveDialog2); PUBLISH(StatusBar1);
#undef PUBLISH
}

// ---- Start -------------------------------------------------------------------------------

void TMainForm::FormCreate(TObject*) {
    // 1. Program folder and help file.
    ProgramFolder = ::ProgramFolder();
    Application->HelpFile = ProgramFolder + Application->HelpFile;
    // 2. Random generator, page mask, pages.
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    PageMask.clear();
    // 3. The file list's filter.
    FilterComboBox1->SetFilter(PictureFilter);
    FilterComboBox1Change(FilterComboBox1);
    // 4. The blank white picture.
    Dib.reset(makeDib(320, 200, 24));
    if (Dib) {
        const TDib& d = Dib.get();
        std::memset(d.Bits, 255, d.Info->bmiHeader.biSizeImage);
    } else {
        Application->MessageBox(OutOfMemoryText, "Error", MB_OK | MB_ICONERROR);
    }
    Section = RECT{0, 0, DibWidth(Dib.get()) - 1, DibHeight(Dib.get()) - 1};
    // 5. Paper texts, options and the layout, led by the width edit.
    FReady = true;
    UpdatePaperFormat();
    UpdateOptions(this);
    by_anpassen();
    // 6. The effect menu.
    for (int i = 0; i < PosterEffectCount; ++i) {
        auto* item = new TMenuItem(this);
        item->SetCaption(PosterEffect(i).Caption);
        item->SetTag(i);
        item->OnClick = TNotifyEvent(this, &TMainForm::EffektClick);
        EffektPopup->Items()->Add(item);
    }
    // 7. Views.
    FormSizeChanged();
    // 8. The folder the file list shows.
    SetSelectedFolder(ProgramFolder);
    // 9. The bitmap metafiles are rendered into.
    RenderBitmap = std::make_unique<TBitmap>();
    RenderBitmap->SetPixelFormat(pf24bit);
    // 10. The start picture.
    StartUp = true;
    openfilenow(StartPictureName);
    StartUp = false;
    // 11. Preferred folders.
    FPrefFolders = ReadFolderList(ProgramFileForReading(FoldersFileName));
    PrefListBox->Items()->Clear();
    for (const String& folder : FPrefFolders) PrefListBox->Items()->Add(folder);
    // 12. Defaults, then the saved options.
    ReadinOptions(Defaults);
    if (const auto saved = ReadOptionsFile(ProgramFileForReading(OptionsFileName))) WriteOutOptions(*saved);
    // 13. The page preview at the screen's resolution.
    QualiED->SetValue(ScreenDpi(LOGPIXELSX));
    PlaceOnScreen();
}

void TMainForm::PlaceOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    // The window manager's frame is added once the window is shown: leave room for it. A
    // frame of the window's own drawing (the gradient caption's) lies inside its bounds.
    const bool ownFrame = HandleAllocated() && platform::ownFrame(Handle());
    const int frameWidth = ownFrame ? 0 : 2 * GetSystemMetrics(SM_CXFRAME);
    const int frameHeight = ownFrame ? 0 : GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME);
    const int w = std::max(1, std::min(Width(), area.width() - frameWidth));
    const int h = std::max(1, std::min(Height(), area.height() - frameHeight));
    SetPosition(poDesigned);
    SetBounds(area.x() + (area.width() - w - frameWidth) / 2, area.y() + (area.height() - h - frameHeight) / 2, w, h);
}

void TMainForm::FormDestroy(TObject*) {
    RenderBitmap.reset();
    Dib.reset();
}

void TMainForm::FormCloseQuery(TObject*, bool& CanClose) {
    CanClose = Application->MessageBox("You are leaving Tessellon now...", "Quit program",
                                       MB_OKCANCEL | MB_ICONINFORMATION) == IDOK;
}

void TMainForm::FormClose(TObject*, TCloseAction&) { Application->Terminate(); }

void TMainForm::QuitBtnClick(TObject*) { Close(); }

// ---- Folders -----------------------------------------------------------------------------

String TMainForm::SelectedFolder() const {
    // The list's own folder: a list that followed a link, or went where the tree cannot
    // follow, opens the files it shows.
    WideString folder = NavShellList1 ? NavShellList1->Path() : WideString();
    if (folder.empty() && NavShellTree1) folder = NavShellTree1->SelectedFolder();
    return folder.empty() ? String() : IncludeTrailingPathDelimiter(WideToAnsi(folder));
}

void TMainForm::SetSelectedFolder(const String& Folder) {
    const String folder = ExcludeTrailingPathDelimiter(Folder.empty() ? Folder : ExpandFileName(Folder));
    if (folder.empty() || !DirectoryExists(folder)) {
        EOSError e("Folder not found: " + folder);
        e.ErrorCode = ERROR_PATH_NOT_FOUND;
        throw e;
    }
    // The tree selects the folder and the link takes the list there.
    NavShellTree1->SetSelectedFolder(AnsiToWide(folder));
    if (!SamePathNoCase(NavShellList1->Path(), AnsiToWide(folder))) NavShellList1->SetPath(AnsiToWide(folder));
}

void TMainForm::AddToPrefFolders(const String& Folder) {
    AddFolderToList(FPrefFolders, Folder);
    PrefListBox->Items()->Clear();
    for (const String& folder : FPrefFolders) PrefListBox->Items()->Add(folder);
    WriteFolderList(ProgramFileForWriting(FoldersFileName), FPrefFolders);
}

void TMainForm::PrefListBoxDblClick(TObject*) {
    const int i = PrefListBox->ItemIndex();
    if (i < 0 || i >= PrefListBox->Items()->Count()) return;
    SetSelectedFolder(PrefListBox->Items()->Strings(i));
    // The lists are on another page: show them.
    if (auto* sheet = dynamic_cast<TTabSheet*>(NavShellTree1Panel->Parent())) PicturePages->SetActivePage(sheet);
}

void TMainForm::PrefListBoxKeyPress(TObject* Sender, char& Key) {
    if (Key == '\r') {
        Key = 0;
        PrefListBoxDblClick(Sender);
    }
}

// ---- Picture input -----------------------------------------------------------------------

void TMainForm::openfilenow(const String& Name) { openfilenow(SelectedFolder(), Name); }

void TMainForm::openfilenow(const String& Folder, const String& Name) {
    // Never a name without its folder: that would be a file in the working folder.
    if (Folder.empty()) {
        ShowLoadError(Name, String());
        return;
    }
    const String folder = IncludeTrailingPathDelimiter(Folder);
    if (UpperCase(ExtractFileExt(Name)) == ".EMF") {
        OpenMetafile(folder, Name);
        return;
    }
    TDib dib{};
    OpenDib(&dib, (folder + Name).c_str(), StartUp ? PW_JIF : PW_BY_EXTENSION, Handle());
    if (!dib.Bits) {
        ShowLoadError(Name, DibErrorText(dib));
        return;
    }
    InstallDib(dib, folder);
}

void TMainForm::NavShellList1DblClick(TObject*) {
    auto* item = static_cast<TNavShellListItem*>(NavShellList1->Selected());
    if (!item) return;
    if (item->ParentItem) {
        NavShellList1->ExecuteVerb("default");
        return;
    }
    // The list's own shell-namespace object names the folder and the file.
    TShellNamespace* browser = NavShellList1->Browser();
    browser->SetObjectPidl(item->List.get());
    if (browser->IsFolder()) {
        NavShellList1->ExecuteVerb("default");
        return;
    }
    openfilenow(WideToAnsi(browser->Folder()), WideToAnsi(browser->ObjectName()));
}

void TMainForm::NavShellList1KeyPress(TObject* Sender, char& Key) {
    if (Key == '\r' && !NavShellList1->IsEditing()) {
        Key = 0;  // consumed: the list runs no verb of its own
        NavShellList1DblClick(Sender);
    }
}

void TMainForm::FilterComboBox1Change(TObject*) { NavShellList1->SetFilter(AnsiToWide(FilterComboBox1->Mask())); }

void TMainForm::InstallDib(TDib NewDib, const String& Folder) {
    Dib.reset(NewDib);
    const TDib& d = Dib.get();
    Breit->SetCaption(IntToStr(DibWidth(d)) + " Pixel");
    Hoch->SetCaption(IntToStr(DibHeight(d)) + " Pixel");
    Tief->SetCaption(IntToStr(PowerOfTwo(DibBitCount(d))));
    Section = RECT{0, 0, DibWidth(d), DibHeight(d)};
    by_anpassen();
    SizeViews();
    if (!StartUp) AddToPrefFolders(Folder);
}

// ---- Options -----------------------------------------------------------------------------

void TMainForm::UpdateOptions(TObject*) {
    // Checking KlebeCheck below runs this handler once more; that nested run ends here.
    if (FUpdateOptionsDepth > 1) return;
    ++FUpdateOptionsDepth;
    ++UpdateOptionsRuns;
    Doppelt = DoppeltCheck->Checked();
    Schnitt = SchnittCheck->Checked();
    Klebe = KlebeCheck->Checked();
    NoRandLines = NoRandLinesCheck->Checked();
    Zentr = ZentrCheck->Checked();
    UseAll = UseAllCheck->Checked();
    NotVerz = NotVerzCheck->Checked();
    CutHints = CutHintsCheck->Checked();
    Klrand = KlrandCheck->Checked();
    KlPrint = KlPrintCheck->Checked();
    NoKlR = NoKlRCheck->Checked();
    KrShow = KrShowCheck->Checked();
    if (KlPrint) {
        KlebeCheck->SetChecked(true);
        Klebe = true;
    }
    for (TControl* c : std::initializer_list<TControl*>{KlPrintCheck, NoKlRCheck, KrandxlEd, KrandylEd, Edit1,
                                                        Edit2, CutHintsCheck})
        c->SetEnabled(Klrand);
    KlebeCheck->SetEnabled(true);
    by_anpassen();
    IncEd->SetEnabled(!UseAll);
    setPageIncrement(UseAll ? 1.0 : static_cast<double>(IncEd->Value()));
    --FUpdateOptionsDepth;
}

void TMainForm::ReadinOptions(TOptionsRec& Rec) const {
    Rec.Doppelt = DoppeltCheck->Checked();
    Rec.Schnitt = SchnittCheck->Checked();
    Rec.Klebe = KlebeCheck->Checked();
    Rec.NoRandLines = NoRandLinesCheck->Checked();
    Rec.Zentr = ZentrCheck->Checked();
    Rec.UseAll = UseAllCheck->Checked();
    Rec.NotVerz = NotVerzCheck->Checked();
    Rec.NotPrintOff = RadioButton4->Checked();
    Rec.PrintAll = RadioButton3->Checked();
    Rec.SpaltenWeise = SpaltenWeiseCheck->Checked();
    Rec.ZeilenWeise = ZeilenWeiseCheck->Checked();
    Rec.CutHints = CutHintsCheck->Checked();
    Rec.Klrand = KlrandCheck->Checked();
    Rec.KlPrint = KlPrintCheck->Checked();
    Rec.NoKlR = NoKlRCheck->Checked();
    Rec.Krandxl = static_cast<double>(KrandxlEd->Value());
    Rec.Krandyl = static_cast<double>(KrandylEd->Value());
}

void TMainForm::WriteOutOptions(const TOptionsRec& Rec) {
    DoppeltCheck->SetChecked(Rec.Doppelt);
    SchnittCheck->SetChecked(Rec.Schnitt);
    KlebeCheck->SetChecked(Rec.Klebe);
    NoRandLinesCheck->SetChecked(Rec.NoRandLines);
    ZentrCheck->SetChecked(Rec.Zentr);
    UseAllCheck->SetChecked(Rec.UseAll);
    NotVerzCheck->SetChecked(Rec.NotVerz);
    RadioButton4->SetChecked(Rec.NotPrintOff);
    RadioButton3->SetChecked(Rec.PrintAll);
    SpaltenWeiseCheck->SetChecked(Rec.SpaltenWeise);
    ZeilenWeiseCheck->SetChecked(Rec.ZeilenWeise);
    CutHintsCheck->SetChecked(Rec.CutHints);
    KlrandCheck->SetChecked(Rec.Klrand);
    KlPrintCheck->SetChecked(Rec.KlPrint);
    NoKlRCheck->SetChecked(Rec.NoKlR);
    // A percentage outside its edit's range (a damaged file) keeps the current value.
    for (auto [edit, value] : {std::pair{KrandxlEd, Rec.Krandxl}, std::pair{KrandylEd, Rec.Krandyl}})
        if (value >= static_cast<double>(edit->MinValue()) && value <= static_cast<double>(edit->MaxValue()))
            edit->SetValue(value);
    UpdateOptions(this);
}

void TMainForm::SpeedButton1Click(TObject*) {
    TOptionsRec rec;
    ReadinOptions(rec);
    if (WriteOptionsFile(ProgramFileForWriting(OptionsFileName), rec))
        Application->MessageBox("All options were saved to the file...", "OK", MB_OK | MB_ICONINFORMATION);
    else
        Application->MessageBox("Could not create file options.dat!", "", MB_OK | MB_ICONERROR);
}

void TMainForm::SpeedButton2Click(TObject*) {
    const auto rec = ReadOptionsFile(ProgramFileForReading(OptionsFileName));
    if (!rec) {
        Application->MessageBox("You have to save the options first! Could not open file options.dat.", "",
                                MB_OK | MB_ICONERROR);
        return;
    }
    WriteOutOptions(*rec);
    Application->MessageBox("All options were loaded from the file...", "OK", MB_OK | MB_ICONINFORMATION);
}

void TMainForm::SpeedButton3Click(TObject*) {
    WriteOutOptions(Defaults);
    Application->MessageBox("All options were setted to the default values.", "OK", MB_OK | MB_ICONINFORMATION);
}

void TMainForm::KitLabel25Click(TObject*) { KrShowCheck->SetChecked(!KrShowCheck->Checked()); }

void TMainForm::MilliCheckClick(TObject* Sender) { BreitEdChange(Sender); }
void TMainForm::Milli2CheckClick(TObject*) { UpdatePaperFormat(); }
void TMainForm::KrandxlEd1Change(TObject*) { UpdatePaperFormat(); }
void TMainForm::NotTheXedCheckClick(TObject*) {}

// ---- Layout ------------------------------------------------------------------------------

void TMainForm::UpdatePaperFormat() {
    if (FReady) FLayout->UpdatePaperFormat();
}

void TMainForm::by_anpassen() {
    if (!FReady) return;
    FLayout->by_anpassen();
    SizeViews();
}

void TMainForm::BreitEdChange(TObject*) {
    if (!FReady) return;
    FLayout->BreitEdChange();
    SizeViews();
}
void TMainForm::HochEdChange(TObject*) {
    if (!FReady) return;
    FLayout->HochEdChange();
    SizeViews();
}
void TMainForm::BreitmmEDChange(TObject*) {
    if (!FReady) return;
    FLayout->BreitmmEDChange();
    SizeViews();
}
void TMainForm::HochmmEDChange(TObject*) {
    if (!FReady) return;
    FLayout->HochmmEDChange();
    SizeViews();
}
void TMainForm::IncEdChange(TObject*) {
    if (FReady) FLayout->IncEdChange();
}

void TMainForm::ZoomEdChange(TObject*) {
    if (!FReady) return;
    const double z = static_cast<double>(ZoomEd->Value());
    VorschauBox->SetBounds(0, 0, rounded(PrevScrollBox->ClientWidth() * z), rounded(PrevScrollBox->ClientHeight() * z));
    VorschauBox->Invalidate();
}

TKitSpinEdit* TMainForm::EditOf(poster::LayoutEdit edit) const {
    switch (edit) {
    case poster::LayoutEdit::PagesAcross: return BreitEd;
    case poster::LayoutEdit::PagesDown: return HochEd;
    case poster::LayoutEdit::WidthMm: return BreitmmED;
    case poster::LayoutEdit::HeightMm: return HochmmED;
    case poster::LayoutEdit::GlueX: return KrandxlEd;
    case poster::LayoutEdit::GlueY: return KrandylEd;
    case poster::LayoutEdit::Increment: return IncEd;
    }
    return BreitEd;
}

double TMainForm::value(poster::LayoutEdit edit) const { return static_cast<double>(EditOf(edit)->Value()); }
void TMainForm::setValue(poster::LayoutEdit edit, double v) { EditOf(edit)->SetValue(v); }
poster::EditRange TMainForm::range(poster::LayoutEdit edit) const {
    const TKitSpinEdit* e = EditOf(edit);
    return poster::EditRange{static_cast<double>(e->MinValue()), static_cast<double>(e->MaxValue())};
}
void TMainForm::setPageIncrement(double increment) {
    BreitEd->SetIncrement(increment);
    HochEd->SetIncrement(increment);
}
bool TMainForm::checked(poster::LayoutCheck check) const {
    switch (check) {
    case poster::LayoutCheck::MillimetresPoster: return MilliCheck3->Checked();
    case poster::LayoutCheck::MillimetresPaper: return Milli2Check->Checked();
    case poster::LayoutCheck::UseAll: return UseAllCheck->Checked();
    case poster::LayoutCheck::NotDistort: return NotVerzCheck->Checked();
    case poster::LayoutCheck::EdgeForGlue: return KlrandCheck->Checked();
    case poster::LayoutCheck::NoGlueAtEdge: return NoKlRCheck->Checked();
    }
    return false;
}
void TMainForm::setText(poster::LayoutText text, const std::string& v) {
    switch (text) {
    case poster::LayoutText::Paper: Edit6->SetText(v); break;
    case poster::LayoutText::TopMargin: Edit7->SetText(v); break;
    case poster::LayoutText::LeftMargin: Edit8->SetText(v); break;
    case poster::LayoutText::RightMargin: Edit9->SetText(v); break;
    case poster::LayoutText::BottomMargin: Edit10->SetText(v); break;
    case poster::LayoutText::GlueWidth: Edit1->SetText(v); break;
    case poster::LayoutText::GlueHeight: Edit2->SetText(v); break;
    case poster::LayoutText::SizeBar: MMBar->SetSimpleText(v); break;
    }
}
int TMainForm::pictureWidth() const { return DibWidth(Dib.get()); }
int TMainForm::pictureHeight() const { return DibHeight(Dib.get()); }
poster::PrinterCaps TMainForm::printer() const { return poster::printerCaps(Printer()->Handle()); }
void TMainForm::repaintGrid() { VorschauBox->Invalidate(); }

int TMainForm::ScreenDpi(int Index) {
    HDC dc = GetDC(Handle());
    int dpi = GetDeviceCaps(dc, Index);
    ReleaseDC(Handle(), dc);
    return dpi > 0 ? dpi : 96;
}

poster::PosterSetup TMainForm::Setup() const {
    poster::PosterSetup s;
    s.dib = Dib.get();
    poster::applyLayout(s, *FLayout);
    s.options.doubled = Doppelt;
    s.options.cutLines = Schnitt;
    s.options.glueLines = Klebe;
    s.options.noEdgeLines = NoRandLines;
    s.options.center = Zentr;
    s.options.edgeForGlue = Klrand;
    s.options.printOnGlue = KlPrint;
    s.options.noGlueAtEdge = NoKlR;
    s.options.cutHints = CutHints;
    s.options.showGlue = KrShow;
    s.mask = &PageMask;
    s.printAll = RadioButton3->Checked();
    s.rowsOuter = ZeilenWeiseCheck->Checked();
    s.renderOwn = RenderOwnCheck->Checked();
    s.printer = printer();
    return s;
}

// ---- Views -------------------------------------------------------------------------------

void TMainForm::SetUpFlowPanels() {
    const auto control = [this](const char* name) {
        auto* c = dynamic_cast<TControl*>(FindComponent(name));
        if (!c) throw Exception(String("The poster window's layout has no ") + name);
        return c;
    };
    const auto add = [&](const char* panel, std::initializer_list<std::initializer_list<const char*>> groups) {
        TFlowPanel f;
        f.Panel = dynamic_cast<TWinControl*>(control(panel));
        if (!f.Panel) throw Exception(String("The poster window's ") + panel + " holds no controls");
        int bottom = 0;
        f.Left = f.Top = 1 << 20;
        for (const auto& names : groups) {
            std::vector<TControl*> g;
            RECT box{1 << 20, 1 << 20, -(1 << 20), -(1 << 20)};
            for (const char* n : names) {
                TControl* c = control(n);
                g.push_back(c);
                box.left = std::min<LONG>(box.left, c->Left());
                box.top = std::min<LONG>(box.top, c->Top());
                box.right = std::max<LONG>(box.right, c->Left() + c->Width());
                box.bottom = std::max<LONG>(box.bottom, c->Top() + c->Height());
            }
            std::vector<POINT> offsets;
            for (TControl* c : g) offsets.push_back(POINT{c->Left() - box.left, c->Top() - box.top});
            f.Groups.push_back(std::move(g));
            f.Offsets.push_back(std::move(offsets));
            f.Sizes.push_back(SIZE{box.right - box.left, box.bottom - box.top});
            f.Left = std::min<int>(f.Left, box.left);
            f.Top = std::min<int>(f.Top, box.top);
            bottom = std::max<int>(bottom, box.bottom);
        }
        f.Bottom = std::max(0, f.Panel->Height() - bottom);
        FFlowPanels.push_back(std::move(f));
    };
    add("PrintGroup", {{"PagesGroup"}, {"OrderGroup"}, {"GoBtn1", "GoBtn1Down", "RenderOwnCheck"}});
    add("GridToolPanel", {{"PageBtn0"}, {"ZoomBtn0"}, {"ZoomLabel", "ZoomEd"}});
    add("PageToolPanel", {{"PageLabel", "thepageed"}, {"QualiLabel", "QualiED"}, {"PicSaveBtn"}});
    add("PassToolPanel", {{"Breit3Label", "Breit3ED"},
                          {"SpaceLabel", "SpaceED"},
                          {"Rand3Label", "Rand3ED"},
                          {"MilliCheck"},
                          {"Zoom3Label", "Zoom3ED"},
                          {"GroesseLabel"},
                          {"GoBtn2", "GoBtn2Down"}});
    add("RetouchToolPanel", {{"Zoom2Label", "ZoomEd2"}, {"SchnittBtn"}, {"SaveBtn"}, {"FTiefeBtn"}, {"SizeBtn"}});
}

void TMainForm::Flow(TFlowPanel& f) {
    const int gap = 8;
    const int width = f.Panel->ClientWidth();
    int x = f.Left, y = f.Top, rowHeight = 0;
    for (std::size_t i = 0; i < f.Groups.size(); ++i) {
        const SIZE s = f.Sizes[i];
        if (x > f.Left && x + s.cx > width - f.Left) {
            x = f.Left;
            y += rowHeight + 4;
            rowHeight = 0;
        }
        for (std::size_t j = 0; j < f.Groups[i].size(); ++j) {
            TControl* c = f.Groups[i][j];
            const POINT o = f.Offsets[i][j];
            if (c->Left() != x + o.x || c->Top() != y + o.y) c->SetBounds(x + o.x, y + o.y, c->Width(), c->Height());
        }
        x += s.cx + gap;
        rowHeight = std::max<int>(rowHeight, s.cy);
    }
    const int height = y + rowHeight + f.Bottom;
    if (f.Panel->Height() != height) f.Panel->SetHeight(height);
}

void TMainForm::ArrangePanes() {
    // The print group first: it takes the work area's bottom.
    Flow(FFlowPanels.front());
    // The settings pane keeps its width, with room for its bar when it scrolls, but leaves
    // the views a useful part.
    auto* scroll = dynamic_cast<TScrollBox*>(FindComponent("SettingsScroll"));
    auto* settings = dynamic_cast<TControl*>(FindComponent("SettingsPanel"));
    auto* work = dynamic_cast<TWinControl*>(FindComponent("WorkPanel"));
    if (scroll && settings && work) {
        const int bar = settings->Height() > scroll->Height() ? GetSystemMetrics(SM_CXVSCROLL) : 0;
        const int width = std::max(200, std::min(settings->Width() + bar, work->ClientWidth() - 280));
        if (scroll->Width() != width) scroll->SetWidth(width);
    }
    // The overview takes a third of the 1:1 view's page, 100 to 220 pixels.
    if (auto* over = dynamic_cast<TControl*>(FindComponent("OverPanel")))
        if (TWinControl* sheet = over->Parent()) {
            const int width = std::clamp(sheet->ClientWidth() / 3, 100, 220);
            if (over->Width() != width) over->SetWidth(width);
        }
    for (std::size_t i = 1; i < FFlowPanels.size(); ++i) Flow(FFlowPanels[i]);
}

void TMainForm::FormSizeChanged() {
    ArrangePanes();
    const auto fit = [](TControl* box, TScrollBox* scroll, TKitSpinEdit* zoom) {
        const double z = static_cast<double>(zoom->Value());
        box->SetBounds(0, 0, rounded(scroll->ClientWidth() * z), rounded(scroll->ClientHeight() * z));
    };
    fit(PassPaintBox, PassScrollBox, Zoom3ED);
    fit(VorschauBox, PrevScrollBox, ZoomEd);
    fit(RetuschPaint, RetuschScrollBox, ZoomEd2);
    SizeViews();
}

void TMainForm::FormResize(TObject*) {
    if (!FReady) return;
    FormSizeChanged();
}

void TMainForm::ZoomEd2Change(TObject*) {
    if (!FReady) return;
    const double z = static_cast<double>(ZoomEd2->Value());
    RetuschPaint->SetWidth(rounded(RetuschScrollBox->ClientWidth() * z));
    RetuschPaint->SetHeight(rounded(RetuschScrollBox->ClientHeight() * z));
    RetuschPaint->Invalidate();
}

void TMainForm::ZoomEd3Change(TObject*) {
    if (!FReady) return;
    const double z = static_cast<double>(Zoom3ED->Value());
    PassPaintBox->SetBounds(0, 0, rounded(PassScrollBox->ClientWidth() * z), rounded(PassScrollBox->ClientHeight() * z));
    PassPaintBox->Invalidate();
}

// ---- Pass pictures -----------------------------------------------------------------------

void TMainForm::PassPaintBoxPaint(TObject*) {
    if (!FReady) return;
    const poster::PrinterCaps page = printer();
    const poster::PassValues v{static_cast<double>(Breit3ED->Value()), static_cast<double>(SpaceED->Value()),
                               static_cast<double>(Rand3ED->Value())};
    GroesseLabel->SetCaption(
        poster::PassSizeText(page, pictureWidth(), pictureHeight(), v.width, MilliCheck->Checked()));
    PassCount = poster::PaintPassPreview(PassPaintBox->Canvas()->Handle(), Dib.get(), page, v, PassPaintBox->Width(),
                                         PassPaintBox->Height(),
                                         PassScrollBox->ClientHeight() * static_cast<double>(Zoom3ED->Value()));
}

void TMainForm::Breit3EDChange(TObject*) { PassPaintBox->Invalidate(); }

void TMainForm::PassDruckClick(TObject*) {
    SetProSatus(0);
    auto target = poster::printerTarget(Printer()->PlatformPrinter());
    const poster::PassValues v{static_cast<double>(Breit3ED->Value()), static_cast<double>(SpaceED->Value()),
                               static_cast<double>(Rand3ED->Value())};
    poster::PrintPassPictures(*target, Dib.get(), v, PassCount, [this](int p) { SetProSatus(p); });
    SetProSatus(0);
}

void TMainForm::RepaintViews() {
    for (TControl* c : std::initializer_list<TControl*>{DibPrevPaint, RetuschPaint, ScanPaintBox, VorschauBox,
                                                        PrintPaintBox, OverPaint, PagePaintBox, PassPaintBox})
        c->Invalidate();
}

void TMainForm::DibPrevPaintPaint(TObject*) {
    poster::PaintFitted(DibPrevPaint->Canvas()->Handle(), DibPrevPaint->Width(), DibPrevPaint->Height(), Dib.get());
}

void TMainForm::ScanPaintBoxPaint(TObject*) {
    poster::PaintFitted(ScanPaintBox->Canvas()->Handle(), ScanPaintBox->Width(), ScanPaintBox->Height(), Dib.get());
}

void TMainForm::RetuschPaintPaint(TObject*) {
    FRetouchScale = poster::PaintRetouch(RetuschPaint->Canvas()->Handle(), RetuschPaint->Width(),
                                         RetuschPaint->Height(), Dib.get(), Section);
    if (!FMarking) SectionToMark();
}

void TMainForm::VorschauBoxPaint(TObject*) {
    if (!FReady) return;
    const poster::PosterSetup s = Setup();
    const auto grid = poster::gridGeometry(s, VorschauBox->Width(), VorschauBox->Height(),
                                           PrevScrollBox->ClientHeight() * static_cast<double>(ZoomEd->Value()));
    if (!grid.empty()) poster::PaintGrid(VorschauBox->Canvas()->Handle(), s, grid);
}

void TMainForm::VorschauBoxMouseDown(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
    const poster::PosterSetup s = Setup();
    const auto grid = poster::gridGeometry(s, VorschauBox->Width(), VorschauBox->Height(),
                                           PrevScrollBox->ClientHeight() * static_cast<double>(ZoomEd->Value()));
    double zoom = static_cast<double>(ZoomEd->Value());
    const auto mode = ZoomBtn0->Down() ? poster::GridMode::Zoom : poster::GridMode::Pages;
    if (!poster::ClickGrid(grid, PageMask, mode, Button == mbLeft, X, Y, zoom)) return;
    if (mode == poster::GridMode::Zoom)
        ZoomEd->SetValue(zoom);
    else
        VorschauBox->Invalidate();
}

poster::ScrollView TMainForm::OneToOneView() const {
    poster::ScrollView v;
    v.posX = PrintScrollBox->HorzScrollBar()->Position();
    v.posY = PrintScrollBox->VertScrollBar()->Position();
    v.clientWidth = PrintScrollBox->ClientWidth();
    v.clientHeight = PrintScrollBox->ClientHeight();
    v.fullWidth = std::max(1, PrintPaintBox->Width());
    v.fullHeight = std::max(1, PrintPaintBox->Height());
    return v;
}

void TMainForm::SizeViews() {
    if (!FReady) return;
    const poster::PosterSetup s = Setup();
    const SIZE one = poster::oneToOneSize(s, ScreenDpi(LOGPIXELSX), ScreenDpi(LOGPIXELSY));
    if (PrintPaintBox->Width() != one.cx || PrintPaintBox->Height() != one.cy)
        PrintPaintBox->SetBounds(PrintPaintBox->Left(), PrintPaintBox->Top(), one.cx, one.cy);
    const SIZE fit = poster::FitSize(OverScroll->Width(), OverScroll->Height(),
                                     std::max(1, pictureWidth()), std::max(1, pictureHeight()));
    if (OverPaint->Width() != fit.cx || OverPaint->Height() != fit.cy)
        OverPaint->SetBounds(OverPaint->Left(), OverPaint->Top(), fit.cx, fit.cy);
    const SIZE page = poster::pagePreviewSize(s, static_cast<double>(QualiED->Value()));
    if (PagePaintBox->Width() != page.cx || PagePaintBox->Height() != page.cy)
        PagePaintBox->SetBounds(PagePaintBox->Left(), PagePaintBox->Top(), page.cx, page.cy);
    const String quality = poster::QualityText(s);
    if (WertungMemo->Text() != quality) WertungMemo->SetText(quality);
    RepaintViews();
}

void TMainForm::PrintPaintBoxPaint(TObject*) {
    if (!FReady) return;
    poster::PaintOneToOne(PrintPaintBox->Canvas()->Handle(), PrintPaintBox->Width(), PrintPaintBox->Height(),
                          Dib.get());
    // The view is painted after every scroll: the overview's marker follows.
    OverPaint->Invalidate();
}

void TMainForm::OverPaintPaint(TObject*) {
    poster::PaintOverview(OverPaint->Canvas()->Handle(), OverPaint->Width(), OverPaint->Height(), Dib.get(),
                          OneToOneView());
}

void TMainForm::OverPaintMouseDown(TObject*, TMouseButton, TShiftState, int X, int Y) {
    const POINT p =
        poster::OverviewScroll(OverPaint->Width(), OverPaint->Height(), Dib.get(), OneToOneView(), X, Y);
    PrintScrollBox->HorzScrollBar()->SetPosition(p.x);
    PrintScrollBox->VertScrollBar()->SetPosition(p.y);
    OverPaint->Invalidate();
}

void TMainForm::DragMouseDown(TObject* Sender, TMouseButton, TShiftState, int X, int Y) {
    FDragging = dynamic_cast<TControl*>(Sender);
    TScrollBox* box = FDragging == PagePaintBox ? PageScrollBox : PrintScrollBox;
    FDragStart = POINT{X, Y};
    FDragScroll = POINT{box->HorzScrollBar()->Position(), box->VertScrollBar()->Position()};
}

void TMainForm::DragMouseMove(TObject* Sender, TShiftState, int X, int Y) {
    if (!FDragging || FDragging != Sender) return;
    TScrollBox* box = FDragging == PagePaintBox ? PageScrollBox : PrintScrollBox;
    // Coordinates of the box move with the scrolling: take the pointer relative to the view.
    const int vx = X - box->HorzScrollBar()->Position() + FDragScroll.x;
    const int vy = Y - box->VertScrollBar()->Position() + FDragScroll.y;
    box->HorzScrollBar()->SetPosition(
        poster::DragScroll(FDragScroll.x, FDragStart.x, vx, box->HorzScrollBar()->MaxPosition()));
    box->VertScrollBar()->SetPosition(
        poster::DragScroll(FDragScroll.y, FDragStart.y, vy, box->VertScrollBar()->MaxPosition()));
    if (FDragging == PrintPaintBox) OverPaint->Invalidate();
}

void TMainForm::DragMouseUp(TObject*, TMouseButton, TShiftState, int, int) { FDragging = nullptr; }

void TMainForm::PagePaintBoxPaint(TObject*) {
    if (!FReady) return;
    const SIZE size{PagePaintBox->Width(), PagePaintBox->Height()};
    poster::PaintPagePreview(PagePaintBox->Canvas()->Handle(), Setup(), size, static_cast<int>(thepageed->Value()));
}

void TMainForm::thepageedChange(TObject*) {
    if (!FReady) return;
    const int limited = poster::LimitPageNumber(static_cast<int>(thepageed->Value()), Setup());
    if (limited != static_cast<int>(thepageed->Value())) thepageed->SetValue(limited);
    SizeViews();
}

void TMainForm::PicSaveBtnClick(TObject*) {
    if (!SaveDialog2->Execute()) return;
    poster::SavePagePreview(AnsiToWide(SaveDialog2->FileName()), Setup(),
                            std::trunc(static_cast<double>(QualiED->Value())),
                            static_cast<int>(thepageed->Value()));
}

void TMainForm::HochQuerBtnClick(TObject*) {
    if (auto p = Printer()->PlatformPrinter()) poster::SwitchOrientation(*p);
    UpdatePaperFormat();
    by_anpassen();
}

// ---- Printing ----------------------------------------------------------------------------

void TMainForm::PrintBtnClick(TObject*) {
    UpdateOptions(this);
    SetProSatus(0);
    auto target = poster::printerTarget(Printer()->PlatformPrinter());
    poster::PrintPoster(*target, Setup(), [this](int p) { SetProSatus(p); });
    SetProSatus(0);
}

void TMainForm::SetupBtnClick(TObject*) {
    TPrinterSetupDialog dialog(nullptr);
    dialog.Execute();
    UpdatePaperFormat();
    by_anpassen();
}

// ---- Commands ----------------------------------------------------------------------------

void TMainForm::AboutBitBtnClick(TObject*) {
    auto* box = new TAboutBox(this);
    box->ShowModal();
    box->Free();
}

void TMainForm::HelpBtnClick(TObject*) {
    const String file = ProgramFolder + HelpFileName;
    ShellExecuteA(Handle(), "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// There is no web site: the web button opens the help too.
void TMainForm::wwwBtn0Click(TObject* Sender) { HelpBtnClick(Sender); }

namespace {

void popupBelow(TPopupMenu* menu, TControl* button, TControl* panel) {
    const POINT p = panel->ClientToScreen(POINT{button->Left(), button->Top() + button->Height()});
    menu->SetPopupComponent(button);
    menu->Popup(p.x, p.y);
}

}  // namespace

void TMainForm::DateiButtonClick(TObject*) { popupBelow(DateiPopup, DateiButton, MenuPanel); }
void TMainForm::EffekteButtonClick(TObject*) { popupBelow(EffektPopup, EffekteButton, MenuPanel); }
void TMainForm::RetuscheButtonClick(TObject*) { popupBelow(RetuschePopup, RetuscheButton, MenuPanel); }

void TMainForm::setcursor_(int Cursor) {
    if (RetuschPaint->Cursor() != Cursor) RetuschPaint->SetCursor(Cursor);
}

// ---- Progress ----------------------------------------------------------------------------

void TMainForm::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_PROGRESS) {
        WMUser(Message);
        return;
    }
    if (Message.Msg == WM_SCANREADY) {
        WMUser2(Message);
        return;
    }
    TForm::Dispatch(Message);
}

void TMainForm::WMUser(TMessage& Message) {
    SetProSatus(static_cast<int>(Message.WParam));
    Message.Result = 0;
}

void TMainForm::SetProSatus(int Percent) {
    if (Percent < ProgressPercent) {
        ProgressPercent = Percent;
        StatusBar1->Repaint();
    } else {
        ProgressPercent = Percent;
        SBarPaintMore();
    }
}

void TMainForm::StatusBar1DrawPanel(TStatusBar* StatusBar, TStatusPanel*, const RECT& Rect) {
    TCanvas* canvas = StatusBar->Canvas();
    canvas->Brush()->SetColor(clNavy);
    canvas->Pen()->SetColor(clNavy);
    const RECT bar = ProgressBarRect(Rect, ProgressPercent);
    if (bar.right > bar.left) canvas->FillRect(bar);
    ProgressPanelRect = Rect;
}

void TMainForm::SBarPaintMore() {
    if (ProgressPanelRect.right <= ProgressPanelRect.left) ProgressPanelRect = StatusBar1->PanelRect(0);
    TCanvas* canvas = StatusBar1->Canvas();
    canvas->Brush()->SetColor(clNavy);
    canvas->Pen()->SetColor(clNavy);
    const RECT bar = ProgressBarRect(ProgressPanelRect, ProgressPercent);
    if (bar.right > bar.left) canvas->FillRect(bar);
}

// ---- Picture buttons ---------------------------------------------------------------------

void TMainForm::SetUpPictureButtons() {
    const auto add = [this](std::vector<TImage*> normal, std::vector<TImage*> down,
                            std::function<void(TObject*)> command) {
        FButtons.push_back(TPictureButton{std::move(normal), std::move(down), std::move(command)});
    };
    add({EndeBtn}, {EndeBtnDown}, [this](TObject* s) { QuitBtnClick(s); });
    add({HilfeBtn}, {HilfeBtn2}, [this](TObject* s) { HelpBtnClick(s); });
    add({ueberbtn}, {ueberBtn2}, [this](TObject* s) { AboutBitBtnClick(s); });
    add({GoBtn1}, {GoBtn1Down}, [this](TObject* s) { PrintBtnClick(s); });
    add({GoBtn2}, {GoBtn2Down}, [this](TObject* s) { PassDruckClick(s); });
    add({ScanBtn}, {ScanBtnDown}, [this](TObject* s) { ScanButtonClick(s); });
    add({TSetupBtn}, {TsetupBtnDown}, [this](TObject* s) { SelectButtonClick(s); });
    add({SetupBtn, SetupBtn_}, {SetupBtnDown, SetupBtn_Down}, [this](TObject* s) { SetupBtnClick(s); });
    for (TPictureButton& b : FButtons) ShowPressed(b, false);
}

TMainForm::TPictureButton* TMainForm::PictureButtonOf(TObject* Image) {
    for (TPictureButton& b : FButtons) {
        for (TImage* i : b.Normal)
            if (i == Image) return &b;
        for (TImage* i : b.Down)
            if (i == Image) return &b;
    }
    return nullptr;
}

void TMainForm::ShowPressed(TPictureButton& B, bool Pressed) {
    for (TImage* i : B.Down) i->SetVisible(Pressed);
    for (TImage* i : B.Normal) i->SetVisible(!Pressed);
}

void TMainForm::PictureButtonMouseDown(TObject* Sender, TMouseButton, TShiftState, int, int) {
    TPictureButton* b = PictureButtonOf(Sender);
    if (!b) return;
    ShowPressed(*b, true);
    b->Held = true;
}

void TMainForm::PictureButtonMouseMove(TObject* Sender, TShiftState, int X, int Y) {
    TPictureButton* b = PictureButtonOf(Sender);
    if (!b || !b->Held) return;
    // The coordinates are the image's own that was pressed (either part of a two-part button).
    const auto* image = dynamic_cast<const TControl*>(Sender);
    if (!image) return;
    ShowPressed(*b, X >= 0 && X < image->Width() && Y >= 0 && Y < image->Height());
}

void TMainForm::PictureButtonMouseUp(TObject* Sender, TMouseButton, TShiftState, int, int) {
    TPictureButton* b = PictureButtonOf(Sender);
    if (!b) return;
    ShowPressed(*b, false);
    b->Held = false;
}

void TMainForm::PictureButtonClick(TObject* Sender) {
    TPictureButton* b = PictureButtonOf(Sender);
    if (!b) return;
    ShowPressed(*b, false);
    b->Held = false;
    if (b->Command) b->Command(Sender);
}
