// The editor window in a temporary program folder, with scripted message boxes and file
// dialogs, driven through its real widgets: the menu bar, the tool buttons and the view.
#pragma once

#include "classlib/Dialogs.h"
#include "editor/Main.h"
#include "platform/msgbox.h"
#include "platform/winuser.h"
#include "poster/Pixwerk.h"
#include "poster/ProgramFolder.h"
#include "testsupport/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace edtest {

inline void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

inline void saveShot(const QImage& image, const char* name) {
    const char* dir = std::getenv("TESSELLON_SHOT_DIR");
    if (dir && *dir) image.save(QString::fromUtf8(dir) + "/" + name);
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        programfolder::setFolderForTesting(dir.path(), true);
        previousDialogs = SetFileDialogHandler([this](TOpenDialog* d, TFileDialogAnswer& a) {
            dialogsShown.push_back(d->Name());
            if (fileAnswers.empty()) return false;
            const auto answer = fileAnswers.front();
            fileAnswers.pop_front();
            if (answer.first.empty()) return false;
            a.Names = {answer.first};
            a.FilterIndex = answer.second;
            return true;
        });
    }
    void TearDown() override {
        if (form) form->Free();
        form = nullptr;
        SetFileDialogHandler(previousDialogs);
        programfolder::setFolderForTesting("");
    }
    TDIBMainForm* create(bool show = true) {
        form = new TDIBMainForm(Application);
        form->DoCreate();
        if (show) {
            form->Show();
            settle();
        }
        return form;
    }
    // The next file dialog answers with this name and filter entry ("" cancels it).
    void answerFile(const std::string& name, int filterIndex = 1) { fileAnswers.emplace_back(name, filterIndex); }
    // Runs `step` once the modal dialog or window that the next call shows is up (checked
    // every 10 ms; after 5 s it runs all the same, and its checks fail).
    static void whenShown(std::function<void()> step, int level = -1, int tries = 0) {
        if (level < 0) level = Application->ModalLevel;
        QTimer::singleShot(tries ? 10 : 0, [step = std::move(step), level, tries]() mutable {
            if (Application->ModalLevel > level || tries > 500) step();
            else whenShown(std::move(step), level, tries + 1);
        });
    }
    // The dialog of class T that the window owns now.
    template <class T>
    T* owned() const {
        for (int i = form->ComponentCount() - 1; i >= 0; --i)
            if (auto* f = dynamic_cast<T*>(form->Components(i))) return f;
        return nullptr;
    }

    static QWidget* widgetOf(TWinControl* c) { return platform::windowWidget(c->Handle()); }
    // A client point of the view's paint box as a point of the scroll box's widget.
    QPoint viewPoint(int x, int y) const {
        TScrollBox* box = form->MDIChild1->ScrollBox1;
        POINT p{form->MDIChild1->PaintBox1->Left() + x, form->MDIChild1->PaintBox1->Top() + y};
        ClientToScreen(box->Handle(), &p);
        return widgetOf(box)->mapFromGlobal(QPoint(p.x, p.y));
    }
    QWidget* viewWidget() const { return widgetOf(form->MDIChild1->ScrollBox1); }
    // A drag with the left button over the view, in paint-box coordinates.
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = {}) {
        QWidget* w = viewWidget();
        QTest::mousePress(w, Qt::LeftButton, mods, viewPoint(from.x(), from.y()));
        QTest::mouseMove(w, viewPoint((from.x() + to.x()) / 2, (from.y() + to.y()) / 2));
        QTest::mouseMove(w, viewPoint(to.x(), to.y()));
        QTest::mouseRelease(w, Qt::LeftButton, mods, viewPoint(to.x(), to.y()));
        settle();
    }
    void click(QPoint at, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers mods = {}) {
        QWidget* w = viewWidget();
        QTest::mouseMove(w, viewPoint(at.x(), at.y()));
        QTest::mousePress(w, button, mods, viewPoint(at.x(), at.y()));
        QTest::mouseRelease(w, button, mods, viewPoint(at.x(), at.y()));
        settle();
    }
    // Presses an item of the tool column with the mouse, as a user does.
    void pressTool(TSpeedItem* item) {
        QWidget* w = widgetOf(form->SpeedBar1);
        const TSpeedbarButton* b = item->Button();
        const QPoint p(b->Left() + b->Width() / 2, b->Top() + b->Height() / 2);
        QTest::mouseClick(w, Qt::LeftButton, {}, p);
        settle();
    }
    // Clicks a button of the tool bar.
    void pressBar(TToolButton* b) {
        QWidget* w = widgetOf(form->SpeedPanel);
        const QPoint p(b->Left() + b->Width() / 2, b->Top() + b->Height() / 2);
        QTest::mouseClick(w, Qt::LeftButton, {}, p);
        settle();
    }
    // Keys go to the view, which has the focus after a click on it.
    void key(Qt::Key k, Qt::KeyboardModifiers mods = {}) {
        QTest::keyClick(viewWidget(), k, mods);
        settle();
    }

    // ---- The menu bar ----
    QMenuBar* bar() const { return widgetOf(form)->findChild<QMenuBar*>(); }
    static QAction* actionNamed(QWidget* w, const QString& caption) {
        for (QAction* a : w->actions()) {
            QString text = a->text();
            text.remove(QLatin1Char('&'));
            if (text == caption || text.startsWith(caption + QLatin1Char('\t'))) return a;
        }
        return nullptr;
    }
    // Opens the menu path with the mouse ("Edit", "Insert", ...) and returns the last menu
    // opened; null when an entry is missing or disabled.
    QMenu* openMenu(const std::vector<QString>& path) {
        QMenuBar* b = bar();
        if (!b || path.empty()) return nullptr;
        QAction* top = actionNamed(b, path.front());
        if (!top) return nullptr;
        QTest::mouseClick(b, Qt::LeftButton, {}, b->actionGeometry(top).center());
        settle();
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        for (std::size_t i = 1; menu && i < path.size(); ++i) {
            QAction* a = actionNamed(menu, path[i]);
            if (!a || !a->isEnabled()) return nullptr;
            QTest::mouseMove(menu, menu->actionGeometry(a).center());
            menu->setActiveAction(a);
            settle();
            menu = a->menu();
            if (menu && !menu->isVisible()) menu->popup(QCursor::pos());
            settle();
        }
        return menu;
    }
    static void closeMenus() {
        for (int i = 0; i < 8 && QApplication::activePopupWidget(); ++i) {
            QApplication::activePopupWidget()->close();
            settle();
        }
    }
    // Whether the entry at the end of the path shows enabled in its opened menu.
    bool menuEnabled(std::vector<QString> path) {
        const QString last = path.back();
        path.pop_back();
        QMenu* m = openMenu(path);
        QAction* a = m ? actionNamed(m, last) : nullptr;
        const bool enabled = a && a->isEnabled();
        closeMenus();
        return enabled;
    }
    // Chooses the entry at the end of the path with the mouse.
    bool chooseMenu(std::vector<QString> path) {
        const QString last = path.back();
        path.pop_back();
        QMenu* m = openMenu(path);
        QAction* a = m ? actionNamed(m, last) : nullptr;
        if (!a || !a->isEnabled()) {
            closeMenus();
            return false;
        }
        QTest::mouseClick(m, Qt::LeftButton, {}, m->actionGeometry(a).center());
        settle();
        closeMenus();
        return true;
    }

    testsupport::TempDir dir;
    platform::ScriptedMessageBoxes boxes{IDOK};
    TFileDialogHandler previousDialogs;
    std::deque<std::pair<std::string, int>> fileAnswers;
    std::vector<String> dialogsShown;  // the names of the file dialogs shown
    TDIBMainForm* form = nullptr;
};

}  // namespace edtest
