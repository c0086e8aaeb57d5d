// The hooks through which the graphics layer reaches windows' retained surfaces.
#include "surface.h"

namespace platform {
namespace {
WindowSurfaceHooks& hooks() {
    static WindowSurfaceHooks h;
    return h;
}
}  // namespace

void setWindowSurfaceHooks(const WindowSurfaceHooks& h) { hooks() = h; }
const WindowSurfaceHooks& windowSurfaceHooks() { return hooks(); }

}  // namespace platform
