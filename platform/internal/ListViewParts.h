// The list view's items, columns and geometry, shared by its message and painting units.
#pragma once

#include "ListViewImpl.h"

#include <QAbstractItemView>
#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QPointer>

#include <string>
#include <vector>

namespace platform::win {

struct LvSubItem {
    std::u16string text;
    bool textCallback = false;
    int image = I_IMAGENONE;
};

struct LvItem {
    std::u16string text;
    bool textCallback = false;
    int image = I_IMAGENONE;
    UINT state = 0;  // every LVIS_* bit but selection and focus, which the selection model keeps
    LPARAM lParam = 0;
    int indent = 0;
    std::vector<LvSubItem> subItems;  // sub-item n at n - 1
};

struct LvColumn {
    int fmt = LVCFMT_LEFT;
    int width = 60;
    std::u16string text;
    int subItem = 0;
    int image = -1;
};

// What the view shows of one item: its own values or the program's answers.
struct LvShown {
    std::u16string text;
    int image = I_IMAGENONE;
    UINT state = 0;
    int indent = 0;
    LPARAM lParam = 0;
};

class ListViewControl;

// Rows of the view; the model holds no data of its own.
class LvModel : public QAbstractListModel {
public:
    explicit LvModel(ListViewControl* c) : control_(c) {}
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex&, int) const override { return {}; }
    void reset(int rows);
    void inserted(int row);
    void removing(int row);
    void removed();
    void beginChange() { beginResetModel(); }
    void endChange() { endResetModel(); }

    ListViewControl* control_;
    int rows_ = 0;
};

// Selection changes go past the program first (LVN_ITEMCHANGING may refuse them) and are
// told afterwards (LVN_ITEMCHANGED, LVN_ODSTATECHANGED).
class LvSelection : public QItemSelectionModel {
public:
    LvSelection(LvModel* model, ListViewControl* c) : QItemSelectionModel(model), control_(c) {}
    void select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) override;
    void select(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override {
        select(QItemSelection(index, index), command);
    }
    // A change made by the control itself that tells nothing.
    void quietSelect(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) {
        quiet_ = true;
        QItemSelectionModel::select(selection, command);
        quiet_ = false;
    }
    bool quiet_ = false;
    void forget() { control_ = nullptr; }

private:
    ListViewControl* control_;
};

class LvView : public QAbstractItemView {
public:
    explicit LvView(ListViewControl* c);
    void forget() { control_ = nullptr; }

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void keyboardSearch(const QString& search) override;
    void updateGeometries() override;
    // Viewport position of the client point and back.
    QPoint toViewport(const QPoint& client) const { return client - viewport()->geometry().topLeft(); }
    QPoint toClient(const QPoint& vp) const { return vp + viewport()->geometry().topLeft(); }
    using QAbstractItemView::setViewportMargins;
    using QAbstractItemView::viewportMargins;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index, const QEvent* e) const override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex&) const override { return false; }
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    ListViewControl* control_;
    int pressRow_ = -1;
    QPoint pressPoint_;
    QPoint pressOffset_;
    QRect marquee_;  // content coordinates; null while none is drawn
    Qt::MouseButton pressButton_ = Qt::NoButton;
    bool dragging_ = false;
    bool soleBeforePress_ = false;
    QString typed_;
    QElapsedTimer typedClock_;
    friend class ListViewControl;
};


// The list view window's control: items, columns, image lists, the view and its header.
class ListViewControl : public Control {
public:
    ListViewControl(HWND h, DWORD style);
    ~ListViewControl() override;
    QWidget* widget() const;
    std::u16string text() const override { return text_; }
    void setText(const std::u16string& t) override { text_ = t; }
    void styleChanged() override;
    std::vector<QWidget*> eventWidgets() override;
    bool message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) override;

    // State the view reads.
    HWND handle() const { return handle_; }
    DWORD viewType() const { return style_ & LVS_TYPEMASK; }
    bool ownerData() const { return (style_ & LVS_OWNERDATA) != 0; }
    DWORD style() const { return style_; }
    DWORD exStyle() const { return exStyle_; }
    int count() const { return ownerData() ? ownerCount_ : static_cast<int>(items_.size()); }
    const std::vector<LvColumn>& columns() const { return columns_; }
    std::vector<int> columnOrder() const;
    HIMAGELIST imageList(int which) const { return images_[which]; }
    COLORREF bkColour() const { return bk_; }
    COLORREF textColour() const { return textColour_; }
    COLORREF textBkColour() const { return textBk_; }
    int headerHeight() const;
    HWND header() const { return header_; }

    // Geometry in content coordinates (before scrolling).
    QSize cellSize() const;
    int rowsPerColumn() const;   // list view: items in one column
    int perRow() const;          // icon views: items in one row
    QRect contentRect(int row) const;
    QSize contentSize() const;
    // Parts of an item in content coordinates: LVIR_* for column 0, or a sub-item's cell.
    QRect partRect(int row, int part) const;
    QRect subItemRect(int row, int column, int part) const;
    int itemAt(const QPoint& content, UINT* flags, int* subItem) const;

    // What to show: item values with the program's answers for callbacks.
    LvShown shown(int row, int subItem, UINT mask, UINT stateMask) const;
    bool isSelected(int row) const;
    int focused() const;
    void cacheHint(int from, int to);
    void paintItems(QPainter& p, const QRect& clientArea);

    // Notifications.
    LRESULT notifyList(UINT code, int item, int subItem, UINT newState, UINT oldState, UINT changed,
                       const QPoint& action = {});
    LRESULT notifyActivate(UINT code, int item, int subItem, const QPoint& client);
    void selectionChanged(const std::vector<int>& rows, const std::vector<UINT>& oldStates, bool wholeRange,
                          int from, int to, UINT newState, UINT oldState);
    bool allowSelectionChange(const std::vector<int>& rows, const std::vector<UINT>& oldStates,
                              const std::vector<UINT>& newStates);
    void focusMoved(int from, int to);

    // Input from the view.
    void clicked(int row, UINT hitFlags, Qt::MouseButton button, const QPoint& client, bool wasSoleSelection);
    void doubleClicked(Qt::MouseButton button, const QPoint& client);
    void beginDrag(int row, Qt::MouseButton button, const QPoint& client);
    std::u16string infoTip(int row, int subItem);
    bool toggleCheck(int row);
    void startEditTimer(int row);
    void editTimerFired();
    int editTimer_ = 0;
    int editPending_ = -1;

    // Label editing.
    HWND editLabel(int row);
    void endEdit(bool accept);
    HWND edit() const { return edit_; }
    static LRESULT editProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

    void layoutHeader();
    void relayout();
    void itemsChanged();
    void flushLayout();
    int findItem(int start, const LVFINDINFOW& info, const std::u16string& text) const;
    int findAsked(int start, UINT flags, const std::u16string& text, LPARAM lParam, bool wrap);

private:
    template <class Item> LRESULT setItem(const Item* item, bool unicode, bool insert);
    template <class Item> LRESULT getItem(Item* item, bool unicode);
    template <class Column> LRESULT insertColumn(int at, const Column* c, bool unicode);
    template <class Column> LRESULT setColumn(int at, const Column* c, bool unicode);
    template <class Column> LRESULT getColumn(int at, Column* c, bool unicode) const;
    void mirrorColumn(int at, bool insert);
    bool setState(int row, UINT state, UINT mask);
    LRESULT deleteItem(int row);
    LRESULT deleteAll();
    LRESULT sortItems(PFNLVCOMPARE compare, LPARAM data, bool byIndex);
    int nextItem(int start, UINT flags) const;
    int neighbour(int row, UINT direction) const;
    LRESULT itemRectMessage(int row, RECT* rc, bool subItem) const;
    LRESULT hitTestMessage(LVHITTESTINFO* info, bool subItems) const;
    void ensureVisible(int row, bool partialOk);
    int topIndex() const;
    int countPerPage() const;
    int setColumnWidth(int column, int width);
    int textWidth(const std::u16string& text) const;
    void update();
    void repaintRow(int row);
    void setItemCount(int n);
    void insertSorted(int& at, const std::u16string& text);
    UINT userState(int row) const;

    HWND handle_;
    DWORD style_;
    DWORD exStyle_ = 0;
    std::u16string text_;
    QPointer<LvView> view_;
    LvModel* model_ = nullptr;
    LvSelection* selection_ = nullptr;
    HWND header_ = nullptr;
    HWND edit_ = nullptr;
    int editRow_ = -1;
    bool ending_ = false;
    WNDPROC editDefault_ = nullptr;
    bool unicode_ = true;
    std::vector<LvItem> items_;
    int ownerCount_ = 0;
    std::vector<LvColumn> columns_;
    HIMAGELIST images_[3] = {nullptr, nullptr, nullptr};
    UINT callbackMask_ = 0;
    COLORREF bk_;
    COLORREF textColour_;
    COLORREF textBk_;
    int hintFrom_ = -1;
    int hintTo_ = -1;
    int selectionMark_ = -1;
    bool sorting_ = false;
    bool changingHeader_ = false;
    bool layoutPending_ = false;
    friend class LvView;
    friend class LvSelection;
};

}  // namespace platform::win
