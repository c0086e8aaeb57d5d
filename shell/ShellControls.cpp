// The registration of the shell browsing controls for layouts.
#include "shell/ShellControls.h"

#include "shell/ThumbnailWorkItem.h"
#include "widetext/WideComCtrls.h"

void RegisterShellClasses() {
    static const bool done = [] {
        RegisterWideClasses();
        InstallThumbnailJobs();
        RegisterClasses<TShellNamespace, TNavShellLink, TNavSystemImageList, TNavShellChangeNotifier, TNavShellList,
                        TNavShellTree>();
        return true;
    }();
    (void)done;
}
