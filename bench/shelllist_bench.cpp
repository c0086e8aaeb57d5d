// The file list on a folder of 10,000 files (pictures and other files) in report style with
// icons: the time until the first screen is drawn, until every item has its icon and
// details, to sort by each column, the memory it takes, and how soon a file made or removed
// by another process shows.
//   shelllist_bench [folder]   (default /tmp/tessellon-shelllist-bench; made when empty)
#include "classlib/Forms.h"
#include "platform/winuser.h"
#include "shell/ShellControls.h"
#include "widetext/WideSystem.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

constexpr int kFiles = 10000;
const char* const kExtensions[] = {".jpg", ".png", ".txt", ".JPG", ".bmp", ".pdf", ".tif", ".dat"};

using Clock = std::chrono::steady_clock;
double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

long statusKiB(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
    return 0;
}

bool makeFolder(const std::string& folder) {
    ::mkdir(folder.c_str(), 0755);
    struct stat st {};
    if (::stat((folder + "/file09999.dat").c_str(), &st) == 0) return true;
    for (int i = 0; i < kFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/file%05d%s", i, kExtensions[i % 8]);
        std::ofstream out(folder + name);
        // Sizes differ, so the size column has something to sort.
        out << std::string(static_cast<std::size_t>((i * 7919) % 4096), 'x');
        if (!out) return false;
    }
    return true;
}

void pump() {
    platform::processPendingMessages();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    InitApplication();
    RegisterShellClasses();
    const std::string folder = argc > 1 ? argv[1] : "/tmp/tessellon-shelllist-bench";
    if (!makeFolder(folder)) {
        std::fprintf(stderr, "shelllist_bench: cannot make %s\n", folder.c_str());
        return 1;
    }
    std::system(("ls -l '" + folder + "' > /dev/null").c_str());  // warm the directory cache

    TForm form(nullptr);
    form.SetBounds(0, 0, 1024, 768);
    auto* list = new TNavShellList(&form);
    list->SetParent(&form);
    list->SetAlign(alClient);
    form.Show();
    pump();
    const long baseKiB = statusKiB("VmRSS:");

    // First screen: filled and drawn (the drawn items ask for their icons and details).
    auto start = Clock::now();
    list->SetPath(platform::fileNameToWide(folder));
    QWidget* view = platform::windowWidget(list->Handle());
    view->grab();
    const double firstScreen = since(start);
    const int count = list->Items()->Count();
    // Full enumeration with every item's icon and details.
    start = Clock::now();
    for (int i = 0; i < count; ++i) list->FillItemData(list->Item(i));
    const double allData = firstScreen + since(start);
    const long filledKiB = statusKiB("VmRSS:");

    std::printf("file list, %d files in report style with icons\n", count);
    std::printf("  first screen:                 %.3f s\n", firstScreen);
    std::printf("  every icon and detail:        %.3f s\n", allData);
    for (int c = 0; c < list->Columns()->Count(); ++c) {
        for (int pass = 0; pass < 2; ++pass) {
            start = Clock::now();
            list->SortByColumn(c);
            view->grab();
            std::printf("  sort by %-14s %s %.3f s\n", platform::wideToFileName(list->Column(c)->Caption()).c_str(),
                        list->SortDescending() ? "down:" : "up:  ", since(start));
        }
    }
    std::printf("  memory: %ld MiB before, %ld MiB with the list (%.1f KiB an item)\n", baseKiB / 1024, filledKiB / 1024,
                count ? double(filledKiB - baseKiB) / count : 0.0);

    // Another process makes and removes a file.
    const std::string made = folder + "/made-by-another-process.jpg";
    std::remove(made.c_str());
    pump();
    start = Clock::now();
    std::system(("touch '" + made + "'").c_str());
    QElapsedTimer wait;
    wait.start();
    while (list->Items()->Count() == count && wait.elapsed() < 5000) pump();
    std::printf("  a file made elsewhere shows after     %.3f s\n", since(start));
    start = Clock::now();
    std::remove(made.c_str());
    wait.restart();
    while (list->Items()->Count() != count && wait.elapsed() < 5000) pump();
    std::printf("  a file removed elsewhere goes after   %.3f s\n", since(start));
    return 0;
}
