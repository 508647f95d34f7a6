#include "shell/place_centred.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>

#include "test_support.h"

namespace {

struct CentringCase {
    const char* what;
    RECT box;
    RECT target;
    RECT area;
    POINT expected;
};

void PrintTo(const CentringCase& c, std::ostream* out) { *out << c.what; }

class Centring : public ::testing::TestWithParam<CentringCase> {};

TEST_P(Centring, GivesTheTopLeftCorner) {
    const CentringCase& c = GetParam();
    const POINT at = CentredPosition(c.box, c.target, c.area);
    EXPECT_EQ(c.expected.x, at.x) << c.what;
    EXPECT_EQ(c.expected.y, at.y) << c.what;
}

constexpr RECT kWorkArea{0, 0, 1024, 738};
constexpr RECT kWide{-1000, -1000, 1000, 1000};

INSTANTIATE_TEST_SUITE_P(
    Table, Centring,
    ::testing::Values(
        CentringCase{
            "300 x 200 in the work area", {0, 0, 300, 200}, kWorkArea, kWorkArea, {362, 269}},
        CentringCase{"the box's own place does not matter",
                     {500, 400, 800, 600},
                     kWorkArea,
                     kWorkArea,
                     {362, 269}},
        // (-101 + 0) / 2 is -50, not -51; 11 / 2 is 5.
        CentringCase{
            "halves truncate toward zero", {0, 0, 11, 11}, {-101, -101, 0, 0}, kWide, {-55, -55}},
        CentringCase{"odd sizes", {0, 0, 301, 201}, kWorkArea, kWorkArea, {362, 269}},
        CentringCase{"left and top edges pulled in",
                     {0, 0, 100, 100},
                     {-200, -300, 0, 0},
                     kWorkArea,
                     {0, 0}},
        CentringCase{"right and bottom edges pulled in",
                     {0, 0, 200, 100},
                     {900, 700, 1100, 800},
                     kWorkArea,
                     {824, 638}},
        // Too big: the near edge wins and the far edge stays outside.
        CentringCase{
            "wider and taller than the area", {0, 0, 1100, 800}, kWorkArea, kWorkArea, {0, 0}},
        CentringCase{"far edge pulled in, near edge not tested again",
                     {0, 0, 1100, 100},
                     {2000, 0, 2200, 100},
                     kWorkArea,
                     {-76, 0}},
        CentringCase{"area not at the origin",
                     {0, 0, 100, 50},
                     {0, 0, 100, 100},
                     {200, 300, 800, 700},
                     {200, 300}}),
    [](const ::testing::TestParamInfo<CentringCase>& param) {
        std::string name = param.param.what;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        }
        return name;
    });

RECT WindowBox(HWND window) {
    RECT box{};
    GetWindowRect(window, &box);
    return box;
}

RECT WorkArea() {
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

class PlaceWindow : public ::testing::Test {
  protected:
    void SetUp() override { SKIP_WITHOUT_DISPLAY(); }
};

TEST_F(PlaceWindow, WithoutOwnerGoesToTheMiddleOfTheWorkArea) {
    ScratchWindow window(WS_POPUP, nullptr, RECT{3, 5, 303, 205});
    EXPECT_TRUE(PlaceWindowCentred(window.get(), nullptr));
    const RECT area = WorkArea();
    const RECT box = WindowBox(window.get());
    EXPECT_EQ((area.left + area.right) / 2 - 150, box.left);
    EXPECT_EQ((area.top + area.bottom) / 2 - 100, box.top);
    EXPECT_EQ(300, box.right - box.left);
    EXPECT_EQ(200, box.bottom - box.top);
}

struct OwnerCase {
    const char* what;
    int show;  // ShowWindow command for the owner; -1 leaves it hidden
    bool overOwner;
};

void PrintTo(const OwnerCase& c, std::ostream* out) { *out << c.what << " owner"; }

class OwnedWindow : public PlaceWindow, public ::testing::WithParamInterface<OwnerCase> {};

TEST_P(OwnedWindow, CentresOverAVisibleOwnerOnly) {
    ScratchWindow owner(WS_POPUP | WS_CAPTION, nullptr, RECT{100, 100, 500, 400});
    if (GetParam().show >= 0) ShowWindow(owner.get(), GetParam().show);
    ScratchWindow owned(WS_POPUP, owner.get(), RECT{0, 0, 200, 100});
    ASSERT_EQ(owner.get(), GetWindow(owned.get(), GW_OWNER));

    EXPECT_TRUE(PlaceWindowCentred(owned.get(), nullptr));
    const RECT target = GetParam().overOwner ? RECT{100, 100, 500, 400} : WorkArea();
    const RECT box = WindowBox(owned.get());
    EXPECT_EQ((target.left + target.right) / 2 - 100, box.left);
    EXPECT_EQ((target.top + target.bottom) / 2 - 50, box.top);
}

INSTANTIATE_TEST_SUITE_P(Owners, OwnedWindow,
                         ::testing::Values(OwnerCase{"visible", SW_SHOWNOACTIVATE, true},
                                           OwnerCase{"hidden", -1, false},
                                           OwnerCase{"minimised", SW_SHOWMINNOACTIVE, false}),
                         [](const ::testing::TestParamInfo<OwnerCase>& param) {
                             return std::string(param.param.what);
                         });

TEST_F(PlaceWindow, ExplicitWindowToCentreOnWinsOverTheOwner) {
    ScratchWindow other(WS_POPUP | WS_VISIBLE, nullptr, RECT{200, 150, 400, 350});
    ScratchWindow window(WS_POPUP, nullptr, RECT{0, 0, 100, 60});
    EXPECT_TRUE(PlaceWindowCentred(window.get(), other.get()));
    const RECT box = WindowBox(window.get());
    EXPECT_EQ(250, box.left);
    EXPECT_EQ(220, box.top);
}

TEST_F(PlaceWindow, ChildIsCentredInItsParentsClientArea) {
    ScratchWindow parent(WS_POPUP, nullptr, RECT{50, 60, 450, 360});
    ScratchWindow child(WS_CHILD, parent.get(), RECT{0, 0, 100, 40});
    EXPECT_TRUE(PlaceWindowCentred(child.get(), nullptr));

    RECT client{};
    GetClientRect(parent.get(), &client);
    RECT box = WindowBox(child.get());
    MapWindowPoints(HWND_DESKTOP, parent.get(), reinterpret_cast<POINT*>(&box), 2);
    EXPECT_EQ(client.right / 2 - 50, box.left);
    EXPECT_EQ(client.bottom / 2 - 20, box.top);
}

}  // namespace
