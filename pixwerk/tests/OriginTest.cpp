// The file a picture was opened from, kept while its pixels are unchanged.
#include "pixwerk/pixwerk.h"
#include "platform/digest.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

namespace {

UniqueDib open(const std::string& path) {
    TDib d{};
    OpenDib(&d, path.c_str(), PW_BY_EXTENSION, nullptr);
    return UniqueDib(d);
}

}  // namespace

TEST(Origin, OpenedPicturesKnowTheirFileUntilTheirPixelsChange) {
    testsupport::TempDir dir;
    const std::string jpeg = dir.file("photo.jpg");
    ASSERT_TRUE(testsupport::writeJpeg(testsupport::photoLike(64, 48, 1), jpeg, 90, false));
    const auto bytes = testsupport::readFile(jpeg);

    UniqueDib pic = open(jpeg);
    ASSERT_TRUE(pic);
    TDibOrigin o;
    ASSERT_TRUE(DibOrigin(pic.get(), o));
    EXPECT_EQ(o.fileName, jpeg);
    EXPECT_EQ(o.type, PW_JPG);
    EXPECT_EQ(o.fileSize, bytes.size());
    EXPECT_EQ(o.fileDigest, platform::contentDigest(bytes.data(), bytes.size()));

    // A copy of the record is the same picture; a drawing call through it marks it.
    const TDib copy = pic.get();
    line(copy, 0, 0, 10, 10, 0x00FF00);
    EXPECT_FALSE(DibOrigin(pic.get(), o));
    EXPECT_FALSE(DibOrigin(copy, o));

    // Every drawing call of the library marks the picture changed.
    const std::vector<std::function<void(const TDib&)>> calls = {
        [](const TDib& d) { setpixel(d, 1, 1, 0x123456); },
        [](const TDib& d) { rechteck(d, 1, 1, 5, 5, 0); },
        [](const TDib& d) { recht_filled(d, 1, 1, 5, 5, 0); },
        [](const TDib& d) { ellipse(d, 1, 1, 9, 9, 0); },
        [](const TDib& d) { FilledEllipse(d, 1, 1, 9, 9, 0); },
        [](const TDib& d) { filldib(d, 2, 2, 0xFF, 0xFF, 0, TDib{}, 0, TDib{}, 0, 0, TDib{}); },
        [](const TDib& d) { DibPixelsChanged(d); },
    };
    for (std::size_t i = 0; i < calls.size(); ++i) {
        UniqueDib fresh = open(jpeg);
        ASSERT_TRUE(DibOrigin(fresh.get(), o)) << i;
        calls[i](fresh.get());
        EXPECT_FALSE(DibOrigin(fresh.get(), o)) << i;
    }

    // Pixels written directly, without a mark, count as changed all the same.
    UniqueDib direct = open(jpeg);
    direct.get().Bits[7] ^= 1;
    EXPECT_FALSE(DibOrigin(direct.get(), o));
    direct.get().Bits[7] ^= 1;
    EXPECT_FALSE(DibOrigin(direct.get(), o));  // a change stays a change

    // Other formats are known too; new pictures and freed ones have no file.
    const std::string png = dir.file("photo.png");
    ASSERT_EQ(SaveDib(pic.get(), png.c_str(), PW_PNG, nullptr), 1);
    UniqueDib fromPng = open(png);
    ASSERT_TRUE(DibOrigin(fromPng.get(), o));
    EXPECT_EQ(o.type, PW_PNG);
    UniqueDib made;
    newdib(made.out(), 8, 8, 24, nullptr, 0);
    EXPECT_FALSE(DibOrigin(made.get(), o));
    const TDib freed = fromPng.get();
    fromPng.reset();
    EXPECT_FALSE(DibOrigin(freed, o));
    EXPECT_FALSE(DibOrigin(TDib{}, o));
}
