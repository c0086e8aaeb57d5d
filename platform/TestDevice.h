// A device for tests: a DC over a white image whose behaviour the test chooses, so that
// every fallback of code that draws pictures can be reached.
#pragma once

#include "platform/gditypes.h"

#include <QImage>

#include <memory>

namespace platform {

struct TestDeviceOptions {
    int width = 64;
    int height = 64;
    int technology = DT_RASDISPLAY;
    int bitsPixel = 24;
    int dpi = 96;
    bool refuseStretchDIBits = false;      // StretchDIBits returns GDI_ERROR
    bool dibToDevice = true;               // RASTERCAPS has RC_DIBTODEV
    bool refuseSetDIBitsToDevice = false;  // SetDIBitsToDevice returns 0
    bool refuseCompatibleBitmap = false;   // CreateCompatibleBitmap returns null
    bool refuseSetDIBits = false;          // SetDIBits with this DC returns 0
    bool refuseStretchBlt = false;         // StretchBlt returns FALSE
    // Draw through a painter, as printers and PDF files do, instead of the pixel loops.
    bool vector = false;
};

class TestDevice {
public:
    explicit TestDevice(const TestDeviceOptions& options = {});
    ~TestDevice();  // deletes the DC
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    HDC dc() const { return dc_; }
    QImage& image();

    // Calls made on the DC, refused ones included.
    struct Calls {
        int stretchDIBits = 0;
        int setDIBitsToDevice = 0;
        int stretchBlt = 0;
        int setDIBits = 0;
        int compatibleBitmap = 0;
    };
    const Calls& calls() const;
    void resetCalls();

    struct State;

private:
    std::shared_ptr<State> state_;
    HDC dc_ = nullptr;
};

}  // namespace platform
