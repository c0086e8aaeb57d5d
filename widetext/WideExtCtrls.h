// The wide image: a wide hint and a wide picture.
#pragma once

#include "classlib/ExtCtrls.h"
#include "widetext/WideControls.h"
#include "widetext/WideGraphics.h"

class TWideImage : public TImage {
    Q_OBJECT
    Q_PROPERTY(WideString Hint READ Hint WRITE SetHint)

public:
    Q_INVOKABLE explicit TWideImage(TComponent* AOwner);
    TWidePicture* Picture() const { return static_cast<TWidePicture*>(TImage::Picture()); }
    WideString Hint() { return WideGetHint(this); }
    void SetHint(const WideString& Value) { WideSetHint(this, Value); }
    Q_INVOKABLE bool IsHintStored() const { return ::IsHintStored(const_cast<TWideImage*>(this)); }

    void Dispatch(TMessage& Message) override;
    void DefineProperties(TFiler* Filer) override;
    void ActionChange(TObject* Sender, bool CheckDefaults) override;

protected:
    TBasicActionLink* CreateActionLink() override;
};
