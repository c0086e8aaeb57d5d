// What the tests of the shell views share: a temporary home with a folder of pictures and
// other files, a form with a folder tree and a file list joined by a link hub, ways to
// wait for the message loop, and a chooser that picks an item of a shown context menu.
#pragma once

#include "classlib/Forms.h"
#include "platform/shellexec.h"
#include "platform/shellnotify.h"
#include "platform/tests/ShellTestEnv.h"
#include "platform/winuser.h"
#include "shell/ShellControls.h"
#include "testsupport/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace shellviews {

inline WideString W(const std::string& raw) { return platform::fileNameToWide(raw); }
inline std::string R(const WideString& wide) { return platform::wideToFileName(wide); }

inline void pump() {
    platform::processPendingMessages();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Generous: instrumented builds on a busy machine hear of file changes late.
inline bool waitFor(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) pump();
    return done();
}

// Lets the message loop run for a while.
inline void settle(int ms = 150) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) pump();
}

// A small picture file written by Qt.
inline void picture(const std::string& path, int w = 8, int h = 6) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(QString::fromStdString(path)));
}

// Runs a shell command: another process changes the files.
inline void sh(const std::string& command) { ASSERT_EQ(testsupport::runCommand(command), 0) << command; }

inline std::string shq(const std::string& path) { return "'" + path + "'"; }

// A temporary home with the folder "pictures": a.txt, b.png, C.JPG, d.jpg, .hidden and the
// folders "sub" (with "deep/deeper") and ".secret"; no desktop's file opener runs.
struct Home {
    shelltest::ShellEnv env;
    std::string pictures = env.home + "/pictures";
    platform::ShellOpenHandler previousOpener;
    std::vector<std::string> opened;

    Home() {
        InitApplication();
        RegisterShellClasses();
        ::mkdir(pictures.c_str(), 0755);
        shelltest::write(pictures + "/a.txt", "text");
        picture(pictures + "/b.png");
        picture(pictures + "/C.JPG");
        picture(pictures + "/d.jpg", 4, 4);
        shelltest::write(pictures + "/.hidden", "h");
        for (const char* d : {"/sub", "/sub/deep", "/sub/deep/deeper", "/.secret"}) ::mkdir((pictures + d).c_str(), 0755);
        previousOpener = platform::setShellOpenHandler([this](const std::string&, const std::string& url) {
            opened.push_back(url);
            return true;
        });
    }
    ~Home() { platform::setShellOpenHandler(previousOpener); }
};

// A form with NavShellTree1 (rooted at the computer) and NavShellList1 joined by a hub.
struct Views {
    std::unique_ptr<TForm> form;
    TNavShellLink* link = nullptr;
    TNavShellTree* tree = nullptr;
    TNavShellList* list = nullptr;

    explicit Views(bool withTree = true, bool withList = true) {
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(20, 20, 900, 560);
        link = new TNavShellLink(form.get());
        if (withTree) {
            tree = new TNavShellTree(form.get());
            tree->SetParent(form.get());
            tree->SetBounds(0, 0, 300, 540);
            tree->SetRootedAt(SF_DRIVES);
            tree->SetShellLink(link);
        }
        if (withList) {
            list = new TNavShellList(form.get());
            list->SetParent(form.get());
            list->SetBounds(300, 0, 590, 540);
            list->SetShellLink(link);
        }
    }
    void show() {
        form->Show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(platform::windowWidget(form->Handle())));
        pump();
    }
    // Draws the list and the tree as the screen would, so items ask for their icons.
    void paint() {
        if (list) platform::windowWidget(list->Handle())->grab();
        if (tree) platform::windowWidget(tree->Handle())->grab();
        pump();
    }
    std::vector<WideString> captions() const {
        std::vector<WideString> out;
        for (int i = 0; i < list->Items()->Count(); ++i) out.push_back(list->Item(i)->Caption());
        return out;
    }
    TNavShellListItem* item(const WideString& caption) const {
        for (int i = 0; i < list->Items()->Count(); ++i)
            if (list->Item(i)->Caption() == caption) return list->Item(i);
        return nullptr;
    }
    TNavShellTreeNode* node(TNavShellTreeNode* parent, const WideString& text) const {
        for (TTreeNode* c = parent ? parent->GetFirstChild() : tree->Items()->GetFirstNode(); c; c = c->GetNextSibling())
            if (tree->NodeOf(c)->Text() == text) return tree->NodeOf(c);
        return nullptr;
    }
};

// Waits for the next context menu and chooses the item with this caption (Escape when there
// is none); records the captions it showed.
class MenuChooser {
public:
    explicit MenuChooser(std::u16string caption) : caption_(std::move(caption)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(5);
    }
    std::vector<std::u16string> shown;
    bool seen() const { return handled_ != nullptr || seen_; }

private:
    static std::u16string textOf(const QAction* a) { return a->text().section(QLatin1Char('\t'), 0, 0).toStdU16String(); }
    void poll() {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || handled_) return;
        handled_ = menu;
        seen_ = true;
        for (QAction* a : menu->actions()) shown.push_back(a->isSeparator() ? u"-" : textOf(a));
        for (QAction* a : menu->actions())
            if (!a->menu() && textOf(a) == caption_ && a->isEnabled()) {
                QTest::mouseMove(menu, menu->actionGeometry(a).center());
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
                return;
            }
        QTest::keyClick(menu, Qt::Key_Escape);
    }
    std::u16string caption_;
    QTimer timer_;
    QPointer<QMenu> handled_;
    bool seen_ = false;
};

// Presses a key on a control's window as the keyboard does.
inline void key(TWinControl* control, Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* w = platform::windowWidget(control->Handle());
    w->setFocus();
    if (modifiers == Qt::ControlModifier && k >= Qt::Key_A && k <= Qt::Key_Z) {
        // As the keyboard gives it: Ctrl with a letter types a control character.
        const QString text(QChar(static_cast<char16_t>(k - Qt::Key_A + 1)));
        QTest::sendKeyEvent(QTest::Press, w, k, text, modifiers);
        QTest::sendKeyEvent(QTest::Release, w, k, text, modifiers);
    } else {
        QTest::keyClick(w, k, modifiers);
    }
    pump();
}

}  // namespace shellviews
