// State that the control units share.
#pragma once

#include "platform/winuser.h"

class TControl;
class TWinControl;
struct TMessage;

namespace detail {
// The graphic control that holds the mouse capture on its parent's window, or null;
// GetCaptureControl checks it against the window that has the capture.
extern TControl* captureControl;
// The drag manager: a control is going away (cancels its drag, forgets it as a target);
// CM_DRAG as a control answers it.
void dragControlDestroyed(TControl* control);
void dragMessage(TControl* control, TMessage& message);
// Runs the control's action for a click when its OnClick is the action's; true when it ran.
bool clickRunsAction(TControl* control);
// Hints under the mouse: a move over a control (screen position), a message of the loop
// that may end the hint, a control going away, and the hint hidden.
void hintMouseMove(TControl* control, POINT screen);
void hintInputMessage(const MSG& msg);
void hintControlGone(TControl* control);
void hintCancel();
// Gives a top-level window the size limits of its control's constraints.
void applyWindowConstraints(TWinControl* control);
}  // namespace detail
