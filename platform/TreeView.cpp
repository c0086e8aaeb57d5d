// The tree view: items in a hierarchy drawn row by row with lines, buttons, state images,
// images (with overlays) and texts; expansion, selection, label editing in an edit window
// of its own, hit tests, sorting and the notifications of all of them in both text forms.
#include "CommonControlImpl.h"
#include "CustomDraw.h"
#include "ImageListImpl.h"
#include "platform/codepage.h"
#include "platform/commctrl.h"

#include <QAbstractScrollArea>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>

#include <algorithm>
#include <cstring>
#include <map>
#include <unordered_set>

namespace platform::win {
namespace {

constexpr UINT_PTR kEditTimer = 0x7E01;

QColor qcolourOf(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

struct Item {
    Item* parent = nullptr;
    std::vector<std::unique_ptr<Item>> kids;
    std::u16string text;
    bool textCallback = false;
    std::u16string lastShown;  // the parent's last answer for a callback text
    int image = 0;
    int selImage = 0;
    UINT state = 0;  // TVIS_* without TVIS_SELECTED of the caret
    int children = 0;  // cChildren: 0, 1 or I_CHILDRENCALLBACK
    LPARAM param = 0;
};

HTREEITEM handleOf(const Item* i) { return reinterpret_cast<HTREEITEM>(const_cast<Item*>(i)); }

// What an item shows, with the parent's answers for callback fields.
struct Shown {
    std::u16string text;
    int image = 0;
    int selImage = 0;
    bool hasChildren = false;
};

class TreeControl;

class TreeWidget : public QAbstractScrollArea {
public:
    explicit TreeWidget(TreeControl* c) : control_(c) {
        setFrameShape(QFrame::NoFrame);
        viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
        viewport()->setMouseTracking(true);
    }
    void forget() { control_ = nullptr; }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int, int) override { viewport()->update(); }

private:
    TreeControl* control_;
};

class TreeControl : public Control {
public:
    TreeControl(HWND h, DWORD style) : handle_(h), style_(style) {
        widget_ = new TreeWidget(this);
        root_.state = TVIS_EXPANDED;
    }
    ~TreeControl() override {
        endEdit(true);
        if (widget_) widget_->forget();
        liveEdits().erase(edit_);
    }

    QWidget* widget() const { return widget_; }
    std::vector<QWidget*> eventWidgets() override { return {widget_->viewport()}; }
    std::u16string text() const override { return text_; }
    void setText(const std::u16string& t) override { text_ = t; }
    void styleChanged() override {
        if (Window* w = find(handle_)) style_ = w->style;
        changed();
    }

    bool message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) override;
    void paint(QPainter& p);
    void layoutScroll();

private:
    // ---- Items ----------------------------------------------------------------------------
    Item* item(LPARAM h) const {
        auto* i = reinterpret_cast<Item*>(h);
        return live_.count(i) ? i : nullptr;
    }
    Item* item(HTREEITEM h) const { return item(reinterpret_cast<LPARAM>(h)); }
    Item* parentArg(HTREEITEM h) {
        if (!h || h == TVI_ROOT) return &root_;
        return item(h);
    }
    int indexIn(const Item* i) const {
        const auto& k = i->parent->kids;
        for (std::size_t n = 0; n < k.size(); ++n)
            if (k[n].get() == i) return static_cast<int>(n);
        return -1;
    }
    Item* sibling(const Item* i, int delta) const {
        const int at = indexIn(i) + delta;
        if (at < 0 || at >= static_cast<int>(i->parent->kids.size())) return nullptr;
        return i->parent->kids[static_cast<std::size_t>(at)].get();
    }
    int level(const Item* i) const {
        int l = 0;
        for (const Item* p = i->parent; p && p != &root_; p = p->parent) ++l;
        return l;
    }
    bool expanded(const Item* i) const { return (i->state & TVIS_EXPANDED) != 0; }
    bool selected(const Item* i) const { return i == caret_ || (i->state & TVIS_SELECTED); }
    bool unicode() const { return unicodeNotify_; }

    Shown shown(Item* i, UINT want = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN);
    bool hasChildren(Item* i) { return !i->kids.empty() || shown(i, TVIF_CHILDREN).hasChildren; }

    const std::vector<Item*>& rows() {
        if (rowsValid_) return rows_;
        rows_.clear();
        rowOf_.clear();
        std::vector<Item*> stack;
        for (auto it = root_.kids.rbegin(); it != root_.kids.rend(); ++it) stack.push_back(it->get());
        while (!stack.empty()) {
            Item* i = stack.back();
            stack.pop_back();
            rowOf_[i] = static_cast<int>(rows_.size());
            rows_.push_back(i);
            if (expanded(i))
                for (auto it = i->kids.rbegin(); it != i->kids.rend(); ++it) stack.push_back(it->get());
        }
        rowsValid_ = true;
        return rows_;
    }
    int rowOf(Item* i) {
        rows();
        auto it = rowOf_.find(i);
        return it == rowOf_.end() ? -1 : it->second;
    }
    // The tree changed: rows, scroll bars and the picture.
    void changed() {
        rowsValid_ = false;
        layoutScroll();
        if (widget_) widget_->viewport()->update();
    }
    void repaint() {
        if (widget_) widget_->viewport()->update();
    }

    // ---- Geometry -------------------------------------------------------------------------
    int itemHeight() const {
        if (fixedHeight_ > 0) return fixedHeight_;
        int h = QFontMetrics(widget_->font()).height() + 3;
        int cx = 0, cy = 0;
        if (images_ && ImageList_GetIconSize(images_, &cx, &cy)) h = std::max(h, cy + 1);
        if (stateImages_ && ImageList_GetIconSize(stateImages_, &cx, &cy)) h = std::max(h, cy + 1);
        return h;
    }
    int topRow() const { return widget_->verticalScrollBar()->value(); }
    int xOffset() const { return widget_->horizontalScrollBar()->value(); }
    int viewWidth() const { return widget_->viewport()->width(); }
    int viewHeight() const { return widget_->viewport()->height(); }
    int fullRows() const { return std::max(1, viewHeight() / itemHeight()); }
    bool rootLines() const { return (style_ & TVS_LINESATROOT) && (style_ & (TVS_HASLINES | TVS_HASBUTTONS)); }
    QSize iconSize(HIMAGELIST l) const {
        int cx = 0, cy = 0;
        if (l && ImageList_GetIconSize(l, &cx, &cy)) return QSize(cx, cy);
        return QSize();
    }
    bool checkBoxes() const { return (style_ & TVS_CHECKBOXES) && !stateImages_; }
    int stateWidth() const {
        if (stateImages_) return iconSize(stateImages_).width();
        return checkBoxes() ? 16 : 0;
    }
    // The parts of a row at the item's level, in client coordinates.
    struct Parts {
        QRect row, button, state, icon, label;
    };
    Parts parts(Item* i, int row) {
        Parts p;
        const int h = itemHeight();
        const int y = (row - topRow()) * h;
        p.row = QRect(0, y, viewWidth(), h);
        const int column = level(i) + (rootLines() ? 1 : 0);
        int x = column * indent_ - xOffset();
        if (column > 0) p.button = QRect(x - indent_, y, indent_, h);
        if (const int sw = stateWidth()) {
            p.state = QRect(x, y, sw, h);
            x += sw;
        }
        if (images_) {
            const int iw = iconSize(images_).width();
            p.icon = QRect(x, y, iw, h);
            x += iw + 3;
        }
        const QString t = toQt(shown(i, TVIF_TEXT).text);
        QFont f = widget_->font();
        if (i->state & TVIS_BOLD) f.setBold(true);
        p.label = QRect(x, y, QFontMetrics(f).horizontalAdvance(t) + 4, h);
        return p;
    }
    Item* itemAtRow(int row) {
        const auto& r = rows();
        return row >= 0 && row < static_cast<int>(r.size()) ? r[static_cast<std::size_t>(row)] : nullptr;
    }
    Item* hitTest(QPoint pt, UINT& flags) {
        flags = 0;
        if (pt.x() < 0) flags |= TVHT_TOLEFT;
        if (pt.x() >= viewWidth()) flags |= TVHT_TORIGHT;
        if (pt.y() < 0) flags |= TVHT_ABOVE;
        if (pt.y() >= viewHeight()) flags |= TVHT_BELOW;
        if (flags) return nullptr;
        const int row = topRow() + pt.y() / itemHeight();
        Item* i = itemAtRow(row);
        if (!i) {
            flags = TVHT_NOWHERE;
            return nullptr;
        }
        const Parts p = parts(i, row);
        if (p.button.contains(pt) && hasChildren(i) && (style_ & TVS_HASBUTTONS)) flags = TVHT_ONITEMBUTTON;
        else if (p.state.contains(pt)) flags = TVHT_ONITEMSTATEICON;
        else if (p.icon.contains(pt)) flags = TVHT_ONITEMICON;
        else if (p.label.contains(pt)) flags = TVHT_ONITEMLABEL;
        else if (pt.x() < (p.state.isValid() ? p.state : p.icon.isValid() ? p.icon : p.label).left()) flags = TVHT_ONITEMINDENT;
        else flags = TVHT_ONITEMRIGHT;
        return i;
    }
    bool onItem(UINT flags) const {
        if (flags & TVHT_ONITEM) return true;
        return (style_ & TVS_FULLROWSELECT) && (flags & (TVHT_ONITEMINDENT | TVHT_ONITEMRIGHT));
    }

    // ---- Notifications --------------------------------------------------------------------
    UINT_PTR id() const {
        Window* w = find(handle_);
        return w ? static_cast<UINT_PTR>(w->id) : 0;
    }
    LRESULT send(NMHDR& h, UINT codeA, UINT codeW) {
        h.hwndFrom = handle_;
        h.idFrom = id();
        h.code = unicode() ? codeW : codeA;
        return sendToParent(handle_, WM_NOTIFY, h.idFrom, reinterpret_cast<LPARAM>(&h));
    }
    LRESULT notifyCode(UINT code) {
        NMHDR h{};
        h.hwndFrom = handle_;
        h.idFrom = id();
        h.code = code;
        return sendToParent(handle_, WM_NOTIFY, h.idFrom, reinterpret_cast<LPARAM>(&h));
    }
    void describe(TVITEMW& t, Item* i) {
        t.mask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM;
        if (!i) return;
        t.hItem = handleOf(i);
        t.state = i->state | (i == caret_ ? TVIS_SELECTED : 0);
        t.stateMask = 0xFFFF;
        t.lParam = i->param;
    }
    // A notification with the two items (the A and W records have one layout; no texts).
    LRESULT notifyTree(UINT codeA, UINT codeW, UINT action, Item* oldItem, Item* newItem, QPoint drag = {}) {
        NMTREEVIEWW n{};
        n.action = action;
        describe(n.itemOld, oldItem);
        describe(n.itemNew, newItem);
        n.ptDrag = POINT{drag.x(), drag.y()};
        QPointer<QWidget> alive(widget_);
        const LRESULT r = send(n.hdr, codeA, codeW);
        return r;
    }

    // ---- Operations -----------------------------------------------------------------------
    Item* insert(const TVINSERTSTRUCTW& ins, bool textCallback, std::u16string text);
    void fill(Item* i, const TVITEMW& t, bool textCallback, const std::u16string& text);
    bool remove(Item* i);
    void removeTree(Item* i);
    bool expand(Item* i, WPARAM how, UINT cause = 0);
    bool select(Item* i, UINT cause);
    void ensureVisible(Item* i);
    void sortChildren(Item* parent, bool recurse, PFNTVCOMPARE cmp, LPARAM data);
    HWND editLabel(Item* i);
    void endEdit(bool cancel);
    bool getItem(LPARAM lParam, bool wide);
    bool setItem(LPARAM lParam, bool wide);
    void keyDown(int vk);
    void charTyped(char16_t c);
    void mouseDown(QPoint pt, bool right, bool dbl);
    void toggleCheck(Item* i) {
        const UINT s = (i->state & TVIS_STATEIMAGEMASK) >> 12;
        i->state = (i->state & ~TVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(s == 2 ? 1 : 2);
        repaint();
    }
    void paintRow(QPainter& p, Item* i, int row, const NMTVCUSTOMDRAW& cd, bool showSel, COLORREF back);
    // A new image list of one image: the item's icon and text, for dragging it.
    HIMAGELIST dragImage(Item* i) {
        const int row = i ? rowOf(i) : -1;
        if (row < 0) return nullptr;
        const Parts p = parts(i, row);
        const int left = p.icon.isValid() ? p.icon.left() : p.label.left();
        const QRect area(left, p.row.top(), p.label.right() - left + 1, p.row.height());
        QImage img(area.size(), QImage::Format_ARGB32_Premultiplied);
        img.fill(qcolourOf(back_ == CLR_DEFAULT ? GetSysColor(COLOR_WINDOW) : back_));
        {
            QPainter q(&img);
            q.translate(-area.topLeft());
            NMTVCUSTOMDRAW cd{};
            cd.clrText = fore_ == CLR_DEFAULT ? GetSysColor(COLOR_WINDOWTEXT) : fore_;
            cd.clrTextBk = back_ == CLR_DEFAULT ? GetSysColor(COLOR_WINDOW) : back_;
            Item* caret = caret_;
            caret_ = nullptr;  // drawn as not selected
            paintRow(q, i, row, cd, false, cd.clrTextBk);
            caret_ = caret;
        }
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = img.width();
        bi.bmiHeader.biHeight = -img.height();
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bmp || !bits) return nullptr;
        for (int y = 0; y < img.height(); ++y)
            std::memcpy(static_cast<BYTE*>(bits) + static_cast<std::size_t>(y) * img.width() * 4, img.constScanLine(y),
                        static_cast<std::size_t>(img.width()) * 4);
        HIMAGELIST list = ImageList_Create(img.width(), img.height(), ILC_COLOR32 | ILC_MASK, 1, 0);
        if (list) ImageList_Add(list, bmp, nullptr);
        DeleteObject(bmp);
        return list;
    }
    // Tips show the whole text of an item that the view cuts off.
    void createTips() {
        tooltips_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0, 0,
                                    handle_, nullptr, nullptr, nullptr);
        if (!tooltips_) return;
        ownTips_ = true;
        TTTOOLINFOW ti{};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = handle_;
        ti.uId = reinterpret_cast<UINT_PTR>(handle_);
        ti.lpszText = LPSTR_TEXTCALLBACKW;
        SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    void tipText(LPARAM lParam, bool wide) {
        POINT c{};
        GetCursorPos(&c);
        ScreenToClient(handle_, &c);
        UINT flags = 0;
        Item* i = hitTest(QPoint(c.x, c.y), flags);
        tipText_.clear();
        if (i && onItem(flags)) {
            const Parts p = parts(i, rowOf(i));
            if (p.label.right() >= viewWidth() || p.label.left() < 0) tipText_ = shown(i, TVIF_TEXT).text;
        }
        if (wide) {
            auto* d = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            tipText_.push_back(0);
            d->lpszText = reinterpret_cast<LPWSTR>(tipText_.data());
        } else {
            auto* d = reinterpret_cast<NMTTDISPINFOA*>(lParam);
            tipAnsi_ = wideToAnsi(tipText_);
            d->lpszText = tipAnsi_.data();
        }
    }

    static LRESULT editProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static std::map<HWND, std::pair<TreeControl*, WNDPROC>>& editOwners() {
        static std::map<HWND, std::pair<TreeControl*, WNDPROC>> m;
        return m;
    }
    static std::unordered_set<HWND>& liveEdits() {
        static std::unordered_set<HWND> s;
        return s;
    }

    HWND handle_;
    DWORD style_;
    QPointer<TreeWidget> widget_;
    std::u16string text_;
    Item root_;
    std::unordered_set<Item*> live_;
    std::vector<Item*> rows_;
    std::map<Item*, int> rowOf_;
    bool rowsValid_ = false;
    Item* caret_ = nullptr;
    Item* dropHilite_ = nullptr;
    HIMAGELIST images_ = nullptr;
    HIMAGELIST stateImages_ = nullptr;
    int indent_ = 19;
    int fixedHeight_ = 0;
    COLORREF back_ = CLR_DEFAULT;
    COLORREF fore_ = CLR_DEFAULT;
    COLORREF lines_ = CLR_DEFAULT;
    bool unicodeNotify_ = true;
    HWND tooltips_ = nullptr;
    bool ownTips_ = false;
    Item* tipItem_ = nullptr;
    std::u16string tipText_;
    std::string tipAnsi_;
    // Mouse: the press that may become a drag, and the click that may start editing.
    bool pressed_ = false;
    bool rightPressed_ = false;
    QPoint pressAt_;
    Item* pressItem_ = nullptr;
    Item* editCandidate_ = nullptr;
    // Label editing.
    HWND edit_ = nullptr;
    Item* editItem_ = nullptr;
    bool ending_ = false;
    // Incremental search.
    std::u16string search_;
    unsigned long long searchTime_ = 0;
    bool deleting_ = false;
};

void TreeWidget::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    if (control_) control_->paint(p);
}

void TreeWidget::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    if (control_) control_->layoutScroll();
}

Shown TreeControl::shown(Item* i, UINT want) {
    Shown s;
    s.text = i->text;
    s.image = i->image;
    s.selImage = i->selImage;
    s.hasChildren = !i->kids.empty() || i->children > 0;
    UINT ask = 0;
    if ((want & TVIF_TEXT) && i->textCallback) ask |= TVIF_TEXT;
    if ((want & TVIF_IMAGE) && i->image == I_IMAGECALLBACK) ask |= TVIF_IMAGE;
    if ((want & TVIF_SELECTEDIMAGE) && i->selImage == I_IMAGECALLBACK) ask |= TVIF_SELECTEDIMAGE;
    if ((want & TVIF_CHILDREN) && i->kids.empty() && i->children == I_CHILDRENCALLBACK) ask |= TVIF_CHILDREN;
    if (!ask) return s;
    s.hasChildren = !i->kids.empty();
    char16_t wbuf[264] = {};
    char abuf[528] = {};
    NMTVDISPINFOW d{};
    d.item.mask = ask | TVIF_HANDLE | TVIF_PARAM | TVIF_STATE;
    d.item.hItem = handleOf(i);
    d.item.state = i->state;
    d.item.lParam = i->param;
    d.item.iImage = i->image;
    d.item.iSelectedImage = i->selImage;
    if (unicode()) {
        d.item.pszText = reinterpret_cast<LPWSTR>(wbuf);
        d.item.cchTextMax = 260;
    } else {
        d.item.pszText = reinterpret_cast<LPWSTR>(abuf);
        d.item.cchTextMax = 520;
    }
    const LPWSTR given = d.item.pszText;
    QPointer<QWidget> alive(widget_);
    send(d.hdr, TVN_GETDISPINFOA, TVN_GETDISPINFOW);
    if (!alive || !live_.count(i)) return s;
    if (ask & TVIF_TEXT) {
        if (d.item.pszText && d.item.pszText != LPSTR_TEXTCALLBACKW) {
            if (unicode()) {
                s.text = std::u16string(reinterpret_cast<const char16_t*>(d.item.pszText));
            } else {
                // The answer may be the buffer or a text of the parent's own.
                const char* a = reinterpret_cast<const char*>(d.item.pszText);
                if (d.item.pszText == given) abuf[sizeof abuf - 1] = 0;
                s.text = ansiToWide(a);
            }
        } else {
            s.text.clear();
        }
        i->lastShown = s.text;
    }
    if (ask & TVIF_IMAGE) s.image = d.item.iImage;
    if (ask & TVIF_SELECTEDIMAGE) s.selImage = d.item.iSelectedImage;
    if (ask & TVIF_CHILDREN) s.hasChildren = d.item.cChildren != 0;
    if (d.item.mask & TVIF_DI_SETITEM) {
        if (ask & TVIF_TEXT) {
            i->text = s.text;
            i->textCallback = false;
        }
        if (ask & TVIF_IMAGE) i->image = s.image;
        if (ask & TVIF_SELECTEDIMAGE) i->selImage = s.selImage;
        if (ask & TVIF_CHILDREN) i->children = s.hasChildren ? 1 : 0;
    }
    return s;
}

void TreeControl::fill(Item* i, const TVITEMW& t, bool textCallback, const std::u16string& text) {
    if (t.mask & TVIF_TEXT) {
        i->textCallback = textCallback;
        i->text = textCallback ? std::u16string() : text;
    }
    if (t.mask & TVIF_IMAGE) i->image = t.iImage;
    if (t.mask & TVIF_SELECTEDIMAGE) i->selImage = t.iSelectedImage;
    if (t.mask & TVIF_PARAM) i->param = t.lParam;
    if (t.mask & TVIF_CHILDREN) i->children = t.cChildren;
    if (t.mask & TVIF_STATE) {
        const UINT m = t.stateMask;
        i->state = (i->state & ~m) | (t.state & m);
    }
}

Item* TreeControl::insert(const TVINSERTSTRUCTW& ins, bool textCallback, std::u16string text) {
    Item* parent = parentArg(ins.hParent);
    if (!parent) return nullptr;
    auto made = std::make_unique<Item>();
    Item* i = made.get();
    i->parent = parent;
    fill(i, ins.item, textCallback, text);
    i->state &= ~(TVIS_SELECTED);
    auto& k = parent->kids;
    std::size_t at = k.size();
    if (ins.hInsertAfter == TVI_FIRST) {
        at = 0;
    } else if (ins.hInsertAfter == TVI_SORT) {
        // A callback text is asked for while the new item is known to the tree.
        live_.insert(i);
        const QString t = toQt(shown(i, TVIF_TEXT).text);
        live_.erase(i);
        at = 0;
        while (at < k.size() && QString::compare(toQt(shown(k[at].get(), TVIF_TEXT).text), t, Qt::CaseInsensitive) <= 0)
            ++at;
    } else if (Item* after = item(ins.hInsertAfter); after && after->parent == parent) {
        at = static_cast<std::size_t>(indexIn(after)) + 1;
    }
    k.insert(k.begin() + static_cast<std::ptrdiff_t>(at), std::move(made));
    live_.insert(i);
    changed();
    return i;
}

void TreeControl::removeTree(Item* i) {
    // The children go first, then the item; each is told to the parent.
    while (!i->kids.empty()) removeTree(i->kids.back().get());
    if (i == editItem_) endEdit(true);
    NMTREEVIEWW n{};
    n.itemOld.mask = TVIF_HANDLE | TVIF_PARAM;
    n.itemOld.hItem = handleOf(i);
    n.itemOld.lParam = i->param;
    send(n.hdr, TVN_DELETEITEMA, TVN_DELETEITEMW);
    if (caret_ == i) caret_ = nullptr;
    if (dropHilite_ == i) dropHilite_ = nullptr;
    if (pressItem_ == i) pressItem_ = nullptr;
    if (editCandidate_ == i) editCandidate_ = nullptr;
    if (tipItem_ == i) tipItem_ = nullptr;
    live_.erase(i);
    auto& k = i->parent->kids;
    for (auto it = k.begin(); it != k.end(); ++it)
        if (it->get() == i) {
            k.erase(it);
            break;
        }
}

bool TreeControl::remove(Item* i) {
    if (i == &root_) {
        deleting_ = true;
        caret_ = nullptr;
        while (!root_.kids.empty()) removeTree(root_.kids.back().get());
        deleting_ = false;
        changed();
        return true;
    }
    // A selection inside the item moves to a neighbour first.
    bool caretInside = false;
    for (Item* c = caret_; c; c = c->parent)
        if (c == i) caretInside = true;
    Item* next = nullptr;
    if (caretInside) {
        next = sibling(i, 1);
        if (!next) next = sibling(i, -1);
        if (!next && i->parent != &root_) next = i->parent;
    }
    deleting_ = true;
    removeTree(i);
    deleting_ = false;
    changed();
    if (caretInside && next && live_.count(next)) select(next, TVC_UNKNOWN);
    return true;
}

bool TreeControl::expand(Item* i, WPARAM how, UINT cause) {
    if (!i || i == &root_) return false;
    const WPARAM action = how & 3;
    bool open = expanded(i);
    if (action == TVE_TOGGLE) open = !open;
    else if (action == TVE_EXPAND) open = true;
    else if (action == TVE_COLLAPSE) open = false;
    else return false;
    if (open == expanded(i)) {
        if (!open && (how & TVE_COLLAPSERESET)) {
            while (!i->kids.empty()) removeTree(i->kids.back().get());
            i->state &= ~TVIS_EXPANDEDONCE;
            changed();
            return true;
        }
        return false;
    }
    if (open && !hasChildren(i)) return false;
    (void)cause;
    const UINT code = open ? TVE_EXPAND : TVE_COLLAPSE;
    QPointer<QWidget> alive(widget_);
    if (notifyTree(TVN_ITEMEXPANDINGA, TVN_ITEMEXPANDINGW, code, nullptr, i) != 0) return false;
    if (!alive || !live_.count(i)) return false;
    if (open) {
        i->state |= TVIS_EXPANDED | TVIS_EXPANDEDONCE;
    } else {
        i->state &= ~TVIS_EXPANDED;
        // A selection hidden by the collapse moves to the item.
        bool inside = false;
        for (Item* c = caret_ ? caret_->parent : nullptr; c; c = c->parent)
            if (c == i) inside = true;
        if (inside) select(i, TVC_UNKNOWN);
        if (how & TVE_COLLAPSERESET) {
            while (!i->kids.empty()) removeTree(i->kids.back().get());
            i->state &= ~TVIS_EXPANDEDONCE;
        }
    }
    changed();
    notifyTree(TVN_ITEMEXPANDEDA, TVN_ITEMEXPANDEDW, code, nullptr, i);
    if (alive && open && live_.count(i) && (style_ & TVS_SINGLEEXPAND) == 0) {
        // Show as many of the new children as fit.
        const int row = rowOf(i);
        const int last = row + static_cast<int>(i->kids.size());
        if (last >= topRow() + fullRows()) widget_->verticalScrollBar()->setValue(std::min(row, last - fullRows() + 1));
    }
    return true;
}

bool TreeControl::select(Item* i, UINT cause) {
    if (i == caret_) {
        if (i) ensureVisible(i);
        return true;
    }
    QPointer<QWidget> alive(widget_);
    Item* old = caret_;
    if (notifyTree(TVN_SELCHANGINGA, TVN_SELCHANGINGW, cause, old, i) != 0) return false;
    if (!alive) return false;
    if (i && !live_.count(i)) return false;
    if (old && !live_.count(old)) old = nullptr;
    caret_ = i;
    if (i) ensureVisible(i);
    repaint();
    notifyTree(TVN_SELCHANGEDA, TVN_SELCHANGEDW, cause, old, i);
    return true;
}

void TreeControl::ensureVisible(Item* i) {
    for (Item* p = i->parent; p && p != &root_; p = p->parent)
        if (!expanded(p)) expand(p, TVE_EXPAND);
    if (!live_.count(i) || !widget_) return;
    const int row = rowOf(i);
    if (row < 0) return;
    QScrollBar* v = widget_->verticalScrollBar();
    if (row < v->value()) v->setValue(row);
    else if (row >= v->value() + fullRows()) v->setValue(row - fullRows() + 1);
}

void TreeControl::sortChildren(Item* parent, bool recurse, PFNTVCOMPARE cmp, LPARAM data) {
    auto& k = parent->kids;
    if (cmp) {
        std::stable_sort(k.begin(), k.end(), [&](const std::unique_ptr<Item>& a, const std::unique_ptr<Item>& b) {
            return cmp(a->param, b->param, data) < 0;
        });
    } else {
        std::vector<std::pair<QString, Item*>> keyed;
        for (auto& c : k) keyed.emplace_back(toQt(shown(c.get(), TVIF_TEXT).text), c.get());
        std::map<Item*, QString> byItem;
        for (auto& [t, it] : keyed) byItem[it] = t;
        std::stable_sort(k.begin(), k.end(), [&](const std::unique_ptr<Item>& a, const std::unique_ptr<Item>& b) {
            return QString::compare(byItem[a.get()], byItem[b.get()], Qt::CaseInsensitive) < 0;
        });
    }
    if (recurse)
        for (auto& c : k) sortChildren(c.get(), true, cmp, data);
    changed();
}

HWND TreeControl::editLabel(Item* i) {
    if (!i || !(style_ & TVS_EDITLABELS)) return nullptr;
    endEdit(false);
    if (!live_.count(i)) return nullptr;
    if (!select(i, TVC_UNKNOWN) || !live_.count(i)) return nullptr;
    ensureVisible(i);
    const std::u16string current = shown(i, TVIF_TEXT).text;
    const int row = rowOf(i);
    if (row < 0) return nullptr;
    const QRect label = parts(i, row).label;
    const int width = std::max(label.width() + 24, 60);
    // The edit window exists, hidden, while the parent is asked, so it can take it over
    // (TVM_GETEDITCONTROL).
    HWND e = CreateWindowExW(0, u"EDIT", reinterpret_cast<LPCWSTR>(current.c_str()),
                             WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, label.left() - 2, label.top() - 1, width,
                             label.height() + 2, handle_, nullptr, nullptr, nullptr);
    if (!e) return nullptr;
    if (Window* w = find(handle_); w && w->font) SendMessageW(e, WM_SETFONT, reinterpret_cast<WPARAM>(w->font), 0);
    // Our procedure goes under whatever the program puts on the window.
    const auto old = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(e, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TreeControl::editProc)));
    editOwners()[e] = {this, old};
    liveEdits().insert(e);
    edit_ = e;
    editItem_ = i;
    std::string ansi = wideToAnsi(current);
    std::u16string wide = current;
    NMTVDISPINFOW d{};
    d.item.mask = TVIF_HANDLE | TVIF_PARAM | TVIF_STATE | TVIF_TEXT;
    d.item.hItem = handleOf(i);
    d.item.state = i->state;
    d.item.lParam = i->param;
    d.item.pszText = unicode() ? reinterpret_cast<LPWSTR>(wide.data()) : reinterpret_cast<LPWSTR>(ansi.data());
    QPointer<QWidget> alive(widget_);
    const bool refused = send(d.hdr, TVN_BEGINLABELEDITA, TVN_BEGINLABELEDITW) != 0;
    if (!alive) {
        if (liveEdits().count(e)) DestroyWindow(e);
        return nullptr;
    }
    if (refused || !live_.count(i) || edit_ != e) {
        if (edit_ == e) {
            edit_ = nullptr;
            editItem_ = nullptr;
        }
        ending_ = true;
        if (liveEdits().count(e)) DestroyWindow(e);
        ending_ = false;
        return nullptr;
    }
    ShowWindow(e, SW_SHOW);
    SetFocus(e);
    SendMessageW(e, EM_SETSEL, 0, -1);
    return e;
}

void TreeControl::endEdit(bool cancel) {
    if (!edit_ || ending_) return;
    ending_ = true;
    HWND e = edit_;
    Item* i = editItem_;
    std::u16string typed(static_cast<std::size_t>(GetWindowTextLengthW(e)) + 1, u'\0');
    typed.resize(static_cast<std::size_t>(GetWindowTextW(e, reinterpret_cast<LPWSTR>(typed.data()),
                                                         static_cast<int>(typed.size()))));
    if (i && live_.count(i) && widget_) {
        std::string ansi = wideToAnsi(typed);
        NMTVDISPINFOW d{};
        d.item.mask = TVIF_HANDLE | TVIF_PARAM | TVIF_STATE | TVIF_TEXT;
        d.item.hItem = handleOf(i);
        d.item.state = i->state;
        d.item.lParam = i->param;
        d.item.cchTextMax = static_cast<int>(typed.size());
        if (!cancel)
            d.item.pszText = unicode() ? reinterpret_cast<LPWSTR>(typed.data()) : reinterpret_cast<LPWSTR>(ansi.data());
        QPointer<QWidget> alive(widget_);
        const LRESULT r = send(d.hdr, TVN_ENDLABELEDITA, TVN_ENDLABELEDITW);
        if (alive && !cancel && r != 0 && live_.count(i) && !i->textCallback) i->text = typed;
    }
    edit_ = nullptr;
    editItem_ = nullptr;
    const bool hadFocus = GetFocus() == e;
    if (liveEdits().count(e)) DestroyWindow(e);
    if (hadFocus && find(handle_)) SetFocus(handle_);
    ending_ = false;
    changed();
}

LRESULT TreeControl::editProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto it = editOwners().find(wnd);
    if (it == editOwners().end()) return DefWindowProcW(wnd, msg, wParam, lParam);
    TreeControl* tree = it->second.first;
    const WNDPROC old = it->second.second;
    switch (msg) {
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS | CallWindowProcW(old, wnd, msg, wParam, lParam);
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
            tree->endEdit(wParam == VK_ESCAPE);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == VK_RETURN || wParam == VK_ESCAPE) return 0;
        break;
    case WM_KILLFOCUS: {
        const LRESULT r = CallWindowProcW(old, wnd, msg, wParam, lParam);
        if (editOwners().count(wnd) && tree->edit_ == wnd) tree->endEdit(false);
        return r;
    }
    case WM_NCDESTROY: {
        const LRESULT r = CallWindowProcW(old, wnd, msg, wParam, lParam);
        editOwners().erase(wnd);
        liveEdits().erase(wnd);
        if (tree->edit_ == wnd) {
            tree->edit_ = nullptr;
            tree->editItem_ = nullptr;
        }
        return r;
    }
    default: break;
    }
    return CallWindowProcW(old, wnd, msg, wParam, lParam);
}

bool TreeControl::getItem(LPARAM lParam, bool wide) {
    auto* t = reinterpret_cast<TVITEMW*>(lParam);
    if (!t) return false;
    Item* i = item(t->hItem);
    if (!i) return false;
    if (t->mask & TVIF_TEXT) {
        if (t->pszText && t->cchTextMax > 0) {
            const std::u16string s = shown(i, TVIF_TEXT).text;
            if (!live_.count(i)) return false;
            copyOut(s, reinterpret_cast<LPARAM>(t->pszText), static_cast<WPARAM>(t->cchTextMax), wide);
        }
    }
    if (t->mask & TVIF_IMAGE) t->iImage = i->image;
    if (t->mask & TVIF_SELECTEDIMAGE) t->iSelectedImage = i->selImage;
    if (t->mask & TVIF_PARAM) t->lParam = i->param;
    if (t->mask & TVIF_STATE) t->state = (i->state | (i == caret_ ? TVIS_SELECTED : 0) | (i == dropHilite_ ? TVIS_DROPHILITED : 0)) & t->stateMask;
    if (t->mask & TVIF_CHILDREN) t->cChildren = !i->kids.empty() ? 1 : i->children;
    return true;
}

bool TreeControl::setItem(LPARAM lParam, bool wide) {
    const auto* t = reinterpret_cast<const TVITEMW*>(lParam);
    if (!t) return false;
    Item* i = item(t->hItem);
    if (!i) return false;
    bool callback = false;
    std::u16string text;
    if (t->mask & TVIF_TEXT) {
        callback = t->pszText == LPSTR_TEXTCALLBACKW;
        if (!callback) text = textArg(reinterpret_cast<LPARAM>(t->pszText), wide);
    }
    const bool wasOpen = expanded(i);
    fill(i, *t, callback, text);
    if (expanded(i) != wasOpen) rowsValid_ = false;
    changed();
    return true;
}

void TreeControl::keyDown(int vk) {
    NMTVKEYDOWN k{};
    k.wVKey = static_cast<WORD>(vk);
    QPointer<QWidget> alive(widget_);
    NMHDR& h = k.hdr;
    h.hwndFrom = handle_;
    h.idFrom = id();
    h.code = TVN_KEYDOWN;
    sendToParent(handle_, WM_NOTIFY, h.idFrom, reinterpret_cast<LPARAM>(&k));
    if (!alive) return;
    const auto& r = rows();
    if (r.empty()) return;
    const int row = caret_ ? rowOf(caret_) : -1;
    const int last = static_cast<int>(r.size()) - 1;
    auto go = [&](int to) {
        to = std::clamp(to, 0, last);
        select(itemAtRow(to), TVC_BYKEYBOARD);
    };
    switch (vk) {
    case VK_UP: go(row < 0 ? 0 : row - 1); break;
    case VK_DOWN: go(row + 1); break;
    case VK_HOME: go(0); break;
    case VK_END: go(last); break;
    case VK_PRIOR: go(row - std::max(1, fullRows() - 1)); break;
    case VK_NEXT: go(row + std::max(1, fullRows() - 1)); break;
    case VK_LEFT:
        if (!caret_) break;
        if (expanded(caret_) && hasChildren(caret_)) expand(caret_, TVE_COLLAPSE, TVC_BYKEYBOARD);
        else if (caret_->parent != &root_) select(caret_->parent, TVC_BYKEYBOARD);
        break;
    case VK_RIGHT:
        if (!caret_) break;
        if (!expanded(caret_)) {
            if (hasChildren(caret_)) expand(caret_, TVE_EXPAND, TVC_BYKEYBOARD);
        } else if (!caret_->kids.empty()) {
            select(caret_->kids.front().get(), TVC_BYKEYBOARD);
        }
        break;
    case VK_ADD:
    case 0xBB:  // the plus key
        if (caret_) expand(caret_, TVE_EXPAND, TVC_BYKEYBOARD);
        break;
    case VK_SUBTRACT:
    case 0xBD:  // the minus key
        if (caret_) expand(caret_, TVE_COLLAPSE, TVC_BYKEYBOARD);
        break;
    case VK_MULTIPLY:
        if (caret_) {
            std::vector<Item*> todo{caret_};
            while (!todo.empty()) {
                Item* i = todo.back();
                todo.pop_back();
                if (!live_.count(i)) continue;
                expand(i, TVE_EXPAND, TVC_BYKEYBOARD);
                if (!alive || !live_.count(i)) return;
                for (auto& c : i->kids) todo.push_back(c.get());
            }
        }
        break;
    case VK_F1 + 1:  // F2
        if ((style_ & TVS_EDITLABELS) && caret_) editLabel(caret_);
        break;
    case VK_RETURN: notifyCode(NM_RETURN); break;
    case VK_SPACE:
        if (checkBoxes() && caret_) toggleCheck(caret_);
        break;
    default: break;
    }
}

void TreeControl::charTyped(char16_t c) {
    if (c < 0x20 || c == u'+' || c == u'-' || c == u'*' || (c == u' ' && checkBoxes())) return;
    const unsigned long long now = timerClock();
    if (now - searchTime_ > 1000) search_.clear();
    searchTime_ = now;
    search_.push_back(c);
    const auto& r = rows();
    if (r.empty()) return;
    const int n = static_cast<int>(r.size());
    // A repeated first letter walks through the items with that letter.
    const bool same = search_.size() > 1 && std::all_of(search_.begin(), search_.end(), [&](char16_t x) { return x == search_[0]; });
    const QString want = toQt(same ? search_.substr(0, 1) : search_);
    const int start = caret_ ? rowOf(caret_) : -1;
    const int from = (search_.size() == 1 || same) ? start + 1 : std::max(start, 0);
    for (int k = 0; k < n; ++k) {
        Item* i = r[static_cast<std::size_t>((from + k) % n)];
        if (toQt(shown(i, TVIF_TEXT).text).startsWith(want, Qt::CaseInsensitive)) {
            select(i, TVC_BYKEYBOARD);
            return;
        }
    }
}

void TreeControl::mouseDown(QPoint pt, bool right, bool dbl) {
    QPointer<QWidget> alive(widget_);
    if (GetFocus() != handle_) SetFocus(handle_);
    if (!alive) return;
    UINT flags = 0;
    Item* i = hitTest(pt, flags);
    if (right) {
        rightPressed_ = true;
        return;
    }
    if (dbl) {
        KillTimer(handle_, kEditTimer);
        editCandidate_ = nullptr;
        if (notifyCode(NM_DBLCLK) != 0 || !alive) return;
        if (i && (flags & TVHT_ONITEMBUTTON)) expand(i, TVE_TOGGLE, TVC_BYMOUSE);
        else if (i && onItem(flags) && !(flags & TVHT_ONITEMSTATEICON)) expand(i, TVE_TOGGLE, TVC_BYMOUSE);
        return;
    }
    if (!i) return;
    if (flags & TVHT_ONITEMBUTTON) {
        expand(i, TVE_TOGGLE, TVC_BYMOUSE);
        return;
    }
    if (!onItem(flags)) return;
    if ((flags & TVHT_ONITEMSTATEICON) && checkBoxes()) {
        toggleCheck(i);
        return;
    }
    // A click on the label of the item that is already selected starts editing, unless it
    // turns into a double click or a drag.
    const bool startsEdit = (style_ & TVS_EDITLABELS) && i == caret_ && (flags & TVHT_ONITEMLABEL);
    if (!select(i, TVC_BYMOUSE) || !alive) return;
    pressed_ = true;
    pressAt_ = pt;
    pressItem_ = i;
    editCandidate_ = startsEdit ? i : nullptr;
    SetCapture(handle_);
}

bool TreeControl::message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) {
    Window* w = find(handle_);
    const bool u = w && w->unicode;
    const QPoint pt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    switch (msg) {
    case WM_CREATE: {
        HWND parent = GetParent(handle_);
        const LRESULT f = parent ? SendMessageW(parent, WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(handle_), NF_QUERY) : 0;
        Window* pw = find(parent);
        unicodeNotify_ = f == NFR_UNICODE || (f != NFR_ANSI && (pw ? pw->unicode : u));
        if (!(style_ & TVS_NOTOOLTIPS)) createTips();
        return false;
    }
    case WM_NOTIFY: {
        auto* h = reinterpret_cast<NMHDR*>(lParam);
        if (!h || h->hwndFrom != tooltips_ || !tooltips_) return false;
        if (h->code == TTN_GETDISPINFOW || h->code == TTN_GETDISPINFOA) {
            tipText(lParam, h->code == TTN_GETDISPINFOW);
            r = 0;
            return true;
        }
        return false;
    }
    case WM_NOTIFYFORMAT:
        if (lParam == NF_QUERY) {
            HWND parent = GetParent(handle_);
            const LRESULT f = parent ? SendMessageW(parent, WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(handle_), NF_QUERY) : 0;
            if (f) unicodeNotify_ = f == NFR_UNICODE;
        }
        r = unicodeNotify_ ? NFR_UNICODE : NFR_ANSI;
        return true;
    case CCM_SETUNICODEFORMAT:
        r = unicodeNotify_ ? 1 : 0;
        unicodeNotify_ = wParam != 0;
        return true;
    case CCM_GETUNICODEFORMAT: r = unicodeNotify_ ? 1 : 0; return true;
    case WM_GETDLGCODE: r = DLGC_WANTARROWS | DLGC_WANTCHARS; return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        repaint();
        notifyCode(msg == WM_SETFOCUS ? NM_SETFOCUS : NM_KILLFOCUS);
        return false;
    case WM_SETFONT: {
        controlFontMessage(*w, msg, wParam, lParam, r);
        changed();
        return true;
    }
    case WM_ENABLE: repaint(); return false;
    case WM_LBUTTONDOWN: mouseDown(pt, false, false); return true;
    case WM_LBUTTONDBLCLK: mouseDown(pt, false, true); return true;
    case WM_RBUTTONDOWN: mouseDown(pt, true, false); return true;
    case WM_RBUTTONUP: {
        if (!rightPressed_) return true;
        rightPressed_ = false;
        QPointer<QWidget> alive(widget_);
        if (notifyCode(NM_RCLICK) == 0 && alive) {
            POINT s{pt.x(), pt.y()};
            ClientToScreen(handle_, &s);
            SendMessageW(handle_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(handle_), MAKELPARAM(s.x, s.y));
        }
        return true;
    }
    case WM_MOUSEMOVE:
        if (tooltips_) {
            // A new item under the mouse asks for its own tip.
            UINT flags = 0;
            Item* under = hitTest(pt, flags);
            if (!onItem(flags)) under = nullptr;
            if (under != tipItem_) {
                tipItem_ = under;
                if (IsWindowVisible(tooltips_)) SendMessageW(tooltips_, TTM_POP, 0, 0);
            }
        }
        if (pressed_ && (wParam & MK_LBUTTON)) {
            const int dx = std::abs(pt.x() - pressAt_.x()), dy = std::abs(pt.y() - pressAt_.y());
            if (dx > GetSystemMetrics(SM_CXDRAG) || dy > GetSystemMetrics(SM_CYDRAG)) {
                pressed_ = false;
                editCandidate_ = nullptr;
                ReleaseCapture();
                if (pressItem_ && live_.count(pressItem_) && !(style_ & TVS_DISABLEDRAGDROP))
                    notifyTree(TVN_BEGINDRAGA, TVN_BEGINDRAGW, 0, nullptr, pressItem_, pressAt_);
            }
        }
        return true;
    case WM_LBUTTONUP: {
        const bool was = pressed_;
        pressed_ = false;
        if (GetCapture() == handle_) ReleaseCapture();
        if (!was) return true;
        QPointer<QWidget> alive(widget_);
        if (notifyCode(NM_CLICK) != 0 || !alive) return true;
        if (editCandidate_ && editCandidate_ == caret_) SetTimer(handle_, kEditTimer, GetDoubleClickTime(), nullptr);
        return true;
    }
    case WM_CAPTURECHANGED:
        pressed_ = false;
        return false;
    case WM_TIMER:
        if (wParam != kEditTimer) return false;
        KillTimer(handle_, kEditTimer);
        if (editCandidate_ && editCandidate_ == caret_ && live_.count(editCandidate_)) editLabel(editCandidate_);
        editCandidate_ = nullptr;
        return true;
    case WM_MOUSEWHEEL: {
        const int delta = static_cast<SHORT>(HIWORD(wParam));
        QScrollBar* v = widget_->verticalScrollBar();
        v->setValue(v->value() - delta / 40);
        return true;
    }
    case WM_KEYDOWN: keyDown(static_cast<int>(wParam)); return true;
    case WM_CHAR: charTyped(static_cast<char16_t>(wParam)); return true;
    case WM_STYLECHANGED: styleChanged(); return false;
    case WM_DESTROY:
        // Every item is told as it goes.
        endEdit(true);
        remove(&root_);
        if (tooltips_ && ownTips_) DestroyWindow(tooltips_);
        tooltips_ = nullptr;
        return false;

    case TVM_INSERTITEMA:
    case TVM_INSERTITEMW: {
        const auto* ins = reinterpret_cast<const TVINSERTSTRUCTW*>(lParam);
        if (!ins) {
            r = 0;
            return true;
        }
        const bool wide = msg == TVM_INSERTITEMW;
        bool callback = false;
        std::u16string t;
        if (ins->item.mask & TVIF_TEXT) {
            callback = ins->item.pszText == LPSTR_TEXTCALLBACKW;
            if (!callback) t = textArg(reinterpret_cast<LPARAM>(ins->item.pszText), wide);
        }
        r = reinterpret_cast<LRESULT>(insert(*ins, callback, t));
        return true;
    }
    case TVM_DELETEITEM: {
        auto h = reinterpret_cast<HTREEITEM>(lParam);
        Item* i = (!h || h == TVI_ROOT) ? &root_ : item(h);
        r = i ? remove(i) : FALSE;
        return true;
    }
    case TVM_EXPAND: r = expand(item(lParam), wParam) ? TRUE : FALSE; return true;
    case TVM_GETITEMRECT: {
        auto* rc = reinterpret_cast<RECT*>(lParam);
        r = FALSE;
        if (!rc) return true;
        HTREEITEM asked = nullptr;
        std::memcpy(&asked, rc, sizeof asked);
        Item* i = item(asked);
        const int row = i ? rowOf(i) : -1;
        if (row < 0) return true;
        const Parts p = parts(i, row);
        *rc = toRect(wParam ? p.label : p.row);
        r = TRUE;
        return true;
    }
    case TVM_GETCOUNT: r = static_cast<LRESULT>(live_.size()); return true;
    case TVM_GETINDENT: r = indent_; return true;
    case TVM_SETINDENT:
        indent_ = std::max(static_cast<int>(wParam), 5);
        changed();
        r = 0;
        return true;
    case TVM_GETIMAGELIST: r = reinterpret_cast<LRESULT>(wParam == TVSIL_STATE ? stateImages_ : images_); return true;
    case TVM_SETIMAGELIST: {
        HIMAGELIST& slot = wParam == TVSIL_STATE ? stateImages_ : images_;
        r = reinterpret_cast<LRESULT>(slot);
        slot = reinterpret_cast<HIMAGELIST>(lParam);
        changed();
        return true;
    }
    case TVM_GETNEXTITEM: {
        Item* i = item(lParam);
        Item* out = nullptr;
        switch (wParam) {
        case TVGN_ROOT: out = root_.kids.empty() ? nullptr : root_.kids.front().get(); break;
        case TVGN_NEXT: out = i ? sibling(i, 1) : nullptr; break;
        case TVGN_PREVIOUS: out = i ? sibling(i, -1) : nullptr; break;
        case TVGN_PARENT: out = i && i->parent != &root_ ? i->parent : nullptr; break;
        case TVGN_CHILD: {
            Item* p = lParam ? i : &root_;
            out = p && !p->kids.empty() ? p->kids.front().get() : nullptr;
            break;
        }
        case TVGN_FIRSTVISIBLE: out = itemAtRow(topRow()); break;
        case TVGN_NEXTVISIBLE: out = i && rowOf(i) >= 0 ? itemAtRow(rowOf(i) + 1) : nullptr; break;
        case TVGN_PREVIOUSVISIBLE: out = i && rowOf(i) > 0 ? itemAtRow(rowOf(i) - 1) : nullptr; break;
        case TVGN_LASTVISIBLE: out = rows().empty() ? nullptr : rows().back(); break;
        case TVGN_DROPHILITE: out = dropHilite_; break;
        case TVGN_CARET: out = caret_; break;
        default: break;
        }
        r = reinterpret_cast<LRESULT>(out);
        return true;
    }
    case TVM_SELECTITEM: {
        Item* i = item(lParam);
        if (lParam && !i) {
            r = FALSE;
            return true;
        }
        if (wParam == TVGN_CARET) {
            r = select(i, TVC_UNKNOWN);
        } else if (wParam == TVGN_DROPHILITE) {
            dropHilite_ = i;
            repaint();
            r = TRUE;
        } else if (wParam == TVGN_FIRSTVISIBLE && i) {
            ensureVisible(i);
            if (rowOf(i) >= 0) widget_->verticalScrollBar()->setValue(rowOf(i));
            r = TRUE;
        } else {
            r = FALSE;
        }
        return true;
    }
    case TVM_GETITEMA:
    case TVM_GETITEMW: r = getItem(lParam, msg == TVM_GETITEMW); return true;
    case TVM_SETITEMA:
    case TVM_SETITEMW: r = setItem(lParam, msg == TVM_SETITEMW); return true;
    case TVM_EDITLABELA:
    case TVM_EDITLABELW: r = reinterpret_cast<LRESULT>(editLabel(item(lParam))); return true;
    case TVM_GETEDITCONTROL: r = reinterpret_cast<LRESULT>(edit_); return true;
    case TVM_ENDEDITLABELNOW:
        r = edit_ ? TRUE : FALSE;
        endEdit(wParam != 0);
        return true;
    case TVM_GETVISIBLECOUNT: r = fullRows(); return true;
    case TVM_HITTEST: {
        auto* h = reinterpret_cast<TVHITTESTINFO*>(lParam);
        if (!h) {
            r = 0;
            return true;
        }
        UINT flags = 0;
        Item* i = hitTest(QPoint(h->pt.x, h->pt.y), flags);
        h->flags = flags;
        h->hItem = handleOf(i);
        r = reinterpret_cast<LRESULT>(i);
        return true;
    }
    case TVM_SORTCHILDREN: {
        Item* p = parentArg(reinterpret_cast<HTREEITEM>(lParam));
        r = p ? (sortChildren(p, wParam != 0, nullptr, 0), TRUE) : FALSE;
        return true;
    }
    case TVM_SORTCHILDRENCB: {
        const auto* s = reinterpret_cast<const TVSORTCB*>(lParam);
        Item* p = s ? parentArg(s->hParent) : nullptr;
        r = p && s->lpfnCompare ? (sortChildren(p, wParam != 0, s->lpfnCompare, s->lParam), TRUE) : FALSE;
        return true;
    }
    case TVM_ENSUREVISIBLE: {
        Item* i = item(lParam);
        const int before = topRow();
        if (i) ensureVisible(i);
        r = i && topRow() != before ? TRUE : FALSE;
        return true;
    }
    case TVM_GETISEARCHSTRINGA:
    case TVM_GETISEARCHSTRINGW: {
        const std::u16string s = timerClock() - searchTime_ <= 1000 ? search_ : std::u16string();
        if (lParam) copyOut(s, lParam, s.size() * 4 + 4, msg == TVM_GETISEARCHSTRINGW);
        r = static_cast<LRESULT>(s.size());
        return true;
    }
    case TVM_SETTOOLTIPS:
        r = reinterpret_cast<LRESULT>(tooltips_);
        tooltips_ = reinterpret_cast<HWND>(wParam);
        ownTips_ = false;
        return true;
    case TVM_GETTOOLTIPS: r = reinterpret_cast<LRESULT>(tooltips_); return true;
    case TVM_SETITEMHEIGHT:
        r = itemHeight();
        fixedHeight_ = static_cast<int>(static_cast<SHORT>(LOWORD(wParam)));
        if (fixedHeight_ > 0 && !(style_ & TVS_NONEVENHEIGHT) && fixedHeight_ % 2) --fixedHeight_;
        if (fixedHeight_ <= 0) fixedHeight_ = 0;
        changed();
        return true;
    case TVM_GETITEMHEIGHT: r = itemHeight(); return true;
    case TVM_SETBKCOLOR:
        r = static_cast<LRESULT>(back_ == CLR_DEFAULT ? static_cast<COLORREF>(-1) : back_);
        back_ = lParam == -1 ? CLR_DEFAULT : static_cast<COLORREF>(lParam);
        repaint();
        return true;
    case TVM_GETBKCOLOR: r = back_ == CLR_DEFAULT ? -1 : static_cast<LRESULT>(back_); return true;
    case TVM_SETTEXTCOLOR:
        r = static_cast<LRESULT>(fore_ == CLR_DEFAULT ? static_cast<COLORREF>(-1) : fore_);
        fore_ = lParam == -1 ? CLR_DEFAULT : static_cast<COLORREF>(lParam);
        repaint();
        return true;
    case TVM_GETTEXTCOLOR: r = fore_ == CLR_DEFAULT ? -1 : static_cast<LRESULT>(fore_); return true;
    case TVM_SETLINECOLOR:
        r = static_cast<LRESULT>(lines_);
        lines_ = static_cast<COLORREF>(lParam);
        repaint();
        return true;
    case TVM_GETLINECOLOR: r = static_cast<LRESULT>(lines_); return true;
    case TVM_GETITEMSTATE: {
        Item* i = item(static_cast<LPARAM>(wParam));
        r = i ? static_cast<LRESULT>((i->state | (i == caret_ ? TVIS_SELECTED : 0)) & static_cast<UINT>(lParam)) : 0;
        return true;
    }
    case TVM_CREATEDRAGIMAGE: r = reinterpret_cast<LRESULT>(dragImage(item(lParam))); return true;
    case TVM_SETSCROLLTIME:
    case TVM_GETSCROLLTIME: r = 0; return true;
    case TVM_SETINSERTMARK: r = TRUE; return true;
    default: return false;
    }
}

void TreeControl::layoutScroll() {
    if (!widget_) return;
    const int n = static_cast<int>(rows().size());
    QScrollBar* v = widget_->verticalScrollBar();
    const bool noScroll = (style_ & TVS_NOSCROLL) != 0;
    widget_->setVerticalScrollBarPolicy(noScroll ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    widget_->setHorizontalScrollBarPolicy(noScroll || (style_ & TVS_NOHSCROLL) ? Qt::ScrollBarAlwaysOff
                                                                               : Qt::ScrollBarAsNeeded);
    v->setRange(0, std::max(0, n - fullRows()));
    v->setPageStep(fullRows());
    v->setSingleStep(1);
    // The widest row decides the horizontal range.
    int widest = 0;
    const QFontMetrics fm(widget_->font());
    const int fixed = stateWidth() + (images_ ? iconSize(images_).width() + 3 : 0) + 4;
    for (Item* i : rows_) {
        const int column = level(i) + (rootLines() ? 1 : 0);
        widest = std::max(widest, column * indent_ + fixed + fm.horizontalAdvance(toQt(i->textCallback ? i->lastShown : i->text)));
    }
    QScrollBar* hbar = widget_->horizontalScrollBar();
    hbar->setRange(0, std::max(0, widest - viewWidth()));
    hbar->setPageStep(std::max(1, viewWidth()));
    hbar->setSingleStep(indent_);
}

void TreeControl::paintRow(QPainter& p, Item* i, int row, const NMTVCUSTOMDRAW& cd, bool showSel, COLORREF back) {
    const Parts parts = this->parts(i, row);
    const Shown s = shown(i);
    if (!live_.count(i)) return;
    const int h = itemHeight();
    const int mid = parts.row.top() + h / 2;
    const QColor lineColour = qcolourOf(lines_ == CLR_DEFAULT ? GetSysColor(COLOR_GRAYTEXT) : lines_);
    if ((style_ & TVS_HASLINES) && parts.button.isValid()) {
        QPen pen(lineColour, 1, Qt::DotLine);
        p.setPen(pen);
        const int cx = parts.button.center().x();
        // The line from the parent down to this item (and on to the next sibling).
        const bool more = sibling(i, 1) != nullptr;
        const bool first = i->parent == &root_ && indexIn(i) == 0;
        p.drawLine(cx, first ? mid : parts.row.top(), cx, more ? parts.row.bottom() : mid);
        p.drawLine(cx, mid, parts.button.right() - 1, mid);
        // The lines of ancestors that have siblings below.
        int x = cx - indent_;
        for (Item* a = i->parent; a && a != &root_; a = a->parent, x -= indent_) {
            if (a->parent == &root_ && !rootLines()) break;
            if (sibling(a, 1)) p.drawLine(x, parts.row.top(), x, parts.row.bottom());
        }
    }
    if ((style_ & TVS_HASBUTTONS) && parts.button.isValid() && s.hasChildren) {
        const QRect box(parts.button.center().x() - 4, mid - 4, 8, 8);
        p.fillRect(box, qcolourOf(GetSysColor(COLOR_WINDOW)));
        p.setPen(qcolourOf(GetSysColor(COLOR_BTNSHADOW)));
        p.drawRect(box);
        p.setPen(qcolourOf(GetSysColor(COLOR_WINDOWTEXT)));
        p.drawLine(box.left() + 2, mid, box.right() - 2, mid);
        if (!expanded(i)) p.drawLine(box.center().x(), box.top() + 2, box.center().x(), box.bottom() - 2);
    }
    const UINT stateIndex = (i->state & TVIS_STATEIMAGEMASK) >> 12;
    if (stateImages_ && stateIndex > 0) {
        if (il::List* l = il::find(stateImages_)) {
            const QImage img = il::compose(*l, static_cast<int>(stateIndex), QSize(), CLR_NONE, CLR_DEFAULT, ILD_TRANSPARENT);
            if (!img.isNull()) p.drawImage(parts.state.left(), parts.state.top() + (h - img.height()) / 2, img);
        }
    } else if (checkBoxes() && parts.state.isValid()) {
        const QRect box(parts.state.left() + 2, parts.state.top() + (h - 12) / 2, 12, 12);
        p.fillRect(box, qcolourOf(GetSysColor(COLOR_WINDOW)));
        p.setPen(qcolourOf(GetSysColor(COLOR_WINDOWTEXT)));
        p.drawRect(box.adjusted(0, 0, -1, -1));
        if (stateIndex == 2) {
            p.drawLine(box.left() + 2, box.center().y(), box.left() + 5, box.bottom() - 3);
            p.drawLine(box.left() + 5, box.bottom() - 3, box.right() - 2, box.top() + 2);
        }
    }
    const bool sel = selected(i) || i == dropHilite_;
    const bool focused = GetFocus() == handle_;
    if (images_ && parts.icon.isValid()) {
        const int index = sel && i == caret_ ? s.selImage : s.image;
        if (il::List* l = il::find(images_); l && index >= 0) {
            UINT style = ILD_TRANSPARENT | (i->state & TVIS_OVERLAYMASK);
            if (i->state & TVIS_CUT) style |= ILD_BLEND50;
            const QImage img = il::compose(*l, index, QSize(), CLR_NONE, (i->state & TVIS_CUT) ? CLR_NONE : CLR_DEFAULT, style);
            if (!img.isNull()) p.drawImage(parts.icon.left(), parts.icon.top() + (h - img.height()) / 2, img);
        }
    }
    QFont f = widget_->font();
    if (i->state & TVIS_BOLD) f.setBold(true);
    p.setFont(f);
    const QRect label = (style_ & TVS_FULLROWSELECT) ? QRect(parts.label.left(), parts.row.top(), parts.row.right() - parts.label.left() + 1, h)
                                                    : parts.label;
    COLORREF text = cd.clrText;
    if (showSel || cd.clrTextBk != back) p.fillRect(label, qcolourOf(cd.clrTextBk));
    if (!IsWindowEnabled(handle_)) text = GetSysColor(COLOR_GRAYTEXT);
    p.setPen(qcolourOf(text));
    if (i != editItem_) p.drawText(label.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, toQt(s.text));
    if (focused && i == caret_) {
        QPen pen(qcolourOf(GetSysColor(COLOR_WINDOWTEXT)), 1, Qt::DotLine);
        p.setPen(pen);
        p.drawRect(label.adjusted(0, 0, -1, -1));
    }
}

void TreeControl::paint(QPainter& p) {
    const QRect area(0, 0, viewWidth(), viewHeight());
    const COLORREF back = back_ == CLR_DEFAULT ? GetSysColor(COLOR_WINDOW) : back_;
    p.fillRect(area, qcolourOf(back));
    NMTVCUSTOMDRAW cd{};
    CustomDrawPass pass(handle_, cd.nmcd);
    QPointer<QWidget> alive(widget_);
    pass.begin(p, area);
    if (!alive) return;
    const auto all = rows();  // a copy: notifications may change the tree
    const int h = itemHeight();
    const int first = topRow();
    const bool focused = GetFocus() == handle_;
    for (int row = first; row < static_cast<int>(all.size()) && (row - first) * h < area.height(); ++row) {
        Item* i = all[static_cast<std::size_t>(row)];
        if (!live_.count(i)) continue;
        const bool sel = selected(i) || i == dropHilite_;
        const bool showSel = sel && (focused || (style_ & TVS_SHOWSELALWAYS) || i == dropHilite_);
        UINT state = 0;
        if (sel) state |= CDIS_SELECTED;
        if (focused && i == caret_) state |= CDIS_FOCUS;
        if (!IsWindowEnabled(handle_)) state |= CDIS_DISABLED;
        cd.iLevel = level(i);
        cd.clrText = showSel && focused ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                        : (fore_ == CLR_DEFAULT ? GetSysColor(COLOR_WINDOWTEXT) : fore_);
        cd.clrTextBk = showSel ? (focused ? GetSysColor(COLOR_HIGHLIGHT) : GetSysColor(COLOR_BTNFACE)) : back;
        const QRect rowRect(0, (row - first) * h, area.width(), h);
        pass.item(p, rowRect, reinterpret_cast<DWORD_PTR>(i), state, i->param,
                  [&](QPainter& q) { paintRow(q, i, row, cd, showSel, back); });
        if (!alive) return;
    }
    pass.end(p, area);
}

}  // namespace

NewControl newTreeView(Window& w) {
    auto c = std::make_unique<TreeControl>(w.handle, w.style);
    QWidget* widget = c->widget();
    return NewControl{std::move(c), widget};
}

}  // namespace platform::win
