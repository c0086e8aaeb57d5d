#include "poster/Filters.h"

#include <array>
#include <cstring>
#include <initializer_list>
#include <stdexcept>

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
