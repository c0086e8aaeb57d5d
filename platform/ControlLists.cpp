// The list box and the combo box.
#include "ControlKinds.h"
#include "CustomDraw.h"
#include "platform/gdi.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QStyledItemDelegate>
#include <QStylePainter>

#include <cstring>

namespace platform::win {
namespace {

constexpr int kHeightRole = Qt::UserRole + 1;

// Owner-drawn items: WM_DRAWITEM paints each one, WM_MEASUREITEM gives the heights (one for
// all items with a fixed style, one per item with a variable one).
class OwnerDrawDelegate : public QStyledItemDelegate {
public:
    OwnerDrawDelegate(HWND h, UINT type, bool variable) : handle(h), type(type), variable(variable) {}
    HWND handle;
    UINT type;
    bool variable;
    int fixedHeight = 16;
    bool focusShown = true;  // a list box shows the focus; a combo box's list shows none

    int heightOf(const QModelIndex& index) const {
        if (variable) {
            const QVariant v = index.data(kHeightRole);
            if (v.isValid()) return v.toInt();
        }
        return fixedHeight;
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QSize(option.rect.width(), heightOf(index));
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        UINT state = 0;
        if (option.state & QStyle::State_Selected) state |= ODS_SELECTED;
        if (focusShown && (option.state & QStyle::State_HasFocus)) state |= ODS_FOCUS;
        if (!(option.state & QStyle::State_Enabled)) state |= ODS_DISABLED;
        const auto data = static_cast<ULONG_PTR>(index.data(Qt::UserRole).toULongLong());
        ownerDrawItem(handle, type, *painter, option.rect, index.row(), ODA_DRAWENTIRE, state, data,
                      option.palette.color(QPalette::Base));
    }
};

int defaultItemHeight(const QWidget* w) { return QFontMetrics(w->font()).height(); }

// The item data of lists without strings is what LB_GETTEXT copies out.
LRESULT copyData(ULONG_PTR data, LPARAM buffer) {
    if (buffer) std::memcpy(reinterpret_cast<void*>(buffer), &data, sizeof data);
    return static_cast<LRESULT>(sizeof data);
}

// Lists shared by the list box and the combo box.

int findString(const QStringList& items, int after, const QString& s, bool exact) {
    const int n = items.size();
    if (n == 0) return -1;
    const int start = (after < -1 || after >= n) ? -1 : after;
    for (int k = 1; k <= n; ++k) {
        const int i = (start + k) % n;
        const bool hit = exact ? items[i].compare(s, Qt::CaseInsensitive) == 0
                               : items[i].startsWith(s, Qt::CaseInsensitive);
        if (hit) return i;
    }
    return -1;
}

int sortedPosition(const QStringList& items, const QString& s) {
    int i = 0;
    while (i < items.size() && items[i].compare(s, Qt::CaseInsensitive) <= 0) ++i;
    return i;
}

class ListBoxControl : public Control {
public:
    ListBoxControl(HWND h, DWORD style) : handle_(h), style_(style) {
        list_ = new QListWidget;
        if (style & LBS_EXTENDEDSEL) list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
        else if (style & LBS_MULTIPLESEL) list_->setSelectionMode(QAbstractItemView::MultiSelection);
        else list_->setSelectionMode(QAbstractItemView::SingleSelection);
        list_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        QObject::connect(list_, &QListWidget::itemSelectionChanged, [this] {
            if (!setting_ && (style_ & LBS_NOTIFY)) notifyParent(handle_, LBN_SELCHANGE);
        });
        QObject::connect(list_, &QListWidget::itemDoubleClicked, [this] {
            if (style_ & LBS_NOTIFY) notifyParent(handle_, LBN_DBLCLK);
        });
        if (style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) {
            delegate_ = new OwnerDrawDelegate(h, ODT_LISTBOX, (style & LBS_OWNERDRAWVARIABLE) != 0);
            delegate_->setParent(list_);
            list_->setItemDelegate(delegate_);
            list_->setUniformItemSizes(!(style & LBS_OWNERDRAWVARIABLE));
        }
    }
    QWidget* widget() const { return list_; }
    bool ownerDraw() const { return delegate_ != nullptr; }
    bool hasStrings() const { return !ownerDraw() || (style_ & LBS_HASSTRINGS); }
    std::vector<QWidget*> eventWidgets() override { return {list_->viewport()}; }
    std::u16string text() const override { return text_; }
    void setText(const std::u16string& t) override { text_ = t; }

    bool message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) override {
        Window* w = find(handle_);
        const bool u = w && w->unicode;
        const int n = list_->count();
        const int index = static_cast<int>(static_cast<LONG>(wParam));
        Guard g(setting_);
        switch (msg) {
        case LB_ADDSTRING:
        case LB_INSERTSTRING: {
            // Without strings the parameter is the item's data.
            const QString s = hasStrings() ? toQt(textArg(lParam, u)) : QString();
            int at = msg == LB_ADDSTRING ? n : (index < 0 ? n : index);
            if (at > n) {
                r = LB_ERR;
                return true;
            }
            if (msg == LB_ADDSTRING && (style_ & LBS_SORT) && hasStrings()) at = sortedPosition(items(), s);
            list_->insertItem(at, s);
            if (!hasStrings()) list_->item(at)->setData(Qt::UserRole, static_cast<qulonglong>(lParam));
            if (delegate_ && delegate_->variable) {
                const auto data = static_cast<ULONG_PTR>(list_->item(at)->data(Qt::UserRole).toULongLong());
                const int height = measureItem(handle_, ODT_LISTBOX, at, data, list_->viewport()->width(),
                                               defaultItemHeight(list_));
                if (QListWidgetItem* it = list_->item(at)) it->setData(kHeightRole, height);
            }
            r = at;
            return true;
        }
        case WM_CREATE:
            // A fixed owner-drawn list asks its item height once.
            if (delegate_ && !delegate_->variable) {
                delegate_->fixedHeight = measureItem(handle_, ODT_LISTBOX, 0, 0, list_->viewport()->width(),
                                                     defaultItemHeight(list_));
                list_->doItemsLayout();
            }
            return false;
        case LB_SETITEMHEIGHT: {
            const int height = static_cast<int>(LOWORD(static_cast<DWORD_PTR>(lParam)));
            if (height <= 0 || height > 255) {
                r = LB_ERR;
                return true;
            }
            if (delegate_ && delegate_->variable) {
                if (index < 0 || index >= n) {
                    r = LB_ERR;
                    return true;
                }
                list_->item(index)->setData(kHeightRole, height);
            } else if (delegate_) {
                delegate_->fixedHeight = height;
            }
            list_->doItemsLayout();
            r = LB_OKAY;
            return true;
        }
        case LB_GETITEMRECT: {
            if (index < 0 || index >= n || !lParam) {
                r = LB_ERR;
                return true;
            }
            *reinterpret_cast<RECT*>(lParam) = toRect(list_->visualItemRect(list_->item(index)));
            r = LB_OKAY;
            return true;
        }
        case LB_DELETESTRING:
            if (index < 0 || index >= n) r = LB_ERR;
            else {
                delete list_->takeItem(index);
                r = list_->count();
            }
            return true;
        case LB_RESETCONTENT: list_->clear(); return true;
        case LB_GETCOUNT: r = n; return true;
        case LB_GETCURSEL: r = list_->currentRow() >= 0 && list_->currentItem()->isSelected() ? list_->currentRow() : LB_ERR; return true;
        case LB_SETCURSEL:
            if (index < 0 || index >= n) {
                list_->clearSelection();
                list_->setCurrentRow(-1);
                r = index == -1 ? 0 : LB_ERR;
            } else {
                list_->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
                r = index;
            }
            return true;
        case LB_GETSEL: r = (index >= 0 && index < n) ? (list_->item(index)->isSelected() ? 1 : 0) : LB_ERR; return true;
        case LB_SETSEL: {
            const int which = static_cast<int>(static_cast<LONG>(lParam));
            for (int i = 0; i < n; ++i)
                if (which == -1 || which == i) list_->item(i)->setSelected(wParam != 0);
            return true;
        }
        case LB_GETSELCOUNT: r = list_->selectedItems().size(); return true;
        case LB_GETTEXT:
            if (index < 0 || index >= n) r = LB_ERR;
            else if (!hasStrings()) r = copyData(static_cast<ULONG_PTR>(list_->item(index)->data(Qt::UserRole).toULongLong()), lParam);
            else r = copyOut(fromQt(list_->item(index)->text()), lParam,
                             static_cast<WPARAM>(textLength(fromQt(list_->item(index)->text()), u)) + 1, u);
            return true;
        case LB_GETTEXTLEN:
            r = (index < 0 || index >= n) ? LB_ERR
                : !hasStrings()           ? static_cast<LRESULT>(sizeof(ULONG_PTR))
                                          : textLength(fromQt(list_->item(index)->text()), u);
            return true;
        case LB_FINDSTRING:
        case LB_FINDSTRINGEXACT: {
            const int i = findString(items(), index, toQt(textArg(lParam, u)), msg == LB_FINDSTRINGEXACT);
            r = i < 0 ? LB_ERR : i;
            return true;
        }
        case LB_SELECTSTRING: {
            const int i = findString(items(), index, toQt(textArg(lParam, u)), false);
            if (i >= 0) list_->setCurrentRow(i, QItemSelectionModel::ClearAndSelect);
            r = i < 0 ? LB_ERR : i;
            return true;
        }
        case LB_GETTOPINDEX: {
            const QListWidgetItem* it = list_->itemAt(0, 0);
            r = it ? list_->row(it) : 0;
            return true;
        }
        case LB_SETTOPINDEX:
            if (index >= 0 && index < n) list_->scrollToItem(list_->item(index), QAbstractItemView::PositionAtTop);
            return true;
        case LB_GETITEMDATA:
            r = (index < 0 || index >= n) ? LB_ERR : static_cast<LRESULT>(list_->item(index)->data(Qt::UserRole).toLongLong());
            return true;
        case LB_SETITEMDATA:
            if (index < 0 || index >= n) r = LB_ERR;
            else list_->item(index)->setData(Qt::UserRole, static_cast<qlonglong>(lParam));
            return true;
        case LB_GETITEMHEIGHT:
            if (delegate_) r = delegate_->variable && index >= 0 && index < n ? delegate_->heightOf(list_->model()->index(index, 0))
                                                                            : delegate_->fixedHeight;
            else r = list_->sizeHintForRow(0) > 0 ? list_->sizeHintForRow(0) : 16;
            return true;
        case WM_GETDLGCODE: r = DLGC_WANTARROWS | DLGC_WANTCHARS; return true;
        default: return false;
        }
    }

private:
    struct Guard {
        bool& flag;
        bool old;
        explicit Guard(bool& f) : flag(f), old(f) { f = true; }
        ~Guard() { flag = old; }
    };
    QStringList items() const {
        QStringList l;
        for (int i = 0; i < list_->count(); ++i) l << list_->item(i)->text();
        return l;
    }
    HWND handle_;
    DWORD style_;
    QListWidget* list_;
    OwnerDrawDelegate* delegate_ = nullptr;
    std::u16string text_;
    bool setting_ = false;
};

// A combo box whose selection field shows the current item drawn by the program.
class OwnerDrawCombo : public QComboBox {
public:
    OwnerDrawDelegate* delegate = nullptr;

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter p(this);
        QStyleOptionComboBox opt;
        initStyleOption(&opt);
        opt.currentText.clear();
        opt.currentIcon = QIcon();
        p.drawComplexControl(QStyle::CC_ComboBox, opt);
        if (!delegate) return;
        const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
        UINT state = ODS_COMBOBOXEDIT;
        if (hasFocus()) state |= ODS_SELECTED | ODS_FOCUS;
        if (!isEnabled()) state |= ODS_DISABLED;
        const int item = currentIndex();
        const auto data = item >= 0 ? static_cast<ULONG_PTR>(itemData(item).toULongLong()) : 0;
        ownerDrawItem(delegate->handle, ODT_COMBOBOX, p, field, item, ODA_DRAWENTIRE, state, data,
                      palette().color(QPalette::Base));
    }
};

class ComboBoxControl : public Control {
public:
    ComboBoxControl(HWND h, DWORD style) : handle_(h), style_(style) {
        if (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) {
            auto* combo = new OwnerDrawCombo;
            delegate_ = new OwnerDrawDelegate(h, ODT_COMBOBOX, (style & CBS_OWNERDRAWVARIABLE) != 0);
            delegate_->focusShown = false;
            delegate_->setParent(combo);
            combo->delegate = delegate_;
            combo->setItemDelegate(delegate_);
            combo_ = combo;
        } else {
            combo_ = new QComboBox;
        }
        const DWORD kind = style & 0x3;
        combo_->setEditable(kind == CBS_DROPDOWN || kind == CBS_SIMPLE);
        combo_->setInsertPolicy(QComboBox::NoInsert);
        combo_->setMaxVisibleItems(12);
        QObject::connect(combo_, QOverload<int>::of(&QComboBox::activated), [this](int) {
            notifyParent(handle_, CBN_SELCHANGE);
        });
        if (combo_->lineEdit())
            QObject::connect(combo_->lineEdit(), &QLineEdit::textEdited, [this] {
                notifyParent(handle_, CBN_EDITCHANGE);
            });
    }
    QWidget* widget() const { return combo_; }
    std::vector<QWidget*> eventWidgets() override {
        if (combo_->lineEdit()) return {combo_->lineEdit()};
        return {};
    }
    std::u16string text() const override {
        if (combo_->isEditable()) return fromQt(combo_->currentText());
        return combo_->currentIndex() >= 0 ? fromQt(combo_->currentText()) : std::u16string();
    }
    void setText(const std::u16string& t) override {
        if (combo_->isEditable()) combo_->setEditText(toQt(t));
        else {
            const int i = combo_->findText(toQt(t), Qt::MatchFixedString);
            if (i >= 0) combo_->setCurrentIndex(i);
        }
    }
    void typeChar(char16_t c) override {
        if (Window* w = find(handle_); w && combo_->lineEdit()) forwardCharToQt(*w, c);
    }

    bool message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) override {
        Window* w = find(handle_);
        const bool u = w && w->unicode;
        const int n = combo_->count();
        const int index = static_cast<int>(static_cast<LONG>(wParam));
        switch (msg) {
        case WM_CREATE:
            if (delegate_ && !delegate_->variable) {
                fieldHeight_ = measureItem(handle_, ODT_COMBOBOX, -1, 0, combo_->width(), defaultItemHeight(combo_));
                delegate_->fixedHeight = measureItem(handle_, ODT_COMBOBOX, 0, 0, combo_->width(), defaultItemHeight(combo_));
            }
            return false;
        case CB_SETITEMHEIGHT: {
            const int height = static_cast<int>(LOWORD(static_cast<DWORD_PTR>(lParam)));
            if (!delegate_ || height <= 0 || height > 255) {
                r = CB_ERR;
                return true;
            }
            if (index == -1) fieldHeight_ = height;
            else if (delegate_->variable && index >= 0 && index < n) combo_->setItemData(index, height, kHeightRole);
            else if (!delegate_->variable) delegate_->fixedHeight = height;
            else {
                r = CB_ERR;
                return true;
            }
            r = CB_OKAY;
            return true;
        }
        case CB_GETITEMHEIGHT:
            if (index == -1) r = delegate_ ? fieldHeight_ : combo_->height();
            else if (delegate_) r = delegate_->variable && index >= 0 && index < n ? delegate_->heightOf(combo_->model()->index(index, 0))
                                                                                 : delegate_->fixedHeight;
            else r = defaultItemHeight(combo_);
            return true;
        case CB_ADDSTRING:
        case CB_INSERTSTRING: {
            const bool strings = !delegate_ || (style_ & CBS_HASSTRINGS);
            const QString s = strings ? toQt(textArg(lParam, u)) : QString();
            int at = msg == CB_ADDSTRING ? n : (index < 0 ? n : index);
            if (at > n) {
                r = CB_ERR;
                return true;
            }
            if (msg == CB_ADDSTRING && (style_ & CBS_SORT)) at = sortedPosition(items(), s);
            const QString edit = combo_->isEditable() ? combo_->currentText() : QString();
            const int cur = combo_->currentIndex();
            combo_->insertItem(at, s);
            if (!strings) combo_->setItemData(at, static_cast<qulonglong>(lParam));
            if (delegate_ && delegate_->variable)
                combo_->setItemData(at, measureItem(handle_, ODT_COMBOBOX, at, strings ? 0 : static_cast<ULONG_PTR>(lParam),
                                                    combo_->width(), defaultItemHeight(combo_)),
                                    kHeightRole);
            // Adding items never changes the selection.
            combo_->setCurrentIndex(cur < 0 ? -1 : (cur >= at ? cur + 1 : cur));
            if (combo_->isEditable()) combo_->setEditText(edit);
            r = at;
            return true;
        }
        case CB_DELETESTRING:
            if (index < 0 || index >= n) r = CB_ERR;
            else {
                combo_->removeItem(index);
                r = combo_->count();
            }
            return true;
        case CB_RESETCONTENT:
            combo_->clear();
            if (combo_->isEditable()) combo_->setEditText(QString());
            return true;
        case CB_GETCOUNT: r = n; return true;
        case CB_GETCURSEL: r = combo_->currentIndex() < 0 ? CB_ERR : combo_->currentIndex(); return true;
        case CB_SETCURSEL:
            if (index < 0 || index >= n) {
                combo_->setCurrentIndex(-1);
                if (combo_->isEditable()) combo_->setEditText(QString());
                r = CB_ERR;
            } else {
                combo_->setCurrentIndex(index);
                r = index;
            }
            return true;
        case CB_GETLBTEXT:
            if (index < 0 || index >= n) r = CB_ERR;
            else {
                const std::u16string s = fromQt(combo_->itemText(index));
                r = copyOut(s, lParam, static_cast<WPARAM>(textLength(s, u)) + 1, u);
            }
            return true;
        case CB_GETLBTEXTLEN:
            r = (index < 0 || index >= n) ? CB_ERR : textLength(fromQt(combo_->itemText(index)), u);
            return true;
        case CB_FINDSTRING:
        case CB_FINDSTRINGEXACT: {
            const int i = findString(items(), index, toQt(textArg(lParam, u)), msg == CB_FINDSTRINGEXACT);
            r = i < 0 ? CB_ERR : i;
            return true;
        }
        case CB_SELECTSTRING: {
            const int i = findString(items(), index, toQt(textArg(lParam, u)), false);
            if (i >= 0) combo_->setCurrentIndex(i);
            r = i < 0 ? CB_ERR : i;
            return true;
        }
        case CB_GETITEMDATA:
            r = (index < 0 || index >= n) ? CB_ERR : static_cast<LRESULT>(combo_->itemData(index).toLongLong());
            return true;
        case CB_SETITEMDATA:
            if (index < 0 || index >= n) r = CB_ERR;
            else combo_->setItemData(index, static_cast<qlonglong>(lParam));
            return true;
        case CB_SHOWDROPDOWN:
            if (wParam) combo_->showPopup();
            else combo_->hidePopup();
            return true;
        case CB_GETDROPPEDSTATE: r = combo_->view() && combo_->view()->isVisible(); return true;
        case CB_LIMITTEXT:
            if (combo_->lineEdit()) combo_->lineEdit()->setMaxLength(wParam ? static_cast<int>(wParam) : 32767);
            r = TRUE;
            return true;
        case CB_GETEDITSEL:
            if (QLineEdit* e = combo_->lineEdit()) {
                const int s = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
                const int end = e->hasSelectedText() ? s + e->selectedText().size() : s;
                if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(s);
                if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(end);
                r = MAKELONG(static_cast<WORD>(s), static_cast<WORD>(end));
            } else {
                r = CB_ERR;
            }
            return true;
        case CB_SETEDITSEL:
            if (QLineEdit* e = combo_->lineEdit()) {
                const int s = static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)));
                int end = static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)));
                if (s < 0) e->deselect();
                else {
                    if (end < 0) end = e->text().size();
                    e->setSelection(s, end - s);
                }
                r = TRUE;
            } else {
                r = CB_ERR;
            }
            return true;
        case WM_GETDLGCODE: r = DLGC_WANTCHARS | DLGC_WANTARROWS; return true;
        case WM_SETFOCUS: notifyParent(handle_, CBN_SETFOCUS); return false;
        case WM_KILLFOCUS: notifyParent(handle_, CBN_KILLFOCUS); return false;
        default: return false;
        }
    }

private:
    QStringList items() const {
        QStringList l;
        for (int i = 0; i < combo_->count(); ++i) l << combo_->itemText(i);
        return l;
    }
    HWND handle_;
    DWORD style_;
    QComboBox* combo_;
    OwnerDrawDelegate* delegate_ = nullptr;
    int fieldHeight_ = 16;
};

}  // namespace

NewControl newListBoxControl(HWND h, DWORD style) {
    auto c = std::make_unique<ListBoxControl>(h, style);
    QWidget* widget = c->widget();
    return {std::move(c), widget};
}

NewControl newComboBoxControl(HWND h, DWORD style) {
    auto c = std::make_unique<ComboBoxControl>(h, style);
    QWidget* widget = c->widget();
    return {std::move(c), widget};
}

}  // namespace platform::win
