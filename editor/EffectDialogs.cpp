#include "editor/EffectDialogs.h"

#include "editor/PreviewForm.h"
#include "poster/Dither.h"
#include "poster/Pixwerk.h"

int ColourBoxValue(const TChildDocument& Doc, int Index) {
    static constexpr int fixed[5][3] = {{0, 0, 0}, {255, 255, 255}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    if (Index <= 0) return Doc.Color1;
    if (Index == 1) return Doc.Color2;
    const int* c = fixed[Index > 6 ? 4 : Index - 2];
    const TDib& d = Doc.Dib.get();
    if (d.Bits && DibColorCount(d) <= 256) return TNearestColour(d)(c[0], c[1], c[2]);
    return c[0] | c[1] << 8 | c[2] << 16;
}

// ---- Shadow ------------------------------------------------------------------------------

TShadowForm::TShadowForm(TComponent* AOwner) : TForm(AOwner) {
    PublishField("PropGroup", PropGroup);
    PublishField("ColorLabel", ColorLabel);
    PublishField("ColorBox", ColorBox);
    PublishField("TransLabel", TransLabel);
    PublishField("TransEd", TransEd);
    PublishField("BlurLabel", BlurLabel);
    PublishField("BlurEd", BlurEd);
    PublishField("PosGroup", PosGroup);
    PublishField("HorzLabel", HorzLabel);
    PublishField("HorzEd", HorzEd);
    PublishField("VertLabel", VertLabel);
    PublishField("VertEd", VertEd);
    PublishField("OKBtn", OKBtn);
    PublishField("CancelBtn", CancelBtn);
    PublishField("FormStorage1", FormStorage1);
    RegisterEditorDialogs();
    ReadLayout(this, "ShadFUnit");
}

void TShadowForm::FormActivate(TObject*) { ColorBox->SetItemIndex(1); }

// ---- Pushbutton --------------------------------------------------------------------------

TButtonForm::TButtonForm(TComponent* AOwner) : TForm(AOwner) {
    PublishField("PropGroup", PropGroup);
    PublishField("ColorLabel", ColorLabel);
    PublishField("ColorBox", ColorBox);
    PublishField("SolidCheck", SolidCheck);
    PublishField("TransCheck", TransCheck);
    PublishField("TransLabel", TransLabel);
    PublishField("TransED", TransED);
    PublishField("BreitLabel", BreitLabel);
    PublishField("BreitEd", BreitEd);
    PublishField("OKBtn", OKBtn);
    PublishField("CancelBtn", CancelBtn);
    PublishField("FormStorage1", FormStorage1);
    RegisterEditorDialogs();
    ReadLayout(this, "ButtonizeFUnit");
}

void TButtonForm::FormActivate(TObject*) { ColorBox->SetItemIndex(1); }

// ---- Mosaic and noise --------------------------------------------------------------------

TMosaikForm::TMosaikForm(TComponent* AOwner) : TForm(AOwner) {
    PublishField("BreitLabel", BreitLabel);
    PublishField("BreitEd", BreitEd);
    PublishField("HochLabel", HochLabel);
    PublishField("HochEd", HochEd);
    PublishField("OKBtn", OKBtn);
    PublishField("CancelBtn", CancelBtn);
    PublishField("FormStorage1", FormStorage1);
    RegisterEditorDialogs();
    ReadLayout(this, "MosaikFUnit");
}

TNoiseForm::TNoiseForm(TComponent* AOwner) : TForm(AOwner) {
    PublishField("StarkLabel", StarkLabel);
    PublishField("StarkEd", StarkEd);
    PublishField("WahrLabel", WahrLabel);
    PublishField("WahrEd", WahrEd);
    PublishField("OKBtn", OKBtn);
    PublishField("CancelBtn", CancelBtn);
    PublishField("FormStorage1", FormStorage1);
    RegisterEditorDialogs();
    ReadLayout(this, "SchmutzHFUnit");
}

TDelNoiseForm::TDelNoiseForm(TComponent* AOwner) : TForm(AOwner) {
    PublishField("GrenzLabel", GrenzLabel);
    PublishField("GrenzEd", GrenzEd);
    PublishField("NoteLabel", NoteLabel);
    PublishField("OKBtn", OKBtn);
    PublishField("CancelBtn", CancelBtn);
    PublishField("FormStorage1", FormStorage1);
    RegisterEditorDialogs();
    ReadLayout(this, "DelNoiseFUnit");
}

// ---- Tool bars ---------------------------------------------------------------------------

TConfigBars::TConfigBars(TComponent* AOwner) : TForm(AOwner) {
    PublishField("CheckList", CheckList);
    PublishField("OKBtn", OKBtn);
    PublishField("CancelBtn", CancelBtn);
    RegisterEditorDialogs();
    ReadLayout(this, "ConfigBarsUnit");
}
