// The thumbnail cache file: its bytes, reading it back, the look-up rule, the check value,
// damaged and foreign files, and the rules for writing it.
#include "poster/ThumbCache.h"
#include "platform/digest.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

std::int32_t s32At(const std::vector<unsigned char>& b, std::size_t at) {
    return static_cast<std::int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24);
}

void setS32(std::vector<unsigned char>& b, std::size_t at, std::int32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(static_cast<std::uint32_t>(v) >> (8 * i));
}

// A thumbnail of the given depth with a pattern in its pixels and its palette.
UniqueDib pattern(int w, int h, int bits, int seed) {
    UniqueDib d;
    newdib(d.out(), w, h, bits, nullptr, 0);
    const TDib& t = d.get();
    for (std::size_t i = 0; i < static_cast<std::size_t>(t.LineBytes) * static_cast<std::size_t>(h); ++i)
        t.Bits[i] = static_cast<BYTE>(i * 7 + static_cast<std::size_t>(seed));
    if (bits <= 8)
        for (int c = 0; c < (1 << bits); ++c)
            t.Info->bmiColors[c] = RGBQUAD{static_cast<BYTE>(c), static_cast<BYTE>(255 - c), static_cast<BYTE>(seed), 0};
    return d;
}

TThumbEntry entry(const std::string& name, const UniqueDib& thumb, int w, int h, std::int32_t check) {
    const TDib& t = thumb.get();
    const int bits = t.Info->bmiHeader.biBitCount;
    TThumbInfo info{bits, t.Info->bmiHeader.biWidth, t.Info->bmiHeader.biHeight, w, h, 1 << bits,
                    static_cast<std::int32_t>(t.LineBytes) * h / 1024, check};
    return TThumbEntry{name, info, t};
}

bool samePicture(const TDib& a, const TDib& b) {
    if (!a.Bits || !b.Bits) return false;
    const BITMAPINFOHEADER& ha = a.Info->bmiHeader;
    const BITMAPINFOHEADER& hb = b.Info->bmiHeader;
    if (ha.biWidth != hb.biWidth || ha.biHeight != hb.biHeight || ha.biBitCount != hb.biBitCount) return false;
    const std::size_t bytes = static_cast<std::size_t>(a.LineBytes) * static_cast<std::size_t>(ha.biHeight);
    if (std::memcmp(a.Bits, b.Bits, bytes) != 0) return false;
    for (int c = 0; ha.biBitCount <= 8 && c < (1 << ha.biBitCount); ++c)
        if (std::memcmp(&a.Info->bmiColors[c], &b.Info->bmiColors[c], 3) != 0) return false;
    return true;
}

struct Four {
    UniqueDib mono = pattern(80, 40, 1, 1);
    UniqueDib nibbles = pattern(37, 80, 4, 2);
    UniqueDib bytes = pattern(80, 80, 8, 3);
    UniqueDib rgb = pattern(13, 5, 24, 4);
    std::vector<TThumbEntry> entries() const {
        return {entry("mono.bmp", mono, 1000, 500, 11), entry("Nibbles.PCX", nibbles, 500, 1000, 22),
                entry("b\xC3\xA4ume.gif", bytes, 80, 80, 33), entry("rgb.jpg", rgb, 130, 50, 0x7FFFFFFF)};
    }
};

std::vector<unsigned char> image(const std::vector<TThumbEntry>& entries) {
    int n = 0;
    auto bytes = ThumbCacheImage(entries, &n);
    EXPECT_EQ(n, static_cast<int>(entries.size()));
    return bytes;
}

TThumbIndex parse(const std::vector<unsigned char>& bytes) {
    const TThumbCacheBytes source(bytes.data(), bytes.size());
    return ParseThumbIndex(source);
}

}  // namespace

TEST(ThumbCache, FileLayoutIsLittleEndianWithFixedNameFields) {
    Four four;
    const auto bytes = image(four.entries());
    ASSERT_GT(bytes.size(), 6u);
    EXPECT_EQ(bytes[0], 0x3B);
    EXPECT_EQ(bytes[1], 0x0E);
    EXPECT_EQ(s32At(bytes, 2), 4);
    // First entry at 6: the name, zero-filled to 261 bytes, the eight values and the size.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[6])), "mono.bmp");
    EXPECT_EQ(bytes[6 + 8], 0);
    const std::size_t v = 6 + 261;
    EXPECT_EQ(s32At(bytes, v), 1);
    EXPECT_EQ(s32At(bytes, v + 4), 80);
    EXPECT_EQ(s32At(bytes, v + 8), 40);
    EXPECT_EQ(s32At(bytes, v + 12), 1000);
    EXPECT_EQ(s32At(bytes, v + 16), 500);
    EXPECT_EQ(s32At(bytes, v + 20), 2);
    EXPECT_EQ(s32At(bytes, v + 28), 11);
    const std::int32_t s1 = s32At(bytes, v + 32);
    EXPECT_EQ(s1, 40 + 2 * 4 + 12 * 40);  // header, two colours, rows of 12 bytes
    const std::size_t block1 = v + 36;
    EXPECT_EQ(s32At(bytes, block1), 40);       // biSize
    EXPECT_EQ(s32At(bytes, block1 + 4), 80);   // biWidth
    EXPECT_EQ(s32At(bytes, block1 + 8), 40);   // biHeight
    EXPECT_EQ(bytes[block1 + 14], 1);          // biBitCount
    EXPECT_EQ(s32At(bytes, block1 + 20), 480); // biSizeImage
    // Colour 1 of the pattern: blue 1, green 254, red 1.
    EXPECT_EQ(bytes[block1 + 40 + 4], 1);
    EXPECT_EQ(bytes[block1 + 40 + 5], 254);
    // The second entry follows the first block directly.
    const std::size_t second = block1 + static_cast<std::size_t>(s1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[second])), "Nibbles.PCX");
    EXPECT_EQ(s32At(bytes, second + 261 + 32), 40 + 16 * 4 + 20 * 80);
    // A 24-bit block has no colour table.
    const TThumbIndex index = parse(bytes);
    ASSERT_EQ(index.size(), 4u);
    EXPECT_EQ(index[0].Position, block1);
    EXPECT_EQ(index[1].Position, second + 297);
    EXPECT_EQ(index[3].BlockSize, 40u + 40u * 5u);
    EXPECT_EQ(bytes.size(), index[3].Position + index[3].BlockSize);
}

TEST(ThumbCache, WrittenInTheFolderAndReadBackEntryByEntry) {
    TempDir dir;
    Four four;
    ASSERT_TRUE(WriteThumbCache(dir.path(), four.entries()));
    EXPECT_EQ(ThumbCachePath(dir.path()), dir.path() + "/dabbrwse.cbf");
    EXPECT_EQ(ThumbCachePath(dir.path() + "/"), dir.path() + "/dabbrwse.cbf");
    EXPECT_EQ(readFile(dir.file("dabbrwse.cbf")), image(four.entries()));
    // No temporary file stays behind.
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1);

    TThumbIndex index;
    ASSERT_TRUE(ReadThumbIndex(dir.path(), index));
    ASSERT_EQ(index.size(), 4u);
    const auto entries = four.entries();
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(index[i].Name, entries[i].Name);
        EXPECT_EQ(index[i].Info.Check, entries[i].Info.Check);
        EXPECT_EQ(index[i].Info.Width, entries[i].Info.Width);
        const UniqueDib back = LoadThumb(dir.path(), index[i]);
        EXPECT_TRUE(samePicture(back.get(), entries[i].Thumb)) << entries[i].Name;
    }
    // A cache with n = 0 gives an empty index; a folder without a cache too.
    writeFile(dir.file("dabbrwse.cbf"), {0x3B, 0x0E, 0, 0, 0, 0});
    EXPECT_TRUE(ReadThumbIndex(dir.path(), index));
    EXPECT_TRUE(index.empty());
    TempDir empty;
    EXPECT_FALSE(ReadThumbIndex(empty.path(), index));
    EXPECT_TRUE(index.empty());
}

TEST(ThumbCache, NamesMatchInAnyCaseButEachFileKeepsItsOwnThumbnail) {
    Four four;
    auto entries = four.entries();
    entries.push_back(entry("ROOF.JPG", four.rgb, 10, 10, 500));
    entries.push_back(entry("roof.jpg", four.mono, 10, 10, 600));
    const TThumbIndex index = parse(image(entries));
    ASSERT_EQ(index.size(), 6u);
    // Exact name first, then any letter case; the check value must agree.
    EXPECT_EQ(FindThumb(index, "roof.jpg", 600), &index[5]);
    EXPECT_EQ(FindThumb(index, "ROOF.JPG", 500), &index[4]);
    EXPECT_EQ(FindThumb(index, "Roof.jpg", 500), &index[4]);
    EXPECT_EQ(FindThumb(index, "MONO.BMP", 11), &index[0]);
    EXPECT_EQ(FindThumb(index, "b\xC3\xA4ume.gif", 33), &index[2]);
    // A changed picture misses; so does a file whose check value could not be made.
    EXPECT_EQ(FindThumb(index, "roof.jpg", 601), nullptr);
    EXPECT_EQ(FindThumb(index, "mono.bmp", -1), nullptr);
    EXPECT_EQ(FindThumb(index, "other.bmp", 11), nullptr);
}

TEST(ThumbCache, CheckValueFollowsTheBytesOfTheFile) {
    TempDir dir;
    const std::string text = "123456789";
    writeFile(dir.file("a.bmp"), std::vector<unsigned char>(text.begin(), text.end()));
    // The digest of the bytes, its halves combined, the sign bit cleared.
    const std::uint64_t d = platform::contentDigest(text.data(), text.size());
    const std::int32_t forward = static_cast<std::int32_t>((d ^ d >> 32) & 0x7FFFFFFF);
    EXPECT_EQ(ThumbCheckValue(dir.file("a.bmp")), forward);
    writeFile(dir.file("a.bmp"), std::vector<unsigned char>(text.rbegin(), text.rend()));
    EXPECT_NE(ThumbCheckValue(dir.file("a.bmp")), forward);
    // One byte changed anywhere in a large file changes the value.
    std::vector<unsigned char> large(300000, 7);
    writeFile(dir.file("c.bmp"), large);
    const std::int32_t before = ThumbCheckValue(dir.file("c.bmp"));
    large[150001] = 8;
    writeFile(dir.file("c.bmp"), large);
    EXPECT_NE(ThumbCheckValue(dir.file("c.bmp")), before);
    EXPECT_EQ(ThumbCheckValue(dir.file("missing.bmp")), -1);
    EXPECT_EQ(ThumbCheckValue(dir.path()), -1);

    // Progress: the share read after each block of 64 KB, then 0.
    std::vector<unsigned char> big(200000);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<unsigned char>(i * 31);
    writeFile(dir.file("big.tif"), big);
    std::vector<int> seen;
    const std::int32_t check = ThumbCheckValue(dir.file("big.tif"), [&](int p) { seen.push_back(p); });
    EXPECT_GE(check, 0);
    EXPECT_EQ(seen, (std::vector<int>{32, 65, 98, 100, 0}));
    // An old cache written with 0 for every file now misses once.
    Four four;
    const TThumbIndex index = parse(image({entry("big.tif", four.rgb, 13, 5, 0)}));
    EXPECT_EQ(FindThumb(index, "big.tif", check), nullptr);
}

TEST(ThumbCache, DamagedEntriesAreMissesAndTheRestIsStillRead) {
    Four four;
    auto entries = four.entries();
    const auto good = image(entries);
    const TThumbIndex ref = parse(good);
    ASSERT_EQ(ref.size(), 4u);
    const std::size_t e1 = 6, v1 = e1 + 261;
    const std::size_t e2 = ref[0].Position + ref[0].BlockSize;

    auto expectMiss = [&](std::vector<unsigned char> bytes, const char* what) {
        const TThumbIndex index = parse(bytes);
        ASSERT_EQ(index.size(), 3u) << what;
        EXPECT_EQ(index[0].Name, "Nibbles.PCX") << what;
    };
    auto bad = good;
    std::memset(&bad[e1], 'x', 261);  // no zero within the field
    expectMiss(bad, "unterminated name");
    bad = good;
    bad[e1] = 0;
    expectMiss(bad, "empty name");
    for (int bits : {0, 2, 3, 16, 32, -1}) {
        bad = good;
        setS32(bad, v1, bits);
        expectMiss(bad, "bits");
    }
    for (int side : {0, -5, 81, 100000}) {
        bad = good;
        setS32(bad, v1 + 4, side);
        expectMiss(bad, "width");
        bad = good;
        setS32(bad, v1 + 8, side);
        expectMiss(bad, "height");
    }
    bad = good;
    setS32(bad, v1 + 20, 256);  // colour count not 2 to the bits
    expectMiss(bad, "colours");
    bad = good;
    setS32(bad, v1 + 12, 0);
    expectMiss(bad, "picture width");
    // A header that disagrees with the values.
    bad = good;
    setS32(bad, ref[0].Position + 4, 79);
    expectMiss(bad, "header width");
    bad = good;
    bad[ref[0].Position + 14] = 8;
    expectMiss(bad, "header bits");
    bad = good;
    setS32(bad, ref[0].Position + 16, 1);
    expectMiss(bad, "compressed");
    // A block size that lies: the entry is left out; past the end the walk stops.
    bad = good;
    setS32(bad, v1 + 32, s32At(good, v1 + 32) + 4);
    const TThumbIndex shifted = parse(bad);
    EXPECT_LE(shifted.size(), 3u);
    for (const TThumbIndexRec& rec : shifted) EXPECT_NE(rec.Name, "mono.bmp");
    bad = good;
    setS32(bad, v1 + 32, -8);
    EXPECT_TRUE(parse(bad).empty());
    bad = good;
    setS32(bad, e2 + 261 + 32, 0x7FFFFFF0);
    EXPECT_EQ(parse(bad).size(), 1u);
}

TEST(ThumbCache, TruncatedOversizedAndRandomFilesReadAsEmptyOrShortWithoutCrashing) {
    Four four;
    const auto good = image(four.entries());
    const TThumbIndex ref = parse(good);
    ASSERT_EQ(ref.size(), 4u);
    // Every truncation keeps exactly the entries that lie wholly inside.
    for (std::size_t len = 0; len < good.size(); len += (len < 400 ? 1 : 37)) {
        std::vector<unsigned char> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(len));
        const TThumbIndex index = parse(cut);
        std::size_t whole = 0;
        while (whole < ref.size() && ref[whole].Position + ref[whole].BlockSize <= len) ++whole;
        ASSERT_EQ(index.size(), whole) << len;
        const TThumbCacheBytes source(cut.data(), cut.size());
        for (const TThumbIndexRec& rec : index) EXPECT_TRUE(LoadThumb(source, rec));
        // A stale index entry against the shorter file gives no picture.
        if (whole < ref.size()) {
            EXPECT_FALSE(LoadThumb(source, ref[whole]));
        }
    }
    // The count is an upper bound only; a negative count reads nothing.
    auto bytes = good;
    setS32(bytes, 2, 0x7FFFFFFF);
    EXPECT_EQ(parse(bytes).size(), 4u);
    setS32(bytes, 2, 2);
    EXPECT_EQ(parse(bytes).size(), 2u);
    setS32(bytes, 2, -1);
    EXPECT_TRUE(parse(bytes).empty());
    // Random bytes with and without the magic.
    std::mt19937 random(99);
    for (int round = 0; round < 300; ++round) {
        std::vector<unsigned char> junk(random() % 4000);
        for (auto& b : junk) b = static_cast<unsigned char>(random());
        if (round % 2 && junk.size() >= 6) {
            junk[0] = 0x3B;
            junk[1] = 0x0E;
            setS32(junk, 2, static_cast<std::int32_t>(random() % 5));
        }
        const TThumbCacheBytes source(junk.data(), junk.size());
        for (const TThumbIndexRec& rec : ParseThumbIndex(source)) {
            const UniqueDib d = LoadThumb(source, rec);
            ASSERT_TRUE(d);
            EXPECT_EQ(d.get().Info->bmiHeader.biWidth, rec.Info.ThumbWidth);
        }
    }
}

TEST(ThumbCache, OnlyOurOwnOrAMissingCacheIsReplaced) {
    TempDir dir;
    Four four;
    const std::string path = dir.file("dabbrwse.cbf");
    // A foreign file of that name is never overwritten; nor an empty one.
    writeFile(path, {'G', 'I', 'F', '8', '9', 'a'});
    EXPECT_FALSE(WriteThumbCache(dir.path(), four.entries()));
    EXPECT_EQ(readFile(path), (std::vector<unsigned char>{'G', 'I', 'F', '8', '9', 'a'}));
    writeFile(path, {});
    EXPECT_FALSE(WriteThumbCache(dir.path(), four.entries()));
    EXPECT_TRUE(readFile(path).empty());
    writeFile(path, {0x3B});
    EXPECT_FALSE(WriteThumbCache(dir.path(), four.entries()));
    // A damaged cache of our own is rebuilt.
    writeFile(path, {0x3B, 0x0E, 0xFF, 0xFF});
    ASSERT_TRUE(WriteThumbCache(dir.path(), four.entries()));
    TThumbIndex index;
    ASSERT_TRUE(ReadThumbIndex(dir.path(), index));
    EXPECT_EQ(index.size(), 4u);
    // Nothing to store writes nothing.
    TempDir other;
    EXPECT_FALSE(WriteThumbCache(other.path(), {}));
    auto unstorable = four.entries();
    for (auto& e : unstorable) e.Name = std::string(261, 'n');
    EXPECT_FALSE(WriteThumbCache(other.path(), unstorable));
    EXPECT_FALSE(std::filesystem::exists(other.file("dabbrwse.cbf")));
    // A name of 260 bytes still fits; 261 does not.
    auto mixed = four.entries();
    mixed[0].Name = std::string(260, 'a');
    mixed[1].Name = std::string(261, 'b');
    int written = 0;
    const TThumbIndex back = parse(ThumbCacheImage(mixed, &written));
    EXPECT_EQ(written, 3);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0].Name, std::string(260, 'a'));
    // Values that disagree with the thumbnail are not stored.
    auto wrong = four.entries();
    wrong[3].Info.ThumbWidth = 12;
    EXPECT_EQ(parse(ThumbCacheImage(wrong, &written)).size(), 3u);
}

TEST(ThumbCache, AFolderThatCannotBeWrittenFailsSilently) {
    TempDir dir;
    Four four;
    std::string folder = dir.file("locked");
    ASSERT_EQ(::mkdir(folder.c_str(), 0555), 0);
    if (::access(folder.c_str(), W_OK) == 0) folder = "/proc/self";  // root writes anywhere else
    EXPECT_FALSE(WriteThumbCache(folder, four.entries()));
    EXPECT_FALSE(std::filesystem::exists(folder + "/dabbrwse.cbf"));
    TThumbIndex index;
    EXPECT_FALSE(ReadThumbIndex(folder, index));
    ::chmod(dir.file("locked").c_str(), 0755);
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("locked")));
}

TEST(ThumbCache, CachesWrittenByteByByteElsewhereAreRead) {
    // The fuzz seeds are made by a shell script, independently of the writer here.
    const std::string dir = std::string(TESSELLON_SOURCE_DIR) + "/fuzz/corpus/thumbcache/";
    const auto one = readFile(dir + "one.cbf");
    const auto three = readFile(dir + "three.cbf");
    const TThumbIndex a = parse(one), b = parse(three);
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(b.size(), 3u);
    EXPECT_EQ(a[0].Name, "mono.bmp");
    EXPECT_EQ(a[0].Info.Check, 12345);
    EXPECT_EQ(b[2].Info.Bits, 24);
    const TThumbCacheBytes source(three.data(), three.size());
    const UniqueDib gif = LoadThumb(source, b[1]);
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif.get().Info->bmiHeader.biWidth, 3);
    EXPECT_EQ(gif.get().Bits[0], 0x55);
    EXPECT_EQ(gif.get().Info->bmiColors[255].rgbRed, 255);
}

TEST(ThumbCache, AFifoOrFolderOfThatNameNeitherBlocksNorIsReplaced) {
    TempDir dir;
    Four four;
    ASSERT_EQ(::mkfifo(dir.file("dabbrwse.cbf").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo(dir.file("pipe.jpg").c_str(), 0644), 0);
    TThumbIndex index;
    EXPECT_FALSE(ReadThumbIndex(dir.path(), index));  // returns at once: nothing to read
    EXPECT_EQ(ThumbCheckValue(dir.file("pipe.jpg")), -1);
    EXPECT_FALSE(WriteThumbCache(dir.path(), four.entries()));
    struct stat st {};
    ASSERT_EQ(::lstat(dir.file("dabbrwse.cbf").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    TempDir other;
    ASSERT_EQ(::mkdir(other.file("dabbrwse.cbf").c_str(), 0755), 0);
    EXPECT_FALSE(ReadThumbIndex(other.path(), index));
    EXPECT_FALSE(WriteThumbCache(other.path(), four.entries()));
}
