// Message boxes and beeps.
#include "platform/codepage.h"
#include "platform/msgbox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <atomic>

namespace platform {
namespace {

MessageBoxHandler& handler() {
    static MessageBoxHandler h;
    return h;
}

std::atomic<int> beeps{0};

QString qs(const std::u16string& s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler h) {
    MessageBoxHandler old = std::move(handler());
    handler() = std::move(h);
    return old;
}

int showMessageBoxDialog(const MessageBoxRequest& r) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return IDCANCEL;
    QMessageBox box;
    box.setWindowTitle(qs(r.caption));
    box.setText(qs(r.text));
    switch (r.icon()) {
    case MB_ICONHAND: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONASTERISK: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    struct Button {
        QMessageBox::StandardButton button;
        int id;
    };
    std::vector<Button> buttons;
    switch (r.buttons()) {
    case MB_OKCANCEL: buttons = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}; break;
    case MB_ABORTRETRYIGNORE:
        buttons = {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
        break;
    case MB_YESNOCANCEL:
        buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_YESNO: buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}; break;
    case MB_RETRYCANCEL: buttons = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}}; break;
    default: buttons = {{QMessageBox::Ok, IDOK}}; break;
    }
    QMessageBox::StandardButtons all;
    for (const Button& b : buttons) all |= b.button;
    box.setStandardButtons(all);
    const std::size_t def = (r.type & MB_DEFMASK) >> 8;
    if (def < buttons.size()) box.setDefaultButton(buttons[def].button);
    const int result = box.exec();
    for (const Button& b : buttons)
        if (result == b.button) return b.id;
    // Closing the box answers Cancel where there is one, else the only button.
    for (const Button& b : buttons)
        if (b.id == IDCANCEL) return IDCANCEL;
    return buttons.size() == 1 ? buttons.front().id : IDCANCEL;
}

ScriptedMessageBoxes::ScriptedMessageBoxes(int fallback) : fallback_(fallback) {
    previous_ = setMessageBoxHandler([this](const MessageBoxRequest& r) {
        shown_.push_back(r);
        if (answers_.empty()) return fallback_;
        const int id = answers_.front();
        answers_.pop_front();
        return id;
    });
}

ScriptedMessageBoxes::~ScriptedMessageBoxes() { setMessageBoxHandler(std::move(previous_)); }

std::vector<std::string> ScriptedMessageBoxes::texts() const {
    std::vector<std::string> out;
    for (const auto& r : shown_) out.push_back(qs(r.text).toStdString());
    return out;
}

std::vector<std::string> ScriptedMessageBoxes::captions() const {
    std::vector<std::string> out;
    for (const auto& r : shown_) out.push_back(qs(r.caption).toStdString());
    return out;
}

int beepCount() { return beeps.load(); }

}  // namespace platform

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    platform::MessageBoxRequest r;
    r.owner = owner;
    r.text = text ? text : u"";
    r.caption = caption ? caption : u"";
    r.type = type;
    const platform::MessageBoxHandler& h = platform::handler();
    return h ? h(r) : platform::showMessageBoxDialog(r);
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    const std::u16string t = platform::ansiToWide(text ? text : "");
    if (!caption) return MessageBoxW(owner, t.c_str(), nullptr, type);
    const std::u16string c = platform::ansiToWide(caption);
    return MessageBoxW(owner, t.c_str(), c.c_str(), type);
}

BOOL MessageBeep(UINT) {
    platform::beeps.fetch_add(1);
    if (QApplication::instance() && qobject_cast<QApplication*>(QCoreApplication::instance())) QApplication::beep();
    return TRUE;
}
