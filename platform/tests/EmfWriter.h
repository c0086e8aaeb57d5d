// Writes small enhanced metafiles record by record, for the tests of reading and playing
// them: solid rectangles in colours, on a header with the bounds and frame given.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace testsupport {

class EmfWriter {
public:
    struct Box {
        int left, top, right, bottom;
    };
    // Bounds in device pixels (inclusive) and the frame in 0.01 mm (inclusive).
    EmfWriter(Box bounds, Box frame) : bounds_(bounds), frame_(frame) {}

    // A rectangle filled in a colour (0x00BBGGRR), without an outline; right and bottom
    // exclusive as the platform draws rectangles.
    void fill(Box box, std::uint32_t colour) {
        const int brush = ++handles_;
        record(39, {std::uint32_t(brush), 0 /* solid */, colour, 0});   // EMR_CREATEBRUSHINDIRECT
        record(37, {std::uint32_t(brush)});                            // EMR_SELECTOBJECT
        record(37, {0x80000008u});                                     // the null pen (stock)
        record(43, {u(box.left), u(box.top), u(box.right), u(box.bottom)});  // EMR_RECTANGLE
        record(37, {0x80000000u});                                     // the white brush (stock)
        record(40, {std::uint32_t(brush)});                            // EMR_DELETEOBJECT
    }

    // The whole file: header, the records, EMR_EOF.
    std::vector<unsigned char> bytes() const {
        std::vector<unsigned char> body = body_;
        appendRecord(body, 14, {0, 16, 20});  // EMR_EOF
        const std::uint32_t records = records_ + 2;
        std::vector<unsigned char> out;
        std::vector<std::uint32_t> h = {1, 108, u(bounds_.left), u(bounds_.top), u(bounds_.right), u(bounds_.bottom),
                                        u(frame_.left), u(frame_.top), u(frame_.right), u(frame_.bottom),
                                        0x464D4520, 0x10000, 0 /* nBytes below */, records,
                                        std::uint32_t(handles_ + 1) /* nHandles, reserved 0 */, 0, 0, 0,
                                        1920, 1080 /* szlDevice */, 508, 286 /* szlMillimeters */, 0, 0, 0,
                                        508000, 285750 /* szlMicrometers */};
        for (std::uint32_t v : h) put(out, v);
        out.insert(out.end(), body.begin(), body.end());
        const auto total = static_cast<std::uint32_t>(out.size());
        std::memcpy(out.data() + 48, &total, 4);
        return out;
    }

private:
    static std::uint32_t u(int v) { return static_cast<std::uint32_t>(v); }
    static void put(std::vector<unsigned char>& out, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
    }
    static void appendRecord(std::vector<unsigned char>& out, std::uint32_t type,
                             const std::vector<std::uint32_t>& fields) {
        put(out, type);
        put(out, static_cast<std::uint32_t>(8 + 4 * fields.size()));
        for (std::uint32_t f : fields) put(out, f);
    }
    void record(std::uint32_t type, const std::vector<std::uint32_t>& fields) {
        appendRecord(body_, type, fields);
        ++records_;
    }

    Box bounds_, frame_;
    std::vector<unsigned char> body_;
    std::uint32_t records_ = 0;
    int handles_ = 0;
};

}  // namespace testsupport
