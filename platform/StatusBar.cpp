// The status bar: parts with texts or drawn by the parent, the simple part, borders and the
// size grip; it keeps itself along the bottom (or top) of its parent unless told not to.
#include "CommonControlImpl.h"
#include "CustomDraw.h"
#include "platform/commctrl.h"

#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <algorithm>

namespace platform::win {
namespace {

QColor qcolourOf(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

struct Part {
    int right = -1;
    std::u16string text;
    WPARAM type = 0;  // SBT_*
    LPARAM data = 0;  // for owner-drawn parts
};

class StatusControl;

class StatusWidget : public QWidget {
public:
    explicit StatusWidget(StatusControl* c) : control_(c) { setAttribute(Qt::WA_OpaquePaintEvent); }
    void forget() { control_ = nullptr; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    StatusControl* control_;
};

class StatusControl : public Control {
public:
    StatusControl(HWND h, DWORD style) : handle_(h), style_(style) {
        widget_ = new StatusWidget(this);
        parts_.resize(1);
    }
    ~StatusControl() override {
        if (widget_) widget_->forget();
    }
    QWidget* widget() const { return widget_; }
    std::u16string text() const override { return parts_.empty() ? std::u16string() : parts_[0].text; }
    void setText(const std::u16string& t) override {
        if (!parts_.empty()) parts_[0].text = t;
        repaint();
    }
    void styleChanged() override {
        if (Window* w = find(handle_)) style_ = w->style;
        repaint();
    }
    bool message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) override;
    void paint(QPainter& p);

private:
    void repaint() {
        if (widget_) widget_->update();
    }
    int height() const {
        return std::max(minHeight_, QFontMetrics(widget_->font()).height() + 6);
    }
    // The part's rectangle with its border; the inside is one pixel in.
    QRect partRect(int i) const {
        const int w = widget_->width(), h = widget_->height();
        if (simple_ || i == static_cast<int>(SB_SIMPLEID)) return QRect(0, 2, w, h - 2);
        if (i < 0 || i >= static_cast<int>(parts_.size())) return {};
        const int left = i == 0 ? 0 : std::max(0, parts_[static_cast<std::size_t>(i - 1)].right);
        int right = parts_[static_cast<std::size_t>(i)].right;
        if (right < 0) right = w;
        return QRect(left, 2, std::max(0, right - left), h - 2);
    }
    Part* partArg(WPARAM wParam) {
        const int i = static_cast<int>(LOBYTE(wParam));
        if (i == static_cast<int>(SB_SIMPLEID)) return &simplePart_;
        if (i >= static_cast<int>(parts_.size())) return nullptr;
        return &parts_[static_cast<std::size_t>(i)];
    }
    // Keeps the bar along its parent's edge.
    void place() {
        if (placing_) return;
        placing_ = true;
        placeNow();
        placing_ = false;
    }
    void placeNow() {
        if (style_ & CCS_NOPARENTALIGN) {
            if (!(style_ & CCS_NORESIZE)) {
                RECT wr{};
                GetWindowRect(handle_, &wr);
                POINT at{wr.left, wr.top};
                if (HWND parent = GetParent(handle_)) ScreenToClient(parent, &at);
                SetWindowPos(handle_, nullptr, at.x, at.y, wr.right - wr.left, height(), SWP_NOZORDER | SWP_NOACTIVATE);
            }
            return;
        }
        HWND parent = GetParent(handle_);
        if (!parent) return;
        RECT pc{};
        GetClientRect(parent, &pc);
        const int h = (style_ & CCS_NORESIZE) ? widget_->height() : height();
        const bool top = (style_ & CCS_TOP) && !((style_ & CCS_BOTTOM) == CCS_BOTTOM);
        SetWindowPos(handle_, nullptr, 0, top ? 0 : pc.bottom - h, pc.right, h, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    void mouse(UINT code, QPoint pt) {
        NMMOUSE n{};
        n.hdr.hwndFrom = handle_;
        Window* w = find(handle_);
        n.hdr.idFrom = w ? static_cast<UINT_PTR>(w->id) : 0;
        n.hdr.code = code;
        n.dwItemSpec = simple_ ? SB_SIMPLEID : static_cast<DWORD_PTR>(-1);
        if (!simple_)
            for (int i = 0; i < static_cast<int>(parts_.size()); ++i)
                if (partRect(i).contains(QPoint(pt.x(), std::max(pt.y(), 2)))) n.dwItemSpec = static_cast<DWORD_PTR>(i);
        n.pt = POINT{pt.x(), pt.y()};
        sendToParent(handle_, WM_NOTIFY, n.hdr.idFrom, reinterpret_cast<LPARAM>(&n));
    }
    void paintPart(QPainter& p, const Part& part, const QRect& outer, int index);

    HWND handle_;
    DWORD style_;
    QPointer<StatusWidget> widget_;
    std::vector<Part> parts_;
    Part simplePart_;
    bool simple_ = false;
    int minHeight_ = 0;
    COLORREF back_ = CLR_DEFAULT;
    bool placing_ = false;
};

void StatusWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (control_) control_->paint(p);
}

bool StatusControl::message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) {
    Window* w = find(handle_);
    const QPoint pt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    switch (msg) {
    case WM_CREATE: place(); return false;
    case WM_SIZE:
        // The parent sends its new size on: the bar follows the edge.
        place();
        repaint();
        return false;
    case WM_SETFONT:
        if (w) controlFontMessage(*w, msg, wParam, lParam, r);
        place();
        repaint();
        return true;
    case WM_SETTEXT:
        if (!parts_.empty()) parts_[0].text = textArg(lParam, w && w->unicode);
        repaint();
        r = TRUE;
        return true;
    case WM_LBUTTONUP: mouse(NM_CLICK, pt); return true;
    case WM_LBUTTONDBLCLK: mouse(NM_DBLCLK, pt); return true;
    case WM_RBUTTONUP: mouse(NM_RCLICK, pt); return true;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: return true;
    case SB_SETTEXTA:
    case SB_SETTEXTW: {
        Part* part = partArg(wParam);
        if (!part) {
            r = FALSE;
            return true;
        }
        part->type = wParam & 0xFF00;
        if (part->type & SBT_OWNERDRAW) {
            part->data = lParam;
            part->text.clear();
        } else {
            part->text = textArg(lParam, msg == SB_SETTEXTW);
        }
        repaint();
        r = TRUE;
        return true;
    }
    case SB_GETTEXTA:
    case SB_GETTEXTW:
    case SB_GETTEXTLENGTHA:
    case SB_GETTEXTLENGTHW: {
        Part* part = partArg(wParam);
        if (!part) {
            r = 0;
            return true;
        }
        const bool wide = msg == SB_GETTEXTW || msg == SB_GETTEXTLENGTHW;
        if ((msg == SB_GETTEXTA || msg == SB_GETTEXTW) && (part->type & SBT_OWNERDRAW)) {
            r = part->data;
            return true;
        }
        if ((msg == SB_GETTEXTA || msg == SB_GETTEXTW) && lParam)
            copyOut(part->text, lParam, static_cast<WPARAM>(textLength(part->text, wide)) + 1, wide);
        r = MAKELONG(static_cast<WORD>(textLength(part->text, wide)), static_cast<WORD>(part->type));
        return true;
    }
    case SB_SETPARTS: {
        const int n = static_cast<int>(wParam);
        const auto* edges = reinterpret_cast<const int*>(lParam);
        if (n <= 0 || n > 256 || !edges) {
            r = FALSE;
            return true;
        }
        parts_.resize(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) parts_[static_cast<std::size_t>(i)].right = edges[i];
        repaint();
        r = TRUE;
        return true;
    }
    case SB_GETPARTS: {
        auto* edges = reinterpret_cast<int*>(lParam);
        const int n = std::min(static_cast<int>(wParam), static_cast<int>(parts_.size()));
        if (edges)
            for (int i = 0; i < n; ++i) edges[i] = parts_[static_cast<std::size_t>(i)].right;
        r = static_cast<LRESULT>(parts_.size());
        return true;
    }
    case SB_GETBORDERS:
        if (auto* b = reinterpret_cast<int*>(lParam)) {
            b[0] = 0;
            b[1] = 2;
            b[2] = 2;
        }
        r = TRUE;
        return true;
    case SB_SETMINHEIGHT:
        minHeight_ = static_cast<int>(wParam);
        return true;
    case SB_SIMPLE:
        simple_ = wParam != 0;
        repaint();
        return true;
    case SB_ISSIMPLE: r = simple_ ? TRUE : FALSE; return true;
    case SB_GETRECT: {
        auto* rc = reinterpret_cast<RECT*>(lParam);
        const QRect q = partRect(static_cast<int>(wParam));
        if (!rc || !q.isValid()) {
            r = FALSE;
            return true;
        }
        *rc = toRect(q);
        r = TRUE;
        return true;
    }
    case SB_SETBKCOLOR:
        r = static_cast<LRESULT>(back_);
        back_ = static_cast<COLORREF>(lParam);
        repaint();
        return true;
    default: return false;
    }
}

void StatusControl::paintPart(QPainter& p, const Part& part, const QRect& outer, int index) {
    if (outer.width() <= 0) return;
    if (!(part.type & SBT_NOBORDERS)) {
        const bool out = (part.type & SBT_POPOUT) != 0;
        const QRect e = outer.adjusted(0, 0, -1, -1);
        p.setPen(qcolourOf(GetSysColor(out ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW)));
        p.drawLine(e.topLeft(), e.topRight());
        p.drawLine(e.topLeft(), e.bottomLeft());
        p.setPen(qcolourOf(GetSysColor(out ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT)));
        p.drawLine(e.bottomLeft(), e.bottomRight());
        p.drawLine(e.topRight(), e.bottomRight());
    }
    const QRect inner = outer.adjusted(1, 1, -1, -1);
    if (part.type & SBT_OWNERDRAW) {
        const COLORREF back = back_ == CLR_DEFAULT ? GetSysColor(COLOR_BTNFACE) : back_;
        ownerDrawItem(handle_, 0, p, inner, index, ODA_DRAWENTIRE, 0, static_cast<ULONG_PTR>(part.data), qcolourOf(back));
        return;
    }
    p.setPen(qcolourOf(GetSysColor(COLOR_BTNTEXT)));
    p.setFont(widget_->font());
    // Up to two tabs split the text into left, centred and right parts.
    QString text = toQt(part.text);
    QStringList pieces = (part.type & SBT_NOTABPARSING) ? QStringList{text} : text.split(u'\t');
    const QRect area = inner.adjusted(2, 0, -2, 0);
    const int aligns[3] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    for (int k = 0; k < std::min<int>(3, pieces.size()); ++k)
        p.drawText(area, aligns[k] | Qt::AlignVCenter | Qt::TextSingleLine, pieces[k]);
}

void StatusControl::paint(QPainter& p) {
    const QRect all = widget_->rect();
    p.fillRect(all, qcolourOf(back_ == CLR_DEFAULT ? GetSysColor(COLOR_BTNFACE) : back_));
    QPointer<QWidget> alive(widget_);
    if (simple_) {
        paintPart(p, simplePart_, partRect(SB_SIMPLEID), SB_SIMPLEID);
    } else {
        for (int i = 0; i < static_cast<int>(parts_.size()) && alive; ++i)
            paintPart(p, parts_[static_cast<std::size_t>(i)], partRect(i), i);
    }
    if (!alive) return;
    if (style_ & SBARS_SIZEGRIP) {
        // Three diagonal ridges in the bottom-right corner.
        const int r = all.right(), b = all.bottom();
        for (int k = 0; k < 3; ++k) {
            const int d = 4 + 4 * k;
            p.setPen(qcolourOf(GetSysColor(COLOR_BTNHIGHLIGHT)));
            p.drawLine(r - d, b, r, b - d);
            p.setPen(qcolourOf(GetSysColor(COLOR_BTNSHADOW)));
            p.drawLine(r - d + 1, b, r, b - d + 1);
            p.drawLine(r - d + 2, b, r, b - d + 2);
        }
    }
}

}  // namespace

NewControl newStatusBar(Window& w) {
    auto c = std::make_unique<StatusControl>(w.handle, w.style);
    QWidget* widget = c->widget();
    return NewControl{std::move(c), widget};
}

}  // namespace platform::win
