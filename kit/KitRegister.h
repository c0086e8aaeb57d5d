// One registration of every layout class of the kit.
#pragma once

// Registers the class library's standard classes and every control and component of the
// kit (spin edit, slider, shadowed label, list and check-list boxes, form placement and
// storage, window hook, splitter, GIF pictures, gradient caption, clipboard viewer, the icon clipboard
// format, speed buttons, themed buttons, speed bars and their setup window) for layouts;
// calling it again does nothing.
void RegisterKitClasses();
