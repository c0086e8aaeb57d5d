#include "classlib/Classes.h"
#include "platform/codepage.h"
#include "testsupport/TestSupport.h"
#include "widetext/WideClasses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* kIndexError5 = "Der Index der Liste \xC3\xBC" "berschreitet das Maximum (5)";
const char* kSortedError = "Operation bei sortierten Stringlisten nicht erlaubt";
const char* kDuplicateError = "In der Stringliste sind Duplikate nicht erlaubt";

std::string indexError(int index) {
    return "Der Index der Liste \xC3\xBC" "berschreitet das Maximum (" + std::to_string(index) + ")";
}

// The message of the EStringListError that F raises ("" when it raises none).
template <class F>
std::string listError(F f) {
    try {
        f();
    } catch (const EStringListError& e) {
        return e.what();
    }
    return "";
}

std::vector<WideString> items(const TWideStrings& list) {
    std::vector<WideString> v;
    for (int i = 0; i < list.Count(); ++i) v.push_back(list[i]);
    return v;
}

void fill(TWideStrings& list, std::initializer_list<const char16_t*> strings) {
    for (const char16_t* s : strings) list.Add(s);
}

// Counts the change events of a list.
struct EventLog {
    int changing = 0;
    int changed = 0;
    void attach(TWideStringList& list) {
        list.OnChanging = [this](TObject*) { ++changing; };
        list.OnChange = [this](TObject*) { ++changed; };
    }
};

std::string bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s.push_back(static_cast<char>(v));
    return s;
}

std::string fileBytes(const std::string& path) {
    const std::vector<unsigned char> v = testsupport::readFile(path);
    return std::string(v.begin(), v.end());
}

void putFile(const std::string& path, const std::string& content) {
    ASSERT_TRUE(testsupport::writeFile(path, std::vector<unsigned char>(content.begin(), content.end())));
}

class WideList : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = platform::collationLocaleName();
        platform::setCollationLocale("de_DE");
    }
    void TearDown() override {
        platform::setCollationLocale(saved_);
        ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8));
        DefaultUserCodePage = 0;
    }
    testsupport::TempDir dir;
    WideString path(const std::string& name) const { return platform::fileNameToWide(dir.file(name)); }

private:
    std::string saved_;
};

class TWideHolder : public TComponent {
    Q_OBJECT
    Q_PROPERTY(TWideStrings* Items READ Items WRITE SetItems)

public:
    explicit TWideHolder(TComponent* AOwner) : TComponent(AOwner) {}
    TWideStrings* Items() { return &items_; }
    void SetItems(TWideStrings* Value) { items_.Assign(Value); }

private:
    TWideStringList items_;
};

bool hasLine(const String& text, const String& line) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == String::npos) end = text.size();
        String l = text.substr(start, end - start);
        l.erase(0, l.find_first_not_of(' '));
        if (l == line) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

TEST_F(WideList, SortedWithEachDuplicatesMode) {
    TWideStringList ignore;
    ignore.SetSorted(true);
    EXPECT_EQ(ignore.Add(u"b"), 0);
    EXPECT_EQ(ignore.Add(u"A"), 0);
    EXPECT_EQ(ignore.Add(u"a"), 0);  // equal to A: nothing added
    EXPECT_EQ(items(ignore), (std::vector<WideString>{u"A", u"b"}));

    TWideStringList accept;
    accept.SetSorted(true);
    accept.SetDuplicates(dupAccept);
    accept.Add(u"b");
    accept.Add(u"A");
    EXPECT_EQ(accept.Add(u"a"), 0);  // before the equal A
    EXPECT_EQ(items(accept), (std::vector<WideString>{u"a", u"A", u"b"}));
    int index = -1;
    EXPECT_TRUE(accept.Find(u"A", index));
    EXPECT_EQ(index, 0);  // the first of the equal items
    EXPECT_FALSE(accept.Find(u"ab", index));
    EXPECT_EQ(index, 2);

    TWideStringList error;
    error.SetSorted(true);
    error.SetDuplicates(dupError);
    fill(error, {u"b", u"A"});
    EXPECT_EQ(listError([&] { error.Add(u"a"); }), kDuplicateError);
    EXPECT_EQ(items(error), (std::vector<WideString>{u"A", u"b"}));

    // Locale order, not code units: umlauts sort beside their letters.
    TWideStringList words;
    words.SetSorted(true);
    fill(words, {u"Zebra", u"\u00C4pfel", u"apfel", u"Birne", u"\u00E4rger"});
    EXPECT_EQ(items(words), (std::vector<WideString>{u"apfel", u"\u00C4pfel", u"\u00E4rger", u"Birne", u"Zebra"}));
    EXPECT_EQ(words.IndexOf(u"BIRNE"), 3);
    EXPECT_EQ(words.IndexOf(u"Kiwi"), -1);
}

TEST_F(WideList, IndexErrorsNameTheBadIndex) {
    TWideStringList list;
    fill(list, {u"a", u"b", u"c"});
    EXPECT_EQ(listError([&] { list.Exchange(5, 0); }), kIndexError5);
    EXPECT_EQ(listError([&] { list.Exchange(0, 7); }), indexError(7));
    EXPECT_EQ(listError([&] { list.Get(3); }), indexError(3));
    EXPECT_EQ(listError([&] { list.Get(-1); }), indexError(-1));
    EXPECT_EQ(listError([&] { list.GetObject(3); }), indexError(3));
    EXPECT_EQ(listError([&] { list.Delete(3); }), indexError(3));
    EXPECT_EQ(listError([&] { list.Put(-2, u"x"); }), indexError(-2));
    EXPECT_EQ(listError([&] { list.PutObject(4, nullptr); }), indexError(4));
    EXPECT_EQ(listError([&] { list.Insert(5, u"x"); }), indexError(5));
    list.Insert(3, u"d");  // Count itself appends
    EXPECT_EQ(items(list), (std::vector<WideString>{u"a", u"b", u"c", u"d"}));

    list.SetSorted(true);
    EXPECT_EQ(listError([&] { list.Insert(0, u"x"); }), kSortedError);
    EXPECT_EQ(listError([&] { list.Put(0, u"x"); }), kSortedError);
    int tag = 0;
    list.PutObject(0, reinterpret_cast<TObject*>(&tag));  // objects may change on a sorted list
    EXPECT_EQ(list.Objects(0), reinterpret_cast<TObject*>(&tag));
    list.Exchange(0, 3);  // allowed on a sorted list
    EXPECT_EQ(list[0], u"d");
    EXPECT_EQ(list.Objects(3), reinterpret_cast<TObject*>(&tag));
    EXPECT_EQ(listError([&] { list.SetCapacity(2); }), "List capacity out of range (2)");
}

TEST_F(WideList, FailedMoveLeavesTheListUnchanged) {
    TWideStringList list;
    fill(list, {u"a", u"b", u"c"});
    int tag = 0;
    list.PutObject(0, reinterpret_cast<TObject*>(&tag));
    EXPECT_EQ(listError([&] { list.Move(0, 3); }), indexError(3));
    EXPECT_EQ(listError([&] { list.Move(-1, 1); }), indexError(-1));
    EXPECT_EQ(items(list), (std::vector<WideString>{u"a", u"b", u"c"}));
    list.Move(0, 2);
    EXPECT_EQ(items(list), (std::vector<WideString>{u"b", u"c", u"a"}));
    EXPECT_EQ(list.Objects(2), reinterpret_cast<TObject*>(&tag));

    list.SetSorted(true);
    EventLog log;
    log.attach(list);
    EXPECT_EQ(listError([&] { list.Move(0, 2); }), kSortedError);
    EXPECT_EQ(items(list), (std::vector<WideString>{u"a", u"b", u"c"}));
    EXPECT_EQ(log.changing + log.changed, 0);
    list.Move(1, 1);  // the same place: nothing to do
}

TEST_F(WideList, AssignCopiesAndAssignToItselfKeepsEverything) {
    TWideStringList a;
    fill(a, {u"x=1", u"\u4E2D"});
    int tag = 0;
    a.PutObject(1, reinterpret_cast<TObject*>(&tag));
    a.SetNameValueSeparator(u':');
    a.Assign(&a);
    EXPECT_EQ(items(a), (std::vector<WideString>{u"x=1", u"\u4E2D"}));
    EXPECT_EQ(a.Objects(1), reinterpret_cast<TObject*>(&tag));

    TWideStringList b;
    b.Add(u"old");
    b.Assign(&a);
    EXPECT_TRUE(b.Equals(&a));
    EXPECT_EQ(b.Objects(1), reinterpret_cast<TObject*>(&tag));
    EXPECT_EQ(b.NameValueSeparator(), u':');

    // To and from the class library's 8-bit lists, through the code page.
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    TStringList ansi;
    ansi.Assign(&a);
    ASSERT_EQ(ansi.Count(), 2);
    EXPECT_EQ(ansi[1], "?");  // outside code page 1252
    ansi.Add("caf\xE9");
    b.Assign(&ansi);
    EXPECT_EQ(items(b), (std::vector<WideString>{u"x=1", u"?", u"caf\u00E9"}));
    EXPECT_THROW(b.Assign(nullptr), EConvertError);
}

TEST_F(WideList, CaseSensitivityChangeSortsAgain) {
    TWideStringList list;
    list.SetSorted(true);
    list.SetDuplicates(dupAccept);
    fill(list, {u"B", u"a", u"A", u"b"});
    EXPECT_EQ(items(list), (std::vector<WideString>{u"A", u"a", u"b", u"B"}));
    EventLog log;
    log.attach(list);
    list.SetCaseSensitive(true);
    EXPECT_EQ(items(list), (std::vector<WideString>{u"a", u"A", u"b", u"B"}));
    EXPECT_EQ(log.changing, 1);
    EXPECT_EQ(log.changed, 1);
    for (int i = 1; i < list.Count(); ++i) EXPECT_LT(list.CompareStrings(list[i - 1], list[i]), 0);
    EXPECT_EQ(list.IndexOf(u"A"), 1);
    EXPECT_EQ(list.IndexOf(u"b"), 2);
    list.SetCaseSensitive(false);
    EXPECT_EQ(list.IndexOf(u"b"), 2);
}

TEST_F(WideList, ComparisonOnBothPlatformBranches) {
    TWideStringList list;
    // UTF-16 windows: the locale order, with or without case.
    EXPECT_LT(list.CompareStrings(u"a", u"B"), 0);
    EXPECT_EQ(list.CompareStrings(u"\u00C4", u"\u00E4"), 0);
    list.SetCaseSensitive(true);
    EXPECT_LT(list.CompareStrings(u"a", u"B"), 0);
    EXPECT_NE(list.CompareStrings(u"\u00C4", u"\u00E4"), 0);
    // 8-bit windows: a case-sensitive list orders by code unit value.
    platform::setUnicodeWindows(false);
    EXPECT_GT(list.CompareStrings(u"a", u"B"), 0);
    EXPECT_EQ(list.CompareStrings(u"a", u"a"), 0);
    list.SetCaseSensitive(false);
    EXPECT_LT(list.CompareStrings(u"a", u"B"), 0);
    EXPECT_EQ(list.CompareStrings(u"\u00C4", u"\u00E4"), 0);
    platform::setUnicodeWindows(true);
}

TEST_F(WideList, CustomSortStaysInsideTheList) {
    std::mt19937 random(99);
    TWideStringList list;
    for (int i = 0; i < 300; ++i) list.Add(AnsiToWide(std::to_string(random() % 50)));
    std::vector<WideString> before = items(list);
    std::sort(before.begin(), before.end());
    const std::vector<std::function<int(int, int)>> broken = {
        [](int, int) { return -1; },
        [](int, int) { return 1; },
        [&random](int, int) { return static_cast<int>(random() % 3) - 1; },
        [](int a, int b) { return a == b ? -1 : 0; },
    };
    for (const auto& compare : broken) {
        list.CustomSort([&compare](TWideStringList*, int a, int b) { return compare(a, b); });
        std::vector<WideString> after = items(list);
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, before);  // the same items, none lost or doubled
    }
    // A proper order sorts; a sorted list is left alone.
    list.CustomSort([](TWideStringList* l, int a, int b) {
        return std::stoi(WideToAnsi(l->Get(a))) - std::stoi(WideToAnsi(l->Get(b)));
    });
    for (int i = 1; i < list.Count(); ++i)
        EXPECT_LE(std::stoi(WideToAnsi(list[i - 1])), std::stoi(WideToAnsi(list[i])));
    TWideStringList sorted;
    fill(sorted, {u"b", u"a"});
    sorted.SetSorted(true);
    sorted.CustomSort([](TWideStringList*, int a, int b) { return b - a; });
    EXPECT_EQ(items(sorted), (std::vector<WideString>{u"a", u"b"}));
}

TEST_F(WideList, EventsAndUpdates) {
    TWideStringList list;
    EventLog log;
    log.attach(list);
    list.Clear();  // empty: no event
    EXPECT_EQ(log.changing + log.changed, 0);
    fill(list, {u"c", u"a", u"b"});
    EXPECT_EQ(log.changing, 3);
    EXPECT_EQ(log.changed, 3);
    log = {};
    log.attach(list);
    list.SetSorted(true);
    EXPECT_EQ(log.changing, 1);
    EXPECT_EQ(log.changed, 1);
    EXPECT_EQ(items(list), (std::vector<WideString>{u"a", u"b", u"c"}));
    log = {};
    log.attach(list);
    list.BeginUpdate();
    list.BeginUpdate();
    list.Add(u"d");
    list.Delete(0);
    list.EndUpdate();
    EXPECT_EQ(log.changed, 0);
    list.EndUpdate();
    EXPECT_EQ(log.changing, 1);
    EXPECT_EQ(log.changed, 1);
    list.Clear();
    EXPECT_EQ(list.Capacity(), 0);

    // Growth of the storage.
    std::vector<int> capacities;
    for (int i = 0; i < 80; ++i) {
        list.Add(AnsiToWide(std::to_string(1000 + i)));
        if (capacities.empty() || capacities.back() != list.Capacity()) capacities.push_back(list.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95}));

    auto* owned = new TWideStringList;
    int fired = 0;
    owned->OnChange = [&fired](TObject*) { ++fired; };
    owned->Add(u"x");
    delete owned;  // destruction fires nothing
    EXPECT_EQ(fired, 1);
}

TEST_F(WideList, TextSplittingAndJoining) {
    TWideStringList list;
    list.SetTextStr(u"a\r\nb");
    EXPECT_EQ(items(list), (std::vector<WideString>{u"a", u"b"}));
    list.SetTextStr(u"a\n\rb");
    EXPECT_EQ(items(list), (std::vector<WideString>{u"a", u"", u"b"}));
    list.SetTextStr(u"a\rb\nc\r\n");
    EXPECT_EQ(items(list), (std::vector<WideString>{u"a", u"b", u"c"}));
    list.SetTextStr(u"a\u2028b\r\n\u2028c");
    EXPECT_EQ(items(list), (std::vector<WideString>{u"a", u"b", u"c"}));
    list.SetTextStr(WideString(u"a\nb\0c\nd", 7));
    EXPECT_EQ(items(list), (std::vector<WideString>{u"a", u"b"}));
    list.SetTextStr(u"\r\n\r\n");
    EXPECT_EQ(items(list), (std::vector<WideString>{u"", u""}));
    list.SetTextStr(u"");
    EXPECT_EQ(list.Count(), 0);

    fill(list, {u"a", u""});
    EXPECT_EQ(list.Text(), u"a\r\n\r\n");
    list.SetText(list.Text());
    EXPECT_EQ(items(list), (std::vector<WideString>{u"a", u""}));
    WCHAR* text = list.GetText();
    EXPECT_EQ(WideString(text), u"a\r\n\r\n");
    WideStrDispose(text);
    list.SetText(static_cast<const WCHAR*>(nullptr));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Text(), u"");
}

TEST_F(WideList, NamesAndObjects) {
    TWideStringList list;
    fill(list, {u"plain", u"Farbe=rot", u"size=2=3"});
    EXPECT_EQ(list.NameValueSeparator(), u'=');
    EXPECT_EQ(list.IndexOfName(u"FARBE"), 1);
    EXPECT_EQ(list.IndexOfName(u"size"), 2);
    EXPECT_EQ(list.IndexOfName(u"plain"), -1);
    list.SetSorted(true);
    EXPECT_EQ(list.IndexOfName(u"farbe"), 0);
    EXPECT_EQ(list.IndexOfName(u"size"), 2);
    EXPECT_EQ(list.IndexOfName(u"zz"), -1);
    EXPECT_EQ(list.IndexOfName(u"pla"), -1);
    list.SetNameValueSeparator(u':');
    EXPECT_EQ(list.IndexOfName(u"farbe"), -1);

    int one = 1, two = 2;
    TWideStringList objects;
    objects.AddObject(u"x", reinterpret_cast<TObject*>(&one));
    objects.AddObject(u"y", reinterpret_cast<TObject*>(&two));
    EXPECT_EQ(objects.IndexOfObject(reinterpret_cast<TObject*>(&two)), 1);
    EXPECT_EQ(objects.IndexOfObject(nullptr), -1);
    objects.Exchange(0, 1);
    EXPECT_EQ(objects[0], u"y");
    EXPECT_EQ(objects.Objects(0), reinterpret_cast<TObject*>(&two));
    objects.Put(0, u"z");  // keeps the object
    EXPECT_EQ(objects.Objects(0), reinterpret_cast<TObject*>(&two));
    TWideStringList same;
    fill(same, {u"z", u"x"});
    EXPECT_TRUE(objects.Equals(&same));
    same.Put(1, u"X");
    EXPECT_FALSE(objects.Equals(&same));  // exact comparison
}

TEST_F(WideList, FilesWithAndWithoutByteOrderMarks) {
    TWideStringList list;
    const std::string le = bytes({0xFF, 0xFE, 'a', 0, 0x2D, 0x4E, '\r', 0, '\n', 0, 'b', 0, 0x3D, 0xD8, 0x00, 0xDE});
    putFile(dir.file("le.txt"), le + "x");  // the odd last byte is not part of the text
    list.LoadFromFile(path("le.txt"));
    EXPECT_EQ(list.LastFileCharSet(), csUnicode);
    EXPECT_EQ(items(list), (std::vector<WideString>{u"a\u4E2D", u"b\U0001F600"}));

    putFile(dir.file("be.txt"), bytes({0xFE, 0xFF, 0, 'a', 0x4E, 0x2D, 0, '\n', 0, 'b'}));
    list.LoadFromFile(path("be.txt"));
    EXPECT_EQ(list.LastFileCharSet(), csUnicodeSwapped);
    EXPECT_EQ(items(list), (std::vector<WideString>{u"a\u4E2D", u"b"}));

    putFile(dir.file("short.txt"), bytes({0xFF, 0xFE, 'a'}));
    list.LoadFromFile(path("short.txt"));
    EXPECT_EQ(list.Count(), 0);

    putFile(dir.file("utf8.txt"), bytes({0xEF, 0xBB, 0xBF}) + "caf\xC3\xA9\r\n\xF0\x9F\x98\x80 \xE2\x82\xAC");
    list.LoadFromFile(path("utf8.txt"));
    EXPECT_EQ(list.LastFileCharSet(), csUtf8);
    EXPECT_EQ(items(list), (std::vector<WideString>{u"caf\u00E9", u"\U0001F600 \u20AC"}));
    // Saved back as UTF-16 little-endian with its mark.
    list.SaveToFile(path("utf8.txt"));
    EXPECT_EQ(fileBytes(dir.file("utf8.txt")),
              bytes({0xFF, 0xFE, 'c', 0, 'a', 0, 'f', 0, 0xE9, 0, '\r', 0, '\n', 0, 0x3D, 0xD8, 0x00, 0xDE, ' ', 0,
                     0xAC, 0x20, '\r', 0, '\n', 0}));
    EXPECT_EQ(list.LastFileCharSet(), csUtf8);

    putFile(dir.file("bad.txt"), bytes({0xEF, 0xBB, 0xBF}) + "ok\xC0\x80");
    list.LoadFromFile(path("bad.txt"));
    EXPECT_EQ(list.Count(), 0);  // malformed UTF-8 gives an empty text

    // No mark: 8-bit text in the ANSI code page.
    putFile(dir.file("ansi.txt"), "caf\xC3\xA9\nx");
    list.LoadFromFile(path("ansi.txt"));
    EXPECT_EQ(list.LastFileCharSet(), csAnsi);
    EXPECT_EQ(items(list), (std::vector<WideString>{u"caf\u00E9", u"x"}));
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    putFile(dir.file("ansi.txt"), "caf\xE9 \x80");
    list.LoadFromFile(path("ansi.txt"));
    EXPECT_EQ(items(list), (std::vector<WideString>{u"caf\u00E9 \u20AC"}));
    putFile(dir.file("one.txt"), "Z");
    list.LoadFromFile(path("one.txt"));
    EXPECT_EQ(items(list), (std::vector<WideString>{u"Z"}));
}

TEST_F(WideList, SavingAndFileErrors) {
    TWideStringList list;
    fill(list, {u"\u4E2D\u6587", u""});
    const WideString name = path("\u00FCber \u4E2D.txt");
    list.SaveToFile(name);
    list.SaveToFile(name);  // replaces the old file
    EXPECT_EQ(fileBytes(dir.file("\xC3\xBC" "ber \xE4\xB8\xAD.txt")),
              bytes({0xFF, 0xFE, 0x2D, 0x4E, 0x87, 0x65, '\r', 0, '\n', 0, '\r', 0, '\n', 0}));
    TWideStringList back;
    back.LoadFromFile(name);
    EXPECT_TRUE(back.Equals(&list));
    // Nothing is left beside the file.
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(path("*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    int files = 0;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    EXPECT_EQ(files, 1);

    try {
        back.LoadFromFile(path("missing \u00E9.txt"));
        ADD_FAILURE();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Datei " + dir.file("missing \xC3\xA9.txt") + " kann nicht ge\xC3\xB6" "ffnet werden");
    }
    try {
        back.SaveToFile(path("no/such/folder.txt"));
        ADD_FAILURE();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()), "Datei " + dir.file("no/such/folder.txt") + " kann nicht erstellt werden");
    }
    ASSERT_TRUE(SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_THROW(back.SaveToFile(name), EFCreateError);
    ASSERT_TRUE(SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL));

    // The stream is opened for reading, others may read.
    TWideFileStream reading(name, fmOpenRead | fmShareDenyWrite);
    TWideFileStream second(name, fmOpenRead | fmShareDenyWrite);
    EXPECT_THROW(TWideFileStream(name, fmOpenWrite | fmShareDenyNone), EFOpenError);
    EXPECT_THROW(TWideFileStream(name, 0x70), EFOpenError);  // no such sharing mode
    EXPECT_EQ(reading.Size(), 14);
}

TEST_F(WideList, SavingKeepsTheFilesModeAndLinksAndReadingRefusesFifos) {
    TWideStringList list;
    fill(list, {u"one", u"two"});
    const std::string file = dir.file("private.txt");
    list.SaveToFile(path("private.txt"));
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    list.SaveToFile(path("private.txt"));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    // Saved under a symbolic link: the link stays, its target gets the text.
    ASSERT_EQ(::symlink("private.txt", dir.file("link.txt").c_str()), 0);
    list.Clear();
    fill(list, {u"three"});
    list.SaveToFile(path("link.txt"));
    ASSERT_EQ(::lstat(dir.file("link.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    TWideStringList back;
    back.LoadFromFile(path("private.txt"));
    EXPECT_EQ(items(back), (std::vector<WideString>{u"three"}));
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    // A FIFO is no text file: refused at once.
    ASSERT_TRUE(testsupport::makeFifo(dir.file("list.txt")));
    EXPECT_TRUE(testsupport::returnsWithoutWaiting({dir.file("list.txt")}, [&] {
        EXPECT_THROW(back.LoadFromFile(path("list.txt")), EFOpenError);
        EXPECT_THROW(back.SaveToFile(path("list.txt")), EFCreateError);
    }));
}

TEST_F(WideList, StreamsWithoutMarks) {
    TWideStringList list;
    fill(list, {u"\u00E9", u"z"});
    TMemoryStream stream;
    list.SaveToStream(&stream, false);
    EXPECT_EQ(stream.Size(), 12);  // two characters and CR LF after each
    stream.SetPosition(0);
    TWideStringList back;
    back.LoadFromStream(&stream, false);
    EXPECT_EQ(items(back), items(list));
    // With detection a stream without a mark is 8-bit text.
    TStringStream ansi("a\r\nb");
    back.LoadFromStream(&ansi);
    EXPECT_EQ(items(back), (std::vector<WideString>{u"a", u"b"}));
    // Detection starts at the stream's position and leaves it after the mark.
    TStringStream marked("xx\xFF\xFE");
    marked.SetPosition(2);
    EXPECT_EQ(AutoDetectCharacterSet(&marked), csUnicode);
    EXPECT_EQ(marked.Position(), 4);
    TStringStream plain("abc");
    EXPECT_EQ(AutoDetectCharacterSet(&plain), csAnsi);
    EXPECT_EQ(plain.Position(), 0);
}

TEST_F(WideList, AnsiView) {
    TWideStringList list;
    fill(list, {u"caf\u00E9", u"\u4E2D"});
    TAnsiStrings* view = list.AnsiStrings();
    ASSERT_EQ(view->Count(), 2);
    EXPECT_EQ(view->Strings(0), "caf\xC3\xA9");  // the UTF-8 code page keeps everything
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    EXPECT_EQ(view->Strings(0), "caf\xE9");
    EXPECT_EQ(view->Strings(1), "?");
    view->SetStrings(1, "\x80");
    EXPECT_EQ(list[1], u"\u20AC");
    view->Insert(0, "\xE4");
    EXPECT_EQ(list[0], u"\u00E4");
    view->Delete(0);
    EXPECT_EQ(list.Count(), 2);

    // Its own code page, or the process-wide one.
    TAnsiStringsForWideStringsAdapter cyrillic(&list, 1251);
    cyrillic.Add("\xC6");
    EXPECT_EQ(list[2], u"\u0416");
    DefaultUserCodePage = 1251;
    EXPECT_EQ(view->Strings(2), "\xC6");
    DefaultUserCodePage = 0;
    EXPECT_EQ(view->Strings(2), "?");

    TStringStream out;
    cyrillic.SaveToStream(&out);
    EXPECT_EQ(out.DataString(), "caf?\r\n\x88\r\n\xC6\r\n");
    TStringStream in("\xC6\r\n\xE9");
    cyrillic.LoadFromStream(&in);
    EXPECT_EQ(items(list), (std::vector<WideString>{u"\u0416", u"\u0439"}));

    // Adding through the view keeps a sorted list sorted; updates reach the wide list.
    TWideStringList sorted;
    sorted.SetSorted(true);
    EventLog log;
    log.attach(sorted);
    TStringList source;
    source.Add("b");
    source.Add("a");
    sorted.SetAnsiStrings(&source);
    EXPECT_EQ(items(sorted), (std::vector<WideString>{u"a", u"b"}));
    EXPECT_EQ(log.changing, 1);
    EXPECT_EQ(log.changed, 1);
}

TEST_F(WideList, LayoutData) {
    RegisterClass<TWideHolder>();
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    TWideHolder holder(nullptr);
    holder.SetName("Holder1");
    fill(*holder.Items(), {u"caf\u00E9", u"\u4E2D+x", u"plain"});
    const String text = WriteComponentText(&holder);
    EXPECT_TRUE(hasLine(text, "Items.WideStrings = (")) << text;
    EXPECT_TRUE(hasLine(text, "Items.WideStrings_UTF7 = (")) << text;
    EXPECT_TRUE(hasLine(text, "'caf+AOk'")) << text;
    EXPECT_TRUE(hasLine(text, "'?+x'")) << text;  // the 8-bit form loses the character
    EXPECT_TRUE(hasLine(text, "'" + WideToUtf7(u"\u4E2D+x") + "'")) << text;
    EXPECT_EQ(text.find("Items.Strings"), String::npos) << text;

    TWideHolder copy(nullptr);
    ReadComponentText(text, &copy);
    EXPECT_TRUE(copy.Items()->Equals(holder.Items()));  // exact, also outside the code page

    // Only characters up to 127: no UTF-7 twin.
    TWideHolder ascii(nullptr);
    ascii.SetName("Holder2");
    fill(*ascii.Items(), {u"one", u"two"});
    const String asciiText = WriteComponentText(&ascii);
    EXPECT_EQ(asciiText.find("WideStrings_UTF7"), String::npos) << asciiText;
    EXPECT_TRUE(hasLine(asciiText, "Items.WideStrings = (")) << asciiText;
    TWideHolder empty(nullptr);
    empty.SetName("Holder3");
    EXPECT_EQ(WriteComponentText(&empty).find("Items"), String::npos);

    // The read-only forms.
    ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8));
    TWideHolder read(nullptr);
    read.Items()->Add(u"old");
    ReadComponentText("object Holder4: TWideHolder\n  Items.WideStringsW = (\n    'Gr\xC3\xBC\xC3\x9F" "e'\n    'x')\nend\n",
                      &read);
    EXPECT_EQ(items(*read.Items()), (std::vector<WideString>{u"Gr\u00FC\u00DFe", u"x"}));
    ReadComponentText("object Holder4: TWideHolder\n  Items.Strings = 'single'\nend\n", &read);
    EXPECT_EQ(items(*read.Items()), (std::vector<WideString>{u"single"}));
    ReadComponentText("object Holder4: TWideHolder\n  Items.Strings = (\n    'a'\n    'b')\nend\n", &read);
    EXPECT_EQ(items(*read.Items()), (std::vector<WideString>{u"a", u"b"}));
    EXPECT_THROW(ReadComponentText("object Holder4: TWideHolder\n  Items.WideStrings_UTF7 = (\n    '+AO')\nend\n", &read),
                 Exception);

    // Without a root component the decoded forms are read and dropped, except into an
    // empty list from UTF-8.
    TReader loose;
    TWideStringList list;
    list.Add(u"kept");
    loose.ReadProperty(&list, {"WideStrings_UTF7", ParseLayoutValue("('+AOk')"), 0});
    EXPECT_EQ(items(list), (std::vector<WideString>{u"kept"}));
    loose.ReadProperty(&list, {"WideStringsW", ParseLayoutValue("('x')"), 0});
    EXPECT_EQ(items(list), (std::vector<WideString>{u"kept"}));
    list.Clear();
    loose.ReadProperty(&list, {"WideStringsW", ParseLayoutValue("('x' 'y')"), 0});
    EXPECT_EQ(items(list), (std::vector<WideString>{u"x", u"y"}));
    loose.ReadProperty(&list, {"WideStrings", ParseLayoutValue("('z')"), 0});
    EXPECT_EQ(items(list), (std::vector<WideString>{u"z"}));
}

#include "StringListTest.moc"
