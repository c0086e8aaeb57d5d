// String lists: the abstract TStrings and the stored, optionally sorted TStringList.
// Part of Classes.h; include that.
//
// Bad indexes raise EStringListError "Der Index der Liste überschreitet das Maximum (%d)";
// changing a sorted list by position raises "Operation bei sortierten Stringlisten nicht
// erlaubt"; a duplicate in dupError mode raises "In der Stringliste sind Duplikate nicht
// erlaubt". A failed operation leaves the list unchanged. Sorted lists refuse Insert, Put
// and Move (Move is checked before the item is taken out); Exchange and objects may change.
#pragma once

#include "classlib/Classes.h"
#include "classlib/Streams.h"

#include <functional>
#include <vector>

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings : public TPersistent {
    Q_OBJECT

public:
    TStrings();
    ~TStrings() override;

    // The storage of a descendant.
    virtual String Get(int Index) const = 0;
    virtual int GetCount() const = 0;
    virtual void Clear() = 0;
    virtual void Delete(int Index) = 0;
    virtual void Insert(int Index, const String& S) = 0;
    virtual TObject* GetObject(int Index) const;
    virtual void Put(int Index, const String& S);
    virtual void PutObject(int Index, TObject* AObject);
    virtual int GetCapacity() const;
    virtual void SetCapacity(int NewCapacity);
    // Every string followed by LineBreak ("\n" unless set).
    virtual String GetTextStr() const;
    // Lines end at CR LF, LF or CR; a text ending in a line break gives no empty last line.
    virtual void SetTextStr(const String& Value);
    virtual void SetUpdateState(bool Updating);
    // AnsiCompareText (the platform's locale, without regard to case).
    virtual int CompareStrings(const String& S1, const String& S2) const;

    virtual int Add(const String& S);
    virtual int AddObject(const String& S, TObject* AObject);
    void Append(const String& S) { Add(S); }
    virtual void AddStrings(TStrings* Strings);
    void Assign(TPersistent* Source) override;
    void BeginUpdate();
    void EndUpdate();
    // Same strings in the same order (objects are not compared).
    bool Equals(const TStrings* Strings) const;
    virtual void Exchange(int Index1, int Index2);
    virtual int IndexOf(const String& S) const;
    // The first line "Name=..." whose name compares equal to Name.
    virtual int IndexOfName(const String& Name) const;
    virtual int IndexOfObject(TObject* AObject) const;
    virtual void InsertObject(int Index, const String& S, TObject* AObject);
    // Both indexes are checked before anything changes.
    virtual void Move(int CurIndex, int NewIndex);
    virtual void LoadFromFile(const String& FileName);
    virtual void LoadFromStream(TStream* Stream);
    // Written to a temporary file that then replaces FileName.
    virtual void SaveToFile(const String& FileName);
    virtual void SaveToStream(TStream* Stream);

    int Count() const { return GetCount(); }
    int Capacity() const { return GetCapacity(); }
    String Strings(int Index) const { return Get(Index); }
    void SetStrings(int Index, const String& S) { Put(Index, S); }
    String operator[](int Index) const { return Get(Index); }
    TObject* Objects(int Index) const { return GetObject(Index); }
    void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }
    // The part before the first NameValueSeparator ("" for lines without one).
    String Names(int Index) const;
    String ValueFromIndex(int Index) const;
    String Values(const String& Name) const;
    // An empty value deletes the line.
    void SetValues(const String& Name, const String& Value);
    String Text() const { return GetTextStr(); }
    void SetText(const String& Value) { SetTextStr(Value); }
    // Items joined by Delimiter; an item holding the quote, the delimiter or (unless
    // StrictDelimiter) a blank or control character is quoted (AnsiQuotedStr); a list of one
    // empty item gives two quotes. Reading splits at the delimiter and, unless
    // StrictDelimiter, at blanks; quoted items may hold both; a delimiter at the end adds an
    // empty item.
    String DelimitedText() const;
    void SetDelimitedText(const String& Value);
    // DelimitedText with "," and '"'.
    String CommaText() const;
    void SetCommaText(const String& Value);
    char Delimiter() const { return delimiter_; }
    void SetDelimiter(char Value) { delimiter_ = Value; }
    char QuoteChar() const { return quoteChar_; }
    void SetQuoteChar(char Value) { quoteChar_ = Value; }
    char NameValueSeparator() const { return nameValueSeparator_; }
    void SetNameValueSeparator(char Value) { nameValueSeparator_ = Value; }
    bool StrictDelimiter() const { return strictDelimiter_; }
    void SetStrictDelimiter(bool Value) { strictDelimiter_ = Value; }
    String LineBreak() const { return lineBreak_; }
    void SetLineBreak(const String& Value) { lineBreak_ = Value; }
    int UpdateCount() const { return updateCount_; }

    // Layouts store the lines as "Strings = ('a' 'b')".
    void DefineProperties(TFiler* Filer) override;

protected:
    [[noreturn]] static void Error(const TResStringRec& Msg, long long Data);
    void checkIndex(int Index) const;

private:
    int updateCount_ = 0;
    char delimiter_ = ',';
    char quoteChar_ = '"';
    char nameValueSeparator_ = '=';
    bool strictDelimiter_ = false;
    String lineBreak_ = sLineBreak;
};

namespace classes_detail {
// Binary search of a sorted list of count items: Index becomes the place of the text (the
// first equal item, or where it would be inserted); true when an equal item is there.
// compareAt(i) compares item i with the text. With onlyOne (duplicates not accepted) the
// first equal item found ends the search.
template <class CompareAt>
bool findSorted(int count, bool onlyOne, CompareAt compareAt, int& Index) {
    bool found = false;
    int lo = 0;
    int hi = count - 1;
    while (lo <= hi) {
        const int mid = static_cast<int>((static_cast<unsigned>(lo) + static_cast<unsigned>(hi)) >> 1);
        const int c = compareAt(mid);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                if (onlyOne) lo = mid;
            }
        }
    }
    Index = lo;
    return found;
}
}  // namespace classes_detail

class TStringList;
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

class TStringList : public TStrings {
    Q_OBJECT

public:
    TStringList();
    ~TStringList() override;

    String Get(int Index) const override;
    int GetCount() const override { return static_cast<int>(items_.size()); }
    TObject* GetObject(int Index) const override;
    void Put(int Index, const String& S) override;
    void PutObject(int Index, TObject* AObject) override;
    int GetCapacity() const override { return static_cast<int>(items_.capacity()); }
    // Below Count: EStringListError "List capacity out of range (%d)".
    void SetCapacity(int NewCapacity) override;
    void SetUpdateState(bool Updating) override;
    // By CaseSensitive: AnsiCompareStr or AnsiCompareText.
    int CompareStrings(const String& S1, const String& S2) const override;

    int Add(const String& S) override;
    int AddObject(const String& S, TObject* AObject) override;
    void Clear() override;
    void Delete(int Index) override;
    void Exchange(int Index1, int Index2) override;
    int IndexOf(const String& S) const override;
    int IndexOfName(const String& Name) const override;
    void Insert(int Index, const String& S) override;
    void InsertObject(int Index, const String& S, TObject* AObject) override;
    void Move(int CurIndex, int NewIndex) override;

    // Binary search of a sorted list: true when found; Index is the item's position or
    // where S would go (with dupAccept the first of equal items, so a new duplicate goes
    // before them).
    virtual bool Find(const String& S, int& Index) const;
    // Stable; nothing happens on a list that is already Sorted.
    virtual void Sort();
    virtual void CustomSort(const TStringListSortCompare& Compare);

    bool Sorted() const { return sorted_; }
    // True sorts the list.
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
    virtual void InsertItem(int Index, const String& S, TObject* AObject);

private:
    struct Item {
        String str;
        TObject* obj;
    };
    void sortItems(const TStringListSortCompare& Compare);
    std::vector<Item> items_;
    bool sorted_ = false;
    TDuplicates duplicates_ = dupIgnore;
    bool caseSensitive_ = false;
};
