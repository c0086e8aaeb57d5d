#include "poster/Filters.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <vector>

namespace {

// A record from a 5 x 5 kernel, row by row.
TFilterRec kernel5(const char* caption, int divisor, int bias, std::initializer_list<int> weights) {
    TFilterRec r{};
    r.Divisor = divisor;
    r.Bias = bias;
    int i = 0;
    for (int w : weights) r.Matrix[i++] = w;
    std::strncpy(r.Caption, caption, sizeof r.Caption - 1);
    return r;
}

// A record from a 3 x 3 kernel placed in the centre of the 5 x 5 window.
TFilterRec kernel3(const char* caption, int divisor, int bias, std::initializer_list<int> weights) {
    TFilterRec r = kernel5(caption, divisor, bias, {});
    int i = 0;
    for (int w : weights) {
        r.Matrix[(i / 3 + 1) * 5 + i % 3 + 1] = w;
        ++i;
    }
    return r;
}

std::array<TFilterRec, PosterEffectCount> makePosterTable() {
    // clang-format off
    return {
        kernel3("Soften", 9, 0, {1, 1, 1,  1, 1, 1,  1, 1, 1}),
        kernel3("Weakly soften", 5, 0, {0, 1, 0,  1, 1, 1,  0, 1, 0}),
        kernel5("Strongly soften", 25, 0, {1, 1, 1, 1, 1,  1, 1, 1, 1, 1,  1, 1, 1, 1, 1,  1, 1, 1, 1, 1,  1, 1, 1, 1, 1}),
        kernel3("Sharpen", 12, 0, {-1, -1, -1,  -1, 20, -1,  -1, -1, -1}),
        kernel5("Strongly sharpen", 36, 0, {-1, -1, -1, -1, -1,  -1, -1, -1, -1, -1,  -1, -1, 60, -1, -1,
                                            -1, -1, -1, -1, -1,  -1, -1, -1, -1, -1}),
        kernel3("Grease", 1, 0, {1, 1, 1,  1, -7, 1,  1, 1, 1}),
        kernel5("Lithograph", 1, 0, {-1, -1, -1, -1, -1,  -1, -10, -10, -10, -1,  -1, -10, 98, -10, -1,
                                     -1, -10, -10, -10, -1,  -1, -1, -1, -1, -1}),
        kernel5("Psychdist", 1, 0, {0, -1, -2, -3, -4,  0, -1, 3, 2, 1,  0, -1, 10, 2, 1,
                                    0, -1, 3, 2, 1,  0, -1, -2, -3, -4}),
        kernel3("Emphasize edges", 1, 0, {-1, -1, -1,  -1, 9, -1,  -1, -1, -1}),
        kernel3("Find edges", 1, 0, {-1, -1, -1,  -1, 8, -1,  -1, -1, -1}),
        kernel3("Find horizontal edges", 1, 0, {-1, 0, 1,  -1, 0, 1,  -1, 0, 1}),
        kernel3("Find vertical edges", 1, 0, {-1, -1, -1,  0, 0, 0,  1, 1, 1}),
        kernel3("Emboss", 1, 128, {-1, 0, 1,  -1, 0, 1,  -1, 0, 1}),
        kernel3("Emboss vertically", 1, 128, {-1, -1, -1,  0, 0, 0,  1, 1, 1}),
    };
    // clang-format on
}

const std::array<TFilterRec, PosterEffectCount>& posterTable() {
    static const auto table = makePosterTable();
    return table;
}

std::array<TFilterRec, EditorFilterCount> makeEditorTable() {
    // Each editor filter is the poster effect of that number without its caption.
    static constexpr int source[EditorFilterCount] = {8, 9, 10, 11, 9, 0, 2, 3, 4, 1, 12, 13};
    std::array<TFilterRec, EditorFilterCount> table{};
    for (int i = 0; i < EditorFilterCount; ++i) {
        table[i] = posterTable()[source[i]];
        std::memset(table[i].Caption, 0, sizeof table[i].Caption);
    }
    return table;
}

}  // namespace

const TFilterRec& PosterEffect(int Index) {
    if (Index < 0 || Index >= PosterEffectCount) throw std::out_of_range("poster effect index");
    return posterTable()[Index];
}

const TFilterRec& EditorFilter(int Index) {
    if (Index < 0 || Index >= EditorFilterCount) throw std::out_of_range("editor filter index");
    static const auto table = makeEditorTable();
    return table[Index];
}

bool ReadFilterRec(const void* Data, std::size_t Size, TFilterRec& Out) {
    if (!Data || Size < sizeof(TFilterRec)) return false;
    std::memcpy(&Out, Data, sizeof Out);
    Out.Name[sizeof Out.Name - 1] = '\0';
    Out.Caption[sizeof Out.Caption - 1] = '\0';
    std::memset(Out.Padding, 0, sizeof Out.Padding);
    return true;
}

std::string FilterName(const TFilterRec& Filter) { return std::string(Filter.Name, strnlen(Filter.Name, sizeof Filter.Name)); }

std::string FilterCaption(const TFilterRec& Filter) {
    return std::string(Filter.Caption, strnlen(Filter.Caption, sizeof Filter.Caption));
}

void SetFilterName(TFilterRec& Filter, const std::string& Name) {
    std::memset(Filter.Name, 0, sizeof Filter.Name);
    std::memcpy(Filter.Name, Name.data(), std::min(Name.size(), sizeof Filter.Name - 1));
}

void TransposeKernel(const TFilterRec& Source, TFilterRec& Dest) {
    const TFilterRec copy = Source;  // Source and Dest may be one record
    Dest = copy;
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) Dest.Matrix[5 * i + j] = copy.Matrix[5 * j + i];
}

namespace {

using namespace picops;

struct Tap {
    int row, column;  // window position, 0..4
    std::int32_t weight;
};

// Sum / divisor + bias, clamped, in 64 bits.
inline BYTE finish(std::int64_t sum, std::int64_t divisor, std::int64_t bias) {
    const std::int64_t v = sum / divisor + bias;
    return static_cast<BYTE>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// The row loops below are worth vector code even where the compiler would rather not.
#if defined(__GNUC__) && !defined(__clang__)
#define VECTOR_LOOPS __attribute__((optimize("tree-vectorize", "vect-cost-model=dynamic")))
#else
#define VECTOR_LOOPS
#endif

// Adds weight x bytes to a row of sums; the first tap sets them.
template <class Sum>
VECTOR_LOOPS void accumulate(Sum* __restrict sums, const BYTE* __restrict bytes, std::size_t n, std::int32_t weight,
                             bool first) {
    const Sum w = weight;
    if (first)
        for (std::size_t i = 0; i < n; ++i) sums[i] = w * bytes[i];
    else
        for (std::size_t i = 0; i < n; ++i) sums[i] += w * bytes[i];
}

// The convolution of every row, reading the padded work copy.
template <class Sum>
void convolve(const TDib& dib, const TDib& work, const std::vector<Tap>& taps, const Selection& selection,
              std::int64_t divisor, std::int64_t bias, std::int64_t bound, ProgressReport& report) {
    const int width = dib.Info->bmiHeader.biWidth, height = dib.Info->bmiHeader.biHeight;
    const std::size_t n = 3 * static_cast<std::size_t>(width);
    std::vector<Sum> sums(n);
    // Sums of small kernels go through a table from -bound..bound to the finished byte.
    std::vector<BYTE> table;
    if (bound <= (1 << 21)) {
        table.resize(static_cast<std::size_t>(2 * bound + 1));
        for (std::int64_t s = -bound; s <= bound; ++s) table[static_cast<std::size_t>(s + bound)] = finish(s, divisor, bias);
    }
    for (int y = 0; y < height; ++y) {
        report.step(y, height);
        bool first = true;
        for (const Tap& t : taps) {
            // Window row r is picture row y + r - 2, work row y + r; column c starts c pixels in.
            accumulate(sums.data(), rowFromTop(work, y + t.row) + 3 * t.column, n, t.weight, first);
            first = false;
        }
        if (first) std::fill(sums.begin(), sums.end(), Sum{0});
        BYTE* out = rowFromTop(dib, y);
        const BYTE* mask = selection.all() ? nullptr : selection.row(y);
        if (!table.empty()) {
            const BYTE* lookup = table.data() + bound;
            if (!mask) {
                for (std::size_t i = 0; i < n; ++i) out[i] = lookup[sums[i]];
            } else {
                for (int x = 0; x < width; ++x)
                    if (Selection::selected(mask, x))
                        for (int k = 0; k < 3; ++k) out[3 * x + k] = lookup[sums[3 * static_cast<std::size_t>(x) + k]];
            }
        } else {
            for (int x = 0; x < width; ++x)
                if (!mask || Selection::selected(mask, x))
                    for (int k = 0; k < 3; ++k) out[3 * x + k] = finish(sums[3 * static_cast<std::size_t>(x) + k], divisor, bias);
        }
    }
}

}  // namespace

UniqueDib FilterWorkCopy(TDib Dib, const std::function<void(int Row, int Rows)>& Step) {
    UniqueDib work;
    if (!isPicture(Dib) || Dib.Info->bmiHeader.biBitCount != 24) return work;
    const int width = Dib.Info->bmiHeader.biWidth, height = Dib.Info->bmiHeader.biHeight;
    newdib(work.out(), width + 4, height + 4, 24, nullptr, 0);
    if (!work) return work;
    const TDib& w = work.get();
    // The copy, two pixels in from every side, with its edges repeated outward.
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
    for (int k = 0; k < height; ++k) {
        if (Step) Step(k, height);
        BYTE* to = w.Bits + static_cast<std::ptrdiff_t>(k + 2) * w.LineBytes;
        std::memcpy(to + 6, Dib.Bits + static_cast<std::ptrdiff_t>(k) * Dib.LineBytes, rowBytes);
        for (int i = 0; i < 2; ++i) {
            std::memcpy(to + 3 * i, to + 6, 3);
            std::memcpy(to + 6 + rowBytes + 3 * i, to + 3 + rowBytes, 3);
        }
    }
    const std::size_t workBytes = rowBytes + 12;
    for (int i = 0; i < 2; ++i) {
        std::memcpy(w.Bits + static_cast<std::ptrdiff_t>(i) * w.LineBytes, w.Bits + 2 * w.LineBytes, workBytes);
        std::memcpy(w.Bits + static_cast<std::ptrdiff_t>(height + 2 + i) * w.LineBytes,
                    w.Bits + static_cast<std::ptrdiff_t>(height + 1) * w.LineBytes, workBytes);
    }
    return work;
}

TFilterOutcome DibFilter(TDib Dib, const TFilterRec& Filter, const TDib* Mask, const TProgressSink& Progress,
                         const TKeepResult& Keep) {
    if (!isPicture(Dib)) return TFilterOutcome::NoPicture;
    UniqueDib work;
    {
        ProgressReport report(Progress);
        if (Dib.Info->bmiHeader.biBitCount != 24) return TFilterOutcome::NotTrueColour;
        if (Filter.Divisor == 0) return TFilterOutcome::BadDivisor;
        const Selection selection(Mask, Dib);
        if (selection.none()) return TFilterOutcome::Applied;
        work = FilterWorkCopy(Dib, [&](int k, int rows) { report.step(k, rows); });
        if (!work) return TFilterOutcome::NoMemory;
        const TDib& w = work.get();

        std::vector<Tap> taps;
        std::int64_t bound = 0;  // the largest sum a pixel can reach
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 5; ++c) {
                const std::int32_t weight = Filter.Matrix[r + 5 * c];
                if (!weight) continue;
                taps.push_back(Tap{r, c, weight});
                bound += 255 * (weight < 0 ? -static_cast<std::int64_t>(weight) : weight);
            }
        if (bound <= INT32_MAX)
            convolve<std::int32_t>(Dib, w, taps, selection, Filter.Divisor, Filter.Bias, bound, report);
        else
            convolve<std::int64_t>(Dib, w, taps, selection, Filter.Divisor, Filter.Bias, bound, report);
    }
    if (Keep && !Keep()) {
        // Every pixel the filter did not change is the same in the copy.
        const TDib& w = work.get();
        const int height = Dib.Info->bmiHeader.biHeight;
        for (int k = 0; k < height; ++k)
            std::memcpy(Dib.Bits + static_cast<std::ptrdiff_t>(k) * Dib.LineBytes,
                        w.Bits + static_cast<std::ptrdiff_t>(k + 2) * w.LineBytes + 6, 3 * static_cast<std::size_t>(Dib.Info->bmiHeader.biWidth));
        return TFilterOutcome::Rejected;
    }
    return TFilterOutcome::Applied;
}
