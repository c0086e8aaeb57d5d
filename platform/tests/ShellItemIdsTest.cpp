// Item-id list framing, the task allocator and shell strings.
#include "platform/shellapi.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace platform;

namespace {

ItemIdList twoItems() {
    return makeItemIdList({ShellItem{ShellItemKind::Computer, SHELLITEM_FOLDER, {}},
                           ShellItem{ShellItemKind::Volume, SHELLITEM_FOLDER, "/media/disk one"}});
}

}  // namespace

TEST(ShellItemIds, FramingCountsBytesAndItems) {
    const long long before = taskMemBlocksInUse();
    {
        ItemIdList list = twoItems();
        ASSERT_TRUE(list);
        // Each item: its 16-bit count, signature, kind, flags and the name; then the zero.
        EXPECT_EQ(ILGetSize(list.get()), 5u + (5u + 15u) + 2u);
        EXPECT_EQ(itemCount(list.get()), 2u);
        EXPECT_EQ(list->mkid.cb, 5);
        LPITEMIDLIST second = ILGetNext(list.get());
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(ILGetNext(second), nullptr);
        EXPECT_EQ(ILFindLastID(list.get()), second);

        std::vector<ShellItem> items;
        ASSERT_TRUE(decodeItemIdList(list.get(), items));
        ASSERT_EQ(items.size(), 2u);
        EXPECT_EQ(items[1].kind, ShellItemKind::Volume);
        EXPECT_EQ(items[1].name, "/media/disk one");

        ItemIdList first(ILCloneFirst(list.get()));
        EXPECT_EQ(itemCount(first.get()), 1u);
        ItemIdList both(ILCombine(first.get(), second));
        EXPECT_EQ(ILGetSize(both.get()), ILGetSize(list.get()));
        EXPECT_EQ(std::memcmp(both.get(), list.get(), ILGetSize(list.get())), 0);

        EXPECT_TRUE(ILRemoveLastID(both.get()));
        EXPECT_EQ(itemCount(both.get()), 1u);
        EXPECT_TRUE(ILRemoveLastID(both.get()));
        EXPECT_FALSE(ILRemoveLastID(both.get()));
        EXPECT_TRUE(ILIsEmpty(both.get()));
        EXPECT_EQ(ILGetSize(both.get()), 2u);
    }
    EXPECT_EQ(taskMemBlocksInUse(), before);
}

TEST(ShellItemIds, NullAndEmptyLists) {
    EXPECT_EQ(ILGetSize(nullptr), 0u);
    EXPECT_EQ(itemCount(nullptr), 0u);
    EXPECT_EQ(ILClone(nullptr), nullptr);
    EXPECT_EQ(ILCombine(nullptr, nullptr), nullptr);
    EXPECT_TRUE(ILIsEmpty(nullptr));
    ItemIdList empty = makeItemIdList({});
    EXPECT_EQ(ILGetSize(empty.get()), 2u);
    ItemIdList joined(ILCombine(empty.get(), empty.get()));
    EXPECT_EQ(ILGetSize(joined.get()), 2u);
    ItemIdList copy(ILCombine(nullptr, twoItems().get()));
    EXPECT_EQ(itemCount(copy.get()), 2u);
}

TEST(ShellItemIds, RawNameBytesRoundTripAndForeignItemsAreRefused) {
    const std::string name = std::string("caf\xC3\xA9 \xFF\xFE", 8);
    ItemIdList list = makeItemIdList({ShellItem{ShellItemKind::FileSystem, SHELLITEM_HIDDEN, name}});
    ShellItem item;
    ASSERT_TRUE(decodeItem(&list->mkid, item));
    EXPECT_EQ(item.name, name);
    EXPECT_EQ(item.flags, SHELLITEM_HIDDEN);

    // A foreign item (another signature) and one too short to hold our header.
    unsigned char foreign[] = {6, 0, 0x31, 4, 0, 'x', 0, 0};
    EXPECT_FALSE(decodeItem(reinterpret_cast<const SHITEMID*>(foreign), item));
    unsigned char tiny[] = {3, 0, 0x54, 0, 0};
    EXPECT_FALSE(decodeItem(reinterpret_cast<const SHITEMID*>(tiny), item));
    std::vector<ShellItem> items;
    EXPECT_FALSE(decodeItemIdList(reinterpret_cast<LPCITEMIDLIST>(foreign), items));
    // A name longer than an item can hold gives no list.
    EXPECT_FALSE(makeItemIdList({ShellItem{ShellItemKind::FileSystem, 0, std::string(70000, 'a')}}));
}

TEST(ShellStrings, StrRetForms) {
    STRRET s{};
    s.uType = STRRET_WSTR;
    s.pOleStr = taskMemString(u"wide");
    LPWSTR out = nullptr;
    ASSERT_EQ(StrRetToStrW(&s, nullptr, &out), S_OK);
    EXPECT_EQ(std::u16string(out), u"wide");
    EXPECT_EQ(s.pOleStr, nullptr);  // handed over, freed once below
    CoTaskMemFree(out);

    s.uType = STRRET_CSTR;
    std::strcpy(s.cStr, "caf\xC3\xA9");
    ASSERT_EQ(StrRetToStrW(&s, nullptr, &out), S_OK);
    EXPECT_EQ(std::u16string(out), u"caf\u00e9");
    CoTaskMemFree(out);

    ItemIdList list = makeItemIdList({ShellItem{ShellItemKind::FileSystem, 0, "name"}});
    s.uType = STRRET_OFFSET;
    s.uOffset = 5;
    ASSERT_EQ(StrRetToStrW(&s, list.get(), &out), S_OK);
    EXPECT_EQ(std::u16string(out), u"name");
    CoTaskMemFree(out);
    s.uOffset = 500;  // outside the list
    EXPECT_EQ(StrRetToStrW(&s, list.get(), &out), E_INVALIDARG);
}

TEST(ShellStrings, ByteSizes) {
    EXPECT_EQ(formatByteSize(0), u"0 bytes");
    EXPECT_EQ(formatByteSize(1023), u"1023 bytes");
    EXPECT_EQ(formatByteSize(1536), u"1.50 KB");
    EXPECT_EQ(formatByteSize(20 * 1024 + 300), u"20.3 KB");
    EXPECT_EQ(formatByteSize(1048575), u"1.00 MB");  // 1023.999 KB would show four digits
    EXPECT_EQ(formatByteSize(5368709120LL), u"5.00 GB");
    WCHAR buffer[6];
    StrFormatByteSizeW(1536, buffer, 6);
    EXPECT_EQ(std::u16string(buffer), u"1.50 ");  // cut to the buffer, terminated
}

TEST(ShellStrings, WildcardLists) {
    EXPECT_TRUE(PathMatchSpecW(u"photo.bmp", u"*.BMP;*.JPG"));
    EXPECT_TRUE(PathMatchSpecW(u"PHOTO.jpg", u"*.BMP; *.jpg"));
    EXPECT_FALSE(PathMatchSpecW(u"photo.png", u"*.BMP;*.JPG"));
    EXPECT_TRUE(PathMatchSpecW(u"a1", u"a?"));
    EXPECT_FALSE(PathMatchSpecW(u"a", u";;"));
}
