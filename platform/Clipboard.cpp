// The clipboard over QClipboard: our content with its handles, the desktop's content read
// on demand, registered formats, delayed rendering and the viewer chain.
#include "platform/codepage.h"
#include "platform/gdi.h"
#include "platform/globalmem.h"
#include "ClipboardData.h"
#include "platform/shellapi.h"
#include "platform/winerror.h"
#include "platform/winuser.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QPointer>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

using namespace platform::clip;

namespace {

constexpr const char* kStandardPrefix = "application/x-tessellon-clipboard-";
constexpr const char* kRegisteredPrefix = "application/x-tessellon-format-";
constexpr const char* kGnomeFiles = "x-special/gnome-copied-files";
constexpr const char* kKdeCut = "application/x-kde-cutselection";
constexpr const char* kUriList = "text/uri-list";

struct Entry {
    UINT format = 0;
    HANDLE handle = nullptr;  // null while it waits for WM_RENDERFORMAT
    bool synthesized = false;
};

struct Content;
void destroyHandle(UINT format, HANDLE handle);

// A content that this process put on the clipboard; shared with the mime data that shows it
// to the desktop, so that its handles live as long as either needs them.
struct Content {
    std::vector<Entry> entries;
    HWND owner = nullptr;
    bool published = false;
    ~Content() {
        for (const Entry& e : entries)
            if (e.handle) destroyHandle(e.format, e.handle);
    }
    Entry* find(UINT format) {
        for (Entry& e : entries)
            if (e.format == format) return &e;
        return nullptr;
    }
};

class ClipboardMime;

struct State {
    bool connected = false;
    bool open = false;
    HWND opener = nullptr;
    bool changed = false;
    std::shared_ptr<Content> content;
    QPointer<QMimeData> published;
    // The desktop's content: its formats and the blocks made from it.
    bool foreignKnown = false;
    std::vector<UINT> foreignFormats;
    std::map<UINT, HANDLE> foreignCache;
    bool foreignStale = false;
    Content* rendering = nullptr;
    HWND viewer = nullptr;
    std::vector<HWND> listeners;
    DWORD sequence = 1;
    // Registered names; any thread may register one.
    std::mutex namesMutex;
    std::vector<std::u16string> names;
    std::map<UINT, platform::ClipboardHandleFormat> handleFormats;
};

State& state() {
    static auto* s = new State;
    return *s;
}

bool isHandleFormat(UINT format) { return state().handleFormats.count(format) > 0; }

void destroyHandle(UINT format, HANDLE handle) {
    auto it = state().handleFormats.find(format);
    if (it != state().handleFormats.end()) {
        if (it->second.destroy) it->second.destroy(handle);
    } else {
        GlobalFree(handle);
    }
}

Bytes bytesOfHandle(UINT format, HANDLE handle) {
    if (!handle) return {};
    auto it = state().handleFormats.find(format);
    if (it != state().handleFormats.end()) return it->second.toBytes ? it->second.toBytes(handle) : Bytes{};
    return bytesOf(handle);
}

HANDLE handleOfBytes(UINT format, const Bytes& bytes) {
    auto it = state().handleFormats.find(format);
    if (it != state().handleFormats.end()) return it->second.fromBytes ? it->second.fromBytes(bytes) : nullptr;
    return platform::globalFromBytes(bytes.data(), bytes.size());
}

void registerBuiltInHandleFormats(State& s) {
    if (!s.handleFormats.empty()) return;
    s.handleFormats[CF_BITMAP] = {[](HANDLE h) { return dibOfBitmap(static_cast<HBITMAP>(h)); },
                                  [](const Bytes& b) -> HANDLE { return bitmapOfDib(b); },
                                  [](HANDLE h) { DeleteObject(h); }};
    s.handleFormats[CF_PALETTE] = {[](HANDLE h) { return bytesOfPalette(static_cast<HPALETTE>(h)); },
                                   [](const Bytes& b) -> HANDLE { return paletteOfBytes(b); },
                                   [](HANDLE h) { DeleteObject(h); }};
}

// The registered name of a format; false for other formats.
bool registeredName(UINT format, std::u16string* name = nullptr) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.namesMutex);
    if (format < CF_REGISTERED_FIRST || format - CF_REGISTERED_FIRST >= s.names.size()) return false;
    if (name) *name = s.names[format - CF_REGISTERED_FIRST];
    return true;
}

std::u16string fold(std::u16string_view name) {
    std::u16string out(name);
    for (char16_t& c : out) c = platform::upperUnit(c);
    return out;
}

UINT registerName(std::u16string_view name) {
    State& s = state();
    if (name.empty()) return 0;
    std::lock_guard<std::mutex> lock(s.namesMutex);
    const std::u16string key = fold(name);
    for (std::size_t i = 0; i < s.names.size(); ++i)
        if (fold(s.names[i]) == key) return CF_REGISTERED_FIRST + static_cast<UINT>(i);
    if (s.names.size() >= 0x3FFF) return 0;
    s.names.emplace_back(name);
    return CF_REGISTERED_FIRST + static_cast<UINT>(s.names.size() - 1);
}

UINT preferredDropEffectFormat() { return registerName(u"Preferred DropEffect"); }

std::string escapeName(const std::string& utf8) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : utf8) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
            c == '_') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string mimeOf(UINT format) {
    if (std::u16string name; registeredName(format, &name)) {
        const std::string utf8 = platform::fromWide(name, CP_UTF8);
        if (utf8.find('/') != std::string::npos) return utf8;
        return kRegisteredPrefix + escapeName(utf8);
    }
    return kStandardPrefix + std::to_string(format);
}

// The format a private type of ours names; 0 for other types.
UINT formatOfPrivateMime(const QString& type) {
    const QString standard = QString::fromLatin1(kStandardPrefix), registered = QString::fromLatin1(kRegisteredPrefix);
    if (type.startsWith(standard, Qt::CaseInsensitive)) {
        bool ok = false;
        const uint n = type.mid(standard.size()).toUInt(&ok);
        return ok && n > 0 && n < CF_REGISTERED_FIRST ? n : 0;
    }
    if (type.startsWith(registered, Qt::CaseInsensitive)) {
        const QByteArray name = QByteArray::fromPercentEncoding(type.mid(registered.size()).toLatin1());
        return registerName(platform::toWide(std::string_view(name.constData(), name.size()), CP_UTF8));
    }
    return 0;
}

// Types of the desktop that the standard formats stand for, and the selection's own targets.
bool isInterchangeType(const QString& type) {
    return type.startsWith(QLatin1String("text/plain"), Qt::CaseInsensitive) ||
           type.startsWith(QLatin1String("image/"), Qt::CaseInsensitive) ||
           type.compare(QLatin1String(kUriList), Qt::CaseInsensitive) == 0 ||
           type.compare(QLatin1String(kGnomeFiles), Qt::CaseInsensitive) == 0 ||
           type.compare(QLatin1String(kKdeCut), Qt::CaseInsensitive) == 0 ||
           type.compare(QLatin1String("application/x-qt-image"), Qt::CaseInsensitive) == 0 || !type.contains('/');
}

QClipboard* desktop() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread()) return nullptr;
    return QGuiApplication::clipboard();
}

void onDesktopChanged(QClipboard::Mode mode);

QClipboard* connected() {
    State& s = state();
    QClipboard* cb = desktop();
    if (!cb) return nullptr;
    registerBuiltInHandleFormats(s);
    if (!s.connected) {
        QObject::connect(cb, &QClipboard::changed, cb, &onDesktopChanged);
        s.connected = true;
    }
    return cb;
}

// ---- Our content -------------------------------------------------------------------------------

void render(Content& c, UINT format) {
    State& s = state();
    if (!c.owner || !IsWindow(c.owner) || s.rendering) return;
    s.rendering = &c;
    SendMessageW(c.owner, WM_RENDERFORMAT, format, 0);
    s.rendering = nullptr;
}

HANDLE entryHandle(Content& c, UINT format) {
    Entry* e = c.find(format);
    if (!e) return nullptr;
    if (!e->handle) {
        render(c, format);
        e = c.find(format);
    }
    return e ? e->handle : nullptr;
}

bool has(const Content& c, UINT format) {
    return std::any_of(c.entries.begin(), c.entries.end(), [&](const Entry& e) { return e.format == format; });
}

bool holdsText(const Content& c) { return has(c, CF_UNICODETEXT) || has(c, CF_TEXT) || has(c, CF_OEMTEXT); }

std::vector<UINT> formatsOf(const Content& c) {
    std::vector<UINT> out;
    for (const Entry& e : c.entries)
        if (!e.synthesized) out.push_back(e.format);
    auto add = [&](UINT f) {
        if (std::find(out.begin(), out.end(), f) == out.end()) out.push_back(f);
    };
    if (holdsText(c)) {
        add(CF_UNICODETEXT);
        add(CF_TEXT);
        add(CF_OEMTEXT);
    }
    if (has(c, CF_DIB) || has(c, CF_BITMAP)) {
        add(CF_DIB);
        add(CF_BITMAP);
    }
    return out;
}

std::u16string textOf(Content& c) {
    for (UINT f : {CF_UNICODETEXT, CF_TEXT, CF_OEMTEXT}) {
        Entry* e = c.find(f);
        if (e && !e->synthesized)
            if (HANDLE h = entryHandle(c, f)) return textOfBlock(bytesOf(h), f);
    }
    return {};
}

Bytes dibOf(Content& c) {
    if (Entry* e = c.find(CF_DIB); e && !e->synthesized)
        if (HANDLE h = entryHandle(c, CF_DIB)) return bytesOf(h);
    if (Entry* e = c.find(CF_BITMAP); e && !e->synthesized)
        if (HANDLE h = entryHandle(c, CF_BITMAP)) return dibOfBitmap(static_cast<HBITMAP>(h));
    return {};
}

// The handle of a format of our content, rendered or made from another format on demand.
HANDLE dataOf(Content& c, UINT format) {
    if (has(c, format)) return entryHandle(c, format);
    const std::vector<UINT> all = formatsOf(c);
    if (std::find(all.begin(), all.end(), format) == all.end()) return nullptr;
    HANDLE made = nullptr;
    if (format == CF_UNICODETEXT || format == CF_TEXT || format == CF_OEMTEXT) {
        const std::u16string text = textOf(c);
        const Bytes b = format == CF_UNICODETEXT ? unicodeTextBlock(text)
                                                 : codePageTextBlock(text, format == CF_OEMTEXT ? CP_OEMCP : CP_ACP);
        made = platform::globalFromBytes(b.data(), b.size());
    } else if (format == CF_DIB) {
        const Bytes b = dibOf(c);
        if (!b.empty()) made = platform::globalFromBytes(b.data(), b.size());
    } else if (format == CF_BITMAP) {
        made = bitmapOfDib(dibOf(c));
    }
    if (made) c.entries.push_back(Entry{format, made, true});
    return made;
}

// ---- The desktop's content ---------------------------------------------------------------------

const QMimeData* desktopData() {
    QClipboard* cb = connected();
    return cb ? cb->mimeData(QClipboard::Clipboard) : nullptr;
}

// The best image type of the desktop's data that Qt reads.
QString imageType(const QMimeData* data) {
    const QStringList types = data->formats();
    for (const char* preferred : {"image/png", "image/bmp", "image/x-bmp"})
        if (types.contains(QLatin1String(preferred), Qt::CaseInsensitive)) return QString::fromLatin1(preferred);
    const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
    for (const QString& t : types)
        if (t.startsWith(QLatin1String("image/"), Qt::CaseInsensitive) && readable.contains(t.toLatin1().toLower()))
            return t;
    if (types.contains(QLatin1String("application/x-qt-image"))) return QStringLiteral("application/x-qt-image");
    return {};
}

std::vector<std::string> localFiles(const QMimeData* data, bool* cut) {
    std::vector<std::string> paths;
    bool isCut = false;
    if (data->hasFormat(QString::fromLatin1(kGnomeFiles))) {
        const QByteArray gnome = data->data(QString::fromLatin1(kGnomeFiles));
        const qsizetype nl = gnome.indexOf('\n');
        isCut = gnome.left(nl < 0 ? gnome.size() : nl).trimmed() == "cut";
        if (nl >= 0) paths = platform::localPathsOfUriList(gnome.mid(nl + 1));
    }
    if (paths.empty() && data->hasFormat(QString::fromLatin1(kUriList))) {
        paths = platform::localPathsOfUriList(data->data(QString::fromLatin1(kUriList)));
        isCut = data->data(QString::fromLatin1(kKdeCut)).trimmed() == "1";
    }
    if (cut) *cut = isCut;
    return paths;
}

void forgetDesktop() {
    State& s = state();
    for (const auto& [format, handle] : s.foreignCache) destroyHandle(format, handle);
    s.foreignCache.clear();
    s.foreignFormats.clear();
    s.foreignKnown = false;
    s.foreignStale = false;
}

std::vector<UINT> formatsOfMime(const QMimeData* data) {
    std::vector<UINT> formats;
    if (!data) return formats;
    auto add = [&](UINT f) {
        if (f && std::find(formats.begin(), formats.end(), f) == formats.end()) formats.push_back(f);
    };
    const QStringList types = data->formats();
    bool ours = false;
    for (const QString& t : types)
        if (UINT f = formatOfPrivateMime(t)) {
            add(f);
            ours = true;
        }
    if (ours) {
        const std::vector<UINT> own = formats;
        auto holds = [&](UINT f) { return std::find(own.begin(), own.end(), f) != own.end(); };
        if (holds(CF_UNICODETEXT) || holds(CF_TEXT) || holds(CF_OEMTEXT)) {
            add(CF_UNICODETEXT);
            add(CF_TEXT);
            add(CF_OEMTEXT);
        }
        if (holds(CF_DIB) || holds(CF_BITMAP)) {
            add(CF_DIB);
            add(CF_BITMAP);
        }
    } else {
        if (data->hasText()) {
            add(CF_UNICODETEXT);
            add(CF_TEXT);
            add(CF_OEMTEXT);
        }
        if (!imageType(data).isEmpty()) {
            add(CF_DIB);
            add(CF_BITMAP);
        }
        if (!localFiles(data, nullptr).empty()) {
            add(CF_HDROP);
            add(preferredDropEffectFormat());
        }
    }
    for (const QString& t : types)
        if (!formatOfPrivateMime(t) && !isInterchangeType(t)) add(registerName(t.toStdU16String()));
    return formats;
}

const std::vector<UINT>& desktopFormats() {
    State& s = state();
    if (s.foreignKnown) return s.foreignFormats;
    s.foreignKnown = true;
    s.foreignFormats = formatsOfMime(desktopData());
    return s.foreignFormats;
}

// The desktop's spelling of a type (registered names ignore case, MIME types do not).
QString offeredType(const QMimeData* data, const QString& type) {
    for (const QString& t : data->formats())
        if (t.compare(type, Qt::CaseInsensitive) == 0) return t;
    return {};
}

Bytes bytesOfMime(const QMimeData* data, UINT format) {
    if (!data) return {};
    auto privateBytes = [&](UINT f, Bytes& out) {
        const QString type = offeredType(data, QString::fromStdString(mimeOf(f)));
        if (type.isEmpty()) return false;
        const QByteArray b = data->data(type);
        out.assign(b.begin(), b.end());
        return true;
    };
    Bytes own;
    if (privateBytes(format, own)) return own;
    // Another of our processes: the sibling formats are made from its own blocks.
    if ((format == CF_DIB || format == CF_BITMAP) && privateBytes(format == CF_DIB ? CF_BITMAP : CF_DIB, own))
        return own;
    if (format == CF_UNICODETEXT || format == CF_TEXT || format == CF_OEMTEXT)
        for (UINT f : {CF_UNICODETEXT, CF_TEXT, CF_OEMTEXT})
            if (privateBytes(f, own)) {
                const std::u16string text = textOfBlock(own, f);
                return format == CF_UNICODETEXT ? unicodeTextBlock(text)
                                                : codePageTextBlock(text, format == CF_OEMTEXT ? CP_OEMCP : CP_ACP);
            }
    switch (format) {
    case CF_UNICODETEXT:
        return unicodeTextBlock(data->text().toStdU16String());
    case CF_TEXT:
        return codePageTextBlock(data->text().toStdU16String(), CP_ACP);
    case CF_OEMTEXT:
        return codePageTextBlock(data->text().toStdU16String(), CP_OEMCP);
    case CF_DIB:
    case CF_BITMAP: {
        const QString type = imageType(data);
        if (type.isEmpty()) return {};
        QImage image;
        if (type == QLatin1String("application/x-qt-image")) {
            image = qvariant_cast<QImage>(data->imageData());
        } else {
            image.loadFromData(data->data(type));
        }
        return dibOfImage(image);
    }
    case CF_HDROP: {
        std::vector<std::u16string> wide;
        for (const std::string& p : localFiles(data, nullptr)) wide.push_back(platform::fileNameToWide(p));
        return wide.empty() ? Bytes{} : dropFilesBlock(wide);
    }
    default:
        break;
    }
    if (format == preferredDropEffectFormat()) {
        bool cut = false;
        if (localFiles(data, &cut).empty()) return {};
        const DWORD effect = cut ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
        Bytes b(4);
        std::memcpy(b.data(), &effect, 4);
        return b;
    }
    if (std::u16string name; registeredName(format, &name)) {
        const QByteArray b = data->data(offeredType(data, QString::fromStdU16String(name)));
        return Bytes(b.begin(), b.end());
    }
    return {};
}

Bytes desktopBytes(UINT format) { return bytesOfMime(desktopData(), format); }

HANDLE desktopHandle(UINT format) {
    State& s = state();
    const std::vector<UINT>& all = desktopFormats();
    if (std::find(all.begin(), all.end(), format) == all.end()) return nullptr;
    auto it = s.foreignCache.find(format);
    if (it != s.foreignCache.end()) return it->second;
    HANDLE h = nullptr;
    const Bytes b = desktopBytes(format);
    if (!b.empty()) h = handleOfBytes(format, b);
    if (h) s.foreignCache[format] = h;
    return h;
}

// Our content whose turn it is (pending or shown on the desktop); null for the desktop's.
Content* ours() {
    State& s = state();
    if (!s.content) return nullptr;
    if (!s.content->published) return s.content.get();
    QClipboard* cb = connected();
    return cb && s.published && cb->mimeData(QClipboard::Clipboard) == s.published ? s.content.get() : nullptr;
}

std::vector<UINT> availableFormats() {
    if (Content* c = ours()) return formatsOf(*c);
    return desktopFormats();
}

// ---- Showing our content on the desktop --------------------------------------------------------

class ClipboardMime : public QMimeData {
public:
    explicit ClipboardMime(std::shared_ptr<Content> content) : content_(std::move(content)) {
        const std::vector<UINT> all = formatsOf(*content_);
        auto holds = [&](UINT f) { return std::find(all.begin(), all.end(), f) != all.end(); };
        for (const Entry& e : content_->entries)
            if (!e.synthesized) types_ << QString::fromStdString(mimeOf(e.format));
        if (holdsText(*content_)) types_ << QStringLiteral("text/plain") << QStringLiteral("text/plain;charset=utf-8");
        if (holds(CF_DIB)) types_ << QStringLiteral("image/png") << QStringLiteral("image/bmp");
        if (has(*content_, CF_HDROP)) {
            types_ << QString::fromLatin1(kUriList) << QString::fromLatin1(kGnomeFiles);
            if (cut()) types_ << QString::fromLatin1(kKdeCut);
        }
    }
    QStringList formats() const override { return types_; }
    bool hasFormat(const QString& type) const override { return types_.contains(type, Qt::CaseInsensitive); }

protected:
    QVariant retrieveData(const QString& type, QMetaType) const override {
        auto it = cache_.find(type);
        if (it == cache_.end()) it = cache_.emplace(type, make(type)).first;
        return it->second;
    }

private:
    bool cut() const {
        Entry* e = content_->find(preferredDropEffectFormat());
        const Bytes b = e ? bytesOf(entryHandle(*content_, e->format)) : Bytes{};
        DWORD effect = 0;
        if (b.size() >= 4) std::memcpy(&effect, b.data(), 4);
        return effect & DROPEFFECT_MOVE;
    }

    QByteArray make(const QString& type) const {
        Content& c = *content_;
        if (!hasFormat(type)) return {};
        auto bytes = [](const Bytes& b) { return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size())); };
        for (const Entry& e : c.entries)
            if (!e.synthesized && type.compare(QString::fromStdString(mimeOf(e.format)), Qt::CaseInsensitive) == 0)
                return bytes(bytesOfHandle(e.format, entryHandle(c, e.format)));
        if (type.startsWith(QLatin1String("text/plain"))) return QString::fromStdU16String(textOf(c)).toUtf8();
        if (type == QLatin1String("image/bmp")) return bytes(bmpFileOfDib(dibOf(c)));
        if (type == QLatin1String("image/png")) {
            const QImage image = imageOfDib(dibOf(c));
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            if (!image.isNull()) image.save(&buffer, "PNG");
            return png;
        }
        std::vector<std::u16string> paths;
        if (!pathsOfDropFiles(bytesOf(entryHandle(c, CF_HDROP)), paths)) return {};
        std::vector<std::string> raw;
        for (const std::u16string& p : paths) raw.push_back(platform::wideToFileName(p));
        const QByteArray uris = platform::uriListOf(raw);
        if (type == QLatin1String(kUriList)) return uris;
        if (type == QLatin1String(kKdeCut)) return "1";
        QByteArray gnome = cut() ? "cut" : "copy";
        for (const QByteArray& line : uris.split('\n'))
            if (!line.trimmed().isEmpty()) gnome += "\n" + line.trimmed();
        return gnome;
    }

    std::shared_ptr<Content> content_;
    QStringList types_;
    mutable std::map<QString, QByteArray> cache_;
};

void notifyViewers() {
    State& s = state();
    ++s.sequence;
    if (s.viewer && !IsWindow(s.viewer)) s.viewer = nullptr;
    if (s.viewer) SendMessageW(s.viewer, WM_DRAWCLIPBOARD, 0, 0);
    const std::vector<HWND> listeners = s.listeners;
    for (HWND w : listeners)
        if (IsWindow(w)) PostMessageW(w, WM_CLIPBOARDUPDATE, 0, 0);
}

void tellOwnerItIsGone(const std::shared_ptr<Content>& c) {
    if (c && c->owner && IsWindow(c->owner)) SendMessageW(c->owner, WM_DESTROYCLIPBOARD, 0, 0);
}

void onDesktopChanged(QClipboard::Mode mode) {
    if (mode != QClipboard::Clipboard) return;
    State& s = state();
    QClipboard* cb = desktop();
    if (cb && s.published && cb->mimeData(QClipboard::Clipboard) == s.published) return;  // our own
    if (s.content && s.content->published) {
        // Another program (or Qt itself) replaced what we showed.
        std::shared_ptr<Content> gone = std::move(s.content);
        s.content.reset();
        tellOwnerItIsGone(gone);
    }
    if (s.open)
        s.foreignStale = true;
    else
        forgetDesktop();
    notifyViewers();
}

// Our content for changing: a copy of the desktop's when the clipboard holds another
// program's data.
Content& contentForChange() {
    State& s = state();
    if (ours()) return *s.content;
    auto c = std::make_shared<Content>();
    c->owner = s.opener;
    for (UINT f : desktopFormats()) {
        if (f == CF_BITMAP || f == CF_UNICODETEXT || f == CF_TEXT || f == CF_OEMTEXT) continue;  // made again
        if (HANDLE h = desktopHandle(f)) c->entries.push_back(Entry{f, handleOfBytes(f, bytesOfHandle(f, h)), false});
    }
    if (const QMimeData* data = desktopData(); data && data->hasText()) {
        const Bytes b = unicodeTextBlock(data->text().toStdU16String());
        c->entries.push_back(Entry{CF_UNICODETEXT, platform::globalFromBytes(b.data(), b.size()), false});
    }
    c->entries.erase(std::remove_if(c->entries.begin(), c->entries.end(), [](const Entry& e) { return !e.handle; }),
                     c->entries.end());
    s.content = std::move(c);
    return *s.content;
}

bool fail(DWORD error) {
    SetLastError(error);
    return false;
}

}  // namespace

// ---- The calls --------------------------------------------------------------------------------

BOOL OpenClipboard(HWND owner) {
    State& s = state();
    if (!connected()) return fail(ERROR_ACCESS_DENIED);
    if (owner && !IsWindow(owner)) return fail(ERROR_INVALID_WINDOW_HANDLE);
    if (s.open) return s.opener == owner ? TRUE : fail(ERROR_ACCESS_DENIED);
    s.open = true;
    s.opener = owner;
    s.changed = false;
    return TRUE;
}

BOOL CloseClipboard() {
    State& s = state();
    QClipboard* cb = connected();
    if (!s.open || !cb) return fail(ERROR_CLIPBOARD_NOT_OPEN);
    s.open = false;
    s.opener = nullptr;
    if (s.foreignStale) forgetDesktop();
    if (!s.changed || !s.content) return TRUE;
    s.changed = false;
    s.content->published = true;
    auto* mime = new ClipboardMime(s.content);
    s.published = mime;
    cb->setMimeData(mime, QClipboard::Clipboard);
    forgetDesktop();
    notifyViewers();
    return TRUE;
}

BOOL EmptyClipboard() {
    State& s = state();
    if (!s.open) return fail(ERROR_CLIPBOARD_NOT_OPEN);
    std::shared_ptr<Content> old = ours() ? s.content : nullptr;
    auto fresh = std::make_shared<Content>();
    fresh->owner = s.opener;
    s.content = fresh;
    s.changed = true;
    tellOwnerItIsGone(old);
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
    State& s = state();
    if (!connected()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    const bool rendering = s.rendering && s.rendering == s.content.get();
    if (!s.open && !rendering) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return nullptr;
    }
    if (format == 0 || (data && !isHandleFormat(format) && (GlobalFlags(data) & GMEM_INVALID_HANDLE))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Content& c = rendering ? *s.rendering : contentForChange();
    if (!data && !c.owner) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // A format set again replaces the old data in its place; what was made from other formats
    // goes, to be made again from the new data.
    if (!rendering)
        c.entries.erase(std::remove_if(c.entries.begin(), c.entries.end(),
                                       [&](const Entry& e) {
                                           if (!e.synthesized || e.format == format) return false;
                                           if (e.handle) destroyHandle(e.format, e.handle);
                                           return true;
                                       }),
                        c.entries.end());
    if (Entry* e = c.find(format)) {
        if (e->handle && e->handle != data) destroyHandle(e->format, e->handle);
        e->handle = data;
        e->synthesized = false;
    } else {
        c.entries.push_back(Entry{format, data, false});
    }
    if (!rendering) s.changed = true;
    SetLastError(NO_ERROR);
    return data;
}

HANDLE GetClipboardData(UINT format) {
    State& s = state();
    if (!s.open) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return nullptr;
    }
    HANDLE h = nullptr;
    if (Content* c = ours())
        h = dataOf(*c, format);
    else
        h = desktopHandle(format);
    if (!h) SetLastError(ERROR_FILE_NOT_FOUND);
    return h;
}

BOOL IsClipboardFormatAvailable(UINT format) {
    if (!connected()) return FALSE;
    const std::vector<UINT> all = availableFormats();
    return std::find(all.begin(), all.end(), format) != all.end();
}

int CountClipboardFormats() {
    if (!connected()) return 0;
    return static_cast<int>(availableFormats().size());
}

UINT EnumClipboardFormats(UINT format) {
    if (!state().open) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return 0;
    }
    const std::vector<UINT> all = availableFormats();
    SetLastError(NO_ERROR);
    if (format == 0) return all.empty() ? 0 : all.front();
    auto it = std::find(all.begin(), all.end(), format);
    return it == all.end() || it + 1 == all.end() ? 0 : *(it + 1);
}

int GetPriorityClipboardFormat(UINT* formats, int count) {
    if (!connected()) return 0;
    const std::vector<UINT> all = availableFormats();
    if (all.empty()) return 0;
    for (int i = 0; formats && i < count; ++i)
        if (std::find(all.begin(), all.end(), formats[i]) != all.end()) return static_cast<int>(formats[i]);
    return -1;
}

UINT RegisterClipboardFormatA(LPCSTR name) {
    return RegisterClipboardFormatW(name ? platform::ansiToWide(name).c_str() : nullptr);
}

UINT RegisterClipboardFormatW(LPCWSTR name) {
    const UINT f = name ? registerName(name) : 0;
    if (!f) SetLastError(ERROR_INVALID_PARAMETER);
    return f;
}

int GetClipboardFormatNameW(UINT format, LPWSTR buffer, int size) {
    std::u16string name;
    if (!registeredName(format, &name) || !buffer || size <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int n = std::min<int>(static_cast<int>(name.size()), size - 1);
    std::copy_n(name.begin(), n, buffer);
    buffer[n] = 0;
    return n;
}

int GetClipboardFormatNameA(UINT format, LPSTR buffer, int size) {
    std::u16string wide;
    if (!registeredName(format, &wide) || !buffer || size <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string name = platform::wideToAnsi(wide);
    // Never cut a character of the code page in two.
    while (static_cast<int>(name.size()) > size - 1) {
        const char* last = CharPrevA(name.c_str(), name.c_str() + name.size());
        name.resize(static_cast<std::size_t>(last - name.c_str()));
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    return static_cast<int>(name.size());
}

HWND GetClipboardOwner() {
    Content* c = connected() ? ours() : nullptr;
    return c && c->owner && IsWindow(c->owner) ? c->owner : nullptr;
}

HWND GetOpenClipboardWindow() { return state().open ? state().opener : nullptr; }

DWORD GetClipboardSequenceNumber() { return state().sequence; }

HWND SetClipboardViewer(HWND viewer) {
    State& s = state();
    if (!connected() || !IsWindow(viewer)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    HWND next = s.viewer && IsWindow(s.viewer) ? s.viewer : nullptr;
    s.viewer = viewer;
    SendMessageW(viewer, WM_DRAWCLIPBOARD, 0, 0);
    return next;
}

HWND GetClipboardViewer() {
    State& s = state();
    return s.viewer && IsWindow(s.viewer) ? s.viewer : nullptr;
}

BOOL ChangeClipboardChain(HWND remove, HWND next) {
    State& s = state();
    if (!remove) return fail(ERROR_INVALID_WINDOW_HANDLE);
    if (s.viewer == remove) {
        s.viewer = next && IsWindow(next) ? next : nullptr;
        return TRUE;
    }
    if (!s.viewer || !IsWindow(s.viewer)) return FALSE;
    return SendMessageW(s.viewer, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(remove), reinterpret_cast<LPARAM>(next))
               ? TRUE
               : FALSE;
}

BOOL AddClipboardFormatListener(HWND listener) {
    State& s = state();
    if (!connected() || !IsWindow(listener)) return fail(ERROR_INVALID_WINDOW_HANDLE);
    if (std::find(s.listeners.begin(), s.listeners.end(), listener) == s.listeners.end()) s.listeners.push_back(listener);
    return TRUE;
}

BOOL RemoveClipboardFormatListener(HWND listener) {
    State& s = state();
    auto it = std::find(s.listeners.begin(), s.listeners.end(), listener);
    if (it == s.listeners.end()) return fail(ERROR_INVALID_PARAMETER);
    s.listeners.erase(it);
    return TRUE;
}

namespace platform {

void registerClipboardHandleFormat(UINT format, ClipboardHandleFormat handlers) {
    State& s = state();
    registerBuiltInHandleFormats(s);
    s.handleFormats[format] = std::move(handlers);
}

std::string clipboardMimeType(UINT format) { return mimeOf(format); }

bool packedDibLayout(const void* dib, std::size_t size, std::size_t* bitsOffset) {
    const auto* p = static_cast<const unsigned char*>(dib);
    std::size_t at = 0;
    const bool ok = p && dibBitsOffset(Bytes(p, p + std::min<std::size_t>(size, 8192)), size, at);
    if (ok && bitsOffset) *bitsOffset = at;
    return ok;
}

std::vector<unsigned char> packedDibOfBitmap(HBITMAP bitmap) { return dibOfBitmap(bitmap); }

}  // namespace platform

namespace platform::clip {

std::string mimeTypeOfFormat(UINT format) { return mimeOf(format); }
std::vector<UINT> formatsOfMimeData(const QMimeData* data) { return formatsOfMime(data); }
Bytes bytesOfMimeData(const QMimeData* data, UINT format) { return bytesOfMime(data, format); }

}  // namespace platform::clip
