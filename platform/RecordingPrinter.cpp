// The recording printer.
#include "platform/RecordingPrinter.h"

#include "DeviceContext.h"

#include <cmath>
#include <algorithm>
#include <utility>

namespace platform {

struct RecordingPrinter::State {
    double widthMm, heightMm;
    int dpiX, dpiY;
    Margins margins;
    Orientation orientation;
    std::vector<Document> documents;
    bool inDocument = false;
    bool inPage = false;
    QImage page;
    int jobs = 0;

    struct Geometry {
        int width, height, left, top, printableWidth, printableHeight;
    };
    Geometry geometry() const {
        double w = widthMm, h = heightMm;
        Margins m = margins;
        if (orientation == Orientation::Landscape) {
            std::swap(w, h);
            m = Margins{margins.top, margins.right, margins.bottom, margins.left};
        }
        auto px = [](double mm, int dpi) { return static_cast<int>(std::nearbyint(mm * dpi / 25.4)); };
        Geometry g;
        g.width = px(w, dpiX);
        g.height = px(h, dpiY);
        g.left = px(m.left, dpiX);
        g.top = px(m.top, dpiY);
        g.printableWidth = std::max(0, g.width - g.left - px(m.right, dpiX));
        g.printableHeight = std::max(0, g.height - g.top - px(m.bottom, dpiY));
        return g;
    }
};

namespace {

class RecordingDevice : public gdi::Device {
public:
    explicit RecordingDevice(std::shared_ptr<RecordingPrinter::State> state) : state_(std::move(state)) {}

    gdi::DeviceCaps caps() const override {
        const auto g = state_->geometry();
        gdi::DeviceCaps c;
        c.technology = DT_RASPRINTER;
        c.bitsPixel = 24;
        c.rasterCaps = gdi::fullRasterCaps(24, true);
        c.logPixelsX = state_->dpiX;
        c.logPixelsY = state_->dpiY;
        c.horzRes = g.printableWidth;
        c.vertRes = g.printableHeight;
        c.physicalWidth = g.width;
        c.physicalHeight = g.height;
        c.physicalOffsetX = g.left;
        c.physicalOffsetY = g.top;
        return c;
    }
    QImage* image() override { return state_->inPage ? &state_->page : nullptr; }
    QSize size() override {
        if (state_->inPage) return state_->page.size();
        const auto g = state_->geometry();
        return QSize(g.printableWidth, g.printableHeight);
    }
    int startDoc(const std::u16string& name, const std::u16string&) override {
        if (state_->inDocument) return SP_ERROR;
        RecordingPrinter::Document d;
        d.name = name;
        state_->documents.push_back(std::move(d));
        state_->inDocument = true;
        return ++state_->jobs;
    }
    int startPage() override {
        if (!state_->inDocument || state_->inPage) return SP_ERROR;
        const auto g = state_->geometry();
        if (g.printableWidth <= 0 || g.printableHeight <= 0) return SP_ERROR;
        state_->page = QImage(g.printableWidth, g.printableHeight, QImage::Format_RGB32);
        if (state_->page.isNull()) return SP_ERROR;
        state_->page.fill(0xFFFFFFFFu);
        state_->inPage = true;
        return 1;
    }
    int endPage() override {
        if (!state_->inPage) return SP_ERROR;
        state_->documents.back().pages.push_back(std::move(state_->page));
        state_->page = QImage();
        state_->inPage = false;
        return 1;
    }
    int endDoc() override {
        if (!state_->inDocument) return SP_ERROR;
        if (state_->inPage) endPage();
        state_->documents.back().ended = true;
        state_->inDocument = false;
        return 1;
    }
    int abortDoc() override {
        if (!state_->inDocument) return SP_ERROR;
        state_->page = QImage();
        state_->inPage = false;
        state_->documents.back().aborted = true;
        state_->inDocument = false;
        return 1;
    }

private:
    std::shared_ptr<RecordingPrinter::State> state_;
};

}  // namespace

RecordingPrinter::RecordingPrinter(double paperWidthMm, double paperHeightMm, int dpi, Margins margins,
                                   Orientation orientation)
    : state_(std::make_shared<State>()) {
    state_->widthMm = paperWidthMm;
    state_->heightMm = paperHeightMm;
    state_->dpiX = state_->dpiY = dpi > 0 ? dpi : 600;
    state_->margins = margins;
    state_->orientation = orientation;
}

RecordingPrinter::~RecordingPrinter() = default;

void RecordingPrinter::setPaper(double widthMm, double heightMm) {
    state_->widthMm = widthMm;
    state_->heightMm = heightMm;
}

void RecordingPrinter::setResolution(int dpiX, int dpiY) {
    if (dpiX > 0) state_->dpiX = dpiX;
    if (dpiY > 0) state_->dpiY = dpiY;
}

void RecordingPrinter::setMargins(const Margins& margins) { state_->margins = margins; }
void RecordingPrinter::setOrientation(Orientation orientation) { state_->orientation = orientation; }
RecordingPrinter::Orientation RecordingPrinter::orientation() const { return state_->orientation; }

int RecordingPrinter::physicalWidth() const { return state_->geometry().width; }
int RecordingPrinter::physicalHeight() const { return state_->geometry().height; }
int RecordingPrinter::offsetX() const { return state_->geometry().left; }
int RecordingPrinter::offsetY() const { return state_->geometry().top; }
int RecordingPrinter::printableWidth() const { return state_->geometry().printableWidth; }
int RecordingPrinter::printableHeight() const { return state_->geometry().printableHeight; }

HDC RecordingPrinter::createDC() { return gdi::createDC(std::make_shared<RecordingDevice>(state_)); }

const std::vector<RecordingPrinter::Document>& RecordingPrinter::documents() const { return state_->documents; }

const std::vector<QImage>& RecordingPrinter::pages() const {
    static const std::vector<QImage> none;
    return state_->documents.empty() ? none : state_->documents.back().pages;
}

std::u16string RecordingPrinter::documentName() const {
    return state_->documents.empty() ? std::u16string() : state_->documents.back().name;
}

const QImage* RecordingPrinter::currentPage() const { return state_->inPage ? &state_->page : nullptr; }

void RecordingPrinter::clear() {
    state_->documents.clear();
    state_->inDocument = false;
    state_->inPage = false;
    state_->page = QImage();
}

}  // namespace platform
