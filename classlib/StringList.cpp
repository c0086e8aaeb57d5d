// TStrings and TStringList.
#include "classlib/Classes.h"

#include <algorithm>

namespace classes_detail {
std::vector<int> mergeSortedIndexes(int n, const std::function<bool(int, int)>& less);
}

// ---- TStrings ----------------------------------------------------------------------------

TStrings::TStrings() = default;
TStrings::~TStrings() = default;

void TStrings::Error(const TResStringRec& Msg, long long Data) { throw EStringListError(Msg, {Data}); }

void TStrings::checkIndex(int Index) const {
    if (Index < 0 || Index >= GetCount()) Error(SListIndexError, Index);
}

TObject* TStrings::GetObject(int) const { return nullptr; }

void TStrings::Put(int Index, const String& S) {
    TObject* obj = GetObject(Index);
    Delete(Index);
    InsertObject(Index, S, obj);
}

void TStrings::PutObject(int, TObject*) {}

int TStrings::GetCapacity() const { return GetCount(); }

void TStrings::SetCapacity(int) {}

String TStrings::GetTextStr() const {
    const int n = GetCount();
    std::size_t size = 0;
    for (int i = 0; i < n; ++i) size += Get(i).size() + lineBreak_.size();
    String out;
    out.reserve(size);
    for (int i = 0; i < n; ++i) {
        out += Get(i);
        out += lineBreak_;
    }
    return out;
}

void TStrings::SetTextStr(const String& Value) {
    BeginUpdate();
    try {
        Clear();
        std::size_t i = 0;
        const std::size_t n = Value.size();
        while (i < n) {
            std::size_t j = i;
            while (j < n && Value[j] != '\r' && Value[j] != '\n') ++j;
            Add(Value.substr(i, j - i));
            if (j < n && Value[j] == '\r') ++j;
            if (j < n && Value[j] == '\n') ++j;
            i = j;
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::SetUpdateState(bool) {}

int TStrings::CompareStrings(const String& S1, const String& S2) const { return AnsiCompareText(S1, S2); }

int TStrings::Add(const String& S) {
    const int index = GetCount();
    Insert(index, S);
    return index;
}

int TStrings::AddObject(const String& S, TObject* AObject) {
    const int index = Add(S);
    PutObject(index, AObject);
    return index;
}

void TStrings::AddStrings(TStrings* Strings) {
    if (!Strings) return;
    BeginUpdate();
    try {
        // A copy first, so that adding a list to itself ends.
        const int n = Strings->Count();
        std::vector<std::pair<String, TObject*>> items;
        items.reserve(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) items.emplace_back(Strings->Get(i), Strings->GetObject(i));
        for (const auto& [s, o] : items) AddObject(s, o);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::Assign(TPersistent* Source) {
    auto* source = qobject_cast<TStrings*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    if (source == this) return;
    BeginUpdate();
    try {
        Clear();
        delimiter_ = source->delimiter_;
        quoteChar_ = source->quoteChar_;
        nameValueSeparator_ = source->nameValueSeparator_;
        strictDelimiter_ = source->strictDelimiter_;
        lineBreak_ = source->lineBreak_;
        AddStrings(source);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// The update state changes while the count is 0, so that the events of entering and
// leaving an update fire.
void TStrings::BeginUpdate() {
    if (updateCount_ == 0) SetUpdateState(true);
    ++updateCount_;
}

void TStrings::EndUpdate() {
    if (updateCount_ == 0) return;
    if (--updateCount_ == 0) SetUpdateState(false);
}

bool TStrings::Equals(const TStrings* Strings) const {
    if (!Strings) return false;
    const int n = GetCount();
    if (n != Strings->GetCount()) return false;
    for (int i = 0; i < n; ++i)
        if (Get(i) != Strings->Get(i)) return false;
    return true;
}

void TStrings::Exchange(int Index1, int Index2) {
    checkIndex(Index1);
    checkIndex(Index2);
    if (Index1 == Index2) return;
    BeginUpdate();
    try {
        const String s1 = Get(Index1);
        TObject* o1 = GetObject(Index1);
        Put(Index1, Get(Index2));
        PutObject(Index1, GetObject(Index2));
        Put(Index2, s1);
        PutObject(Index2, o1);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

int TStrings::IndexOf(const String& S) const {
    const int n = GetCount();
    for (int i = 0; i < n; ++i)
        if (CompareStrings(Get(i), S) == 0) return i;
    return -1;
}

int TStrings::IndexOfName(const String& Name) const {
    const int n = GetCount();
    for (int i = 0; i < n; ++i) {
        const String s = Get(i);
        const std::size_t at = s.find(nameValueSeparator_);
        if (at != String::npos && CompareStrings(s.substr(0, at), Name) == 0) return i;
    }
    return -1;
}

int TStrings::IndexOfObject(TObject* AObject) const {
    const int n = GetCount();
    for (int i = 0; i < n; ++i)
        if (GetObject(i) == AObject) return i;
    return -1;
}

void TStrings::InsertObject(int Index, const String& S, TObject* AObject) {
    Insert(Index, S);
    PutObject(Index, AObject);
}

void TStrings::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    checkIndex(CurIndex);
    checkIndex(NewIndex);
    BeginUpdate();
    try {
        const String s = Get(CurIndex);
        TObject* o = GetObject(CurIndex);
        Delete(CurIndex);
        InsertObject(NewIndex, s, o);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::LoadFromFile(const String& FileName) {
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TStrings::LoadFromStream(TStream* Stream) {
    BeginUpdate();
    try {
        const Int64 size = Stream->Size() - Stream->Position();
        String text;
        if (size > 0) {
            text.resize(static_cast<std::size_t>(size));
            text.resize(static_cast<std::size_t>(Stream->Read(text.data(), size)));
        }
        // A UTF-8 file may start with its byte-order mark.
        if (GetACP() == CP_UTF8 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
        SetTextStr(text);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::SaveToFile(const String& FileName) {
    SaveFileSafely(FileName, [this](TStream* s) { SaveToStream(s); });
}

void TStrings::SaveToStream(TStream* Stream) {
    const String text = GetTextStr();
    Stream->WriteBuffer(text.data(), static_cast<Int64>(text.size()));
}

String TStrings::Names(int Index) const {
    const String s = Get(Index);
    const std::size_t at = s.find(nameValueSeparator_);
    return at == String::npos ? String() : s.substr(0, at);
}

String TStrings::ValueFromIndex(int Index) const {
    const String s = Get(Index);
    const std::size_t at = s.find(nameValueSeparator_);
    return at == String::npos ? String() : s.substr(at + 1);
}

String TStrings::Values(const String& Name) const {
    const int i = IndexOfName(Name);
    return i < 0 ? String() : ValueFromIndex(i);
}

void TStrings::SetValues(const String& Name, const String& Value) {
    const int i = IndexOfName(Name);
    if (Value.empty()) {
        if (i >= 0) Delete(i);
        return;
    }
    const String line = Name + nameValueSeparator_ + Value;
    if (i >= 0)
        Put(i, line);
    else
        Add(line);
}

String TStrings::DelimitedText() const {
    const int n = GetCount();
    if (n == 1 && Get(0).empty()) return String(2, quoteChar_);
    String out;
    for (int i = 0; i < n; ++i) {
        const String s = Get(i);
        // A strict list splits at the delimiter only, so blanks need no quotes there.
        bool quote = !s.empty() && s.front() == quoteChar_;
        for (char c : s)
            if (c == quoteChar_ || c == delimiter_ || c == '\0' || (!strictDelimiter_ && static_cast<unsigned char>(c) <= ' ')) {
                quote = true;
                break;
            }
        if (i > 0) out += delimiter_;
        out += quote ? AnsiQuotedStr(s, quoteChar_) : s;
    }
    return out;
}

void TStrings::SetDelimitedText(const String& Value) {
    const bool strict = strictDelimiter_;
    auto blank = [strict](char c) { return !strict && c != '\0' && static_cast<unsigned char>(c) <= ' '; };
    BeginUpdate();
    try {
        Clear();
        std::size_t i = 0;
        const std::size_t n = Value.size();
        while (i < n && blank(Value[i])) ++i;
        while (i < n) {
            String item;
            if (Value[i] == quoteChar_) {
                item = AnsiExtractQuotedStr(Value, i, quoteChar_);
            } else {
                const std::size_t start = i;
                while (i < n && Value[i] != delimiter_ && !blank(Value[i])) ++i;
                item = Value.substr(start, i - start);
            }
            Add(item);
            while (i < n && blank(Value[i])) ++i;
            if (i < n && Value[i] == delimiter_) {
                ++i;
                // A delimiter at the very end stands for one more, empty item.
                if (i == n) Add(String());
                while (i < n && blank(Value[i])) ++i;
            }
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

String TStrings::CommaText() const {
    TStringList copy;
    copy.Assign(const_cast<TStrings*>(this));
    copy.SetDelimiter(',');
    copy.SetQuoteChar('"');
    copy.SetStrictDelimiter(false);
    return copy.DelimitedText();
}

void TStrings::SetCommaText(const String& Value) {
    const char d = delimiter_, q = quoteChar_;
    const bool strict = strictDelimiter_;
    delimiter_ = ',';
    quoteChar_ = '"';
    strictDelimiter_ = false;
    try {
        SetDelimitedText(Value);
    } catch (...) {
        delimiter_ = d;
        quoteChar_ = q;
        strictDelimiter_ = strict;
        throw;
    }
    delimiter_ = d;
    quoteChar_ = q;
    strictDelimiter_ = strict;
}

void TStrings::DefineProperties(TFiler* Filer) {
    bool hasData = GetCount() > 0;
    if (auto* ancestor = qobject_cast<TStrings*>(Filer->Ancestor())) hasData = !Equals(ancestor);
    Filer->DefineProperty(
        "Strings",
        [this](TReader* Reader) {
            Reader->ReadListBegin();
            BeginUpdate();
            try {
                Clear();
                while (!Reader->EndOfList()) Add(Reader->ReadString());
            } catch (...) {
                EndUpdate();
                throw;
            }
            EndUpdate();
            Reader->ReadListEnd();
        },
        [this](TWriter* Writer) {
            Writer->WriteListBegin();
            for (int i = 0; i < GetCount(); ++i) Writer->WriteString(Get(i));
            Writer->WriteListEnd();
        },
        hasData);
}

// ---- TStringList -------------------------------------------------------------------------

TStringList::TStringList() = default;

TStringList::~TStringList() {
    OnChange = nullptr;
    OnChanging = nullptr;
}

String TStringList::Get(int Index) const {
    checkIndex(Index);
    return items_[static_cast<std::size_t>(Index)].str;
}

TObject* TStringList::GetObject(int Index) const {
    checkIndex(Index);
    return items_[static_cast<std::size_t>(Index)].obj;
}

void TStringList::Put(int Index, const String& S) {
    if (sorted_) Error(SSortedListError, 0);
    checkIndex(Index);
    Changing();
    items_[static_cast<std::size_t>(Index)].str = S;
    Changed();
}

void TStringList::PutObject(int Index, TObject* AObject) {
    checkIndex(Index);
    Changing();
    items_[static_cast<std::size_t>(Index)].obj = AObject;
    Changed();
}

void TStringList::SetCapacity(int NewCapacity) {
    if (NewCapacity < GetCount()) Error(SListCapacityError, NewCapacity);
    if (NewCapacity > static_cast<int>(items_.capacity())) {
        items_.reserve(static_cast<std::size_t>(NewCapacity));
    } else if (NewCapacity < static_cast<int>(items_.capacity())) {
        std::vector<Item> copy;
        copy.reserve(static_cast<std::size_t>(NewCapacity));
        copy.insert(copy.end(), items_.begin(), items_.end());
        items_.swap(copy);
    }
}

void TStringList::SetUpdateState(bool Updating) {
    if (Updating)
        Changing();
    else
        Changed();
}

int TStringList::CompareStrings(const String& S1, const String& S2) const {
    return caseSensitive_ ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

int TStringList::Add(const String& S) { return AddObject(S, nullptr); }

int TStringList::AddObject(const String& S, TObject* AObject) {
    int index = GetCount();
    if (sorted_) {
        if (Find(S, index)) {
            if (duplicates_ == dupIgnore) return index;
            if (duplicates_ == dupError) Error(SDuplicateString, 0);
        }
    }
    InsertItem(index, S, AObject);
    return index;
}

void TStringList::Changed() {
    if (UpdateCount() == 0) OnChange(this);
}

void TStringList::Changing() {
    if (UpdateCount() == 0) OnChanging(this);
}

void TStringList::Clear() {
    if (items_.empty()) return;
    Changing();
    std::vector<Item>().swap(items_);
    Changed();
}

void TStringList::Delete(int Index) {
    checkIndex(Index);
    Changing();
    items_.erase(items_.begin() + Index);
    Changed();
}

void TStringList::Exchange(int Index1, int Index2) {
    checkIndex(Index1);
    checkIndex(Index2);
    Changing();
    std::swap(items_[static_cast<std::size_t>(Index1)], items_[static_cast<std::size_t>(Index2)]);
    Changed();
}

bool TStringList::Find(const String& S, int& Index) const {
    return classes_detail::findSorted(
        GetCount(), duplicates_ != dupAccept,
        [&](int i) { return CompareStrings(items_[static_cast<std::size_t>(i)].str, S); }, Index);
}

int TStringList::IndexOf(const String& S) const {
    if (!sorted_) return TStrings::IndexOf(S);
    int index;
    return Find(S, index) ? index : -1;
}

int TStringList::IndexOfName(const String& Name) const { return TStrings::IndexOfName(Name); }

void TStringList::Insert(int Index, const String& S) { InsertObject(Index, S, nullptr); }

void TStringList::InsertObject(int Index, const String& S, TObject* AObject) {
    if (sorted_) Error(SSortedListError, 0);
    if (Index < 0 || Index > GetCount()) Error(SListIndexError, Index);
    InsertItem(Index, S, AObject);
}

void TStringList::InsertItem(int Index, const String& S, TObject* AObject) {
    Changing();
    items_.insert(items_.begin() + Index, Item{S, AObject});
    Changed();
}

void TStringList::Move(int CurIndex, int NewIndex) {
    // Checked before anything changes: a sorted list would lose the item between the
    // delete and the refused insert.
    if (CurIndex == NewIndex) return;
    if (sorted_) Error(SSortedListError, 0);
    checkIndex(CurIndex);
    checkIndex(NewIndex);
    Changing();
    Item item = items_[static_cast<std::size_t>(CurIndex)];
    items_.erase(items_.begin() + CurIndex);
    items_.insert(items_.begin() + NewIndex, std::move(item));
    Changed();
}

void TStringList::sortItems(const TStringListSortCompare& Compare) {
    if (GetCount() < 2) return;
    Changing();
    const std::vector<int> order = classes_detail::mergeSortedIndexes(
        GetCount(), [&](int a, int b) { return Compare(this, a, b) < 0; });
    std::vector<Item> sorted;
    sorted.reserve(items_.size());
    for (int k : order) sorted.push_back(items_[static_cast<std::size_t>(k)]);
    items_.swap(sorted);
    Changed();
}

void TStringList::Sort() {
    CustomSort([](TStringList* List, int A, int B) { return List->CompareStrings(List->items_[static_cast<std::size_t>(A)].str, List->items_[static_cast<std::size_t>(B)].str); });
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
    if (sorted_ || !Compare) return;
    sortItems(Compare);
}

void TStringList::SetSorted(bool Value) {
    if (sorted_ == Value) return;
    if (Value) Sort();
    sorted_ = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
    if (caseSensitive_ == Value) return;
    caseSensitive_ = Value;
    if (sorted_) {
        sortItems([](TStringList* List, int A, int B) {
            return List->CompareStrings(List->items_[static_cast<std::size_t>(A)].str, List->items_[static_cast<std::size_t>(B)].str);
        });
    }
}
