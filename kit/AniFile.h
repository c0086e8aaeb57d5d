// Animated cursors (RIFF form "ACON") read into a list of icon frames.
#pragma once

#include "classlib/Graphics.h"

#include <memory>
#include <vector>

class TAnimatedCursorImage;

// The 36-byte "anih" header.
struct TAniHeader {
    DWORD HeaderSize = 0;
    DWORD FrameCount = 0;
    DWORD StepCount = 0;
    DWORD Width = 0;
    DWORD Height = 0;
    DWORD BitCount = 0;
    DWORD Planes = 0;
    DWORD DisplayRate = 0;  // jiffies of 1/60 s
    DWORD Flags = 0;        // bit 0: the frames are icon or cursor files
};
static_assert(sizeof(TAniHeader) == 36, "the header is 36 bytes");

class TIconFrame : public TPersistent {
    Q_OBJECT
public:
    explicit TIconFrame(TAnimatedCursorImage* owner, int index);
    ~TIconFrame() override;
    void Assign(TPersistent* Source) override;

    TIcon* Icon() const { return FIcon.get(); }
    bool HasIcon() const { return FIcon != nullptr; }
    // Whether the frame was stored as an icon rather than a cursor.
    bool IsIcon() const { return FIsIcon; }
    POINT HotSpot() const { return FHotSpot; }
    int Width() const { return FIcon ? FIcon->Width() : 0; }
    int Height() const { return FIcon ? FIcon->Height() : 0; }
    TAnimatedCursorImage* Owner() const { return FOwner; }
    // Display time in jiffies (1/60 s).
    DWORD JiffRate() const { return FJiffRate; }
    int Sequence() const { return FSequence; }

private:
    friend class TAnimatedCursorImage;
    TAnimatedCursorImage* FOwner;
    std::unique_ptr<TIcon> FIcon;
    bool FIsIcon = true;
    POINT FHotSpot{0, 0};
    DWORD FJiffRate = 0;
    int FSequence = 0;
};

class TAnimatedCursorImage : public TPersistent {
    Q_OBJECT
public:
    TAnimatedCursorImage();
    ~TAnimatedCursorImage() override;
    void Assign(TPersistent* Source) override;
    void AssignTo(TPersistent* Dest) override;

    void Clear();
    // The rest of the stream; damaged data raise EReadError "Stream-Read-Fehler" and leave
    // the image empty.
    void LoadFromStream(TStream* Stream);
    void LoadFromFile(const String& FileName);
    // ENotImplemented: animated cursors are not written.
    void SaveToStream(TStream* Stream);

    // The frames side by side (or stacked) on a bitmap filled with `background`, as high (or
    // wide) as the first frame; reduced to the source colour count (16 at least) when asked.
    void PaintFrames(TBitmap* Bitmap, TColor Background, bool Vertical, bool Reduce);

    const TAniHeader& Header() const { return FHeader; }
    String Title() const { return FTitle; }
    String Author() const { return FAuthor; }
    int Count() const { return static_cast<int>(FFrames.size()); }
    TIconFrame* Frames(int Index) const;
    // The largest colour count of the frames' images (0 for true colour).
    int SourceColors() const { return FSourceColors; }

private:
    void Parse(const BYTE* data, std::size_t size);
    bool LoadIconChunk(const BYTE* data, std::size_t size, int ordinal);

    TAniHeader FHeader;
    String FTitle;
    String FAuthor;
    std::vector<std::unique_ptr<TIconFrame>> FFrames;
    int FSourceColors = 0;
};
