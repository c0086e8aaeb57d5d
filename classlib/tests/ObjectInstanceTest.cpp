// Object instances: window procedures made at run time, each calling its own method.
#include "classlib/Controls.h"

#include <gtest/gtest.h>
#include <vector>

TEST(ObjectInstances, ManyInstancesEachCallTheirOwnMethod) {
    // Far more than a fixed table would hold.
    constexpr int n = 5000;
    std::vector<WNDPROC> procs;
    procs.reserve(n);
    for (int i = 0; i < n; ++i)
        procs.push_back(MakeObjectInstance([i](TMessage& m) {
            m.Result = static_cast<LRESULT>(i) * 1000 + static_cast<LRESULT>(m.Msg) + static_cast<LRESULT>(m.WParam) +
                       m.LParam;
        }));
    for (int i = 0; i < n; i += 997) EXPECT_EQ(procs[i](nullptr, 7, 20, -300), i * 1000 + 7 + 20 - 300);
    // Freed ones go; the others keep calling the right method.
    for (int i = 0; i < n; i += 2) FreeObjectInstance(procs[i]);
    for (int i = 1; i < n; i += 1000) EXPECT_EQ(procs[i](nullptr, 1, 0, 0), i * 1000 + 1);
    for (int i = 1; i < n; i += 2) FreeObjectInstance(procs[i]);
    FreeObjectInstance(procs[1]);  // twice: nothing happens
}

TEST(ObjectInstances, AnInstanceMayFreeItselfAndServesARealWindow) {
    WNDPROC self = nullptr;
    int calls = 0;
    self = MakeObjectInstance([&](TMessage& m) {
        ++calls;
        FreeObjectInstance(self);
        m.Result = 42;
    });
    EXPECT_EQ(self(nullptr, WM_USER, 0, 0), 42);
    EXPECT_EQ(calls, 1);

    std::vector<UINT> seen;
    HWND h = AllocateHWnd([&](TMessage& m) {
        seen.push_back(m.Msg);
        if (m.Msg == WM_USER + 1) m.Result = static_cast<LRESULT>(m.WParam) + 1;
    });
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(SendMessageA(h, WM_USER + 1, 41, 0), 42);
    EXPECT_EQ(seen.back(), static_cast<UINT>(WM_USER + 1));
    DeallocateHWnd(h);
    EXPECT_FALSE(IsWindow(h));
}
