// String lists, the string helpers and the path and file helpers.
#include "classlib/Classes.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<String> itemsOf(const TStrings& list) {
    std::vector<String> v;
    for (int i = 0; i < list.Count(); ++i) v.push_back(list[i]);
    return v;
}

template <class E, class F>
String messageOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.Message;
    }
    return "(nothing raised)";
}

using Items = std::vector<String>;

}  // namespace

TEST(StringsList, SortedListInEachDuplicatesMode) {
    TStringList ignore;
    ignore.SetSorted(true);
    EXPECT_EQ(ignore.Add("b"), 0);
    EXPECT_EQ(ignore.Add("A"), 0);
    EXPECT_EQ(ignore.Add("a"), 0);  // equal to "A" without regard to case: not added
    EXPECT_EQ(itemsOf(ignore), (Items{"A", "b"}));

    TStringList accept;
    accept.SetDuplicates(dupAccept);
    accept.SetSorted(true);
    for (const char* s : {"b", "A", "a"}) accept.Add(s);
    // A new duplicate goes before the equal items.
    EXPECT_EQ(itemsOf(accept), (Items{"a", "A", "b"}));

    TStringList error;
    error.SetDuplicates(dupError);
    error.SetSorted(true);
    error.Add("b");
    error.Add("A");
    EXPECT_EQ(messageOf<EStringListError>([&] { error.Add("a"); }), "In der Stringliste sind Duplikate nicht erlaubt");
    EXPECT_EQ(itemsOf(error), (Items{"A", "b"}));

    int index = -1;
    EXPECT_TRUE(ignore.Find("B", index));
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(ignore.Find("c", index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(ignore.Find("0", index));
    EXPECT_EQ(index, 0);
    EXPECT_EQ(ignore.IndexOf("b"), 1);
    EXPECT_EQ(ignore.IndexOf("x"), -1);
}

TEST(StringsList, CaseSensitiveListsCompareByCase) {
    TStringList list;
    list.Add("a");
    EXPECT_EQ(list.IndexOf("A"), 0);
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf("A"), -1);
    TStringList sorted;
    sorted.SetDuplicates(dupAccept);
    sorted.SetSorted(true);
    sorted.SetCaseSensitive(true);
    sorted.Add("b");
    sorted.Add("B");
    sorted.Add("a");
    int index;
    EXPECT_TRUE(sorted.Find("B", index));
    EXPECT_EQ(sorted[index], "B");
    EXPECT_EQ(sorted.IndexOf("A"), -1);
    // Changing the comparison sorts again, so Find stays right.
    sorted.SetCaseSensitive(false);
    for (int i = 1; i < sorted.Count(); ++i) EXPECT_LE(AnsiCompareText(sorted[i - 1], sorted[i]), 0);
}

TEST(StringsList, IndexErrorsNameTheBadIndexAndChangeNothing) {
    TStringList list;
    list.SetCommaText("a,b,c");
    EXPECT_EQ(messageOf<EStringListError>([&] { list.Get(5); }), "Der Index der Liste überschreitet das Maximum (5)");
    EXPECT_EQ(messageOf<EStringListError>([&] { list.Delete(-1); }), "Der Index der Liste überschreitet das Maximum (-1)");
    EXPECT_EQ(messageOf<EStringListError>([&] { list.Exchange(5, 0); }), "Der Index der Liste überschreitet das Maximum (5)");
    EXPECT_EQ(messageOf<EStringListError>([&] { list.Exchange(0, 7); }), "Der Index der Liste überschreitet das Maximum (7)");
    EXPECT_EQ(messageOf<EStringListError>([&] { list.Insert(4, "x"); }), "Der Index der Liste überschreitet das Maximum (4)");
    EXPECT_EQ(messageOf<EStringListError>([&] { list.Objects(3); }), "Der Index der Liste überschreitet das Maximum (3)");
    EXPECT_THROW(list.Move(0, 3), EStringListError);
    EXPECT_THROW(list.SetCapacity(2), EStringListError);
    EXPECT_EQ(itemsOf(list), (Items{"a", "b", "c"}));
    list.Insert(3, "d");  // Insert at Count appends
    EXPECT_EQ(list[3], "d");
    // EStringListError is an EListError.
    EXPECT_THROW(list.Delete(9), EListError);
}

TEST(StringsList, SortedListsRefuseChangesByPosition) {
    TStringList list;
    list.SetCommaText("c,a,b");
    list.SetSorted(true);
    EXPECT_EQ(itemsOf(list), (Items{"a", "b", "c"}));
    const String text = "Operation bei sortierten Stringlisten nicht erlaubt";
    EXPECT_EQ(messageOf<EStringListError>([&] { list.Insert(0, "z"); }), text);
    EXPECT_EQ(messageOf<EStringListError>([&] { list.SetStrings(0, "z"); }), text);
    // Moving within a sorted list is refused before the item is taken out.
    EXPECT_EQ(messageOf<EStringListError>([&] { list.Move(0, 2); }), text);
    EXPECT_EQ(itemsOf(list), (Items{"a", "b", "c"}));
    list.Exchange(0, 2);  // allowed, as the class library has it
    EXPECT_EQ(list[0], "c");
    list.SetSorted(false);
    list.Move(0, 2);
    EXPECT_EQ(itemsOf(list), (Items{"b", "a", "c"}));
}

TEST(StringsList, ObjectsTravelWithTheirStrings) {
    TStringList list;
    TObject one, two;
    list.AddObject("one", &one);
    list.AddObject("two", &two);
    list.Add("none");
    EXPECT_EQ(list.Objects(1), &two);
    EXPECT_EQ(list.IndexOfObject(&one), 0);
    list.Exchange(0, 1);
    EXPECT_EQ(list.Objects(0), &two);
    list.Move(0, 2);
    EXPECT_EQ(list.Objects(2), &two);
    EXPECT_EQ(list[2], "two");
    list.SetSorted(true);
    EXPECT_EQ(list.Objects(list.IndexOf("one")), &one);
    list.SetObjects(0, nullptr);  // objects can change on a sorted list
    EXPECT_EQ(list.Objects(0), nullptr);
}

TEST(StringsList, TextSplitsAtCrLfLfAndCr) {
    TStringList list;
    list.SetText("a\r\nb\nc\rd");
    EXPECT_EQ(itemsOf(list), (Items{"a", "b", "c", "d"}));
    list.SetText("a\n\rb");
    EXPECT_EQ(itemsOf(list), (Items{"a", "", "b"}));
    list.SetText("a\r\nb\r\n");
    EXPECT_EQ(itemsOf(list), (Items{"a", "b"}));
    list.SetText("");
    EXPECT_EQ(list.Count(), 0);
    list.SetText("\n");
    EXPECT_EQ(itemsOf(list), (Items{""}));
    list.Clear();
    list.Add("a");
    list.Add("");
    EXPECT_EQ(list.Text(), "a\n\n");
    list.SetText(list.Text());
    EXPECT_EQ(itemsOf(list), (Items{"a", ""}));
    list.SetLineBreak("\r\n");
    EXPECT_EQ(list.Text(), "a\r\n\r\n");
}

TEST(StringsList, CommaAndDelimitedText) {
    TStringList list;
    for (const char* s : {"a", "b c", "d,e", "f\"g", ""}) list.Add(s);
    EXPECT_EQ(list.CommaText(), "a,\"b c\",\"d,e\",\"f\"\"g\",");
    list.SetCommaText(list.CommaText());
    EXPECT_EQ(itemsOf(list), (Items{"a", "b c", "d,e", "f\"g", ""}));

    list.SetCommaText(" a , \"b c\" ,d");
    EXPECT_EQ(itemsOf(list), (Items{"a", "b c", "d"}));
    list.SetCommaText("a b,c");  // blanks split as well
    EXPECT_EQ(itemsOf(list), (Items{"a", "b", "c"}));
    list.SetCommaText("a,");
    EXPECT_EQ(itemsOf(list), (Items{"a", ""}));
    list.SetCommaText("\"\"");
    EXPECT_EQ(itemsOf(list), (Items{""}));
    EXPECT_EQ(list.CommaText(), "\"\"");
    list.SetCommaText("");
    EXPECT_EQ(list.Count(), 0);

    list.SetDelimiter(';');
    list.SetQuoteChar('\'');
    list.SetDelimitedText("x;'y;z';'it''s'");
    EXPECT_EQ(itemsOf(list), (Items{"x", "y;z", "it's"}));
    EXPECT_EQ(list.DelimitedText(), "x;'y;z';'it''s'");
    list.SetStrictDelimiter(true);
    list.SetDelimitedText("a b;c");
    EXPECT_EQ(itemsOf(list), (Items{"a b", "c"}));
    EXPECT_EQ(list.DelimitedText(), "a b;c");
    // CommaText always uses the comma and the double quote.
    EXPECT_EQ(list.CommaText(), "\"a b\",c");
    EXPECT_EQ(list.Delimiter(), ';');
}

TEST(StringsList, NamesAndValues) {
    TStringList list;
    list.SetText("x=1\ny=2\nplain\nz=a=b");
    EXPECT_EQ(list.Names(0), "x");
    EXPECT_EQ(list.Names(2), "");
    EXPECT_EQ(list.Values("Y"), "2");
    EXPECT_EQ(list.Values("z"), "a=b");
    EXPECT_EQ(list.Values("plain"), "");
    EXPECT_EQ(list.IndexOfName("z"), 3);
    list.SetValues("w", "3");
    EXPECT_EQ(list[4], "w=3");
    list.SetValues("x", "9");
    EXPECT_EQ(list[0], "x=9");
    list.SetValues("y", "");
    EXPECT_EQ(list.IndexOfName("y"), -1);
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.ValueFromIndex(0), "9");
}

TEST(StringsList, ChangeEventsAndUpdates) {
    TStringList list;
    int changing = 0, changed = 0;
    list.OnChanging = [&](TObject* Sender) {
        EXPECT_EQ(Sender, &list);
        ++changing;
    };
    list.OnChange = [&](TObject*) { ++changed; };
    list.Add("b");
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);
    list.BeginUpdate();
    list.Add("a");
    list.Add("c");
    list.Delete(0);
    EXPECT_EQ(changed, 1);
    list.EndUpdate();
    EXPECT_EQ(changing, 2);
    EXPECT_EQ(changed, 2);
    list.SetSorted(true);  // sorts: one event pair
    EXPECT_EQ(changed, 3);
    list.Clear();
    list.Clear();  // an empty list does not change
    EXPECT_EQ(changing, 4);
    EXPECT_EQ(changed, 4);
    list.SetText("x\ny\nz");  // one update
    EXPECT_EQ(changed, 5);
}

TEST(StringsList, SortingAssignAndAddStrings) {
    TStringList list;
    list.SetCommaText("delta,Alpha,charlie,bravo");
    list.Sort();
    EXPECT_EQ(itemsOf(list), (Items{"Alpha", "bravo", "charlie", "delta"}));
    // By length, longest first, keeping the order of equals.
    list.CustomSort([](TStringList* L, int A, int B) {
        return static_cast<int>(L->Strings(B).size()) - static_cast<int>(L->Strings(A).size());
    });
    EXPECT_EQ(itemsOf(list), (Items{"charlie", "Alpha", "bravo", "delta"}));
    // An inconsistent comparison still ends with every item kept.
    list.CustomSort([](TStringList*, int, int) { return 1; });
    EXPECT_EQ(list.Count(), 4);

    TStringList copy;
    copy.Add("old");
    copy.Assign(&list);
    EXPECT_EQ(itemsOf(copy), itemsOf(list));
    EXPECT_TRUE(copy.Equals(&list));
    copy.AddStrings(&copy);
    EXPECT_EQ(copy.Count(), 8);
    TCollection other(CollectionItemClass<TCollectionItem>());
    EXPECT_EQ(messageOf<EConvertError>([&] { copy.Assign(&other); }), "Cannot assign a TCollection to a TStringList");
    EXPECT_EQ(copy.Count(), 8);
}

TEST(StringsList, FilesAndStreams) {
    testsupport::TempDir dir;
    const String name = dir.file("list.txt");
    TStringList list;
    list.SetText("first\nzweite Zeile äöü\n\nlast");
    list.SaveToFile(name);
    EXPECT_EQ(testsupport::readFile(name).size(), list.Text().size());
    TStringList back;
    back.LoadFromFile(name);
    EXPECT_EQ(itemsOf(back), itemsOf(list));
    // CR LF files and a UTF-8 byte-order mark.
    testsupport::writeFile(name, {0xEF, 0xBB, 0xBF, 'a', '\r', '\n', 'b'});
    back.LoadFromFile(name);
    EXPECT_EQ(itemsOf(back), (Items{"a", "b"}));
    const String missing = dir.file("missing.txt");
    EXPECT_EQ(messageOf<EFOpenError>([&] { back.LoadFromFile(missing); }), "Datei " + missing + " kann nicht geöffnet werden");
    EXPECT_EQ(itemsOf(back), (Items{"a", "b"}));
    const String badPath = dir.file("no/such/folder.txt");
    EXPECT_EQ(messageOf<EFCreateError>([&] { list.SaveToFile(badPath); }), "Datei " + badPath + " kann nicht erstellt werden");

    TStringStream stream;
    list.SaveToStream(&stream);
    EXPECT_EQ(stream.DataString(), list.Text());
    stream.SetPosition(6);  // loading starts at the stream's position
    back.LoadFromStream(&stream);
    EXPECT_EQ(back[0], "zweite Zeile äöü");
}

TEST(StringsHelpers, CaseAndComparison) {
    EXPECT_EQ(UpperCase("abc-äß"), "ABC-äß");
    EXPECT_EQ(LowerCase("ABC-Ä"), "abc-Ä");
    EXPECT_EQ(AnsiUpperCase("äbc"), "ÄBC");
    EXPECT_EQ(AnsiLowerCase("ÄBC"), "äbc");
    EXPECT_LT(CompareText("abc", "ABD"), 0);
    EXPECT_GT(CompareText("b", "A"), 0);
    EXPECT_LT(CompareText("ab", "abc"), 0);
    EXPECT_TRUE(SameText("Hello", "hELLO"));
    EXPECT_FALSE(SameText("Hello", "Hell"));
    EXPECT_LT(CompareStr("B", "a"), 0);
    EXPECT_EQ(AnsiCompareText("ä", "Ä"), 0);
    EXPECT_NE(AnsiCompareStr("ä", "Ä"), 0);
    EXPECT_TRUE(AnsiSameText("Straße", "STRAßE"));
}

TEST(StringsHelpers, TrimQuoteReplaceAndIdentifiers) {
    EXPECT_EQ(Trim(" \t a b \n"), "a b");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a \r\n"), "  a");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(QuotedStr("it's"), "'it''s'");
    EXPECT_EQ(QuotedStr(""), "''");
    std::size_t pos = 0;
    EXPECT_EQ(AnsiExtractQuotedStr("'a''b'c", pos, '\''), "a'b");
    EXPECT_EQ(pos, 6u);
    pos = 0;
    EXPECT_EQ(AnsiExtractQuotedStr("'open", pos, '\''), "open");
    EXPECT_EQ(pos, 5u);
    EXPECT_EQ(AnsiDequotedStr("\"x\"\"y\"", '"'), "x\"y");
    EXPECT_EQ(AnsiDequotedStr("plain", '"'), "plain");
    EXPECT_EQ(StringReplace("aXbxc", "x", "-", rfReplaceAll | rfIgnoreCase), "a-b-c");
    EXPECT_EQ(StringReplace("aXbxc", "x", "-", rfReplaceAll), "aXb-c");
    EXPECT_EQ(StringReplace("xxx", "x", "yx", 0), "yxxx");
    EXPECT_EQ(StringReplace("ÄäÄ", "ä", "o", rfReplaceAll | rfIgnoreCase), "ooo");
    EXPECT_TRUE(IsValidIdent("_a1"));
    EXPECT_FALSE(IsValidIdent("1a"));
    EXPECT_FALSE(IsValidIdent(""));
    EXPECT_FALSE(IsValidIdent("a-b"));
    EXPECT_FALSE(IsValidIdent("Font.Name"));
    EXPECT_TRUE(IsValidIdent("Font.Name", true));
    EXPECT_FALSE(IsValidIdent("a..b", true));
    EXPECT_FALSE(IsValidIdent("a.", true));
    EXPECT_EQ(LastDelimiter("/.", "/a/b.c"), 4);
    EXPECT_EQ(LastDelimiter("x", "abc"), -1);
}

TEST(StringsPaths, SlashPaths) {
    EXPECT_EQ(ExtractFilePath("/a/b/c.txt"), "/a/b/");
    EXPECT_EQ(ExtractFilePath("c.txt"), "");
    EXPECT_EQ(ExtractFileDir("/a/b/c.txt"), "/a/b");
    EXPECT_EQ(ExtractFileDir("/c.txt"), "/");
    EXPECT_EQ(ExtractFileName("/a/b/c.txt"), "c.txt");
    EXPECT_EQ(ExtractFileName("/a/b/"), "");
    EXPECT_EQ(ExtractFileExt("/a/c.tar.gz"), ".gz");
    EXPECT_EQ(ExtractFileExt("/a.b/c"), "");
    EXPECT_EQ(ExtractFileExt("/a/.profile"), ".profile");
    EXPECT_EQ(ChangeFileExt("/a/c.txt", ".bak"), "/a/c.bak");
    EXPECT_EQ(ChangeFileExt("/a.b/c", ".x"), "/a.b/c.x");
    EXPECT_EQ(ChangeFileExt("/a/c.txt", ""), "/a/c");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
    EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/a/"), "/a");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
    EXPECT_EQ(ExpandFileName("/a/b/../c/./d"), "/a/c/d");
    EXPECT_EQ(ExpandFileName("/a/b/"), "/a/b/");
    EXPECT_EQ(ExpandFileName("/.."), "/");
    EXPECT_EQ(ExpandFileName("x"), IncludeTrailingPathDelimiter(GetCurrentDir()) + "x");
}

TEST(StringsPaths, FilesAndFolders) {
    testsupport::TempDir dir;
    const String deep = dir.file("x/y/z");
    EXPECT_FALSE(DirectoryExists(deep));
    EXPECT_TRUE(ForceDirectories(deep + "/"));
    EXPECT_TRUE(DirectoryExists(deep));
    EXPECT_FALSE(FileExists(deep));
    const String file = deep + "/f.txt";
    ASSERT_TRUE(testsupport::writeFile(file, {'1'}));
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(DirectoryExists(file));
    EXPECT_FALSE(ForceDirectories(file + "/sub"));
    const String moved = dir.file("g.txt");
    EXPECT_TRUE(RenameFile(file, moved));
    EXPECT_FALSE(FileExists(file));
    EXPECT_TRUE(FileExists(moved));
    EXPECT_TRUE(DeleteFile(moved));
    EXPECT_FALSE(DeleteFile(moved));
    EXPECT_TRUE(RemoveDir(deep));
    EXPECT_FALSE(DirectoryExists(deep));
    EXPECT_FALSE(GetCurrentDir().empty());
}
