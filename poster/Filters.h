// Filter records: 5 x 5 convolution kernels with divisor, bias, name and caption, the
// built-in tables of the poster window and the picture editor, and the convolution.
#pragma once

#include "poster/PictureOps.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

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

// A record from its 624 stored bytes; false when fewer are given. Name and Caption end
// inside their fields whatever the bytes hold.
bool ReadFilterRec(const void* Data, std::size_t Size, TFilterRec& Out);
// Name and caption as texts, read no further than their fields.
std::string FilterName(const TFilterRec& Filter);
std::string FilterCaption(const TFilterRec& Filter);
// Sets the name, cut to 256 characters.
void SetFilterName(TFilterRec& Filter, const std::string& Name);

// Copies the record with its weights turned from row order into the column order that
// DibFilter reads: Dest.Matrix[5 i + j] = Source.Matrix[5 j + i].
void TransposeKernel(const TFilterRec& Source, TFilterRec& Dest);

enum class TFilterOutcome {
    Applied,        // the picture holds the result
    Rejected,       // Keep said no: the old pixels are back
    NotTrueColour,  // pictures of 256 colours or fewer are left unchanged
    NoMemory,       // the work copy could not be made; the picture is unchanged
    BadDivisor,     // a divisor of 0; the picture is unchanged
    NoPicture,
};

// Asked once the result is in the picture; false puts the old pixels back.
using TKeepResult = std::function<bool()>;

// The work copy that 5 x 5 operations read: a 24-bit picture two pixels larger on every
// side, the picture in its middle and its edge rows and columns repeated outward. Step is
// told each copied row (k of height). No pixels when it cannot be made.
UniqueDib FilterWorkCopy(TDib Dib, const std::function<void(int Row, int Rows)>& Step = {});

// Convolves a true-colour picture with the filter's 5 x 5 weights in column order (the
// weight of window row r, column c is Matrix[r + 5 c]; window row 0 lies two rows above
// the pixel). Each component becomes sum / Divisor (truncated) + Bias, clamped to 0..255;
// edges repeat outward. With a selection only pixels whose mask value is 1 change; they
// still see their unselected neighbours.
TFilterOutcome DibFilter(TDib Dib, const TFilterRec& Filter, const TDib* Selection = nullptr,
                         const TProgressSink& Progress = {}, const TKeepResult& Keep = {});
