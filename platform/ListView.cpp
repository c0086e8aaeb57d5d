// The list view's messages: items and sub-items, columns (kept in step with the header),
// states, image lists, sorting, finding, hit tests and rectangles, label editing through an
// EDIT child window, and the notifications that go with them in the parent's form.
#include "CommonControlImpl.h"
#include "ListViewParts.h"
#include "platform/codepage.h"
#include "platform/locale.h"

#include <QScrollBar>

#include <algorithm>
#include <cstring>
#include <numeric>

namespace platform::win {

namespace {

constexpr int kDispTextSize = 260;  // the buffer of a text asked with LVN_GETDISPINFO
constexpr UINT_PTR kEditId = 1;

UINT headerFormat(int lvfmt) {
    UINT f = static_cast<UINT>(lvfmt & LVCFMT_JUSTIFYMASK) | HDF_STRING;
    if (lvfmt & LVCFMT_IMAGE) f |= HDF_IMAGE;
    if (lvfmt & LVCFMT_BITMAP_ON_RIGHT) f |= HDF_BITMAP_ON_RIGHT;
    return f;
}

// The list views whose label edit an EDIT window belongs to.
std::map<HWND, HWND>& editOwners() {
    static std::map<HWND, HWND> owners;
    return owners;
}

ListViewControl* controlOf(HWND list) {
    Window* w = find(list);
    return w ? dynamic_cast<ListViewControl*>(w->control.get()) : nullptr;
}

}  // namespace

ListViewControl::ListViewControl(HWND h, DWORD style)
    : handle_(h), style_(style), bk_(GetSysColor(COLOR_WINDOW)), textColour_(GetSysColor(COLOR_WINDOWTEXT)),
      textBk_(CLR_DEFAULT) {
    unicode_ = parentWantsUnicode(h);
    model_ = new LvModel(this);
    view_ = new LvView(this);
    model_->setParent(view_);
    view_->setModel(model_);
    selection_ = new LvSelection(model_, this);
    QItemSelectionModel* old = view_->selectionModel();
    view_->setSelectionModel(selection_);
    delete old;
    styleChanged();
}

ListViewControl::~ListViewControl() {
    if (edit_) editOwners().erase(edit_);
    if (view_) {
        view_->forget();
        model_->control_ = nullptr;
        selection_->forget();
    }
    // Image lists the control owns go with it.
    if (!(style_ & LVS_SHAREIMAGELISTS))
        for (HIMAGELIST& l : images_)
            if (l) ImageList_Destroy(l);
}

QWidget* ListViewControl::widget() const { return view_; }

std::vector<QWidget*> ListViewControl::eventWidgets() {
    if (!view_) return {};
    return {view_->viewport()};
}

void ListViewControl::styleChanged() {
    if (Window* w = find(handle_)) style_ = w->style;
    if (!view_) return;
    view_->setSelectionMode((style_ & LVS_SINGLESEL) ? QAbstractItemView::SingleSelection
                                                      : QAbstractItemView::ExtendedSelection);
    if (header_) {
        Window* hw = find(header_);
        if (hw) {
            DWORD hs = hw->style & ~HDS_BUTTONS;
            if (!(style_ & LVS_NOSORTHEADER)) hs |= HDS_BUTTONS;
            SetWindowLongW(header_, GWL_STYLE, static_cast<LONG>(hs));
        }
    }
    relayout();
}

std::vector<int> ListViewControl::columnOrder() const {
    std::vector<int> order(columns_.size());
    std::iota(order.begin(), order.end(), 0);
    if (header_ && !order.empty())
        SendMessageW(header_, HDM_GETORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data()));
    return order;
}

int ListViewControl::headerHeight() const {
    if (!header_ || viewType() != LVS_REPORT || (style_ & LVS_NOCOLUMNHEADER)) return 0;
    RECT rc{0, 0, 1000, 1000};
    WINDOWPOS pos{};
    HDLAYOUT l{&rc, &pos};
    SendMessageW(header_, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&l));
    return pos.cy;
}

void ListViewControl::layoutHeader() {
    if (!view_ || !header_) return;
    const int h = headerHeight();
    view_->setViewportMargins(0, h, 0, 0);
    const QRect vp = view_->viewport()->geometry();
    if (h > 0) {
        SetWindowPos(header_, nullptr, vp.left(), vp.top() - h, vp.width(), h, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        setHeaderOffset(header_, view_->horizontalScrollBar()->value());
    } else {
        ShowWindow(header_, SW_HIDE);
    }
}

void ListViewControl::relayout() {
    if (!view_) return;
    layoutPending_ = false;
    layoutHeader();
    view_->updateGeometries();
    view_->viewport()->update();
}

// The number of items changed: the scroll ranges follow once the changes are done.
void ListViewControl::itemsChanged() {
    update();
    if (layoutPending_ || !view_) return;
    layoutPending_ = true;
    QMetaObject::invokeMethod(view_, [this, h = handle_] {
        if (find(h)) flushLayout();
    }, Qt::QueuedConnection);
}

void ListViewControl::flushLayout() {
    if (!layoutPending_ || !view_) return;
    layoutPending_ = false;
    view_->updateGeometries();
}

void ListViewControl::update() {
    if (view_) view_->viewport()->update();
}

void ListViewControl::repaintRow(int row) {
    if (!view_ || row < 0 || row >= count()) return;
    view_->viewport()->update(view_->visualRect(model_->index(row, 0)).adjusted(-2, -2, 2, 2));
}

int ListViewControl::textWidth(const std::u16string& text) const {
    if (!view_) return 0;
    return QFontMetrics(view_->font()).horizontalAdvance(toQt(text));
}

// ---- Notifications ------------------------------------------------------------------------

LRESULT ListViewControl::notifyList(UINT code, int item, int subItem, UINT newState, UINT oldState, UINT changed,
                                    const QPoint& action) {
    NMLISTVIEW n{};
    n.iItem = item;
    n.iSubItem = subItem;
    n.uNewState = newState;
    n.uOldState = oldState;
    n.uChanged = changed;
    n.ptAction = POINT{action.x(), action.y()};
    if (item >= 0 && item < count() && !ownerData()) n.lParam = items_[static_cast<std::size_t>(item)].lParam;
    return notifyRecord(handle_, code, &n.hdr);
}

LRESULT ListViewControl::notifyActivate(UINT code, int item, int subItem, const QPoint& client) {
    NMITEMACTIVATE n{};
    n.iItem = item;
    n.iSubItem = subItem;
    n.ptAction = POINT{client.x(), client.y()};
    if (item >= 0 && item < count()) {
        n.uNewState = userState(item);
        if (!ownerData()) n.lParam = items_[static_cast<std::size_t>(item)].lParam;
    }
    if (GetKeyState(VK_MENU) < 0) n.uKeyFlags |= LVKF_ALT;
    if (GetKeyState(VK_CONTROL) < 0) n.uKeyFlags |= LVKF_CONTROL;
    if (GetKeyState(VK_SHIFT) < 0) n.uKeyFlags |= LVKF_SHIFT;
    return notifyRecord(handle_, code, &n.hdr);
}

bool ListViewControl::allowSelectionChange(const std::vector<int>& rows, const std::vector<UINT>& oldStates,
                                           const std::vector<UINT>& newStates) {
    if (ownerData()) return true;
    for (std::size_t k = 0; k < rows.size(); ++k)
        if (notifyList(LVN_ITEMCHANGING, rows[k], 0, newStates[k], oldStates[k], LVIF_STATE) != 0) return false;
    return true;
}

void ListViewControl::selectionChanged(const std::vector<int>& rows, const std::vector<UINT>& oldStates,
                                       bool wholeRange, int from, int to, UINT newState, UINT oldState) {
    if (wholeRange) {
        // Owner data: a range of items changed at once.
        if (from == 0 && to == count() - 1 && to > 0) {
            notifyList(LVN_ITEMCHANGED, -1, 0, newState, oldState, LVIF_STATE);
            return;
        }
        NMLVODSTATECHANGE n{};
        n.iFrom = from;
        n.iTo = to;
        n.uNewState = newState;
        n.uOldState = oldState;
        notifyRecord(handle_, LVN_ODSTATECHANGED, &n.hdr);
        return;
    }
    for (std::size_t k = 0; k < rows.size(); ++k) {
        if (!find(handle_)) return;
        notifyList(LVN_ITEMCHANGED, rows[k], 0, userState(rows[k]), oldStates[k], LVIF_STATE);
    }
}

void ListViewControl::focusMoved(int from, int to) {
    if (from >= 0 && from < count()) {
        const UINT now = userState(from);
        notifyList(LVN_ITEMCHANGED, from, 0, now, now | LVIS_FOCUSED, LVIF_STATE);
    }
    if (to >= 0 && to < count()) {
        const UINT now = userState(to);
        notifyList(LVN_ITEMCHANGED, to, 0, now, now & ~LVIS_FOCUSED, LVIF_STATE);
    }
}

// ---- State ---------------------------------------------------------------------------------

bool ListViewControl::isSelected(int row) const {
    return selection_ && selection_->isRowSelected(row, QModelIndex());
}

int ListViewControl::focused() const {
    if (!selection_) return -1;
    const QModelIndex c = selection_->currentIndex();
    return c.isValid() ? c.row() : -1;
}

// The state bits the control keeps for an item, selection and focus included.
UINT ListViewControl::userState(int row) const {
    UINT s = 0;
    if (!ownerData() && row >= 0 && row < count()) s = items_[static_cast<std::size_t>(row)].state;
    if (isSelected(row)) s |= LVIS_SELECTED;
    if (focused() == row) s |= LVIS_FOCUSED;
    return s;
}

// LVM_SETITEMSTATE and the state of LVM_SETITEM: selection and focus through the selection
// model, the other bits in the item (refused as a whole by LVN_ITEMCHANGING).
bool ListViewControl::setState(int row, UINT state, UINT mask) {
    if (row < 0 || row >= count()) return false;
    const UINT old = userState(row);
    const UINT wanted = (old & ~mask) | (state & mask);
    if (wanted == old) return true;
    if (!ownerData() && notifyList(LVN_ITEMCHANGING, row, 0, wanted, old, LVIF_STATE) != 0) return false;
    if (!find(handle_) || row >= count()) return false;
    const QModelIndex index = model_->index(row, 0);
    const UINT kept = LVIS_SELECTED | LVIS_FOCUSED;
    if (!ownerData()) {
        LvItem& it = items_[static_cast<std::size_t>(row)];
        it.state = wanted & ~kept;
    }
    if ((wanted ^ old) & LVIS_SELECTED) {
        if ((wanted & LVIS_SELECTED) && (style_ & LVS_SINGLESEL))
            selection_->quietSelect(QItemSelection(index, index), QItemSelectionModel::ClearAndSelect);
        else
            selection_->quietSelect(QItemSelection(index, index),
                                    (wanted & LVIS_SELECTED) ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
    }
    if ((wanted ^ old) & LVIS_FOCUSED) {
        selection_->quiet_ = true;
        if (wanted & LVIS_FOCUSED) selection_->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        else selection_->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        selection_->quiet_ = false;
    }
    repaintRow(row);
    notifyList(LVN_ITEMCHANGED, row, 0, userState(row), old, LVIF_STATE);
    return true;
}

bool ListViewControl::toggleCheck(int row) {
    if (row < 0 || row >= count() || !(exStyle_ & LVS_EX_CHECKBOXES)) return false;
    if (ownerData()) {
        // The program keeps the check of owner data; it is told by a state change.
        const UINT st = shown(row, 0, LVIF_STATE, LVIS_STATEIMAGEMASK).state & LVIS_STATEIMAGEMASK;
        const UINT next = st == INDEXTOSTATEIMAGEMASK(2) ? INDEXTOSTATEIMAGEMASK(1) : INDEXTOSTATEIMAGEMASK(2);
        notifyList(LVN_ITEMCHANGED, row, 0, next | userState(row), st | userState(row), LVIF_STATE);
        repaintRow(row);
        return true;
    }
    const UINT st = items_[static_cast<std::size_t>(row)].state & LVIS_STATEIMAGEMASK;
    const UINT next = st == INDEXTOSTATEIMAGEMASK(2) ? INDEXTOSTATEIMAGEMASK(1) : INDEXTOSTATEIMAGEMASK(2);
    return setState(row, next, LVIS_STATEIMAGEMASK);
}

// ---- What is shown ---------------------------------------------------------------------------

LvShown ListViewControl::shown(int row, int subItem, UINT mask, UINT stateMask) const {
    LvShown out;
    if (row < 0 || row >= count()) return out;
    UINT ask = 0;
    UINT askState = 0;
    if (ownerData()) {
        ask = mask;
        askState = stateMask & ~(LVIS_SELECTED | LVIS_FOCUSED);
        if (!askState) ask &= ~LVIF_STATE;
        if (subItem > 0) ask &= LVIF_TEXT | LVIF_IMAGE;
    } else {
        const LvItem& it = items_[static_cast<std::size_t>(row)];
        out.lParam = it.lParam;
        out.state = it.state;
        out.indent = it.indent;
        if (subItem == 0) {
            out.text = it.text;
            out.image = it.image;
            if ((mask & LVIF_TEXT) && it.textCallback) ask |= LVIF_TEXT;
            if ((mask & LVIF_IMAGE) && it.image == I_IMAGECALLBACK) ask |= LVIF_IMAGE;
            askState = stateMask & callbackMask_;
            if ((mask & LVIF_STATE) && askState) ask |= LVIF_STATE;
        } else if (static_cast<std::size_t>(subItem) <= it.subItems.size()) {
            const LvSubItem& s = it.subItems[static_cast<std::size_t>(subItem - 1)];
            out.text = s.text;
            out.image = s.image;
            if ((mask & LVIF_TEXT) && s.textCallback) ask |= LVIF_TEXT;
            if ((mask & LVIF_IMAGE) && s.image == I_IMAGECALLBACK) ask |= LVIF_IMAGE;
        }
    }
    if (ownerData() || subItem == 0) {
        out.state |= (isSelected(row) ? LVIS_SELECTED : 0) | (focused() == row ? LVIS_FOCUSED : 0);
    }
    if (!ask) return out;
    // The program's answer to LVN_GETDISPINFO, in its form.
    auto* self = const_cast<ListViewControl*>(this);
    if (unicode_) {
        WCHAR buffer[kDispTextSize] = {};
        NMLVDISPINFOW d{};
        d.item.mask = ask;
        d.item.iItem = row;
        d.item.iSubItem = subItem;
        d.item.stateMask = askState;
        d.item.pszText = buffer;
        d.item.cchTextMax = kDispTextSize;
        d.item.iImage = out.image;
        d.item.lParam = out.lParam;
        d.item.iIndent = out.indent;
        notifyRecord(self->handle_, LVN_GETDISPINFOW, &d.hdr);
        if (ask & LVIF_TEXT) {
            const LPWSTR t = d.item.pszText;
            if (t == buffer) out.text.assign(buffer, std::find(buffer, buffer + kDispTextSize, 0));
            else out.text = recordText(t, true);
        }
        if (ask & LVIF_IMAGE) out.image = d.item.iImage;
        if (ask & LVIF_STATE) out.state = (out.state & ~askState) | (d.item.state & askState);
        if (ask & LVIF_INDENT) out.indent = d.item.iIndent;
        if ((d.item.mask & LVIF_DI_SETITEM) && !ownerData() && find(handle_) && row < count()) {
            LvItem& it = self->items_[static_cast<std::size_t>(row)];
            if (subItem == 0) {
                if (ask & LVIF_TEXT) { it.text = out.text; it.textCallback = false; }
                if (ask & LVIF_IMAGE) it.image = out.image;
            }
        }
    } else {
        char buffer[kDispTextSize] = {};
        NMLVDISPINFOA d{};
        d.item.mask = ask;
        d.item.iItem = row;
        d.item.iSubItem = subItem;
        d.item.stateMask = askState;
        d.item.pszText = buffer;
        d.item.cchTextMax = kDispTextSize;
        d.item.iImage = out.image;
        d.item.lParam = out.lParam;
        d.item.iIndent = out.indent;
        notifyRecord(self->handle_, LVN_GETDISPINFOA, &d.hdr);
        if (ask & LVIF_TEXT) {
            const LPSTR t = d.item.pszText;
            if (t == buffer) out.text = ansiToWide(std::string(buffer, std::find(buffer, buffer + kDispTextSize, 0)));
            else out.text = recordText(t, false);
        }
        if (ask & LVIF_IMAGE) out.image = d.item.iImage;
        if (ask & LVIF_STATE) out.state = (out.state & ~askState) | (d.item.state & askState);
        if (ask & LVIF_INDENT) out.indent = d.item.iIndent;
        if ((d.item.mask & LVIF_DI_SETITEM) && !ownerData() && find(handle_) && row < count()) {
            LvItem& it = self->items_[static_cast<std::size_t>(row)];
            if (subItem == 0) {
                if (ask & LVIF_TEXT) { it.text = out.text; it.textCallback = false; }
                if (ask & LVIF_IMAGE) it.image = out.image;
            }
        }
    }
    return out;
}

void ListViewControl::cacheHint(int from, int to) {
    if (!ownerData() || from < 0 || to < from) return;
    if (from == hintFrom_ && to == hintTo_) return;
    hintFrom_ = from;
    hintTo_ = to;
    NMLVCACHEHINT n{};
    n.iFrom = from;
    n.iTo = to;
    notifyRecord(handle_, LVN_ODCACHEHINT, &n.hdr);
}

// ---- Items -------------------------------------------------------------------------------------

void ListViewControl::insertSorted(int& at, const std::u16string& text) {
    if (!(style_ & (LVS_SORTASCENDING | LVS_SORTDESCENDING))) return;
    const bool down = (style_ & LVS_SORTDESCENDING) != 0;
    at = 0;
    while (at < static_cast<int>(items_.size())) {
        const int c = lstrcmpiW(text.c_str(), items_[static_cast<std::size_t>(at)].text.c_str());
        if (down ? c > 0 : c < 0) break;
        ++at;
    }
}

template <class Item>
LRESULT ListViewControl::setItem(const Item* item, bool unicode, bool insert) {
    if (!item) return insert ? -1 : FALSE;
    if (ownerData()) {
        // Owner data keeps only states.
        if (insert) return -1;
        if ((item->mask & LVIF_STATE) && item->iSubItem == 0) return setState(item->iItem, item->state, item->stateMask) ? TRUE : FALSE;
        return FALSE;
    }
    const int n = count();
    if (insert) {
        if (item->iItem < 0) return -1;
        int at = std::min(item->iItem, n);
        LvItem it;
        if (item->mask & LVIF_TEXT) {
            it.textCallback = isCallbackText(item->pszText);
            it.text = recordText(item->pszText, unicode);
        }
        if (item->mask & LVIF_IMAGE) it.image = item->iImage;
        if (item->mask & LVIF_PARAM) it.lParam = item->lParam;
        if (item->mask & LVIF_INDENT) it.indent = item->iIndent;
        UINT sel = 0;
        if (item->mask & LVIF_STATE) {
            it.state = item->state & item->stateMask & ~(LVIS_SELECTED | LVIS_FOCUSED);
            sel = item->state & item->stateMask & (LVIS_SELECTED | LVIS_FOCUSED);
        }
        if ((exStyle_ & LVS_EX_CHECKBOXES) && !(it.state & LVIS_STATEIMAGEMASK)) it.state |= INDEXTOSTATEIMAGEMASK(1);
        insertSorted(at, it.text);
        items_.insert(items_.begin() + at, std::move(it));
        model_->inserted(at);
        if (sel) {
            const QModelIndex index = model_->index(at, 0);
            if (sel & LVIS_SELECTED)
                selection_->quietSelect(QItemSelection(index, index), (style_ & LVS_SINGLESEL) ? QItemSelectionModel::ClearAndSelect
                                                                                                : QItemSelectionModel::Select);
            if (sel & LVIS_FOCUSED) {
                selection_->quiet_ = true;
                selection_->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
                selection_->quiet_ = false;
            }
        }
        itemsChanged();
        notifyList(LVN_INSERTITEM, at, 0, 0, 0, 0);
        return at;
    }
    const int row = item->iItem;
    if (row < 0 || row >= n) return FALSE;
    LvItem& it = items_[static_cast<std::size_t>(row)];
    const int sub = item->iSubItem;
    if (sub < 0 || sub > static_cast<int>(std::max<std::size_t>(columns_.size(), 1))) return FALSE;
    if (sub > 0) {
        if (static_cast<std::size_t>(sub) > it.subItems.size()) it.subItems.resize(static_cast<std::size_t>(sub));
        LvSubItem& s = it.subItems[static_cast<std::size_t>(sub - 1)];
        if (item->mask & LVIF_TEXT) {
            s.textCallback = isCallbackText(item->pszText);
            s.text = recordText(item->pszText, unicode);
        }
        if (item->mask & LVIF_IMAGE) s.image = item->iImage;
        repaintRow(row);
        return TRUE;
    }
    if (item->mask & LVIF_TEXT) {
        it.textCallback = isCallbackText(item->pszText);
        it.text = recordText(item->pszText, unicode);
    }
    if (item->mask & LVIF_IMAGE) it.image = item->iImage;
    if (item->mask & LVIF_PARAM) it.lParam = item->lParam;
    if (item->mask & LVIF_INDENT) it.indent = item->iIndent;
    repaintRow(row);
    if ((item->mask & LVIF_STATE) && !setState(row, item->state, item->stateMask)) return FALSE;
    return TRUE;
}

template <class Item>
LRESULT ListViewControl::getItem(Item* item, bool unicode) {
    if (!item || item->iItem < 0 || item->iItem >= count() || item->iSubItem < 0) return FALSE;
    const LvShown s = shown(item->iItem, item->iSubItem, item->mask, item->stateMask | LVIS_SELECTED | LVIS_FOCUSED);
    if (item->mask & LVIF_TEXT) copyToBuffer(s.text, item->pszText, item->cchTextMax, unicode);
    if (item->mask & LVIF_IMAGE) item->iImage = s.image;
    if (item->mask & LVIF_PARAM) item->lParam = s.lParam;
    if (item->mask & LVIF_INDENT) item->iIndent = s.indent;
    if (item->mask & LVIF_STATE) {
        UINT st = s.state;
        if (item->iSubItem > 0) st = userState(item->iItem);
        item->state = st & item->stateMask;
    }
    return TRUE;
}

LRESULT ListViewControl::deleteItem(int row) {
    if (row < 0 || row >= count()) return FALSE;
    notifyList(LVN_DELETEITEM, row, 0, 0, 0, 0);
    if (!find(handle_) || row >= count()) return FALSE;
    if (editRow_ == row) endEdit(false);
    if (ownerData()) {
        model_->removing(row);
        --ownerCount_;
        model_->removed();
    } else {
        model_->removing(row);
        items_.erase(items_.begin() + row);
        model_->removed();
    }
    itemsChanged();
    return TRUE;
}

LRESULT ListViewControl::deleteAll() {
    if (editRow_ >= 0) endEdit(false);
    const bool perItem = !ownerData() && notifyList(LVN_DELETEALLITEMS, -1, 0, 0, 0, 0) == 0;
    if (!find(handle_)) return FALSE;
    if (perItem)
        for (int i = 0; i < count(); ++i) notifyList(LVN_DELETEITEM, i, 0, 0, 0, 0);
    if (!find(handle_)) return FALSE;
    items_.clear();
    ownerCount_ = 0;
    hintFrom_ = hintTo_ = -1;
    selectionMark_ = -1;
    model_->reset(0);
    itemsChanged();
    return TRUE;
}

void ListViewControl::setItemCount(int n) {
    n = std::max(0, n);
    if (!ownerData()) {
        items_.reserve(static_cast<std::size_t>(n));
        return;
    }
    const int focus = focused();
    ownerCount_ = n;
    hintFrom_ = hintTo_ = -1;
    model_->reset(n);
    if (focus >= 0 && focus < n) {
        selection_->quiet_ = true;
        selection_->setCurrentIndex(model_->index(focus, 0), QItemSelectionModel::NoUpdate);
        selection_->quiet_ = false;
    }
    itemsChanged();
}

// Stable sort by the program's comparison; selection and focus stay with their items.
LRESULT ListViewControl::sortItems(PFNLVCOMPARE compare, LPARAM data, bool byIndex) {
    if (!compare || ownerData()) return FALSE;
    if (editRow_ >= 0) endEdit(false);
    const int n = count();
    std::vector<int> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::vector<LPARAM> params(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) params[static_cast<std::size_t>(i)] = items_[static_cast<std::size_t>(i)].lParam;
    sorting_ = true;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const LPARAM x = byIndex ? a : params[static_cast<std::size_t>(a)];
        const LPARAM y = byIndex ? b : params[static_cast<std::size_t>(b)];
        return compare(x, y, data) < 0;
    });
    sorting_ = false;
    if (!find(handle_) || count() != n) return FALSE;
    std::vector<char> selected(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) selected[static_cast<std::size_t>(i)] = isSelected(i) ? 1 : 0;
    const int focus = focused();
    std::vector<LvItem> sorted;
    sorted.reserve(static_cast<std::size_t>(n));
    QItemSelection sel;
    int newFocus = -1;
    for (int k = 0; k < n; ++k) {
        const int from = order[static_cast<std::size_t>(k)];
        sorted.push_back(std::move(items_[static_cast<std::size_t>(from)]));
        if (selected[static_cast<std::size_t>(from)]) sel.select(model_->index(k, 0), model_->index(k, 0));
        if (from == focus) newFocus = k;
    }
    items_ = std::move(sorted);
    selection_->quietSelect(sel, QItemSelectionModel::ClearAndSelect);
    selection_->quiet_ = true;
    selection_->setCurrentIndex(newFocus >= 0 ? model_->index(newFocus, 0) : QModelIndex(), QItemSelectionModel::NoUpdate);
    selection_->quiet_ = false;
    update();
    return TRUE;
}

int ListViewControl::nextItem(int start, UINT flags) const {
    const int n = count();
    const UINT direction = flags & (LVNI_ABOVE | LVNI_BELOW | LVNI_TOLEFT | LVNI_TORIGHT);
    const UINT need = flags & (LVNI_SELECTED | LVNI_FOCUSED | LVNI_CUT | LVNI_DROPHILITED);
    if (direction) {
        int row = start;
        while (true) {
            row = neighbour(row, direction);
            if (row < 0) return -1;
            if ((userState(row) & need) == need) return row;
        }
    }
    if (need == LVNI_FOCUSED) {
        const int f = focused();
        return f > start ? f : -1;
    }
    if (need == LVNI_SELECTED) {
        // Through the selection's ranges: cheap for large owner-data lists.
        int best = -1;
        for (const QItemSelectionRange& r : selection_->selection()) {
            int candidate = -1;
            if (r.bottom() > start) candidate = std::max(r.top(), start + 1);
            if (candidate >= 0 && (best < 0 || candidate < best)) best = candidate;
        }
        return best;
    }
    for (int i = std::max(0, start + 1); i < n; ++i)
        if ((userState(i) & need) == need) return i;
    return -1;
}

int ListViewControl::neighbour(int row, UINT direction) const {
    const int n = count();
    if (n == 0) return -1;
    if (row < 0 || row >= n) return -1;
    const QRect r = contentRect(row);
    QPoint probe = r.center();
    const QSize cell = cellSize();
    switch (direction) {
    case LVNI_ABOVE: probe.ry() -= cell.height(); break;
    case LVNI_BELOW: probe.ry() += cell.height(); break;
    case LVNI_TOLEFT: probe.rx() -= cell.width(); break;
    case LVNI_TORIGHT: probe.rx() += cell.width(); break;
    default: return -1;
    }
    if (viewType() == LVS_REPORT && (direction == LVNI_TOLEFT || direction == LVNI_TORIGHT)) return -1;
    UINT flags = 0;
    int sub = 0;
    return itemAt(probe, &flags, &sub);
}

int ListViewControl::findItem(int start, const LVFINDINFOW& info, const std::u16string& text) const {
    const int n = count();
    if (n == 0) return -1;
    const bool wrap = (info.flags & LVFI_WRAP) != 0;
    for (int k = 1; k <= n; ++k) {
        const int i = start + k;
        if (i >= n && !wrap) return -1;
        const int row = ((i % n) + n) % n;
        if (info.flags & LVFI_PARAM) {
            if (items_[static_cast<std::size_t>(row)].lParam == info.lParam) return row;
            continue;
        }
        if (info.flags & (LVFI_STRING | LVFI_PARTIAL)) {
            const std::u16string t = shown(row, 0, LVIF_TEXT, 0).text;
            const QString a = toQt(t), b = toQt(text);
            const bool hit = (info.flags & LVFI_PARTIAL) ? a.startsWith(b, Qt::CaseInsensitive)
                                                         : a.compare(b, Qt::CaseInsensitive) == 0;
            if (hit) return row;
        }
    }
    return -1;
}

// Finding through the program for owner data (LVN_ODFINDITEM), by the items otherwise.
int ListViewControl::findAsked(int start, UINT flags, const std::u16string& text, LPARAM lParam, bool wrap) {
    if (wrap) flags |= LVFI_WRAP;
    if (ownerData()) {
        if (unicode_) {
            NMLVFINDITEMW n{};
            n.iStart = start;
            n.lvfi.flags = flags;
            n.lvfi.psz = text.c_str();
            n.lvfi.lParam = lParam;
            return static_cast<int>(notifyRecord(handle_, LVN_ODFINDITEMW, &n.hdr));
        }
        const std::string a = wideToAnsi(text);
        NMLVFINDITEMA n{};
        n.iStart = start;
        n.lvfi.flags = flags;
        n.lvfi.psz = a.c_str();
        n.lvfi.lParam = lParam;
        return static_cast<int>(notifyRecord(handle_, LVN_ODFINDITEMA, &n.hdr));
    }
    LVFINDINFOW info{};
    info.flags = flags;
    info.lParam = lParam;
    return findItem(start, info, text);
}

// ---- Columns ----------------------------------------------------------------------------------

void ListViewControl::mirrorColumn(int at, bool insert) {
    if (!header_) return;
    const LvColumn& c = columns_[static_cast<std::size_t>(at)];
    HDITEMW hd{};
    hd.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT | HDI_IMAGE;
    hd.cxy = c.width;
    hd.pszText = const_cast<LPWSTR>(c.text.c_str());
    hd.fmt = static_cast<int>(headerFormat(at == 0 ? (c.fmt & ~LVCFMT_JUSTIFYMASK) : c.fmt));
    hd.iImage = c.image;
    changingHeader_ = true;
    if (insert) {
        SendMessageW(header_, HDM_INSERTITEMW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&hd));
    } else {
        // Keep what the program put on the header item (sort arrows, bitmaps).
        HDITEMW old{};
        old.mask = HDI_FORMAT;
        SendMessageW(header_, HDM_GETITEMW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&old));
        hd.fmt |= old.fmt & (HDF_SORTUP | HDF_SORTDOWN | HDF_BITMAP);
        SendMessageW(header_, HDM_SETITEMW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&hd));
    }
    changingHeader_ = false;
}

template <class Column>
LRESULT ListViewControl::insertColumn(int at, const Column* c, bool unicode) {
    if (!c || at < 0) return -1;
    at = std::min(at, static_cast<int>(columns_.size()));
    LvColumn col;
    col.subItem = at;
    if (c->mask & LVCF_FMT) col.fmt = c->fmt;
    if (c->mask & LVCF_WIDTH) col.width = std::max(0, c->cx);
    if (c->mask & LVCF_TEXT) col.text = recordText(c->pszText, unicode);
    if (c->mask & LVCF_SUBITEM) col.subItem = c->iSubItem;
    if (c->mask & LVCF_IMAGE) col.image = c->iImage;
    columns_.insert(columns_.begin() + at, col);
    mirrorColumn(at, true);
    relayout();
    return at;
}

template <class Column>
LRESULT ListViewControl::setColumn(int at, const Column* c, bool unicode) {
    if (!c || at < 0 || at >= static_cast<int>(columns_.size())) return FALSE;
    LvColumn& col = columns_[static_cast<std::size_t>(at)];
    if (c->mask & LVCF_FMT) col.fmt = c->fmt;
    if (c->mask & LVCF_WIDTH) col.width = std::max(0, c->cx);
    if (c->mask & LVCF_TEXT) col.text = recordText(c->pszText, unicode);
    if (c->mask & LVCF_SUBITEM) col.subItem = c->iSubItem;
    if (c->mask & LVCF_IMAGE) col.image = c->iImage;
    mirrorColumn(at, false);
    relayout();
    return TRUE;
}

template <class Column>
LRESULT ListViewControl::getColumn(int at, Column* c, bool unicode) const {
    if (!c || at < 0 || at >= static_cast<int>(columns_.size())) return FALSE;
    const LvColumn& col = columns_[static_cast<std::size_t>(at)];
    if (c->mask & LVCF_FMT) c->fmt = col.fmt;
    if (c->mask & LVCF_WIDTH) c->cx = col.width;
    if (c->mask & LVCF_TEXT) copyToBuffer(col.text, c->pszText, c->cchTextMax, unicode);
    if (c->mask & LVCF_SUBITEM) c->iSubItem = col.subItem;
    if (c->mask & LVCF_IMAGE) c->iImage = col.image;
    if (c->mask & LVCF_ORDER) {
        const std::vector<int> order = columnOrder();
        c->iOrder = static_cast<int>(std::find(order.begin(), order.end(), at) - order.begin());
    }
    return TRUE;
}

int ListViewControl::setColumnWidth(int column, int width) {
    if (viewType() == LVS_LIST) {
        // The width of the list view's columns of items.
        if (width <= 0) return FALSE;
        if (columns_.empty()) columns_.push_back(LvColumn{});
        columns_[0].width = width;
        relayout();
        return TRUE;
    }
    if (column < 0 || column >= static_cast<int>(columns_.size())) return FALSE;
    LvColumn& col = columns_[static_cast<std::size_t>(column)];
    if (width == LVSCW_AUTOSIZE || width == LVSCW_AUTOSIZE_USEHEADER) {
        // Owner data measures only what is shown.
        int from = 0, to = count() - 1;
        if (ownerData()) {
            from = topIndex();
            to = std::min(count() - 1, from + countPerPage());
        }
        int widest = 0;
        for (int i = from; i <= to; ++i) widest = std::max(widest, textWidth(shown(i, col.subItem, LVIF_TEXT, 0).text));
        widest += 12;
        if (col.subItem == 0) {
            int cx = 0, cy = 0;
            if (images_[LVSIL_SMALL] && listImageSize(images_[LVSIL_SMALL], &cx, &cy)) widest += cx + 2;
            if (images_[LVSIL_STATE] && listImageSize(images_[LVSIL_STATE], &cx, &cy)) widest += cx;
            else if (exStyle_ & LVS_EX_CHECKBOXES) widest += 16;
        }
        if (width == LVSCW_AUTOSIZE_USEHEADER) {
            widest = std::max(widest, textWidth(col.text) + 12);
            // The last column fills the rest of the view.
            if (column == static_cast<int>(columns_.size()) - 1 && view_) {
                int others = 0;
                for (int k = 0; k < column; ++k) others += columns_[static_cast<std::size_t>(k)].width;
                widest = std::max(widest, view_->viewport()->width() - others);
            }
        }
        width = widest;
    }
    col.width = std::max(0, width);
    mirrorColumn(column, false);
    relayout();
    return TRUE;
}

// ---- Geometry messages ------------------------------------------------------------------------

LRESULT ListViewControl::itemRectMessage(int row, RECT* rc, bool subItem) const {
    if (!rc || row < 0 || row >= count() || !view_) return FALSE;
    QRect r;
    if (subItem) {
        const int column = rc->top;
        if (column < 0 || (column > 0 && column >= static_cast<int>(columns_.size()))) return FALSE;
        r = subItemRect(row, column, rc->left);
    } else {
        r = partRect(row, rc->left);
    }
    const QPoint shift = view_->toClient(QPoint(-view_->horizontalOffset(), -view_->verticalOffset()));
    *rc = toRect(r.translated(shift));
    return TRUE;
}

LRESULT ListViewControl::hitTestMessage(LVHITTESTINFO* info, bool subItems) const {
    if (!info || !view_) return -1;
    const QPoint vp = view_->toViewport(QPoint(info->pt.x, info->pt.y));
    const QRect vr = view_->viewport()->rect();
    info->flags = 0;
    info->iItem = -1;
    info->iSubItem = 0;
    if (vp.y() < 0) info->flags |= LVHT_ABOVE;
    if (vp.y() >= vr.height()) info->flags |= LVHT_BELOW;
    if (vp.x() < 0) info->flags |= LVHT_TOLEFT;
    if (vp.x() >= vr.width()) info->flags |= LVHT_TORIGHT;
    if (info->flags) return -1;
    UINT flags = 0;
    int sub = 0;
    const int row = itemAt(vp + QPoint(view_->horizontalOffset(), view_->verticalOffset()), &flags, &sub);
    info->flags = row >= 0 ? flags : LVHT_NOWHERE;
    info->iItem = row;
    if (subItems) info->iSubItem = row >= 0 ? sub : -1;
    return row;
}

int ListViewControl::topIndex() const {
    if (!view_ || count() == 0) return 0;
    switch (viewType()) {
    case LVS_REPORT: return std::min(count() - 1, view_->verticalOffset() / std::max(1, cellSize().height()));
    case LVS_LIST: return std::min(count() - 1, view_->horizontalOffset() / std::max(1, cellSize().width()) * rowsPerColumn());
    default: return 0;
    }
}

int ListViewControl::countPerPage() const {
    if (!view_) return 0;
    const QSize cell = cellSize();
    const QRect vr = view_->viewport()->rect();
    switch (viewType()) {
    case LVS_REPORT: return std::max(0, vr.height() / std::max(1, cell.height()));
    case LVS_LIST: return std::max(1, vr.width() / std::max(1, cell.width())) * rowsPerColumn();
    default: return count();
    }
}

void ListViewControl::ensureVisible(int row, bool partialOk) {
    if (!view_ || row < 0 || row >= count()) return;
    flushLayout();
    const QRect r = contentRect(row).translated(-view_->horizontalOffset(), -view_->verticalOffset());
    if (partialOk && r.intersects(view_->viewport()->rect())) return;
    view_->scrollTo(model_->index(row, 0), QAbstractItemView::EnsureVisible);
}

// ---- Label editing ------------------------------------------------------------------------------

LRESULT ListViewControl::editProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const auto it = editOwners().find(wnd);
    ListViewControl* c = it != editOwners().end() ? controlOf(it->second) : nullptr;
    if (!c || c->edit_ != wnd) return DefWindowProcW(wnd, msg, wParam, lParam);
    const WNDPROC next = c->editDefault_;
    switch (msg) {
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS | CallWindowProcW(next, wnd, msg, wParam, lParam);
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
            c->endEdit(wParam == VK_RETURN);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == '\r' || wParam == 0x1B) return 0;
        break;
    case WM_KILLFOCUS: {
        const LRESULT r = CallWindowProcW(next, wnd, msg, wParam, lParam);
        if (!c->ending_) c->endEdit(true);
        return r;
    }
    case WM_NCDESTROY: {
        editOwners().erase(wnd);
        if (c->edit_ == wnd) {
            c->edit_ = nullptr;
            c->editRow_ = -1;
        }
        return CallWindowProcW(next, wnd, msg, wParam, lParam);
    }
    default: break;
    }
    return CallWindowProcW(next, wnd, msg, wParam, lParam);
}

HWND ListViewControl::editLabel(int row) {
    if (edit_) endEdit(true);
    if (row < 0 || row >= count() || !view_) return nullptr;
    ensureVisible(row, false);
    const std::u16string text = shown(row, 0, LVIF_TEXT, 0).text;
    QRect label = partRect(row, LVIR_LABEL).translated(-view_->horizontalOffset(), -view_->verticalOffset());
    label.moveTopLeft(view_->toClient(label.topLeft()));
    const int height = QFontMetrics(view_->font()).height() + 6;
    const int width = std::max(label.width() + 8, textWidth(text) + 24);
    // The edit window exists while the program is asked, so it can take it over.
    edit_ = CreateWindowExW(0, u"EDIT", text.c_str(), WS_CHILD | WS_BORDER | ES_AUTOHSCROLL | ES_LEFT,
                            label.left() - 2, label.top() + (label.height() - height) / 2, width, height, handle_,
                            reinterpret_cast<HMENU>(kEditId), nullptr, nullptr);
    if (!edit_) return nullptr;
    editRow_ = row;
    editOwners()[edit_] = handle_;
    SendMessageW(edit_, WM_SETFONT, SendMessageW(handle_, WM_GETFONT, 0, 0), FALSE);
    editDefault_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListViewControl::editProc)));
    LRESULT refused;
    if (unicode_) {
        NMLVDISPINFOW d{};
        d.item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
        d.item.iItem = row;
        d.item.pszText = const_cast<LPWSTR>(text.c_str());
        d.item.cchTextMax = static_cast<int>(text.size());
        d.item.state = userState(row);
        d.item.lParam = ownerData() ? 0 : items_[static_cast<std::size_t>(row)].lParam;
        refused = notifyRecord(handle_, LVN_BEGINLABELEDITW, &d.hdr);
    } else {
        const std::string a = wideToAnsi(text);
        NMLVDISPINFOA d{};
        d.item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
        d.item.iItem = row;
        d.item.pszText = const_cast<LPSTR>(a.c_str());
        d.item.cchTextMax = static_cast<int>(a.size());
        d.item.state = userState(row);
        d.item.lParam = ownerData() ? 0 : items_[static_cast<std::size_t>(row)].lParam;
        refused = notifyRecord(handle_, LVN_BEGINLABELEDITA, &d.hdr);
    }
    if (!find(handle_)) return nullptr;
    if (refused || !edit_) {
        if (edit_) {
            ending_ = true;
            DestroyWindow(edit_);
            ending_ = false;
        }
        edit_ = nullptr;
        editRow_ = -1;
        return nullptr;
    }
    if (QWidget* ew = windowWidget(edit_)) ew->raise();
    ShowWindow(edit_, SW_SHOW);
    SendMessageW(edit_, EM_SETSEL, 0, -1);
    SetFocus(edit_);
    return edit_;
}

void ListViewControl::endEdit(bool accept) {
    if (!edit_ || ending_) return;
    ending_ = true;
    const HWND edit = edit_;
    const int row = editRow_;
    std::u16string text;
    if (accept) {
        const int length = GetWindowTextLengthW(edit);
        text.resize(static_cast<std::size_t>(length) + 1);
        GetWindowTextW(edit, text.data(), length + 1);
        text.resize(static_cast<std::size_t>(length));
    }
    LRESULT keep;
    if (unicode_) {
        NMLVDISPINFOW d{};
        d.item.mask = LVIF_TEXT | LVIF_PARAM;
        d.item.iItem = row;
        d.item.pszText = accept ? text.data() : nullptr;
        d.item.cchTextMax = static_cast<int>(text.size());
        d.item.lParam = !ownerData() && row >= 0 && row < count() ? items_[static_cast<std::size_t>(row)].lParam : 0;
        keep = notifyRecord(handle_, LVN_ENDLABELEDITW, &d.hdr);
    } else {
        std::string a = wideToAnsi(text);
        NMLVDISPINFOA d{};
        d.item.mask = LVIF_TEXT | LVIF_PARAM;
        d.item.iItem = row;
        d.item.pszText = accept ? a.data() : nullptr;
        d.item.cchTextMax = static_cast<int>(a.size());
        d.item.lParam = !ownerData() && row >= 0 && row < count() ? items_[static_cast<std::size_t>(row)].lParam : 0;
        keep = notifyRecord(handle_, LVN_ENDLABELEDITA, &d.hdr);
    }
    if (!find(handle_)) return;
    // A non-zero answer keeps the new text (items with texts of their own).
    if (accept && keep && !ownerData() && row >= 0 && row < count()) {
        LvItem& it = items_[static_cast<std::size_t>(row)];
        if (!it.textCallback) it.text = text;
        repaintRow(row);
    }
    const bool hadFocus = GetFocus() == edit;
    edit_ = nullptr;
    editRow_ = -1;
    editOwners().erase(edit);
    DestroyWindow(edit);
    ending_ = false;
    if (hadFocus) SetFocus(handle_);
}

// ---- Messages -----------------------------------------------------------------------------------

bool ListViewControl::message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) {
    const int index = static_cast<int>(static_cast<LONG>(wParam));
    switch (msg) {
    case WM_CREATE:
        header_ = CreateWindowExW(0, WC_HEADERW, u"", WS_CHILD | HDS_HORZ | ((style_ & LVS_NOSORTHEADER) ? 0 : HDS_BUTTONS),
                                  0, 0, 0, 0, handle_, nullptr, nullptr, nullptr);
        if (header_) SendMessageW(header_, WM_SETFONT, SendMessageW(handle_, WM_GETFONT, 0, 0), FALSE);
        relayout();
        return false;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        NMHDR n{};
        notifyRecord(handle_, msg == WM_SETFOCUS ? NM_SETFOCUS : NM_KILLFOCUS, &n);
        update();
        return false;
    }
    case WM_NOTIFYFORMAT:
        r = unicode_ ? NFR_UNICODE : NFR_ANSI;
        return true;
    case CCM_SETUNICODEFORMAT:
        r = unicode_ ? TRUE : FALSE;
        unicode_ = wParam != 0;
        if (header_) SendMessageW(header_, CCM_SETUNICODEFORMAT, wParam, 0);
        return true;
    case CCM_GETUNICODEFORMAT: r = unicode_ ? TRUE : FALSE; return true;
    case WM_NOTIFY: {
        auto* h = reinterpret_cast<NMHDR*>(lParam);
        if (!h || h->hwndFrom != header_) return false;
        r = 0;
        switch (h->code) {
        case HDN_ITEMCLICKA:
        case HDN_ITEMCLICKW:
            notifyList(LVN_COLUMNCLICK, -1, reinterpret_cast<NMHEADERW*>(lParam)->iItem, 0, 0, 0);
            return true;
        case HDN_ITEMCHANGEDA:
        case HDN_ITEMCHANGEDW: {
            const auto* n = reinterpret_cast<NMHEADERW*>(lParam);
            if (!changingHeader_ && n->pitem && (n->pitem->mask & HDI_WIDTH) && n->iItem >= 0 &&
                n->iItem < static_cast<int>(columns_.size())) {
                columns_[static_cast<std::size_t>(n->iItem)].width = n->pitem->cxy;
                view_->updateGeometries();
                update();
            }
            return true;
        }
        case HDN_DIVIDERDBLCLICKA:
        case HDN_DIVIDERDBLCLICKW:
            setColumnWidth(reinterpret_cast<NMHEADERW*>(lParam)->iItem, LVSCW_AUTOSIZE);
            return true;
        default: return true;
        }
    }
    case WM_KEYDOWN: {
        if (edit_) return false;
        NMLVKEYDOWN k{};
        k.wVKey = static_cast<WORD>(wParam);
        k.flags = static_cast<UINT>(HIWORD(static_cast<DWORD>(lParam)));
        notifyRecord(handle_, LVN_KEYDOWN, &k.hdr);
        if (!find(handle_)) return true;
        if (wParam == VK_RETURN) {
            NMHDR h{};
            notifyRecord(handle_, NM_RETURN, &h);
            if (find(handle_) && focused() >= 0) notifyActivate(LVN_ITEMACTIVATE, focused(), 0, QPoint());
            r = 0;
            return true;
        }
        if (wParam == VK_SPACE && (exStyle_ & LVS_EX_CHECKBOXES) && focused() >= 0) {
            toggleCheck(focused());
            r = 0;
            return true;
        }
        return false;
    }
    case LVM_GETITEMCOUNT: r = count(); return true;
    case LVM_SETITEMCOUNT: setItemCount(index); r = TRUE; return true;
    case LVM_INSERTITEMA: r = setItem(reinterpret_cast<const LVITEMA*>(lParam), false, true); return true;
    case LVM_INSERTITEMW: r = setItem(reinterpret_cast<const LVITEMW*>(lParam), true, true); return true;
    case LVM_SETITEMA: r = setItem(reinterpret_cast<const LVITEMA*>(lParam), false, false); return true;
    case LVM_SETITEMW: r = setItem(reinterpret_cast<const LVITEMW*>(lParam), true, false); return true;
    case LVM_GETITEMA: r = getItem(reinterpret_cast<LVITEMA*>(lParam), false); return true;
    case LVM_GETITEMW: r = getItem(reinterpret_cast<LVITEMW*>(lParam), true); return true;
    case LVM_SETITEMTEXTA:
    case LVM_SETITEMTEXTW: {
        if (!lParam) {
            r = FALSE;
            return true;
        }
        const bool u = msg == LVM_SETITEMTEXTW;
        if (u) {
            LVITEMW it = *reinterpret_cast<const LVITEMW*>(lParam);
            it.iItem = index;
            it.mask = LVIF_TEXT;
            r = setItem(&it, true, false);
        } else {
            LVITEMA it = *reinterpret_cast<const LVITEMA*>(lParam);
            it.iItem = index;
            it.mask = LVIF_TEXT;
            r = setItem(&it, false, false);
        }
        return true;
    }
    case LVM_GETITEMTEXTA:
    case LVM_GETITEMTEXTW: {
        r = 0;
        if (!lParam || index < 0 || index >= count()) return true;
        const bool u = msg == LVM_GETITEMTEXTW;
        auto* it = reinterpret_cast<LVITEMW*>(lParam);  // the fields used sit alike in both forms
        const std::u16string t = shown(index, it->iSubItem, LVIF_TEXT, 0).text;
        copyToBuffer(t, it->pszText, it->cchTextMax, u);
        if (it->pszText && it->cchTextMax > 0)
            r = u ? static_cast<LRESULT>(std::char_traits<char16_t>::length(it->pszText))
                  : static_cast<LRESULT>(std::strlen(reinterpret_cast<const char*>(it->pszText)));
        return true;
    }
    case LVM_DELETEITEM: r = deleteItem(index); return true;
    case LVM_DELETEALLITEMS: r = deleteAll(); return true;
    case LVM_SETITEMSTATE: {
        const auto* it = reinterpret_cast<const LVITEMW*>(lParam);
        if (!it) {
            r = FALSE;
            return true;
        }
        if (index == -1) {
            // Every item: selection of all at once, told as one change.
            const UINT mask = it->stateMask;
            if ((mask & LVIS_SELECTED) && count() > 0 && !((it->state & LVIS_SELECTED) && (style_ & LVS_SINGLESEL))) {
                const bool on = (it->state & LVIS_SELECTED) != 0;
                const QItemSelection all(model_->index(0, 0), model_->index(count() - 1, 0));
                if (ownerData()) {
                    // Owner data hears of it as one change of every item.
                    selection_->quietSelect(all, on ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
                    update();
                    notifyList(LVN_ITEMCHANGED, -1, 0, on ? LVIS_SELECTED : 0, on ? 0 : LVIS_SELECTED, LVIF_STATE);
                } else {
                    selection_->select(all, on ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
                }
            }
            const UINT rest = mask & ~(LVIS_SELECTED | LVIS_FOCUSED);
            if (rest && !ownerData())
                for (int i = 0; i < count(); ++i) setState(i, it->state, rest);
            r = TRUE;
            return true;
        }
        r = setState(index, it->state, it->stateMask) ? TRUE : FALSE;
        return true;
    }
    case LVM_GETITEMSTATE: {
        const UINT mask = static_cast<UINT>(lParam);
        if (index < 0 || index >= count()) {
            r = 0;
            return true;
        }
        UINT s = userState(index);
        const UINT asked = mask & ~(LVIS_SELECTED | LVIS_FOCUSED);
        if (asked && (ownerData() || (asked & callbackMask_))) {
            const LvShown sh = shown(index, 0, LVIF_STATE, asked);
            s = (s & ~asked) | (sh.state & asked);
        }
        r = static_cast<LRESULT>(s & mask);
        return true;
    }
    case LVM_GETNEXTITEM: r = nextItem(index, static_cast<UINT>(lParam)); return true;
    case LVM_GETSELECTEDCOUNT: {
        long long n = 0;
        for (const QItemSelectionRange& range : selection_->selection()) n += range.height();
        r = static_cast<LRESULT>(n);
        return true;
    }
    case LVM_GETSELECTIONMARK: r = selectionMark_; return true;
    case LVM_SETSELECTIONMARK: r = selectionMark_; selectionMark_ = static_cast<int>(lParam); return true;
    case LVM_SETCALLBACKMASK: callbackMask_ = static_cast<UINT>(wParam); r = TRUE; return true;
    case LVM_GETCALLBACKMASK: r = callbackMask_; return true;
    case LVM_FINDITEMA:
    case LVM_FINDITEMW: {
        if (!lParam) {
            r = -1;
            return true;
        }
        const bool u = msg == LVM_FINDITEMW;
        const auto* fa = reinterpret_cast<const LVFINDINFOA*>(lParam);
        const auto* fw = reinterpret_cast<const LVFINDINFOW*>(lParam);
        const UINT flags = u ? fw->flags : fa->flags;
        const std::u16string text = (flags & (LVFI_STRING | LVFI_PARTIAL)) ? recordText(u ? static_cast<const void*>(fw->psz) : fa->psz, u) : std::u16string();
        r = findAsked(index, flags & ~LVFI_WRAP, text, u ? fw->lParam : fa->lParam, (flags & LVFI_WRAP) != 0);
        return true;
    }
    case LVM_SORTITEMS: r = sortItems(reinterpret_cast<PFNLVCOMPARE>(lParam), static_cast<LPARAM>(wParam), false); return true;
    case LVM_SORTITEMSEX: r = sortItems(reinterpret_cast<PFNLVCOMPARE>(lParam), static_cast<LPARAM>(wParam), true); return true;
    case LVM_INSERTCOLUMNA: r = insertColumn(index, reinterpret_cast<const LVCOLUMNA*>(lParam), false); return true;
    case LVM_INSERTCOLUMNW: r = insertColumn(index, reinterpret_cast<const LVCOLUMNW*>(lParam), true); return true;
    case LVM_SETCOLUMNA: r = setColumn(index, reinterpret_cast<const LVCOLUMNA*>(lParam), false); return true;
    case LVM_SETCOLUMNW: r = setColumn(index, reinterpret_cast<const LVCOLUMNW*>(lParam), true); return true;
    case LVM_GETCOLUMNA: r = getColumn(index, reinterpret_cast<LVCOLUMNA*>(lParam), false); return true;
    case LVM_GETCOLUMNW: r = getColumn(index, reinterpret_cast<LVCOLUMNW*>(lParam), true); return true;
    case LVM_DELETECOLUMN:
        if (index < 0 || index >= static_cast<int>(columns_.size())) {
            r = FALSE;
            return true;
        }
        columns_.erase(columns_.begin() + index);
        if (header_) SendMessageW(header_, HDM_DELETEITEM, wParam, 0);
        relayout();
        r = TRUE;
        return true;
    case LVM_GETCOLUMNWIDTH:
        if (viewType() == LVS_LIST) r = cellSize().width();
        else r = index >= 0 && index < static_cast<int>(columns_.size()) ? columns_[static_cast<std::size_t>(index)].width : 0;
        return true;
    case LVM_SETCOLUMNWIDTH: r = setColumnWidth(index, static_cast<int>(static_cast<short>(LOWORD(static_cast<DWORD>(lParam))))); return true;
    case LVM_GETCOLUMNORDERARRAY:
    case LVM_SETCOLUMNORDERARRAY:
        r = header_ ? SendMessageW(header_, msg == LVM_GETCOLUMNORDERARRAY ? HDM_GETORDERARRAY : HDM_SETORDERARRAY, wParam, lParam) : FALSE;
        if (msg == LVM_SETCOLUMNORDERARRAY) update();
        return true;
    case LVM_GETHEADER: r = reinterpret_cast<LRESULT>(header_); return true;
    case LVM_SETIMAGELIST: {
        if (index < 0 || index > 2) {
            r = 0;
            return true;
        }
        r = reinterpret_cast<LRESULT>(images_[index]);
        images_[index] = reinterpret_cast<HIMAGELIST>(lParam);
        if (index == LVSIL_SMALL && header_) SendMessageW(header_, HDM_SETIMAGELIST, 0, lParam);
        relayout();
        return true;
    }
    case LVM_GETIMAGELIST: r = index >= 0 && index <= 2 ? reinterpret_cast<LRESULT>(images_[index]) : 0; return true;
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
        r = static_cast<LRESULT>(exStyle_);
        const DWORD mask = wParam ? static_cast<DWORD>(wParam) : 0xFFFFFFFFu;
        const DWORD old = exStyle_;
        exStyle_ = (exStyle_ & ~mask) | (static_cast<DWORD>(lParam) & mask);
        // Check boxes put every item on the cleared state image.
        if ((exStyle_ & LVS_EX_CHECKBOXES) && !(old & LVS_EX_CHECKBOXES))
            for (LvItem& it : items_)
                if (!(it.state & LVIS_STATEIMAGEMASK)) it.state |= INDEXTOSTATEIMAGEMASK(1);
        relayout();
        return true;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE: r = static_cast<LRESULT>(exStyle_); return true;
    case LVM_GETITEMRECT: r = itemRectMessage(index, reinterpret_cast<RECT*>(lParam), false); return true;
    case LVM_GETSUBITEMRECT: r = itemRectMessage(index, reinterpret_cast<RECT*>(lParam), true); return true;
    case LVM_GETITEMPOSITION: {
        RECT rc{LVIR_BOUNDS, 0, 0, 0};
        r = itemRectMessage(index, &rc, false);
        if (r && lParam) *reinterpret_cast<POINT*>(lParam) = POINT{rc.left, rc.top};
        return true;
    }
    case LVM_SETITEMPOSITION: r = FALSE; return true;  // items stay arranged
    case LVM_HITTEST: r = hitTestMessage(reinterpret_cast<LVHITTESTINFO*>(lParam), false); return true;
    case LVM_SUBITEMHITTEST: r = hitTestMessage(reinterpret_cast<LVHITTESTINFO*>(lParam), true); return true;
    case LVM_ENSUREVISIBLE: ensureVisible(index, lParam != 0); r = TRUE; return true;
    case LVM_SCROLL:
        flushLayout();
        if (view_) {
            view_->horizontalScrollBar()->setValue(view_->horizontalScrollBar()->value() + index);
            view_->verticalScrollBar()->setValue(view_->verticalScrollBar()->value() + static_cast<int>(lParam));
        }
        r = TRUE;
        return true;
    case LVM_GETTOPINDEX: r = topIndex(); return true;
    case LVM_GETCOUNTPERPAGE: r = countPerPage(); return true;
    case LVM_GETORIGIN:
        if (lParam && view_) *reinterpret_cast<POINT*>(lParam) = POINT{view_->horizontalOffset(), view_->verticalOffset()};
        r = viewType() == LVS_ICON || viewType() == LVS_SMALLICON;
        return true;
    case LVM_GETVIEWRECT:
        if (lParam && view_) {
            const QSize s = contentSize();
            *reinterpret_cast<RECT*>(lParam) = RECT{-view_->horizontalOffset(), -view_->verticalOffset(),
                                                    s.width() - view_->horizontalOffset(), s.height() - view_->verticalOffset()};
        }
        r = TRUE;
        return true;
    case LVM_GETITEMSPACING: {
        const QSize c = cellSize();
        r = MAKELONG(c.width(), c.height());
        return true;
    }
    case LVM_REDRAWITEMS:
        for (int i = std::max(0, index); i <= std::min(count() - 1, static_cast<int>(lParam)); ++i) repaintRow(i);
        r = TRUE;
        return true;
    case LVM_UPDATE:
        repaintRow(index);
        r = TRUE;
        return true;
    case LVM_ARRANGE: relayout(); r = TRUE; return true;
    case LVM_EDITLABELA:
    case LVM_EDITLABELW:
        if (index < 0) {
            endEdit(false);
            r = 0;
        } else {
            r = reinterpret_cast<LRESULT>(editLabel(index));
        }
        return true;
    case LVM_GETEDITCONTROL: r = reinterpret_cast<LRESULT>(edit_); return true;
    case LVM_CANCELEDITLABEL: endEdit(false); r = 0; return true;
    case LVM_GETSTRINGWIDTHA:
    case LVM_GETSTRINGWIDTHW: r = textWidth(recordText(reinterpret_cast<const void*>(lParam), msg == LVM_GETSTRINGWIDTHW)); return true;
    case LVM_SETBKCOLOR: bk_ = static_cast<COLORREF>(lParam); update(); r = TRUE; return true;
    case LVM_GETBKCOLOR: r = static_cast<LRESULT>(bk_); return true;
    case LVM_SETTEXTCOLOR: textColour_ = static_cast<COLORREF>(lParam); update(); r = TRUE; return true;
    case LVM_GETTEXTCOLOR: r = static_cast<LRESULT>(textColour_); return true;
    case LVM_SETTEXTBKCOLOR: textBk_ = static_cast<COLORREF>(lParam); update(); r = TRUE; return true;
    case LVM_GETTEXTBKCOLOR: r = static_cast<LRESULT>(textBk_); return true;
    default: return false;
    }
}

NewControl newListView(Window& w) {
    auto c = std::make_unique<ListViewControl>(w.handle, w.style);
    QWidget* widget = c->widget();
    return NewControl{std::move(c), widget};
}

}  // namespace platform::win
