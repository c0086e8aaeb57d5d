// GIF pictures (87a and 89a) as a graphic class: frames, extensions, transparency,
// interlacing, looping and comments, read and written with the kit's own LZW coder.
#pragma once

#include "classlib/Graphics.h"
#include "kit/KitGraph.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class TGIFImage;
class TAnimatedCursorImage;

// The name of the clipboard format of GIF data.
inline constexpr const char* CF_GIF_NAME = "GIF Image";
// Damaged data are read as far as they go, the frame marked corrupted (on by default).
extern bool GIFTolerantReading;
// The reduction of bitmaps of more than 8 bits per pixel for encoding.
extern TMappingMethod GIFDefaultReduction;
// Frames of more pixels are refused as corrupt (the bitmap limit by default).
extern std::int64_t GIFMaxFramePixels;

// Registers the class with the picture formats ("gif") and for layouts; once is enough.
void RegisterKitGIF();
void UnregisterKitGIF();

struct TGIFColorItem {
    BYTE Red = 0;
    BYTE Green = 0;
    BYTE Blue = 0;
};

struct TGIFColorTable {
    int Count = 0;
    std::array<TGIFColorItem, 256> Colors{};
    TColor Color(int index) const;
    // The first entry of that colour; -1 when none.
    int IndexOf(TColor color) const;
};

enum TGIFVersion { gvNone, gv87a, gv89a };
enum TGIFExtensionKind { etGraphicControl, etPlainText, etApplication, etComment };

// An extension block: the fixed bytes after the label (graphic control: the 6 bytes from
// the block size to the terminator; plain text: 13 bytes; application: the block size and
// the 11-byte identifier) and the data sub-blocks, one string per sub-block.
struct TExtension {
    TGIFExtensionKind Kind = etComment;
    std::vector<BYTE> Fixed;
    std::vector<String> Data;
    BYTE Label() const;
};

// What the frames of one image share.
struct TGIFData {
    std::vector<String> Comment;
    BYTE AspectRatio = 0;
    int BitsPerPixel = 8;
    int ColorResBits = 8;
    TGIFColorTable ColorMap;
};

// A frame's image as stored: the LZW minimum code size, the data sub-blocks and their
// terminator; size, the descriptor's packed byte, bits per pixel and colour table.
struct TGIFItem {
    std::vector<BYTE> ImageData;
    int Width = 0;
    int Height = 0;
    BYTE PackedFields = 0;
    int BitsPerPixel = 8;
    TGIFColorTable ColorMap;
};

class TGIFFrame : public TPersistent {
    Q_OBJECT
public:
    explicit TGIFFrame(TGIFImage* owner);
    ~TGIFFrame() override;
    void Assign(TPersistent* Source) override;

    TGIFImage* Owner() const { return FOwner; }
    // Decoded on first use; a copy assigned here clears the encoded data.
    TBitmap* Bitmap();
    void SetBitmap(TBitmap* bitmap);
    bool HasBitmap() const { return FBitmap != nullptr; }
    bool HasData() const { return FItem && !FItem->ImageData.empty(); }
    const TGIFItem* Item() const { return FItem.get(); }
    int Width() const { return FItem ? FItem->Width : 0; }
    int Height() const { return FItem ? FItem->Height : 0; }
    const TGIFColorTable& ColorMap() const;
    std::vector<TExtension>& Extensions() { return FExtensions; }
    POINT TopLeft() const { return FTopLeft; }
    void SetTopLeft(POINT p) { FTopLeft = p; }
    bool Interlaced() const { return FInterlaced; }
    bool Corrupted() const { return FCorrupted; }
    bool GrayScale() const { return FGrayScale; }
    void SetGrayScale(bool v) { FGrayScale = v; }
    TColor TransparentColor() const { return FTransparentColor; }
    void SetTransparentColor(TColor c) { FTransparentColor = c; }
    // Delay in milliseconds.
    int AnimateInterval() const { return FAnimateInterval; }
    void SetAnimateInterval(int ms) { FAnimateInterval = ms < 0 ? 0 : ms; }
    int DisposalMethod() const { return FDisposalMethod; }
    void SetDisposalMethod(int v) { FDisposalMethod = v & 7; }
    bool HasLocalColorMap() const { return FHasLocalColorMap; }

private:
    friend class TGIFImage;
    void Decode();
    void Encode();
    void DropData();
    void WatchBitmap();

    TGIFImage* FOwner;
    std::shared_ptr<TGIFItem> FItem;
    std::unique_ptr<TBitmap> FBitmap;
    std::vector<TExtension> FExtensions;
    POINT FTopLeft{0, 0};
    bool FInterlaced = false;
    bool FCorrupted = false;
    bool FGrayScale = false;
    TColor FTransparentColor = clNone;
    int FAnimateInterval = 0;
    int FDisposalMethod = 0;
    bool FHasLocalColorMap = false;
};

class TGIFImage : public TGraphic {
    Q_OBJECT
public:
    TGIFImage();
    ~TGIFImage() override;

    void Assign(TPersistent* Source) override;
    void AssignTo(TPersistent* Dest) override;
    void Draw(TCanvas* canvas, const RECT& r) override;
    bool Equals(TGraphic* graphic) override;
    bool Empty() const override;
    int Width() const override;
    int Height() const override;
    // "Cannot change the Size of a GIF image".
    void SetWidth(int) override;
    void SetHeight(int) override;
    HPALETTE Palette() override;
    // The rest of the stream; the first frame is decoded at once.
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    // Layouts: a 4-byte length, then the GIF data.
    void ReadData(TStream* stream) override;
    void WriteData(TStream* stream) override;

    // The clipboard's "GIF Image" block: a 4-byte length, then the GIF data. Reading leaves
    // the frames encoded, makes frame 0 current and takes its bitmap from `bitmap` when
    // given (the clipboard's bitmap). Writing gives false when a frame has no encoded data.
    void LoadFromClipboardData(const BYTE* data, std::size_t size, TBitmap* bitmap = nullptr);
    bool SaveToClipboardData(std::vector<BYTE>& block);
    // Frame 0's bitmap as CF_BITMAP, and beside it "GIF Image" when every frame is encoded
    // (the clipboard is open). Reading takes "GIF Image" (with CF_BITMAP as frame 0's
    // bitmap) when the clipboard holds it, else a bitmap of the given format.
    void SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette) override;
    void LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette) override;

    void Clear();
    int Count() const { return static_cast<int>(FFrames.size()); }
    TGIFFrame* Frames(int index) const;
    // A frame made from any graphic, appended and made current; its index.
    int AddFrame(TGraphic* graphic);
    void DeleteFrame(int index);
    int FrameIndex() const { return FFrameIndex; }
    void SetFrameIndex(int index);
    void DecodeAllFrames();
    void EncodeAllFrames();

    TGIFVersion Version() const { return FVersion; }
    int ScreenWidth() const { return FScreenWidth; }
    int ScreenHeight() const { return FScreenHeight; }
    TColor BackgroundColor() const { return FBackgroundColor; }
    void SetBackgroundColor(TColor c) { FBackgroundColor = c; }
    bool Looping() const { return FLooping; }
    void SetLooping(bool v) { FLooping = v; }
    int RepeatCount() const { return FRepeatCount; }
    void SetRepeatCount(int v) { FRepeatCount = v < 0 ? 0 : v > 30000 ? 30000 : v; }
    // The image comment, one string per line.
    std::vector<String>& Comment() { return UniqueData().Comment; }
    const TGIFData& Data() const { return *FData; }

protected:
    bool GetTransparent() const override;

private:
    friend class TGIFFrame;
    void ReadBytes(const BYTE* data, std::size_t size, bool decodeFirst);
    void Parse(const BYTE* data, std::size_t size);
    void WriteBytes(std::vector<BYTE>& out);
    void UpdateExtensions(TGIFFrame* frame);
    void AssignCursor(TAnimatedCursorImage* cursor);
    TGIFFrame* CurrentFrame() const;
    void DecodeProgress(TProgressStage stage, int percent, const String& msg);
    // The shared data, copied first when another image shares it.
    TGIFData& UniqueData();

    std::shared_ptr<TGIFData> FData;
    TGIFVersion FVersion = gvNone;
    std::vector<std::unique_ptr<TGIFFrame>> FFrames;
    int FFrameIndex = -1;
    int FScreenWidth = 0;
    int FScreenHeight = 0;
    TColor FBackgroundColor = clNone;
    bool FLooping = false;
    int FRepeatCount = 1;
};
