// Common dialogs: opening and saving files, with a seam through which tests answer them.
#pragma once

#include "classlib/Classes.h"
#include "classlib/Graphics.h"
#include "classlib/StringList.h"

#include <QFlags>
#include <functional>

class TCommonDialog : public TComponent {
    Q_OBJECT
    Q_PROPERTY(int HelpContext READ HelpContext WRITE SetHelpContext)
    Q_PROPERTY(TNotifyEvent OnShow MEMBER OnShow)
    Q_PROPERTY(TNotifyEvent OnClose MEMBER OnClose)
    Q_CLASSINFO("Default:HelpContext", "0")

public:
    explicit TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int v) { FHelpContext = v; }
    virtual bool Execute() = 0;
    TNotifyEvent OnShow;
    TNotifyEvent OnClose;

private:
    int FHelpContext = 0;
};

class TOpenDialog : public TCommonDialog {
    Q_OBJECT
    Q_PROPERTY(String DefaultExt READ DefaultExt WRITE SetDefaultExt)
    Q_PROPERTY(String FileName READ FileName WRITE SetFileName)
    Q_PROPERTY(String Filter READ Filter WRITE SetFilter)
    Q_PROPERTY(int FilterIndex READ FilterIndex WRITE SetFilterIndex)
    Q_PROPERTY(String InitialDir READ InitialDir WRITE SetInitialDir)
    Q_PROPERTY(String Title READ Title WRITE SetTitle)
    Q_PROPERTY(TOpenOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(TNotifyEvent OnTypeChange MEMBER OnTypeChange)
    Q_CLASSINFO("Default:FilterIndex", "1")
    Q_CLASSINFO("Default:Options", "[ofHideReadOnly, ofEnableSizing]")

public:
    enum TOpenOption {
        ofReadOnly = 1 << 0, ofOverwritePrompt = 1 << 1, ofHideReadOnly = 1 << 2, ofNoChangeDir = 1 << 3,
        ofShowHelp = 1 << 4, ofNoValidate = 1 << 5, ofAllowMultiSelect = 1 << 6, ofExtensionDifferent = 1 << 7,
        ofPathMustExist = 1 << 8, ofFileMustExist = 1 << 9, ofCreatePrompt = 1 << 10, ofShareAware = 1 << 11,
        ofNoReadOnlyReturn = 1 << 12, ofNoTestFileCreate = 1 << 13, ofNoNetworkButton = 1 << 14,
        ofNoLongNames = 1 << 15, ofOldStyleDialog = 1 << 16, ofNoDereferenceLinks = 1 << 17,
        ofEnableIncludeNotify = 1 << 18, ofEnableSizing = 1 << 19
    };
    Q_DECLARE_FLAGS(TOpenOptions, TOpenOption)
    Q_FLAG(TOpenOptions)

    explicit TOpenDialog(TComponent* AOwner);
    ~TOpenDialog() override;
    String DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const String& v) { FDefaultExt = v; }
    String FileName() const { return FFileName; }
    void SetFileName(const String& v) { FFileName = v; }
    String Filter() const { return FFilter; }
    void SetFilter(const String& v) { FFilter = v; }
    // 1-based index of the chosen filter entry.
    int FilterIndex() const { return FFilterIndex; }
    void SetFilterIndex(int v) { FFilterIndex = v; }
    String InitialDir() const { return FInitialDir; }
    void SetInitialDir(const String& v) { FInitialDir = v; }
    String Title() const { return FTitle; }
    void SetTitle(const String& v) { FTitle = v; }
    TOpenOptions Options() const { return FOptions; }
    void SetOptions(TOpenOptions v) { FOptions = v; }
    // The chosen files (one unless ofAllowMultiSelect).
    TStrings* Files() const { return FFiles; }
    // The filter's entries as (caption, mask) pairs.
    std::vector<std::pair<String, String>> FilterEntries() const;
    // Whether this is a save dialog.
    virtual bool IsSaveDialog() const { return false; }

    // Shows the dialog; true when the user chose a file (FileName, Files and FilterIndex
    // then hold the answer; a file name without extension gets DefaultExt).
    bool Execute() override;

    TNotifyEvent OnTypeChange;

protected:
    // Applies what the dialog answered: the default extension, Files.
    void Accept(const std::vector<String>& names, int filterIndex);

private:
    String FDefaultExt;
    String FFileName;
    String FFilter;
    int FFilterIndex = 1;
    String FInitialDir;
    String FTitle;
    TOpenOptions FOptions = TOpenOptions(ofHideReadOnly) | ofEnableSizing;
    TStrings* FFiles;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TOpenDialog::TOpenOptions)

using TOpenOption = TOpenDialog::TOpenOption;
using TOpenOptions = TOpenDialog::TOpenOptions;
using enum TOpenDialog::TOpenOption;

class TSaveDialog : public TOpenDialog {
    Q_OBJECT
public:
    explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
    bool IsSaveDialog() const override { return true; }
};

// The seam that runs a file dialog. The handler gets the dialog with its settings and
// answers by filling `Names` (one or more full paths) and `FilterIndex` (1-based) and
// returning true, or returns false for a cancelled dialog. The default runs QFileDialog.
struct TFileDialogAnswer {
    std::vector<String> Names;
    int FilterIndex = 1;
};
using TFileDialogHandler = std::function<bool(TOpenDialog* Dialog, TFileDialogAnswer& Answer)>;
// Installs a handler (an empty one restores the real dialog); returns the previous one.
TFileDialogHandler SetFileDialogHandler(TFileDialogHandler Handler);

// The Qt name filter list of a "caption|mask;mask|..." filter ("caption (mask mask)").
QStringList FilterToQtNameFilters(const String& Filter);


// The colour dialog over the desktop's (QColorDialog). Color is the colour chosen (the
// dialog starts with it); CustomColors holds up to 16 "ColorA=RRGGBB" ... "ColorP=RRGGBB"
// lines (hexadecimal, red first), shown as the custom colours and read back.
class TColorDialog : public TCommonDialog {
    Q_OBJECT
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(TStrings* CustomColors READ CustomColors WRITE SetCustomColors)
    Q_PROPERTY(TColorDialogOptions Options READ Options WRITE SetOptions)
    Q_CLASSINFO("Idents:Color", "TColor")
    Q_CLASSINFO("Default:Color", "clBlack")
    Q_CLASSINFO("Default:Options", "[]")

public:
    enum TColorDialogOption { cdFullOpen = 1, cdPreventFullOpen = 2, cdShowHelp = 4, cdSolidColor = 8, cdAnyColor = 16 };
    Q_DECLARE_FLAGS(TColorDialogOptions, TColorDialogOption)
    Q_FLAG(TColorDialogOptions)

    explicit TColorDialog(TComponent* AOwner);
    ~TColorDialog() override;
    int Color() const { return FColor; }
    void SetColor(int v) { FColor = v; }
    TStrings* CustomColors() const { return FCustomColors; }
    void SetCustomColors(TStrings* v);
    TColorDialogOptions Options() const { return FOptions; }
    void SetOptions(TColorDialogOptions v) { FOptions = v; }
    // True when the user chose a colour (Color and CustomColors then hold it).
    bool Execute() override;

private:
    int FColor = 0;
    TStrings* FCustomColors;
    TColorDialogOptions FOptions;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TColorDialog::TColorDialogOptions)
using TColorDialogOption = TColorDialog::TColorDialogOption;
using enum TColorDialog::TColorDialogOption;

// The font dialog: the desktop's font chooser (QFontDialog) in a small dialog of our own that
// adds a colour button, since the desktop's chooser has no colour. Font is the font chosen
// (the dialog starts with it): name, size, style and, with fdEffects, colour; its character
// set and pitch are kept as they are. With fdLimitSize the size stays within MinFontSize and
// MaxFontSize.
class TFontDialog : public TCommonDialog {
    Q_OBJECT
    Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
    Q_PROPERTY(TFontDialogDevice Device READ Device WRITE SetDevice)
    Q_PROPERTY(int MinFontSize READ MinFontSize WRITE SetMinFontSize)
    Q_PROPERTY(int MaxFontSize READ MaxFontSize WRITE SetMaxFontSize)
    Q_PROPERTY(TFontDialogOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(TNotifyEvent OnApply MEMBER OnApply)
    Q_CLASSINFO("Default:Device", "fdScreen")
    Q_CLASSINFO("Default:MinFontSize", "0")
    Q_CLASSINFO("Default:MaxFontSize", "0")
    Q_CLASSINFO("Default:Options", "[fdEffects]")

public:
    enum TFontDialogDevice { fdScreen, fdPrinter, fdBoth };
    Q_ENUM(TFontDialogDevice)
    enum TFontDialogOption {
        fdAnsiOnly = 1 << 0, fdTrueTypeOnly = 1 << 1, fdEffects = 1 << 2, fdFixedPitchOnly = 1 << 3,
        fdForceFontExist = 1 << 4, fdNoFaceSel = 1 << 5, fdNoOEMFonts = 1 << 6, fdNoSimulations = 1 << 7,
        fdNoSizeSel = 1 << 8, fdNoStyleSel = 1 << 9, fdNoVectorFonts = 1 << 10, fdShowHelp = 1 << 11,
        fdWysiwyg = 1 << 12, fdLimitSize = 1 << 13, fdScalableOnly = 1 << 14, fdApplyButton = 1 << 15
    };
    Q_DECLARE_FLAGS(TFontDialogOptions, TFontDialogOption)
    Q_FLAG(TFontDialogOptions)

    explicit TFontDialog(TComponent* AOwner);
    ~TFontDialog() override;
    TFont* Font() const { return FFont; }
    void SetFont(TFont* v) { FFont->Assign(v); }
    TFontDialogDevice Device() const { return FDevice; }
    void SetDevice(TFontDialogDevice v) { FDevice = v; }
    int MinFontSize() const { return FMinFontSize; }
    void SetMinFontSize(int v) { FMinFontSize = v; }
    int MaxFontSize() const { return FMaxFontSize; }
    void SetMaxFontSize(int v) { FMaxFontSize = v; }
    TFontDialogOptions Options() const { return FOptions; }
    void SetOptions(TFontDialogOptions v) { FOptions = v; }
    // True when the user chose a font (Font then holds it).
    bool Execute() override;

    // The Apply button (fdApplyButton) hands the font shown to this event.
    TNotifyEvent OnApply;

private:
    TFont* FFont;
    TFontDialogDevice FDevice = fdScreen;
    int FMinFontSize = 0;
    int FMaxFontSize = 0;
    TFontDialogOptions FOptions = TFontDialogOptions(fdEffects);
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TFontDialog::TFontDialogOptions)
using TFontDialogOption = TFontDialog::TFontDialogOption;
using enum TFontDialog::TFontDialogOption;
using TFontDialogDevice = TFontDialog::TFontDialogDevice;
using enum TFontDialog::TFontDialogDevice;

// The seam that runs a font dialog. The handler gets the dialog, changes its Font as the
// user would and returns true, or returns false for a cancelled dialog. The default shows
// the real dialog (a QDialog named "TFontDialogWindow" holding a QFontDialog and, with
// fdEffects, a "Colour..." button).
using TFontDialogHandler = std::function<bool(TFontDialog* Dialog)>;
// Installs a handler (an empty one restores the real dialog); returns the previous one.
TFontDialogHandler SetFontDialogHandler(TFontDialogHandler Handler);

// The print dialog over the desktop's (QPrintDialog) for the session's printer: the printer
// chosen becomes the session's; copies, collation, the range and printing to a file are
// read back. FromPage and ToPage stay within MinPage and MaxPage.
class TPrintDialog : public TCommonDialog {
    Q_OBJECT
    Q_PROPERTY(bool Collate READ Collate WRITE SetCollate)
    Q_PROPERTY(int Copies READ Copies WRITE SetCopies)
    Q_PROPERTY(int FromPage READ FromPage WRITE SetFromPage)
    Q_PROPERTY(int MinPage READ MinPage WRITE SetMinPage)
    Q_PROPERTY(int MaxPage READ MaxPage WRITE SetMaxPage)
    Q_PROPERTY(TPrintDialogOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(bool PrintToFile READ PrintToFile WRITE SetPrintToFile)
    Q_PROPERTY(TPrintRange PrintRange READ PrintRange WRITE SetPrintRange)
    Q_PROPERTY(int ToPage READ ToPage WRITE SetToPage)
    Q_CLASSINFO("Default:Collate", "False")
    Q_CLASSINFO("Default:Copies", "0")
    Q_CLASSINFO("Default:FromPage", "0")
    Q_CLASSINFO("Default:MinPage", "0")
    Q_CLASSINFO("Default:MaxPage", "0")
    Q_CLASSINFO("Default:Options", "[]")
    Q_CLASSINFO("Default:PrintToFile", "False")
    Q_CLASSINFO("Default:PrintRange", "prAllPages")
    Q_CLASSINFO("Default:ToPage", "0")

public:
    enum TPrintDialogOption { poPrintToFile = 1, poPageNums = 2, poSelection = 4, poWarning = 8, poHelp = 16,
                              poDisablePrintToFile = 32 };
    Q_DECLARE_FLAGS(TPrintDialogOptions, TPrintDialogOption)
    Q_FLAG(TPrintDialogOptions)
    enum TPrintRange { prAllPages, prSelection, prPageNums };
    Q_ENUM(TPrintRange)

    explicit TPrintDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
    bool Collate() const { return FCollate; }
    void SetCollate(bool v) { FCollate = v; }
    int Copies() const { return FCopies; }
    void SetCopies(int v) { FCopies = v < 0 ? 0 : v; }
    int FromPage() const { return FFromPage; }
    void SetFromPage(int v) { FFromPage = v; }
    int ToPage() const { return FToPage; }
    void SetToPage(int v) { FToPage = v; }
    int MinPage() const { return FMinPage; }
    void SetMinPage(int v) { FMinPage = v; }
    int MaxPage() const { return FMaxPage; }
    void SetMaxPage(int v) { FMaxPage = v; }
    TPrintDialogOptions Options() const { return FOptions; }
    void SetOptions(TPrintDialogOptions v) { FOptions = v; }
    bool PrintToFile() const { return FPrintToFile; }
    void SetPrintToFile(bool v) { FPrintToFile = v; }
    TPrintRange PrintRange() const { return FPrintRange; }
    void SetPrintRange(TPrintRange v) { FPrintRange = v; }
    // The file chosen when printing to a file.
    String FileName() const { return FFileName; }
    // True when the user confirmed; false when cancelled or the chosen printer is gone.
    bool Execute() override;

private:
    bool FCollate = false;
    int FCopies = 0;
    int FFromPage = 0;
    int FToPage = 0;
    int FMinPage = 0;
    int FMaxPage = 0;
    TPrintDialogOptions FOptions;
    bool FPrintToFile = false;
    TPrintRange FPrintRange = prAllPages;
    String FFileName;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TPrintDialog::TPrintDialogOptions)
using TPrintRange = TPrintDialog::TPrintRange;
using enum TPrintDialog::TPrintRange;
using TPrintDialogOption = TPrintDialog::TPrintDialogOption;
using enum TPrintDialog::TPrintDialogOption;

// Message dialogs: the kind of message (its caption and icon) and the buttons offered.
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
// A set of buttons: one bit per TMsgDlgBtn.
using TMsgDlgButtons = unsigned;
inline constexpr TMsgDlgButtons MsgDlgButton(TMsgDlgBtn Button) { return 1u << static_cast<unsigned>(Button); }
inline constexpr TMsgDlgButtons mbYesNoCancel = (1u << mbYes) | (1u << mbNo) | (1u << mbCancel);
inline constexpr TMsgDlgButtons mbYesAllNoAllCancel =
    (1u << mbYes) | (1u << mbYesToAll) | (1u << mbNo) | (1u << mbNoToAll) | (1u << mbCancel);
inline constexpr TMsgDlgButtons mbOKCancel = (1u << mbOK) | (1u << mbCancel);
inline constexpr TMsgDlgButtons mbAbortRetryIgnore = (1u << mbAbort) | (1u << mbRetry) | (1u << mbIgnore);
inline constexpr TMsgDlgButtons mbAbortIgnore = (1u << mbAbort) | (1u << mbIgnore);
