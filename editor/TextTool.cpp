// The text tool: the "Add text" dialog, the text's rendering into a 1-bit mask and the
// floating selection that carries the text until a click places it.
#include "editor/TextTool.h"

#include "classlib/Graphics.h"
#include "classlib/SysUtils.h"
#include "editor/ChildDocument.h"
#include "editor/PixelRows.h"
#include "platform/gdi.h"
#include "platform/msgbox.h"
#include "poster/Pixwerk.h"

#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
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

void setTFont(TFont* f, const TTextChoice& c, COLORREF colour) {
    f->SetName(c.FontName);
    f->SetHeight(-std::max(1, c.FontHeight));
    int style = 0;
    if (c.Bold) style |= TFont::fsBold;
    if (c.Italic) style |= TFont::fsItalic;
    if (c.Underline) style |= TFont::fsUnderline;
    if (c.StrikeOut) style |= TFont::fsStrikeOut;
    f->SetStyleFlags(TFont::TFontStylesFlags(style));
    f->SetColor(static_cast<TColor>(colour));
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
    static TTextChoice last = [] {
        TTextChoice c;
        c.Lines = {"Test"};
        return c;
    }();
    TAddTextForm form(nullptr);
    form.Load(last);
    form.TextColour = Doc.ColorToRGB(Doc.Color1);
    form.OnColourChosen = [&Doc](COLORREF c) {
        const TDib& d = Doc.Dib.get();
        if (DibColorCount(d) <= 256) Doc.setcol1(static_cast<int>(GetNearestPaletteIndex(d.PalHandle, c)));
        else Doc.setcol1(static_cast<int>(c & 0xFFFFFF));
    };
    if (form.ShowModal() != mrOk) return false;
    Choice = form.Chosen();
    last = Choice;
    return true;
}

// ---- The dialog ----

TAddTextForm::TAddTextForm(TComponent* AOwner) : TForm(AOwner) {
    SetCaption("Add text");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(392);
    SetClientHeight(330);
    auto label = [this](const char* name, const char* text, int x, int y) {
        TLabel* l = new TLabel(this);
        l->SetName(name);
        l->SetParent(this);
        l->SetCaption(text);
        l->SetBounds(x, y, 160, 16);
        return l;
    };
    Label1 = label("Label1", "Selected font:", 8, 10);
    FntLabel = new TEdit(this);
    FntLabel->SetName("FntLabel");
    FntLabel->SetParent(this);
    FntLabel->SetReadOnly(true);
    FntLabel->SetBounds(8, 28, 250, 22);
    SelFont = new TButton(this);
    SelFont->SetName("SelFont");
    SelFont->SetParent(this);
    SelFont->SetCaption("Select font...");
    SelFont->SetBounds(266, 27, 118, 25);
    SelFont->OnClick = TNotifyEvent([this](TObject* s) { SelFontClick(s); });
    Label2 = label("Label2", "Preview:", 8, 58);
    ScrollBox1 = new TScrollBox(this);
    ScrollBox1->SetName("ScrollBox1");
    ScrollBox1->SetParent(this);
    ScrollBox1->SetBounds(8, 76, 376, 64);
    ScrollBox1->SetColor(clWhite);
    FontPaintBox = new TPaintBox(this);
    FontPaintBox->SetName("FontPaintBox");
    FontPaintBox->SetParent(ScrollBox1);
    FontPaintBox->SetBounds(0, 0, 370, 58);
    FontPaintBox->OnPaint = TNotifyEvent([this](TObject* s) { FontPaintBoxPaint(s); });
    Label3 = label("Label3", "Text to be added:", 8, 148);
    TxtMemo = new TMemo(this);
    TxtMemo->SetName("TxtMemo");
    TxtMemo->SetParent(this);
    TxtMemo->SetBounds(8, 166, 250, 120);
    TxtMemo->Lines()->Add("Test");
    TxtMemo->OnChange = TNotifyEvent([this](TObject* s) { TxtMemoChange(s); });
    AlignGroup = new TGroupBox(this);
    AlignGroup->SetName("AlignGroup");
    AlignGroup->SetParent(this);
    AlignGroup->SetCaption("Align");
    AlignGroup->SetBounds(266, 160, 118, 96);
    auto radio = [this](const char* name, const char* text, int y) {
        TRadioButton* r = new TRadioButton(this);
        r->SetName(name);
        r->SetParent(AlignGroup);
        r->SetCaption(text);
        r->SetBounds(8, y, 106, 20);
        return r;
    };
    Leftb = radio("Leftb", "Left justified", 20);
    Zentr = radio("Zentr", "Centered", 44);
    Rightb = radio("Rightb", "Right-justified", 68);
    Leftb->SetChecked(true);
    OkBtn = new TButton(this);
    OkBtn->SetName("OkBtn");
    OkBtn->SetParent(this);
    OkBtn->SetCaption("OK");
    OkBtn->SetDefault(true);
    OkBtn->SetModalResult(mrOk);
    OkBtn->SetBounds(224, 296, 75, 25);
    CancelBtn = new TButton(this);
    CancelBtn->SetName("CancelBtn");
    CancelBtn->SetParent(this);
    CancelBtn->SetCaption("Cancel");
    CancelBtn->SetCancel(true);
    CancelBtn->SetModalResult(mrCancel);
    CancelBtn->SetBounds(309, 296, 75, 25);
    OnActivate = TNotifyEvent([this](TObject* s) { FormActivate(s); });
    ChooseFont = ChooseFontWithColour;
    Choice.Lines.clear();
    ShowFontName();
}

void TAddTextForm::Load(const TTextChoice& C) {
    Choice = C;
    Choice.Lines.clear();
    TxtMemo->Lines()->Clear();
    for (const String& l : C.Lines) TxtMemo->Lines()->Add(l);
    Leftb->SetChecked(C.Alignment == 0);
    Zentr->SetChecked(C.Alignment == 1);
    Rightb->SetChecked(C.Alignment == 2);
    ShowFontName();
}

TTextChoice TAddTextForm::Chosen() const {
    TTextChoice c = Choice;
    c.Lines.clear();
    TStrings* lines = TxtMemo->Lines();
    for (int i = 0; i < lines->Count(); ++i) c.Lines.push_back(lines->Get(i));
    c.Alignment = Rightb->Checked() ? 2 : Zentr->Checked() ? 1 : 0;
    return c;
}

void TAddTextForm::ShowFontName() {
    FntLabel->SetText(Choice.FontName + " ; Size:" + IntToStr(Choice.FontHeight * 72 / 96));
}

void TAddTextForm::FormActivate(TObject*) { ShowFontName(); }

void TAddTextForm::SelFontClick(TObject*) {
    TTextChoice font = Choice;
    COLORREF colour = TextColour;
    if (!ChooseFont || !ChooseFont(font, colour)) return;
    const std::vector<String> keep = Choice.Lines;
    Choice = font;
    Choice.Lines = keep;
    if (colour != TextColour) {
        TextColour = colour;
        if (OnColourChosen) OnColourChosen(colour);
    }
    ShowFontName();
    FontPaintBox->Invalidate();
}

void TAddTextForm::FontPaintBoxPaint(TObject*) {
    TCanvas* c = FontPaintBox->Canvas();
    c->Brush()->SetColor(clWhite);
    const RECT all{0, 0, FontPaintBox->Width(), FontPaintBox->Height()};
    c->FillRect(all);
    TStrings* lines = TxtMemo->Lines();
    if (lines->Count() == 0) return;  // nothing to preview
    setTFont(c->Font(), Choice, TextColour);
    c->Brush()->SetStyle(bsClear);
    c->TextOut(0, 0, lines->Get(0));
}

void TAddTextForm::TxtMemoChange(TObject*) { FontPaintBox->Invalidate(); }

bool ChooseFontWithColour(TTextChoice& Font, COLORREF& Colour) {
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Font"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* fonts = new QFontDialog(&dialog);
    fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    QFont start(QString::fromUtf8(Font.FontName.c_str()));
    start.setPointSize(std::max(1, Font.FontHeight * 72 / 96));
    start.setBold(Font.Bold);
    start.setItalic(Font.Italic);
    start.setUnderline(Font.Underline);
    start.setStrikeOut(Font.StrikeOut);
    fonts->setCurrentFont(start);
    layout->addWidget(fonts);
    QColor colour(GetRValue(Colour), GetGValue(Colour), GetBValue(Colour));
    auto* colourButton = new QPushButton(QStringLiteral("Colour..."), &dialog);
    auto showColour = [colourButton, &colour] {
        colourButton->setStyleSheet(QStringLiteral("QPushButton { border-left: 16px solid %1; padding: 4px; }")
                                        .arg(colour.name()));
    };
    showColour();
    QObject::connect(colourButton, &QPushButton::clicked, &dialog, [&dialog, &colour, showColour] {
        const QColor c = QColorDialog::getColor(colour, &dialog, QStringLiteral("Colour"));
        if (c.isValid()) {
            colour = c;
            showColour();
        }
    });
    layout->addWidget(colourButton);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    const QFont f = fonts->currentFont();
    Font.FontName = f.family().toUtf8().toStdString();
    Font.FontHeight = std::max(1, f.pointSize() * 96 / 72);
    Font.Bold = f.bold();
    Font.Italic = f.italic();
    Font.Underline = f.underline();
    Font.StrikeOut = f.strikeOut();
    Colour = RGB(colour.red(), colour.green(), colour.blue());
    return true;
}
