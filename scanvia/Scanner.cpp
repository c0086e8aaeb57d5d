// The three calls of the scanner library: the selection dialog, the scan dialog with its
// worker thread, and the table of scanned pictures behind the WM_SCANREADY handles.
#include "scanvia/Scanvia.h"

#include "Frames.h"
#include "SaneDevice.h"

#include "platform/msgbox.h"
#include "platform/registry.h"
#include "platform/winuser.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMetaObject>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <atomic>
#include <map>
#include <memory>
#include <new>
#include <thread>

namespace scanvia {
namespace {

// ---- Remembered settings -------------------------------------------------------------------

std::string readSetting(const char* value) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, RegistryKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    char buffer[1024];
    DWORD type = 0, size = sizeof buffer;
    std::string r;
    if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS &&
        type == REG_SZ && size > 0)
        r.assign(buffer, strnlen(buffer, std::min<std::size_t>(size, sizeof buffer)));
    RegCloseKey(key);
    return r;
}

void writeSetting(const char* value, const std::string& text) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, RegistryKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

// ---- Scanned pictures ----------------------------------------------------------------------

struct Pictures {
    std::map<WPARAM, UniqueDib> held;
    WPARAM next = 0;
};
Pictures& pictures() {
    static auto* p = new Pictures;
    return *p;
}

// Posts the picture's handle to the window; a window that is gone gets nothing and the
// picture is freed.
void deliver(HWND wnd, TDib dib) {
    Pictures& p = pictures();
    const WPARAM handle = ++p.next;
    p.held.emplace(handle, UniqueDib(dib));
    if (!PostMessageA(wnd, WM_SCANREADY, handle, 0)) p.held.erase(handle);
}

QWidget* ownerOf(HWND wnd) { return wnd ? platform::windowWidget(wnd) : nullptr; }

const char* modeName(ScanMode m) {
    switch (m) {
    case ScanMode::Colour: return "Colour";
    case ScanMode::Grey: return "Grey";
    case ScanMode::LineArt: return "Line art";
    }
    return "";
}

std::string statusText(SANE_Status s) {
    const char* t = sane_strstatus(s);
    return t ? t : "unknown error";
}

// ---- The scan ----------------------------------------------------------------------------

// What the worker thread reads; it touches nothing else.
struct ScanJob {
    SANE_Handle handle = nullptr;
    std::vector<Frame> frames;
    SANE_Status status = SANE_STATUS_GOOD;
    std::atomic<long long> done{0};
    std::atomic<long long> expected{0};
    std::atomic<bool> cancelled{false};

    void run() {
        std::vector<std::uint8_t> buffer(64 * 1024);
        for (;;) {
            status = sane_start(handle);
            if (status != SANE_STATUS_GOOD) break;
            Frame f;
            status = sane_get_parameters(handle, &f.params);
            if (status != SANE_STATUS_GOOD) break;
            const bool threePass = f.params.format == SANE_FRAME_RED || f.params.format == SANE_FRAME_GREEN ||
                                   f.params.format == SANE_FRAME_BLUE;
            if (frames.empty() && f.params.lines > 0)
                expected = static_cast<long long>(f.params.bytes_per_line) * f.params.lines * (threePass ? 3 : 1);
            try {
                if (f.params.lines > 0 && f.params.bytes_per_line > 0)
                    f.data.reserve(static_cast<std::size_t>(f.params.bytes_per_line) *
                                   static_cast<std::size_t>(f.params.lines));
                for (;;) {
                    SANE_Int length = 0;
                    const SANE_Status s =
                        sane_read(handle, buffer.data(), static_cast<SANE_Int>(buffer.size()), &length);
                    if (s == SANE_STATUS_EOF) break;
                    if (s != SANE_STATUS_GOOD) {
                        status = s;
                        break;
                    }
                    f.data.insert(f.data.end(), buffer.begin(), buffer.begin() + length);
                    done += length;
                }
            } catch (const std::bad_alloc&) {
                status = SANE_STATUS_NO_MEM;
            }
            if (status != SANE_STATUS_GOOD) break;
            const bool last = f.params.last_frame;
            frames.push_back(std::move(f));
            if (last) break;
        }
        sane_cancel(handle);
        if (cancelled) status = SANE_STATUS_CANCELLED;
    }
};

class ScanDialog : public QDialog {
public:
    ScanDialog(HWND wnd, std::unique_ptr<SaneSession> session, std::unique_ptr<SaneDevice> device,
               const std::string& label);
    ~ScanDialog() override;

    void reject() override;

private:
    void startScan();
    void scanEnded();
    void finish(TDib dib);
    void setBusy(bool busy);

    HWND wnd_;
    std::unique_ptr<SaneSession> session_;
    std::unique_ptr<SaneDevice> device_;
    std::vector<ScanMode> modes_;
    QComboBox* mode_ = nullptr;
    QComboBox* resolution_ = nullptr;
    QDoubleSpinBox* corners_[4] = {nullptr, nullptr, nullptr, nullptr};
    QProgressBar* progress_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* scan_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QTimer timer_;
    std::unique_ptr<ScanJob> job_;
    std::thread worker_;
    bool finished_ = false;
};

std::atomic<bool> running{false};

ScanDialog::ScanDialog(HWND wnd, std::unique_ptr<SaneSession> session, std::unique_ptr<SaneDevice> device,
                       const std::string& label)
    : QDialog(ownerOf(wnd)), wnd_(wnd), session_(std::move(session)), device_(std::move(device)) {
    setObjectName("ScanviaScanDialog");
    setWindowTitle("Scan");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    auto* scanner = new QLabel(QString::fromStdString(label), this);
    scanner->setObjectName("scanner");
    layout->addWidget(scanner);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    mode_ = new QComboBox(this);
    mode_->setObjectName("mode");
    modes_ = device_->modes();
    for (ScanMode m : modes_) mode_->addItem(modeName(m));
    const std::string remembered = readSetting("Mode");
    for (std::size_t i = 0; i < modes_.size(); ++i)
        if (remembered == modeName(modes_[i])) mode_->setCurrentIndex(static_cast<int>(i));
    form->addRow("&Mode:", mode_);

    resolution_ = new QComboBox(this);
    resolution_->setObjectName("resolution");
    const std::vector<int> dpis = device_->resolutions();
    int chosen = device_->resolution();
    if (const std::string r = readSetting("Resolution"); !r.empty()) chosen = std::atoi(r.c_str());
    for (int d : dpis) {
        resolution_->addItem(QString("%1 dpi").arg(d), d);
        if (d == chosen) resolution_->setCurrentIndex(resolution_->count() - 1);
    }
    form->addRow("&Resolution:", resolution_);

    if (device_->hasArea()) {
        const ScanArea a = device_->area();
        const double values[4] = {a.left, a.top, a.right, a.bottom};
        const char* names[4] = {"left", "top", "right", "bottom"};
        const char* captions[4] = {"&Left:", "&Top:", "R&ight:", "&Bottom:"};
        const QString unit = QString::fromStdString(" " + device_->areaUnit());
        for (int i = 0; i < 4; ++i) {
            auto* box = new QDoubleSpinBox(this);
            box->setObjectName(names[i]);
            const Range r = device_->areaRange(i);
            box->setDecimals(1);
            box->setRange(r.min, r.max);
            box->setValue(values[i]);
            box->setSuffix(unit);
            corners_[i] = box;
            form->addRow(captions[i], box);
        }
    }

    progress_ = new QProgressBar(this);
    progress_->setObjectName("progress");
    progress_->setRange(0, 100);
    progress_->setValue(0);
    layout->addWidget(progress_);
    status_ = new QLabel(this);
    status_->setObjectName("status");
    layout->addWidget(status_);

    auto* buttons = new QDialogButtonBox(this);
    scan_ = buttons->addButton("&Scan", QDialogButtonBox::AcceptRole);
    scan_->setObjectName("scan");
    scan_->setDefault(true);
    cancel_ = buttons->addButton("&Cancel", QDialogButtonBox::RejectRole);
    cancel_->setObjectName("cancel");
    layout->addWidget(buttons);
    connect(scan_, &QPushButton::clicked, this, [this] { startScan(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });

    timer_.setInterval(100);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (!job_) return;
        const long long expected = job_->expected, done = job_->done;
        if (expected > 0) progress_->setValue(static_cast<int>(std::min(100LL, done * 100 / expected)));
    });
}

ScanDialog::~ScanDialog() {
    // Closed by any means: the scan ends and the window hears of it once.
    if (worker_.joinable()) {
        if (job_) {
            job_->cancelled = true;
            sane_cancel(job_->handle);
        }
        worker_.join();
    }
    if (!finished_) finish(TDib{});
}

void ScanDialog::setBusy(bool busy) {
    mode_->setEnabled(!busy);
    resolution_->setEnabled(!busy);
    for (QDoubleSpinBox* b : corners_)
        if (b) b->setEnabled(!busy);
    scan_->setEnabled(!busy);
}

void ScanDialog::startScan() {
    if (job_ || modes_.empty()) return;
    const ScanMode mode = modes_[static_cast<std::size_t>(std::max(0, mode_->currentIndex()))];
    const int dpi = resolution_->currentData().toInt();
    ScanArea area;
    if (corners_[0])
        area = ScanArea{corners_[0]->value(), corners_[1]->value(), corners_[2]->value(), corners_[3]->value()};
    device_->apply(mode, dpi, area);
    writeSetting("Mode", modeName(mode));
    if (dpi > 0) writeSetting("Resolution", std::to_string(dpi));
    setBusy(true);
    status_->setText("Scanning...");
    job_ = std::make_unique<ScanJob>();
    job_->handle = device_->handle();
    timer_.start();
    QPointer<ScanDialog> self(this);
    ScanJob* job = job_.get();
    worker_ = std::thread([job, self] {
        job->run();
        // Back on the user-interface thread.
        QMetaObject::invokeMethod(
            qApp, [self] { if (self) self->scanEnded(); }, Qt::QueuedConnection);
    });
}

void ScanDialog::scanEnded() {
    if (worker_.joinable()) worker_.join();
    timer_.stop();
    const SANE_Status status = job_->status;
    TDib dib{};
    if (status == SANE_STATUS_GOOD) dib = assemblePicture(job_->frames);
    job_->frames.clear();
    device_->close();
    session_.reset();
    if (status != SANE_STATUS_GOOD && status != SANE_STATUS_CANCELLED) {
        const std::string text = "The scan failed: " + statusText(status) + ".";
        MessageBoxA(wnd_, text.c_str(), "Scan", MB_OK | MB_ICONERROR);
    } else if (status == SANE_STATUS_GOOD && !dib.Bits) {
        MessageBoxA(wnd_, "The scanned picture could not be made.", "Scan", MB_OK | MB_ICONERROR);
    }
    finish(dib);
    close();
}

void ScanDialog::finish(TDib dib) {
    if (finished_) {
        deldib(dib);
        return;
    }
    finished_ = true;
    device_.reset();
    session_.reset();
    running = false;
    deliver(wnd_, dib);
}

void ScanDialog::reject() {
    if (job_ && worker_.joinable()) {
        // The worker sees the cancel and ends; scanEnded closes the dialog.
        job_->cancelled = true;
        status_->setText("Cancelling...");
        cancel_->setEnabled(false);
        sane_cancel(job_->handle);
        return;
    }
    QDialog::reject();
}

// ---- The scanner selection ---------------------------------------------------------------

class SelectDialog : public QDialog {
public:
    SelectDialog(QWidget* owner, const std::vector<ScannerInfo>& scanners, const std::string& chosen)
        : QDialog(owner) {
        setObjectName("ScanviaSelectDialog");
        setWindowTitle("Select scanner");
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel("&Scanners:", this));
        list = new QListWidget(this);
        list->setObjectName("scanners");
        for (const ScannerInfo& s : scanners) {
            auto* item = new QListWidgetItem(QString::fromStdString(s.label), list);
            item->setData(Qt::UserRole, QString::fromStdString(s.name));
            if (s.name == chosen) list->setCurrentItem(item);
        }
        if (!list->currentItem() && list->count()) list->setCurrentRow(0);
        layout->addWidget(list);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
        buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
        buttons->button(QDialogButtonBox::Cancel)->setText("&Cancel");
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    }
    QListWidget* list = nullptr;
};

}  // namespace

bool scanRunning() { return running; }

}  // namespace scanvia

using namespace scanvia;

extern "C" void TWAIN_SelectScanner(HWND wnd) {
    // SANE is held by a running scan.
    if (running) return;
    SaneSession session;
    if (!session.ok()) {
        MessageBoxA(wnd, "The scanner interface could not be started.", "Select scanner", MB_OK | MB_ICONERROR);
        return;
    }
    const std::vector<ScannerInfo> scanners = findScanners();
    if (scanners.empty()) {
        MessageBoxA(wnd, "No scanner was found.", "Select scanner", MB_OK | MB_ICONINFORMATION);
        return;
    }
    SelectDialog dialog(ownerOf(wnd), scanners, readSetting(ScannerValue));
    if (dialog.exec() != QDialog::Accepted || !dialog.list->currentItem()) return;
    writeSetting(ScannerValue, dialog.list->currentItem()->data(Qt::UserRole).toString().toStdString());
}

extern "C" void TWAIN_ScanImage(HWND wnd) {
    bool expected = false;
    if (!running.compare_exchange_strong(expected, true)) return;  // one scan at a time
    auto session = std::make_unique<SaneSession>();
    const auto fail = [wnd](const std::string& text) {
        MessageBoxA(wnd, text.c_str(), "Scan", MB_OK | MB_ICONERROR);
        running = false;
        deliver(wnd, TDib{});
    };
    if (!session->ok()) return fail("The scanner interface could not be started.");
    const std::vector<ScannerInfo> scanners = findScanners();
    if (scanners.empty()) return fail("No scanner was found.");
    // The chosen scanner, or the first one when it is not there now.
    const std::string chosen = readSetting(ScannerValue);
    const ScannerInfo* use = &scanners.front();
    for (const ScannerInfo& s : scanners)
        if (s.name == chosen) use = &s;
    auto device = std::make_unique<SaneDevice>();
    if (const SANE_Status s = device->open(use->name); s != SANE_STATUS_GOOD)
        return fail("The scanner " + use->label + " could not be opened: " + statusText(s) + ".");
    auto* dialog = new ScanDialog(wnd, std::move(session), std::move(device), use->label);
    dialog->open();
}

extern "C" void GetScanedDib(TDib* out, WPARAM handle) {
    if (!out) return;
    *out = TDib{};
    Pictures& p = pictures();
    const auto it = p.held.find(handle);
    if (it == p.held.end()) return;
    *out = it->second.release();
    p.held.erase(it);
}
