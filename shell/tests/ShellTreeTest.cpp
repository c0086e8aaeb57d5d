// The shell tree on real folders in a temporary home: selecting deep folders, filling on
// expansion, folders made, renamed and removed by other processes, and its verbs.
#include "ShellViewsSupport.h"

#include "platform/msgbox.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace shellviews;

namespace {

struct TreeOnly : Home {
    Views v{true, false};
    TreeOnly() { v.show(); }
    // The texts of the children of a node, in order.
    std::vector<WideString> children(TNavShellTreeNode* node) const {
        std::vector<WideString> r;
        for (TTreeNode* c = node ? node->GetFirstChild() : nullptr; c; c = c->GetNextSibling()) r.push_back(static_cast<TWideTreeNode*>(c)->Text());
        return r;
    }
    TNavShellTreeNode* selectedNode() const { return v.tree->Selected(); }
};

}  // namespace

TEST(ShellTree, SelectingAFolderThreeLevelsDownExpandsTheLevelsAboveIt) {
    TreeOnly t;
    TNavShellTree* tree = t.v.tree;
    ASSERT_TRUE(tree->RootNode());
    EXPECT_EQ(tree->RootNode()->Text(), u"Computer");
    const std::string deeper = t.pictures + "/sub/deep/deeper";
    tree->SetSelectedFolder(W(deeper));
    EXPECT_EQ(tree->SelectedFolder(), W(deeper));
    TNavShellTreeNode* node = t.selectedNode();
    ASSERT_TRUE(node);
    EXPECT_EQ(node->Text(), u"deeper");
    ASSERT_TRUE(node->ShellParent());
    EXPECT_TRUE(node->ShellParent()->Expanded());
    EXPECT_EQ(node->ShellParent()->Text(), u"deep");
    EXPECT_TRUE(node->ShellParent()->ShellParent()->Expanded());
    // Only folders, hidden ones left out, sorted.
    TNavShellTreeNode* pictures = node->ShellParent()->ShellParent()->ShellParent();
    ASSERT_TRUE(pictures);
    EXPECT_EQ(pictures->Text(), u"pictures");
    EXPECT_EQ(t.children(pictures), std::vector<WideString>{u"sub"});
    // The path the poster window uses reads back without a trailing separator.
    tree->SetSelectedFolder(W(t.pictures + "/"));
    EXPECT_EQ(tree->SelectedFolder(), W(t.pictures));
    // An empty path selects the computer, which has no path.
    tree->SetSelectedFolder(u"");
    EXPECT_EQ(t.selectedNode(), tree->RootNode());
    EXPECT_EQ(tree->SpecialFolder(), SF_DRIVES);
}

TEST(ShellTree, AFolderThatCannotBeFoundLeavesTheSelection) {
    TreeOnly t;
    TNavShellTree* tree = t.v.tree;
    tree->SetSelectedFolder(W(t.pictures));
    platform::ScriptedMessageBoxes boxes;
    tree->SetSelectedFolder(W(t.pictures + "/nowhere"));
    EXPECT_EQ(tree->SelectedFolder(), W(t.pictures));
    EXPECT_TRUE(boxes.shown().empty()) << "errors are not shown by default";
    tree->SetShowErrorMessages(true);
    tree->SetSelectedFolder(W(t.pictures + "/nowhere"));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.texts()[0].find(": " + t.pictures + "/nowhere"), std::string::npos) << boxes.texts()[0];
    EXPECT_EQ(tree->SelectedFolder(), W(t.pictures));
}

TEST(ShellTree, FoldersMadeRenamedAndRemovedByAnotherProcessAppear) {
    TreeOnly t;
    TNavShellTree* tree = t.v.tree;
    tree->SetSelectedFolder(W(t.pictures));
    TNavShellTreeNode* pictures = t.selectedNode();
    ASSERT_TRUE(pictures);
    pictures->Expand(false);
    ASSERT_EQ(t.children(pictures), std::vector<WideString>{u"sub"});

    sh("mkdir " + shq(t.pictures + "/made"));
    ASSERT_TRUE(waitFor([&] { return t.children(pictures) == std::vector<WideString>{u"made", u"sub"}; }));
    sh("mv " + shq(t.pictures + "/made") + " " + shq(t.pictures + "/zeta"));
    ASSERT_TRUE(waitFor([&] { return t.children(pictures) == std::vector<WideString>{u"sub", u"zeta"}; }))
        << t.children(pictures).size();
    sh("rmdir " + shq(t.pictures + "/zeta"));
    ASSERT_TRUE(waitFor([&] { return t.children(pictures) == std::vector<WideString>{u"sub"}; }));
    // Files are not the tree's business.
    sh("touch " + shq(t.pictures + "/file.txt"));
    settle(300);
    EXPECT_EQ(t.children(pictures), std::vector<WideString>{u"sub"});
}

TEST(ShellTree, ACollapsedFolderIsListedAnewWhenItOpensAgain) {
    TreeOnly t;
    TNavShellTree* tree = t.v.tree;
    tree->SetSelectedFolder(W(t.pictures + "/sub/deep"));
    TNavShellTreeNode* sub = t.selectedNode()->ShellParent();
    ASSERT_TRUE(sub);
    sub->Collapse(false);
    pump();
    sh("rmdir " + shq(t.pictures + "/sub/deep/deeper") + " && rmdir " + shq(t.pictures + "/sub/deep") +
       " && mkdir " + shq(t.pictures + "/sub/other"));
    settle(400);
    sub->Expand(false);
    EXPECT_EQ(t.children(sub), std::vector<WideString>{u"other"});
    EXPECT_EQ(tree->SelectedFolder(), W(t.pictures + "/sub")) << "the deleted selection moved to the parent";
}

TEST(ShellTree, TheShownFolderDeletedByAnotherProcessMovesTheSelectionUp) {
    TreeOnly t;
    TNavShellTree* tree = t.v.tree;
    tree->SetSelectedFolder(W(t.pictures + "/sub/deep/deeper"));
    sh("rm -r " + shq(t.pictures + "/sub"));
    ASSERT_TRUE(waitFor([&] { return tree->SelectedFolder() == W(t.pictures); })) << R(tree->SelectedFolder());
    EXPECT_TRUE(t.children(t.selectedNode()).empty());
}

TEST(ShellTree, PasteWithAnEmptyClipboardReportsNothingAndAPasteReportsOnce) {
    TreeOnly t;
    TNavShellTree* tree = t.v.tree;
    std::vector<std::pair<int, WideString>> ops;
    tree->OnOperation = TOnOperation([&](TObject*, int code, TFileNames*, const WideString& to) { ops.emplace_back(code, to); });
    tree->SetSelectedFolder(W(t.pictures + "/sub"));
    platform::clearClipboardFiles();
    QApplication::clipboard()->clear();
    key(tree, Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(ops.empty());
    // A copy: reported once, as pasted where the source still exists.
    platform::setClipboardFiles({t.pictures + "/a.txt"}, false);
    key(tree, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].first, opPastedCopied);
    EXPECT_EQ(ops[0].second, W(t.pictures + "/sub"));
    EXPECT_EQ(shelltest::read(t.pictures + "/sub/a.txt"), "text");
    // The same again never replaces the copy: the new one gets a name of its own.
    shelltest::write(t.pictures + "/sub/a.txt", "changed");
    key(tree, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ops.size(), 2u);
    EXPECT_EQ(shelltest::read(t.pictures + "/sub/a.txt"), "changed");
    EXPECT_EQ(QDir(QString::fromStdString(t.pictures + "/sub")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 3)
        << "deep, a.txt and the second copy";
}

TEST(ShellTree, DeleteAsksAndMovesTheFolderToTheTrash) {
    TreeOnly t;
    TNavShellTree* tree = t.v.tree;
    std::vector<int> ops;
    tree->OnOperation = TOnOperation([&](TObject*, int code, TFileNames*, const WideString&) { ops.push_back(code); });
    tree->SetSelectedFolder(W(t.pictures + "/sub/deep"));
    platform::ScriptedMessageBoxes boxes;
    boxes.answer(IDNO);
    key(tree, Qt::Key_Delete);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(shelltest::exists(t.pictures + "/sub/deep"));
    EXPECT_TRUE(ops.empty());
    boxes.answer(IDYES);
    key(tree, Qt::Key_Delete);
    EXPECT_FALSE(shelltest::exists(t.pictures + "/sub/deep"));
    EXPECT_TRUE(shelltest::exists(t.env.trashFiles() + "/deep/deeper"));
    EXPECT_EQ(ops, std::vector<int>{opDeleted});
    ASSERT_TRUE(waitFor([&] { return tree->SelectedFolder() == W(t.pictures + "/sub"); })) << R(tree->SelectedFolder());
}
