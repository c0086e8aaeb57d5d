// State that the control units share.
#pragma once

class TControl;

namespace detail {
// The graphic control that holds the mouse capture on its parent's window, or null;
// GetCaptureControl checks it against the window that has the capture.
extern TControl* captureControl;
}  // namespace detail
