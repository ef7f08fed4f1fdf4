// Routing tables: a row matches its message, control and notification code together.
#include "MessageRoute.h"
#include "resource.h"

#include <gtest/gtest.h>

namespace {

struct RoutedTarget {
    void OnClicked() { ++clicked; }
    void OnMenu() { ++menu; }
    MessageResult OnUser(WPARAM wParam, LPARAM) { return static_cast<LRESULT>(wParam * 2); }
    int clicked = 0;
    int menu = 0;
};

const MessageRoute<RoutedTarget> kRoutes[] = {
    OnCommand(IDC_START_STOP, BN_CLICKED, &RoutedTarget::OnClicked),
    OnMenu(ID_FILE_EXIT, &RoutedTarget::OnMenu),
    OnMessage(WM_USER + 7, &RoutedTarget::OnUser),
};

TEST(RoutingTable, MatchesMessageControlAndNotificationCodeTogether) {
    RoutedTarget target;
    EXPECT_EQ(DispatchRoutes(target, kRoutes, WM_COMMAND, MAKEWPARAM(IDC_START_STOP, BN_CLICKED), 0), MessageResult(0));
    EXPECT_EQ(target.clicked, 1);
    // Same control, another notification; another control, same notification.
    EXPECT_EQ(DispatchRoutes(target, kRoutes, WM_COMMAND, MAKEWPARAM(IDC_START_STOP, BN_SETFOCUS), 0),
              kDefaultProcessing);
    EXPECT_EQ(DispatchRoutes(target, kRoutes, WM_COMMAND, MAKEWPARAM(IDC_INTERFACE, BN_CLICKED), 0),
              kDefaultProcessing);
    EXPECT_EQ(target.clicked, 1);

    DispatchRoutes(target, kRoutes, WM_COMMAND, MAKEWPARAM(ID_FILE_EXIT, 0), 0);
    EXPECT_EQ(target.menu, 1);
    EXPECT_EQ(DispatchRoutes(target, kRoutes, WM_USER + 7, 21, 0), MessageResult(42));
    EXPECT_EQ(DispatchRoutes(target, kRoutes, WM_USER + 8, 21, 0), kDefaultProcessing);
}

} // namespace
