// UTF-16 string lists: the abstract TWideStrings with text, names, files, streams and
// layout data, the stored and optionally sorted TWideStringList, the ANSI view of a wide
// list for code that only knows TStrings, and a file stream opened by wide name.
//
// Bad indexes raise EStringListError "Der Index der Liste überschreitet das Maximum (%d)";
// changing a sorted list by position raises "Operation bei sortierten Stringlisten nicht
// erlaubt"; a duplicate in dupError mode raises "In der Stringliste sind Duplikate nicht
// erlaubt". A failed operation leaves the list unchanged.
#pragma once

#include "classlib/Classes.h"
#include "widetext/WideSystem.h"

#include <functional>
#include <memory>
#include <vector>

class TWideStrings;
class TWideStringList;

// The text encodings of files and streams (TWideStrings::LastFileCharSet).
enum TWideFileCharSet : Byte {
    csAnsi = 0,
    csUnicode = 1,         // UTF-16 little-endian, bytes FF FE
    csUnicodeSwapped = 2,  // UTF-16 big-endian, bytes FE FF
    csUtf8 = 3             // bytes EF BB BF
};

// The encoding a stream starts with, from its position; the position is left after the
// byte-order mark (or where it was when there is none).
TWideFileCharSet AutoDetectCharacterSet(TStream* Stream);

using TAnsiStrings = TStrings;

// The ANSI view of a wide list: every string converted through a code page (0: the
// process-wide DefaultUserCodePage, or the ANSI code page when that is 0 too).
class TAnsiStringsForWideStringsAdapter : public TAnsiStrings {
    Q_OBJECT

public:
    TAnsiStringsForWideStringsAdapter(TWideStrings* AWideStrings, UINT AAnsiCodePage = 0);
    ~TAnsiStringsForWideStringsAdapter() override;

    String Get(int Index) const override;
    void Put(int Index, const String& S) override;
    int GetCount() const override;
    TObject* GetObject(int Index) const override;
    void PutObject(int Index, TObject* AObject) override;
    // Adding goes to the wide list's own Add, so that sorted lists keep their order.
    int Add(const String& S) override;
    int AddObject(const String& S, TObject* AObject) override;
    void Insert(int Index, const String& S) override;
    void Delete(int Index) override;
    void Clear() override;
    // The rest of the stream as 8-bit text in the code page becomes the wide list's text.
    void LoadFromStream(TStream* Stream) override;
    // The wide list's text in the code page.
    void SaveToStream(TStream* Stream) override;

    // Updates of the view are updates of the wide list.
    void SetUpdateState(bool Updating) override;

    UINT CodePage() const;

private:
    TWideStrings* wide_;
    UINT codePage_;
};

class TWideStrings : public TPersistent {
    Q_OBJECT

public:
    TWideStrings();
    ~TWideStrings() override;

    // A TWideStrings source is copied with its separators; a TStrings source goes through
    // the ANSI view; assigning a list to itself changes nothing.
    void Assign(TPersistent* Source) override;
    // A TStrings destination receives the ANSI copies.
    void AssignTo(TPersistent* Dest) override;
    // Layouts: "Strings" and "WideStrings" (read: 8-bit or wide strings, one text or a
    // list), "WideStringsW" (read: UTF-8 strings), "WideStrings_UTF7" (UTF-7 strings). The
    // writer stores "WideStrings" in the ANSI code page and, when a string holds a character
    // above 127, "WideStrings_UTF7".
    void DefineProperties(TFiler* Filer) override;

    // The storage of a descendant.
    virtual WideString Get(int Index) const = 0;
    virtual int GetCapacity() const;
    virtual int GetCount() const = 0;
    virtual TObject* GetObject(int Index) const;
    // Every string followed by CR LF.
    virtual WideString GetTextStr() const;
    virtual void Put(int Index, const WideString& S);
    virtual void PutObject(int Index, TObject* AObject);
    virtual void SetCapacity(int NewCapacity);
    // Lines end at CR, LF, CR LF or U+2028; the text ends at its first NUL; a text ending
    // in a line break gives no empty last line.
    virtual void SetTextStr(const WideString& Value);
    virtual void SetUpdateState(bool Updating);
    // Case-insensitive comparison in the thread's locale.
    virtual int CompareStrings(const WideString& S1, const WideString& S2) const;

    virtual int Add(const WideString& S);
    virtual int AddObject(const WideString& S, TObject* AObject);
    virtual void AddStrings(TWideStrings* Strings);
    virtual void Clear() = 0;
    virtual void Delete(int Index) = 0;
    virtual void Exchange(int Index1, int Index2);
    // A new null-terminated copy of Text; free it with WideStrDispose.
    virtual WCHAR* GetText() const;
    virtual int IndexOf(const WideString& S) const;
    // The first line "Name=..." whose name compares equal to Name.
    virtual int IndexOfName(const WideString& Name) const;
    virtual int IndexOfObject(TObject* AObject) const;
    virtual void Insert(int Index, const WideString& S) = 0;
    virtual void InsertObject(int Index, const WideString& S, TObject* AObject);
    // Detects the encoding from the byte-order mark (none: the ANSI code page).
    virtual void LoadFromFile(const WideString& FileName);
    // With WithBOM the encoding is detected from the stream's byte-order mark, otherwise
    // the stream holds UTF-16 little-endian text.
    virtual void LoadFromStream(TStream* Stream, bool WithBOM = true);
    // Both indexes (and, for a sorted list, the sorted state) are checked before anything
    // changes.
    virtual void Move(int CurIndex, int NewIndex);
    // Always UTF-16 little-endian with its byte-order mark, written to a temporary file
    // that then replaces FileName.
    virtual void SaveToFile(const WideString& FileName);
    virtual void SaveToStream(TStream* Stream, bool WithBOM = true);
    virtual void SetText(const WCHAR* Text);

    void BeginUpdate();
    void EndUpdate();
    // The same strings (exactly, case-sensitive) in the same order; objects are not compared.
    bool Equals(const TWideStrings* Strings) const;

    int Count() const { return GetCount(); }
    int Capacity() const { return GetCapacity(); }
    WideString Strings(int Index) const { return Get(Index); }
    void SetStrings(int Index, const WideString& S) { Put(Index, S); }
    WideString operator[](int Index) const { return Get(Index); }
    TObject* Objects(int Index) const { return GetObject(Index); }
    void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }
    WideString Text() const { return GetTextStr(); }
    void SetText(const WideString& Value) { SetTextStr(Value); }
    // "=" until one is set.
    WCHAR NameValueSeparator() const;
    void SetNameValueSeparator(WCHAR Value);
    WCHAR Delimiter() const;
    void SetDelimiter(WCHAR Value);
    WCHAR QuoteChar() const;
    void SetQuoteChar(WCHAR Value);
    // The encoding the last LoadFromFile found.
    TWideFileCharSet LastFileCharSet() const { return lastFileCharSet_; }
    TAnsiStrings* AnsiStrings() const { return ansiStrings_.get(); }
    void SetAnsiStrings(TStrings* Value);
    int UpdateCount() const { return updateCount_; }

protected:
    [[noreturn]] static void Error(const TResStringRec& Msg, long long Data);
    // Whether there is anything to write to a layout.
    bool HasDataToWrite(TFiler* Filer) const;

private:
    enum : Byte { sdDelimiter = 1, sdQuoteChar = 2, sdNameValueSeparator = 4 };

    std::unique_ptr<TAnsiStringsForWideStringsAdapter> ansiStrings_;
    TWideFileCharSet lastFileCharSet_ = csUnicode;
    mutable Byte defined_ = 0;
    mutable WCHAR delimiter_ = u',';
    mutable WCHAR quoteChar_ = u'"';
    mutable WCHAR nameValueSeparator_ = u'=';
    int updateCount_ = 0;
};

// One item of a TWideStringList: the string (owned) and the object (not owned).
struct TWideStringItem {
    WideString FString;
    TObject* FObject = nullptr;
};

using TWideStringListSortCompare = std::function<int(TWideStringList* List, int Index1, int Index2)>;

class TWideStringList : public TWideStrings {
    Q_OBJECT

public:
    TWideStringList();
    ~TWideStringList() override;

    WideString Get(int Index) const override;
    int GetCapacity() const override { return capacity_; }
    int GetCount() const override { return static_cast<int>(items_.size()); }
    TObject* GetObject(int Index) const override;
    void Put(int Index, const WideString& S) override;
    void PutObject(int Index, TObject* AObject) override;
    // A capacity below Count raises EStringListError "List capacity out of range (%d)".
    void SetCapacity(int NewCapacity) override;
    void SetUpdateState(bool Updating) override;
    // By CaseSensitive: the locale comparison with or without regard to case.
    int CompareStrings(const WideString& S1, const WideString& S2) const override;

    int Add(const WideString& S) override;
    int AddObject(const WideString& S, TObject* AObject) override;
    void Clear() override;
    void Delete(int Index) override;
    void Exchange(int Index1, int Index2) override;
    int IndexOf(const WideString& S) const override;
    int IndexOfName(const WideString& Name) const override;
    void Insert(int Index, const WideString& S) override;
    void InsertObject(int Index, const WideString& S, TObject* AObject) override;
    void Move(int CurIndex, int NewIndex) override;

    // Binary search of a sorted list: true when found; Index is the item met or where S
    // would go (with dupAccept the first of several equal items).
    virtual bool Find(const WideString& S, int& Index) const;
    // Sorts an unsorted list by CompareStrings.
    virtual void Sort();
    // Sorts an unsorted list; Compare may be any function, the sort stays inside the list.
    virtual void CustomSort(const TWideStringListSortCompare& Compare);

    bool Sorted() const { return sorted_; }
    // True sorts the list first.
    void SetSorted(bool Value);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates Value) { duplicates_ = Value; }
    bool CaseSensitive() const { return caseSensitive_; }
    // A sorted list is sorted again by the new comparison.
    void SetCaseSensitive(bool Value);

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    virtual void Changed();
    virtual void Changing();
    virtual void InsertItem(int Index, const WideString& S, TObject* AObject);

private:
    void checkIndex(int Index) const;
    int compareItems(int Index1, int Index2) const;
    void grow();
    template <class Compare>
    void quickSort(int L, int R, Compare& compare);
    template <class Compare>
    void sortWith(Compare compare);

    std::vector<TWideStringItem> items_;
    int capacity_ = 0;
    bool sorted_ = false;
    TDuplicates duplicates_ = dupIgnore;
    bool caseSensitive_ = false;
};

// A file stream opened by wide name: mode fmCreate (0xFFFF) creates or truncates,
// any other value is an open mode of WideFileOpen. Failures raise EFCreateError
// "Datei %s kann nicht erstellt werden" or EFOpenError "Datei %s kann nicht geöffnet
// werden". The handle is closed with the stream.
class TWideFileStream : public THandleStream {
    Q_OBJECT

public:
    TWideFileStream(const WideString& FileName, Word Mode);
    ~TWideFileStream() override;
    WideString FileName() const { return fileName_; }

private:
    WideString fileName_;
};
