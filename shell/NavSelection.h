// The check-box selection of files and folders across linked views: the checked paths, the
// check state of any path, and the number of files and folders and the bytes of what is
// checked, counted by work items on the folder-size pool. Also the check-box state images.
//
// A folder checked with everything below it is stored as its path followed by "/*".
// Check states (also the state image indexes): 1 no check possible, 2 checked, 3 not
// checked, 4 partly checked (something below it is).
#pragma once

#include "classlib/ImgList.h"
#include "shell/ShellNamespace.h"
#include "shell/ThreadPool.h"

#include <map>
#include <memory>

class TNavShellLink;

inline constexpr int csNoCheck = 1;
inline constexpr int csChecked = 2;
inline constexpr int csUnchecked = 3;
inline constexpr int csPartly = 4;

// Counts the files and folders below a path and sums the files' sizes, on a worker. A path
// ending in "/*" is a folder walked (recursively when asked); symbolic links are counted as
// files and never followed, so a link loop ends.
class TNavFolderSizeThread : public TBasicWorkItem {
public:
    TNavFolderSizeThread(TObject* Owner, const WideString& Path, bool Recursive);
    void Execute() override;

    const WideString& Path() const { return FPath; }
    long long FileCount() const { return FFiles; }
    long long FolderCount() const { return FFolders; }
    unsigned long long ByteSum() const { return FBytes; }

private:
    WideString FPath;
    bool FRecursive;
    long long FFiles = 0;
    long long FFolders = 0;
    unsigned long long FBytes = 0;
};

class TNavBaseSelectionList : public TComponent {
    Q_OBJECT

public:
    explicit TNavBaseSelectionList(TComponent* AOwner);
    ~TNavBaseSelectionList() override;

    TFileNames* Paths() const { return FPaths.get(); }
    // Cancels the pending counts, clears the totals and adds each path.
    void SetPaths(TFileNames* Value);
    void Clear();
    // Adds an entry (a file, or a folder as "path/*") and starts its count.
    virtual void Add(const WideString& Entry);
    // Removes an entry and what it counted.
    virtual void Remove(const WideString& Entry);

    long long FileCount() const { return FTotals.Files; }
    long long FolderCount() const { return FTotals.Folders; }
    unsigned long long ByteSum() const { return FTotals.Bytes; }
    // Counts not finished yet.
    int PendingCount() const { return static_cast<int>(FPending.size()); }
    // Whether each added entry is counted (true at creation).
    bool CalculateSizes() const { return FCalculateSizes; }
    void SetCalculateSizes(bool Value) { FCalculateSizes = Value; }

    // Every count has finished.
    TNotifyEvent OnCompletedCalculateFiles;

protected:
    struct Totals {
        long long Files = 0;
        long long Folders = 0;
        unsigned long long Bytes = 0;
    };
    void cancelAll();

private:
    void startCount(const WideString& Entry);
    void counted(TNavFolderSizeThread* Job);

    std::unique_ptr<TFileNames> FPaths;
    Totals FTotals;
    std::map<WideString, Totals> FCounted;                                   // finished, by entry
    std::map<WideString, std::shared_ptr<TNavFolderSizeThread>> FPending;  // running, by entry
    bool FCalculateSizes = true;
};

class TNavSelectionList : public TNavBaseSelectionList {
    Q_OBJECT

public:
    explicit TNavSelectionList(TComponent* AOwner, TNavShellLink* Link = nullptr);

    TNavShellLink* Link() const { return FLink; }
    // The check state of a file-system path (without a trailing "/").
    int CheckState(const WideString& Path) const;
    // The check state of any object: the computer is partly checked when anything is, the
    // network never; others by their path.
    int CheckStateOfList(LPCITEMIDLIST Absolute) const;
    // A click on a check box: checks what is not (a folder with everything below it),
    // unchecks what is (splitting a checked folder above it); gives the new state.
    int Toggle(const WideString& Path, bool IsFolder);

    TNotifyEvent OnChange;

private:
    void split(const WideString& Base, const WideString& Path);

    TNavShellLink* FLink;
};

// The five 16 x 16 check-box state images: 0 unchecked on white, then on the transparent
// colour 0x0000FF one per check state (1 inactive, 2 checked, 3 unchecked, 4 checked and
// inactive).
class TNavSelectionStateImageList : public TCustomImageList {
    Q_OBJECT

public:
    explicit TNavSelectionStateImageList(TComponent* AOwner);
};
