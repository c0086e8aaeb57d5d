// The list view with owner data: 100,000 items in four columns shown, paged from the top to
// the bottom and sorted by a column, beside a plain QTreeView over a QAbstractItemModel that
// serves the same rows; the peak memory of each (in a process of its own, for 1,000 and for
// 100,000 items); and a list of 10,000 real files with icons of the system image list: the
// time to the first screen.
//   listview_bench [benchmark options]     (QT_QPA_PLATFORM=offscreen unless set)
#include "platform/commctrl.h"
#include "platform/fileapi.h"
#include "platform/shellapi.h"
#include "platform/winuser.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QScrollBar>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

namespace {

constexpr int kItems = 100000;
constexpr int kWidth = 800;
constexpr int kHeight = 600;

// The rows both views show: four texts made from the row's record, in the order of `order`.
struct Rows {
    std::vector<int> order;
    int sortColumn = -1;
    bool descending = false;
    explicit Rows(int n) : order(static_cast<std::size_t>(n)) { std::iota(order.begin(), order.end(), 0); }
    static int size(int id) { return (id * 7919) % 100003; }
    static std::u16string text(int id, int column) {
        char buffer[48];
        switch (column) {
        case 0: std::snprintf(buffer, sizeof buffer, "Item %06d", id); break;
        case 1: std::snprintf(buffer, sizeof buffer, "%d KB", size(id)); break;
        case 2: std::snprintf(buffer, sizeof buffer, "Kind %02d", id % 37); break;
        default: std::snprintf(buffer, sizeof buffer, "2026-%02d-%02d %02d:%02d", id % 12 + 1, id % 28 + 1, id % 24, id % 60); break;
        }
        return std::u16string(buffer, buffer + std::strlen(buffer));
    }
    std::u16string at(int row, int column) const { return text(order[static_cast<std::size_t>(row)], column); }
    // Sorting by a column: the same comparison for both views.
    void sortBy(int column) {
        descending = column == sortColumn ? !descending : false;
        sortColumn = column;
        auto key = [column](int id) { return column == 1 ? size(id) : column == 2 ? id % 37 : column == 3 ? (id % 12) * 40 + id % 28 : id; };
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return descending ? key(a) > key(b) : key(a) < key(b); });
    }
};

// ---- The list view, owner data ---------------------------------------------------------------

Rows* ownerRows = nullptr;

LRESULT ownerParent(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NOTIFY && ownerRows) {
        auto* h = reinterpret_cast<NMHDR*>(lParam);
        if (h->code == LVN_GETDISPINFOW) {
            auto* d = reinterpret_cast<NMLVDISPINFOW*>(lParam);
            if (d->item.mask & LVIF_TEXT) {
                const std::u16string t = ownerRows->at(d->item.iItem, d->item.iSubItem);
                const std::size_t n = std::min<std::size_t>(t.size(), static_cast<std::size_t>(d->item.cchTextMax - 1));
                std::copy_n(t.data(), n, d->item.pszText);
                d->item.pszText[n] = 0;
            }
            return 0;
        }
        if (h->code == LVN_COLUMNCLICK) {
            ownerRows->sortBy(reinterpret_cast<NMLISTVIEW*>(lParam)->iSubItem);
            InvalidateRect(h->hwndFrom, nullptr, FALSE);
            return 0;
        }
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

struct OwnerList {
    HWND top = nullptr;
    HWND list = nullptr;
    explicit OwnerList(Rows* rows, int count, bool ownerData = true) {
        ownerRows = rows;
        static bool registered = false;
        if (!registered) {
            registered = true;
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = &ownerParent;
            wc.lpszClassName = u"BenchListHost";
            RegisterClassExW(&wc);
            const INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
            InitCommonControlsEx(&init);
        }
        top = CreateWindowExW(0, u"BenchListHost", u"", WS_POPUP, 0, 0, kWidth, kHeight, nullptr, nullptr, nullptr, nullptr);
        const DWORD style = WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | (ownerData ? LVS_OWNERDATA : 0);
        list = CreateWindowExW(0, WC_LISTVIEWW, u"", style, 0, 0, kWidth, kHeight, top, nullptr, nullptr, nullptr);
        const char16_t* names[] = {u"Name", u"Size", u"Kind", u"Modified"};
        for (int c = 0; c < (ownerData ? 4 : 1); ++c) {
            LVCOLUMNW col{};
            col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
            col.pszText = const_cast<LPWSTR>(names[c]);
            col.cx = ownerData ? 180 : 300;
            col.fmt = c == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
            SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
        }
        SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
        ShowWindow(top, SW_SHOW);
    }
    ~OwnerList() {
        DestroyWindow(top);
        ownerRows = nullptr;
    }
    QAbstractScrollArea* widget() const { return qobject_cast<QAbstractScrollArea*>(platform::windowWidget(list)); }
    void paint() const { widget()->viewport()->repaint(); }
    // One page on; false at the bottom.
    bool pageDown() const {
        QScrollBar* bar = widget()->verticalScrollBar();
        if (bar->value() >= bar->maximum()) return false;
        bar->setValue(bar->value() + bar->pageStep());
        return true;
    }
    void home() const { widget()->verticalScrollBar()->setValue(0); }
    void clickColumn(int c) const {
        NMLISTVIEW n{};
        n.hdr.hwndFrom = list;
        n.hdr.code = LVN_COLUMNCLICK;
        n.iSubItem = c;
        SendMessageW(top, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
    }
};

// ---- The plain view -------------------------------------------------------------------------------

class PlainModel : public QAbstractTableModel {
public:
    PlainModel(Rows* rows, int count) : rows_(rows), count_(count) {}
    int rowCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : count_; }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : 4; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole) {
            const std::u16string t = rows_->at(index.row(), index.column());
            return QString::fromUtf16(t.data(), static_cast<qsizetype>(t.size()));
        }
        if (role == Qt::TextAlignmentRole && index.column() == 1) return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        static const char* names[] = {"Name", "Size", "Kind", "Modified"};
        if (o == Qt::Horizontal && role == Qt::DisplayRole) return QString::fromLatin1(names[section]);
        return {};
    }
    void sort(int column, Qt::SortOrder) override {
        emit layoutAboutToBeChanged();
        rows_->sortBy(column);
        emit layoutChanged();
    }

private:
    Rows* rows_;
    int count_;
};

struct PlainList {
    PlainModel model;
    QTreeView view;
    PlainList(Rows* rows, int count) : model(rows, count) {
        view.setRootIsDecorated(false);
        view.setUniformRowHeights(true);
        view.setSelectionBehavior(QAbstractItemView::SelectRows);
        view.setSelectionMode(QAbstractItemView::ExtendedSelection);
        view.setModel(&model);
        for (int c = 0; c < 4; ++c) view.header()->resizeSection(c, 180);
        view.resize(kWidth, kHeight);
        view.show();
    }
    void paint() { view.viewport()->repaint(); }
    bool pageDown() {
        QScrollBar* bar = view.verticalScrollBar();
        if (bar->value() >= bar->maximum()) return false;
        bar->setValue(bar->value() + bar->pageStep());
        return true;
    }
    void home() { view.verticalScrollBar()->setValue(0); }
    void clickColumn(int c) { model.sort(c, Qt::AscendingOrder); }
};

// ---- Benchmarks ---------------------------------------------------------------------------------------

template <class View>
void showFirst(benchmark::State& state) {
    Rows rows(kItems);
    for (auto _ : state) {
        View v(&rows, kItems);
        QApplication::processEvents();
        v.paint();
    }
}

// From the top to the bottom, a page at a time: time per page as the counter.
template <class View>
void pageThrough(benchmark::State& state) {
    Rows rows(kItems);
    View v(&rows, kItems);
    QApplication::processEvents();
    long pages = 0;
    for (auto _ : state) {
        v.home();
        v.paint();
        while (v.pageDown()) {
            v.paint();
            ++pages;
        }
    }
    state.counters["pages"] = benchmark::Counter(static_cast<double>(pages) / static_cast<double>(state.iterations()));
    state.counters["ms_per_page"] =
        benchmark::Counter(static_cast<double>(pages), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A click on a column: the rows sorted by it (ascending, then descending) and the page shown again.
template <class View>
void sortByColumn(benchmark::State& state) {
    Rows rows(kItems);
    View v(&rows, kItems);
    QApplication::processEvents();
    v.paint();
    for (auto _ : state) {
        v.clickColumn(1);
        v.paint();
    }
}

void BM_ListView_Show(benchmark::State& s) { showFirst<OwnerList>(s); }
void BM_QTreeView_Show(benchmark::State& s) { showFirst<PlainList>(s); }
void BM_ListView_PageThrough(benchmark::State& s) { pageThrough<OwnerList>(s); }
void BM_QTreeView_PageThrough(benchmark::State& s) { pageThrough<PlainList>(s); }
void BM_ListView_Sort(benchmark::State& s) { sortByColumn<OwnerList>(s); }
void BM_QTreeView_Sort(benchmark::State& s) { sortByColumn<PlainList>(s); }

BENCHMARK(BM_ListView_Show)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_QTreeView_Show)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_ListView_PageThrough)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_QTreeView_PageThrough)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ListView_Sort)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_QTreeView_Sort)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// ---- Real files with system icons --------------------------------------------------------------------

QString fileFolder() { return QDir::tempPath() + "/tessellon-listview-bench"; }

// 10,000 files of twenty kinds (made once, kept for later runs).
void makeFiles() {
    QDir().mkpath(fileFolder());
    static const char* kinds[] = {"txt", "png", "jpg", "pdf", "ogg", "c", "html", "zip", "svg", "mp4",
                                  "odt", "csv", "py", "sh", "gif", "tar", "json", "xml", "md", "wav"};
    for (int i = 0; i < 10000; ++i) {
        const QString name = QString("%1/file%2.%3").arg(fileFolder()).arg(i, 5, 10, QChar('0')).arg(kinds[i % 20]);
        if (QFile::exists(name)) continue;
        QFile f(name);
        if (f.open(QIODevice::WriteOnly)) f.write("x");
    }
}

// The folder read, each file's system icon asked, the items put in and the first screen drawn.
void BM_TenThousandFiles_FirstScreen(benchmark::State& state) {
    makeFiles();
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        OwnerList host(nullptr, 0, false);
        SendMessageW(host.list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(platform::systemImageList(true)));
        const QStringList names = QDir(fileFolder()).entryList(QDir::Files, QDir::Name);
        SendMessageW(host.list, LVM_SETITEMCOUNT, static_cast<WPARAM>(names.size()), 0);
        SendMessageW(host.list, WM_SETREDRAW, FALSE, 0);
        int row = 0;
        for (const QString& n : names) {
            const std::u16string path = (fileFolder() + "/" + n).toStdU16String();
            SHFILEINFOW info{};
            SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
            const std::u16string text = n.toStdU16String();
            LVITEMW it{};
            it.mask = LVIF_TEXT | LVIF_IMAGE;
            it.iItem = row++;
            it.pszText = const_cast<LPWSTR>(text.c_str());
            it.iImage = info.iIcon;
            SendMessageW(host.list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it));
        }
        SendMessageW(host.list, WM_SETREDRAW, TRUE, 0);
        qobject_cast<QAbstractScrollArea*>(platform::windowWidget(host.list))->viewport()->repaint();
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        state.counters["items"] = row;
    }
}
BENCHMARK(BM_TenThousandFiles_FirstScreen)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// ---- Peak memory, each view in a process of its own -------------------------------------------------

// The child: builds the view over `count` rows, shows it, pages through it and sorts it.
int memoryChild(const char* which, int count) {
    Rows rows(count);
    auto run = [&](auto& v) {
        QApplication::processEvents();
        v.paint();
        while (v.pageDown()) v.paint();
        v.clickColumn(1);
        v.paint();
    };
    if (std::strcmp(which, "listview") == 0) {
        OwnerList v(&rows, count);
        run(v);
    } else {
        PlainList v(&rows, count);
        run(v);
    }
    return 0;
}

long peakKilobytes(const char* self, const char* which, int count) {
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string n = std::to_string(count);
        execl(self, self, "--memory", which, n.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (argc == 4 && std::strcmp(argv[1], "--memory") == 0) {
        QApplication app(argc, argv);
        return memoryChild(argv[2], std::atoi(argv[3]));
    }
    // The memory runs start before this process has a window system of its own.
    std::printf("peak memory (KB)       1,000 items   100,000 items   growth\n");
    for (const char* which : {"listview", "qtreeview"}) {
        const long small = peakKilobytes(argv[0], which, 1000);
        const long large = peakKilobytes(argv[0], which, kItems);
        std::printf("%-20s %13ld %15ld %8ld\n", which, small, large, large - small);
    }
    std::fflush(stdout);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
