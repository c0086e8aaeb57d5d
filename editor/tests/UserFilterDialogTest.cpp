// The user filter dialog driven by real Qt events: three filters defined with the edit
// dialog, the file written when the dialog closes, read again by a new dialog as after a
// restart, and one applied to a photograph; damaged, foreign and refused files; the edit
// dialog's checks; deleting; a divisor of 0 from the file refused.
#include "editor/EditorDialogs.h"
#include "editor/UserFilterDialog.h"
#include "editor/tests/DialogTestSupport.h"

#include "platform/codepage.h"
#include "platform/msgbox.h"
#include "poster/ProgramFolder.h"
#include "poster/Resample.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>

using namespace opstest2;
using namespace dlgtest;
using testsupport::TempDir;

namespace {

std::int32_t intAt(const std::vector<unsigned char>& b, std::size_t at) {
    return static_cast<std::int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<unsigned>(b[at + 3]) << 24);
}

TFilterRec record(const std::string& name, int divisor, int bias, std::initializer_list<std::pair<int, int>> weights) {
    TFilterRec f;
    std::memset(&f, 0, sizeof f);
    SetUserFilterName(f, name);
    f.Divisor = divisor;
    f.Bias = bias;
    for (auto [i, w] : weights) f.Matrix[i] = w;
    return f;
}

// The owner of the dialogs of the running test.
TComponent* owner = nullptr;

// Names a new filter in the open edit dialog and confirms it.
void nameNewFilter() {
    TFilterEditForm* e = owned<TFilterEditForm>(owned<TUserFilterForm>(owner));
    type(e->NameEdit, "more");
    click(e->OkBtn);
}

class UserFilterDialog : public ::testing::Test {
protected:
    void SetUp() override {
        programfolder::setFolderForTesting(exe.path(), true);
        owner = &holder;
    }
    void TearDown() override {
        programfolder::setFolderForTesting("");
        owner = nullptr;
    }
    std::string file() const { return exe.file("UserFilt.dat"); }

    // Fills the open edit dialog and confirms it.
    static void fill(const char* name, const char* divisor, const char* bias,
                     std::initializer_list<std::pair<int, const char*>> weights) {
        TFilterEditForm* e = owned<TFilterEditForm>(owned<TUserFilterForm>(owner));
        ASSERT_NE(e, nullptr);
        type(e->NameEdit, name);
        type(e->DivEdit, divisor);
        type(e->BiasEdit, bias);
        for (auto [i, w] : weights) type(e->Weights[i], w);
        click(e->OkBtn);
    }

    TempDir exe;
    TComponent holder{nullptr};
    platform::ScriptedMessageBoxes boxes{IDYES};
};

}  // namespace

TEST(UserFilterDialogLayout, FieldsAndTheirOrder) {
    TFilterEditForm e(nullptr);
    EXPECT_EQ(e.Caption(), "User-defined filter");
    EXPECT_EQ(std::vector<int>({static_cast<int>(e.DivEdit->MinValue()), static_cast<int>(e.DivEdit->MaxValue()),
                                SpinInt(e.DivEdit)}),
              std::vector<int>({1, 255, 1}));
    // Field r + 5 c sits in row r, column c: as the filter applies it.
    EXPECT_EQ(e.Weights[1]->Left(), e.Weights[0]->Left());
    EXPECT_GT(e.Weights[1]->Top(), e.Weights[0]->Top());
    EXPECT_GT(e.Weights[5]->Left(), e.Weights[0]->Left());
    EXPECT_EQ(e.Weights[5]->Top(), e.Weights[0]->Top());
    EXPECT_EQ(e.Weights[24]->MaxValue(), e.Weights[24]->MinValue()) << "weights without limits";
    TUserFilterForm u(nullptr);
    EXPECT_EQ(u.Caption(), "User-defined filters");
    EXPECT_EQ(u.ApplyBtn->Caption(), "Apply");
    EXPECT_EQ(u.NewBtn->Caption(), "New...");
}

TEST_F(UserFilterDialog, ThreeFiltersDefinedSavedReadAfterARestartAndApplied) {
    TComponent* app = owner;
    whenShown([&] {
        TUserFilterForm* u = owned<TUserFilterForm>(app);
        ASSERT_NE(u, nullptr);
        EXPECT_EQ(u->ListBox1->Items()->Count(), 0);
        whenShown([] { fill("Brighter", "1", "40", {{12, "1"}}); });
        click(u->NewBtn);
        whenShown([] { fill("Darker ½", "2", "0", {{12, "1"}}); });
        click(u->NewBtn);
        whenShown([] { fill("Above", "1", "0", {{11, "1"}}); });
        click(u->NewBtn);
        // Each edit dialog activated this one again: the filters made since it opened stay.
        ASSERT_EQ(u->ListBox1->Items()->Count(), 3);
        EXPECT_EQ(u->ListBox1->Items()->Strings(1), "Darker ½");
        click(u->CancelBtn);
    });
    OpsDoc d(truecolour(3, 3, [](int x, int y) { return rgb(10 * x, 10 * y, 5); }));
    EXPECT_FALSE(editordialogs::UserDefinedFilters(d.doc, app));
    EXPECT_EQ(d.doc.UndoCount, 0);

    // Cancel wrote the file: magic, count and three 624-byte records, exactly.
    const std::vector<unsigned char> bytes = testsupport::readFile(file());
    ASSERT_EQ(bytes.size(), 8u + 3 * 624);
    EXPECT_EQ(intAt(bytes, 0), 0x000E3B57);
    EXPECT_EQ(intAt(bytes, 4), 3);
    EXPECT_EQ(bytes, StoreUserFilters({record("Brighter", 1, 40, {{12, 1}}), record("Darker ½", 2, 0, {{12, 1}}),
                                        record("Above", 1, 0, {{11, 1}})}));

    // Started anew: a new dialog reads the file; "Above" applied as it was typed in.
    whenShown([&] {
        TUserFilterForm* u = owned<TUserFilterForm>(app);
        ASSERT_EQ(u->ListBox1->Items()->Count(), 3);
        EXPECT_EQ(u->ListBox1->Items()->Strings(2), "Above");
        clickItem(u->ListBox1, 2);
        EXPECT_EQ(u->ListBox1->ItemIndex(), 2);
        if (u->ListBox1->ItemIndex() != 2) u->ListBox1->SetItemIndex(2);
        click(u->ApplyBtn);
    });
    ASSERT_TRUE(editordialogs::UserDefinedFilters(d.doc, app));
    EXPECT_EQ(d.doc.UndoCount, 1);
    EXPECT_EQ(d.pixel(1, 2), rgb(10, 10, 5)) << "each pixel takes the one above it";
    EXPECT_EQ(d.pixel(1, 0), rgb(10, 0, 5)) << "the edge repeats";
    EXPECT_EQ(testsupport::readFile(file()), bytes) << "closing unchanged writes the same bytes";

    // On a photograph "Brighter" is the picture plus 40 in every component.
    UniqueDib photo;
    OpenDib(photo.out(), TESSELLON_SOURCE_DIR "/app/poster.stb", PW_JIF, nullptr);
    ASSERT_TRUE(photo);
    OpsDoc p(ResizeDib(photo.get(), 120, 90, false));
    UniqueDib before = edtest::copyOf(p.doc.Dib.get());
    whenShown([&] {
        TUserFilterForm* u = owned<TUserFilterForm>(app);
        u->ListBox1->SetFocus();
        key(u->ListBox1, Qt::Key_Home);
        key(u->ListBox1, Qt::Key_Return);  // the default button: Apply
    });
    ASSERT_TRUE(editordialogs::UserDefinedFilters(p.doc, app));
    for (int y = 0; y < 90; y += 7)
        for (int x = 0; x < 120; x += 11) {
            const int v = getpixel(before.get(), x, y);
            ASSERT_EQ(p.pixel(x, y), rgb(std::min(255, red(v) + 40), std::min(255, green(v) + 40),
                                         std::min(255, blue(v) + 40)));
        }
}

TEST_F(UserFilterDialog, TheEditDialogNamesWhatIsMissingAndStaysOpen) {
    TFilterEditForm* shown = nullptr;
    whenShown([&] {
        TUserFilterForm* u = owned<TUserFilterForm>(owner);
        whenShown([&] {
            TFilterEditForm* e = owned<TFilterEditForm>(owned<TUserFilterForm>(owner));
            shown = e;
            type(e->DivEdit, "0");
            key(e->DivEdit, Qt::Key_Return);
            EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"You must input a name!", "The division by 0 is not defined!"}));
            boxes.clear();
            // Pressing OK takes the focus first: leaving the divisor holds it to its range.
            click(e->OkBtn);
            EXPECT_EQ(boxes.texts(), std::vector<std::string>{"You must input a name!"});
            boxes.clear();
            EXPECT_EQ(e->DivEdit->Text(), "1");
            // Typed again and confirmed with Enter.
            type(e->NameEdit, "x");
            EXPECT_EQ(e->DivEdit->Text(), "1");
            type(e->DivEdit, "0");
            key(e->DivEdit, Qt::Key_Return);

            EXPECT_EQ(boxes.texts(), std::vector<std::string>{"The division by 0 is not defined!"});
            EXPECT_EQ(boxes.shown()[0].icon(), static_cast<UINT>(MB_ICONERROR));
            boxes.clear();
            type(e->DivEdit, "300");  // held to 255 when read
            click(e->OkBtn);
        });
        click(u->NewBtn);
        ASSERT_EQ(u->List().Count(), 1);
        EXPECT_EQ(u->List().Filters()[0].Divisor, 255);
        EXPECT_TRUE(boxes.texts().empty());
        // Apply without a choice.
        u->ListBox1->SetItemIndex(-1);
        click(u->ApplyBtn);
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{"You selected no filter!"});
        click(u->CancelBtn);
    });
    OpsDoc d(truecolour(2, 2, [](int, int) { return 0; }));
    EXPECT_FALSE(editordialogs::UserDefinedFilters(d.doc, owner));
    EXPECT_NE(shown, nullptr);
}

TEST_F(UserFilterDialog, EditAndDeleteWithTheSafetyQuery) {
    testsupport::writeFile(file(), StoreUserFilters({record("one", 1, 0, {{12, 1}}), record("two", 3, 5, {{0, -2}})}));
    whenShown([&] {
        TUserFilterForm* u = owned<TUserFilterForm>(owner);
        ASSERT_EQ(u->ListBox1->Items()->Count(), 2);
        u->ListBox1->SetItemIndex(1);
        whenShown([] {
            TFilterEditForm* e = owned<TFilterEditForm>(owned<TUserFilterForm>(owner));
            EXPECT_EQ(e->NameEdit->Text(), "two");
            EXPECT_EQ(e->DivEdit->Text(), "3");
            EXPECT_EQ(e->BiasEdit->Text(), "5");
            EXPECT_EQ(e->Weights[0]->Text(), "-2");
            type(e->NameEdit, "two, renamed");
            click(e->OkBtn);
        });
        click(u->EditBtn);
        EXPECT_EQ(u->ListBox1->Items()->Strings(1), "two, renamed");
        boxes.answer(IDNO);
        u->ListBox1->SetItemIndex(0);
        click(u->DelBtn);
        EXPECT_EQ(u->ListBox1->Items()->Count(), 2) << "No keeps it";
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.texts()[0], "Are you sure that you would like to delete the filter?");
        EXPECT_EQ(boxes.captions()[0], "Safety query");
        EXPECT_EQ(boxes.shown()[0].buttons(), static_cast<UINT>(MB_YESNO));
        click(u->DelBtn);  // Yes
        u->ListBox1->SetItemIndex(0);
        click(u->DelBtn);
        EXPECT_EQ(u->ListBox1->Items()->Count(), 0);
        click(u->CancelBtn);
    });
    OpsDoc d(truecolour(2, 2, [](int, int) { return 0; }));
    EXPECT_FALSE(editordialogs::UserDefinedFilters(d.doc, owner));
    const std::vector<unsigned char> empty = testsupport::readFile(file());
    ASSERT_EQ(empty.size(), 8u) << "the last one deleted: a file with count 0";
    EXPECT_EQ(intAt(empty, 4), 0);
}

TEST_F(UserFilterDialog, DamagedAndForeignFilesAreRefusedAndKept) {
    // A count of a million but one record and a half: the whole record is kept, with a word.
    std::vector<unsigned char> damaged = StoreUserFilters({record("kept", 1, 0, {{12, 1}}), record("cut", 1, 0, {})});
    damaged.resize(8 + 624 + 300);
    damaged[4] = 0x40, damaged[5] = 0x42, damaged[6] = 0x0F;
    testsupport::writeFile(file(), damaged);
    whenShown([&] {
        TUserFilterForm* u = owned<TUserFilterForm>(owner);
        ASSERT_EQ(u->ListBox1->Items()->Count(), 1);
        EXPECT_EQ(u->ListBox1->Items()->Strings(0), "kept");
        click(u->CancelBtn);
    });
    OpsDoc d(truecolour(2, 2, [](int, int) { return 0; }));
    EXPECT_FALSE(editordialogs::UserDefinedFilters(d.doc, owner));
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "The file \"UserFilt.dat\" is damaged: only its complete filters were read.");
    EXPECT_EQ(testsupport::readFile(file()), damaged) << "closing without a change leaves the damaged file";

    // A foreign file: an empty list without a word, kept until the list really changes.
    boxes.clear();
    const std::vector<unsigned char> foreign = {'P', 'K', 3, 4, 0, 0, 0, 0, 9};
    testsupport::writeFile(file(), foreign);
    whenShown([&] { click(owned<TUserFilterForm>(owner)->CancelBtn); });
    EXPECT_FALSE(editordialogs::UserDefinedFilters(d.doc, owner));
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_EQ(testsupport::readFile(file()), foreign);
    whenShown([&] {
        TUserFilterForm* u = owned<TUserFilterForm>(owner);
        whenShown([] { fill("new", "1", "0", {{12, "1"}}); });
        click(u->NewBtn);
        click(u->CancelBtn);
    });
    EXPECT_FALSE(editordialogs::UserDefinedFilters(d.doc, owner));
    EXPECT_EQ(testsupport::readFile(file()).size(), 8u + 624) << "after a real change the list replaces it";
}

TEST_F(UserFilterDialog, ADivisorOfZeroFromTheFileIsRefused) {
    testsupport::writeFile(file(), StoreUserFilters({record("broken", 0, 0, {{12, 1}})}));
    OpsDoc d(truecolour(3, 3, [](int x, int) { return rgb(x, 1, 2); }));
    const std::vector<BYTE> before = allBytes(d.doc.Dib.get());
    whenShown([&] {
        TUserFilterForm* u = owned<TUserFilterForm>(owner);
        u->ListBox1->SetItemIndex(0);
        click(u->ApplyBtn);
    });
    EXPECT_FALSE(editordialogs::UserDefinedFilters(d.doc, owner));
    EXPECT_EQ(allBytes(d.doc.Dib.get()), before);
    EXPECT_EQ(d.doc.UndoCount, 0);
    ASSERT_EQ(d.window.Boxes.size(), 1u);
    EXPECT_EQ(d.window.Boxes[0].text, "The division by 0 is not defined!");
}

TEST(UserFilterNames, StoredAsUtf8WhateverTheCodePage) {
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    TFilterEditForm e(nullptr);
    e.NameEdit->SetText("Sch\xE4rfer \x80");  // "Schärfer €" in the Western code page
    const TFilterRec f = e.Filter();
    EXPECT_EQ(FilterName(f), "Sch\xC3\xA4rfer \xE2\x82\xAC");
    e.SetFilter(f);
    EXPECT_EQ(e.NameEdit->Text(), "Sch\xE4rfer \x80");
    platform::setAnsiCodePage(CP_UTF8);
}

TEST_F(UserFilterDialog, RandomFilesNeverUpsetTheDialog) {
    // Files with the magic and anything after it: wild counts, names without their zero or
    // not UTF-8, divisors and weights of any value; listed, edited and closed again.
    std::mt19937 random(5);
    OpsDoc d(truecolour(3, 3, [](int x, int y) { return rgb(x * 50, y * 50, 9); }));
    for (int round = 0; round < 24; ++round) {
        std::vector<unsigned char> bytes(8 + random() % 2000);
        for (unsigned char& b : bytes) b = static_cast<unsigned char>(random());
        const std::int32_t magic = 0x000E3B57;
        std::memcpy(bytes.data(), &magic, 4);
        if (round % 3 == 0) bytes[4] = 2, bytes[5] = bytes[6] = bytes[7] = 0;
        testsupport::writeFile(file(), bytes);
        boxes.clear();
        int listed = -1;
        whenShown([&] {
            TUserFilterForm* u = owned<TUserFilterForm>(owner);
            listed = u->ListBox1->Items()->Count();
            if (listed > 0) {
                u->ListBox1->SetItemIndex(0);
                whenShown([] { click(owned<TFilterEditForm>(owned<TUserFilterForm>(owner))->CancelBtn); });
                click(u->EditBtn);
            }
            click(u->CancelBtn);
        });
        EXPECT_FALSE(editordialogs::UserDefinedFilters(d.doc, owner));
        std::vector<TFilterRec> read;
        const TUserFilterLoad how = ParseUserFilters(bytes.data(), bytes.size(), read);
        EXPECT_EQ(listed, static_cast<int>(read.size()));
        if (how == TUserFilterLoad::Loaded)
            EXPECT_EQ(testsupport::readFile(file()), StoreUserFilters(read)) << "a list read whole is written again";
        else
            EXPECT_EQ(testsupport::readFile(file()), bytes) << "a damaged file stays as it was";
    }
}

// Run by hand with TESSELLON_FULL_DISK naming an empty folder on a small file system (a
// tmpfs of a few kilobytes): the disk fills up, and closing the dialog keeps the old file.
TEST(UserFilterDialogDisk, ClosingOnAFullDiskKeepsTheOldFilters) {
    const std::string folder = testsupport::env("TESSELLON_FULL_DISK");
    if (folder.empty()) GTEST_SKIP() << "TESSELLON_FULL_DISK names no small file system";
    programfolder::setFolderForTesting(folder, true);
    TComponent holder(nullptr);
    owner = &holder;
    const std::string path = folder + "/UserFilt.dat";
    const std::vector<unsigned char> old =
        StoreUserFilters({record("a", 1, 0, {{12, 1}}), record("b", 1, 9, {{12, 1}}), record("c", 2, 0, {{12, 1}})});
    ASSERT_TRUE(testsupport::writeFile(path, old));
    // Fill what is left.
    const std::string filler = folder + "/filler";
    std::FILE* f = std::fopen(filler.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::vector<char> block(512, 'x');
    while (std::fwrite(block.data(), 1, block.size(), f) == block.size() && std::fflush(f) == 0) {
    }
    std::fclose(f);
    whenShown([&] {
        TUserFilterForm* u = owned<TUserFilterForm>(owner);
        ASSERT_EQ(u->ListBox1->Items()->Count(), 3);
        for (int i = 0; i < 10; ++i) {
            whenShown([] { nameNewFilter(); });
            click(u->NewBtn);
        }
        EXPECT_EQ(u->ListBox1->Items()->Count(), 13);
        click(u->CancelBtn);
    });
    OpsDoc d(truecolour(2, 2, [](int, int) { return 0; }));
    EXPECT_FALSE(editordialogs::UserDefinedFilters(d.doc, owner));
    EXPECT_EQ(testsupport::readFile(path), old) << "the write failed; the old filters stay";
    std::remove(filler.c_str());
    std::remove(path.c_str());
    programfolder::setFolderForTesting("");
    owner = nullptr;
}
