// The thumbnail browser: its worker thread, the thumbnails from the cache or from the
// pictures, the grid with its selection and keys, and the end of a run.
#include "poster/BrowserFUnit.h"

#include "platform/fileapi.h"
#include "poster/Pixwerk.h"
#include "poster/PosterOptions.h"
#include "poster/PosterUnit.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

constexpr int kCellWidth = 90;
constexpr int kCellHeight = 110;
constexpr COLORREF kSilver = 0xC0C0C0;
constexpr COLORREF kGrey = 0x808080;

std::uint32_t rowBytes(int width, int bits) {
    return static_cast<std::uint32_t>((static_cast<std::int64_t>(width) * bits + 31) / 32 * 4);
}

}  // namespace

// ---- The worker --------------------------------------------------------------------------

std::vector<String> ListFolderFiles(const String& Folder) {
    std::vector<std::string> names;
    const std::string path = platform::ansiToFileName(Folder.empty() ? String(".") : Folder);
    if (DIR* dir = ::opendir(path.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            struct stat st {};
            if (::stat((path + "/" + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
            names.push_back(name);
        }
        ::closedir(dir);
    }
    // The order readdir gives is arbitrary.
    std::sort(names.begin(), names.end());
    std::vector<String> out;
    out.reserve(names.size());
    for (const std::string& n : names) out.push_back(platform::fileNameToAnsi(n));
    return out;
}

TMyThread::TMyThread(const String& Folder, TStepEvent Step)
    : TThread(true), FFolder(Folder), FStep(std::move(Step)) {}

void TMyThread::Execute() {
    const std::vector<String> names = ListFolderFiles(FFolder);
    // Everything else happens on the user-interface thread, one file per hand-over.
    for (const String& name : names) {
        if (Terminated()) break;
        Synchronize([this, &name] { FStep(name); });
    }
}

// ---- Thumbnails --------------------------------------------------------------------------

int BrowserTypeCode(const String& Name) {
    static const struct {
        const char* ext;
        int code;
    } codes[] = {{".BMP", PW_BMP}, {".DIB", PW_DIB}, {".GIF", PW_GIF}, {".IFF", PW_IFF},
                 {".JIF", PW_JIF}, {".JPG", PW_JPG}, {".LBM", PW_LBM}, {".PCX", PW_PCX},
                 {".RLE", PW_RLE}, {".TGA", PW_TGA}, {".TIF", PW_TIF}, {".PNG", PW_PNG}};
    const String ext = UpperCase(ExtractFileExt(Name));
    for (const auto& c : codes)
        if (ext == c.ext) return c.code;
    return 0;
}

SIZE ThumbnailSize(int Width, int Height) {
    if (Width <= 0 || Height <= 0) return SIZE{0, 0};
    long long tw = kThumbMaxSide;
    long long th = static_cast<long long>(Height) * kThumbMaxSide / Width;
    if (th > kThumbMaxSide) {
        th = kThumbMaxSide;
        tw = static_cast<long long>(Width) * kThumbMaxSide / Height;
    }
    // A picture of 80:1 or more would get a side of 0.
    return SIZE{static_cast<LONG>(std::max(1LL, tw)), static_cast<LONG>(std::max(1LL, th))};
}

UniqueDib ShrinkToThumbnail(const TDib& Picture, int ThumbWidth, int ThumbHeight) {
    UniqueDib thumb;
    if (!Picture.Bits || !Picture.Info || ThumbWidth < 1 || ThumbHeight < 1) return thumb;
    const BITMAPINFOHEADER& h = Picture.Info->bmiHeader;
    const int bits = h.biBitCount;
    const int colours = bits <= 8 ? 1 << bits : 0;
    newdib(thumb.out(), ThumbWidth, ThumbHeight, bits, colours ? Picture.Info : nullptr, colours);
    if (!thumb) return thumb;
    const TDib& t = thumb.get();
    const long long sx = static_cast<long long>(h.biWidth) * 1024 / ThumbWidth;
    const long long sy = static_cast<long long>(h.biHeight) * 1024 / ThumbHeight;
    for (int y = 0; y < ThumbHeight; ++y) {
        // Rows as stored.
        const int srcY = static_cast<int>(std::min<long long>(y * sy >> 10, h.biHeight - 1));
        const BYTE* src = Picture.Bits + static_cast<std::ptrdiff_t>(srcY) * Picture.LineBytes;
        BYTE* dst = t.Bits + static_cast<std::ptrdiff_t>(y) * t.LineBytes;
        for (int x = 0; x < ThumbWidth; ++x) {
            const int srcX = static_cast<int>(std::min<long long>(x * sx >> 10, h.biWidth - 1));
            switch (bits) {
            case 1:
                if ((src[srcX >> 3] >> (7 - (srcX & 7))) & 1) dst[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
                break;
            case 4: {
                const int v = (srcX & 1) ? src[srcX >> 1] & 0x0F : src[srcX >> 1] >> 4;
                dst[x >> 1] |= static_cast<BYTE>((x & 1) ? v : v << 4);
                break;
            }
            case 8: dst[x] = src[srcX]; break;
            default:
                dst[3 * x] = src[3 * srcX];
                dst[3 * x + 1] = src[3 * srcX + 1];
                dst[3 * x + 2] = src[3 * srcX + 2];
                break;
            }
        }
    }
    return thumb;
}

// ---- The window --------------------------------------------------------------------------

TBrowserForm::TBrowserForm(TComponent* AOwner, const String& Folder) : TForm(AOwner) {
    RegisterPosterClasses();
#define PUBLISH(name) PublishField(#name, name)
    PUBLISH(StatusBar1); PUBLISH(Panel4); PUBLISH(LogPanel); PUBLISH(Memo1); PUBLISH(ButtonPanel);
    PUBLISH(ReadyBtn); PUBLISH(BottomSplitter); PUBLISH(Panel3); PUBLISH(FolderHeading); PUBLISH(FolderLabel);
    PUBLISH(PictureHeading); PUBLISH(PictureLabel); PUBLISH(LeftSplitter); PUBLISH(ThumbPanel);
    PUBLISH(NamePanel); PUBLISH(KeyEdit); PUBLISH(ScrollBox1); PUBLISH(PaintBox1); PUBLISH(FormStorage1);
#undef PUBLISH
    ReadLayout(this, "BrowserFUnit");
    if (!Folder.empty())
        FFolder = IncludeTrailingPathDelimiter(Folder);
    else if (MainForm)
        FFolder = MainForm->SelectedFolder();
    OnOpenPicture = [](const String& Name) {
        if (MainForm) MainForm->openfilenow(Name);
    };
    FolderLabel->SetCaption(FFolder);
    // A restored height leaves the log panel's top where it was: the status bar stays below.
    FormStorage1->OnRestorePlacement = [this](TObject*) {
        DisableAlign();
        Panel4->SetTop(StatusBar1->Top() - Panel4->Height());
        BottomSplitter->SetTop(Panel4->Top() - BottomSplitter->Height());
        EnableAlign();
    };
    SizePaintBox();
    StartRun();
}

TBrowserForm::~TBrowserForm() {
    StopRun();
    // Every thread has run its end handler: they return at once.
    for (auto& t : FEnded) t->WaitFor();
    FEnded.clear();
}

HWND TBrowserForm::PosterWindow() const { return MainForm && MainForm->HandleAllocated() ? MainForm->Handle() : nullptr; }

void TBrowserForm::Log(const String& Line) { Memo1->Lines()->Add(Line); }

void TBrowserForm::ClearThumbs() {
    FThumbs.clear();
    FSelected = 1;
    SizePaintBox();
    PaintBox1->Invalidate();
    UpdateStatus();
}

void TBrowserForm::StartRun() {
    ClearThumbs();
    if (FRunning) {
        // The end handler starts the new run.
        FRestart = true;
        if (FThread) FThread->Terminate();
        return;
    }
    if (FFolder.empty()) return;
    FRestart = false;
    StartThread();
}

void TBrowserForm::StartThread() {
    Log("Work on folder: " + FFolder);
    if (ReadThumbIndex(FFolder, FIndex)) Log(kThumbCacheOpenedText);
    FRunning = true;
    auto* thread = new TMyThread(FFolder, [this](const String& Name) { NewFile(Name); });
    thread->OnTerminate = [this](TObject*) { RunFinished(); };
    FThread = thread;
    thread->Resume();
}

void TBrowserForm::StopRun() {
    FRestart = false;
    if (!FRunning) return;
    if (FThread) FThread->Terminate();
    // Serve the thread's hand-overs (at most the step under way, then its end) until its
    // end handler has run on this live window.
    while (FRunning) {
        if (!TThread::CheckSynchronize()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void TBrowserForm::RunFinished() {
    FRunning = false;
    if (FThread) FEnded.emplace_back(FThread);
    FThread = nullptr;
    FIndex.clear();
    if (!FThumbs.empty()) {
        std::vector<TThumbEntry> entries;
        entries.reserve(FThumbs.size());
        for (const TThumb& t : FThumbs) entries.push_back(TThumbEntry{t.Name, t.Info, t.Dib.get()});
        if (WriteThumbCache(FFolder, entries)) Log(kThumbCacheSavedText);
    }
    Log("Work on folder " + FFolder + " finished.");
    SetProStatus(0);
    if (FRestart && !FClosing) {
        FRestart = false;
        ClearThumbs();
        StartThread();
    }
}

void TBrowserForm::NewFile(const String& Name) {
    if (FFolder.empty() || FClosing) return;
    const int type = BrowserTypeCode(Name);
    if (!type) return;
    const String path = FFolder + Name;
    // The bar follows the reading in steps of a tenth (and is cleared at the end).
    int shown = 0;
    const std::int32_t check = ThumbCheckValue(path, [this, &shown](int p) {
        if (p != 0 && p < shown + 10 && p != 100) return;
        shown = p;
        SetProStatus(p);
    });
    if (const TThumbIndexRec* hit = FindThumb(FIndex, Name, check)) {
        UniqueDib thumb = LoadThumb(FFolder, *hit);
        if (thumb) {
            AppendThumb(TThumb{std::move(thumb), Name, hit->Info});
            return;
        }
    }
    UniqueDib picture;
    int fullWidth = 0, fullHeight = 0;
    ++FOpenDibCount;
    // A JPEG is decoded at a reduced size that still covers the thumbnail.
    OpenDibReduced(picture.out(), path.c_str(), type, PosterWindow(), kThumbMaxSide, &fullWidth, &fullHeight);
    if (!picture) {
        Log("Error while opening " + Name + " [" + DibErrorText(picture.get()) + "]");
        if (HWND poster = PosterWindow()) SendMessageA(poster, WM_PROGRESS, 0, 0);
        return;
    }
    // A picture narrower or lower than 2 pixels gets no thumbnail (and is freed with the owner).
    if (fullWidth < 2 || fullHeight < 2) return;
    const SIZE size = ThumbnailSize(fullWidth, fullHeight);
    TThumb thumb;
    thumb.Dib = ShrinkToThumbnail(picture.get(), size.cx, size.cy);
    if (!thumb.Dib) return;
    const int bits = DibBitCount(picture.get());
    thumb.Name = Name;
    thumb.Info.Bits = bits;
    thumb.Info.ThumbWidth = size.cx;
    thumb.Info.ThumbHeight = size.cy;
    thumb.Info.Width = fullWidth;
    thumb.Info.Height = fullHeight;
    thumb.Info.Colors = PowerOfTwo(bits);
    thumb.Info.SizeKB = static_cast<std::int32_t>(static_cast<std::uint64_t>(rowBytes(fullWidth, bits)) *
                                                  static_cast<std::uint64_t>(fullHeight) / 1024);
    thumb.Info.Check = check;
    picture.reset();
    AppendThumb(std::move(thumb));
}

void TBrowserForm::AppendThumb(TThumb Thumb) {
    FThumbs.push_back(std::move(Thumb));
    const int k = Columns(), height = PaintBox1->Height();
    SizePaintBox();
    UpdateStatus();
    if (Columns() != k || PaintBox1->Height() != height) {
        PaintBox1->Invalidate();
        return;
    }
    // Only the new cell is drawn, at once and only when it can be seen.
    const RECT cell = CellRect(Count());
    const int top = -PaintBox1->Top();
    if (cell.bottom <= top || cell.top >= top + ScrollBox1->ClientHeight() || !PaintBox1->Showing()) return;
    TCanvas* canvas = PaintBox1->Canvas();
    canvas->SetFont(PaintBox1->Font());
    HDC dc = canvas->Handle();
    SelectObject(dc, canvas->Font()->Handle());
    PaintCell(dc, Count());
}

// ---- Grid --------------------------------------------------------------------------------

int TBrowserForm::Columns() const { return std::max(1, PaintBox1->Width() / kCellWidth); }

RECT TBrowserForm::CellRect(int Index) const {
    const int k = Columns();
    const int x = (Index - 1) % k * kCellWidth;
    const int y = (Index - 1) / k * kCellHeight;
    return RECT{x, y, x + kCellWidth, y + kCellHeight};
}

void TBrowserForm::SizePaintBox() {
    const int width = std::max(1, ScrollBox1->ClientWidth());
    const int k = std::max(1, width / kCellWidth);
    const int height = Count() / k * kCellHeight + kCellHeight;
    if (PaintBox1->Width() != width || PaintBox1->Height() != height)
        PaintBox1->SetBounds(PaintBox1->Left(), PaintBox1->Top(), width, height);
}

void TBrowserForm::ScrollBox1Resize(TObject*) {
    SizePaintBox();
    PaintBox1->Invalidate();
}

void TBrowserForm::PaintCell(HDC DC, int Index) {
    const TThumb& t = FThumbs[static_cast<std::size_t>(Index - 1)];
    const RECT cell = CellRect(Index);
    const int x = cell.left, y = cell.top;
    // A raised frame: white top and left edges, grey right and bottom edges.
    HPEN white = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    HPEN grey = CreatePen(PS_SOLID, 1, kGrey);
    HGDIOBJ oldPen = SelectObject(DC, white);
    MoveToEx(DC, x + 2, y + 108, nullptr);
    LineTo(DC, x + 2, y + 2);
    LineTo(DC, x + 88, y + 2);
    SelectObject(DC, grey);
    LineTo(DC, x + 88, y + 108);
    LineTo(DC, x + 2, y + 108);
    SelectObject(DC, oldPen);
    DeleteObject(white);
    DeleteObject(grey);
    const bool selected = Index == FSelected;
    HBRUSH fill = CreateSolidBrush(selected ? RGB(0, 0, 255) : kSilver);
    const RECT inside{x + 3, y + 3, x + 88, y + 108};
    FillRect(DC, &inside, fill);
    DeleteObject(fill);
    const TDib& dib = t.Dib.get();
    const int tw = t.Info.ThumbWidth, th = t.Info.ThumbHeight;
    HPALETTE palette = nullptr;
    if (!selected && FSelected >= 1 && FSelected <= Count()) palette = FThumbs[static_cast<std::size_t>(FSelected - 1)].Dib.get().PalHandle;
    DrawDib(DC, x + 5 + (80 - tw) / 2, y + 5 + (80 - th) / 2, tw, th, dib, 0, 0, tw, th, true, SRCCOPY, selected,
            palette);
    RECT text{x + 3, y + 90, x + 87, y + 110};
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, selected ? RGB(255, 255, 255) : RGB(0, 0, 0));
    DrawTextA(DC, t.Name.c_str(), static_cast<int>(t.Name.size()), &text,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}

void TBrowserForm::PaintBox1Paint(TObject*) {
    HDC dc = PaintBox1->Canvas()->Handle();
    RECT clip{0, 0, PaintBox1->Width(), PaintBox1->Height()};
    GetClipBox(dc, &clip);
    // Only cells inside the part to paint and the scroll box's view are drawn.
    const int top = -PaintBox1->Top();
    clip.top = std::max<LONG>(clip.top, top);
    clip.bottom = std::min<LONG>(clip.bottom, top + ScrollBox1->ClientHeight());
    SelectObject(dc, PaintBox1->Font()->Handle());
    const int k = Columns();
    const int first = std::max(1, static_cast<int>(clip.top) / kCellHeight * k + 1);
    for (int i = first; i <= Count(); ++i) {
        const RECT cell = CellRect(i);
        if (cell.top >= clip.bottom) break;
        if (cell.bottom <= clip.top || cell.right <= clip.left || cell.left >= clip.right) continue;
        PaintCell(dc, i);
    }
}

String TBrowserForm::StatusText() const {
    if (FSelected < 1 || FSelected > Count()) return "Picture: none";
    const TThumbInfo& i = FThumbs[static_cast<std::size_t>(FSelected - 1)].Info;
    return "Thumbnail: " + IntToStr(i.Width) + " x " + IntToStr(i.Height) + " x " + IntToStr(i.Colors) + " - " +
           IntToStr(i.SizeKB) + " KByte   " + " (" + IntToStr(FSelected) + " of " + IntToStr(Count()) + ")";
}

void TBrowserForm::UpdateStatus() {
    StatusBar1->Panels()->Items(1)->SetText(StatusText());
    if (FSelected >= 1 && FSelected <= Count()) {
        const TThumb& t = FThumbs[static_cast<std::size_t>(FSelected - 1)];
        PictureLabel->SetCaption(t.Name + "\n" + IntToStr(t.Info.Width) + " x " + IntToStr(t.Info.Height) +
                                 " pixels\n" + IntToStr(t.Info.Colors) + " colours\n" + IntToStr(t.Info.SizeKB) +
                                 " KByte");
    } else {
        PictureLabel->SetCaption("");
    }
}

void TBrowserForm::SetSelected(int Index) {
    if (Count() == 0) return;
    FSelected = std::clamp(Index, 1, Count());
    ScrollIntoView(FSelected);
    PaintBox1->Invalidate();
    UpdateStatus();
}

void TBrowserForm::ScrollIntoView(int Index) {
    const RECT cell = CellRect(Index);
    TControlScrollBar* bar = ScrollBox1->VertScrollBar();
    const int position = bar->Position();
    const int top = cell.top + 2, bottom = cell.top + 108;
    if (top < position)
        bar->SetPosition(top);
    else if (bottom > position + ScrollBox1->ClientHeight())
        bar->SetPosition(bottom - ScrollBox1->ClientHeight());
}

void TBrowserForm::PaintBox1MouseDown(TObject*, TMouseButton, TShiftState, int X, int Y) {
    if (KeyEdit->CanFocus()) KeyEdit->SetFocus();
    const int k = Columns();
    const int column = X / kCellWidth, row = Y / kCellHeight;
    if (X < 0 || Y < 0 || column >= k) return;
    const int index = row * k + column + 1;
    if (index <= Count()) SetSelected(index);
}

void TBrowserForm::PaintBox1MouseMove(TObject*, TShiftState, int, int) {
    StatusBar1->Panels()->Items(1)->SetText(StatusText());
}

void TBrowserForm::PaintBox1DblClick(TObject*) { OpenSelected(); }

void TBrowserForm::KeyEditKeyDown(TObject*, WORD& Key, TShiftState) {
    const int k = Columns();
    switch (Key) {
    case VK_UP: SetSelected(FSelected - k); break;
    case VK_DOWN: SetSelected(FSelected + k); break;
    case VK_LEFT: SetSelected(FSelected - 1); break;
    case VK_RIGHT: SetSelected(FSelected + 1); break;
    case VK_RETURN: OpenSelected(); break;
    default: return;
    }
    Key = 0;
}

void TBrowserForm::KeyEditEnter(TObject*) {
    NamePanel->SetColor(clActiveCaption);
    NamePanel->Font()->SetColor(clCaptionText);
}

void TBrowserForm::KeyEditExit(TObject*) {
    NamePanel->SetColor(clInactiveCaption);
    NamePanel->Font()->SetColor(clInactiveCaptionText);
}

void TBrowserForm::OpenSelected() {
    if (FSelected < 1 || FSelected > Count()) return;
    const String name = FThumbs[static_cast<std::size_t>(FSelected - 1)].Name;
    if (OnOpenPicture) OnOpenPicture(name);
    Close();
}

// ---- Progress and closing ----------------------------------------------------------------

void TBrowserForm::SetProStatus(int Percent) {
    if (Percent < FProgress) {
        FProgress = Percent;
        StatusBar1->Repaint();
    } else {
        FProgress = Percent;
        SBarPaintMore();
    }
}

void TBrowserForm::StatusBar1DrawPanel(TStatusBar* StatusBar, TStatusPanel*, const RECT& Rect) {
    TCanvas* canvas = StatusBar->Canvas();
    canvas->Brush()->SetColor(clNavy);
    canvas->Pen()->SetColor(clNavy);
    const RECT bar = ProgressBarRect(Rect, FProgress);
    if (bar.right > bar.left) canvas->FillRect(bar);
    FProgressRect = Rect;
}

void TBrowserForm::SBarPaintMore() {
    if (FProgressRect.right <= FProgressRect.left) FProgressRect = StatusBar1->PanelRect(0);
    TCanvas* canvas = StatusBar1->Canvas();
    canvas->Brush()->SetColor(clNavy);
    canvas->Pen()->SetColor(clNavy);
    const RECT bar = ProgressBarRect(FProgressRect, FProgress);
    if (bar.right > bar.left) canvas->FillRect(bar);
}

void TBrowserForm::FormCloseQuery(TObject*, bool& CanClose) {
    if (FRunning) {
        Log("Breaking to work...");
        if (FThread) FThread->Terminate();
    }
    CanClose = true;
}

void TBrowserForm::FormDestroy(TObject*) {
    FClosing = true;
    // The run ends on this live window: its cache is written, and nothing restarts.
    StopRun();
    FThumbs.clear();
}
