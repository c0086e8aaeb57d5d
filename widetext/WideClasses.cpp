// TWideStrings, TWideStringList, the ANSI view of a wide list and the wide file stream.
#include "widetext/WideClasses.h"

#include "platform/atomicfile.h"
#include "platform/fileapi.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

constexpr WCHAR kLineSeparator = 0x2028;

// BeginUpdate now, EndUpdate when the scope ends (also by an exception).
class UpdateScope {
public:
    explicit UpdateScope(TWideStrings* List) : list_(List) { list_->BeginUpdate(); }
    ~UpdateScope() { list_->EndUpdate(); }
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

private:
    TWideStrings* list_;
};

// The bytes from the stream's position to its end.
std::string readRest(TStream* Stream) {
    const Int64 size = Stream->Size() - Stream->Position();
    std::string bytes;
    if (size > 0) {
        bytes.resize(static_cast<std::size_t>(size));
        Stream->ReadBuffer(bytes.data(), size);
    }
    return bytes;
}

bool hasCharacterAbove127(const WideString& S) {
    return std::any_of(S.begin(), S.end(), [](WCHAR c) { return c > 127; });
}

}  // namespace

TWideFileCharSet AutoDetectCharacterSet(TStream* Stream) {
    const Int64 start = Stream->Position();
    const Int64 left = Stream->Size() - start;
    if (left < 2) return csAnsi;
    unsigned char mark[3] = {};
    Stream->ReadBuffer(mark, 2);
    if (mark[0] == 0xFF && mark[1] == 0xFE) return csUnicode;
    if (mark[0] == 0xFE && mark[1] == 0xFF) return csUnicodeSwapped;
    Stream->SetPosition(start);
    if (left < 3) return csAnsi;
    Stream->ReadBuffer(mark, 3);
    if (mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF) return csUtf8;
    Stream->SetPosition(start);
    return csAnsi;
}

// ---- TAnsiStringsForWideStringsAdapter --------------------------------------------------

TAnsiStringsForWideStringsAdapter::TAnsiStringsForWideStringsAdapter(TWideStrings* AWideStrings, UINT AAnsiCodePage)
    : wide_(AWideStrings), codePage_(AAnsiCodePage) {}

TAnsiStringsForWideStringsAdapter::~TAnsiStringsForWideStringsAdapter() = default;

UINT TAnsiStringsForWideStringsAdapter::CodePage() const { return codePage_ ? codePage_ : DefaultUserCodePage; }

String TAnsiStringsForWideStringsAdapter::Get(int Index) const {
    return WideStringToStringEx(wide_->Get(Index), CodePage());
}

void TAnsiStringsForWideStringsAdapter::Put(int Index, const String& S) {
    wide_->Put(Index, StringToWideStringEx(S, CodePage()));
}

int TAnsiStringsForWideStringsAdapter::GetCount() const { return wide_->GetCount(); }

TObject* TAnsiStringsForWideStringsAdapter::GetObject(int Index) const { return wide_->GetObject(Index); }

void TAnsiStringsForWideStringsAdapter::PutObject(int Index, TObject* AObject) { wide_->PutObject(Index, AObject); }

int TAnsiStringsForWideStringsAdapter::Add(const String& S) { return wide_->Add(StringToWideStringEx(S, CodePage())); }

int TAnsiStringsForWideStringsAdapter::AddObject(const String& S, TObject* AObject) {
    return wide_->AddObject(StringToWideStringEx(S, CodePage()), AObject);
}

void TAnsiStringsForWideStringsAdapter::Insert(int Index, const String& S) {
    wide_->Insert(Index, StringToWideStringEx(S, CodePage()));
}

void TAnsiStringsForWideStringsAdapter::Delete(int Index) { wide_->Delete(Index); }

void TAnsiStringsForWideStringsAdapter::Clear() { wide_->Clear(); }

void TAnsiStringsForWideStringsAdapter::SetUpdateState(bool Updating) {
    if (Updating)
        wide_->BeginUpdate();
    else
        wide_->EndUpdate();
}

void TAnsiStringsForWideStringsAdapter::LoadFromStream(TStream* Stream) {
    wide_->SetTextStr(StringToWideStringEx(readRest(Stream), CodePage()));
}

void TAnsiStringsForWideStringsAdapter::SaveToStream(TStream* Stream) {
    const std::string bytes = WideStringToStringEx(wide_->GetTextStr(), CodePage());
    Stream->WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
}

// ---- TWideStrings -------------------------------------------------------------------------

TWideStrings::TWideStrings() : ansiStrings_(std::make_unique<TAnsiStringsForWideStringsAdapter>(this, 0)) {}

TWideStrings::~TWideStrings() = default;

void TWideStrings::Error(const TResStringRec& Msg, long long Data) { throw EStringListError(Msg, {Data}); }

void TWideStrings::Assign(TPersistent* Source) {
    if (auto* source = qobject_cast<TWideStrings*>(Source)) {
        if (source == this) return;
        UpdateScope update(this);
        Clear();
        defined_ = source->defined_;
        nameValueSeparator_ = source->nameValueSeparator_;
        delimiter_ = source->delimiter_;
        quoteChar_ = source->quoteChar_;
        AddStrings(source);
        return;
    }
    if (qobject_cast<TStrings*>(Source)) {
        ansiStrings_->Assign(Source);
        return;
    }
    TPersistent::Assign(Source);
}

void TWideStrings::AssignTo(TPersistent* Dest) {
    if (auto* dest = qobject_cast<TStrings*>(Dest)) {
        dest->Assign(ansiStrings_.get());
        return;
    }
    TPersistent::AssignTo(Dest);
}

bool TWideStrings::HasDataToWrite(TFiler* Filer) const {
    if (TPersistent* ancestor = Filer->Ancestor()) {
        auto* wide = qobject_cast<TWideStrings*>(ancestor);
        return !(wide && wide->Equals(this));
    }
    return GetCount() > 0;
}

void TWideStrings::DefineProperties(TFiler* Filer) {
    TPersistent::DefineProperties(Filer);
    // One text, or a list of strings of any kind.
    auto readStrings = [this](TReader* Reader) {
        if (Reader->NextValue() != vaList) {
            SetTextStr(Reader->ReadWideString());
            return;
        }
        Reader->ReadListBegin();
        std::vector<WideString> items;
        while (!Reader->EndOfList()) items.push_back(Reader->ReadWideString());
        Reader->ReadListEnd();
        UpdateScope update(this);
        Clear();
        for (const WideString& s : items) Add(s);
    };
    // A list whose elements are decoded; applied only while reading a layout with a root.
    auto readDecoded = [this](TReader* Reader, bool whenEmpty, auto decode) {
        Reader->ReadListBegin();
        std::vector<WideString> items;
        while (!Reader->EndOfList()) items.push_back(decode(Reader));
        Reader->ReadListEnd();
        if (!Reader->Owner() && !(whenEmpty && GetCount() == 0)) return;
        UpdateScope update(this);
        Clear();
        for (const WideString& s : items) Add(s);
    };
    const bool hasData = HasDataToWrite(Filer);
    bool needsUtf7 = false;
    if (hasData)
        for (int i = 0, n = GetCount(); i < n && !needsUtf7; ++i) needsUtf7 = hasCharacterAbove127(Get(i));

    Filer->DefineProperty("Strings", readStrings, nullptr, false);
    Filer->DefineProperty(
        "WideStrings", readStrings,
        [this](TWriter* Writer) {
            Writer->WriteListBegin();
            for (int i = 0, n = GetCount(); i < n; ++i) Writer->WriteString(WideToAnsi(Get(i)));
            Writer->WriteListEnd();
        },
        hasData);
    Filer->DefineProperty(
        "WideStringsW",
        [readDecoded](TReader* Reader) {
            readDecoded(Reader, true, [](TReader* R) { return Utf8ToWide(R->ReadUTF8String()); });
        },
        nullptr, false);
    Filer->DefineProperty(
        "WideStrings_UTF7",
        [readDecoded](TReader* Reader) {
            readDecoded(Reader, false, [](TReader* R) { return Utf7ToWide(R->ReadString()); });
        },
        [this](TWriter* Writer) {
            Writer->WriteListBegin();
            for (int i = 0, n = GetCount(); i < n; ++i) Writer->WriteString(WideToUtf7(Get(i)));
            Writer->WriteListEnd();
        },
        needsUtf7);
}

int TWideStrings::GetCapacity() const { return GetCount(); }

TObject* TWideStrings::GetObject(int) const { return nullptr; }

WideString TWideStrings::GetTextStr() const {
    const int n = GetCount();
    std::size_t size = 0;
    for (int i = 0; i < n; ++i) size += Get(i).size() + 2;
    WideString out;
    out.reserve(size);
    for (int i = 0; i < n; ++i) {
        out += Get(i);
        out += u"\r\n";
    }
    return out;
}

void TWideStrings::Put(int Index, const WideString& S) {
    TObject* obj = GetObject(Index);
    Delete(Index);
    InsertObject(Index, S, obj);
}

void TWideStrings::PutObject(int, TObject*) {}

void TWideStrings::SetCapacity(int) {}

void TWideStrings::SetTextStr(const WideString& Value) {
    UpdateScope update(this);
    Clear();
    const std::size_t n = Value.size();
    std::size_t i = 0;
    while (i < n && Value[i] != 0) {
        std::size_t j = i;
        while (j < n && Value[j] != 0 && Value[j] != u'\n' && Value[j] != u'\r' && Value[j] != kLineSeparator) ++j;
        Add(Value.substr(i, j - i));
        if (j < n && Value[j] == u'\r') ++j;
        if (j < n && Value[j] == u'\n') ++j;
        if (j < n && Value[j] == kLineSeparator) ++j;
        i = j;
    }
}

void TWideStrings::SetUpdateState(bool) {}

int TWideStrings::CompareStrings(const WideString& S1, const WideString& S2) const {
    return WideCompareTextLocale(S1, S2);
}

int TWideStrings::Add(const WideString& S) {
    const int index = GetCount();
    Insert(index, S);
    return index;
}

int TWideStrings::AddObject(const WideString& S, TObject* AObject) {
    const int index = Add(S);
    PutObject(index, AObject);
    return index;
}

void TWideStrings::AddStrings(TWideStrings* Strings) {
    if (!Strings) return;
    UpdateScope update(this);
    // A copy first, so that adding a list to itself ends.
    const int n = Strings->GetCount();
    std::vector<std::pair<WideString, TObject*>> items;
    items.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) items.emplace_back(Strings->Get(i), Strings->GetObject(i));
    for (const auto& [s, o] : items) AddObject(s, o);
}

void TWideStrings::BeginUpdate() {
    if (updateCount_ == 0) SetUpdateState(true);
    ++updateCount_;
}

void TWideStrings::EndUpdate() {
    if (updateCount_ == 0) return;
    if (--updateCount_ == 0) SetUpdateState(false);
}

bool TWideStrings::Equals(const TWideStrings* Strings) const {
    if (!Strings) return false;
    const int n = GetCount();
    if (n != Strings->GetCount()) return false;
    for (int i = 0; i < n; ++i)
        if (Get(i) != Strings->Get(i)) return false;
    return true;
}

void TWideStrings::Exchange(int Index1, int Index2) {
    const int n = GetCount();
    if (Index1 < 0 || Index1 >= n) Error(SListIndexError, Index1);
    if (Index2 < 0 || Index2 >= n) Error(SListIndexError, Index2);
    UpdateScope update(this);
    const WideString s1 = Get(Index1);
    TObject* o1 = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, s1);
    PutObject(Index2, o1);
}

WCHAR* TWideStrings::GetText() const { return WideStrNew(GetTextStr().c_str()); }

int TWideStrings::IndexOf(const WideString& S) const {
    for (int i = 0, n = GetCount(); i < n; ++i)
        if (CompareStrings(Get(i), S) == 0) return i;
    return -1;
}

int TWideStrings::IndexOfName(const WideString& Name) const {
    const WCHAR separator = NameValueSeparator();
    for (int i = 0, n = GetCount(); i < n; ++i) {
        const WideString s = Get(i);
        const std::size_t at = s.find(separator);
        if (at != WideString::npos && CompareStrings(s.substr(0, at), Name) == 0) return i;
    }
    return -1;
}

int TWideStrings::IndexOfObject(TObject* AObject) const {
    for (int i = 0, n = GetCount(); i < n; ++i)
        if (GetObject(i) == AObject) return i;
    return -1;
}

void TWideStrings::InsertObject(int Index, const WideString& S, TObject* AObject) {
    Insert(Index, S);
    PutObject(Index, AObject);
}

void TWideStrings::LoadFromFile(const WideString& FileName) {
    TWideFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    lastFileCharSet_ = AutoDetectCharacterSet(&stream);
    stream.SetPosition(0);
    LoadFromStream(&stream, true);
}

void TWideStrings::LoadFromStream(TStream* Stream, bool WithBOM) {
    UpdateScope update(this);
    const TWideFileCharSet charSet = WithBOM ? AutoDetectCharacterSet(Stream) : csUnicode;
    const std::string bytes = readRest(Stream);
    switch (charSet) {
    case csUnicode:
    case csUnicodeSwapped: {
        // A trailing odd byte is not part of the text.
        WideString text(bytes.size() / 2, u'\0');
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        const bool big = charSet == csUnicodeSwapped;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const unsigned a = p[2 * i], b = p[2 * i + 1];
            text[i] = static_cast<WCHAR>(big ? (a << 8 | b) : (b << 8 | a));
        }
        SetTextStr(text);
        break;
    }
    case csUtf8:
        SetTextStr(Utf8ToWide(bytes));
        break;
    case csAnsi:
        SetTextStr(StringToWideStringEx(bytes, CP_ACP));
        break;
    }
}

void TWideStrings::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    const int n = GetCount();
    if (CurIndex < 0 || CurIndex >= n) Error(SListIndexError, CurIndex);
    if (NewIndex < 0 || NewIndex >= n) Error(SListIndexError, NewIndex);
    UpdateScope update(this);
    const WideString s = Get(CurIndex);
    TObject* o = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, s, o);
}

void TWideStrings::SaveToFile(const WideString& FileName) {
    TMemoryStream data;
    SaveToStream(&data, true);
    if (!platform::writeWholeFile(platform::wideToFileName(FileName), data.Memory(),
                                  static_cast<std::size_t>(data.Size())))
        throw EFCreateError(SFCreateError, {FileName});
}

void TWideStrings::SaveToStream(TStream* Stream, bool WithBOM) {
    const WideString text = GetTextStr();
    std::string bytes;
    bytes.reserve(text.size() * 2 + 2);
    if (WithBOM) bytes += "\xFF\xFE";
    for (const WCHAR c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    Stream->WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
}

void TWideStrings::SetText(const WCHAR* Text) { SetTextStr(Text ? WideString(Text) : WideString()); }

WCHAR TWideStrings::NameValueSeparator() const {
    if (!(defined_ & sdNameValueSeparator)) {
        nameValueSeparator_ = u'=';
        defined_ |= sdNameValueSeparator;
    }
    return nameValueSeparator_;
}

void TWideStrings::SetNameValueSeparator(WCHAR Value) {
    nameValueSeparator_ = Value;
    defined_ |= sdNameValueSeparator;
}

WCHAR TWideStrings::Delimiter() const {
    if (!(defined_ & sdDelimiter)) {
        delimiter_ = u',';
        defined_ |= sdDelimiter;
    }
    return delimiter_;
}

void TWideStrings::SetDelimiter(WCHAR Value) {
    delimiter_ = Value;
    defined_ |= sdDelimiter;
}

WCHAR TWideStrings::QuoteChar() const {
    if (!(defined_ & sdQuoteChar)) {
        quoteChar_ = u'"';
        defined_ |= sdQuoteChar;
    }
    return quoteChar_;
}

void TWideStrings::SetQuoteChar(WCHAR Value) {
    quoteChar_ = Value;
    defined_ |= sdQuoteChar;
}

void TWideStrings::SetAnsiStrings(TStrings* Value) { ansiStrings_->Assign(Value); }

// ---- TWideStringList ----------------------------------------------------------------------

TWideStringList::TWideStringList() = default;

TWideStringList::~TWideStringList() {
    // No events while the list goes away.
    OnChange = nullptr;
    OnChanging = nullptr;
}

void TWideStringList::checkIndex(int Index) const {
    if (Index < 0 || Index >= GetCount()) Error(SListIndexError, Index);
}

WideString TWideStringList::Get(int Index) const {
    checkIndex(Index);
    return items_[static_cast<std::size_t>(Index)].FString;
}

TObject* TWideStringList::GetObject(int Index) const {
    checkIndex(Index);
    return items_[static_cast<std::size_t>(Index)].FObject;
}

void TWideStringList::Put(int Index, const WideString& S) {
    if (sorted_) Error(SSortedListError, 0);
    checkIndex(Index);
    Changing();
    items_[static_cast<std::size_t>(Index)].FString = S;
    Changed();
}

void TWideStringList::PutObject(int Index, TObject* AObject) {
    checkIndex(Index);
    Changing();
    items_[static_cast<std::size_t>(Index)].FObject = AObject;
    Changed();
}

void TWideStringList::SetCapacity(int NewCapacity) {
    if (NewCapacity < GetCount()) Error(SListCapacityError, NewCapacity);
    const auto wanted = static_cast<std::size_t>(NewCapacity);
    if (wanted > items_.capacity()) {
        items_.reserve(wanted);
    } else if (wanted < items_.capacity()) {
        std::vector<TWideStringItem> smaller;
        smaller.reserve(wanted);
        for (TWideStringItem& item : items_) smaller.push_back(std::move(item));
        items_.swap(smaller);
    }
    capacity_ = NewCapacity;
}

void TWideStringList::grow() {
    const int delta = capacity_ > 64 ? capacity_ / 4 : capacity_ > 8 ? 16 : 4;
    SetCapacity(capacity_ + delta);
}

void TWideStringList::SetUpdateState(bool Updating) {
    if (Updating)
        Changing();
    else
        Changed();
}

int TWideStringList::CompareStrings(const WideString& S1, const WideString& S2) const {
    // The UTF-16 branch in one call, as sorting compares often.
    if (PlatformHasWideApi())
        return platform::compareStringThreadLocale(caseSensitive_ ? 0 : NORM_IGNORECASE, S1, S2) - CSTR_EQUAL;
    return caseSensitive_ ? WideCompareStrLocale(S1, S2) : WideCompareTextLocale(S1, S2);
}

int TWideStringList::Add(const WideString& S) { return AddObject(S, nullptr); }

int TWideStringList::AddObject(const WideString& S, TObject* AObject) {
    int index = GetCount();
    if (sorted_ && Find(S, index)) {
        if (duplicates_ == dupIgnore) return index;
        if (duplicates_ == dupError) Error(SDuplicateString, 0);
    }
    InsertItem(index, S, AObject);
    return index;
}

void TWideStringList::Changed() {
    if (UpdateCount() == 0) OnChange(this);
}

void TWideStringList::Changing() {
    if (UpdateCount() == 0) OnChanging(this);
}

void TWideStringList::Clear() {
    if (items_.empty()) return;
    Changing();
    std::vector<TWideStringItem>().swap(items_);
    capacity_ = 0;
    Changed();
}

void TWideStringList::Delete(int Index) {
    checkIndex(Index);
    Changing();
    items_.erase(items_.begin() + Index);
    Changed();
}

void TWideStringList::Exchange(int Index1, int Index2) {
    checkIndex(Index1);
    checkIndex(Index2);
    Changing();
    std::swap(items_[static_cast<std::size_t>(Index1)], items_[static_cast<std::size_t>(Index2)]);
    Changed();
}

bool TWideStringList::Find(const WideString& S, int& Index) const {
    return classes_detail::findSorted(
        GetCount(), duplicates_ != dupAccept,
        [&](int i) { return CompareStrings(items_[static_cast<std::size_t>(i)].FString, S); }, Index);
}

int TWideStringList::IndexOf(const WideString& S) const {
    if (!sorted_) return TWideStrings::IndexOf(S);
    int index = 0;
    return Find(S, index) ? index : -1;
}

int TWideStringList::IndexOfName(const WideString& Name) const {
    if (!sorted_) return TWideStrings::IndexOfName(Name);
    const WideString key = Name + NameValueSeparator();
    int index = 0;
    Find(key, index);
    if (index >= GetCount()) return -1;
    const WideString& s = items_[static_cast<std::size_t>(index)].FString;
    return CompareStrings(s.substr(0, key.size()), key) == 0 ? index : -1;
}

void TWideStringList::Insert(int Index, const WideString& S) { InsertObject(Index, S, nullptr); }

void TWideStringList::InsertObject(int Index, const WideString& S, TObject* AObject) {
    if (sorted_) Error(SSortedListError, 0);
    if (Index < 0 || Index > GetCount()) Error(SListIndexError, Index);
    InsertItem(Index, S, AObject);
}

void TWideStringList::InsertItem(int Index, const WideString& S, TObject* AObject) {
    Changing();
    if (GetCount() == capacity_) grow();
    items_.insert(items_.begin() + Index, TWideStringItem{S, AObject});
    Changed();
}

void TWideStringList::Move(int CurIndex, int NewIndex) {
    // Checked before anything changes: a sorted list would lose the item between the
    // delete and the refused insert.
    if (CurIndex == NewIndex) return;
    if (sorted_) Error(SSortedListError, 0);
    checkIndex(CurIndex);
    checkIndex(NewIndex);
    TWideStrings::Move(CurIndex, NewIndex);
}

// Quicksort over the records; the pivot index follows its record. The scans stop at the
// range's ends, so a comparison that is no strict order cannot lead them out of the list,
// and the smaller part is sorted first so the depth stays logarithmic.
template <class Compare>
void TWideStringList::quickSort(int L, int R, Compare& compare) {
    while (L < R) {
        int i = L;
        int j = R;
        int p = static_cast<int>((static_cast<unsigned>(L) + static_cast<unsigned>(R)) >> 1);
        do {
            while (i < R && compare(i, p) < 0) ++i;
            while (j > L && compare(j, p) > 0) --j;
            if (i <= j) {
                if (i != j) std::swap(items_[static_cast<std::size_t>(i)], items_[static_cast<std::size_t>(j)]);
                if (p == i)
                    p = j;
                else if (p == j)
                    p = i;
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - L < R - i) {
            if (L < j) quickSort(L, j, compare);
            L = i;
        } else {
            if (i < R) quickSort(i, R, compare);
            R = j;
        }
    }
}

template <class Compare>
void TWideStringList::sortWith(Compare compare) {
    if (GetCount() < 2) return;
    Changing();
    try {
        quickSort(0, GetCount() - 1, compare);
    } catch (...) {
        Changed();
        throw;
    }
    Changed();
}

int TWideStringList::compareItems(int Index1, int Index2) const {
    // An item equals itself, which spares the scans one comparison with the pivot.
    if (Index1 == Index2) return 0;
    return CompareStrings(items_[static_cast<std::size_t>(Index1)].FString, items_[static_cast<std::size_t>(Index2)].FString);
}

void TWideStringList::Sort() {
    if (sorted_) return;
    sortWith([this](int a, int b) { return compareItems(a, b); });
}

void TWideStringList::CustomSort(const TWideStringListSortCompare& Compare) {
    if (sorted_ || !Compare) return;
    sortWith([this, &Compare](int a, int b) { return Compare(this, a, b); });
}

void TWideStringList::SetSorted(bool Value) {
    if (Value == sorted_) return;
    if (Value) Sort();
    sorted_ = Value;
}

void TWideStringList::SetCaseSensitive(bool Value) {
    if (Value == caseSensitive_) return;
    caseSensitive_ = Value;
    if (sorted_) sortWith([this](int a, int b) { return compareItems(a, b); });
}

// ---- TWideFileStream ------------------------------------------------------------------------

TWideFileStream::TWideFileStream(const WideString& FileName, Word Mode)
    : THandleStream(INVALID_HANDLE_VALUE), fileName_(FileName) {
    if (Mode == fmCreate) {
        handle_ = WideFileCreate(FileName);
        if (handle_ == INVALID_HANDLE_VALUE) throw EFCreateError(SFCreateError, {FileName});
    } else {
        handle_ = WideFileOpen(FileName, Mode);
        // A FIFO or a device would make reading wait without end.
        if (handle_ != INVALID_HANDLE_VALUE && !platform::isRegularFile(handle_)) {
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
        if (handle_ == INVALID_HANDLE_VALUE) throw EFOpenError(SFOpenError, {FileName});
    }
}

TWideFileStream::~TWideFileStream() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}
