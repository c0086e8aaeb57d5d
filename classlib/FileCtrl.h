// File controls: the filter combo box, the folder list and the file list.
#pragma once

#include "classlib/StdCtrls.h"

#include <vector>

// A drop-down list of the entries of Filter ("caption|mask;mask|caption|mask..."); Mask is
// the mask part of the chosen entry. OnChange fires when the user picks an entry.
class TFilterComboBox : public TCustomComboBox {
    Q_OBJECT
    Q_PROPERTY(String Filter READ Filter WRITE SetFilter)
    Q_CLASSINFO("Default:Filter", "'All files (*.*)|*.*'")

public:
    explicit TFilterComboBox(TComponent* AOwner);
    String Filter() const { return FFilter; }
    // Sets the entries; the first becomes the chosen one.
    void SetFilter(const String& v);
    // The mask of the chosen entry ("*.*" when none is chosen).
    String Mask() const;
    // The masks of every entry, in order.
    const std::vector<String>& Masks() const { return FMasks; }

private:
    String FFilter;
    std::vector<String> FMasks;
};

// The files of Directory whose names match Mask ("*.BMP;*.JPG": masks of "*" and "?",
// separated by ";", matched without regard to case; "*.*" matches every name), sorted by
// name; hidden files (names starting with ".") and folders are left out. Items hold the
// names; FileName is the chosen file's full path. OnChange fires when the user chooses
// another file. Names are bytes in the ANSI code page: names that are not valid text are
// listed as well, shown as well as they can be and kept exactly.
class TFileListBox : public TCustomListBox {
    Q_OBJECT
    Q_PROPERTY(String Directory READ Directory WRITE SetDirectory STORED false)
    Q_PROPERTY(String Mask READ Mask WRITE SetMask)
    Q_PROPERTY(String FileName READ FileName WRITE SetFileName STORED false)
    Q_PROPERTY(TNotifyEvent OnChange MEMBER OnChange)
    Q_CLASSINFO("Default:Mask", "'*.*'")

public:
    explicit TFileListBox(TComponent* AOwner);
    // Without a trailing "/" (except the root).
    String Directory() const { return FDirectory; }
    // A relative folder is taken relative to the current one; the list is read anew.
    void SetDirectory(const String& v);
    String Mask() const { return FMask; }
    void SetMask(const String& v);
    // The chosen file with its folder, or "" when none is chosen.
    String FileName() const;
    // Chooses the file of that name (a path also changes Directory); "" chooses none.
    void SetFileName(const String& v);
    // Reads the folder again, keeping the chosen file when it is still there.
    void Update() override;

    TNotifyEvent OnChange;

protected:
    void Click() override;
    virtual void Change();

private:
    void ReadFileNames();
    String FDirectory;
    String FMask = "*.*";
};

// The folder Directory with its ancestors from the root down, each indented one step
// more, followed by its subfolders (sorted by name, hidden ones left out). The current
// folder is the chosen item. A double click or Enter on an item makes that folder the
// Directory. Setting Directory fires OnChange when it changes and shows the folder in
// FileList.
class TDirectoryListBox : public TCustomListBox {
    Q_OBJECT
    Q_PROPERTY(String Directory READ Directory WRITE SetDirectory STORED false)
    Q_PROPERTY(TFileListBox* FileList READ FileList WRITE SetFileList)
    Q_PROPERTY(TNotifyEvent OnChange MEMBER OnChange)

public:
    explicit TDirectoryListBox(TComponent* AOwner);
    // Without a trailing "/" (except the root).
    String Directory() const { return FDirectory; }
    // A relative folder is taken relative to the current one. A folder that does not
    // exist raises EOSError and leaves the list as it was.
    void SetDirectory(const String& v);
    TFileListBox* FileList() const { return FFileList; }
    void SetFileList(TFileListBox* v);
    // The folder that item Index stands for.
    String GetItemPath(int Index) const;
    // Makes the chosen item's folder the Directory.
    void OpenCurrent();
    // Reads the subfolders again.
    void Update() override;

    TNotifyEvent OnChange;

protected:
    void DblClick() override;
    void KeyPress(char& Key) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    virtual void Change();

private:
    void ReadDirectoryNames();
    String FDirectory;
    std::vector<String> FPaths;  // the folder of each item
    TFileListBox* FFileList = nullptr;
};

// Whether Name matches one of the masks of Masks ("*.BMP;*.JPG"), without regard to case.
bool MatchesFileMask(const String& Name, const String& Masks);


