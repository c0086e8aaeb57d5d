// Menu handles: items kept here, shown by Qt menus (pop-ups) and Qt menu bars (a window's
// menu). The Qt side is made anew from the items whenever a menu opens, so that what the
// owner changes in WM_INITMENUPOPUP is what the user sees.
#include "CustomDraw.h"
#include "ImageListImpl.h"
#include "WindowImpl.h"
#include "platform/codepage.h"
#include "platform/winerror.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWidgetAction>
#include <algorithm>
#include <cstddef>
#include <map>
#include <memory>
#include <vector>

namespace platform::win {
namespace {

struct Item {
    UINT type = MFT_STRING;
    UINT state = 0;
    UINT id = 0;
    HMENU sub = nullptr;
    std::u16string text;
    HBITMAP checked = nullptr;
    HBITMAP unchecked = nullptr;
    HBITMAP bitmap = nullptr;
    ULONG_PTR data = 0;
};

struct Menu {
    bool bar = false;
    std::vector<Item> items;
    HWND wnd = nullptr;  // the window whose menu bar this is
    HMENU parent = nullptr;
};

struct Table {
    std::map<HMENU, std::unique_ptr<Menu>> menus;
    std::uintptr_t next = 0x90000;
};

Table& table() {
    static auto* t = new Table;
    return *t;
}

Menu* findMenu(HMENU h) {
    auto& m = table().menus;
    auto it = m.find(h);
    return it == m.end() ? nullptr : it->second.get();
}

Menu* menuOrFail(HMENU h) {
    Menu* m = findMenu(h);
    if (!m) SetLastError(ERROR_INVALID_MENU_HANDLE);
    return m;
}

HMENU newMenu(bool bar) {
    Table& t = table();
    t.next += 4;
    const HMENU h = reinterpret_cast<HMENU>(t.next);
    auto m = std::make_unique<Menu>();
    m->bar = bar;
    t.menus.emplace(h, std::move(m));
    return h;
}

// An item by position or by command; commands are looked for in sub-menus too.
struct Ref {
    HMENU menu = nullptr;
    std::size_t index = 0;
};

bool locate(HMENU h, UINT item, bool byPosition, Ref& out, int depth = 0) {
    Menu* m = findMenu(h);
    if (!m || depth > 32) return false;
    if (byPosition) {
        if (item >= m->items.size()) return false;
        out = {h, item};
        return true;
    }
    for (std::size_t i = 0; i < m->items.size(); ++i)
        if (!m->items[i].sub && m->items[i].id == item && !(m->items[i].type & MFT_SEPARATOR)) {
            out = {h, i};
            return true;
        }
    for (std::size_t i = 0; i < m->items.size(); ++i)
        if (m->items[i].sub && locate(m->items[i].sub, item, false, out, depth + 1)) return true;
    // A sub-menu item is found by command when its identifier was given as such.
    for (std::size_t i = 0; i < m->items.size(); ++i)
        if (m->items[i].sub && m->items[i].id == item) {
            out = {h, i};
            return true;
        }
    return false;
}

Item* itemOf(const Ref& r) {
    Menu* m = findMenu(r.menu);
    return m && r.index < m->items.size() ? &m->items[r.index] : nullptr;
}

void destroyMenu(HMENU h, int depth = 0) {
    auto& menus = table().menus;
    auto it = menus.find(h);
    if (it == menus.end() || depth > 32) return;
    std::unique_ptr<Menu> gone = std::move(it->second);
    menus.erase(it);
    for (const Item& i : gone->items)
        if (i.sub) destroyMenu(i.sub, depth + 1);
}

void barChanged(HMENU h);

// Everything that changes items goes through here: a menu bar on show follows.
void changed(HMENU h) {
    for (int depth = 0; h && depth < 32; ++depth) {
        Menu* m = findMenu(h);
        if (!m) return;
        if (m->wnd) {
            barChanged(h);
            return;
        }
        h = m->parent;
    }
}

// Items from the old flag-word calls (AppendMenu, InsertMenu, ModifyMenu).
template <class Str>
bool itemFromFlags(UINT flags, UINT_PTR idNewItem, Str newItem, bool unicode, Item& item) {
    item = Item{};
    item.type = flags & (MF_BITMAP | MF_OWNERDRAW | MF_SEPARATOR | MF_MENUBARBREAK | MF_MENUBREAK | MF_RIGHTJUSTIFY);
    item.state = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT);
    if (flags & MF_POPUP) {
        item.sub = reinterpret_cast<HMENU>(idNewItem);
        if (!findMenu(item.sub)) {
            SetLastError(ERROR_INVALID_MENU_HANDLE);
            return false;
        }
        item.id = static_cast<UINT>(idNewItem);
    } else {
        item.id = static_cast<UINT>(idNewItem);
    }
    if (item.type & MF_SEPARATOR) item.type = MFT_SEPARATOR | (item.type & (MF_MENUBARBREAK | MF_MENUBREAK));
    else if (item.type & MF_BITMAP) item.bitmap = reinterpret_cast<HBITMAP>(const_cast<void*>(static_cast<const void*>(newItem)));
    else if (item.type & MF_OWNERDRAW) item.data = reinterpret_cast<ULONG_PTR>(newItem);
    else if (newItem) item.text = textArg(reinterpret_cast<LPARAM>(newItem), unicode);
    return true;
}

void adopt(HMENU parent, const Item& item) {
    if (!item.sub) return;
    if (Menu* s = findMenu(item.sub)) s->parent = parent;
}

bool insertItem(HMENU h, UINT position, bool byPosition, Item item) {
    Menu* m = menuOrFail(h);
    if (!m) return false;
    Ref r;
    std::size_t at = m->items.size();
    if (byPosition) {
        if (position < m->items.size()) at = position;
    } else if (locate(h, position, false, r)) {
        Menu* target = findMenu(r.menu);
        adopt(r.menu, item);
        target->items.insert(target->items.begin() + static_cast<std::ptrdiff_t>(r.index), std::move(item));
        changed(r.menu);
        return true;
    }
    adopt(h, item);
    m->items.insert(m->items.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
    changed(h);
    return true;
}

template <class Info>
bool checkSize(const Info* info) {
    if (!info || (info->cbSize != sizeof(Info) && info->cbSize != offsetof(Info, hbmpItem))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

template <class Info>
void applyInfo(Item& item, const Info& info, bool unicode) {
    const UINT mask = info.fMask;
    const bool hasBitmap = info.cbSize == sizeof(Info);
    if (mask & MIIM_TYPE) {
        item.type = info.fType;
        if (info.fType & MFT_BITMAP) {
            item.bitmap = reinterpret_cast<HBITMAP>(info.dwTypeData);
            item.text.clear();
        } else if (!(info.fType & (MFT_SEPARATOR | MFT_OWNERDRAW))) {
            item.text = textArg(reinterpret_cast<LPARAM>(info.dwTypeData), unicode);
        }
    }
    if (mask & MIIM_FTYPE) item.type = info.fType;
    if (mask & MIIM_STRING) item.text = textArg(reinterpret_cast<LPARAM>(info.dwTypeData), unicode);
    if ((mask & MIIM_BITMAP) && hasBitmap) item.bitmap = info.hbmpItem;
    if (mask & MIIM_STATE) item.state = info.fState;
    if (mask & MIIM_ID) item.id = info.wID;
    if (mask & MIIM_SUBMENU) item.sub = info.hSubMenu;
    if (mask & MIIM_CHECKMARKS) {
        item.checked = info.hbmpChecked;
        item.unchecked = info.hbmpUnchecked;
    }
    if (mask & MIIM_DATA) item.data = info.dwItemData;
}

template <class Info, class Ch>
bool readInfo(const Item& item, Info& info, bool unicode) {
    const UINT mask = info.fMask;
    const auto copyText = [&]() {
        std::basic_string<Ch> t;
        if constexpr (sizeof(Ch) == 2) t = item.text;
        else t = wideToAnsi(item.text);
        if (!info.dwTypeData || info.cch == 0) {
            info.cch = static_cast<UINT>(t.size());
            return;
        }
        const std::size_t n = std::min<std::size_t>(t.size(), info.cch - 1);
        std::copy_n(t.data(), n, info.dwTypeData);
        info.dwTypeData[n] = 0;
        info.cch = static_cast<UINT>(n);
    };
    (void)unicode;
    if (mask & MIIM_TYPE) {
        info.fType = item.type;
        if (item.type & MFT_BITMAP) info.dwTypeData = reinterpret_cast<decltype(info.dwTypeData)>(item.bitmap);
        else if (!(item.type & (MFT_SEPARATOR | MFT_OWNERDRAW))) copyText();
    }
    if (mask & MIIM_FTYPE) info.fType = item.type;
    if (mask & MIIM_STRING) copyText();
    if ((mask & MIIM_BITMAP) && info.cbSize == sizeof(Info)) info.hbmpItem = item.bitmap;
    if (mask & MIIM_STATE) info.fState = item.state;
    if (mask & MIIM_ID) info.wID = item.id;
    if (mask & MIIM_SUBMENU) info.hSubMenu = item.sub;
    if (mask & MIIM_CHECKMARKS) {
        info.hbmpChecked = item.checked;
        info.hbmpUnchecked = item.unchecked;
    }
    if (mask & MIIM_DATA) info.dwItemData = item.data;
    return true;
}

template <class Info>
BOOL insertMenuItem(HMENU h, UINT item, BOOL byPosition, const Info* info, bool unicode) {
    if (!checkSize(info) || !menuOrFail(h)) return FALSE;
    Item it;
    applyInfo(it, *info, unicode);
    if (it.sub && !findMenu(it.sub)) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    return insertItem(h, item, byPosition != 0, std::move(it)) ? TRUE : FALSE;
}

template <class Info>
BOOL setMenuItemInfo(HMENU h, UINT item, BOOL byPosition, const Info* info, bool unicode) {
    if (!checkSize(info) || !menuOrFail(h)) return FALSE;
    Ref r;
    if (!locate(h, item, byPosition != 0, r)) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    Item* it = itemOf(r);
    applyInfo(*it, *info, unicode);
    adopt(r.menu, *it);
    changed(r.menu);
    return TRUE;
}

template <class Info, class Ch>
BOOL getMenuItemInfo(HMENU h, UINT item, BOOL byPosition, Info* info, bool unicode) {
    if (!checkSize(info) || !menuOrFail(h)) return FALSE;
    Ref r;
    if (!locate(h, item, byPosition != 0, r)) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    return readInfo<Info, Ch>(*itemOf(r), *info, unicode) ? TRUE : FALSE;
}

template <class Str>
BOOL modifyMenu(HMENU h, UINT position, UINT flags, UINT_PTR id, Str text, bool unicode) {
    if (!menuOrFail(h)) return FALSE;
    Ref r;
    if (!locate(h, position, (flags & MF_BYPOSITION) != 0, r)) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    Item next;
    if (!itemFromFlags(flags, id, text, unicode, next)) return FALSE;
    Item* it = itemOf(r);
    // A sub-menu replaced by something else is destroyed, as DeleteMenu would.
    if (it->sub && it->sub != next.sub) destroyMenu(it->sub);
    next.checked = it->checked;
    next.unchecked = it->unchecked;
    *it = std::move(next);
    adopt(r.menu, *it);
    changed(r.menu);
    return TRUE;
}

template <class Ch>
int getMenuString(HMENU h, UINT item, Ch* text, int max, UINT flags) {
    Ref r;
    if (!findMenu(h) || !locate(h, item, (flags & MF_BYPOSITION) != 0, r)) {
        if (text && max > 0) text[0] = 0;
        return 0;
    }
    std::basic_string<Ch> t;
    if constexpr (sizeof(Ch) == 2) t = itemOf(r)->text;
    else t = wideToAnsi(itemOf(r)->text);
    if (!text || max <= 0) return static_cast<int>(t.size());
    const std::size_t n = std::min<std::size_t>(t.size(), static_cast<std::size_t>(max - 1));
    std::copy_n(t.data(), n, text);
    text[n] = 0;
    return static_cast<int>(n);
}

// ---- Showing menus through Qt ------------------------------------------------------------

// What the menu shown tells its owner: one session per pop-up or per opened bar menu.
struct Session {
    HWND owner = nullptr;
    HMENU barMenu = nullptr;  // the menu of a bar's session
    bool notify = true;
    UINT chosen = 0;
    QPointer<QMenu> root;
    std::vector<QPointer<QMenu>> menus;
};

Session*& activeSession() {
    static Session* s = nullptr;
    return s;
}

LRESULT tell(Session& s, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!s.notify || !s.owner || !find(s.owner)) return 0;
    return send(s.owner, msg, wParam, lParam, true);
}

UINT selectFlags(const Item& item) {
    UINT f = MF_HILITE | (item.state & (MF_GRAYED | MF_DISABLED | MF_CHECKED)) | (item.type & (MF_OWNERDRAW | MF_BITMAP));
    if (item.sub) f |= MF_POPUP;
    return f;
}

void select(Session& s, HMENU h, std::size_t index) {
    Menu* m = findMenu(h);
    if (!m || index >= m->items.size()) return;
    const Item& item = m->items[index];
    const WORD which = item.sub ? static_cast<WORD>(index) : static_cast<WORD>(item.id);
    tell(s, WM_MENUSELECT, MAKEWPARAM(which, static_cast<WORD>(selectFlags(item))), reinterpret_cast<LPARAM>(h));
}

// Closes every menu of the session (an owner-drawn item was chosen, or EndMenu).
void closeAll(Session& s) {
    for (auto it = s.menus.rbegin(); it != s.menus.rend(); ++it)
        if (*it && (*it)->isVisible()) (*it)->hide();
    if (s.root && s.root->isVisible()) s.root->hide();
}

QImage bitmapImage(HBITMAP b) {
    QImage image;
    if (!b || !il::bitmapPixels(b, &image, nullptr)) return {};
    return image;
}

// The text Qt shows: the last single "&" marks the hot key, a shortcut text after a tab
// stays as it is.
QString itemText(const Item& item) { return hotKeyText(item.text); }

// An owner-drawn item: its size from WM_MEASUREITEM, its face from WM_DRAWITEM on a DC.
class OwnerDrawnItem : public QWidget {
public:
    OwnerDrawnItem(Session& s, HMENU menu, std::size_t index, QWidgetAction* action)
        : session_(s), menu_(menu), index_(index), action_(action) {
        setObjectName(QStringLiteral("ownerDrawnMenuItem"));
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
        const Item* item = current();
        MEASUREITEMSTRUCT m{};
        m.CtlType = ODT_MENU;
        m.itemID = item ? item->id : 0;
        m.itemWidth = 80;
        m.itemHeight = static_cast<UINT>(std::max(18, fontMetrics().height() + 4));
        m.itemData = item ? item->data : 0;
        tell(session_, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&m));
        size_ = QSize(static_cast<int>(std::clamp<UINT>(m.itemWidth, 1, 4000)),
                      static_cast<int>(std::clamp<UINT>(m.itemHeight, 1, 4000)));
        // The measured size is the least; the item spans the menu's width, as its neighbours do.
        setMinimumSize(size_);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override { return size_; }

protected:
    void paintEvent(QPaintEvent*) override {
        const Item* item = current();
        if (!item) return;
        QImage image(size(), QImage::Format_RGB32);
        const bool selected = isSelected();
        image.fill(QColor::fromRgb(GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_MENU) & 0xFF,
                                   (GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_MENU) >> 8) & 0xFF,
                                   (GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_MENU) >> 16) & 0xFF));
        const QRect area(QPoint(0, 0), size());
        HDC dc = createAreaDC(&image, area);
        if (dc) {
            DRAWITEMSTRUCT d{};
            d.CtlType = ODT_MENU;
            d.itemID = item->id;
            d.itemAction = ODA_DRAWENTIRE;
            d.itemState = (selected ? ODS_SELECTED : 0) | ((item->state & MF_GRAYED) ? ODS_GRAYED : 0) |
                          ((item->state & MF_DISABLED) ? ODS_DISABLED : 0) |
                          ((item->state & MF_CHECKED) ? ODS_CHECKED : 0) | ((item->state & MFS_DEFAULT) ? ODS_DEFAULT : 0);
            d.hwndItem = reinterpret_cast<HWND>(menu_);
            d.hDC = dc;
            d.rcItem = toRect(area);
            d.itemData = item->data;
            tell(session_, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&d));
            DeleteDC(dc);
        }
        QPainter p(this);
        p.drawImage(0, 0, image);
    }
    void enterEvent(QEnterEvent*) override { activate(); }
    void mouseMoveEvent(QMouseEvent*) override {
        if (!isSelected()) activate();
    }
    void leaveEvent(QEvent*) override { update(); }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton || e->button() == Qt::RightButton) choose();
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Space) choose();
        else QWidget::keyPressEvent(e);
    }

private:
    const Item* current() const {
        Menu* m = findMenu(menu_);
        return m && index_ < m->items.size() ? &m->items[index_] : nullptr;
    }
    bool isSelected() const {
        auto* menu = qobject_cast<QMenu*>(parentWidget());
        return menu && menu->activeAction() == action_;
    }
    void activate() {
        if (auto* menu = qobject_cast<QMenu*>(parentWidget()); menu && menu->activeAction() != action_)
            menu->setActiveAction(action_);
        update();
    }
    void choose() {
        const Item* item = current();
        if (!item || (item->state & (MF_GRAYED | MF_DISABLED))) return;
        action_->trigger();
    }

    Session& session_;
    HMENU menu_;
    std::size_t index_;
    QWidgetAction* action_;
    QSize size_;
};

void fill(QMenu* qm, HMENU h, Session& s, int depth);

// One item as a Qt action of `qm` (a pop-up) or of a menu bar's list of actions.
QAction* makeAction(QWidget* owner, HMENU h, std::size_t index, Session& s, int depth,
                    std::map<UINT, QActionGroup*>& radioGroups) {
    Menu* m = findMenu(h);
    const Item& item = m->items[index];
    const bool enabled = !(item.state & (MF_GRAYED | MF_DISABLED));
    QAction* a = nullptr;
    if (item.sub) {
        auto* sub = new QMenu(itemText(item), owner);
        a = sub->menuAction();
        const HMENU subHandle = item.sub;
        const std::size_t pos = index;
        s.menus.push_back(sub);
        QObject::connect(sub, &QMenu::aboutToShow, sub, [sub, subHandle, pos, &s, depth] {
            if (activeSession() != &s) {
                // A menu of a bar opens: the bar's menu loop starts.
                if (!s.barMenu || activeSession()) return;
                activeSession() = &s;
                tell(s, WM_ENTERMENULOOP, FALSE, 0);
                tell(s, WM_INITMENU, reinterpret_cast<WPARAM>(s.barMenu), 0);
            }
            tell(s, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(subHandle), MAKELPARAM(static_cast<WORD>(pos), FALSE));
            for (QAction* old : sub->actions())
                if (QMenu* inner = old->menu(); inner && inner->parent() == sub) inner->deleteLater();
            sub->clear();
            if (findMenu(subHandle)) fill(sub, subHandle, s, depth + 1);
        });
        // Filled now too, so that Qt knows the sub-menu has items before it opens.
        fill(sub, subHandle, s, depth + 1);
    } else if (item.type & MFT_OWNERDRAW) {
        auto* wa = new QWidgetAction(owner);
        wa->setDefaultWidget(new OwnerDrawnItem(s, h, index, wa));
        a = wa;
    } else {
        a = new QAction(itemText(item), owner);
        if (item.bitmap) {
            const QImage image = bitmapImage(item.bitmap);
            if (!image.isNull()) a->setIcon(QIcon(QPixmap::fromImage(image)));
        }
        if (item.type & MFT_RADIOCHECK) {
            // Radio items that stand together share one exclusive group, for their marks.
            QActionGroup*& g = radioGroups[static_cast<UINT>(depth)];
            if (!g) {
                g = new QActionGroup(owner);
                g->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
            }
            a->setActionGroup(g);
        }
        if ((item.state & MF_CHECKED) || (item.type & MFT_RADIOCHECK)) {
            a->setCheckable(true);
            a->setChecked((item.state & MF_CHECKED) != 0);
        }
        const UINT id = item.id;
        QObject::connect(a, &QAction::triggered, a, [&s, id] {
            if (activeSession() == &s) s.chosen = id;
        });
    }
    if (item.type & MFT_OWNERDRAW)
        QObject::connect(a, &QAction::triggered, a, [&s, id = item.id] {
            if (activeSession() != &s) return;
            s.chosen = id;
            closeAll(s);
        });
    if (item.state & MFS_DEFAULT) {
        QFont f = a->font();
        f.setBold(true);
        a->setFont(f);
    }
    a->setEnabled(enabled);
    QObject::connect(a, &QAction::hovered, a, [&s, h, index] {
        if (activeSession() == &s) select(s, h, index);
    });
    return a;
}

void fill(QMenu* qm, HMENU h, Session& s, int depth) {
    Menu* m = findMenu(h);
    if (!m || depth > 32) return;
    std::map<UINT, QActionGroup*> radioGroups;
    for (std::size_t i = 0; i < m->items.size(); ++i) {
        const Item& item = m->items[i];
        if (item.type & MFT_SEPARATOR) {
            qm->addSeparator();
            radioGroups.clear();
            continue;
        }
        qm->addAction(makeAction(qm, h, i, s, depth, radioGroups));
        m = findMenu(h);
        if (!m) return;
    }
}

// ---- Menu bars ------------------------------------------------------------------------

class MenuBar : public QMenuBar {
public:
    MenuBar(HWND wnd, QWidget* parent) : QMenuBar(parent), wnd_(wnd) {
        setObjectName(QStringLiteral("windowMenuBar"));
        setNativeMenuBar(false);
        parent->installEventFilter(this);
    }
    HWND wnd() const { return wnd_; }
    Session session;
    bool dirty = false;

protected:
    bool eventFilter(QObject* obj, QEvent* e) override {
        if (obj == parentWidget() && e->type() == QEvent::Resize) place();
        return QMenuBar::eventFilter(obj, e);
    }

public:
    void place() {
        Window* w = platform::win::find(wnd_);
        if (!w || !w->widget) return;
        const QMargins m = frameMarginsOf(*w);
        setGeometry(m.left(), m.top(), std::max(0, w->widget->width() - m.left() - m.right()), sizeHint().height());
    }

private:
    HWND wnd_;
};

std::map<HWND, QPointer<MenuBar>>& bars() {
    static auto* m = new std::map<HWND, QPointer<MenuBar>>;
    return *m;
}

bool barMenuOpen(MenuBar* bar) {
    for (const auto& m : bar->session.menus)
        if (m && m->isVisible()) return true;
    return false;
}

// Moves the client area below the menu bar (or back): children keep their client positions.
void setBarHeight(Window& w, int height) {
    if (w.menuBarHeight == height) return;
    const QPoint before = clientOffset(w);
    w.menuBarHeight = height;
    const QPoint delta = clientOffset(w) - before;
    for (HWND c : w.children)
        if (Window* cw = find(c); cw && cw->widget) cw->widget->move(cw->widget->pos() + delta);
    resizeSurface(w);
    const QSize cs = clientSize(w);
    send(w.handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(static_cast<WORD>(cs.width()), static_cast<WORD>(cs.height())),
         true);
    scheduleRepaint(w, QRect(QPoint(0, 0), cs));
}

void rebuildBar(MenuBar* bar) {
    bar->dirty = false;
    Window* w = find(bar->wnd());
    if (!w) return;
    const HMENU h = w->menu;
    for (const auto& m : bar->session.menus)
        if (m) m->deleteLater();
    bar->session.menus.clear();
    bar->clear();
    Menu* m = findMenu(h);
    if (!m) return;
    Session& s = bar->session;
    s.owner = bar->wnd();
    s.barMenu = h;
    std::map<UINT, QActionGroup*> groups;
    for (std::size_t i = 0; i < m->items.size(); ++i) {
        if (m->items[i].type & MFT_SEPARATOR) continue;
        QAction* a = makeAction(bar, h, i, s, 0, groups);
        bar->addAction(a);
        if (QMenu* sub = a->menu()) {
            QObject::connect(sub, &QMenu::aboutToHide, bar, [bar] {
                QMetaObject::invokeMethod(bar, [bar] {
                    if (barMenuOpen(bar) || activeSession() != &bar->session) return;
                    Session& s = bar->session;
                    tell(s, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
                    tell(s, WM_EXITMENULOOP, FALSE, 0);
                    activeSession() = nullptr;
                    if (s.chosen) {
                        const UINT id = s.chosen;
                        s.chosen = 0;
                        tell(s, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
                    }
                    if (bar->dirty) rebuildBar(bar);
                }, Qt::QueuedConnection);
            });
        } else {
            // A command on the bar itself.
            const UINT id = m->items[i].id;
            QObject::connect(a, &QAction::triggered, bar, [bar, id] {
                tell(bar->session, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
            });
            QObject::connect(a, &QAction::hovered, bar, [bar, h, i] {
                Session& s = bar->session;
                select(s, h, i);
            });
        }
        m = findMenu(h);
        if (!m) return;
    }
    bar->place();
    bar->setVisible(!m->items.empty());
    setBarHeight(*w, m->items.empty() ? 0 : bar->sizeHint().height());
}

void barChanged(HMENU h) {
    Menu* m = findMenu(h);
    if (!m || !m->wnd) return;
    auto it = bars().find(m->wnd);
    if (it == bars().end() || !it->second) return;
    MenuBar* bar = it->second;
    if (bar->dirty) return;
    bar->dirty = true;
    QMetaObject::invokeMethod(bar, [bar] {
        if (bar->dirty && !barMenuOpen(bar)) rebuildBar(bar);
    }, Qt::QueuedConnection);
}

void detachBar(Window& w) {
    if (Menu* m = findMenu(w.menu)) m->wnd = nullptr;
    w.menu = nullptr;
    auto it = bars().find(w.handle);
    if (it != bars().end()) {
        if (MenuBar* bar = it->second) {
            if (activeSession() == &bar->session) activeSession() = nullptr;
            bar->hide();
            bar->deleteLater();
        }
        bars().erase(it);
    }
}

}  // namespace

void forgetWindowMenu(HWND wnd) {
    Window* w = find(wnd);
    if (!w) return;
    const HMENU h = w->menu;
    detachBar(*w);
    // A window's menu goes with it.
    if (h) destroyMenu(h);
}

}  // namespace platform::win

using namespace platform::win;

HMENU CreateMenu() { return newMenu(true); }
HMENU CreatePopupMenu() { return newMenu(false); }

BOOL DestroyMenu(HMENU menu) {
    Menu* m = menuOrFail(menu);
    if (!m) return FALSE;
    if (m->wnd)
        if (Window* w = find(m->wnd)) {
            detachBar(*w);
            setBarHeight(*w, 0);
        }
    if (m->parent)
        if (Menu* p = findMenu(m->parent))
            for (Item& i : p->items)
                if (i.sub == menu) i.sub = nullptr;
    destroyMenu(menu);
    return TRUE;
}

BOOL IsMenu(HMENU menu) { return findMenu(menu) ? TRUE : FALSE; }

BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, LPCSTR text) {
    Item item;
    if (!menuOrFail(menu) || !itemFromFlags(flags, id, text, false, item)) return FALSE;
    return insertItem(menu, static_cast<UINT>(-1), true, std::move(item)) ? TRUE : FALSE;
}

BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR id, LPCWSTR text) {
    Item item;
    if (!menuOrFail(menu) || !itemFromFlags(flags, id, text, true, item)) return FALSE;
    return insertItem(menu, static_cast<UINT>(-1), true, std::move(item)) ? TRUE : FALSE;
}

BOOL InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR id, LPCSTR text) {
    Item item;
    if (!menuOrFail(menu) || !itemFromFlags(flags, id, text, false, item)) return FALSE;
    return insertItem(menu, position, (flags & MF_BYPOSITION) != 0, std::move(item)) ? TRUE : FALSE;
}

BOOL InsertMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR id, LPCWSTR text) {
    Item item;
    if (!menuOrFail(menu) || !itemFromFlags(flags, id, text, true, item)) return FALSE;
    return insertItem(menu, position, (flags & MF_BYPOSITION) != 0, std::move(item)) ? TRUE : FALSE;
}

BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR id, LPCSTR text) {
    return modifyMenu(menu, position, flags, id, text, false);
}

BOOL ModifyMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR id, LPCWSTR text) {
    return modifyMenu(menu, position, flags, id, text, true);
}

BOOL InsertMenuItemA(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info) {
    return insertMenuItem(menu, item, byPosition, info, false);
}
BOOL InsertMenuItemW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info) {
    return insertMenuItem(menu, item, byPosition, info, true);
}
BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOA info) {
    return getMenuItemInfo<MENUITEMINFOA, char>(menu, item, byPosition, info, false);
}
BOOL GetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOW info) {
    return getMenuItemInfo<MENUITEMINFOW, char16_t>(menu, item, byPosition, info, true);
}
BOOL SetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info) {
    return setMenuItemInfo(menu, item, byPosition, info, false);
}
BOOL SetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info) {
    return setMenuItemInfo(menu, item, byPosition, info, true);
}

namespace {
BOOL takeOut(HMENU menu, UINT position, UINT flags, bool destroySub) {
    if (!menuOrFail(menu)) return FALSE;
    Ref r;
    if (!locate(menu, position, (flags & MF_BYPOSITION) != 0, r)) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    Menu* m = findMenu(r.menu);
    const Item gone = m->items[r.index];
    m->items.erase(m->items.begin() + static_cast<std::ptrdiff_t>(r.index));
    if (gone.sub) {
        if (destroySub) destroyMenu(gone.sub);
        else if (Menu* s = findMenu(gone.sub)) s->parent = nullptr;
    }
    changed(r.menu);
    return TRUE;
}
}  // namespace

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) { return takeOut(menu, position, flags, true); }
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) { return takeOut(menu, position, flags, false); }

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable) {
    Ref r;
    if (!findMenu(menu) || !locate(menu, item, (enable & MF_BYPOSITION) != 0, r)) return -1;
    Item* it = itemOf(r);
    const UINT old = it->state & (MF_GRAYED | MF_DISABLED);
    it->state = (it->state & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
    if (old != (it->state & (MF_GRAYED | MF_DISABLED))) changed(r.menu);
    return static_cast<BOOL>(old);
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check) {
    Ref r;
    if (!findMenu(menu) || !locate(menu, item, (check & MF_BYPOSITION) != 0, r)) return static_cast<DWORD>(-1);
    Item* it = itemOf(r);
    const UINT old = it->state & MF_CHECKED;
    it->state = (it->state & ~MF_CHECKED) | (check & MF_CHECKED);
    if (old != (it->state & MF_CHECKED)) changed(r.menu);
    return old;
}

BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags) {
    Menu* m = menuOrFail(menu);
    if (!m) return FALSE;
    const bool byPos = (flags & MF_BYPOSITION) != 0;
    Ref rf, rl;
    if (!locate(menu, first, byPos, rf) || !locate(menu, last, byPos, rl) || rf.menu != rl.menu) return FALSE;
    Ref rc;
    const bool haveCheck = locate(menu, check, byPos, rc) && rc.menu == rf.menu;
    Menu* target = findMenu(rf.menu);
    const std::size_t lo = std::min(rf.index, rl.index), hi = std::max(rf.index, rl.index);
    for (std::size_t i = lo; i <= hi; ++i) {
        Item& it = target->items[i];
        if (it.sub || (it.type & MFT_SEPARATOR)) continue;
        if (haveCheck && i == rc.index) {
            it.state |= MF_CHECKED;
            it.type |= MFT_RADIOCHECK;
        } else {
            it.state &= ~MF_CHECKED;
        }
    }
    changed(rf.menu);
    return haveCheck ? TRUE : FALSE;
}

int GetMenuItemCount(HMENU menu) {
    Menu* m = menuOrFail(menu);
    return m ? static_cast<int>(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
    Menu* m = findMenu(menu);
    if (!m || position < 0 || static_cast<std::size_t>(position) >= m->items.size()) return static_cast<UINT>(-1);
    const Item& it = m->items[static_cast<std::size_t>(position)];
    return it.sub ? static_cast<UINT>(-1) : it.id;
}

HMENU GetSubMenu(HMENU menu, int position) {
    Menu* m = findMenu(menu);
    if (!m || position < 0 || static_cast<std::size_t>(position) >= m->items.size()) return nullptr;
    return m->items[static_cast<std::size_t>(position)].sub;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
    Ref r;
    if (!findMenu(menu) || !locate(menu, item, (flags & MF_BYPOSITION) != 0, r)) return static_cast<UINT>(-1);
    const Item* it = itemOf(r);
    UINT s = it->state | (it->type & ~MFT_RADIOCHECK);
    if (it->sub) {
        const Menu* sub = findMenu(it->sub);
        s = (static_cast<UINT>(sub ? sub->items.size() : 0) << 8) | MF_POPUP | (s & 0xFF);
    }
    return s;
}

int GetMenuStringA(HMENU menu, UINT item, LPSTR text, int max, UINT flags) {
    return getMenuString(menu, item, text, max, flags);
}
int GetMenuStringW(HMENU menu, UINT item, LPWSTR text, int max, UINT flags) {
    return getMenuString(menu, item, text, max, flags);
}

BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition) {
    Menu* m = menuOrFail(menu);
    if (!m) return FALSE;
    std::size_t target = m->items.size();
    if (item != static_cast<UINT>(-1)) {
        if (byPosition) target = item;
        else
            for (std::size_t i = 0; i < m->items.size(); ++i)
                if (m->items[i].id == item) target = i;
        if (target >= m->items.size()) return FALSE;
    }
    for (std::size_t i = 0; i < m->items.size(); ++i) {
        if (i == target) m->items[i].state |= MFS_DEFAULT;
        else m->items[i].state &= ~MFS_DEFAULT;
    }
    changed(menu);
    return TRUE;
}

UINT GetMenuDefaultItem(HMENU menu, UINT byPosition, UINT flags) {
    Menu* m = findMenu(menu);
    for (int depth = 0; m && depth < 32; ++depth) {
        bool descended = false;
        for (std::size_t i = 0; i < m->items.size(); ++i) {
            const Item& it = m->items[i];
            if (!(it.state & MFS_DEFAULT)) continue;
            if ((it.state & (MF_GRAYED | MF_DISABLED)) && !(flags & GMDI_USEDISABLED)) return static_cast<UINT>(-1);
            if (it.sub && (flags & GMDI_GOINTOPOPUPS) && findMenu(it.sub)) {
                m = findMenu(it.sub);
                descended = true;
                break;
            }
            return byPosition ? static_cast<UINT>(i) : it.id;
        }
        if (!descended) break;
    }
    return static_cast<UINT>(-1);
}

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, const TPMPARAMS*) {
    if (!menuOrFail(menu)) return FALSE;
    if (!QApplication::instance() || activeSession()) return FALSE;
    Session s;
    s.owner = owner;
    s.notify = !(flags & TPM_NONOTIFY);
    activeSession() = &s;
    tell(s, WM_ENTERMENULOOP, TRUE, 0);
    tell(s, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, FALSE));
    QMenu qm;
    qm.setObjectName(QStringLiteral("popupMenu"));
    s.root = &qm;
    if (findMenu(menu)) fill(&qm, menu, s, 0);
    if (!qm.isEmpty()) {
        QPoint at(x, y);
        const QSize size = qm.sizeHint();
        if (flags & TPM_RIGHTALIGN) at.rx() -= size.width();
        else if (flags & TPM_CENTERALIGN) at.rx() -= size.width() / 2;
        if (flags & TPM_BOTTOMALIGN) at.ry() -= size.height();
        else if (flags & TPM_VCENTERALIGN) at.ry() -= size.height() / 2;
        qm.exec(at);
    }
    tell(s, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    tell(s, WM_EXITMENULOOP, TRUE, 0);
    activeSession() = nullptr;
    const UINT chosen = s.chosen;
    if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
    if (chosen && owner && find(owner)) send(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(chosen), 0), 0, true);
    return chosen ? TRUE : FALSE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
    return TrackPopupMenuEx(menu, flags, x, y, owner, nullptr);
}

BOOL EndMenu() {
    Session* s = activeSession();
    if (!s) return FALSE;
    closeAll(*s);
    return TRUE;
}

BOOL SetMenu(HWND wnd, HMENU menu) {
    Window* w = find(wnd);
    if (!w || w->parent) return FALSE;
    Menu* m = nullptr;
    if (menu && !(m = menuOrFail(menu))) return FALSE;
    if (w->menu == menu) return TRUE;
    if (Menu* old = findMenu(w->menu)) old->wnd = nullptr;
    w->menu = menu;
    if (!m) {
        detachBar(*w);
        if (Window* again = find(wnd)) setBarHeight(*again, 0);
        return TRUE;
    }
    if (m->wnd && m->wnd != wnd)
        if (Window* other = find(m->wnd)) {
            detachBar(*other);
            setBarHeight(*other, 0);
        }
    m->wnd = wnd;
    if (!w->widget) return TRUE;
    QPointer<MenuBar>& bar = bars()[wnd];
    if (!bar) {
        bar = new MenuBar(wnd, w->widget);
        bar->show();
    }
    rebuildBar(bar);
    return TRUE;
}

HMENU GetMenu(HWND wnd) {
    Window* w = find(wnd);
    return w && !w->parent ? w->menu : nullptr;
}

BOOL DrawMenuBar(HWND wnd) {
    Window* w = find(wnd);
    if (!w || !w->menu) return FALSE;
    auto it = bars().find(wnd);
    if (it == bars().end() || !it->second) return FALSE;
    if (!barMenuOpen(it->second)) rebuildBar(it->second);
    else it->second->dirty = true;
    return TRUE;
}
