// The change notifier in a real watched folder: what other processes do arrives as events
// with their paths; repeats are dropped; nothing is heard after the notifier is gone.
#include "ShellViewsSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

using namespace shellviews;

namespace {

struct Heard {
    TNotificationEvent event;
    std::string path1;
    std::string path2;
    bool operator==(const Heard&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Heard& h) {
    return os << static_cast<int>(h.event) << " " << h.path1 << " | " << h.path2;
}

struct Watching : Home {
    std::unique_ptr<TComponent> owner = std::make_unique<TComponent>(nullptr);
    TNavShellChangeNotifier* notifier = new TNavShellChangeNotifier(owner.get());
    std::vector<Heard> heard;
    int handled = 0;
    std::size_t all = 0;  // OnChange calls, never cleared

    explicit Watching(const std::string& folder) {
        notifier->OnChange = TNavShellNotifierEvent([this](TObject*, TNotificationEvent e, const WideString& a, const WideString& b) {
            heard.push_back({e, R(a), R(b)});
            ++all;
        });
        notifier->SetInternalHandler([this](TNotificationEvent, LPCITEMIDLIST, LPCITEMIDLIST) { ++handled; });
        notifier->SetRecursive(false);
        TPidl list = PathToPidl(nullptr, W(folder));
        EXPECT_TRUE(list);
        notifier->SetPidl(list.get());
    }
    bool waitForCount(std::size_t n) { return waitFor([&] { return heard.size() >= n; }, 3000); }
};

}  // namespace

TEST(ShellNotifier, ChangesByAnotherProcessArriveWithTheirPaths) {
    Home home;
    const std::string p = home.pictures;
    Watching w(p);
    ASSERT_TRUE(w.notifier->IsRegistered());
    EXPECT_TRUE(platform::changeWatchActive(p));
    // Waits for an event of that kind and gives the first one heard.
    auto first = [&](TNotificationEvent e) -> Heard {
        std::optional<Heard> found;
        waitFor([&] {
            for (const Heard& h : w.heard)
                if (h.event == e) found = h;
            return found.has_value();
        }, 3000);
        return found.value_or(Heard{neUnknown, "", ""});
    };
    auto count = [&](TNotificationEvent e) {
        return std::count_if(w.heard.begin(), w.heard.end(), [e](const Heard& h) { return h.event == e; });
    };

    sh("touch " + shq(p + "/new.txt"));
    EXPECT_EQ(first(neFileCreate), (Heard{neFileCreate, p + "/new.txt", ""}));
    settle(100);

    w.heard.clear();
    sh("mv " + shq(p + "/new.txt") + " " + shq(p + "/renamed.txt"));
    EXPECT_EQ(first(neFileRename), (Heard{neFileRename, p + "/new.txt", p + "/renamed.txt"}));
    settle(150);
    EXPECT_EQ(count(neFileRename), 1);
    EXPECT_EQ(count(neFileDelete) + count(neFileCreate), 0) << "one rename, not a delete and a create";

    w.heard.clear();
    sh("mv " + shq(p + "/renamed.txt") + " " + shq(home.env.home));
    EXPECT_EQ(first(neFileDelete), (Heard{neFileDelete, p + "/renamed.txt", ""}));

    w.heard.clear();
    sh("rm -r " + shq(p + "/sub"));
    EXPECT_EQ(first(neFolderDelete), (Heard{neFolderDelete, p + "/sub", ""}));
    settle(100);
    EXPECT_EQ(static_cast<std::size_t>(w.handled), w.all) << "the internal handler and OnChange heard the same";

    // The watched folder itself goes.
    w.heard.clear();
    sh("rm -r " + shq(p));
    EXPECT_TRUE(waitFor([&] {
        for (const Heard& h : w.heard)
            if (h.event == neFolderDelete && h.path1 == p) return true;
        return false;
    }, 3000));
}

TEST(ShellNotifier, TheSameEventForTheSameObjectWithinTheRepeatWindowIsDroppedOnce) {
    Home home;
    platform::setManualTimers(true);
    Watching w(home.pictures);
    const std::string file = home.pictures + "/a.txt";
    auto report = [&] {
        const std::u16string path = W(file);
        SHChangeNotify(SHCNE_UPDATEITEM, SHCNF_PATHW | SHCNF_FLUSH, path.c_str(), nullptr);
        pump();
    };
    report();
    ASSERT_EQ(w.heard.size(), 1u);
    EXPECT_EQ(w.heard[0], (Heard{neFileChange, file, ""}));
    platform::advanceTime(2000);
    report();
    EXPECT_EQ(w.heard.size(), 1u) << "within 2500 ms: dropped";
    platform::advanceTime(2600);
    report();
    EXPECT_EQ(w.heard.size(), 2u) << "after 2500 ms: delivered again";
    // Another object is never a repeat.
    const std::u16string other = W(home.pictures + "/b.png");
    SHChangeNotify(SHCNE_UPDATEITEM, SHCNF_PATHW | SHCNF_FLUSH, other.c_str(), nullptr);
    pump();
    EXPECT_EQ(w.heard.size(), 3u);
    platform::setManualTimers(false);
}

TEST(ShellNotifier, RegistrationsFollowSettingsAndWatchNothingNamedAsTheComputer) {
    Home home;
    TComponent owner(nullptr);
    auto* n = new TNavShellChangeNotifier(&owner);
    // Nothing named: the computer, recursively.
    ASSERT_EQ(n->Directories()->Count(), 1);
    EXPECT_TRUE(n->Directories()->Strings(0).empty());
    EXPECT_TRUE(n->Recursive());
    EXPECT_TRUE(n->IsRegistered());
    const int registrations = platform::changeNotifyRegistrations();
    // The same filter again registers nothing anew; another one does.
    n->SetEventFilter(n->EventFilter());
    EXPECT_EQ(platform::changeNotifyRegistrations(), registrations);
    EXPECT_TRUE(n->IsRegistered());
    // Directories added are watched, and left ones no longer.
    n->Directories()->Add(W(home.pictures));
    EXPECT_EQ(n->Directories()->Count(), 1) << "the empty entry went with the first real one";
    EXPECT_TRUE(platform::changeWatchActive(home.pictures));
    n->Directories()->Add(W(home.pictures + "/sub"));
    EXPECT_TRUE(platform::changeWatchActive(home.pictures + "/sub"));
    EXPECT_EQ(n->RegistrationCount(), 2);
    n->Directories()->Delete(n->Directories()->IndexOf(W(home.pictures + "/sub")));
    EXPECT_FALSE(platform::changeWatchActive(home.pictures + "/sub"));
    EXPECT_EQ(n->RegistrationCount(), 1);
    n->SetEnabled(false);
    EXPECT_FALSE(platform::changeWatchActive(home.pictures));
    EXPECT_EQ(n->RegistrationCount(), 0);
    n->SetEnabled(true);
    EXPECT_TRUE(platform::changeWatchActive(home.pictures));
}

TEST(ShellNotifier, NothingIsDeliveredAfterTheNotifierIsFreed) {
    Home home;
    auto w = std::make_unique<Watching>(home.pictures);
    int late = 0;
    w->notifier->OnChange = TNavShellNotifierEvent([&late](TObject*, TNotificationEvent, const WideString&, const WideString&) { ++late; });
    const std::u16string path = W(home.pictures + "/a.txt");
    // Handled now; OnChange would run after this message's handling, but the notifier goes.
    SHChangeNotify(SHCNE_UPDATEITEM, SHCNF_PATHW | SHCNF_FLUSH, path.c_str(), nullptr);
    EXPECT_EQ(w->handled, 1);
    EXPECT_EQ(late, 0) << "OnChange comes after the message";
    delete w->notifier;
    settle(100);
    EXPECT_EQ(late, 0);
}
