// Drag and drop over Qt's: drop targets watch their window's widget for Qt's drag events,
// DoDragDrop runs a QDrag, and data objects are turned into the desktop's data and back
// with the clipboard's conversions.
#include "ClipboardData.h"
#include "WindowImpl.h"
#include "platform/codepage.h"
#include "platform/dragdrop.h"
#include "platform/shellapi.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QBuffer>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHash>
#include <QKeyEvent>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <map>

using namespace platform::clip;

namespace {

// ---- data objects ----

class BlockDataObject : public IDataObject {
public:
    HRESULT GetData(UINT format, HGLOBAL* block) override {
        if (!block) return E_POINTER;
        *block = nullptr;
        auto it = find(format);
        if (it == blocks_.end()) return DV_E_FORMATETC;
        *block = platform::globalFromBytes(it->second.data(), it->second.size());
        return *block ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT QueryGetData(UINT format) override { return find(format) != blocks_.end() ? S_OK : S_FALSE; }
    HRESULT EnumFormats(std::vector<UINT>* formats) override {
        if (!formats) return E_POINTER;
        formats->clear();
        for (const auto& b : blocks_) formats->push_back(b.first);
        return S_OK;
    }
    HRESULT SetData(UINT format, HGLOBAL block, BOOL release) override {
        if (!format || !block) return E_INVALIDARG;
        const SIZE_T size = GlobalSize(block);
        if (!size) return E_INVALIDARG;
        Bytes bytes = bytesOf(block);
        if (bytes.size() != size) return E_INVALIDARG;
        if (release) GlobalFree(block);
        auto it = find(format);
        if (it != blocks_.end()) it->second = std::move(bytes);
        else blocks_.emplace_back(format, std::move(bytes));
        return S_OK;
    }

private:
    std::vector<std::pair<UINT, Bytes>>::iterator find(UINT format) {
        return std::find_if(blocks_.begin(), blocks_.end(), [format](const auto& b) { return b.first == format; });
    }
    std::vector<std::pair<UINT, Bytes>> blocks_;
};

// The desktop's data of a drag: read while it lives (a drop event's data goes with it).
class MimeDataObject : public IDataObject {
public:
    explicit MimeDataObject(const QMimeData* data) : data_(data) {
        if (data) formats_ = formatsOfMimeData(data);
    }
    HRESULT GetData(UINT format, HGLOBAL* block) override {
        if (!block) return E_POINTER;
        *block = nullptr;
        if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
        const Bytes b = bytesOfMimeData(data_, format);
        if (b.empty()) return DV_E_FORMATETC;
        *block = platform::globalFromBytes(b.data(), b.size());
        return *block ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT QueryGetData(UINT format) override {
        if (!data_) return S_FALSE;
        return std::find(formats_.begin(), formats_.end(), format) != formats_.end() ? S_OK : S_FALSE;
    }
    HRESULT EnumFormats(std::vector<UINT>* formats) override {
        if (!formats) return E_POINTER;
        *formats = data_ ? formats_ : std::vector<UINT>{};
        return S_OK;
    }
    HRESULT SetData(UINT, HGLOBAL, BOOL) override { return E_NOTIMPL; }

private:
    QPointer<const QMimeData> data_;
    std::vector<UINT> formats_;
};

Bytes blockOf(const std::shared_ptr<IDataObject>& data, UINT format) {
    HGLOBAL block = nullptr;
    if (!data || data->GetData(format, &block) != S_OK || !block) return {};
    Bytes b = bytesOf(block);
    GlobalFree(block);
    return b;
}

QByteArray qbytes(const Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

// The desktop's view of a data object, made when a type is asked for.
class DataObjectMime : public QMimeData {
public:
    explicit DataObjectMime(std::shared_ptr<IDataObject> data) : data_(std::move(data)) {
        std::vector<UINT> formats;
        if (data_) data_->EnumFormats(&formats);
        auto holds = [&](UINT f) { return std::find(formats.begin(), formats.end(), f) != formats.end(); };
        for (UINT f : formats) types_ << QString::fromStdString(mimeTypeOfFormat(f));
        if (holds(CF_HDROP)) types_ << QStringLiteral("text/uri-list");
        if (holds(CF_UNICODETEXT) || holds(CF_TEXT))
            types_ << QStringLiteral("text/plain;charset=utf-8") << QStringLiteral("text/plain");
        if (holds(CF_DIB)) types_ << QStringLiteral("image/png");
    }
    QStringList formats() const override { return types_; }
    bool hasFormat(const QString& type) const override { return types_.contains(type, Qt::CaseInsensitive); }
    std::shared_ptr<IDataObject> source() const { return data_; }

protected:
    QVariant retrieveData(const QString& type, QMetaType) const override {
        if (!hasFormat(type)) return {};
        if (type.compare(QLatin1String("text/uri-list"), Qt::CaseInsensitive) == 0) {
            std::vector<std::u16string> paths;
            if (!pathsOfDropFiles(blockOf(data_, CF_HDROP), paths)) return QByteArray();
            std::vector<std::string> raw;
            for (const std::u16string& p : paths) raw.push_back(platform::wideToFileName(p));
            return platform::uriListOf(raw);
        }
        if (type.startsWith(QLatin1String("text/plain"), Qt::CaseInsensitive)) {
            const bool wide = data_->QueryGetData(CF_UNICODETEXT) == S_OK;
            const UINT f = wide ? CF_UNICODETEXT : CF_TEXT;
            return QString::fromStdU16String(textOfBlock(blockOf(data_, f), f)).toUtf8();
        }
        if (type.compare(QLatin1String("image/png"), Qt::CaseInsensitive) == 0) {
            const QImage image = imageOfDib(blockOf(data_, CF_DIB));
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            if (!image.isNull()) image.save(&buffer, "PNG");
            return png;
        }
        std::vector<UINT> formats;
        data_->EnumFormats(&formats);
        for (UINT f : formats)
            if (type.compare(QString::fromStdString(mimeTypeOfFormat(f)), Qt::CaseInsensitive) == 0)
                return qbytes(blockOf(data_, f));
        return {};
    }

private:
    std::shared_ptr<IDataObject> data_;
    QStringList types_;
};

// ---- effects ----

Qt::DropActions actionsOf(DWORD effects) {
    Qt::DropActions a;
    if (effects & DROPEFFECT_COPY) a |= Qt::CopyAction;
    if (effects & DROPEFFECT_MOVE) a |= Qt::MoveAction;
    if (effects & DROPEFFECT_LINK) a |= Qt::LinkAction;
    return a;
}

DWORD effectsOf(Qt::DropActions a) {
    DWORD e = DROPEFFECT_NONE;
    if (a & Qt::CopyAction) e |= DROPEFFECT_COPY;
    if (a & Qt::MoveAction) e |= DROPEFFECT_MOVE;
    if (a & Qt::LinkAction) e |= DROPEFFECT_LINK;
    return e;
}

// One effect of those allowed: the first of move, copy, link.
Qt::DropAction actionOf(DWORD effect) {
    if (effect & DROPEFFECT_MOVE) return Qt::MoveAction;
    if (effect & DROPEFFECT_COPY) return Qt::CopyAction;
    if (effect & DROPEFFECT_LINK) return Qt::LinkAction;
    return Qt::IgnoreAction;
}

DWORD keyStateOf(Qt::MouseButtons b, Qt::KeyboardModifiers m) {
    DWORD k = 0;
    if (b & Qt::LeftButton) k |= MK_LBUTTON;
    if (b & Qt::RightButton) k |= MK_RBUTTON;
    if (b & Qt::MiddleButton) k |= MK_MBUTTON;
    if (m & Qt::ShiftModifier) k |= MK_SHIFT;
    if (m & Qt::ControlModifier) k |= MK_CONTROL;
    if (m & Qt::AltModifier) k |= MK_ALT;
    return k;
}

// ---- drop targets ----

struct Registration {
    std::shared_ptr<IDropTarget> target;
    std::vector<QPointer<QWidget>> widgets;
    bool inside = false;
    std::shared_ptr<IDataObject> data;  // of the drag over the window
    QMetaObject::Connection destroyed;
};

std::map<HWND, Registration>& registrations() {
    static std::map<HWND, Registration> r;
    // A destroyed window's registration goes (its widget may outlive it for a while).
    for (auto it = r.begin(); it != r.end();) it = IsWindow(it->first) ? std::next(it) : r.erase(it);
    return r;
}

class DropFilter : public QObject {
public:
    bool eventFilter(QObject* obj, QEvent* e) override {
        switch (e->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::DragLeave:
        case QEvent::Drop: break;
        default: return false;
        }
        const HWND h = windowOf(obj);
        auto it = registrations().find(h);
        if (it == registrations().end()) return false;
        // Kept: the target may revoke itself while it answers.
        std::shared_ptr<IDropTarget> target = it->second.target;
        Registration& reg = it->second;
        if (e->type() == QEvent::DragLeave) {
            if (reg.inside) {
                reg.inside = false;
                reg.data.reset();
                target->DragLeave();
            }
            e->accept();
            return true;
        }
        auto* de = static_cast<QDropEvent*>(e);
        const QPoint g = static_cast<QWidget*>(obj)->mapToGlobal(de->position().toPoint());
        const POINT pt{g.x(), g.y()};
        const DWORD keys = keyStateOf(de->buttons(), de->modifiers());
        DWORD effect = effectsOf(de->possibleActions());
        HRESULT hr = S_OK;
        std::shared_ptr<IDataObject> data;
        if (e->type() == QEvent::DragEnter || !reg.inside) {
            data = platform::dataObjectOfMime(de->mimeData());
            reg.data = data;
            reg.inside = true;
            hr = target->DragEnter(data, keys, pt, &effect);
            if (e->type() == QEvent::Drop && SUCCEEDED(hr)) {
                effect = effectsOf(de->possibleActions());
                hr = target->Drop(data, keys, pt, &effect);
            }
        } else if (e->type() == QEvent::DragMove) {
            hr = target->DragOver(keys, pt, &effect);
        } else {
            // The drop's own data: another program's data is fetched while the drop lasts.
            data = platform::dataObjectOfMime(de->mimeData());
            hr = target->Drop(data, keys, pt, &effect);
        }
        if (e->type() == QEvent::Drop) {
            auto again = registrations().find(h);
            if (again != registrations().end()) {
                again->second.inside = false;
                again->second.data.reset();
            }
        }
        effect &= effectsOf(de->possibleActions());
        const Qt::DropAction action = SUCCEEDED(hr) ? actionOf(effect) : Qt::IgnoreAction;
        // Qt sends no leave after a refused enter (it asks again with the next move): the
        // target hears of the leave now.
        if (action == Qt::IgnoreAction && e->type() == QEvent::DragEnter) {
            auto again = registrations().find(h);
            if (again != registrations().end() && again->second.inside) {
                again->second.inside = false;
                again->second.data.reset();
                target->DragLeave();
            }
        }
        if (action == Qt::IgnoreAction) {
            de->setDropAction(Qt::IgnoreAction);
            de->ignore();
        } else {
            de->setDropAction(action);
            de->accept();
        }
        return true;
    }

private:
    static HWND windowOf(QObject* obj) {
        for (auto& [h, reg] : registrations())
            for (const QPointer<QWidget>& w : reg.widgets)
                if (w == obj) return h;
        return nullptr;
    }
};

DropFilter* dropFilter() {
    static auto* f = new DropFilter;
    return f;
}

// The widgets of a window that Qt delivers drags to: the window's own and a scroll area's
// viewport.
std::vector<QWidget*> dropWidgets(HWND wnd) {
    std::vector<QWidget*> out;
    QWidget* w = platform::windowWidget(wnd);
    if (!w) return out;
    out.push_back(w);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) out.push_back(area->viewport());
    return out;
}

// ---- the drag of DoDragDrop ----

// Asks the source on every key and button change; Escape ends the drag.
class SourceWatch : public QObject {
public:
    SourceWatch(std::shared_ptr<IDropSource> source) : source_(std::move(source)) { qApp->installEventFilter(this); }
    ~SourceWatch() override { qApp->removeEventFilter(this); }
    bool cancelled = false;

    bool eventFilter(QObject*, QEvent* e) override {
        bool escape = false;
        switch (e->type()) {
        case QEvent::KeyPress: escape = static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape; break;
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease: break;
        default: return false;
        }
        ask(escape, QGuiApplication::mouseButtons(), QGuiApplication::keyboardModifiers());
        return false;
    }
    void ask(bool escape, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
        if (cancelled || !source_) return;
        if (source_->QueryContinueDrag(escape ? TRUE : FALSE, keyStateOf(buttons, mods)) == DRAGDROP_S_CANCEL ||
            escape) {
            cancelled = true;
            QDrag::cancel();
        }
    }

private:
    std::shared_ptr<IDropSource> source_;
};

int& oleInitCount() {
    thread_local int count = 0;
    return count;
}

// WM_DROPFILES for windows that accept files.
class FileDropTarget : public IDropTarget {
public:
    explicit FileDropTarget(HWND wnd) : wnd_(wnd) {}
    HRESULT DragEnter(const std::shared_ptr<IDataObject>& data, DWORD, POINT, DWORD* effect) override {
        files_ = data && data->QueryGetData(CF_HDROP) == S_OK;
        return answer(effect);
    }
    HRESULT DragOver(DWORD, POINT, DWORD* effect) override { return answer(effect); }
    HRESULT DragLeave() override {
        files_ = false;
        return S_OK;
    }
    HRESULT Drop(const std::shared_ptr<IDataObject>& data, DWORD, POINT, DWORD* effect) override {
        std::vector<std::u16string> paths;
        if (!pathsOfDropFiles(blockOf(data, CF_HDROP), paths) || paths.empty()) {
            *effect = DROPEFFECT_NONE;
            return S_OK;
        }
        *effect = DROPEFFECT_COPY & *effect ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        if (*effect == DROPEFFECT_NONE) return S_OK;
        HDROP drop = platform::createDrop(paths);
        SendMessageW(wnd_, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
        return S_OK;
    }

private:
    HRESULT answer(DWORD* effect) {
        *effect = files_ && (*effect & DROPEFFECT_COPY) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }
    HWND wnd_;
    bool files_ = false;
};

}  // namespace

HRESULT OleInitialize(void*) { return oleInitCount()++ == 0 ? S_OK : S_FALSE; }

void OleUninitialize() {
    if (oleInitCount() > 0) --oleInitCount();
}

HRESULT RegisterDragDrop(HWND wnd, std::shared_ptr<IDropTarget> target) {
    if (!target) return E_INVALIDARG;
    const std::vector<QWidget*> widgets = dropWidgets(wnd);
    if (!IsWindow(wnd) || widgets.empty()) return DRAGDROP_E_INVALIDHWND;
    auto& regs = registrations();
    if (regs.count(wnd)) return DRAGDROP_E_ALREADYREGISTERED;
    Registration reg;
    reg.target = std::move(target);
    for (QWidget* w : widgets) {
        w->setAcceptDrops(true);
        w->installEventFilter(dropFilter());
        reg.widgets.emplace_back(w);
    }
    // A destroyed window takes its registration with it.
    reg.destroyed =
        QObject::connect(widgets.front(), &QObject::destroyed, dropFilter(), [wnd] { registrations().erase(wnd); });
    regs.emplace(wnd, std::move(reg));
    return S_OK;
}

HRESULT RevokeDragDrop(HWND wnd) {
    auto& regs = registrations();
    auto it = regs.find(wnd);
    if (it == regs.end()) return DRAGDROP_E_NOTREGISTERED;
    QObject::disconnect(it->second.destroyed);
    for (const QPointer<QWidget>& w : it->second.widgets)
        if (w) {
            w->removeEventFilter(dropFilter());
            w->setAcceptDrops(false);
        }
    regs.erase(it);
    return S_OK;
}

HRESULT DoDragDrop(std::shared_ptr<IDataObject> data, std::shared_ptr<IDropSource> source, DWORD okEffects,
                   DWORD* effect) {
    if (!data || !source || !effect) return E_INVALIDARG;
    *effect = DROPEFFECT_NONE;
    const Qt::DropActions allowed = actionsOf(okEffects);
    if (!allowed || !qApp) return E_INVALIDARG;
    // The drag belongs to the window that has the mouse or the focus.
    QObject* owner = nullptr;
    if (HWND cap = GetCapture()) owner = platform::windowWidget(cap);
    if (!owner && GetFocus()) owner = platform::windowWidget(GetFocus());
    if (!owner) owner = QApplication::activeWindow();
    if (!owner) owner = qApp;
    // The mouse capture of the program's windows ends: the desktop tracks the drag.
    if (GetCapture()) ReleaseCapture();
    SourceWatch watch(source);
    // A source that ends the drag before it starts.
    watch.ask(false, QGuiApplication::mouseButtons(), QGuiApplication::keyboardModifiers());
    if (watch.cancelled) return DRAGDROP_S_CANCEL;
    QPointer<QDrag> drag = new QDrag(owner);
    drag->setMimeData(new DataObjectMime(data));
    QObject::connect(drag, &QDrag::actionChanged, drag, [source](Qt::DropAction a) {
        source->GiveFeedback(a == Qt::IgnoreAction ? DROPEFFECT_NONE : effectsOf(a));
    });
    const Qt::DropAction preferred = (allowed & Qt::MoveAction) && !(QGuiApplication::keyboardModifiers() & Qt::ControlModifier)
                                         ? Qt::MoveAction
                                         : (allowed & Qt::CopyAction ? Qt::CopyAction : actionOf(okEffects));
    const Qt::DropAction done = drag->exec(allowed, preferred);
    // Another program fetches the data after the drop: the drag and its data stay until the
    // next drag or for a while.
    static QPointer<QDrag> previous;
    if (previous && previous != drag) delete previous.data();
    previous = drag;
    if (drag) QTimer::singleShot(30000, drag, &QObject::deleteLater);
    if (watch.cancelled || done == Qt::IgnoreAction) return DRAGDROP_S_CANCEL;
    *effect = effectsOf(done) & okEffects;
    return DRAGDROP_S_DROP;
}

void DragAcceptFiles(HWND wnd, BOOL accept) {
    if (!accept) {
        auto it = registrations().find(wnd);
        if (it != registrations().end() && std::dynamic_pointer_cast<FileDropTarget>(it->second.target))
            RevokeDragDrop(wnd);
        return;
    }
    if (!registrations().count(wnd)) RegisterDragDrop(wnd, std::make_shared<FileDropTarget>(wnd));
}

namespace platform {

std::shared_ptr<IDataObject> createDataObject() { return std::make_shared<BlockDataObject>(); }

std::shared_ptr<IDataObject> dataObjectOfMime(const QMimeData* data) {
    // Our own drag in this process: the object itself.
    if (auto* own = dynamic_cast<const DataObjectMime*>(data)) return own->source();
    return std::make_shared<MimeDataObject>(data);
}

QMimeData* mimeOfDataObject(const std::shared_ptr<IDataObject>& data) { return new DataObjectMime(data); }

std::shared_ptr<IDropTarget> dropTargetOf(HWND wnd) {
    auto it = registrations().find(wnd);
    return it == registrations().end() ? nullptr : it->second.target;
}

}  // namespace platform
