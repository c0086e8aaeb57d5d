// The shell's file lists on the clipboard: CF_HDROP with "Preferred DropEffect".
#include "platform/fileapi.h"
#include "platform/globalmem.h"
#include "ClipboardData.h"
#include "platform/shellapi.h"

#include <cstring>

namespace platform {

namespace {

UINT dropEffectFormat() { return RegisterClipboardFormatW(u"Preferred DropEffect"); }

HGLOBAL blockOf(const clip::Bytes& b) { return globalFromBytes(b.data(), b.size()); }

}  // namespace

void setClipboardFiles(const std::vector<std::string>& paths, bool cut) {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    std::vector<std::u16string> wide;
    std::u16string text;
    for (const std::string& p : paths) {
        wide.push_back(fileNameToWide(p));
        text += wide.back() + u'\n';
    }
    const DWORD effect = cut ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
    clip::Bytes effectBytes(4);
    std::memcpy(effectBytes.data(), &effect, 4);
    for (auto [format, bytes] : {std::pair{CF_HDROP, clip::dropFilesBlock(wide)}, std::pair{dropEffectFormat(), effectBytes},
                                 std::pair{CF_UNICODETEXT, clip::unicodeTextBlock(text)}}) {
        HGLOBAL block = blockOf(bytes);
        if (block && !SetClipboardData(format, block)) GlobalFree(block);
    }
    CloseClipboard();
}

bool clipboardFiles(std::vector<std::string>* paths, bool* cut) {
    if (!IsClipboardFormatAvailable(CF_HDROP) || !OpenClipboard(nullptr)) return false;
    std::vector<std::u16string> wide;
    clip::pathsOfDropFiles(clip::bytesOf(GetClipboardData(CF_HDROP)), wide);
    DWORD effect = DROPEFFECT_COPY;
    const clip::Bytes effectBytes = clip::bytesOf(GetClipboardData(dropEffectFormat()));
    if (effectBytes.size() >= 4) std::memcpy(&effect, effectBytes.data(), 4);
    CloseClipboard();
    if (wide.empty()) return false;
    if (paths) {
        paths->clear();
        for (const std::u16string& w : wide) paths->push_back(wideToFileName(w));
    }
    if (cut) *cut = (effect & DROPEFFECT_MOVE) != 0;
    return true;
}

void clearClipboardFiles() {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    CloseClipboard();
}

}  // namespace platform
