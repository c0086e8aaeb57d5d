// The thumbnail browser: a modal window with thumbnails of every picture in the poster
// window's folder. A worker thread lists the folder and hands each file to the
// user-interface thread, which takes its thumbnail from the folder's cache file
// "dabbrwse.cbf" or opens the picture and shrinks it; at the end of a run the cache is
// written again. A double click or Enter opens the picture in the poster window.
#pragma once

#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "kit/KitPlacement.h"
#include "kit/KitSplit.h"
#include "kit/ThemedButtons.h"
#include "pixwerk/pixwerk.h"
#include "poster/ThumbCache.h"

#include <functional>
#include <memory>
#include <vector>

class TBrowserForm;

// The browser's worker: lists the folder's regular files (hidden ones too) in name order
// and hands them one by one to the browser on the user-interface thread, waiting for each.
class TMyThread : public TThread {
    Q_OBJECT

public:
    using TStepEvent = std::function<void(const String& Name)>;
    TMyThread(const String& Folder, TStepEvent Step);

protected:
    void Execute() override;

private:
    String FFolder;
    TStepEvent FStep;
};

// The regular files of a folder (hidden ones included, links followed to files), sorted by
// their bytes; names in the ANSI code page.
std::vector<String> ListFolderFiles(const String& Folder);
// The picture type code of a file name by its upper-cased extension (".BMP" 3 ... ".PNG"
// 14), 0 for any other file.
int BrowserTypeCode(const String& Name);
// The size of the thumbnail of a Width x Height picture: 80 along the longer side, the
// other side in proportion, never below 1.
SIZE ThumbnailSize(int Width, int Height);
// The thumbnail of a picture at the same depth (and colour table), by nearest neighbour in
// 10-bit fixed point; no pixels when the picture has none or it cannot be made.
UniqueDib ShrinkToThumbnail(const TDib& Picture, int ThumbWidth, int ThumbHeight);

class TBrowserForm : public TForm {
    Q_OBJECT

public:
    // Folder: the folder to browse (the poster window's when empty). The run starts at once.
    explicit TBrowserForm(TComponent* AOwner, const String& Folder = String());
    ~TBrowserForm() override;

    // ---- Controls (named as in the layout) ----
    TStatusBar* StatusBar1 = nullptr;
    TPanel* Panel4 = nullptr;
    TPanel* LogPanel = nullptr;
    TMemo* Memo1 = nullptr;
    TPanel* ButtonPanel = nullptr;
    TThemedBitBtn* ReadyBtn = nullptr;
    TKitSplitter* BottomSplitter = nullptr;
    TPanel* Panel3 = nullptr;
    TLabel* FolderHeading = nullptr;
    TLabel* FolderLabel = nullptr;
    TLabel* PictureHeading = nullptr;
    TLabel* PictureLabel = nullptr;
    TKitSplitter* LeftSplitter = nullptr;
    TPanel* ThumbPanel = nullptr;
    TPanel* NamePanel = nullptr;
    TEdit* KeyEdit = nullptr;
    TScrollBox* ScrollBox1 = nullptr;
    TPaintBox* PaintBox1 = nullptr;
    TFormStorage* FormStorage1 = nullptr;

    // One thumbnail with its name and values, in display order.
    struct TThumb {
        UniqueDib Dib;
        String Name;
        TThumbInfo Info;
    };
    const std::vector<TThumb>& Thumbs() const { return FThumbs; }
    int Count() const { return static_cast<int>(FThumbs.size()); }
    int Selected() const { return FSelected; }
    void SetSelected(int Index);
    bool Running() const { return FRunning; }
    String Folder() const { return FFolder; }
    // Pictures opened since creation (cache hits open none).
    int OpenDibCount() const { return FOpenDibCount; }
    // Columns of the grid: the paint box's width div 90, at least 1.
    int Columns() const;
    // The cell of thumbnail Index (1-based) in the paint box.
    RECT CellRect(int Index) const;
    // The status text of the selected thumbnail.
    String StatusText() const;

    // Opens a thumbnail's picture in the poster window (the poster window's openfilenow
    // by default).
    std::function<void(const String& Name)> OnOpenPicture;

    void StartRun();
    void SetProStatus(int Percent);

public slots:
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormDestroy(TObject* Sender);
    void PaintBox1Paint(TObject* Sender);
    void PaintBox1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void PaintBox1MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void PaintBox1DblClick(TObject* Sender);
    void KeyEditKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
    void KeyEditEnter(TObject* Sender);
    void KeyEditExit(TObject* Sender);
    void ScrollBox1Resize(TObject* Sender);
    void StatusBar1DrawPanel(TStatusBar* StatusBar, TStatusPanel* Panel, const RECT& Rect);

public:
    // One file of the run: its thumbnail from the cache, or made from the picture.
    void NewFile(const String& Name);
    // The thread's end: writes the cache and restarts when asked to.
    void RunFinished();
    void Log(const String& Line);

private:
    void ClearThumbs();
    void StartThread();
    // Ends a run before the window goes: the thread is told to stop, its hand-overs are
    // served until its end handler has run.
    void StopRun();
    void AppendThumb(TThumb Thumb);
    void SizePaintBox();
    void PaintCell(HDC DC, int Index);
    void ScrollIntoView(int Index);
    void OpenSelected();
    void UpdateStatus();
    void SBarPaintMore();
    HWND PosterWindow() const;

    std::vector<TThumb> FThumbs;
    int FSelected = 1;
    TThumbIndex FIndex;
    String FFolder;
    bool FRunning = false;
    bool FRestart = false;
    bool FClosing = false;
    TMyThread* FThread = nullptr;
    std::vector<std::unique_ptr<TMyThread>> FEnded;  // ended threads, reaped later
    int FProgress = 0;
    RECT FProgressRect{0, 0, 0, 0};
    int FOpenDibCount = 0;
};
