// File names that come from Qt (file dialogs, drops): Qt decodes file names as UTF-8 and
// turns bytes that are not UTF-8 into U+FFFD, so such a name no longer opens.
#pragma once

#include <QString>

#include <string>

namespace platform {

// The file-system bytes of a path that Qt gives. A part that does not exist as Qt spells
// it is looked up in its folder among the names that Qt would show the same way; a
// single such name is the real one. Paths that exist, or whose parts match no name or
// several, come back as Qt spells them (UTF-16 escapes U+DC80..U+DCFF become bytes).
std::string fileNameFromQt(const QString& path);

}  // namespace platform
