// Fuzzes the user filter file reader: any bytes give no more records than they hold, each
// name and caption ends inside its field, and the records stored again read back the same.
// The first records are applied to a small picture as the dialog's Apply does (a divisor of
// 0 is refused), so weights, divisor and shifting of any value reach the convolution.
#include "editor/UserFilterFile.h"
#include "pixwerk/pixwerk.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<TFilterRec> records;
    const TUserFilterLoad result = ParseUserFilters(data, size, records);
    const std::size_t room = size >= 8 ? (size - 8) / sizeof(TFilterRec) : 0;
    if (records.size() > room) std::abort();
    if (result == TUserFilterLoad::WrongMagic && !records.empty()) std::abort();
    for (const TFilterRec& f : records)
        if (!std::memchr(f.Name, 0, sizeof f.Name) || !std::memchr(f.Caption, 0, sizeof f.Caption)) std::abort();
    const std::vector<unsigned char> stored = StoreUserFilters(records);
    std::vector<TFilterRec> again;
    if (ParseUserFilters(stored.data(), stored.size(), again) != TUserFilterLoad::Loaded || again.size() != records.size())
        std::abort();
    for (std::size_t i = 0; i < records.size(); ++i)
        if (std::memcmp(&records[i], &again[i], sizeof(TFilterRec)) != 0) std::abort();
    static UniqueDib picture = [] {
        UniqueDib d;
        newdib(d.out(), 5, 3, 24, nullptr, 0);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) setpixel(d.get(), x, y, (x * 60) | (y * 100) << 8 | 0x800000);
        return d;
    }();
    for (std::size_t i = 0; i < records.size() && i < 4; ++i) {
        const TFilterOutcome r = DibFilter(picture.get(), records[i]);
        if ((records[i].Divisor == 0) != (r == TFilterOutcome::BadDivisor)) std::abort();
    }
    return 0;
}
