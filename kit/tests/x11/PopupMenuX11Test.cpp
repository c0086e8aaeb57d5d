// Pop-up menus of speed buttons on a virtual display: a menu shown from a speed button's click
// (below the button, as the poster window's menu buttons do) and a speed button's drop-down
// menu are drawn on the screen itself, and an item picked with the pointer runs.
#include "classlib/Buttons.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "kit/KitButtons.h"
#include "kit/KitRegister.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

void xdotool(const QStringList& args) { QProcess::execute(QStringLiteral("xdotool"), args); }

void clickAt(QPoint p) {
    xdotool({"mousemove", QString::number(p.x()), QString::number(p.y()), "click", "1"});
}

using testsupport::waitFor;

std::string shotDir() {
    const char* dir = std::getenv("TESSELLON_SCREENSHOT_DIR");
    const std::string path = dir ? dir : "/tmp/shots/kit-menus";
    QDir().mkpath(QString::fromStdString(path));
    return path;
}

// What the screen shows where the open menu is, next to what the menu paints itself. The
// screen is read from the root window: what a person looking at the display sees.
struct MenuShot {
    QImage screen;
    QImage own;
    QRect place;
    QPoint itemCentre;  // of the item to pick
};

// Waits (inside the menu's own loop) until a menu is open and has been on the screen for a
// moment, takes the shot and picks the item by its text with the pointer.
void shootAndPick(MenuShot& shot, const QString& item) {
    auto* poll = new QTimer;
    auto since = std::make_shared<QElapsedTimer>();
    QObject::connect(poll, &QTimer::timeout, [poll, since, &shot, item] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible()) return;
        if (!since->isValid()) since->start();
        if (since->elapsed() < 400) return;
        poll->stop();
        poll->deleteLater();
        shot.place = menu->geometry();
        shot.own = menu->grab().toImage().convertToFormat(QImage::Format_RGB32);
        shot.screen = QGuiApplication::primaryScreen()
                          ->grabWindow(0, shot.place.x(), shot.place.y(), shot.place.width(), shot.place.height())
                          .toImage()
                          .convertToFormat(QImage::Format_RGB32);
        for (QAction* a : menu->actions())
            if (a->text().remove('&') == item) shot.itemCentre = menu->mapToGlobal(menu->actionGeometry(a).center());
        if (!shot.itemCentre.isNull()) clickAt(shot.itemCentre);
        else menu->close();
    });
    poll->start(50);
}

// The menu is there: a light face with dark letters on it, as the menu paints it.
void expectDrawn(const MenuShot& shot, const char* name) {
    ASSERT_FALSE(shot.screen.isNull());
    shot.screen.save(QString::fromStdString(shotDir() + "/" + name));
    ASSERT_EQ(shot.screen.size(), shot.own.size());
    const int total = shot.screen.width() * shot.screen.height();
    int light = 0, dark = 0, differing = 0;
    for (int y = 0; y < shot.screen.height(); ++y)
        for (int x = 0; x < shot.screen.width(); ++x) {
            const QRgb s = shot.screen.pixel(x, y);
            light += qGray(s) > 200;
            dark += qGray(s) < 90;
            const QRgb o = shot.own.pixel(x, y);
            differing += std::abs(qRed(s) - qRed(o)) + std::abs(qGreen(s) - qGreen(o)) + std::abs(qBlue(s) - qBlue(o)) > 24;
        }
    EXPECT_GT(light, total / 2) << name << ": the menu's face is not on the screen";
    EXPECT_GT(dark, 40) << name << ": no item text on the screen";
    EXPECT_LT(dark, total / 4) << name;
    EXPECT_LT(differing, total / 50) << name << ": the screen differs from what the menu paints";
}

TMenuItem* addItem(TPopupMenu* menu, const String& caption, std::vector<String>& clicks) {
    auto* i = new TMenuItem(menu);
    i->SetCaption(caption);
    i->OnClick = TNotifyEvent([&clicks](TObject* s) { clicks.push_back(static_cast<TMenuItem*>(s)->Caption()); });
    menu->Items()->Add(i);
    return i;
}

struct MenuForm {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TPanel* panel = new TPanel(form.get());
    TSpeedButton* plain = new TSpeedButton(form.get());
    TKitSpeedButton* dropDown = new TKitSpeedButton(form.get());
    TPopupMenu* plainMenu = new TPopupMenu(form.get());
    TPopupMenu* dropDownMenu = new TPopupMenu(form.get());
    std::vector<String> clicks;

    MenuForm() {
        form->SetBounds(80, 80, 420, 300);
        form->SetCaption("Menus");
        panel->SetParent(form.get());
        panel->SetBounds(0, 0, 420, 40);
        plain->SetParent(panel);
        plain->SetBounds(8, 8, 90, 24);
        plain->SetCaption("Retouch");
        dropDown->SetParent(panel);
        dropDown->SetBounds(110, 8, 90, 24);
        dropDown->SetCaption("Tools");
        for (const char* c : {"&Brightness and contrast...", "&Mirror", "&Flip"}) addItem(plainMenu, c, clicks);
        for (const char* c : {"&Pencil", "&Brush", "&Spray can"}) addItem(dropDownMenu, c, clicks);
        // Below the button, as the poster window shows its menus.
        plain->OnClick = TNotifyEvent([this](TObject*) {
            const POINT p = panel->ClientToScreen(POINT{plain->Left(), plain->Top() + plain->Height()});
            plainMenu->SetPopupComponent(plain);
            plainMenu->Popup(p.x, p.y);
        });
        dropDown->SetDropDownMenu(dropDownMenu);
        form->Show();
    }
    static QPoint centre(TControl* c) {
        const POINT p = c->ClientToScreen(POINT{c->Width() / 2, c->Height() / 2});
        return {p.x, p.y};
    }
};

}  // namespace

TEST(SpeedButtonMenusX11, AreDrawnOnTheScreenAndAnItemPickedWithThePointerRuns) {
    RegisterKitClasses();
    MenuForm f;
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);

    {
        MenuShot shot;
        shootAndPick(shot, "Mirror");
        clickAt(MenuForm::centre(f.plain));
        ASSERT_TRUE(waitFor([&] { return !f.clicks.empty(); })) << "no item of the button's menu ran";
        expectDrawn(shot, "speedbutton-click-menu.png");
        EXPECT_EQ(f.clicks, std::vector<String>{"&Mirror"});
        // Below the button's lower left corner.
        const POINT below = f.panel->ClientToScreen(POINT{f.plain->Left(), f.plain->Top() + f.plain->Height()});
        EXPECT_EQ(shot.place.topLeft(), QPoint(below.x, below.y));
    }
    ASSERT_TRUE(waitFor([] { return QApplication::activePopupWidget() == nullptr; }));
    f.clicks.clear();
    {
        MenuShot shot;
        shootAndPick(shot, "Spray can");
        clickAt(MenuForm::centre(f.dropDown));
        ASSERT_TRUE(waitFor([&] { return !f.clicks.empty(); })) << "no item of the drop-down menu ran";
        expectDrawn(shot, "speedbutton-dropdown-menu.png");
        EXPECT_EQ(f.clicks, std::vector<String>{"&Spray can"});
    }
}
