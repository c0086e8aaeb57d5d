// The editor window's View menu: the 31 zoom ratios and the choice of the tool bars.
#include "editor/Main.h"

#include "editor/EditorDialogs.h"

void TDIBMainForm::Nichtvergrert111Click(TObject*) { SetZoom(1, 1); }

// "Increased size": n:1.
#define TESSELLON_ZOOM_IN(Handler, N) \
    void TDIBMainForm::Handler(TObject*) { SetZoom(N, 1); }
TESSELLON_ZOOM_IN(N211Click, 2)
TESSELLON_ZOOM_IN(N311Click, 3)
TESSELLON_ZOOM_IN(N411Click, 4)
TESSELLON_ZOOM_IN(N511Click, 5)
TESSELLON_ZOOM_IN(N611Click, 6)
TESSELLON_ZOOM_IN(N711Click, 7)
TESSELLON_ZOOM_IN(N811Click, 8)
TESSELLON_ZOOM_IN(N911Click, 9)
TESSELLON_ZOOM_IN(N1011Click, 10)
TESSELLON_ZOOM_IN(N1111Click, 11)
TESSELLON_ZOOM_IN(N1211Click, 12)
TESSELLON_ZOOM_IN(N1311Click, 13)
TESSELLON_ZOOM_IN(N1411Click, 14)
TESSELLON_ZOOM_IN(N1511Click, 15)
TESSELLON_ZOOM_IN(N1611Click, 16)
#undef TESSELLON_ZOOM_IN

// "Reduced size": 1:n.
#define TESSELLON_ZOOM_OUT(Handler, N) \
    void TDIBMainForm::Handler(TObject*) { SetZoom(1, N); }
TESSELLON_ZOOM_OUT(N121Click, 2)
TESSELLON_ZOOM_OUT(N131Click, 3)
TESSELLON_ZOOM_OUT(N141Click, 4)
TESSELLON_ZOOM_OUT(N151Click, 5)
TESSELLON_ZOOM_OUT(N161Click, 6)
TESSELLON_ZOOM_OUT(N171Click, 7)
TESSELLON_ZOOM_OUT(N181Click, 8)
TESSELLON_ZOOM_OUT(N191Click, 9)
TESSELLON_ZOOM_OUT(N1101Click, 10)
TESSELLON_ZOOM_OUT(N1112Click, 11)
TESSELLON_ZOOM_OUT(N1121Click, 12)
TESSELLON_ZOOM_OUT(N1131Click, 13)
TESSELLON_ZOOM_OUT(N1141Click, 14)
TESSELLON_ZOOM_OUT(N1151Click, 15)
TESSELLON_ZOOM_OUT(N1161Click, 16)
#undef TESSELLON_ZOOM_OUT

void TDIBMainForm::Toolbars1Click(TObject*) {
    bool visible[3] = {SpeedPanel->Visible(), SpeedBar1->Visible(), RightSidePanel->Visible()};
    if (!editordialogs::ConfigureToolbars(visible, this)) return;
    SpeedPanel->SetVisible(visible[0]);
    SpeedBar1->SetVisible(visible[1]);
    // The colour panel holds the swatches and the read-out: they go and come with it.
    RightSidePanel->SetVisible(visible[2]);
}
