// The text tool: the "Add text" dialog, the text's rendering into a 1-bit mask and the
// floating selection that carries the text until a click places it.
#include "editor/TextTool.h"

#include "classlib/Graphics.h"
#include "classlib/SysUtils.h"
#include "editor/ChildDocument.h"
#include "editor/Main.h"
#include "editor/PixelRows.h"
#include "platform/gdi.h"
#include "platform/msgbox.h"
#include "poster/Pixwerk.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

using editor::PixelRows;

namespace {

QFont qfontOf(const TTextChoice& c) {
    QFont f(QString::fromUtf8(c.FontName.c_str()));
    f.setPixelSize(std::max(1, c.FontHeight));
    f.setBold(c.Bold);
    f.setItalic(c.Italic);
    f.setUnderline(c.Underline);
    f.setStrikeOut(c.StrikeOut);
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

}  // namespace

// ---- Rendering ----

namespace {

// The text's size: the widest line's advance and the sum of the line heights.
struct TextBox {
    int W = 0, H = 0;
    std::vector<qreal> widths;
};

TextBox measure(const QFont& font, const TTextChoice& c) {
    const QFontMetricsF fm(font);
    TextBox box;
    qreal widest = 0;
    for (const String& l : c.Lines) {
        const qreal w = fm.horizontalAdvance(QString::fromUtf8(l.c_str()));
        box.widths.push_back(w);
        widest = std::max(widest, w);
        box.H += QFontMetrics(font).height();
    }
    box.W = static_cast<int>(std::ceil(widest));
    return box;
}

}  // namespace

UniqueDib RenderTextMask(const TTextChoice& Choice) {
    UniqueDib mask;
    const QFont font = qfontOf(Choice);
    const TextBox box = measure(font, Choice);
    const int W = box.W, H = box.H;
    // A text without width or height places nothing.
    if (W <= 0 || H <= 0) return mask;
    QImage img(W, H, QImage::Format_Grayscale8);
    if (img.isNull()) return mask;
    img.fill(0);
    {
        const QFontMetrics fm(font);
        QPainter p(&img);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setFont(font);
        p.setPen(Qt::white);
        int y = 0;
        for (std::size_t i = 0; i < Choice.Lines.size(); ++i) {
            // Right-justified lines end at W exactly, so their last glyphs share a column.
            qreal x = 0;
            if (Choice.Alignment == 2) x = W - box.widths[i];
            else if (Choice.Alignment == 1) x = std::floor((W - box.widths[i]) / 2);
            p.drawText(QPointF(x, y + fm.ascent()), QString::fromUtf8(Choice.Lines[i].c_str()));
            y += fm.height();
        }
    }
    newdib(mask.out(), W, H, 1, nullptr, 0);
    const PixelRows m(mask.get());
    if (!m.valid()) return UniqueDib();
    for (int y = 0; y < H; ++y) {
        const uchar* row = img.constScanLine(y);
        for (int x = 0; x < W; ++x)
            if (row[x] >= 128) m.put(x, y, 1);
    }
    DibPixelsChanged(mask.get());
    return mask;
}

void TPaintTools::PlaceText(TChildDocument& Doc, const TTextChoice& Choice) {
    const TDib& d = Doc.Dib.get();
    if (!d.Bits) return;
    const TextBox box = measure(qfontOf(Choice), Choice);
    const int W = box.W, H = box.H;
    if (W <= 0 || H <= 0) return;  // nothing to place, and nothing to tell
    UniqueDib mask = RenderTextMask(Choice);
    if (!mask) {
        Doc.OutOfMemory();
        return;
    }
    const int colours = DibColorCount(d);
    UniqueDib picture;
    newdib(picture.out(), W, H, DibBitCount(d), colours <= 256 ? d.Info : nullptr, colours <= 256 ? colours : 0);
    const PixelRows f(picture.get());
    if (!f.valid()) {
        Doc.OutOfMemory();
        return;
    }
    const PixelRows m(mask.get());
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (m.get(x, y) == 1) f.put(x, y, Doc.Color1);
    DibPixelsChanged(picture.get());
    Doc.SaveForUndo();
    if (Doc.SelActive) {
        Doc.FinishDraging();
        Doc.ClearSelection();
    }
    Doc.InitDraging(std::move(picture), std::move(mask), true, 99, false, true);
    Doc.PaintBox1Paint();
}

void TPaintTools::TextClick(TChildDocument& Doc) {
    TTextChoice choice;
    if (!Link().AskText(Doc, choice)) return;
    PlaceText(Doc, choice);
}

bool TToolLink::AskText(TChildDocument& Doc, TTextChoice& Choice) {
    // Made for this one use with the view as its owner, and freed afterwards.
    TAddTextForm* form = new TAddTextForm(dynamic_cast<TComponent*>(&Doc));
    form->TextColour = Doc.ColorToRGB(Doc.Color1);
    form->OnColourChosen = [&Doc](COLORREF c) {
        const TDib& d = Doc.Dib.get();
        if (DibColorCount(d) <= 256) Doc.setcol1(static_cast<int>(GetNearestPaletteIndex(d.PalHandle, c)));
        else Doc.setcol1(static_cast<int>(c & 0xFFFFFF));
        return Doc.ColorToRGB(Doc.Color1);
    };
    const bool ok = form->ShowModal() == mrOk;
    if (ok) Choice = form->Chosen();
    form->Free();
    return ok;
}

// ---- The dialog ----

void TextFontOf(const TFont* Font, TTextChoice& Choice) {
    Choice.FontName = Font->Name();
    // A negative height is the character height, a positive one the cell's; both in pixels.
    Choice.FontHeight = std::max(1, std::abs(Font->Height()));
    const TFontStyles st = Font->Style();
    Choice.Bold = (st & fsBold) != 0;
    Choice.Italic = (st & fsItalic) != 0;
    Choice.Underline = (st & fsUnderline) != 0;
    Choice.StrikeOut = (st & fsStrikeOut) != 0;
}

TAddTextForm::TAddTextForm(TComponent* AOwner) : TForm(AOwner) {
    PublishField("Label1", Label1);
    PublishField("SelFont", SelFont);
    PublishField("FntLabel", FntLabel);
    PublishField("Label2", Label2);
    PublishField("ScrollBox1", ScrollBox1);
    PublishField("FontPaintBox", FontPaintBox);
    PublishField("Label3", Label3);
    PublishField("TxtMemo", TxtMemo);
    PublishField("AlignGroup", AlignGroup);
    PublishField("Leftb", Leftb);
    PublishField("Zentr", Zentr);
    PublishField("Rightb", Rightb);
    PublishField("OkBtn", OkBtn);
    PublishField("CancelBtn", CancelBtn);
    PublishField("FontDialog1", FontDialog1);
    PublishField("FormStorage1", FormStorage1);
    RegisterEditorClasses();
    ReadLayout(this, "TextTool");
}

TTextChoice TAddTextForm::Chosen() const {
    TTextChoice c;
    TextFontOf(FontDialog1->Font(), c);
    TStrings* lines = TxtMemo->Lines();
    for (int i = 0; i < lines->Count(); ++i) c.Lines.push_back(lines->Get(i));
    c.Alignment = Rightb->Checked() ? 2 : Zentr->Checked() ? 1 : 0;
    return c;
}

void TAddTextForm::ShowFontName() {
    const TFont* f = FontDialog1->Font();
    FntLabel->SetText(f->Name() + " ; Size:" + IntToStr(f->Size()));
}

void TAddTextForm::FormActivate(TObject*) { ShowFontName(); }

void TAddTextForm::SelFontClick(TObject*) {
    FontDialog1->Font()->SetColor(static_cast<TColor>(TextColour & 0xFFFFFF));
    if (!FontDialog1->Execute()) return;
    const COLORREF chosen = ColorToRGB(FontDialog1->Font()->Color());
    if (chosen != (TextColour & 0xFFFFFF)) TextColour = OnColourChosen ? OnColourChosen(chosen) : chosen;
    ShowFontName();
    FontPaintBox->Invalidate();
}

void TAddTextForm::FontPaintBoxPaint(TObject*) {
    TCanvas* c = FontPaintBox->Canvas();
    c->Brush()->SetColor(clWhite);
    c->FillRect(RECT{0, 0, FontPaintBox->Width(), FontPaintBox->Height()});
    TStrings* lines = TxtMemo->Lines();
    if (lines->Count() == 0) return;  // nothing to preview
    c->SetFont(FontDialog1->Font());
    c->Font()->SetColor(static_cast<TColor>(TextColour & 0xFFFFFF));
    c->Brush()->SetStyle(bsClear);
    c->TextOut(0, 0, lines->Get(0));
}

void TAddTextForm::TxtMemoChange(TObject*) { FontPaintBox->Invalidate(); }
