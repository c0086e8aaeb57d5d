// The editor window's file commands: New, Open, Save and Save as with the save query and
// the JPEG quality, scanning, and the way back to the poster window.
#include "editor/JpegQFUnit.h"
#include "editor/Main.h"
#include "editor/NewUnit.h"

#include "classlib/SysUtils.h"
#include "platform/fileapi.h"
#include "platform/msgbox.h"
#include "poster/ColourDepth.h"
#include "poster/Pixwerk.h"
#include "scanvia/Scanvia.h"

#include <array>
#include <cstring>

namespace {

// The save dialog's entries in type-code order: code = entry + 2.
constexpr std::array<const char*, 12> kExtensions = {".BMP", ".DIB", ".GIF", ".IFF", ".JIF", ".JPG",
                                                     ".LBM", ".PCX", ".RLE", ".TGA", ".TIF", ".PNG"};
// The extensions a document opened from a file is saved to in place (codes 3 to 13).
constexpr int kInPlaceTypes = 11;

enum class TSaveResult { Saved, Failed, Cancelled };

}  // namespace

String TDIBMainForm::ExtensionOfFilter(int FilterIndex) {
    if (FilterIndex < 1 || FilterIndex > static_cast<int>(kExtensions.size())) return String();
    return kExtensions[static_cast<std::size_t>(FilterIndex - 1)];
}

bool TDIBMainForm::TypeOfExtension(const String& Path, int& Type) {
    Type = PW_BMP;
    const String ext = UpperCase(ExtractFileExt(Path));
    for (int i = 0; i < kInPlaceTypes; ++i)
        if (ext == kExtensions[static_cast<std::size_t>(i)]) {
            Type = i + 3;
            return true;
        }
    return false;
}

const PALETTEENTRY* TDIBMainForm::NewPicturePalette(int Bits) {
    if (Bits == 4) return StandardPalette16();
    if (Bits == 8) return StandardPalette256();
    return nullptr;
}

// ---- The save query ----------------------------------------------------------------------

bool TDIBMainForm::QuerySaveChanges() {
    TMDIChild& v = *MDIChild1;
    if (!v.Modified) return true;
    const int answer = Application->MessageBox("Modifications in " + v.DocName + " Save?", EditorCaption,
                                               MB_YESNOCANCEL | MB_ICONERROR);
    if (answer == IDCANCEL) return false;
    if (answer == IDNO) return true;
    FileSaveItemClick(this);
    return !v.Modified;
}

// ---- New and Open ------------------------------------------------------------------------

void TDIBMainForm::FileNewItemClick(TObject*) {
    TNewForm* form = new TNewForm(this);
    if (!QuerySaveChanges()) {
        form->Free();
        return;
    }
    form->TiefeBox->SetItemIndex(3);
    if (form->ShowModal() == mrOk) {
        const int bits = form->NewBits();
        const int entries = picops::paletteSize(bits);
        UniqueDib picture = picops::newPicture(form->NewWidth(), form->NewHeight(), bits, NewPicturePalette(bits),
                                               NewPicturePalette(bits) ? entries : 0);
        if (picture) {
            // White: in true colour, and the last palette entry otherwise.
            std::memset(picture.get().Bits, 255, picture.get().Info->bmiHeader.biSizeImage);
            NewWindow(std::move(picture), NewDocumentName, 0);
        } else {
            Application->MessageBox(EditorOutOfMemoryText, "", MB_OK | MB_ICONERROR);
        }
    }
    form->Free();
}

void TDIBMainForm::FileOpenItemClick(TObject*) {
    if (!QuerySaveChanges()) return;
    if (!OpenDialog->Execute()) return;
    OpenDialog->SetInitialDir(ExtractFilePath(OpenDialog->FileName()));
    OpenPicture(OpenDialog->FileName());
}

void TDIBMainForm::OpenPicture(const String& Path) {
    UniqueDib picture;
    OpenDib(picture.out(), Path.c_str(), PW_BY_EXTENSION, Handle());
    if (!picture) {
        Application->MessageBox(DibErrorText(picture.get()), "Error while the loading (" + Path + ")",
                                MB_OK | MB_ICONERROR);
        SendMessageA(Handle(), WM_PROGRESS, 0, 0);
    } else {
        // The file's name and type belong to the picture installed, whatever follows.
        TMDIChild& v = *MDIChild1;
        int type = PW_BMP;
        v.KnownFormat = TypeOfExtension(Path, type);
        v.DocType = type;
        v.DocPath = Path;
        TEditorClipboard::InstallNewPicture(v, std::move(picture), ExtractFileName(Path));
    }
    UpdateAllColors();
    UpdateMenuItems(this);
}

// ---- Save and Save as --------------------------------------------------------------------

namespace {

// Writes the picture; JPEG types ask for the quality first. A read-only file is written
// over, as the user asked to save it, but stays read-only when the write fails.
TSaveResult saveDocument(TDIBMainForm& Form, const String& Path, int Type) {
    if (Type == PW_JIF || Type == PW_JPG) {
        TJPEGQForm* quality = new TJPEGQForm(&Form);
        const bool ok = quality->ShowModal() == mrOk;
        const int value = quality->Quality();
        quality->Free();
        if (!ok) return TSaveResult::Cancelled;
        SetJPEGQual(value);
    }
    const DWORD attributes = GetFileAttributesA(Path.c_str());
    const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    if (readOnly) SetFileAttributesA(Path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (SaveDib(Form.MDIChild1->Dib.get(), Path.c_str(), Type, Form.Handle()) == 1) return TSaveResult::Saved;
    if (readOnly) SetFileAttributesA(Path.c_str(), attributes);
    Application->MessageBox("Error: File could not be saved!", "", MB_OK | MB_ICONINFORMATION);
    return TSaveResult::Failed;
}

}  // namespace

void TDIBMainForm::FileSaveItemClick(TObject* Sender) {
    TMDIChild& v = *MDIChild1;
    if (!v.KnownFormat || v.DocPath.empty()) {
        FileSaveAsItemClick(Sender);
        return;
    }
    if (!v.Dib) return;
    if (saveDocument(*this, v.DocPath, v.DocType) != TSaveResult::Saved) return;
    v.Modified = false;
    v.DocName = ExtractFileName(v.DocPath);
    v.UpdateCaption();
}

void TDIBMainForm::FileSaveAsItemClick(TObject*) {
    TMDIChild& v = *MDIChild1;
    if (!v.Dib) return;
    if (!SaveDialog->Execute()) return;
    String name = SaveDialog->FileName();
    SaveDialog->SetInitialDir(ExtractFilePath(name));
    const int index = SaveDialog->FilterIndex();
    if (ExtractFileExt(name).empty()) name += ExtensionOfFilter(index);
    // The chosen entry decides the type, whatever extension the name carries.
    const int type = index + 2;
    if (saveDocument(*this, name, type) != TSaveResult::Saved) return;
    v.Modified = false;
    v.KnownFormat = true;
    v.DocType = type;
    v.DocPath = name;
    v.DocName = ExtractFileName(name);
    v.UpdateCaption();
}

// ---- Scanning, printer, back -------------------------------------------------------------

void TDIBMainForm::Scannerauswhlne1Click(TObject*) { TWAIN_SelectScanner(Handle()); }

void TDIBMainForm::Bildscannen1Click(TObject*) { TWAIN_ScanImage(Handle()); }

void TDIBMainForm::Druckereinrichten1Click(TObject*) { PrinterSetupDialog1->Execute(); }

void TDIBMainForm::FileExitItemClick(TObject*) { Close(); }
