// The class library's tree view: nodes, their layout data (written, read back, damaged),
// re-creation of the window, and its events from real mouse and key input.
#include "classlib/ComCtrls.h"
#include "classlib/Filer.h"
#include "classlib/Forms.h"
#include "platform/codepage.h"
#include "platform/winuser.h"

#include <QAbstractScrollArea>
#include <QTest>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

struct TreeForm {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TTreeView* tree;
    TreeForm() {
        RegisterStandardClasses();
        platform::setManualTimers(true);
        form->SetName("Form1");
        form->SetBounds(0, 0, 300, 300);
        tree = new TTreeView(form.get());
        tree->SetName("Tree1");
        tree->SetParent(form.get());
        tree->SetBounds(0, 0, 280, 260);
    }
    ~TreeForm() { platform::setManualTimers(false); }
    QWidget* viewport() { return static_cast<QAbstractScrollArea*>(platform::windowWidget(tree->Handle()))->viewport(); }
    QPoint at(TTreeNode* n) {
        const RECT r = n->DisplayRect(true);
        return QPoint(r.left + 4, (r.top + r.bottom) / 2);
    }
    void show() {
        form->Show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(platform::windowWidget(form->Handle())));
    }
};

}  // namespace

TEST(TreeViewControl, NodesLiveOnTheWindowsItems) {
    TreeForm f;
    TTreeNodes* items = f.tree->Items();
    TTreeNode* a = items->Add(nullptr, "Alpha");
    TTreeNode* c = items->AddChild(a, "Child");
    TTreeNode* b = items->Add(a, "Beta");
    TTreeNode* first = items->AddChildFirst(a, "First child");
    TTreeNode* ins = items->Insert(b, "Between");
    EXPECT_EQ(items->Count(), 5);
    EXPECT_EQ(items->GetFirstNode(), a);
    EXPECT_EQ(a->Count(), 2);
    EXPECT_EQ(a->Item(0), first);
    EXPECT_EQ(a->Item(1), c);
    EXPECT_EQ(c->Parent(), a);
    EXPECT_EQ(c->Level(), 1);
    EXPECT_EQ(a->GetNextSibling(), ins);
    EXPECT_EQ(ins->GetNextSibling(), b);
    EXPECT_EQ(b->AbsoluteIndex(), 4);
    EXPECT_EQ((*items)[2], c);
    EXPECT_TRUE(a->HasChildren());
    EXPECT_THROW(items->Item(9), EListError);
    int deletions = 0;
    f.tree->OnDeletion = [&](TObject*, TTreeNode*) { ++deletions; };
    a->Delete();
    EXPECT_EQ(deletions, 3);
    EXPECT_EQ(items->Count(), 2);
    EXPECT_EQ(items->GetFirstNode(), ins);
    items->Clear();
    EXPECT_EQ(items->Count(), 0);
}

TEST(TreeViewControl, NodesGoThroughLayoutDataAndSurviveANewWindow) {
    TreeForm f;
    TTreeNodes* items = f.tree->Items();
    TTreeNode* a = items->Add(nullptr, "Pictures");
    a->SetImageIndex(3);
    a->SetSelectedIndex(4);
    a->SetStateIndex(1);
    TTreeNode* c = items->AddChild(a, std::string(300, 'x'));
    c->SetOverlayIndex(0);
    items->AddChild(c, "Deep");
    items->Add(nullptr, "Music");

    TWriter writer;
    const String text = LayoutToText(writer.WriteRootComponent(f.form.get()));
    EXPECT_NE(text.find("Items.Data = {"), String::npos);

    TreeForm g;
    TReader reader;
    g.tree->SetName("Other");
    delete g.tree;
    reader.ReadRootComponent(g.form.get(), ParseLayout(text));
    auto* read = qobject_cast<TTreeView*>(g.form->FindComponent("Tree1"));
    ASSERT_NE(read, nullptr);
    TTreeNodes* back = read->Items();
    ASSERT_EQ(back->Count(), 4);
    TTreeNode* ra = back->GetFirstNode();
    EXPECT_EQ(ra->Text(), "Pictures");
    EXPECT_EQ(ra->ImageIndex(), 3);
    EXPECT_EQ(ra->SelectedIndex(), 4);
    EXPECT_EQ(ra->StateIndex(), 1);
    // Texts are kept to 255 bytes.
    EXPECT_EQ(ra->GetFirstChild()->Text(), std::string(255, 'x'));
    EXPECT_EQ(ra->GetFirstChild()->OverlayIndex(), 0);
    EXPECT_EQ(ra->GetFirstChild()->GetFirstChild()->Text(), "Deep");
    EXPECT_EQ(ra->GetNextSibling()->Text(), "Music");

    // A new window keeps the nodes and the selection.
    c->SetSelected(true);
    f.tree->RecreateWnd();
    f.tree->HandleNeeded();
    EXPECT_EQ(items->Count(), 4);
    ASSERT_NE(f.tree->Selected(), nullptr);
    EXPECT_EQ(f.tree->Selected()->Text(), std::string(255, 'x'));

    // Damaged data: a record larger than a node can be is refused.
    TMemoryStream bad;
    const int32_t top = 1, size = 400;
    bad.WriteBuffer(&top, 4);
    bad.WriteBuffer(&size, 4);
    bad.SetPosition(0);
    EXPECT_THROW(items->ReadData(&bad), EReadError);
    TMemoryStream cut;
    const int32_t ok = 30;
    cut.WriteBuffer(&top, 4);
    cut.WriteBuffer(&ok, 4);
    cut.WriteBuffer("short", 5);
    cut.SetPosition(0);
    EXPECT_THROW(items->ReadData(&cut), EReadError);
}

TEST(TreeViewControl, EventsFollowTheMouseAndKeys) {
    TreeForm f;
    TTreeNodes* items = f.tree->Items();
    TTreeNode* a = items->Add(nullptr, "Folder");
    a->SetHasChildren(true);
    TTreeNode* b = items->Add(nullptr, "Other");
    int fills = 0;
    f.tree->OnExpanding = [&](TObject*, TTreeNode* n, bool& allow) {
        if (n->Count() == 0) {
            ++fills;
            items->AddChild(n, "Inside");
        }
        allow = true;
    };
    std::vector<String> changes;
    f.tree->OnChange = [&](TObject*, TTreeNode* n) { changes.push_back(n ? n->Text() : "<none>"); };
    bool refuse = false;
    f.tree->OnChanging = [&](TObject*, TTreeNode*, bool& allow) { allow = !refuse; };
    f.show();
    QTest::mouseClick(f.viewport(), Qt::LeftButton, {}, f.at(b));
    EXPECT_EQ(changes, std::vector<String>{"Other"});
    refuse = true;
    QTest::mouseClick(f.viewport(), Qt::LeftButton, {}, f.at(a));
    EXPECT_EQ(f.tree->Selected(), b);
    refuse = false;
    QWidget* w = platform::windowWidget(f.tree->Handle());
    QTest::keyClick(w, Qt::Key_Up);
    EXPECT_EQ(f.tree->Selected(), a);
    QTest::keyClick(w, Qt::Key_Right);
    EXPECT_EQ(fills, 1);
    EXPECT_TRUE(a->Expanded());
    EXPECT_EQ(a->GetFirstChild()->Text(), "Inside");

    // Label editing: a click on the selected node, then Enter; Escape fires nothing.
    std::vector<String> edited;
    f.tree->OnEdited = [&](TObject*, TTreeNode*, String& s) {
        edited.push_back(s);
        s += "!";
    };
    QTest::mouseClick(f.viewport(), Qt::LeftButton, {}, f.at(a));
    platform::advanceTime(GetDoubleClickTime() + 10);
    ASSERT_TRUE(f.tree->IsEditing());
    QWidget* edit = platform::windowWidget(f.tree->EditHandle());
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, "Renamed");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FALSE(f.tree->IsEditing());
    EXPECT_EQ(edited, std::vector<String>{"Renamed"});
    EXPECT_EQ(a->Text(), "Renamed!");
    ASSERT_TRUE(a->EditText());
    QTest::keyClicks(platform::windowWidget(f.tree->EditHandle()), "Lost");
    QTest::keyClick(platform::windowWidget(f.tree->EditHandle()), Qt::Key_Escape);
    EXPECT_EQ(edited.size(), 1u);
    EXPECT_EQ(a->Text(), "Renamed!");
    // A read-only tree does not edit.
    f.tree->SetReadOnly(true);
    EXPECT_FALSE(f.tree->Items()->GetFirstNode()->EditText());
}

TEST(TreeViewControl, TheWindowAsksTheControlForTheTextsItShows) {
    TreeForm f;
    TTreeNode* n = f.tree->Items()->Add(nullptr, "Gr\xC3\xBC\xC3\x9F" "e");
    const auto textOf = [&](bool wide) {
        char16_t wbuf[64] = {};
        char abuf[64] = {};
        TVITEMW t{};
        t.mask = TVIF_TEXT | TVIF_HANDLE;
        t.hItem = n->ItemId();
        t.cchTextMax = 64;
        if (wide) {
            t.pszText = reinterpret_cast<LPWSTR>(wbuf);
            SendMessageW(f.tree->Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&t));
            return std::u16string(wbuf);
        }
        t.pszText = reinterpret_cast<LPWSTR>(abuf);
        SendMessageA(f.tree->Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&t));
        return platform::ansiToWide(abuf);
    };
    EXPECT_EQ(textOf(true), u"Grüße");
    EXPECT_EQ(textOf(false), u"Grüße");
    // The window holds no copy: a changed text is what it asks for next.
    n->SetText("Stra\xC3\x9F" "e");
    EXPECT_EQ(textOf(true), u"Straße");
    // Both notification forms are answered.
    SendMessageW(f.tree->Handle(), CCM_SETUNICODEFORMAT, TRUE, 0);
    EXPECT_EQ(textOf(true), u"Straße");
    SendMessageW(f.tree->Handle(), CCM_SETUNICODEFORMAT, FALSE, 0);
    EXPECT_EQ(textOf(true), u"Straße");
}
