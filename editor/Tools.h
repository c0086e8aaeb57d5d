// The editor's painting tools: brush, clone brush, colour replacer, retouch brush, fill,
// pipette, text, line and shapes. They work on the document (ChildDocument.h), which hands
// them the mouse; their options come from the editor window's option controls through
// TToolLink, so they are tested on a document without any window.
#pragma once

#include "editor/EditorLinks.h"
#include "pixwerk/pixwerk.h"

#include <functional>
#include <vector>

class TChildDocument;

// The option controls' values as the tools read them (item indexes and edit values).
struct TToolOptions {
    int LineWidth = 1;      // BreitEdit, 1..100
    int ShapeStyle = 0;     // StilBox: 0 outlines, 1 filled
    int CloneMode = 0;      // CloneBox: 0 aligned, 1 not aligned
    int RetouchMode = 0;    // RetouchBox: 0 lighten, 1 darken, 2 smear, 3 mix
    int FillStyle = 0;      // FillStyleBox, 0..5
    int Direction = 0;      // DirectBox, 0..7
    int BrushForm = 1;      // FormBox: square, circle, Quer1, Quer2, horizontal, vertical
    int Size = 7;           // SizeEdit, 1..200
    int Hardness = 50;      // HardEdit, 0..100
    int Density = 100;      // DensEdit, 1..100
    int Transparency = 0;   // OpaCityEdit, 0..100
};

// Clamps every option into its control's range.
TToolOptions ClampedOptions(const TToolOptions& Options);

// The text tool's choice in its dialog.
struct TTextChoice {
    String FontName = "DejaVu Sans";
    int FontHeight = 16;  // pixels of the character height
    bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
    std::vector<String> Lines;
    int Alignment = 0;  // 0 left, 1 centred, 2 right
};

// What the tools need of the editor window beyond the document's own window link.
class TToolLink {
public:
    virtual ~TToolLink() = default;
    virtual TToolOptions Options() const { return TToolOptions{}; }
    // The fill sample loaded with "Open sample", or null.
    virtual const TDib* Pattern() const { return nullptr; }
    // The pipette's read-out of a colour: its RGB and its palette index (-1 for none).
    virtual void ColourReadout(COLORREF Colour, int Index) {}
    // Runs `Call` once the mouse handler has returned (dialogs opened from a press would
    // take the release away from the view). Runs it at once by default.
    virtual void Defer(std::function<void()> Call) { Call(); }
    // Shows the "Add text" dialog; false when it was cancelled.
    virtual bool AskText(TChildDocument& Doc, TTextChoice& Choice);
};

class TPaintTools : public TPaintToolHandler {
public:
    TPaintTools() = default;
    void SetLink(TToolLink* Link) { FLink = Link; }
    TToolLink& Link() const;

    void MouseDown(TChildDocument& Doc, TEditorTool Tool, TMouseButton Button, TShiftState Shift, int X,
                   int Y) override;
    void MouseMove(TChildDocument& Doc, TShiftState Shift, int X, int Y) override;
    void MouseUp(TChildDocument& Doc, TMouseButton Button, TShiftState Shift, int X, int Y) override;

    // One brush stroke in picture coordinates with the current options.
    void BrushLine(TChildDocument& Doc, int X1, int Y1, int X2, int Y2, int Colour);
    // The line tool's thick line and the shape tool's shape, picture coordinates.
    static void DrawThickLine(const TDib& P, int X1, int Y1, int X2, int Y2, int Width, int Colour);
    void Fill(TChildDocument& Doc, int X, int Y);
    // Renders the text in colour 1 into a floating selection that follows the mouse;
    // nothing happens for a text without pixels.
    void PlaceText(TChildDocument& Doc, const TTextChoice& Choice);
    // The text tool's press, after the press handler returned.
    void TextClick(TChildDocument& Doc);

private:
    struct Tip;
    void SetBrushPixel(TChildDocument& Doc, const Tip& T, int CX, int CY, int SX, int SY, int Colour);
    void Stroke(TChildDocument& Doc, int X, int Y);
    void ShowCrossHair(TChildDocument& Doc, int X, int Y);
    void Readout(TChildDocument& Doc, int X, int Y);
    void FinishLineOrShape(TChildDocument& Doc);
    void Message(TChildDocument& Doc, const char* Text, const char* Caption, UINT Flags);

    TToolLink* FLink = nullptr;
    TToolOptions FStroke;  // the options of the stroke in progress
};

// The picture of a text: a 1-bit mask (1 where the glyphs are) of the text's size; no
// picture when the text has no width or height.
UniqueDib RenderTextMask(const TTextChoice& Choice);
