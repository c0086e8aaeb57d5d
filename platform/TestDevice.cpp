// The test device.
#include "platform/TestDevice.h"

#include "DeviceContext.h"

#include <optional>

namespace platform {

struct TestDevice::State {
    TestDeviceOptions options;
    QImage image;
    Calls calls;
};

namespace {

class Device : public gdi::Device {
public:
    explicit Device(std::shared_ptr<TestDevice::State> s) : s_(std::move(s)) {}

    gdi::DeviceCaps caps() const override {
        const TestDeviceOptions& o = s_->options;
        gdi::DeviceCaps c;
        c.technology = o.technology;
        c.horzRes = o.width;
        c.vertRes = o.height;
        c.bitsPixel = o.bitsPixel;
        c.logPixelsX = c.logPixelsY = o.dpi;
        c.rasterCaps = gdi::fullRasterCaps(o.bitsPixel, o.technology == DT_RASPRINTER);
        if (!o.dibToDevice) c.rasterCaps &= ~RC_DIBTODEV;
        if (o.technology == DT_RASPRINTER) {
            c.physicalWidth = o.width;
            c.physicalHeight = o.height;
        }
        return c;
    }
    QImage* image() override { return s_->options.vector ? nullptr : &s_->image; }
    QPainter* beginPainter() override {
        if (!s_->options.vector) return nullptr;
        painter_.emplace(&s_->image);
        return &*painter_;
    }
    void endPainter() override { painter_.reset(); }
    QSize size() override { return s_->image.size(); }
    bool refuses(gdi::Operation op) const override {
        const TestDeviceOptions& o = s_->options;
        switch (op) {
        case gdi::Operation::StretchDIBits: return o.refuseStretchDIBits;
        case gdi::Operation::SetDIBitsToDevice: return o.refuseSetDIBitsToDevice;
        case gdi::Operation::StretchBlt: return o.refuseStretchBlt;
        case gdi::Operation::SetDIBits: return o.refuseSetDIBits;
        case gdi::Operation::CompatibleBitmap: return o.refuseCompatibleBitmap;
        default: return false;
        }
    }
    void called(gdi::Operation op) override {
        TestDevice::Calls& c = s_->calls;
        switch (op) {
        case gdi::Operation::StretchDIBits: ++c.stretchDIBits; break;
        case gdi::Operation::SetDIBitsToDevice: ++c.setDIBitsToDevice; break;
        case gdi::Operation::StretchBlt: ++c.stretchBlt; break;
        case gdi::Operation::SetDIBits: ++c.setDIBits; break;
        case gdi::Operation::CompatibleBitmap: ++c.compatibleBitmap; break;
        default: break;
        }
    }

private:
    std::shared_ptr<TestDevice::State> s_;
    std::optional<QPainter> painter_;
};

}  // namespace

TestDevice::TestDevice(const TestDeviceOptions& options) : state_(std::make_shared<State>()) {
    state_->options = options;
    state_->image = QImage(std::max(options.width, 1), std::max(options.height, 1), QImage::Format_RGB32);
    state_->image.fill(0xFFFFFFFFu);
    dc_ = gdi::createDC(std::make_shared<Device>(state_));
}

TestDevice::~TestDevice() { DeleteDC(dc_); }

QImage& TestDevice::image() { return state_->image; }
const TestDevice::Calls& TestDevice::calls() const { return state_->calls; }
void TestDevice::resetCalls() { state_->calls = Calls{}; }

}  // namespace platform
