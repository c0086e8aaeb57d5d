// The list view's Qt side: the rows model, the selection that asks the program, the view's
// geometry in the four views, painting through the custom-draw stages (only the items that
// are shown are asked for), and mouse and key input.
#include "CustomDraw.h"
#include "ListViewParts.h"
#include "platform/codepage.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolTip>

#include <algorithm>
#include <cstring>

namespace platform::win {

// ---- Model and selection --------------------------------------------------------------------

int LvModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

void LvModel::reset(int rows) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
}

void LvModel::inserted(int row) {
    beginInsertRows(QModelIndex(), row, row);
    ++rows_;
    endInsertRows();
}

void LvModel::removing(int row) { beginRemoveRows(QModelIndex(), row, row); }

void LvModel::removed() {
    --rows_;
    endRemoveRows();
}

void LvSelection::select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) {
    if (quiet_ || !control_) {
        QItemSelectionModel::select(selection, command);
        return;
    }
    const QItemSelection before = this->selection();
    QItemSelectionModel::select(selection, command);
    const QItemSelection after = this->selection();
    if (before == after) return;
    const int n = control_->count();
    if (control_->ownerData()) {
        // Ranges that changed, told as ranges (owner data keeps no per-item records).
        QItemSelection added = after;
        QItemSelection removed = before;
        for (const QItemSelectionRange& r : before) {
            QItemSelection cut;
            for (const QItemSelectionRange& a : added) {
                if (!a.intersects(r)) {
                    cut.append(a);
                    continue;
                }
                if (a.top() < r.top()) cut.append(QItemSelectionRange(model()->index(a.top(), 0), model()->index(r.top() - 1, 0)));
                if (a.bottom() > r.bottom()) cut.append(QItemSelectionRange(model()->index(r.bottom() + 1, 0), model()->index(a.bottom(), 0)));
            }
            added = cut;
        }
        for (const QItemSelectionRange& r : after) {
            QItemSelection cut;
            for (const QItemSelectionRange& a : removed) {
                if (!a.intersects(r)) {
                    cut.append(a);
                    continue;
                }
                if (a.top() < r.top()) cut.append(QItemSelectionRange(model()->index(a.top(), 0), model()->index(r.top() - 1, 0)));
                if (a.bottom() > r.bottom()) cut.append(QItemSelectionRange(model()->index(r.bottom() + 1, 0), model()->index(a.bottom(), 0)));
            }
            removed = cut;
        }
        HWND h = control_->handle();
        for (const QItemSelectionRange& r : removed) {
            if (r.top() == r.bottom()) control_->notifyList(LVN_ITEMCHANGED, r.top(), 0, 0, LVIS_SELECTED, LVIF_STATE);
            else control_->selectionChanged({}, {}, true, r.top(), r.bottom(), 0, LVIS_SELECTED);
            if (!win::find(h)) return;
        }
        for (const QItemSelectionRange& r : added) {
            if (r.top() == r.bottom()) control_->notifyList(LVN_ITEMCHANGED, r.top(), 0, LVIS_SELECTED, 0, LVIF_STATE);
            else control_->selectionChanged({}, {}, true, r.top(), r.bottom(), LVIS_SELECTED, 0);
            if (!win::find(h)) return;
        }
        return;
    }
    std::vector<char> was(static_cast<std::size_t>(n)), now(static_cast<std::size_t>(n));
    for (const QItemSelectionRange& r : before)
        for (int i = std::max(0, r.top()); i <= std::min(n - 1, r.bottom()); ++i) was[static_cast<std::size_t>(i)] = 1;
    for (const QItemSelectionRange& r : after)
        for (int i = std::max(0, r.top()); i <= std::min(n - 1, r.bottom()); ++i) now[static_cast<std::size_t>(i)] = 1;
    std::vector<int> rows;
    std::vector<UINT> oldStates, newStates;
    for (int i = 0; i < n; ++i) {
        if (was[static_cast<std::size_t>(i)] == now[static_cast<std::size_t>(i)]) continue;
        rows.push_back(i);
        const UINT base = control_->userState(i) & ~LVIS_SELECTED;
        oldStates.push_back(base | (was[static_cast<std::size_t>(i)] ? LVIS_SELECTED : 0));
        newStates.push_back(base | (now[static_cast<std::size_t>(i)] ? LVIS_SELECTED : 0));
    }
    HWND h = control_->handle();
    if (!control_->allowSelectionChange(rows, oldStates, newStates)) {
        if (win::find(h)) quietSelect(before, QItemSelectionModel::ClearAndSelect);
        return;
    }
    if (win::find(h)) control_->selectionChanged(rows, oldStates, false, 0, 0, 0, 0);
}

// ---- Geometry -------------------------------------------------------------------------------------

namespace {
constexpr int kIconCellWidth = 76;
constexpr int kSmallCellWidth = 150;
constexpr int kCheckSize = 13;
}  // namespace

QSize ListViewControl::cellSize() const {
    if (!view_) return QSize(1, 1);
    const QFontMetrics fm(view_->font());
    int scx = 16, scy = 16, lcx = 32, lcy = 32, stx = 0, sty = 0;
    if (images_[LVSIL_SMALL]) listImageSize(images_[LVSIL_SMALL], &scx, &scy);
    if (images_[LVSIL_NORMAL]) listImageSize(images_[LVSIL_NORMAL], &lcx, &lcy);
    if (images_[LVSIL_STATE]) listImageSize(images_[LVSIL_STATE], &stx, &sty);
    else if (exStyle_ & LVS_EX_CHECKBOXES) stx = sty = kCheckSize + 3;
    const bool smallImages = images_[LVSIL_SMALL] != nullptr;
    switch (viewType()) {
    case LVS_ICON: return QSize(std::max(kIconCellWidth, lcx + 12), lcy + 8 + 2 * fm.height() + 4);
    case LVS_REPORT: {
        int width = 0;
        for (const LvColumn& c : columns_) width += c.width;
        return QSize(std::max(1, width), std::max({fm.height() + 3, smallImages ? scy + 1 : 0, sty + 1}));
    }
    case LVS_LIST: {
        const int w = !columns_.empty() && columns_[0].width > 0 ? columns_[0].width : kSmallCellWidth;
        return QSize(w, std::max({fm.height() + 3, smallImages ? scy + 1 : 0, sty + 1}));
    }
    default: return QSize(kSmallCellWidth, std::max({fm.height() + 3, smallImages ? scy + 1 : 0, sty + 1}));
    }
}

int ListViewControl::rowsPerColumn() const {
    if (!view_) return 1;
    return std::max(1, view_->viewport()->height() / std::max(1, cellSize().height()));
}

int ListViewControl::perRow() const {
    if (!view_) return 1;
    return std::max(1, view_->viewport()->width() / std::max(1, cellSize().width()));
}

QRect ListViewControl::contentRect(int row) const {
    const QSize c = cellSize();
    switch (viewType()) {
    case LVS_REPORT: return QRect(0, row * c.height(), c.width(), c.height());
    case LVS_LIST: {
        const int per = rowsPerColumn();
        return QRect((row / per) * c.width(), (row % per) * c.height(), c.width(), c.height());
    }
    default: {
        const int per = perRow();
        return QRect((row % per) * c.width(), (row / per) * c.height(), c.width(), c.height());
    }
    }
}

QSize ListViewControl::contentSize() const {
    const int n = count();
    const QSize c = cellSize();
    switch (viewType()) {
    case LVS_REPORT: return QSize(c.width(), n * c.height());
    case LVS_LIST: {
        const int per = rowsPerColumn();
        return QSize(((n + per - 1) / per) * c.width(), per * c.height());
    }
    default: {
        const int per = perRow();
        return QSize(per * c.width(), ((n + per - 1) / per) * c.height());
    }
    }
}

// Parts of column 0 (or of the icon in the icon views): state image, icon, label.
QRect ListViewControl::partRect(int row, int part) const {
    const QRect cell = contentRect(row);
    int scx = 16, scy = 16, lcx = 32, lcy = 32, stx = 0, sty = 0;
    if (images_[LVSIL_SMALL]) listImageSize(images_[LVSIL_SMALL], &scx, &scy);
    else scx = 0;
    if (images_[LVSIL_NORMAL]) listImageSize(images_[LVSIL_NORMAL], &lcx, &lcy);
    if (images_[LVSIL_STATE]) listImageSize(images_[LVSIL_STATE], &stx, &sty);
    else if (exStyle_ & LVS_EX_CHECKBOXES) stx = sty = kCheckSize + 3;
    if (viewType() == LVS_ICON) {
        const QRect icon(cell.left() + (cell.width() - lcx) / 2, cell.top() + 4, lcx, lcy);
        const QRect label(cell.left() + 2, icon.bottom() + 3, cell.width() - 4, cell.bottom() - icon.bottom() - 3);
        switch (part) {
        case LVIR_ICON: return icon;
        case LVIR_LABEL: return label;
        default: return cell;
        }
    }
    int indent = 0;
    if (viewType() == LVS_REPORT && !ownerData() && row >= 0 && row < count())
        indent = items_[static_cast<std::size_t>(row)].indent * std::max(scx, 16);
    int first = cell.width();
    if (viewType() == LVS_REPORT) first = columns_.empty() ? cell.width() : columns_[0].width;
    if (viewType() == LVS_REPORT && !columns_.empty()) {
        // Column 0 sits where the header shows it.
        int x = 0;
        for (int c : columnOrder()) {
            if (c == 0) break;
            x += columns_[static_cast<std::size_t>(c)].width;
        }
        const QRect col0(cell.left() + x, cell.top(), first, cell.height());
        const QRect state(col0.left() + 2 + indent, col0.top() + (col0.height() - sty) / 2, stx, sty);
        const QRect icon(state.right() + 1 + (stx ? 1 : 0), col0.top() + (col0.height() - scy) / 2, scx, scy);
        const QRect label(icon.right() + 3, col0.top(), std::max(0, col0.right() - icon.right() - 3), col0.height());
        switch (part) {
        case LVIR_ICON: return icon;
        case LVIR_LABEL: return label;
        case LVIR_SELECTBOUNDS: return (exStyle_ & LVS_EX_FULLROWSELECT) ? cell : QRect(state.topLeft(), label.bottomRight()).united(icon);
        case -1: return state;
        default: return cell;
        }
    }
    const QRect state(cell.left() + 2, cell.top() + (cell.height() - sty) / 2, stx, sty);
    const QRect icon(state.right() + 1 + (stx ? 1 : 0), cell.top() + (cell.height() - scy) / 2, scx, scy);
    const QRect label(icon.right() + 3, cell.top(), std::max(0, cell.right() - icon.right() - 3), cell.height());
    switch (part) {
    case LVIR_ICON: return icon;
    case LVIR_LABEL: return label;
    case LVIR_SELECTBOUNDS: return QRect(icon.topLeft(), label.bottomRight());
    case -1: return state;
    default: return cell;
    }
}

QRect ListViewControl::subItemRect(int row, int column, int part) const {
    if (column == 0) {
        if (part == LVIR_BOUNDS) return contentRect(row);
        return partRect(row, part);
    }
    const QRect cell = contentRect(row);
    int x = 0;
    for (int c : columnOrder()) {
        if (c == column) break;
        x += columns_[static_cast<std::size_t>(c)].width;
    }
    const QRect r(cell.left() + x, cell.top(), columns_[static_cast<std::size_t>(column)].width, cell.height());
    if (part == LVIR_ICON) {
        int cx = 0, cy = 0;
        if ((exStyle_ & LVS_EX_SUBITEMIMAGES) && images_[LVSIL_SMALL]) listImageSize(images_[LVSIL_SMALL], &cx, &cy);
        return QRect(r.left() + 2, r.top() + (r.height() - cy) / 2, cx, cy);
    }
    return r;
}

int ListViewControl::itemAt(const QPoint& pt, UINT* flags, int* subItem) const {
    *flags = LVHT_NOWHERE;
    *subItem = 0;
    const int n = count();
    if (n == 0 || pt.x() < 0 || pt.y() < 0) return -1;
    const QSize c = cellSize();
    int row = -1;
    switch (viewType()) {
    case LVS_REPORT: row = pt.y() / c.height(); break;
    case LVS_LIST: {
        const int per = rowsPerColumn();
        const int r = pt.y() / c.height();
        if (r >= per) return -1;
        row = (pt.x() / c.width()) * per + r;
        break;
    }
    default: {
        const int per = perRow();
        const int col = pt.x() / c.width();
        if (col >= per) return -1;
        row = (pt.y() / c.height()) * per + col;
        break;
    }
    }
    if (row < 0 || row >= n) return -1;
    if (viewType() == LVS_REPORT) {
        // The column under the point.
        int x = 0;
        int column = -1;
        for (int k : columnOrder()) {
            const int w = columns_[static_cast<std::size_t>(k)].width;
            if (pt.x() >= x && pt.x() < x + w) column = k;
            x += w;
        }
        if (column < 0 && !columns_.empty()) return -1;
        *subItem = std::max(0, column);
        if (column > 0) {
            *flags = (exStyle_ & LVS_EX_FULLROWSELECT) ? LVHT_ONITEMLABEL : LVHT_ONITEMLABEL;
            return row;
        }
    }
    if (partRect(row, -1).contains(pt) && partRect(row, -1).width() > 0) *flags = LVHT_ONITEMSTATEICON;
    else if (partRect(row, LVIR_ICON).contains(pt) && partRect(row, LVIR_ICON).width() > 0) *flags = LVHT_ONITEMICON;
    else if (partRect(row, LVIR_LABEL).contains(pt)) {
        // The label is hit where its text is (the whole cell in report view).
        if (viewType() == LVS_REPORT || viewType() == LVS_ICON) *flags = LVHT_ONITEMLABEL;
        else {
            const QRect label = partRect(row, LVIR_LABEL);
            const int tw = textWidth(shown(row, 0, LVIF_TEXT, 0).text) + 4;
            if (pt.x() <= label.left() + tw) *flags = LVHT_ONITEMLABEL;
            else return -1;
        }
    } else if (viewType() == LVS_REPORT) *flags = LVHT_ONITEMLABEL;
    else return -1;
    return row;
}

// ---- Painting -----------------------------------------------------------------------------------

namespace {

QColor sysColour(int index) { return colourOf(GetSysColor(index)); }

void drawCheck(QPainter& p, const QRect& r, bool checked) {
    const QRect box(r.left() + (r.width() - kCheckSize) / 2, r.top() + (r.height() - kCheckSize) / 2, kCheckSize - 1, kCheckSize - 1);
    p.save();
    p.setPen(sysColour(COLOR_BTNSHADOW));
    p.setBrush(sysColour(COLOR_WINDOW));
    p.drawRect(box);
    if (checked) {
        QPen pen(sysColour(COLOR_WINDOWTEXT));
        pen.setWidth(2);
        p.setPen(pen);
        p.drawLine(box.left() + 3, box.top() + 6, box.left() + 5, box.top() + 9);
        p.drawLine(box.left() + 5, box.top() + 9, box.left() + 9, box.top() + 3);
    }
    p.restore();
}

}  // namespace

void ListViewControl::paintItems(QPainter& p, const QRect& clientArea) {
    if (!view_) return;
    const QPoint origin = view_->toClient(QPoint(-view_->horizontalOffset(), -view_->verticalOffset()));
    const QRect vp = view_->viewport()->rect();
    const COLORREF back = bk_ == CLR_NONE ? GetSysColor(COLOR_WINDOW) : bk_;
    p.fillRect(clientArea, colourOf(back));
    const int n = count();
    // The rows that show, in content coordinates.
    const QRect visible = vp.translated(view_->horizontalOffset(), view_->verticalOffset());
    int first = 0, last = -1;
    if (n > 0) {
        const QSize c = cellSize();
        switch (viewType()) {
        case LVS_REPORT:
            first = std::max(0, visible.top() / c.height());
            last = std::min(n - 1, visible.bottom() / c.height());
            break;
        case LVS_LIST: {
            const int per = rowsPerColumn();
            first = std::max(0, visible.left() / c.width() * per);
            last = std::min(n - 1, (visible.right() / c.width() + 1) * per - 1);
            break;
        }
        default: {
            const int per = perRow();
            first = std::max(0, visible.top() / c.height() * per);
            last = std::min(n - 1, (visible.bottom() / c.height() + 1) * per - 1);
            break;
        }
        }
    }
    if (last >= first) cacheHint(first, last);
    if (!win::find(handle_)) return;
    NMLVCUSTOMDRAW record{};
    CustomDrawPass pass(handle_, record.nmcd);
    record.clrText = textColour_;
    record.clrTextBk = textBk_;
    pass.begin(p, clientArea);
    const bool focusedView = view_->hasFocus();
    const bool showSel = focusedView || (style_ & LVS_SHOWSELALWAYS);
    const std::vector<int> order = viewType() == LVS_REPORT ? columnOrder() : std::vector<int>{0};
    for (int row = first; row <= last; ++row) {
        const QRect cell = contentRect(row).translated(origin);
        if (!cell.intersects(clientArea)) continue;
        const LvShown main = shown(row, 0, LVIF_TEXT | LVIF_IMAGE | LVIF_STATE | LVIF_INDENT | LVIF_PARAM,
                                   LVIS_OVERLAYMASK | LVIS_STATEIMAGEMASK | LVIS_CUT | LVIS_DROPHILITED | LVIS_SELECTED | LVIS_FOCUSED);
        if (!win::find(handle_)) return;
        UINT cdis = 0;
        const bool selected = (main.state & LVIS_SELECTED) != 0;
        if (selected) cdis |= CDIS_SELECTED;
        if ((main.state & LVIS_FOCUSED) && focusedView) cdis |= CDIS_FOCUS;
        if (viewType() == LVS_REPORT && (style_ & LVS_OWNERDRAWFIXED)) {
            // The parent draws the whole row.
            UINT ods = 0;
            if (selected && showSel) ods |= ODS_SELECTED;
            if ((main.state & LVIS_FOCUSED) && focusedView) ods |= ODS_FOCUS;
            ownerDrawItem(handle_, ODT_LISTVIEW, p, cell, row, ODA_DRAWENTIRE, ods, static_cast<ULONG_PTR>(main.lParam),
                          colourOf(back));
            if (!win::find(handle_)) return;
            continue;
        }
        record.clrText = textColour_;
        record.clrTextBk = textBk_;
        record.iSubItem = 0;
        pass.item(p, cell, static_cast<DWORD_PTR>(row), cdis, main.lParam, [&](QPainter& q) {
            const QFontMetrics fm(view_->font());
            q.setFont(view_->font());
            const bool hilite = selected && showSel;
            const QColor selBack = focusedView ? sysColour(COLOR_HIGHLIGHT) : sysColour(COLOR_BTNFACE);
            const QColor selText = focusedView ? sysColour(COLOR_HIGHLIGHTTEXT) : sysColour(COLOR_BTNTEXT);
            const QColor text = record.clrText == CLR_DEFAULT ? sysColour(COLOR_WINDOWTEXT) : colourOf(record.clrText);
            const bool textBack = record.clrTextBk != CLR_DEFAULT && record.clrTextBk != CLR_NONE;
            const QRect label = partRect(row, LVIR_LABEL).translated(origin);
            const QRect icon = partRect(row, LVIR_ICON).translated(origin);
            const UINT overlay = main.state & LVIS_OVERLAYMASK;
            UINT style = ILD_TRANSPARENT | overlay;
            if (hilite && focusedView) style |= ILD_SELECTED;
            // State image: the program's list, or the built-in check boxes.
            const UINT stateImage = (main.state & LVIS_STATEIMAGEMASK) >> 12;
            const QRect stateRect = partRect(row, -1).translated(origin);
            if (stateImage > 0 && stateRect.width() > 0) {
                if (images_[LVSIL_STATE]) drawListImage(q, images_[LVSIL_STATE], static_cast<int>(stateImage) - 1, stateRect.left(), stateRect.top());
                else if (exStyle_ & LVS_EX_CHECKBOXES) drawCheck(q, stateRect, stateImage == 2);
            }
            const HIMAGELIST list = viewType() == LVS_ICON ? images_[LVSIL_NORMAL] : images_[LVSIL_SMALL];
            if (list && main.image >= 0) {
                if (main.state & LVIS_CUT) q.setOpacity(0.5);
                drawListImage(q, list, main.image, icon.left(), icon.top(), style);
                q.setOpacity(1.0);
            }
            if (viewType() == LVS_ICON) {
                // The label under the icon, two lines at most unless it is selected.
                const QString t = toQt(main.text);
                QRect bound = fm.boundingRect(label, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, t);
                if (!hilite && bound.height() > 2 * fm.height()) bound.setHeight(2 * fm.height());
                bound = bound.intersected(label.adjusted(0, 0, 0, selected ? fm.height() * 4 : 0));
                if (hilite) q.fillRect(bound.adjusted(-1, 0, 1, 0), selBack);
                else if (textBack) q.fillRect(bound, colourOf(record.clrTextBk));
                q.setPen(hilite ? selText : text);
                q.drawText(bound, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, t);
                if ((main.state & LVIS_FOCUSED) && focusedView) {
                    q.setPen(QPen(sysColour(COLOR_WINDOWTEXT), 1, Qt::DotLine));
                    q.drawRect(bound.adjusted(-1, 0, 0, -1));
                }
                return;
            }
            // Report, list and small icons: the label, then the sub-items in header order.
            const bool fullRow = viewType() == LVS_REPORT && (exStyle_ & LVS_EX_FULLROWSELECT);
            const QString t = toQt(main.text);
            QRect textRect = label;
            int textW = fm.horizontalAdvance(t) + 6;
            QRect selRect = fullRow ? QRect(label.left(), cell.top(), cell.right() - label.left() + 1, cell.height())
                                    : QRect(label.left(), label.top(), std::min(label.width(), textW), label.height());
            if (viewType() == LVS_REPORT && !fullRow) selRect.setWidth(std::min(label.width(), textW));
            if (hilite) q.fillRect(selRect, selBack);
            else if (textBack) q.fillRect(QRect(label.left(), label.top(), std::min(label.width(), textW), label.height()), colourOf(record.clrTextBk));
            q.setPen(hilite ? selText : text);
            q.drawText(textRect.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter,
                       fm.elidedText(t, Qt::ElideRight, std::max(0, textRect.width() - 4)));
            if (viewType() == LVS_REPORT) {
                // Sub-items through their own stages when the program asked for them.
                const bool subStages = (pass.itemAnswer() & CDRF_NOTIFYSUBITEMDRAW) != 0;
                const COLORREF itemText = record.clrText, itemBack = record.clrTextBk;
                for (int column : order) {
                    if (column == 0) continue;
                    const LvColumn& col = columns_[static_cast<std::size_t>(column)];
                    const QRect sr = subItemRect(row, column, LVIR_BOUNDS).translated(origin);
                    if (!sr.intersects(clientArea) || sr.width() <= 0) continue;
                    auto paintSub = [&, column](QPainter& s) {
                        const UINT mask = LVIF_TEXT | ((exStyle_ & LVS_EX_SUBITEMIMAGES) ? LVIF_IMAGE : 0);
                        const LvShown sub = shown(row, col.subItem, mask, 0);
                        QRect tr = sr.adjusted(6, 0, -6, 0);
                        if ((exStyle_ & LVS_EX_SUBITEMIMAGES) && images_[LVSIL_SMALL] && sub.image >= 0) {
                            const QRect ir = subItemRect(row, column, LVIR_ICON).translated(origin);
                            drawListImage(s, images_[LVSIL_SMALL], sub.image, ir.left(), ir.top());
                            tr.setLeft(ir.right() + 4);
                        }
                        if (!(hilite && fullRow) && record.clrTextBk != CLR_DEFAULT && record.clrTextBk != CLR_NONE)
                            s.fillRect(sr, colourOf(record.clrTextBk));
                        const QColor subText = record.clrText == CLR_DEFAULT ? sysColour(COLOR_WINDOWTEXT) : colourOf(record.clrText);
                        s.setFont(view_->font());
                        s.setPen(hilite && fullRow ? selText : subText);
                        int align = Qt::AlignVCenter;
                        switch (col.fmt & LVCFMT_JUSTIFYMASK) {
                        case LVCFMT_RIGHT: align |= Qt::AlignRight; break;
                        case LVCFMT_CENTER: align |= Qt::AlignHCenter; break;
                        default: align |= Qt::AlignLeft; break;
                        }
                        s.drawText(tr, align, fm.elidedText(toQt(sub.text), Qt::ElideRight, std::max(0, tr.width())));
                    };
                    record.iSubItem = column;
                    if (subStages) {
                        record.clrText = itemText;
                        record.clrTextBk = itemBack;
                        pass.item(q, sr, static_cast<DWORD_PTR>(row), cdis, main.lParam, paintSub, CDDS_SUBITEM);
                        if (!win::find(handle_)) return;
                    } else {
                        paintSub(q);
                    }
                }
                record.clrText = itemText;
                record.clrTextBk = itemBack;
                if (exStyle_ & LVS_EX_GRIDLINES) {
                    q.setPen(sysColour(COLOR_BTNFACE));
                    q.drawLine(cell.left(), cell.bottom(), cell.right(), cell.bottom());
                    int x = cell.left();
                    for (int column : order) {
                        x += columns_[static_cast<std::size_t>(column)].width;
                        q.drawLine(x - 1, cell.top(), x - 1, cell.bottom());
                    }
                }
            }
            if ((main.state & LVIS_FOCUSED) && focusedView) {
                q.setPen(QPen(hilite ? selText : sysColour(COLOR_WINDOWTEXT), 1, Qt::DotLine));
                q.setBrush(Qt::NoBrush);
                q.drawRect(selRect.adjusted(0, 0, -1, -1));
            }
        });
        if (!win::find(handle_)) return;
    }
    pass.end(p, clientArea);
}

// ---- The view ---------------------------------------------------------------------------------------

LvView::LvView(ListViewControl* c) : control_(c) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setAutoScroll(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect LvView::visualRect(const QModelIndex& index) const {
    if (!control_ || !index.isValid()) return {};
    return control_->contentRect(index.row()).translated(-horizontalOffset(), -verticalOffset());
}

void LvView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!control_ || !index.isValid()) return;
    control_->flushLayout();
    const QRect r = control_->contentRect(index.row());
    const QRect area = viewport()->rect().translated(horizontalOffset(), verticalOffset());
    if (hint == EnsureVisible && area.contains(r)) return;
    if (control_->viewType() == LVS_LIST) {
        if (r.left() < area.left()) horizontalScrollBar()->setValue(r.left());
        else if (r.right() > area.right()) horizontalScrollBar()->setValue(r.right() - area.width() + 1);
        return;
    }
    int y = verticalScrollBar()->value();
    if (hint == PositionAtTop) y = r.top();
    else if (hint == PositionAtBottom) y = r.bottom() - area.height() + 1;
    else if (hint == PositionAtCenter) y = r.center().y() - area.height() / 2;
    else if (r.top() < area.top()) y = r.top();
    else if (r.bottom() > area.bottom()) y = std::min(r.top(), r.bottom() - area.height() + 1);
    verticalScrollBar()->setValue(y);
    if (r.left() < area.left() && control_->viewType() != LVS_REPORT) horizontalScrollBar()->setValue(r.left());
}

QModelIndex LvView::indexAt(const QPoint& point) const {
    if (!control_) return {};
    UINT flags = 0;
    int sub = 0;
    const int row = control_->itemAt(point + QPoint(horizontalOffset(), verticalOffset()), &flags, &sub);
    return row >= 0 ? model()->index(row, 0) : QModelIndex();
}

void LvView::keyboardSearch(const QString& search) {
    if (!control_ || search.isEmpty()) return;
    // Type-ahead: what was typed within the keyboard interval, found from the focused item
    // on (a first character looks past the focused item, so that repeating it steps on).
    if (!typedClock_.isValid() || typedClock_.elapsed() > QApplication::keyboardInputInterval()) typed_.clear();
    typedClock_.restart();
    typed_ += search;
    const int start = std::max(0, control_->focused());
    const int found = control_->findAsked(typed_.size() > 1 ? start - 1 : start, LVFI_PARTIAL | LVFI_STRING,
                                          fromQt(typed_), 0, true);
    if (found < 0 || found >= control_->count()) return;
    const QModelIndex index = model()->index(found, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

void LvView::updateGeometries() {
    if (!control_) return;
    const QSize content = control_->contentSize();
    const QSize vp = viewport()->size();
    const QSize cell = control_->cellSize();
    horizontalScrollBar()->setSingleStep(control_->viewType() == LVS_LIST ? cell.width() : 16);
    horizontalScrollBar()->setPageStep(vp.width());
    horizontalScrollBar()->setRange(0, std::max(0, content.width() - vp.width()));
    verticalScrollBar()->setSingleStep(std::max(1, cell.height()));
    verticalScrollBar()->setPageStep(control_->viewType() == LVS_REPORT ? std::max(1, vp.height() / std::max(1, cell.height())) * cell.height() : vp.height());
    verticalScrollBar()->setRange(0, control_->viewType() == LVS_LIST ? 0 : std::max(0, content.height() - vp.height()));
    if (control_->style() & LVS_NOSCROLL) {
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    QAbstractItemView::updateGeometries();
}

QModelIndex LvView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    if (!control_) return {};
    const int n = control_->count();
    if (n == 0) return {};
    int row = currentIndex().isValid() ? currentIndex().row() : -1;
    if (row < 0) return model()->index(0, 0);
    const DWORD type = control_->viewType();
    const int perPage = std::max(1, viewport()->height() / std::max(1, control_->cellSize().height()));
    int step = 1;
    if (type == LVS_ICON || type == LVS_SMALLICON) step = control_->perRow();
    switch (action) {
    case MoveUp: row = type == LVS_LIST ? row - 1 : row - step; break;
    case MoveDown: row = type == LVS_LIST ? row + 1 : row + step; break;
    case MoveLeft:
        if (type == LVS_REPORT) {
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() - horizontalScrollBar()->singleStep());
            return currentIndex();
        }
        row = type == LVS_LIST ? row - control_->rowsPerColumn() : row - 1;
        break;
    case MoveRight:
        if (type == LVS_REPORT) {
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() + horizontalScrollBar()->singleStep());
            return currentIndex();
        }
        row = type == LVS_LIST ? row + control_->rowsPerColumn() : row + 1;
        break;
    case MoveHome: row = 0; break;
    case MoveEnd: row = n - 1; break;
    case MovePageUp: row = type == LVS_REPORT ? row - std::max(1, perPage - 1) : row - step * std::max(1, perPage - 1); break;
    case MovePageDown: row = type == LVS_REPORT ? row + std::max(1, perPage - 1) : row + step * std::max(1, perPage - 1); break;
    default: return currentIndex();
    }
    row = std::clamp(row, 0, n - 1);
    return model()->index(row, 0);
}

QItemSelectionModel::SelectionFlags LvView::selectionCommand(const QModelIndex& index, const QEvent* e) const {
    QItemSelectionModel::SelectionFlags f = QAbstractItemView::selectionCommand(index, e);
    // Shift without Ctrl makes the range from the anchor the whole selection.
    Qt::KeyboardModifiers mods = Qt::NoModifier;
    if (e && (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::KeyPress))
        mods = static_cast<const QInputEvent*>(e)->modifiers();
    if (selectionMode() == ExtendedSelection && (mods & Qt::ShiftModifier) && !(mods & Qt::ControlModifier) && index.isValid())
        f = QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Current | QItemSelectionModel::Rows;
    return f;
}

int LvView::horizontalOffset() const { return horizontalScrollBar()->value(); }
int LvView::verticalOffset() const { return verticalScrollBar()->value(); }

void LvView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    if (!control_) return;
    // Items whose cells meet the rectangle (viewport coordinates); a point picks one item.
    const QRect r = rect.normalized().translated(horizontalOffset(), verticalOffset());
    QItemSelection sel;
    if (r.width() <= 1 && r.height() <= 1) {
        UINT flags = 0;
        int sub = 0;
        const int row = control_->itemAt(r.topLeft(), &flags, &sub);
        if (row >= 0) sel.select(model()->index(row, 0), model()->index(row, 0));
    } else if (control_->viewType() == LVS_REPORT) {
        const int h = std::max(1, control_->cellSize().height());
        const int top = std::max(0, r.top() / h), bottom = std::min(control_->count() - 1, r.bottom() / h);
        if (bottom >= top) sel.select(model()->index(top, 0), model()->index(bottom, 0));
    } else {
        for (int i = 0; i < control_->count(); ++i)
            if (control_->contentRect(i).intersects(r)) sel.select(model()->index(i, 0), model()->index(i, 0));
    }
    selectionModel()->select(sel, command);
}

QRegion LvView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const QRect vr = viewport()->rect();
    for (const QItemSelectionRange& r : selection) {
        for (int i = r.top(); i <= r.bottom(); ++i) {
            const QRect ir = visualRect(model()->index(i, 0));
            if (ir.intersects(vr)) region += ir;
            else if (control_ && control_->viewType() == LVS_REPORT && ir.top() > vr.bottom()) break;
        }
    }
    return region;
}

void LvView::paintEvent(QPaintEvent* e) {
    if (!control_) return;
    QPainter p(viewport());
    // The program draws in client coordinates of the control.
    const QPoint shift = viewport()->geometry().topLeft();
    p.translate(-shift);
    control_->paintItems(p, e->rect().translated(shift));
    if (!marquee_.isNull()) {
        p.translate(shift);
        const QRect r = marquee_.translated(-horizontalOffset(), -verticalOffset());
        QColor fill = colourOf(GetSysColor(COLOR_HIGHLIGHT));
        fill.setAlpha(60);
        p.fillRect(r, fill);
        p.setPen(colourOf(GetSysColor(COLOR_HIGHLIGHT)));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
}

void LvView::mousePressEvent(QMouseEvent* e) {
    if (!control_) return;
    const HWND h = control_->handle();
    const QPoint pt = e->position().toPoint();
    UINT flags = 0;
    int sub = 0;
    const int row = control_->itemAt(pt + QPoint(horizontalOffset(), verticalOffset()), &flags, &sub);
    control_->endEdit(true);
    if (!win::find(h)) return;
    // A press gives the list the keyboard.
    if (GetFocus() != h) SetFocus(h);
    if (!win::find(h)) return;
    const bool wasSole = row >= 0 && control_->isSelected(row) && control_->focused() == row &&
                         selectionModel()->selectedRows().size() == 1;
    pressRow_ = row;
    pressPoint_ = pt;
    pressOffset_ = QPoint(horizontalOffset(), verticalOffset());
    marquee_ = QRect();
    pressButton_ = e->button();
    dragging_ = false;
    if (row >= 0 && (flags & LVHT_ONITEMSTATEICON) && e->button() == Qt::LeftButton &&
        (control_->exStyle() & LVS_EX_CHECKBOXES)) {
        control_->toggleCheck(row);
        if (!win::find(h)) return;
    }
    if (e->button() == Qt::RightButton && row >= 0 && !control_->isSelected(row)) {
        selectionModel()->setCurrentIndex(model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
    } else if (e->button() == Qt::LeftButton) {
        QAbstractItemView::mousePressEvent(e);
    }
    if (!win::find(h)) return;
    if (e->button() == Qt::LeftButton && row < 0) selectionModel()->clearSelection();
    soleBeforePress_ = wasSole && (flags & LVHT_ONITEMLABEL) && e->modifiers() == Qt::NoModifier;
}

void LvView::mouseMoveEvent(QMouseEvent* e) {
    if (!control_) return;
    if (pressRow_ >= 0 && !dragging_ && (e->buttons() & (Qt::LeftButton | Qt::RightButton)) &&
        (e->position().toPoint() - pressPoint_).manhattanLength() >= QApplication::startDragDistance()) {
        dragging_ = true;
        soleBeforePress_ = false;
        control_->beginDrag(pressRow_, pressButton_, toClient(pressPoint_));
        return;
    }
    if (dragging_) return;
    // A drag that starts beside the items draws a marquee; the items it meets are selected.
    if (pressRow_ < 0 && pressButton_ == Qt::LeftButton && (e->buttons() & Qt::LeftButton) &&
        !(control_->style() & LVS_SINGLESEL)) {
        const QPoint offset(horizontalOffset(), verticalOffset());
        const QRect old = marquee_.translated(-offset);
        const QPoint a = pressPoint_ + pressOffset_, b = e->position().toPoint() + offset;
        marquee_ = QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())), QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
        const QRect now = marquee_.translated(-offset);
        QItemSelectionModel::SelectionFlags command = QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
        if (e->modifiers() & Qt::ControlModifier) command = QItemSelectionModel::Select | QItemSelectionModel::Current | QItemSelectionModel::Rows;
        setSelection(now, command);
        viewport()->update(old.united(now).adjusted(-2, -2, 2, 2));
    }
}

void LvView::mouseReleaseEvent(QMouseEvent* e) {
    if (!control_) return;
    const HWND h = control_->handle();
    const QPoint pt = e->position().toPoint();
    if (e->button() == Qt::LeftButton) QAbstractItemView::mouseReleaseEvent(e);
    if (!win::find(h)) return;
    const bool wasDrag = dragging_ || !marquee_.isNull();
    dragging_ = false;
    if (!marquee_.isNull()) {
        marquee_ = QRect();
        viewport()->update();
    }
    UINT flags = 0;
    int sub = 0;
    const int row = control_->itemAt(pt + QPoint(horizontalOffset(), verticalOffset()), &flags, &sub);
    if (!wasDrag) control_->clicked(row, flags, e->button(), toClient(pt), soleBeforePress_ && row == pressRow_);
    soleBeforePress_ = false;
    pressRow_ = -1;
}

void LvView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (!control_) return;
    if (control_->editTimer_) {
        killTimer(control_->editTimer_);
        control_->editTimer_ = 0;
    }
    // The second click of a double click on another item first acts as a press there.
    const QModelIndex index = indexAt(e->position().toPoint());
    if (e->button() == Qt::LeftButton && (!index.isValid() || index != currentIndex() || !control_->isSelected(index.row()))) {
        QMouseEvent press(QEvent::MouseButtonPress, e->position(), e->globalPosition(), e->button(), e->buttons(), e->modifiers());
        const HWND h = control_->handle();
        mousePressEvent(&press);
        if (!win::find(h) || !control_) return;
    }
    pressRow_ = -1;
    soleBeforePress_ = false;
    control_->doubleClicked(e->button(), toClient(e->position().toPoint()));
}

void LvView::keyPressEvent(QKeyEvent* e) {
    if (!control_) return;
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) return;
    QAbstractItemView::keyPressEvent(e);
}

void LvView::resizeEvent(QResizeEvent* e) {
    QAbstractItemView::resizeEvent(e);
    if (control_) control_->relayout();
}

void LvView::scrollContentsBy(int dx, int dy) {
    viewport()->update();
    (void)dy;
    if (control_ && dx && control_->header()) setHeaderOffset(control_->header(), horizontalScrollBar()->value());
}

bool LvView::viewportEvent(QEvent* e) {
    if (e->type() == QEvent::ToolTip && control_) {
        auto* help = static_cast<QHelpEvent*>(e);
        UINT flags = 0;
        int sub = 0;
        const int row = control_->itemAt(help->pos() + QPoint(horizontalOffset(), verticalOffset()), &flags, &sub);
        const std::u16string tip = row >= 0 ? control_->infoTip(row, sub) : std::u16string();
        if (tip.empty()) QToolTip::hideText();
        else QToolTip::showText(help->globalPos(), toQt(tip), viewport());
        return true;
    }
    return QAbstractItemView::viewportEvent(e);
}

void LvView::changeEvent(QEvent* e) {
    QAbstractItemView::changeEvent(e);
    if (e->type() == QEvent::FontChange && control_) {
        if (control_->header()) SendMessageW(control_->header(), WM_SETFONT, SendMessageW(control_->handle(), WM_GETFONT, 0, 0), FALSE);
        if (QWidget* hw = windowWidget(control_->header())) hw->setFont(font());
        control_->relayout();
    }
}

void LvView::focusInEvent(QFocusEvent* e) {
    QAbstractItemView::focusInEvent(e);
    viewport()->update();
}

void LvView::focusOutEvent(QFocusEvent* e) {
    QAbstractItemView::focusOutEvent(e);
    viewport()->update();
}

void LvView::timerEvent(QTimerEvent* e) {
    if (control_ && e->timerId() == control_->editTimer_) {
        killTimer(control_->editTimer_);
        control_->editTimer_ = 0;
        control_->editTimerFired();
        return;
    }
    QAbstractItemView::timerEvent(e);
}

void LvView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QAbstractItemView::currentChanged(current, previous);
    // The view's default model, which setModel installs before ours, reports nothing.
    auto* sel = dynamic_cast<LvSelection*>(selectionModel());
    if (!control_ || !sel || sel->quiet_) return;
    control_->focusMoved(previous.isValid() ? previous.row() : -1, current.isValid() ? current.row() : -1);
}

// ---- Input -------------------------------------------------------------------------------------------

void ListViewControl::clicked(int row, UINT hitFlags, Qt::MouseButton button, const QPoint& client, bool wasSoleSelection) {
    const HWND h = handle_;
    if (button == Qt::LeftButton) {
        notifyActivate(NM_CLICK, row, 0, client);
        if (!win::find(h)) return;
        // A click on the label of the item that was already the one selected edits it.
        if (wasSoleSelection && (style_ & LVS_EDITLABELS) && row >= 0 && (hitFlags & LVHT_ONITEMLABEL)) startEditTimer(row);
    } else if (button == Qt::RightButton) {
        notifyActivate(NM_RCLICK, row, 0, client);
    }
}

void ListViewControl::doubleClicked(Qt::MouseButton button, const QPoint& client) {
    UINT flags = 0;
    int sub = 0;
    const QPoint vp = view_ ? view_->toViewport(client) : client;
    const int row = view_ ? itemAt(vp + QPoint(view_->horizontalOffset(), view_->verticalOffset()), &flags, &sub) : -1;
    const HWND h = handle_;
    if (button == Qt::LeftButton) {
        notifyActivate(NM_DBLCLK, row, sub, client);
        if (win::find(h) && row >= 0) notifyActivate(LVN_ITEMACTIVATE, row, sub, client);
    } else if (button == Qt::RightButton) {
        notifyActivate(NM_RDBLCLK, row, sub, client);
    }
}

// LVS_EX_INFOTIP: the program's tip for an item (the item's text is offered first).
std::u16string ListViewControl::infoTip(int row, int subItem) {
    if (!(exStyle_ & LVS_EX_INFOTIP)) return {};
    const std::u16string text = shown(row, subItem, LVIF_TEXT, 0).text;
    constexpr int kTipSize = 1024;
    if (unicode_) {
        std::u16string buffer(kTipSize, u'\0');
        std::copy_n(text.begin(), std::min<std::size_t>(text.size(), kTipSize - 1), buffer.begin());
        NMLVGETINFOTIPW n{};
        n.pszText = buffer.data();
        n.cchTextMax = kTipSize;
        n.iItem = row;
        n.iSubItem = subItem;
        n.lParam = ownerData() ? 0 : items_[static_cast<std::size_t>(row)].lParam;
        notifyRecord(handle_, LVN_GETINFOTIPW, &n.hdr);
        buffer.resize(static_cast<std::size_t>(std::find(buffer.begin(), buffer.end(), u'\0') - buffer.begin()));
        return buffer;
    }
    std::string buffer(kTipSize, '\0');
    const std::string a = wideToAnsi(text);
    std::copy_n(a.begin(), std::min<std::size_t>(a.size(), kTipSize - 1), buffer.begin());
    NMLVGETINFOTIPA n{};
    n.pszText = buffer.data();
    n.cchTextMax = kTipSize;
    n.iItem = row;
    n.iSubItem = subItem;
    n.lParam = ownerData() ? 0 : items_[static_cast<std::size_t>(row)].lParam;
    notifyRecord(handle_, LVN_GETINFOTIPA, &n.hdr);
    buffer.resize(std::strlen(buffer.c_str()));
    return ansiToWide(buffer);
}

void ListViewControl::beginDrag(int row, Qt::MouseButton button, const QPoint& client) {
    notifyList(button == Qt::RightButton ? LVN_BEGINRDRAG : LVN_BEGINDRAG, row, 0, 0, 0, 0, client);
}

void ListViewControl::startEditTimer(int row) {
    if (!view_) return;
    if (editTimer_) view_->killTimer(editTimer_);
    editPending_ = row;
    editTimer_ = view_->startTimer(static_cast<int>(GetDoubleClickTime()));
}

void ListViewControl::editTimerFired() {
    const int row = editPending_;
    editPending_ = -1;
    if (row >= 0 && row < count() && focused() == row && isSelected(row)) editLabel(row);
}

}  // namespace platform::win
