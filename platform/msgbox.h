// Message boxes, through one seam: a real dialog in the program, scripted answers in tests.
#pragma once

#include "platform/wintypes.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

// Buttons
inline constexpr UINT MB_OK = 0x0;
inline constexpr UINT MB_OKCANCEL = 0x1;
inline constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
inline constexpr UINT MB_YESNOCANCEL = 0x3;
inline constexpr UINT MB_YESNO = 0x4;
inline constexpr UINT MB_RETRYCANCEL = 0x5;
inline constexpr UINT MB_TYPEMASK = 0xF;
// Icons
inline constexpr UINT MB_ICONHAND = 0x10;
inline constexpr UINT MB_ICONERROR = MB_ICONHAND;
inline constexpr UINT MB_ICONSTOP = MB_ICONHAND;
inline constexpr UINT MB_ICONQUESTION = 0x20;
inline constexpr UINT MB_ICONEXCLAMATION = 0x30;
inline constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr UINT MB_ICONASTERISK = 0x40;
inline constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr UINT MB_ICONMASK = 0xF0;
// Default button and modality
inline constexpr UINT MB_DEFBUTTON1 = 0x000;
inline constexpr UINT MB_DEFBUTTON2 = 0x100;
inline constexpr UINT MB_DEFBUTTON3 = 0x200;
inline constexpr UINT MB_DEFMASK = 0xF00;
inline constexpr UINT MB_APPLMODAL = 0x0000;
inline constexpr UINT MB_SYSTEMMODAL = 0x1000;
inline constexpr UINT MB_TASKMODAL = 0x2000;

// Answers
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// Beeps go through a counter that tests read.
BOOL MessageBeep(UINT type);

namespace platform {

struct MessageBoxRequest {
    HWND owner = nullptr;
    std::u16string text;
    std::u16string caption;
    UINT type = MB_OK;
    UINT buttons() const { return type & MB_TYPEMASK; }
    UINT icon() const { return type & MB_ICONMASK; }
};

using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

// Replaces the handler of every message box; an empty handler restores the real dialog.
// Returns the handler that was in place.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

// The real dialog (a Qt message box).
int showMessageBoxDialog(const MessageBoxRequest& request);

// For tests: records every message box and answers from a queue (then `fallback`).
// Installs itself on construction and restores the previous handler on destruction.
class ScriptedMessageBoxes {
public:
    explicit ScriptedMessageBoxes(int fallback = IDOK);
    ~ScriptedMessageBoxes();
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

    void answer(int id) { answers_.push_back(id); }
    const std::vector<MessageBoxRequest>& shown() const { return shown_; }
    // The texts of the boxes shown, converted to UTF-8, for assertions.
    std::vector<std::string> texts() const;
    std::vector<std::string> captions() const;
    void clear() { shown_.clear(); }

private:
    MessageBoxHandler previous_;
    std::deque<int> answers_;
    std::vector<MessageBoxRequest> shown_;
    int fallback_;
};

// Number of MessageBeep calls so far.
int beepCount();

}  // namespace platform
