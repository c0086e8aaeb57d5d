// The registration of the shell browsing controls for layouts.
#include "shell/ShellControls.h"

#include "widetext/WideComCtrls.h"

void RegisterShellClasses() {
    static const bool done = [] {
        RegisterWideClasses();
        RegisterClasses<TShellNamespace, TNavShellLink, TNavSystemImageList, TNavShellChangeNotifier, TNavShellList,
                        TNavShellTree>();
        return true;
    }();
    (void)done;
}
