#include "shell/place_centred.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

TEST(CentredPosition, CentresThenPullsTheNearEdgeInside) {
    const RECT screen{0, 0, 1024, 738};
    const RECT wide{-1000, -1000, 1000, 1000};
    struct Case {
        const char* what;
        RECT box, target, area;
        POINT expected;
    };
    const Case cases[] = {
        {"300 x 200 on the work area", {0, 0, 300, 200}, screen, screen, {362, 269}},
        {"the box's own place does not count", {500, 400, 800, 600}, screen, screen, {362, 269}},
        {"odd sizes", {0, 0, 301, 201}, screen, screen, {362, 269}},
        // (-101 + 0) / 2 is -50, not -51; 11 / 2 is 5.
        {"halves truncate toward zero", {0, 0, 11, 11}, {-101, -101, 0, 0}, wide, {-55, -55}},
        {"left and top pulled in", {0, 0, 100, 100}, {-200, -300, 0, 0}, screen, {0, 0}},
        {"right and bottom pulled in", {0, 0, 200, 100}, {900, 700, 1100, 800}, screen, {824, 638}},
        // Too big: the near edge wins and the far edge stays outside.
        {"larger than the area", {0, 0, 1100, 800}, screen, screen, {0, 0}},
        {"far edge pulled in, near not again",
         {0, 0, 1100, 100},
         {2000, 0, 2200, 100},
         screen,
         {-76, 0}},
        {"area off the origin",
         {0, 0, 100, 50},
         {0, 0, 100, 100},
         {200, 300, 800, 700},
         {200, 300}},
    };
    for (const Case& c : cases) {
        const POINT at = CentredPosition(c.box, c.target, c.area);
        EXPECT_EQ(c.expected.x, at.x) << c.what;
        EXPECT_EQ(c.expected.y, at.y) << c.what;
    }
}

POINT TopLeft(HWND window) {
    RECT box{};
    GetWindowRect(window, &box);
    return {box.left, box.top};
}

RECT WorkArea() {
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

TEST(PlaceWindowCentred, CentresOverAVisibleOwnerElseOnTheWorkArea) {
    SKIP_WITHOUT_DISPLAY();
    const RECT ownerPlace{100, 100, 500, 400};
    // ShowWindow command for the owner; -1 leaves it hidden. No owner at all
    // is the last case.
    for (const int show : {SW_SHOWNOACTIVATE, -1, SW_SHOWMINNOACTIVE, -2}) {
        ScratchWindow owner(WS_POPUP | WS_CAPTION, nullptr, ownerPlace);
        if (show >= 0) ShowWindow(owner.get(), show);
        ScratchWindow owned(WS_POPUP, show == -2 ? nullptr : owner.get(), RECT{3, 5, 203, 105});
        EXPECT_TRUE(PlaceWindowCentred(owned.get(), nullptr));
        const RECT target = show == SW_SHOWNOACTIVATE ? ownerPlace : WorkArea();
        const POINT at = TopLeft(owned.get());
        EXPECT_EQ((target.left + target.right) / 2 - 100, at.x) << show;
        EXPECT_EQ((target.top + target.bottom) / 2 - 50, at.y) << show;
    }
}

TEST(PlaceWindowCentred, AWindowToCentreOnWinsOverTheOwner) {
    SKIP_WITHOUT_DISPLAY();
    ScratchWindow owner(WS_POPUP | WS_VISIBLE, nullptr, RECT{500, 400, 700, 600});
    ScratchWindow other(WS_POPUP | WS_VISIBLE, nullptr, RECT{200, 150, 400, 350});
    ScratchWindow window(WS_POPUP, owner.get(), RECT{0, 0, 100, 60});
    EXPECT_TRUE(PlaceWindowCentred(window.get(), other.get()));
    EXPECT_EQ(250, TopLeft(window.get()).x);
    EXPECT_EQ(220, TopLeft(window.get()).y);
}

TEST(PlaceWindowCentred, ChildIsCentredInItsParentsClientArea) {
    SKIP_WITHOUT_DISPLAY();
    ScratchWindow parent(WS_POPUP | WS_CAPTION, nullptr, RECT{50, 60, 450, 360});
    ScratchWindow child(WS_CHILD, parent.get(), RECT{0, 0, 100, 40});
    EXPECT_TRUE(PlaceWindowCentred(child.get(), nullptr));
    RECT client{};
    GetClientRect(parent.get(), &client);
    POINT at = TopLeft(child.get());
    ScreenToClient(parent.get(), &at);
    EXPECT_EQ(client.right / 2 - 50, at.x);
    EXPECT_EQ(client.bottom / 2 - 20, at.y);
}

}  // namespace
