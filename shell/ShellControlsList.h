// The shell list: a wide list view of the objects of one shell folder, with system icons
// and overlays, the folder's detail columns, sorting by column, the shell's verbs and
// context menu on the selection, renaming in place, and refreshes on change notification.
// It owns a shell-namespace object (Browser) as its cursor over the folder, and follows a
// folder tree through a link hub.
#pragma once

#include "shell/NavControls.h"
#include "shell/ShellControlsCommon.h"
#include "shell/ShellNotifier.h"
#include "shell/ThreadPool.h"
#include "shell/ThumbnailWorkItem.h"
#include "widetext/WideComCtrlsListView.h"

#include <array>
#include <functional>
#include <vector>

class TNavShellList;
class TTimer;
class TPopupMenu;

// One item: the object's list relative to the folder, and what the list keeps of it.
class TNavShellListItem : public TWideListItem {
    Q_OBJECT

public:
    explicit TNavShellListItem(TListItems* AOwner) : TWideListItem(AOwner) {}

    TPidl List;              // null for the parent item
    bool Seen = false;       // found again by the incremental refresh
    bool ParentItem = false; // the " .. " entry
    bool Compressed = false;
    bool Encrypted = false;
    bool DataFilled = false; // icon, overlay and detail texts asked for
    WideString FullPath;     // built on first use
};

using TNavAddItemEvent = TEvent<void(TObject* Sender, TNavShellListItem* Item, bool& CanAdd)>;
using TNavListItemEvent = TEvent<void(TObject* Sender, TNavShellListItem* Item)>;
// A check box changed: the item's index, its path and its new check state.
using TNavCheckStateChangedEvent = TEvent<void(TObject* Sender, int Index, const WideString& Path, int State)>;

// The thumbnail jobs of the list's thumbnail mode come from the unit that makes them; without
// one, items keep their framed-icon placeholders.
using TThumbnailJobMaker =
    std::function<IWorkItemPtr(TNavShellList* List, LPCITEMIDLIST Absolute, int ImageIndex, int Width, int Height)>;
void SetThumbnailJobMaker(TThumbnailJobMaker Maker);

class TNavShellList : public TWideCustomListView, public INavShellControl, public IThumbnailViewer {
    Q_OBJECT
    Q_PROPERTY(TCustomListView::TViewStyle ViewStyle READ ViewStyle WRITE SetViewStyle)
    Q_PROPERTY(bool AutomaticRefresh READ AutomaticRefresh WRITE SetAutomaticRefresh)
    Q_PROPERTY(TComponent* BackgroundPopupMenu READ BackgroundPopupMenu WRITE SetBackgroundPopupMenu)
    Q_PROPERTY(bool Details READ Details WRITE SetDetails)
    Q_PROPERTY(bool FileSystemOnly READ FileSystemOnly WRITE SetFileSystemOnly)
    Q_PROPERTY(WideString Filter READ Filter WRITE SetFilter)
    Q_PROPERTY(WideString Path READ Path WRITE SetPath)
    Q_PROPERTY(ShellNs::TNavShellFolder SpecialFolder READ SpecialFolder WRITE SetSpecialFolder)
    Q_PROPERTY(TNavShellLink* ShellLink READ ShellLink WRITE SetShellLink)
    Q_PROPERTY(bool OleDragDrop READ OleDragDrop WRITE SetOleDragDrop)
    Q_PROPERTY(bool ShellContextMenu READ ShellContextMenu WRITE SetShellContextMenu)
    Q_PROPERTY(bool ShowFolders READ ShowFolders WRITE SetShowFolders)
    Q_PROPERTY(bool ShowParentFolder READ ShowParentFolder WRITE SetShowParentFolder)
    Q_PROPERTY(bool Thumbnails READ Thumbnails WRITE SetThumbnails)
    Q_PROPERTY(bool Checkboxes READ Checkboxes WRITE SetCheckboxes)
    Q_PROPERTY(int ThumbnailHeight READ ThumbnailHeight WRITE SetThumbnailHeight)
    Q_PROPERTY(int ThumbnailWidth READ ThumbnailWidth WRITE SetThumbnailWidth)
    Q_PROPERTY(String Version READ Version WRITE SetVersion STORED false)
    Q_PROPERTY(bool UseSystemFont READ UseSystemFont WRITE SetUseSystemFont)
    Q_PROPERTY(NavShellEnums::TCopyMode CopyMode READ CopyMode WRITE SetCopyMode)
    Q_PROPERTY(bool ShowOverlayIcons READ ShowOverlayIcons WRITE SetShowOverlayIcons)
    Q_PROPERTY(bool ShowNethood READ ShowNethood WRITE SetShowNethood)
    Q_PROPERTY(bool ShowRecycleBin READ ShowRecycleBin WRITE SetShowRecycleBin)
    Q_PROPERTY(bool ShowErrorMessages READ ShowErrorMessages WRITE SetShowErrorMessages)
    Q_PROPERTY(bool ShowHidden READ ShowHidden WRITE SetShowHidden)
    Q_PROPERTY(bool ShowFiles READ ShowFiles WRITE SetShowFiles)
    Q_PROPERTY(bool ShowContextMenuOnTop READ ShowContextMenuOnTop WRITE SetShowContextMenuOnTop)
    Q_PROPERTY(bool ColorCompressed READ ColorCompressed WRITE SetColorCompressed)
    Q_PROPERTY(bool ColorEncrypted READ ColorEncrypted WRITE SetColorEncrypted)
    Q_PROPERTY(bool NoFillOnStartup READ NoFillOnStartup WRITE SetNoFillOnStartup)
    Q_PROPERTY(TNavAddItemEvent OnAddItem MEMBER OnAddItem)
    Q_PROPERTY(TNotifyEvent OnPopulated MEMBER OnPopulated)
    Q_PROPERTY(TNotifyEvent OnCreateColumns MEMBER OnCreateColumns)
    Q_PROPERTY(TOnOperation OnOperation MEMBER OnOperation)
    Q_PROPERTY(TOnContextMenuSelectEvent OnContextMenuSelect READ OnContextMenuSelect WRITE SetOnContextMenuSelect)
    Q_PROPERTY(TNavListItemEvent OnGetImageIndex MEMBER OnGetImageIndex)
    Q_PROPERTY(TNotifyEvent OnPathChanged MEMBER OnPathChanged)
    Q_PROPERTY(TNotifyEvent OnMouseEnter MEMBER OnMouseEnter)
    Q_PROPERTY(TNotifyEvent OnMouseLeave MEMBER OnMouseLeave)
    Q_PROPERTY(TNotifyEvent OnBeforeFullRefresh MEMBER OnBeforeFullRefresh)
    Q_PROPERTY(TNavCheckStateChangedEvent OnCheckStateChanged MEMBER OnCheckStateChanged)
    Q_CLASSINFO("Default:AutomaticRefresh", "True")
    Q_CLASSINFO("Default:Details", "True")
    Q_CLASSINFO("Default:FileSystemOnly", "False")
    Q_CLASSINFO("Default:SpecialFolder", "SF_DRIVES")
    Q_CLASSINFO("Default:OleDragDrop", "True")
    Q_CLASSINFO("Default:ShellContextMenu", "True")
    Q_CLASSINFO("Default:ShowFolders", "True")
    Q_CLASSINFO("Default:ShowParentFolder", "False")
    Q_CLASSINFO("Default:Thumbnails", "False")
    Q_CLASSINFO("Default:Checkboxes", "False")
    Q_CLASSINFO("Default:ThumbnailHeight", "100")
    Q_CLASSINFO("Default:ThumbnailWidth", "100")
    Q_CLASSINFO("Default:UseSystemFont", "True")
    Q_CLASSINFO("Default:CopyMode", "cmDefault")
    Q_CLASSINFO("Default:ShowOverlayIcons", "True")
    Q_CLASSINFO("Default:ShowNethood", "True")
    Q_CLASSINFO("Default:ShowRecycleBin", "True")
    Q_CLASSINFO("Default:ShowErrorMessages", "False")
    Q_CLASSINFO("Default:ShowHidden", "False")
    Q_CLASSINFO("Default:ShowFiles", "True")
    Q_CLASSINFO("Default:ShowContextMenuOnTop", "False")
    Q_CLASSINFO("Default:ColorCompressed", "False")
    Q_CLASSINFO("Default:ColorEncrypted", "False")
    Q_CLASSINFO("Default:NoFillOnStartup", "False")
    Q_CLASSINFO("Default:ViewStyle", "vsReport")
    Q_CLASSINFO("Default:MultiSelect", "True")
    Q_CLASSINFO("Default:ParentFont", "False")

public:
    explicit TNavShellList(TComponent* AOwner);
    ~TNavShellList() override;

    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void WndProc(TMessage& Message) override;
    void Dispatch(TMessage& Message) override;

    // ---- Filling
    // Builds the columns and the items of the folder anew.
    void FullRefresh();
    // Adds what is new and drops what went; more than 300 items are filled anew.
    void IncrementalRefresh();
    // Restarts the change timer: an incremental refresh 600 ms after the last change.
    void RefreshSoon();
    // Runs a verb on the selection ("default", "open", "delete", "paste", ...).
    bool ExecuteVerb(const String& Verb);
    void GoUp();
    void SelectAllItems();
    // The verb "paste" into the list's folder itself.
    bool PasteIntoFolder();
    // Fills an item's icon, overlay and detail texts now.
    void FillItemData(TNavShellListItem* Item);
    TNavShellListItem* Item(int Index) const { return static_cast<TNavShellListItem*>(Items()->Item(Index)); }
    TNavShellListItem* ItemOfList(LPCITEMIDLIST Relative) const;
    // The full path of an item (empty for the parent item and virtual objects).
    WideString ItemPath(TNavShellListItem* Item);
    // The items selected, in list order.
    std::vector<TNavShellListItem*> SelectedItems() const;
    // The shell column a list column shows.
    int ShellColumn(int ListColumn) const;
    int SortColumn() const { return FSortColumn; }
    bool SortDescending() const { return FDescending; }
    // Sorts by a column as a click on its header does.
    void SortByColumn(int Column);
    void Sort();
    // The header items' arrows of the sort column.
    void RedrawArrows();
    // The thumbnail of a job has arrived (the viewer's operation): sized to the thumbnail
    // list, framed, and put in the place of image ImageIndex. The list deletes Bitmap.
    void ThumbnailReady(HBITMAP Bitmap, int ImageIndex) override;

    TShellNamespace* Browser() const { return FBrowser; }
    TNavShellChangeNotifier* Notifier() const { return FNotifier; }
    TTimer* ChangeTimer() const { return FTimer; }
    TCustomImageList* ThumbnailImages() const { return FThumbImages; }
    // Full refreshes and incremental refreshes done (for tests and the benchmark).
    int FullRefreshCount() const { return FFullRefreshes; }
    int IncrementalRefreshCount() const { return FIncrementalRefreshes; }

    // ---- INavShellControl
    void SetShellLink(TNavShellLink* Link) override;
    TNavShellLink* ShellLink() const override { return FLink; }
    void LinkFolderChanged(LPCITEMIDLIST Folder) override;
    void LinkObjectSelected(LPCITEMIDLIST Folder, LPCITEMIDLIST Object) override;
    void LinkSelectAll() override { SelectAllItems(); }
    void LinkFullRefresh() override { FullRefresh(); }
    void LinkIncrementalRefresh() override { IncrementalRefresh(); }
    void LinkGoUp() override { GoUp(); }

    // ---- Properties
    bool AutomaticRefresh() const { return FAutomaticRefresh; }
    void SetAutomaticRefresh(bool Value);
    TComponent* BackgroundPopupMenu() const { return FBackgroundPopupMenu; }
    void SetBackgroundPopupMenu(TComponent* Value);
    bool Details() const { return FDetails; }
    void SetDetails(bool Value);
    bool FileSystemOnly() const { return FBrowser->FileSystemOnly(); }
    void SetFileSystemOnly(bool Value);
    WideString Filter() const { return FBrowser->Filter(); }
    void SetFilter(const WideString& Value);
    // The folder shown, ending in "/" (empty for virtual folders).
    WideString Path() const;
    void SetPath(const WideString& Value);
    TNavShellFolder SpecialFolder() const;
    void SetSpecialFolder(TNavShellFolder Value);
    bool OleDragDrop() const { return FOleDragDrop; }
    void SetOleDragDrop(bool Value) { FOleDragDrop = Value; }
    bool ShellContextMenu() const { return FShellContextMenu; }
    void SetShellContextMenu(bool Value) { FShellContextMenu = Value; }
    bool ShowFolders() const { return FShowFolders; }
    void SetShowFolders(bool Value);
    bool ShowParentFolder() const { return FShowParentFolder; }
    void SetShowParentFolder(bool Value);
    bool Thumbnails() const { return FThumbnails; }
    void SetThumbnails(bool Value);
    // Check boxes from the link's selection list; refused without a link.
    bool Checkboxes() const { return FCheckboxes; }
    void SetCheckboxes(bool Value);
    // Toggles the check of an item as a click on its check box does.
    void ToggleCheck(TNavShellListItem* Item);
    // Reads every item's check state again.
    void RefreshChecks();
    int ThumbnailHeight() const { return FThumbHeight; }
    void SetThumbnailHeight(int Value);
    int ThumbnailWidth() const { return FThumbWidth; }
    void SetThumbnailWidth(int Value);
    String Version() const { return ClassName() + " V1.0"; }
    void SetVersion(const String&) {}
    bool UseSystemFont() const { return FUseSystemFont; }
    void SetUseSystemFont(bool Value);
    TCopyMode CopyMode() const { return FCopyMode; }
    void SetCopyMode(TCopyMode Value) { FCopyMode = Value; }
    bool ShowOverlayIcons() const { return FShowOverlayIcons; }
    void SetShowOverlayIcons(bool Value);
    TNavShellOptions Options() const { return FOptions; }
    void SetOptions(TNavShellOptions Value);
    bool ShowNethood() const { return FOptions & nsoShowNethood; }
    void SetShowNethood(bool Value) { setOption(nsoShowNethood, Value); }
    bool ShowRecycleBin() const { return FOptions & nsoShowRecycleBin; }
    void SetShowRecycleBin(bool Value) { setOption(nsoShowRecycleBin, Value); }
    bool ShowErrorMessages() const { return FOptions & nsoShowErrorMessages; }
    void SetShowErrorMessages(bool Value) { setOption(nsoShowErrorMessages, Value); }
    bool ShowHidden() const { return FOptions & nsoShowHidden; }
    void SetShowHidden(bool Value) { setOption(nsoShowHidden, Value); }
    bool ShowFiles() const { return FOptions & nsoShowFiles; }
    void SetShowFiles(bool Value) { setOption(nsoShowFiles, Value); }
    bool ShowContextMenuOnTop() const { return FOptions & nsoShowContextMenuOnTop; }
    void SetShowContextMenuOnTop(bool Value) { setOption(nsoShowContextMenuOnTop, Value); }
    bool ColorCompressed() const { return FOptions & nsoColorCompressed; }
    void SetColorCompressed(bool Value) { setOption(nsoColorCompressed, Value); }
    bool ColorEncrypted() const { return FOptions & nsoColorEncrypted; }
    void SetColorEncrypted(bool Value) { setOption(nsoColorEncrypted, Value); }
    bool NoFillOnStartup() const { return FOptions & nsoNoFillOnStartup; }
    void SetNoFillOnStartup(bool Value) { setOption(nsoNoFillOnStartup, Value); }
    TOnContextMenuSelectEvent OnContextMenuSelect() const { return FBrowser->OnContextMenuSelect; }
    void SetOnContextMenuSelect(const TOnContextMenuSelectEvent& Value) { FBrowser->OnContextMenuSelect = Value; }
    // The view style; leaving the icon view switches thumbnails off.
    void SetViewStyle(TViewStyle Value);

    TNavAddItemEvent OnAddItem;
    TNotifyEvent OnPopulated;
    TNotifyEvent OnCreateColumns;
    TOnOperation OnOperation;
    TNavListItemEvent OnGetImageIndex;
    TNotifyEvent OnPathChanged;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnBeforeFullRefresh;
    TNavCheckStateChangedEvent OnCheckStateChanged;

    // Rows above which a change fills the list anew instead of merging.
    static constexpr int MergeLimit = 300;
    static constexpr unsigned ChangeDelay = 600;

protected:
    void CreateWnd() override;
    void DestroyWnd() override;
    TListItem* CreateListItem() override;
    bool CanEdit(TListItem* Item) override;
    void Edit(const LVITEMA& Item) override;
    void Edit(const LVITEMW& Item) override;
    void Change(TListItem* Item, TItemChange Change) override;
    void ColClick(TListColumn* Column) override;
    bool CustomDrawItem(TListItem* Item, TCustomDrawState State, TCustomDrawStage Stage) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void DblClick() override;
    virtual void CreateColumns();

private:
    void setOption(TNavShellOptions Bit, bool Value);
    void refill();
    void addItem(bool Details);
    void addParentItem();
    void fillDetails(TNavShellListItem* Item);
    void renameItem(TNavShellListItem* Item, const WideString& Text);
    void changed(TNotificationEvent Event, LPCITEMIDLIST List1, LPCITEMIDLIST List2);
    void timerFired(TObject*);
    void reportPath();
    void report(int Operation, std::unique_ptr<TFileNames> Files, const WideString& Destination);
    void contextMenu(TMessage& Message);
    void hintShow(TMessage& Message);
    void startRename(TObject*);
    void selectByNames(const std::vector<std::string>& Keys);
    void queueThumbnail(TNavShellListItem* Item);
    void cancelThumbnails();
    void checkWindowCreated();
    void setCheckState(TNavShellListItem* Item);
    std::unique_ptr<TFileNames> selectedPaths();
    static int shellCompare(LPARAM A, LPARAM B, LPARAM List);
    static int textCompare(LPARAM A, LPARAM B, LPARAM List);

    TShellNamespace* FBrowser;
    TNavSystemImageList* FSmall;
    TNavSystemImageList* FLarge;
    TCustomImageList* FThumbImages;
    TNavShellOptions FOptions = nsoShowNethood | nsoShowRecycleBin | nsoShowFiles;
    int FSortColumn = 0;
    bool FDescending = false;
    int FSortSign = 1;
    std::vector<int> FColumnMap;
    std::array<int, 255> FZipWidths{};
    bool FWasZip = false;
    TTimer* FTimer;
    TNavShellChangeNotifier* FNotifier;
    bool FBusy = false;
    bool FGuard = false;
    HBITMAP FArrowUp = nullptr;
    HBITMAP FArrowDown = nullptr;
    WideString FDesignPath;
    TNavShellFolder FDesignSpecial = SF_DRIVES;
    unsigned long long FLastFullRefresh = 0;
    TNavShellLink* FLink = nullptr;
    TPidl FReportedFolder;
    TNavShellListItem* FReportedItem = nullptr;
    TComponent* FBackgroundPopupMenu = nullptr;
    bool FAutomaticRefresh = true;
    bool FDetails = true;
    bool FShowFolders = true;
    bool FShowParentFolder = false;
    bool FThumbnails = false;
    bool FCheckboxes = false;
    TCustomImageList* FStateImageList = nullptr;
    int FThumbWidth = 100;
    int FThumbHeight = 100;
    bool FUseSystemFont = true;
    TCopyMode FCopyMode = cmDefault;
    bool FShowOverlayIcons = true;
    bool FOleDragDrop = true;
    bool FShellContextMenu = true;
    bool FWindowCreated = false;
    TViewStyle FViewStyleBeforeThumbnails = vsReport;
    int FFullRefreshes = 0;
    int FIncrementalRefreshes = 0;
};
