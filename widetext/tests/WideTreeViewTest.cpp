// The wide tree view on a form, on both roads of the platform switch: wide node texts in
// the window and in a new window, "Utf8Data" written and read back (and refused when
// damaged), copies of nodes, sorting, label edits through real keys, and images asked for
// while the tree paints.
#include "WideTestControls.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

using namespace widetest;

namespace {

WideString repeated(const WideString& s, int times) {
    WideString r;
    for (int i = 0; i < times; ++i) r += s;
    return r;
}

class WideTree : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        platform::setUnicodeWindows(GetParam());
        InitApplication();
        registerClasses();
        savedLocale = platform::collationLocaleName();
        platform::setCollationLocale("de_DE");
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(40, 40, 420, 360);
        tree = makeTree(form.get(), 0);
    }
    void TearDown() override {
        form.reset();
        platform::setUnicodeWindows(true);
        platform::setCollationLocale(savedLocale);
        ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8));
    }
    static TWideTreeView* makeTree(TForm* f, int left) {
        auto* t = new TWideTreeView(f);
        t->SetParent(f);
        t->SetBounds(left, 0, 400, 340);
        return t;
    }
    bool wide() const { return GetParam(); }
    void show() {
        form->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(platform::windowWidget(form->Handle())));
        QApplication::processEvents();
    }
    // What the window shows of a node.
    static WideString shown(TWideTreeView* t, TTreeNode* n) {
        char16_t buf[300] = {};
        TVITEMW it{};
        it.mask = TVIF_TEXT | TVIF_HANDLE;
        it.hItem = n->ItemId();
        it.pszText = reinterpret_cast<LPWSTR>(buf);
        it.cchTextMax = 300;
        SendMessageW(t->Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
        return WideString(buf);
    }
    static std::vector<WideString> texts(TWideTreeView* t) {
        std::vector<WideString> out;
        for (TWideTreeNode* n = t->Items()->GetFirstNode(); n; n = n->GetNext()) out.push_back(n->Text());
        return out;
    }
    QWidget* editWidget() {
        const auto edit = reinterpret_cast<HWND>(SendMessageW(tree->Handle(), TVM_GETEDITCONTROL, 0, 0));
        return edit ? platform::windowWidget(edit) : nullptr;
    }
    static void typeText(QWidget* w, const QString& text) {
        for (const char32_t c : text.toUcs4()) {
            const QString one = QString::fromUcs4(&c, 1);
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, one);
            QApplication::sendEvent(w, &press);
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, one);
            QApplication::sendEvent(w, &release);
        }
    }

    std::unique_ptr<TForm> form;
    TWideTreeView* tree = nullptr;
    std::string savedLocale;
};

INSTANTIATE_TEST_SUITE_P(Switch, WideTree, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Utf16" : "Ansi"; });

// "Utf8Data" of hand-made records.
struct Records {
    std::vector<unsigned char> bytes;
    void int32(std::int32_t v) {
        const auto* p = reinterpret_cast<const unsigned char*>(&v);
        bytes.insert(bytes.end(), p, p + 4);
    }
    // One node record: size, four indexes, data, child count, length byte and text bytes.
    void node(const std::string& text, std::int32_t children, std::int32_t size = -1, int length = -1) {
        int32(size < 0 ? static_cast<std::int32_t>(25 + text.size()) : size);
        for (int k = 0; k < 4; ++k) int32(k);
        int32(0x1234);
        int32(children);
        bytes.push_back(static_cast<unsigned char>(length < 0 ? text.size() : static_cast<std::size_t>(length)));
        bytes.insert(bytes.end(), text.begin(), text.end());
    }
    String layout() const {
        String hex;
        static const char digits[] = "0123456789ABCDEF";
        for (unsigned char b : bytes) {
            hex += digits[b >> 4];
            hex += digits[b & 15];
        }
        return "object Tree: TWideTreeView\n  Items.Utf8Data = {" + hex + "}\nend\n";
    }
};

}  // namespace

TEST_P(WideTree, NodeTextsShowWholeAlsoInANewWindowAfterACollapsedBranch) {
    if (wide()) {
        ASSERT_TRUE(platform::setAnsiCodePage(1252));
    }
    TWideTreeNodes* items = tree->Items();
    const WideString longCjk = repeated(u"長い名前", 25);  // 100 characters, 300 bytes of UTF-8
    TWideTreeNode* root = items->Add(nullptr, Greek);
    TWideTreeNode* collapsed = items->AddChild(root, Cyrillic);
    items->AddChild(collapsed, Cjk);
    items->AddChild(collapsed, Astral);
    TWideTreeNode* after = items->AddChild(root, longCjk);
    items->AddChild(after, u"Größe " + Cjk);
    items->Add(root, u"Ende " + Astral);
    show();
    root->Expand(false);
    after->Expand(false);
    EXPECT_EQ(IsWindowUnicode(tree->Handle()) != FALSE, wide());
    const std::vector<WideString> before = texts(tree);
    ASSERT_EQ(before.size(), 7u);
    for (int round = 0; round < 2; ++round) {
        const std::vector<WideString> now = texts(tree);
        EXPECT_EQ(now, before);
        for (TWideTreeNode* n = items->GetFirstNode(); n; n = n->GetNext()) EXPECT_EQ(shown(tree, n), n->Text());
        saveShot(tree, std::string("tree-") + (wide() ? "utf16" : "ansi") + "-" + std::to_string(round) + ".png");
        const HWND old = tree->Handle();
        tree->SetShowLines(round != 0);  // a new window
        EXPECT_NE(tree->Handle(), old);
        items->GetFirstNode()->Expand(false);
    }
    EXPECT_EQ(items->Item(4)->Text(), longCjk);
}

TEST_P(WideTree, NodesStreamAsUtf8DataAndReadBackWithWholeCharacters) {
    TWideTreeNodes* items = tree->Items();
    TWideTreeNode* a = items->Add(nullptr, Greek + u" " + Astral);
    a->SetImageIndex(3);
    a->SetSelectedIndex(4);
    a->SetStateIndex(1);
    a->SetOverlayIndex(0);
    TWideTreeNode* cjk = items->AddChild(a, repeated(u"字", 300));
    items->AddChild(cjk, repeated(u"a", 300));
    items->AddChild(a, repeated(u"字", 83) + u"\U0001F600");  // the pair does not fit
    items->Add(a, Cyrillic);
    TMemoryStream stream;
    items->WriteUtf8Data(&stream);
    auto* other = makeTree(form.get(), 0);
    stream.SetPosition(0);
    other->Items()->ReadUtf8Data(&stream);
    const std::vector<WideString> back = texts(other);
    ASSERT_EQ(back.size(), 5u);
    EXPECT_EQ(back[0], Greek + u" " + Astral);
    EXPECT_EQ(back[1], repeated(u"字", 84));  // 3 + 84 x 3 = 255 bytes
    EXPECT_EQ(back[2], repeated(u"a", 252));
    EXPECT_EQ(back[3], repeated(u"字", 83));  // cut before the pair, not inside it
    EXPECT_EQ(back[4], Cyrillic);
    TWideTreeNode* b = other->Items()->GetFirstNode();
    EXPECT_EQ(b->ImageIndex(), 3);
    EXPECT_EQ(b->SelectedIndex(), 4);
    EXPECT_EQ(b->StateIndex(), 1);
    EXPECT_EQ(b->OverlayIndex(), 0);
    EXPECT_EQ(b->Count(), 2);
    EXPECT_EQ(b->GetNextSibling()->Text(), Cyrillic);
    // Texts without the mark are 8-bit text; broken UTF-8 after it falls back to 8-bit text.
    Records r;
    r.int32(2);
    r.node(WideToAnsi(u"ohne Marke"), 0);
    r.node("\xEF\xBB\xBF" "caf\xC3", 0);
    TMemoryStream raw;
    raw.WriteBuffer(r.bytes.data(), static_cast<Int64>(r.bytes.size()));
    raw.SetPosition(0);
    other->Items()->ReadUtf8Data(&raw);
    EXPECT_EQ(texts(other), (std::vector<WideString>{u"ohne Marke", AnsiToWide("caf\xC3")}));
}

TEST(WideTreeView, DamagedUtf8DataRaisesTheReadErrorAndNothingWorse) {
    InitApplication();
    registerClasses();
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 300);
    auto* tree = new TWideTreeView(&form);
    tree->SetName("Tree");
    tree->SetParent(&form);
    tree->HandleNeeded();
    const auto read = [&](const Records& r) {
        TMemoryStream s;
        if (!r.bytes.empty()) s.WriteBuffer(r.bytes.data(), static_cast<Int64>(r.bytes.size()));
        s.SetPosition(0);
        tree->Items()->ReadUtf8Data(&s);
    };
    std::vector<Records> bad(8);
    bad[0].int32(1);
    bad[0].node("x", 0, 24);  // smaller than the fixed part
    bad[1].int32(1);
    bad[1].node(std::string(256, 'x'), 0, 281);  // larger than a record can be
    bad[2].int32(1);
    bad[2].node("abc", 0, 28, 7);  // length byte and size disagree
    bad[3].int32(1);
    bad[3].node("abc", -1);  // negative child count
    bad[4].int32(1);
    bad[4].node("abc", 1000000);  // more children than the bytes can hold
    bad[5].int32(3);
    bad[5].node("abc", 0);  // fewer records than counted
    bad[6].int32(-2);
    // Nesting deeper than allowed.
    bad[7].int32(1);
    for (int depth = 0; depth <= MaxUtf8DataDepth; ++depth) bad[7].node("d", depth < MaxUtf8DataDepth ? 1 : 0);
    for (std::size_t i = 0; i < bad.size(); ++i) EXPECT_THROW(read(bad[i]), EReadError) << i;
    // Within the bound it reads.
    Records deep;
    deep.int32(1);
    for (int depth = 1; depth <= 50; ++depth) deep.node("d", depth < 50 ? 1 : 0);
    read(deep);
    EXPECT_EQ(tree->Items()->Count(), 50);
    // In a layout the error names the line.
    try {
        ReadComponentText(bad[3].layout(), tree);
        FAIL() << "no error";
    } catch (const EReadError& e) {
        EXPECT_NE(e.Message.find("line 2"), String::npos) << e.Message;
    }
}

TEST(WideTreeView, AssigningNodesCopiesWholeTextsAndFullWidthData) {
    InitApplication();
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 300);
    auto* from = new TWideTreeView(&form);
    from->SetParent(&form);
    auto* to = new TWideTreeView(&form);
    to->SetParent(&form);
    const WideString longText = repeated(u"漢字", 150);
    void* const data = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x123456789ABCull));
    TWideTreeNode* a = from->Items()->AddObject(nullptr, longText, data);
    a->SetImageIndex(5);
    from->Items()->AddChild(a, Astral)->SetOverlayIndex(1);
    from->Items()->Add(a, Greek);
    to->Items()->Add(nullptr, u"old");
    to->Items()->Assign(from->Items());
    ASSERT_EQ(to->Items()->Count(), 3);
    TWideTreeNode* copy = to->Items()->GetFirstNode();
    EXPECT_EQ(copy->Text(), longText);
    EXPECT_EQ(copy->Data(), data);
    EXPECT_EQ(copy->ImageIndex(), 5);
    EXPECT_TRUE(copy->Equals(a));
    EXPECT_EQ(copy->GetFirstChild()->Text(), Astral);
    EXPECT_EQ(copy->GetFirstChild()->OverlayIndex(), 1);
    EXPECT_EQ(copy->GetNextSibling()->Text(), Greek);
    // The copy shows them whole.
    to->SetBounds(0, 0, 420, 200);
    from->Hide();
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(platform::windowWidget(form.Handle())));
    copy->Expand(false);
    EXPECT_GT(inkPixels(saveShot(to, "tree-assigned.png")), 100);
}

TEST(WideTreeView, ANodeComesFromTheRecordsParamOnlyWhenItsMaskSaysSo) {
    InitApplication();
    TForm form(nullptr);
    auto* tree = new TWideTreeView(&form);
    tree->SetParent(&form);
    TWideTreeNode* a = tree->Items()->Add(nullptr, u"a");
    TWideTreeNode* b = tree->Items()->Add(nullptr, u"b");
    TVITEMW item{};
    item.mask = TVIF_HANDLE;
    item.hItem = a->ItemId();
    item.state = 4;  // the cut state: not the param's flag
    item.lParam = reinterpret_cast<LPARAM>(b);
    EXPECT_EQ(tree->GetNodeFromTVItem(item), a);
    item.mask |= TVIF_PARAM;
    EXPECT_EQ(tree->GetNodeFromTVItem(item), b);
}

TEST_P(WideTree, SortingComparesTheWideTextsByLocale) {
    TWideTreeNodes* items = tree->Items();
    for (const char16_t* s : {u"zebra", u"Äpfel", u"apfel", u"Bär"}) items->Add(nullptr, WideString(s));
    show();
    ASSERT_TRUE(tree->AlphaSort());
    std::vector<WideString> expected = {u"zebra", u"Äpfel", u"apfel", u"Bär"};
    if (wide()) {
        std::stable_sort(expected.begin(), expected.end(),
                         [](const WideString& a, const WideString& b) { return lstrcmpW(a.c_str(), b.c_str()) < 0; });
        EXPECT_EQ(texts(tree).back(), u"zebra");  // the umlauts among their letters
    } else {
        // The 8-bit road keeps the class library's comparison of its texts.
        std::stable_sort(expected.begin(), expected.end(), [](const WideString& a, const WideString& b) {
            return QString::compare(QString::fromStdU16String(a), QString::fromStdU16String(b), Qt::CaseInsensitive) < 0;
        });
    }
    EXPECT_EQ(texts(tree), expected);
    // OnCompare decides when it is there.
    tree->OnCompare = TTVCompareEvent([](TObject*, TTreeNode* a, TTreeNode* b, int, int& r) {
        r = -lstrcmpW(static_cast<TWideTreeNode*>(a)->Text().c_str(), static_cast<TWideTreeNode*>(b)->Text().c_str());
    });
    ASSERT_TRUE(tree->AlphaSort());
    std::vector<WideString> reversed = {u"zebra", u"Äpfel", u"apfel", u"Bär"};
    std::stable_sort(reversed.begin(), reversed.end(),
                     [](const WideString& a, const WideString& b) { return lstrcmpW(a.c_str(), b.c_str()) > 0; });
    EXPECT_EQ(texts(tree), reversed);
}

TEST_P(WideTree, ALabelEditCommitsAWideTextWithEnterAndEscapeFiresNoOnEdited) {
    TWideTreeNode* node = tree->Items()->Add(nullptr, u"alt");
    tree->Items()->Add(nullptr, u"zweiter");
    std::vector<WideString> edited;
    tree->OnEdited = TWideTVEditedEvent([&](TObject*, TWideTreeNode* Node, WideString& S) {
        EXPECT_EQ(Node, node);
        edited.push_back(S);
    });
    std::vector<WORD> keys;
    tree->OnKeyDown = TKeyEvent([&](TObject*, WORD& Key, TShiftState) { keys.push_back(Key); });
    show();
    tree->SetFocus();
    ASSERT_TRUE(node->EditText());
    QWidget* ew = editWidget();
    ASSERT_NE(ew, nullptr);
    QTest::keyClick(ew, Qt::Key_A, Qt::ControlModifier);
    typeText(ew, QString::fromStdU16String(Cjk + u" " + Astral));
    QTest::keyClick(ew, Qt::Key_Return);
    ASSERT_EQ(edited.size(), 1u);
    EXPECT_EQ(edited[0], Cjk + u" " + Astral);
    EXPECT_EQ(node->Text(), Cjk + u" " + Astral);
    EXPECT_EQ(shown(tree, node), Cjk + u" " + Astral);
    EXPECT_EQ(std::find(keys.begin(), keys.end(), VK_RETURN) != keys.end(), wide());
    ASSERT_TRUE(node->EditText());
    ew = editWidget();
    ASSERT_NE(ew, nullptr);
    typeText(ew, QStringLiteral("weg"));
    QTest::keyClick(ew, Qt::Key_Escape);
    EXPECT_EQ(edited.size(), 1u);
    EXPECT_EQ(node->Text(), Cjk + u" " + Astral);
}

TEST_P(WideTree, ImagesAskedForWhileTheTreePaintsMayChangeTheNodesFlags) {
    TWideTreeNodes* items = tree->Items();
    for (int i = 0; i < 20; ++i) items->AddChild(items->Add(nullptr, Greek + u" " + WideString(1, u'A' + i)), u"x");
    int asked = 0;
    tree->OnGetImageIndex = TTVExpandedEvent([&](TObject*, TTreeNode* Node) {
        ++asked;
        Node->SetImageIndex(1);
        Node->SetHasChildren(Node->Index() % 2 == 0);
    });
    show();
    const QImage shot = saveShot(tree, std::string("tree-images-") + (wide() ? "utf16" : "ansi") + ".png");
    EXPECT_GT(asked, 0);
    EXPECT_GT(inkPixels(shot), 50);
    EXPECT_EQ(items->Count(), 40);
}
