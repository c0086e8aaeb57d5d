// Screenshots of the layer's windows on UTF-16 windows: a wide form with a Unicode title, a
// main menu with an open sub-menu, labels and buttons in several scripts, and the wide
// message dialog. The offscreen platform draws no frames: the pictures get a title strip
// drawn from the title the window carries.
#include "WideAppFixture.h"

#include "classlib/Menus.h"
#include "widetext/WideDialogs.h"
#include "widetext/WideMenus.h"
#include "widetext/WideStdCtrls.h"

#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTimer>

#include <memory>

using namespace widetest;

namespace {

const WideString kLatin = u"Crème brûlée, Ångström, Żółć";
const WideString kGreek = u"Ελληνικά: Καλημέρα";
const WideString kCyrillic = u"Русский: Добрый день";
const WideString kCjk = u"日本語の名前、中文";

// A window's picture under a strip with its title, as a desktop frames it.
QImage framed(QWidget* W, const QImage& Inside) {
    const int strip = 26;
    QImage out(Inside.width() + 2, Inside.height() + strip + 1, QImage::Format_RGB32);
    out.fill(QColor(70, 90, 120));
    QPainter p(&out);
    p.drawImage(1, strip, Inside);
    p.setPen(Qt::white);
    QFont f = W->font();
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(8, 0, out.width() - 16, strip), Qt::AlignVCenter | Qt::AlignLeft, W->window()->windowTitle());
    return out;
}

int ink(const QImage& Image, const QRect& Area, int Below = 110) {
    int n = 0;
    for (int y = std::max(0, Area.top()); y <= std::min(Image.height() - 1, Area.bottom()); ++y)
        for (int x = std::max(0, Area.left()); x <= std::min(Image.width() - 1, Area.right()); ++x)
            if (qGray(Image.pixel(x, y)) < Below) ++n;
    return n;
}

class Screenshots : public WideAppRoads {};

INSTANTIATE_TEST_SUITE_P(Switch, Screenshots, ::testing::Values(true), roadName);

}  // namespace

TEST_P(Screenshots, AWideFormWithMenuLabelsAndButtons) {
    auto form = std::make_unique<TWideForm>(nullptr);
    form->SetBounds(40, 40, 560, 330);
    form->SetCaption(u"Tessellon — " + kGreek + u" · " + kCjk);
    auto* menu = new TMainMenu(form.get());
    const auto add = [&](TMenuItem* Parent, const WideString& Caption, TShortCut Key = 0) {
        auto* i = new TWideMenuItem(form.get());
        i->SetCaption(Caption);
        i->SetShortCut(Key);
        Parent->Add(i);
        return i;
    };
    TWideMenuItem* file = add(menu->Items(), u"&Datei");
    add(file, u"Ö&ffnen… " + kCjk, ShortCut('O', ssCtrl));
    add(file, u"&Rückgängig", ShortCut('Z', ssCtrl));
    add(file, u"-");
    add(file, u"&Свойства…", ShortCut(VK_F1 + 9, ssShift));
    add(file, u"Αποθήκευση && &Έξοδος", ShortCut('Q', ssCtrl));
    add(menu->Items(), u"&Правка");
    add(menu->Items(), u"&Προβολή");
    add(menu->Items(), u"表示(&V)");
    form->SetMenu(menu);
    int y = 16;
    for (const WideString& text : {kLatin, kGreek, kCyrillic, kCjk}) {
        auto* label = new TWideLabel(form.get());
        label->SetParent(form.get());
        label->SetLeft(16);
        label->SetTop(y);
        label->Font()->SetHeight(-15);
        label->SetCaption(text);
        y += 30;
    }
    auto* dimmed = new TWideLabel(form.get());
    dimmed->SetParent(form.get());
    dimmed->SetBounds(16, y, 10, 10);
    dimmed->SetCaption(u"Gesperrt: " + kCyrillic);
    dimmed->SetEnabled(false);
    int x = 16;
    for (const WideString& text : {WideString(u"&Öffnen"), WideString(u"&Ψάξε"), WideString(u"&Найти"), WideString(u"検索(&S)")}) {
        auto* b = new TWideButton(form.get());
        b->SetParent(form.get());
        b->SetBounds(x, 230, 120, 30);
        b->SetCaption(text);
        x += 130;
    }
    showAndActivate(form.get());
    QWidget* w = platform::windowWidget(form->Handle());
    EXPECT_EQ(w->windowTitle().toStdU16String(), form->Caption());
    // The menu opened on the picture.
    QMenuBar* bar = w->findChild<QMenuBar*>(QStringLiteral("windowMenuBar"));
    ASSERT_NE(bar, nullptr);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(bar->actions()[0]).center());
    ASSERT_TRUE(waitUntil([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; }));
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    popup->setActiveAction(popup->actions()[1]);
    QApplication::processEvents();
    const QImage formShot = w->grab().toImage();
    const QImage menuShot = popup->grab().toImage();
    popup->close();
    QImage composed = framed(w, formShot);
    {
        QPainter p(&composed);
        const QPoint at = bar->mapTo(w, bar->actionGeometry(bar->actions()[0]).bottomLeft()) + QPoint(1, 27);
        p.drawImage(at, menuShot);
        p.setPen(QColor(120, 120, 120));
        p.drawRect(QRect(at, menuShot.size()).adjusted(0, 0, -1, -1));
    }
    composed.save(QString::fromStdString(shot25("form-menu-labels-buttons.png")));
    formShot.save(QString::fromStdString(shot25("form-labels-buttons.png")));
    // Every label and button shows ink.
    for (int i = 0; i < form->ControlCount(); ++i) {
        TControl* c = form->Controls(i);
        const QRect r(c->Left(), c->Top() + bar->height(), c->Width(), c->Height());
        EXPECT_GT(ink(formShot, r, c->Enabled() ? 110 : 200), 20) << c->Name() << " " << QString::fromStdU16String(WideGetText(c)).toStdString();
    }
    EXPECT_GT(ink(menuShot, menuShot.rect()), 200);
}

TEST_P(Screenshots, TheWideMessageDialogWithAPathAndALongText) {
    WideApplication->SetTitle(u"Tessellon 4.5");
    const WideString msg = u"Der Ordner „/home/a&b/Bilder/" + kCjk + u"“ kann nicht gelesen werden. " + kGreek + u". " +
                           kCyrillic + u". " + kLatin + u". Prüfen Sie, ob das Laufwerk verbunden ist und Sie die Rechte haben.";
    bool acted = false;
    QImage shot;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        TWideMessageForm* form = nullptr;
        for (int i = 0; i < Application->ComponentCount() && !form; ++i)
            if (auto* f = qobject_cast<TWideMessageForm*>(Application->Components(i)); f && f->HandleAllocated() && IsWindowVisible(f->Handle()))
                form = f;
        if (acted || !form) return;
        acted = true;
        poll.stop();
        QWidget* w = platform::windowWidget(form->Handle());
        shot = framed(w, w->grab().toImage());
        QTest::keyClick(platform::windowWidget(GetFocus()), Qt::Key_Return);
    });
    poll.start();
    ShowWideMessage(msg);
    ASSERT_TRUE(acted);
    shot.save(QString::fromStdString(shot25("show-wide-message.png")));
    acted = false;
    poll.start();
    WideMessageDlgPos(u"Datei „" + kCjk + u".png“ ersetzen?\n" + kCyrillic, mtConfirmation, mbYesAllNoAllCancel, 0, -1, -1);
    ASSERT_TRUE(acted);
    shot.save(QString::fromStdString(shot25("message-confirmation.png")));
    EXPECT_GT(ink(shot, shot.rect()), 500);
}
