// Filter records: 5 x 5 convolution kernels with divisor, bias, name and caption, and the
// built-in tables of the poster window and the picture editor.
#pragma once

#include <cstddef>
#include <cstdint>

// The 624-byte filter record (also the record of the user filter file), little-endian.
struct TFilterRec {
    std::int32_t Divisor;     // the weighted sum is divided by it
    std::int32_t Bias;        // added after the division
    std::int32_t Matrix[25];  // row by row in the built-in tables
    char Name[257];           // zero-terminated; a user filter's name
    char Caption[257];        // zero-terminated; the menu caption of a poster effect
    std::uint8_t Padding[2];
};
static_assert(sizeof(TFilterRec) == 624, "a filter record is 624 bytes");
static_assert(offsetof(TFilterRec, Matrix) == 8 && offsetof(TFilterRec, Name) == 108 &&
                  offsetof(TFilterRec, Caption) == 365,
              "filter record layout");

inline constexpr int PosterEffectCount = 14;
inline constexpr int EditorFilterCount = 12;

// The poster window's effect filters, in menu order, each with its caption.
const TFilterRec& PosterEffect(int Index);
// The editor's built-in filters (name and caption empty).
const TFilterRec& EditorFilter(int Index);
