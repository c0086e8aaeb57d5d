// The shell browsing controls: the file list, the folder tree, the link hub that keeps them
// in step, the system image list and the change notifier.
#pragma once

#include "shell/NavControls.h"
#include "shell/ShellControlsList.h"
#include "shell/ShellControlsTree.h"
#include "shell/ShellNotifier.h"

// Registers the shell browsing controls, the shell-namespace object and the wide controls
// for layouts (declared in ShellNamespace.h as well).
void RegisterShellClasses();
