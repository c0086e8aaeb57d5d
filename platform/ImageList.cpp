// Image lists: the handle table, images taken from bitmaps and icons, and the changes of a
// list (drawing is in ImageListDraw.cpp, the byte form in ImageListStream.cpp).
#include "ImageListImpl.h"
#include "DeviceContext.h"
#include "platform/GdiObject.h"
#include "Raster.h"
#include "platform/winicon.h"

#include <QCoreApplication>
#include <QPainter>
#include <QThread>

#include <algorithm>
#include <mutex>
#include <set>

namespace platform::il {
namespace {

std::mutex& tableMutex() {
    static std::mutex m;
    return m;
}

std::set<const List*>& table() {
    static auto* t = new std::set<const List*>;
    return *t;
}

bool onUiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// The 16 standard colours, then a 6 x 6 x 6 cube and 24 greys.
const std::vector<QRgb>& standardColours() {
    static const std::vector<QRgb> c = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0), qRgb(0, 0, 128),   qRgb(128, 0, 128),
        qRgb(0, 128, 128),   qRgb(192, 192, 192), qRgb(128, 128, 128), qRgb(255, 0, 0), qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
    return c;
}

const std::vector<QRgb>& palette256() {
    static const std::vector<QRgb> p = [] {
        std::vector<QRgb> t = standardColours();
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b) t.push_back(qRgb(r * 51, g * 51, b * 51));
        for (int i = 1; i <= 24; ++i) t.push_back(qRgb(i * 10, i * 10, i * 10));
        return t;
    }();
    return p;
}

void reduceColours(QImage& image, int bits) {
    if (bits >= 24) return;
    if (bits == 16) {
        for (int y = 0; y < image.height(); ++y) {
            auto* p = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const auto five = [](int c) { return (c & 0xF8) | (c >> 5); };
                p[x] = qRgba(five(qRed(p[x])), five(qGreen(p[x])), five(qBlue(p[x])), qAlpha(p[x]));
            }
        }
        return;
    }
    gdi::raster::Nearest nearest(bits <= 4 ? standardColours() : palette256());
    for (int y = 0; y < image.height(); ++y) {
        auto* p = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = nearest.table()[nearest(p[x] | 0xFF000000u)];
            p[x] = qRgba(qRed(c), qGreen(c), qBlue(c), qAlpha(p[x]));
        }
    }
}

// White pixels of a mask bitmap (transparent) as true.
bool maskPixels(HBITMAP handle, std::vector<bool>* white, int* width, int* height) {
    QImage image;
    if (!bitmapPixels(handle, &image, nullptr)) return false;
    *width = image.width();
    *height = image.height();
    white->assign(static_cast<std::size_t>(image.width()) * image.height(), false);
    for (int y = 0; y < image.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            (*white)[static_cast<std::size_t>(y) * image.width() + x] = gdi::monoOf(p[x]) == 0xFFFFFFFFu;
    }
    return true;
}

enum class MaskKind { None, Bitmap, Colour };

// The images of a bitmap strip, one per cx pixels, with their transparency.
std::vector<QImage> imagesOfStrip(const List& list, HBITMAP imageBitmap, MaskKind kind, HBITMAP maskBitmap,
                                  COLORREF maskColour, int limit) {
    QImage strip;
    bool hasAlpha = false;
    if (!bitmapPixels(imageBitmap, &strip, &hasAlpha)) return {};
    std::vector<bool> white;
    int mw = 0, mh = 0;
    if (kind == MaskKind::Bitmap && maskBitmap && !maskPixels(maskBitmap, &white, &mw, &mh)) return {};
    if (kind == MaskKind::Colour && maskColour == CLR_DEFAULT)
        maskColour = gdi::colorref(strip.pixel(0, 0));
    const bool alphaKept = list.bits() == 32 && hasAlpha;
    int n = strip.width() / list.cx;
    if (limit >= 0) n = std::min(n, limit);
    std::vector<QImage> out;
    for (int k = 0; k < n; ++k) {
        QImage img = blankImage(list);
        for (int y = 0; y < list.cy && y < strip.height(); ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(strip.constScanLine(y));
            auto* o = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < list.cx; ++x) {
                const int sx = k * list.cx + x;
                QRgb c = in[sx];
                int a = alphaKept ? qAlpha(c) : 255;
                if (list.masked()) {
                    if (kind == MaskKind::Bitmap && maskBitmap && sx < mw && y < mh &&
                        white[static_cast<std::size_t>(y) * mw + sx])
                        a = 0;
                    if (kind == MaskKind::Colour && gdi::colorref(c) == maskColour) a = 0;
                }
                o[x] = (c & 0x00FFFFFFu) | (static_cast<QRgb>(a) << 24);
            }
        }
        conform(list, img);
        out.push_back(std::move(img));
    }
    return out;
}

// Overlays after image i left the list.
void imageRemoved(List& list, int i) {
    for (int& o : list.overlays) {
        if (o == i) o = -1;
        else if (o > i) --o;
    }
}

void clearImages(List& list) {
    list.images.clear();
    list.overlays.fill(-1);
    list.changed();
}

List* changeable(HIMAGELIST himl) {
    List* l = find(himl);
    return l && !l->system ? l : nullptr;
}

}  // namespace

bool bitmapPixels(HBITMAP handle, QImage* out, bool* hasAlpha) {
    auto* b = gdi::find<gdi::Bitmap>(handle, OBJ_BITMAP);
    if (!b || b->image.isNull()) return false;
    b->pull();
    QImage image = b->image.convertToFormat(QImage::Format_ARGB32);
    bool alpha = false;
    if (b->dib && b->dib->bitCount == 32) {
        const gdi::DibMemory& m = *b->dib;
        for (int y = 0; y < image.height(); ++y) {
            const int row = m.topDown ? y : image.height() - 1 - y;
            const BYTE* in = m.bits + static_cast<std::size_t>(row) * m.lineBytes;
            auto* p = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int a = in[4 * x + 3];
                if (a) alpha = true;
                p[x] = (p[x] & 0x00FFFFFFu) | (static_cast<QRgb>(a) << 24);
            }
        }
        // A 32-bit section whose alpha is all 0 is an opaque picture.
        if (!alpha)
            for (int y = 0; y < image.height(); ++y) {
                auto* p = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x) p[x] |= 0xFF000000u;
            }
    }
    *out = std::move(image);
    if (hasAlpha) *hasAlpha = alpha;
    return true;
}

HBITMAP newSection(int width, int height, int bitCount, BYTE** bits) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = static_cast<WORD>(bitCount);
    bi.bmiHeader.biCompression = BI_RGB;
    void* memory = nullptr;
    HBITMAP h = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &memory, nullptr, 0);
    if (h && !memory) {
        DeleteObject(h);
        h = nullptr;
    }
    *bits = static_cast<BYTE*>(memory);
    return h;
}

List::~List() {
    if (snapImage) DeleteObject(snapImage);
    if (snapMask) DeleteObject(snapMask);
}

int List::count() const {
    if (system) return sourceCount ? sourceCount() : 0;
    return static_cast<int>(images.size());
}

int List::bits() const { return colourBits(flags); }

const QImage* List::image(int i) {
    if (i < 0 || i >= count()) return nullptr;
    if (system && static_cast<std::size_t>(i) >= images.size()) {
        if (!onUiThread() || !source) return nullptr;
        for (int k = static_cast<int>(images.size()); k <= i; ++k) {
            QImage made = source(k, cx);
            QImage img = blankImage(*this);
            if (!made.isNull()) {
                // Centred when the source gives another size.
                made = made.convertToFormat(QImage::Format_ARGB32_Premultiplied);
                QImage premultiplied(cx, cy, QImage::Format_ARGB32_Premultiplied);
                premultiplied.fill(Qt::transparent);
                QPainter p(&premultiplied);
                p.drawImage((cx - made.width()) / 2, (cy - made.height()) / 2, made);
                p.end();
                img = premultiplied.convertToFormat(QImage::Format_ARGB32);
            }
            images.push_back(std::move(img));
        }
    }
    return &images[static_cast<std::size_t>(i)];
}

List* find(HIMAGELIST himl) {
    auto* l = reinterpret_cast<List*>(himl);
    std::lock_guard lock(tableMutex());
    return himl && table().count(l) ? l : nullptr;
}

HIMAGELIST add(std::unique_ptr<List> list) {
    std::lock_guard lock(tableMutex());
    List* l = list.release();
    table().insert(l);
    return reinterpret_cast<HIMAGELIST>(l);
}

int colourBits(UINT flags) {
    switch (flags & 0xFE) {
    case ILC_COLOR:
    case ILC_COLOR4: return 4;
    case ILC_COLOR8: return 8;
    case ILC_COLOR16: return 16;
    case ILC_COLOR32: return 32;
    case ILC_COLORDDB: {
        const int screen = screenBitsPerPixel();
        return screen <= 4 ? 4 : screen <= 8 ? 8 : screen == 16 ? 16 : 24;
    }
    default: return 24;
    }
}

void conform(const List& list, QImage& image) {
    reduceColours(image, list.bits());
    if (list.bits() == 32) return;
    for (int y = 0; y < image.height(); ++y) {
        auto* p = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const bool drawn = !list.masked() || qAlpha(p[x]) >= 128;
            p[x] = (p[x] & 0x00FFFFFFu) | (drawn ? 0xFF000000u : 0u);
        }
    }
}

QImage blankImage(const List& list) {
    QImage img(list.cx, list.cy, QImage::Format_ARGB32);
    img.fill(0u);
    if (!list.masked() && list.bits() != 32) img.fill(0xFF000000u);
    return img;
}

QImage iconPicture(HICON icon, int cx, int cy) {
    QImage picture = iconImage(icon);
    if (picture.isNull()) return picture;
    if (picture.size() != QSize(cx, cy))
        picture = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                      .scaled(cx, cy, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                      .convertToFormat(QImage::Format_ARGB32);
    return picture;
}

HIMAGELIST createSystemList(int size, std::function<int()> count, std::function<QImage(int, int)> source) {
    auto l = std::make_unique<List>();
    l->cx = l->cy = size;
    l->flags = ILC_COLOR32 | ILC_MASK;
    l->system = true;
    l->sourceCount = std::move(count);
    l->source = std::move(source);
    return add(std::move(l));
}

void forgetSystemImages(HIMAGELIST himl) {
    List* l = find(himl);
    if (!l || !l->system) return;
    l->images.clear();
    l->changed();
}

}  // namespace platform::il

using namespace platform::il;

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int cInitial, int cGrow) {
    if (cx <= 0 || cy <= 0 || cx > 32767 || cy > 32767) return nullptr;
    auto l = std::make_unique<List>();
    l->cx = cx;
    l->cy = cy;
    l->flags = flags;
    l->grow = std::max(cGrow, 1);
    l->images.reserve(static_cast<std::size_t>(std::clamp(cInitial, 0, 1024)));
    return add(std::move(l));
}

BOOL ImageList_Destroy(HIMAGELIST himl) {
    List* l = changeable(himl);
    if (!l) return FALSE;
    {
        std::lock_guard lock(tableMutex());
        table().erase(l);
    }
    delete l;
    return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST himl) {
    List* l = find(himl);
    return l ? l->count() : 0;
}

BOOL ImageList_SetImageCount(HIMAGELIST himl, UINT count) {
    List* l = changeable(himl);
    if (!l || count > 0x7FFF) return FALSE;
    while (l->images.size() > count) {
        l->images.pop_back();
        imageRemoved(*l, static_cast<int>(l->images.size()));
    }
    while (l->images.size() < count) l->images.push_back(blankImage(*l));
    l->changed();
    return TRUE;
}

int ImageList_Add(HIMAGELIST himl, HBITMAP image, HBITMAP mask) {
    List* l = changeable(himl);
    if (!l) return -1;
    std::vector<QImage> added = imagesOfStrip(*l, image, MaskKind::Bitmap, mask, 0, -1);
    if (added.empty()) return -1;
    const int first = static_cast<int>(l->images.size());
    for (QImage& img : added) l->images.push_back(std::move(img));
    l->changed();
    return first;
}

int ImageList_AddMasked(HIMAGELIST himl, HBITMAP image, COLORREF mask) {
    List* l = changeable(himl);
    if (!l) return -1;
    std::vector<QImage> added = imagesOfStrip(*l, image, MaskKind::Colour, nullptr, mask, -1);
    if (added.empty()) return -1;
    const int first = static_cast<int>(l->images.size());
    for (QImage& img : added) l->images.push_back(std::move(img));
    l->changed();
    return first;
}

BOOL ImageList_Replace(HIMAGELIST himl, int i, HBITMAP image, HBITMAP mask) {
    List* l = changeable(himl);
    if (!l || i < 0 || i >= l->count()) return FALSE;
    std::vector<QImage> one = imagesOfStrip(*l, image, MaskKind::Bitmap, mask, 0, 1);
    if (one.empty()) return FALSE;
    l->images[static_cast<std::size_t>(i)] = std::move(one.front());
    l->changed();
    return TRUE;
}

int ImageList_ReplaceIcon(HIMAGELIST himl, int i, HICON icon) {
    List* l = changeable(himl);
    if (!l || i < -1 || i >= l->count()) return -1;
    QImage picture = iconPicture(icon, l->cx, l->cy);
    if (picture.isNull()) return -1;
    conform(*l, picture);
    if (i == -1) {
        l->images.push_back(std::move(picture));
        i = l->count() - 1;
    } else {
        l->images[static_cast<std::size_t>(i)] = std::move(picture);
    }
    l->changed();
    return i;
}

BOOL ImageList_Remove(HIMAGELIST himl, int i) {
    List* l = changeable(himl);
    if (!l || i < -1 || i >= l->count()) return FALSE;
    if (i == -1) {
        clearImages(*l);
        return TRUE;
    }
    l->images.erase(l->images.begin() + i);
    imageRemoved(*l, i);
    l->changed();
    return TRUE;
}

BOOL ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy) {
    List* l = find(himl);
    if (!l || !cx || !cy) return FALSE;
    *cx = l->cx;
    *cy = l->cy;
    return TRUE;
}

BOOL ImageList_SetIconSize(HIMAGELIST himl, int cx, int cy) {
    List* l = changeable(himl);
    if (!l || cx <= 0 || cy <= 0 || cx > 32767 || cy > 32767) return FALSE;
    l->cx = cx;
    l->cy = cy;
    clearImages(*l);
    return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST himl, COLORREF colour) {
    List* l = find(himl);
    if (!l) return CLR_NONE;
    const COLORREF old = l->bk;
    l->bk = colour == CLR_NONE ? CLR_NONE : (colour & 0x00FFFFFFu);
    if (old != l->bk) l->changed();
    return old;
}

COLORREF ImageList_GetBkColor(HIMAGELIST himl) {
    List* l = find(himl);
    return l ? l->bk : CLR_NONE;
}

BOOL ImageList_SetOverlayImage(HIMAGELIST himl, int image, int overlay) {
    List* l = find(himl);
    if (!l || overlay < 1 || overlay > 15 || image < -1 || image >= l->count()) return FALSE;
    l->overlays[static_cast<std::size_t>(overlay - 1)] = image;
    l->changed();
    return TRUE;
}

BOOL ImageList_Copy(HIMAGELIST dst, int iDst, HIMAGELIST src, int iSrc, UINT flags) {
    List* d = changeable(dst);
    List* s = find(src);
    if (!d || !s || d->cx != s->cx || d->cy != s->cy) return FALSE;
    if (iDst < 0 || iDst >= d->count() || iSrc < 0 || iSrc >= s->count()) return FALSE;
    const QImage* from = s->image(iSrc);
    if (!from) return FALSE;
    QImage copy = from->copy();
    conform(*d, copy);
    if (flags & ILCF_SWAP) {
        if (s->system) return FALSE;
        QImage other = d->images[static_cast<std::size_t>(iDst)].copy();
        conform(*s, other);
        s->images[static_cast<std::size_t>(iSrc)] = std::move(other);
        s->changed();
    }
    d->images[static_cast<std::size_t>(iDst)] = std::move(copy);
    d->changed();
    return TRUE;
}

HIMAGELIST ImageList_Duplicate(HIMAGELIST himl) {
    List* l = find(himl);
    if (!l) return nullptr;
    auto d = std::make_unique<List>();
    d->cx = l->cx;
    d->cy = l->cy;
    d->flags = l->flags;
    d->grow = l->grow;
    d->bk = l->bk;
    d->overlays = l->overlays;
    for (int i = 0; i < l->count(); ++i) {
        const QImage* img = l->image(i);
        d->images.push_back(img ? img->copy() : blankImage(*d));
    }
    return add(std::move(d));
}

HIMAGELIST ImageList_Merge(HIMAGELIST himl1, int i1, HIMAGELIST himl2, int i2, int dx, int dy) {
    List* a = find(himl1);
    List* b = find(himl2);
    if (!a || !b) return nullptr;
    // Copies: making a system image can move the others.
    const QImage* pa = a->image(i1);
    const QImage first = pa ? *pa : QImage();
    const QImage* pb = b->image(i2);
    const QImage second = pb ? *pb : QImage();
    if (first.isNull() || second.isNull()) return nullptr;
    const QRect ra(0, 0, a->cx, a->cy);
    const QRect rb(dx, dy, b->cx, b->cy);
    const QRect all = ra | rb;
    auto m = std::make_unique<List>();
    m->cx = all.width();
    m->cy = all.height();
    m->flags = (a->flags & 0xFE) | ILC_MASK;
    QImage merged(all.size(), QImage::Format_ARGB32_Premultiplied);
    merged.fill(Qt::transparent);
    {
        QPainter p(&merged);
        p.drawImage(ra.topLeft() - all.topLeft(), first);
        p.drawImage(rb.topLeft() - all.topLeft(), second);
    }
    QImage img = merged.convertToFormat(QImage::Format_ARGB32);
    conform(*m, img);
    m->images.push_back(std::move(img));
    return add(std::move(m));
}

BOOL ImageList_GetImageInfo(HIMAGELIST himl, int i, IMAGEINFO* info) {
    List* l = find(himl);
    if (!l || !info || i < 0 || i >= l->count()) return FALSE;
    if (l->snapVersion != l->version || !l->snapImage) {
        if (l->snapImage) DeleteObject(l->snapImage);
        if (l->snapMask) DeleteObject(l->snapMask);
        l->snapImage = l->snapMask = nullptr;
        const int n = l->count();
        const int width = l->cx * n;
        // The images as a top-down section (32 bits keep the alpha), the masks as a monochrome bitmap.
        const int bpp = l->bits() == 32 ? 4 : 3;
        BYTE* out = nullptr;
        l->snapImage = newSection(width, l->cy, 8 * bpp, &out);
        if (!l->snapImage) return FALSE;
        const std::size_t lineBytes = static_cast<std::size_t>((width * bpp + 3) & ~3);
        QImage maskImage(width, l->cy, QImage::Format_RGB32);
        maskImage.fill(0xFF000000u);
        for (int k = 0; k < n; ++k) {
            const QImage* img = l->image(k);
            if (!img) continue;
            for (int y = 0; y < l->cy; ++y) {
                const auto* in = reinterpret_cast<const QRgb*>(img->constScanLine(y));
                BYTE* row = out + lineBytes * static_cast<std::size_t>(y);
                auto* mrow = reinterpret_cast<QRgb*>(maskImage.scanLine(y));
                for (int x = 0; x < l->cx; ++x) {
                    BYTE* px = row + static_cast<std::size_t>(k * l->cx + x) * bpp;
                    px[0] = static_cast<BYTE>(qBlue(in[x]));
                    px[1] = static_cast<BYTE>(qGreen(in[x]));
                    px[2] = static_cast<BYTE>(qRed(in[x]));
                    if (bpp == 4) px[3] = static_cast<BYTE>(qAlpha(in[x]));
                    if (qAlpha(in[x]) == 0) mrow[k * l->cx + x] = 0xFFFFFFFFu;
                }
            }
        }
        if (auto* b = platform::gdi::find<platform::gdi::Bitmap>(l->snapImage, OBJ_BITMAP)) b->pull();
        if (l->masked()) {
            auto mb = std::make_unique<platform::gdi::Bitmap>();
            mb->bitsPixel = 1;
            mb->image = std::move(maskImage);
            l->snapMask = static_cast<HBITMAP>(platform::gdi::add(std::move(mb)));
        }
        l->snapVersion = l->version;
    }
    info->hbmImage = l->snapImage;
    info->hbmMask = l->snapMask;
    info->Unused1 = info->Unused2 = 0;
    info->rcImage = RECT{i * l->cx, 0, (i + 1) * l->cx, l->cy};
    return TRUE;
}
