// SANE reached from the scanner library: the library's lifetime, the scanners found, and
// an opened scanner with the options the scan dialog sets.
#pragma once

#include <sane/sane.h>

#include <string>
#include <vector>

namespace scanvia {

// SANE initialised for as long as the object lives (one at a time per process).
class SaneSession {
public:
    SaneSession();
    ~SaneSession();
    SaneSession(const SaneSession&) = delete;
    SaneSession& operator=(const SaneSession&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

struct ScannerInfo {
    std::string name;   // what sane_open takes
    std::string label;  // vendor, model and type, as shown
};
// The scanners SANE finds now (a session must be open).
std::vector<ScannerInfo> findScanners();

enum class ScanMode { Colour, Grey, LineArt };

// The area's corners in the unit of the scanner's area options.
struct ScanArea {
    double left = 0, top = 0, right = 0, bottom = 0;
};

// A range of an area coordinate.
struct Range {
    double min = 0, max = 0;
};

class SaneDevice {
public:
    SaneDevice() = default;
    ~SaneDevice();
    SaneDevice(const SaneDevice&) = delete;
    SaneDevice& operator=(const SaneDevice&) = delete;

    SANE_Status open(const std::string& name);
    void close();
    SANE_Handle handle() const { return handle_; }
    const std::string& name() const { return name_; }

    // The modes the scanner can scan in (line art also as 1-bit grey).
    std::vector<ScanMode> modes();
    // The resolutions to offer, in dots per inch, ascending; and the current one.
    std::vector<int> resolutions();
    int resolution();
    // The area options: whether the scanner has them, their ranges, the current area, and
    // the unit's name ("mm" or "pixels").
    bool hasArea();
    ScanArea area();
    Range areaRange(int corner);  // 0 left, 1 top, 2 right, 3 bottom
    std::string areaUnit();

    // Sets mode, resolution and area (clamped to what the scanner takes).
    void apply(ScanMode mode, int resolution, const ScanArea& area);

private:
    int find(const char* option);
    const SANE_Option_Descriptor* descriptor(int index);
    bool settable(int index);
    bool number(int index, double& value);
    bool setNumber(int index, double value);
    bool setString(int index, const std::string& value);
    std::vector<std::string> strings(int index);
    // The value of the mode list that stands for a mode, or empty.
    std::string modeValue(ScanMode mode);
    bool depthOffers(int depth);

    SANE_Handle handle_ = nullptr;
    std::string name_;
};

}  // namespace scanvia
