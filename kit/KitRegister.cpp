// The kit's classes for layouts.
#include "kit/KitRegister.h"

#include "kit/ClipView.h"
#include "kit/KitCheckList.h"
#include "kit/KitButtons.h"
#include "kit/KitGIF.h"
#include "kit/KitGrdCpt.h"
#include "kit/KitHook.h"
#include "kit/KitLabel.h"
#include "kit/KitPlacement.h"
#include "kit/KitSlider.h"
#include "kit/KitSpin.h"
#include "kit/KitSplit.h"
#include "kit/SpeedBarSetup.h"
#include "kit/ThemedButtons.h"

void RegisterKitClasses() {
    static const bool done = [] {
        RegisterKitSpin();
        RegisterKitHook();
        RegisterKitPlacement();
        RegisterKitSlider();
        RegisterKitLabel();
        RegisterKitCheckList();
        RegisterKitGIF();
        RegisterKitSplit();
        RegisterKitGradientCaption();
        RegisterClipboardViewer();
        RegisterKitButtons();
        RegisterThemedButtons();
        RegisterSpeedBarSetup();
        return true;
    }();
    (void)done;
}
