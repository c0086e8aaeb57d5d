// The common controls: registration, image lists, progress bar and tooltips
// (platform/comctlbase.h), the header and list view (platform/listview.h), and the tree
// view, tool bar, status bar, tab control and track bar (platform/treeview.h).
#pragma once

#include "platform/comctlbase.h"
#include "platform/listview.h"
#include "platform/treeview.h"
