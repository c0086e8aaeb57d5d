// The wide image.
#include "widetext/WideExtCtrls.h"

#include "widetext/WideActnList.h"
#include "widetext/WideProperties.h"

TWideImage::TWideImage(TComponent* AOwner) : TImage(AOwner) { ReplacePicture(new TWidePicture); }

void TWideImage::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_HINTSHOW) ApplyWideHintFix(this, Message);
    TImage::Dispatch(Message);
}

void TWideImage::DefineProperties(TFiler* Filer) {
    TImage::DefineProperties(Filer);
    DefineWidePropertiesHook(Filer, this);
}

void TWideImage::ActionChange(TObject* Sender, bool CheckDefaults) {
    WideControl_ActionChange(this, Sender, CheckDefaults);
    TImage::ActionChange(Sender, CheckDefaults);
}

TBasicActionLink* TWideImage::CreateActionLink() { return WideControl_CreateActionLink(this); }
