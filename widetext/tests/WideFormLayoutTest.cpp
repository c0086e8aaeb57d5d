// A form read from a layout file with Greek, Cyrillic, CJK and characters outside the
// basic plane in captions, hints, columns and tree nodes: shown whole (also under an 8-bit
// code page that cannot hold them), its list sorted by a real click on a column, and
// written back to the very text it was read from.
#include "WideTestControls.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace widetest;

namespace {

String fileText(const char* name) {
    QFile f(QString::fromUtf8(TESSELLON_TEST_DATA) + "/" + name);
    if (!f.open(QIODevice::ReadOnly)) return String();
    const QByteArray bytes = f.readAll();
    return String(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::vector<String> lines(const String& text) {
    std::vector<String> out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        out.push_back(text.substr(at, end == String::npos ? String::npos : end - at));
        if (end == String::npos) break;
        at = end + 1;
    }
    return out;
}

// The lines that carry wide texts: captions, hints, their twins and the tree's UTF-8 data.
std::vector<String> wideLines(const String& text) {
    std::vector<String> out;
    bool inUtf8Data = false;
    for (const String& l : lines(text)) {
        if (l.find("Items.") != String::npos) inUtf8Data = l.find("Utf8Data") != String::npos;
        const bool wide = l.find("Caption") != String::npos || l.find("Hint =") != String::npos ||
                          l.find("_UTF7") != String::npos || l.find("object ") != String::npos;
        if (wide || (inUtf8Data && l.rfind("      ", 0) == 0) || l.find("Utf8Data") != String::npos) out.push_back(l);
    }
    return out;
}

std::vector<String> withoutLines(const String& text, std::initializer_list<const char*> starts) {
    std::vector<String> out;
    for (const String& l : lines(text)) {
        bool skip = false;
        for (const char* s : starts) skip = skip || l.rfind(s, 0) == 0;
        if (!skip) out.push_back(l);
    }
    return out;
}

template <class T>
T* child(TComponent* form, const char* name) {
    auto* c = qobject_cast<T*>(form->FindComponent(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

class WideFormLayout : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        InitApplication();
        registerClasses();
        savedLocale = platform::collationLocaleName();
        platform::setCollationLocale("de_DE");
        // 65001 holds every character; 1252 none of the non-Latin ones.
        ASSERT_TRUE(platform::setAnsiCodePage(static_cast<UINT>(GetParam())));
        text = fileText("WideForm.layout");
        ASSERT_FALSE(text.empty());
        form = std::make_unique<TTestWideForm>(nullptr);
        ReadComponentText(text, form.get());
    }
    void TearDown() override {
        form.reset();
        platform::setCollationLocale(savedLocale);
        ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8));
    }
    std::string page() const { return GetParam() == CP_UTF8 ? "utf8" : "cp1252"; }

    String text;
    std::unique_ptr<TTestWideForm> form;
    std::string savedLocale;
};

INSTANTIATE_TEST_SUITE_P(CodePages, WideFormLayout, ::testing::Values(CP_UTF8, 1252),
                         [](const auto& info) { return info.param == CP_UTF8 ? "Utf8" : "Cp1252"; });

}  // namespace

TEST_P(WideFormLayout, EveryWideTextOfTheLayoutShowsWhole) {
    EXPECT_EQ(form->Caption(), Cyrillic + u" — " + Cjk + u" " + Astral);
    auto* greek = child<TTestWideLabel>(form.get(), "GreekLabel");
    auto* cjk = child<TTestWideLabel>(form.get(), "CjkLabel");
    auto* open = child<TTestWideButton>(form.get(), "OpenButton");
    auto* close = child<TTestWideButton>(form.get(), "CloseButton");
    auto* tree = child<TWideTreeView>(form.get(), "FolderTree");
    auto* list = child<TWideListView>(form.get(), "FileList");
    ASSERT_TRUE(greek && cjk && open && close && tree && list);
    EXPECT_EQ(greek->Caption(), Greek);
    EXPECT_EQ(greek->Hint(), Greek + u"|Griechische Buchstaben");
    EXPECT_EQ(cjk->Caption(), Cjk + u" " + Astral);
    EXPECT_EQ(open->Caption(), u"Öffnen 開く");
    EXPECT_EQ(open->Hint(), u"Öffnen|Öffnet ein Bild 画像を開く");
    EXPECT_EQ(close->Caption(), u"Закрыть " + Astral);
    EXPECT_EQ(list->Hint(), u"Файлы|Dateien ファイル");
    EXPECT_EQ(tree->Hint(), u"Папки|Ordner 文件夹");
    ASSERT_EQ(list->Columns()->Count(), 3);
    EXPECT_EQ(list->Column(0)->Caption(), u"Имя");
    EXPECT_EQ(list->Column(2)->Caption(), u"種類");
    ASSERT_EQ(tree->Items()->Count(), 5);
    EXPECT_EQ(tree->Items()->Item(1)->Text(), u"写真 2024年");
    EXPECT_EQ(tree->Items()->Item(3)->Text(), u"Größen " + Astral);

    // Files with non-Latin names, sorted by a click on the size column.
    const WideString names[] = {u"Фото_море.jpg", u"写真_富士山.png", u"Ελλάδα.bmp", u"été à Paris.tif", Astral + u".gif"};
    const int sizes[] = {300, 12, 4500, 78, 1024};
    for (int i = 0; i < 5; ++i) {
        TWideListItem* item = list->Items()->Add();
        item->SetCaption(names[i]);
        item->SubItems()->Add(AnsiToWide(std::to_string(sizes[i])) + u" KB");
        item->SubItems()->Add(i % 2 ? u"Рисунок" : u"画像");
    }
    int sortColumn = 0;
    list->OnColumnClick = TLVColumnClickEvent([&](TObject*, TListColumn* Column) {
        sortColumn = Column->Index();
        list->AlphaSort();
    });
    list->OnCompare = TLVCompareEvent([&](TObject*, TListItem* a, TListItem* b, int, int& r) {
        auto* x = static_cast<TWideListItem*>(a);
        auto* y = static_cast<TWideListItem*>(b);
        if (sortColumn == 1) r = std::stoi(WideToAnsi(x->SubItems()->Get(0))) - std::stoi(WideToAnsi(y->SubItems()->Get(0)));
        else r = lstrcmpW(x->Caption().c_str(), y->Caption().c_str());
    });
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(platform::windowWidget(form->Handle())));
    tree->FullExpand();
    RECT header{};
    ASSERT_TRUE(SendMessageW(reinterpret_cast<HWND>(SendMessageW(list->Handle(), LVM_GETHEADER, 0, 0)), HDM_GETITEMRECT, 1,
                             reinterpret_cast<LPARAM>(&header)));
    QWidget* headerWidget = platform::windowWidget(reinterpret_cast<HWND>(SendMessageW(list->Handle(), LVM_GETHEADER, 0, 0)));
    ASSERT_NE(headerWidget, nullptr);
    QTest::mouseClick(headerWidget, Qt::LeftButton, {}, QPoint((header.left + header.right) / 2, (header.top + header.bottom) / 2));
    EXPECT_EQ(sortColumn, 1);
    const WideString sorted[] = {u"写真_富士山.png", u"été à Paris.tif", u"Фото_море.jpg", Astral + u".gif", u"Ελλάδα.bmp"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(list->Items()->Item(i)->Caption(), sorted[i]) << i;
    QApplication::processEvents();
    const QImage shot = saveShot(form.get(), "layout-form-" + page() + ".png");
    EXPECT_GT(inkPixels(shot), 500);
    EXPECT_EQ(windowTitle(form.get()), Cyrillic + u" — " + Cjk + u" " + Astral);
}

TEST_P(WideFormLayout, TheFileIsWrittenBackAsItWasRead) {
    // In the program's code page the whole file; in an 8-bit one the class library's own
    // 8-bit data ("Data" of the tree) loses characters, the wide texts do not.
    const auto written = [&] { return WriteComponentText(form.get()); };
    if (GetParam() == CP_UTF8) {
        EXPECT_EQ(written(), text);
    }
    EXPECT_EQ(wideLines(written()), wideLines(text));
    // Also after the form was shown and its windows made again (showing sets its outer
    // size and its active control).
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(platform::windowWidget(form->Handle())));
    child<TWideTreeView>(form.get(), "FolderTree")->SetShowLines(false);
    child<TWideTreeView>(form.get(), "FolderTree")->SetShowLines(true);
    child<TWideListView>(form.get(), "FileList")->SetMultiSelect(true);
    child<TWideListView>(form.get(), "FileList")->SetMultiSelect(false);
    form->SetBorderStyle(bsSingle);
    form->SetBorderStyle(bsSizeable);
    form->Hide();
    EXPECT_EQ(wideLines(written()), wideLines(text));
    EXPECT_EQ(withoutLines(written(), {"  Width =", "  Height =", "  ActiveControl =", "  Items.Data", "      "}),
              withoutLines(text, {"  Width =", "  Height =", "  ActiveControl =", "  Items.Data", "      "}));
}

TEST_P(WideFormLayout, AUtf7TwinBringsBackWhatAnEightBitCaptionLost) {
    TTestWideForm other(nullptr);
    ReadComponentText("object Other: TTestWideForm\n"
                      "  Caption = '?\?\?\?\?\?\?\?'\n"
                      "  Caption_UTF7 = '+A5UDuwO7A7cDvQO5A7oDrA'\n"
                      "  object Label: TTestWideLabel\n"
                      "    Caption = '?\?\?\?\?'\n"
                      "    CaptionW = '" + WideToUtf8(Cyrillic) + "'\n"
                      "  end\n"
                      "end\n",
                      &other);
    EXPECT_EQ(other.Caption(), Greek);
    EXPECT_EQ(child<TTestWideLabel>(&other, "Label")->Caption(), Cyrillic);
}
