// Graphics objects: colours, TFont, TPen, TBrush, TCanvas over a device context, TGraphic,
// TBitmap (stream format: the BMP file format), TIcon (icon and cursor files) and TPicture
// with its registry of picture formats.
#pragma once


#include "classlib/Classes.h"
#include "platform/gdi.h"
#include "platform/winuser.h"

#include <QImage>

#include <cstddef>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

// Colours: RGB values, or 0x80000000 plus a system colour index.
using TColor = int;
inline constexpr TColor SysColor(int index) { return static_cast<TColor>(0x80000000u | static_cast<unsigned>(index)); }
inline constexpr TColor clScrollBar = SysColor(COLOR_SCROLLBAR);
inline constexpr TColor clBackground = SysColor(COLOR_BACKGROUND);
inline constexpr TColor clActiveCaption = SysColor(COLOR_ACTIVECAPTION);
inline constexpr TColor clInactiveCaption = SysColor(COLOR_INACTIVECAPTION);
inline constexpr TColor clMenu = SysColor(COLOR_MENU);
inline constexpr TColor clWindow = SysColor(COLOR_WINDOW);
inline constexpr TColor clWindowFrame = SysColor(COLOR_WINDOWFRAME);
inline constexpr TColor clMenuText = SysColor(COLOR_MENUTEXT);
inline constexpr TColor clWindowText = SysColor(COLOR_WINDOWTEXT);
inline constexpr TColor clCaptionText = SysColor(COLOR_CAPTIONTEXT);
inline constexpr TColor clActiveBorder = SysColor(COLOR_ACTIVEBORDER);
inline constexpr TColor clInactiveBorder = SysColor(COLOR_INACTIVEBORDER);
inline constexpr TColor clAppWorkSpace = SysColor(COLOR_APPWORKSPACE);
inline constexpr TColor clHighlight = SysColor(COLOR_HIGHLIGHT);
inline constexpr TColor clHighlightText = SysColor(COLOR_HIGHLIGHTTEXT);
inline constexpr TColor clBtnFace = SysColor(COLOR_BTNFACE);
inline constexpr TColor clBtnShadow = SysColor(COLOR_BTNSHADOW);
inline constexpr TColor clGrayText = SysColor(COLOR_GRAYTEXT);
inline constexpr TColor clBtnText = SysColor(COLOR_BTNTEXT);
inline constexpr TColor clInactiveCaptionText = SysColor(COLOR_INACTIVECAPTIONTEXT);
inline constexpr TColor clBtnHighlight = SysColor(COLOR_BTNHIGHLIGHT);
inline constexpr TColor cl3DDkShadow = SysColor(COLOR_3DDKSHADOW);
inline constexpr TColor cl3DLight = SysColor(COLOR_3DLIGHT);
inline constexpr TColor clInfoText = SysColor(COLOR_INFOTEXT);
inline constexpr TColor clInfoBk = SysColor(COLOR_INFOBK);
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

// The RGB value of a colour (system colours resolved).
COLORREF ColorToRGB(TColor color);
// Colour names as the layouts write them ("clBtnFace", "$00FF8000").
String ColorToString(TColor color);
bool IdentToColor(const String& ident, TColor& color);
// The identifier maps of colours ("TColor") and character sets ("TFontCharset") for
// layouts; registered by every font.
void RegisterGraphicsIdents();

TESSELLON_EXCEPTION(EInvalidGraphic, Exception);

class TGraphicsObject : public TPersistent {
    Q_OBJECT
public:
    TNotifyEvent OnChange;
    // Fired just before the object deletes its handle (a changed value the handle carries,
    // an assignment, destruction): a canvas that selected the handle into its device context
    // selects it out first, since the platform does not delete a selected object.
    TNotifyEvent OnFreeingHandle;

protected:
    void Changed();
    void FreeingHandle();
};

// Enumerations of the published properties of fonts, pens and brushes.
namespace GraphicsTypes {
Q_NAMESPACE
enum TFontPitch { fpDefault, fpVariable, fpFixed };
Q_ENUM_NS(TFontPitch)
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
Q_ENUM_NS(TPenStyle)
enum TPenMode { pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen,
                pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor };
Q_ENUM_NS(TPenMode)
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
Q_ENUM_NS(TBrushStyle)
}  // namespace GraphicsTypes
using GraphicsTypes::TFontPitch;
using GraphicsTypes::TPenStyle;
using GraphicsTypes::TPenMode;
using GraphicsTypes::TBrushStyle;
using enum GraphicsTypes::TFontPitch;
using enum GraphicsTypes::TPenStyle;
using enum GraphicsTypes::TPenMode;
using enum GraphicsTypes::TBrushStyle;

enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

class TFont : public TGraphicsObject {
    Q_OBJECT
    Q_PROPERTY(int Charset READ Charset WRITE SetCharset)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(String Name READ Name WRITE SetName)
    Q_PROPERTY(TFontPitch Pitch READ Pitch WRITE SetPitch)
    Q_PROPERTY(int Size READ Size WRITE SetSize STORED false)
    Q_PROPERTY(TFontStylesFlags Style READ StyleFlags WRITE SetStyleFlags)
    Q_CLASSINFO("Idents:Charset", "TFontCharset")
    Q_CLASSINFO("Idents:Color", "TColor")
    Q_CLASSINFO("Default:Pitch", "fpDefault")

public:
    enum TFontStyleFlag { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
    Q_DECLARE_FLAGS(TFontStylesFlags, TFontStyleFlag)
    Q_FLAG(TFontStylesFlags)

    TFont();
    ~TFont() override;
    void Assign(TPersistent* Source) override;
    HFONT Handle();
    int Charset() const { return FCharset; }
    void SetCharset(int v);
    TColor Color() const { return FColor; }
    void SetColor(TColor v);
    int Height() const { return FHeight; }
    void SetHeight(int v);
    String Name() const { return FName; }
    void SetName(const String& v);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch v);
    int Size() const;
    void SetSize(int v);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles v);
    TFontStylesFlags StyleFlags() const { return TFontStylesFlags(static_cast<int>(FStyle)); }
    void SetStyleFlags(TFontStylesFlags v) { SetStyle(static_cast<TFontStyles>(static_cast<int>(v))); }
    int PixelsPerInch = 96;

private:
    void FreeHandle();
    HFONT FHandle = nullptr;
    int FCharset = 1;
    TColor FColor = clWindowText;
    int FHeight = -11;
    String FName = "Sans Serif";
    TFontPitch FPitch = fpDefault;
    TFontStyles FStyle = 0;
};


class TPen : public TGraphicsObject {
    Q_OBJECT
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(TPenMode Mode READ Mode WRITE SetMode)
    Q_PROPERTY(TPenStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_CLASSINFO("Idents:Color", "TColor")
    Q_CLASSINFO("Default:Color", "clBlack")
    Q_CLASSINFO("Default:Mode", "pmCopy")
    Q_CLASSINFO("Default:Style", "psSolid")
    Q_CLASSINFO("Default:Width", "1")

public:
    TPen();
    ~TPen() override;
    void Assign(TPersistent* Source) override;
    HPEN Handle();
    TColor Color() const { return FColor; }
    void SetColor(TColor v);
    int Width() const { return FWidth; }
    void SetWidth(int v);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle v);
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode v);

private:
    void FreeHandle();
    HPEN FHandle = nullptr;
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
};

class TBrush : public TGraphicsObject {
    Q_OBJECT
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(TBrushStyle Style READ Style WRITE SetStyle)
    Q_CLASSINFO("Idents:Color", "TColor")
    Q_CLASSINFO("Default:Color", "clWhite")
    Q_CLASSINFO("Default:Style", "bsSolid")

public:
    TBrush();
    ~TBrush() override;
    void Assign(TPersistent* Source) override;
    HBRUSH Handle();
    TColor Color() const { return FColor; }
    void SetColor(TColor v);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle v);

private:
    void FreeHandle();
    HBRUSH FHandle = nullptr;
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
};

class TGraphic;

// Drawing on a device context with a pen, a brush and a font.
class TCanvas : public TPersistent {
    Q_OBJECT
public:
    TCanvas();
    ~TCanvas() override;

    HDC Handle();
    HDC HandleValue() const { return FHandle; }
    void SetHandle(HDC dc);
    bool HandleAllocated() const { return FHandle != nullptr; }
    TPen* Pen() const { return FPen; }
    TBrush* Brush() const { return FBrush; }
    TFont* Font() const { return FFont; }
    void SetFont(TFont* f) { FFont->Assign(f); }
    DWORD CopyMode = SRCCOPY;

    void Lock() { ++FLockCount; }
    void Unlock() {
        if (FLockCount > 0) --FLockCount;
    }
    bool TryLock() {
        if (FLockCount > 0) return false;
        Lock();
        return true;
    }
    int LockCount() const { return FLockCount; }

    TColor Pixel(int x, int y);
    void SetPixel(int x, int y, TColor c);
    POINT PenPos();
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const RECT& r) { Rectangle(r.left, r.top, r.right, r.bottom); }
    void FillRect(const RECT& r);
    void FrameRect(const RECT& r);
    void Ellipse(int x1, int y1, int x2, int y2);
    void Polygon(const std::vector<POINT>& points);
    void Polyline(const std::vector<POINT>& points);
    void TextOut(int x, int y, const String& text);
    void TextRect(const RECT& r, int x, int y, const String& text);
    SIZE TextExtent(const String& text);
    int TextWidth(const String& text) { return TextExtent(text).cx; }
    int TextHeight(const String& text) { return TextExtent(text).cy; }
    void Draw(int x, int y, TGraphic* graphic);
    void StretchDraw(const RECT& r, TGraphic* graphic);
    void CopyRect(const RECT& dest, TCanvas* source, const RECT& src);
    // Copies a bitmap with one colour left out (the transparent colour).
    void BrushCopy(const RECT& dest, class TBitmap* bitmap, const RECT& src, TColor transparent);

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;
    // ETO_* flags of the canvas's text output (ETO_CLIPPED, ETO_OPAQUE, ETO_RTLREADING).
    UINT TextFlags = 0;

    // For drawing routines outside the class: the handle with the pen, brush and font
    // selected (EInvalidOperation when there is no handle), and the change notifications.
    void RequiredState();
    void Changing();
    void Changed();

protected:
    virtual void CreateHandle() {}

private:
    void Select();
    void Deselect();
    HDC FHandle = nullptr;
    TPen* FPen;
    TBrush* FBrush;
    TFont* FFont;
    HGDIOBJ FOldPen = nullptr;
    HGDIOBJ FOldBrush = nullptr;
    HGDIOBJ FOldFont = nullptr;
    HPEN FSelectedPen = nullptr;
    HBRUSH FSelectedBrush = nullptr;
    HFONT FSelectedFont = nullptr;
    int FLockCount = 0;
};

// Raised by picture classes for operations their format does not allow.
TESSELLON_EXCEPTION(EInvalidGraphicOperation, Exception);
// Raised where a picture class leaves an operation out.
TESSELLON_EXCEPTION(ENotImplemented, Exception);

enum TProgressStage { psStarting, psRunning, psEnding };
// Progress of a long picture operation: the stage, the share done in per cent, whether the
// picture should be redrawn now, the part of it that changed and a text (an error message).
using TProgressEvent =
    TEvent<void(TObject* Sender, TProgressStage Stage, BYTE PercentDone, bool RedrawNow, const RECT& R, const String& Msg)>;

class TGraphic : public TPersistent {
    Q_OBJECT
public:
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int) {}
    virtual void SetHeight(int) {}
    virtual bool Empty() const { return Width() == 0 || Height() == 0; }
    virtual void Draw(TCanvas* canvas, const RECT& r) = 0;
    virtual void LoadFromStream(TStream* stream) = 0;
    virtual void SaveToStream(TStream* stream) = 0;
    void LoadFromFile(const String& fileName);
    // Written through a temporary file that then replaces fileName.
    void SaveToFile(const String& fileName);
    // Whether the graphic is drawn with its transparent parts left out.
    bool Transparent() const { return GetTransparent(); }
    void SetTransparent(bool value);
    // The palette the graphic is drawn with; null for none. The graphic owns it.
    virtual HPALETTE Palette() { return nullptr; }
    // The same picture: by default the same class and the same stream bytes.
    virtual bool Equals(TGraphic* graphic);
    TNotifyEvent OnChange;
    TProgressEvent OnProgress;
    // The "Data" binary property: the size of the stream, then the stream.
    void DefineProperties(TFiler* filer) override;
    virtual void ReadData(TStream* stream);
    virtual void WriteData(TStream* stream);
    // The graphic's clipboard form: a format with its handle, and a palette or null (the
    // clipboard takes both). EInvalidGraphic "Unsupported clipboard format" unless a class
    // offers one (classlib/Clipbrd.cpp).
    virtual void SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette);
    virtual void LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette);

protected:
    virtual bool GetTransparent() const { return FTransparent; }
    void Changed() {
        if (OnChange) OnChange(this);
    }
    void Progress(TObject* sender, TProgressStage stage, BYTE percentDone, bool redrawNow, const RECT& r,
                  const String& msg) {
        if (OnProgress) OnProgress(sender, stage, percentDone, redrawNow, r, msg);
    }
    bool FTransparent = false;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// A BITMAPINFO block for a bottom-up DIB without compression: the header and, for 8 bits
// or less, a zeroed table of 2^bitCount entries.
std::vector<BYTE> NewDibInfo(int width, int height, int bitCount);
// A palette of the colours of a DIB colour table.
HPALETTE CreatePaletteOf(const RGBQUAD* colors, int count);

// A bitmap: a device-dependent bitmap selected into its own memory device context.
class TBitmap : public TGraphic {
    Q_OBJECT
public:
    TBitmap();
    ~TBitmap() override;
    void Assign(TPersistent* Source) override;
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    void SetWidth(int v) override { SetSize(v, FHeight); }
    void SetHeight(int v) override { SetSize(FWidth, v); }
    void SetSize(int w, int h);
    TPixelFormat PixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TPixelFormat f);
    TCanvas* Canvas();
    HBITMAP Handle();
    void SetHandle(HBITMAP bitmap);
    HBITMAP ReleaseHandle();
    TColor TransparentColor();
    void Draw(TCanvas* canvas, const RECT& r) override;
    // The BMP file format.
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    // A built-in image of the program (a Qt resource ":/bitmaps/NAME.bmp").
    void LoadFromResourceName(HINSTANCE instance, const String& name);
    // Raw access for the picture code: BITMAPINFO header and pixel rows of the bitmap.
    bool ReadDib(std::vector<BYTE>& info, std::vector<BYTE>& bits);
    void WriteDib(const BITMAPINFO* info, const void* bits);
    // CF_BITMAP (a copy of the bitmap with a palette of its colour table); loads CF_BITMAP
    // and CF_DIB, whose block is checked against its real size.
    void SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette) override;
    void LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette) override;
    // A palette made from the colour table of a bitmap of 8 bits or less; null otherwise.
    HPALETTE Palette() override;
    // A fixed transparent colour; clDefault goes back to the bottom-left pixel's colour.
    void SetTransparentColor(TColor color) { FTransparentColor = color; }
    // Another graphic drawn onto a 24-bit bitmap of its size filled with the brush colour.
    void AssignFromGraphic(TGraphic* graphic);

private:
    void FreeImage();
    void NewBitmap();
    HPALETTE FPalette = nullptr;
    TColor FTransparentColor = clDefault;
    HBITMAP FHandle = nullptr;
    HDC FDC = nullptr;
    HGDIOBJ FOldBitmap = nullptr;
    TCanvas* FCanvas = nullptr;
    int FWidth = 0;
    int FHeight = 0;
    TPixelFormat FPixelFormat = pf24bit;
};

// One image of an icon or cursor file: its directory entry, checked against the file.
struct TIconDirEntry {
    int Width = 0;   // 256 for an entry that says 0
    int Height = 0;
    int ColorCount = 0;
    // Planes and bit count of an icon entry; the hot spot of a cursor entry.
    WORD Planes = 0;
    WORD BitCount = 0;
    DWORD Offset = 0;
    DWORD Size = 0;
};
// The directory of an icon (type 1) or cursor (type 2) file image of `size` bytes. False
// when the header, a directory entry or an image lies outside the data.
bool ReadIconDirectory(const BYTE* data, std::size_t size, WORD& type, std::vector<TIconDirEntry>& entries);
// The bit count an entry's image declares in its own header (a DIB header or a PNG
// header); 0 when it cannot be told.
int IconImageBitCount(const BYTE* data, std::size_t size, const TIconDirEntry& entry);

// An icon: the file image of an icon (or cursor) file, shown through its image closest to
// 32 x 32 pixels with the most colours.
class TIcon : public TGraphic {
    Q_OBJECT
public:
    TIcon();
    ~TIcon() override;
    void Assign(TPersistent* Source) override;
    void AssignTo(TPersistent* Dest) override;
    int Width() const override { return FImage.width(); }
    int Height() const override { return FImage.height(); }
    bool Empty() const override { return FData.empty(); }
    void SetWidth(int) override;
    void SetHeight(int) override;
    void Draw(TCanvas* canvas, const RECT& r) override;
    // The rest of the stream; EInvalidGraphic "Icon image is not valid" when it is no icon.
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    // An icon file image in memory; the same checks as LoadFromStream.
    void LoadFromData(const BYTE* data, std::size_t size);
    // A built-in icon of the program (a Qt resource ":/icons/NAME.ico").
    void LoadFromResourceName(HINSTANCE instance, const String& name);
    // The picture of a platform icon (copied; the handle stays the caller's);
    // EInvalidGraphic "Icon image is not valid" for a bad handle.
    void SetHandle(HICON icon);
    void Clear();
    // The file image and the picture shown (premultiplied ARGB).
    const std::vector<BYTE>& FileImage() const { return FData; }
    const QImage& Image() const { return FImage; }

protected:
    bool GetTransparent() const override { return true; }

private:
    std::vector<BYTE> FData;
    QImage FImage;
};

// The picture formats the pictures know: a file extension (lower case, without the dot),
// a description, the graphic class and the first bytes its streams start with.
struct TFileFormat {
    String Extension;
    String Description;
    TPersistentClass GraphicClass = nullptr;
    std::string Signature;
};

// A picture holding one graphic; streamed as the graphic's class name followed by its data.
class TPicture : public TPersistent {
    Q_OBJECT
public:
    TPicture();
    ~TPicture() override;
    void Assign(TPersistent* Source) override;
    TGraphic* Graphic() const { return FGraphic.get(); }
    // A copy of g (a new graphic of its class).
    void SetGraphic(TGraphic* g);
    TBitmap* Bitmap();
    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }
    // The format whose signature the file starts with, else the one of its extension;
    // EInvalidGraphic "Unknown picture file extension (.x)" when none fits.
    void LoadFromFile(const String& fileName);
    void SaveToFile(const String& fileName);
    // The "Data" binary property.
    void ReadData(TStream* stream);
    void WriteData(TStream* stream);
    void DefineProperties(TFiler* filer) override;
    TNotifyEvent OnChange;

    // Clipboard formats and the graphic classes that read them (CF_DIB and CF_BITMAP:
    // TBitmap); registering a format again replaces its class.
    static void RegisterClipboardFormat(UINT format, TPersistentClass graphicClass);
    static void UnregisterClipboardFormats(TPersistentClass graphicClass);
    static bool SupportsClipboardFormat(UINT format);
    // A new graphic of the format's class read from the data; EInvalidGraphic "Unsupported
    // clipboard format" for a format no class reads.
    void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette);
    // The graphic's clipboard form; EInvalidGraphic for an empty picture.
    void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette);
    // The registry of picture formats. Registering an extension again replaces its entry.
    static void RegisterFileFormat(const String& extension, const String& description, TPersistentClass graphicClass,
                                   const std::string& signature = std::string());
    template <class T>
    static void RegisterFileFormat(const String& extension, const String& description,
                                   const std::string& signature = std::string()) {
        static_assert(std::is_base_of_v<TGraphic, T>, "picture formats are graphics");
        RegisterFileFormat(extension, description, RegisterClass<T>(), signature);
    }
    // Removes every format of that class.
    static void UnregisterGraphicClass(TPersistentClass graphicClass);
    static std::vector<TFileFormat> FileFormats();
    // The class of an extension (with or without the dot, any case); null when none.
    static TPersistentClass FileFormatClass(const String& extension);
    // The class whose signature the bytes start with; null when none.
    static TPersistentClass SignatureClass(const BYTE* data, std::size_t size);
    // A new graphic of a registered graphic class of that name; null when there is none.
    static std::unique_ptr<TGraphic> NewGraphic(const String& className);

private:
    void Changed() {
        if (OnChange) OnChange(this);
    }
    std::unique_ptr<TGraphic> FGraphic;
};
