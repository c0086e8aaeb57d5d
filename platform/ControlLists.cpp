// The list box and the combo box.
#include "ControlKinds.h"
#include "platform/gdi.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

namespace platform::win {
namespace {

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
    }
    QWidget* widget() const { return list_; }
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
            const QString s = toQt(textArg(lParam, u));
            int at = msg == LB_ADDSTRING ? n : (index < 0 ? n : index);
            if (at > n) {
                r = LB_ERR;
                return true;
            }
            if (msg == LB_ADDSTRING && (style_ & LBS_SORT)) at = sortedPosition(items(), s);
            list_->insertItem(at, s);
            r = at;
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
            else r = copyOut(fromQt(list_->item(index)->text()), lParam,
                             static_cast<WPARAM>(textLength(fromQt(list_->item(index)->text()), u)) + 1, u);
            return true;
        case LB_GETTEXTLEN:
            r = (index < 0 || index >= n) ? LB_ERR : textLength(fromQt(list_->item(index)->text()), u);
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
        case LB_GETITEMHEIGHT: r = list_->sizeHintForRow(0) > 0 ? list_->sizeHintForRow(0) : 16; return true;
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
    std::u16string text_;
    bool setting_ = false;
};

class ComboBoxControl : public Control {
public:
    ComboBoxControl(HWND h, DWORD style) : handle_(h), style_(style) {
        combo_ = new QComboBox;
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
        case CB_ADDSTRING:
        case CB_INSERTSTRING: {
            const QString s = toQt(textArg(lParam, u));
            int at = msg == CB_ADDSTRING ? n : (index < 0 ? n : index);
            if (at > n) {
                r = CB_ERR;
                return true;
            }
            if (msg == CB_ADDSTRING && (style_ & CBS_SORT)) at = sortedPosition(items(), s);
            const QString edit = combo_->isEditable() ? combo_->currentText() : QString();
            const int cur = combo_->currentIndex();
            combo_->insertItem(at, s);
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
