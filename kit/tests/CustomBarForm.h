// The window of the speed bar customizing tests, read from its layout file: a bar aligned
// top that may be dragged and resized, keeping its layout through the form's storage.
#pragma once

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "kit/KitPlacement.h"
#include "kit/SpeedBar.h"

class TCustomBarForm : public TForm {
    Q_OBJECT

public:
    explicit TCustomBarForm(TComponent* AOwner) : TForm(AOwner) {
        PublishField("ToolBar", ToolBar);
        PublishField("Panel1", Panel1);
        PublishField("FormStorage1", FormStorage1);
        LoadLayout("CustomBarForm");
    }
    TSpeedBar* ToolBar = nullptr;
    TPanel* Panel1 = nullptr;
    TFormStorage* FormStorage1 = nullptr;
    int clicks = 0;

public slots:
    void ZoomBtnClick(TObject*) { ++clicks; }
};
