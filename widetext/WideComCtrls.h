// The wide common controls: the list view and the tree view (one header per control), and
// what both use.
#pragma once

#include "widetext/WideComCtrlsListView.h"
#include "widetext/WideComCtrlsTreeView.h"

// Copies a text into a display record's buffer of Size characters: at most Size - 1 of
// them, always terminated; nothing for no buffer, a size of 0 or less, or the callback mark.
void CopyToWideBuffer(const WideString& Text, WCHAR* Buffer, int Size);
// The text in such a buffer, up to its terminator within Size characters.
WideString TextOfWideBuffer(const WCHAR* Buffer, int Size);

// Registers the wide controls for layouts (with the class library's classes).
void RegisterWideClasses();
