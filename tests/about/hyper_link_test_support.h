#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "about/hyper_link.h"

// Shared by the hyperlink tests that make windows.

// The test dialog's plain text colour and background, set in the DC of every
// WM_CTLCOLORSTATIC, so that a picture tells plain parts from link parts.
constexpr COLORREF kPlainColor = RGB(0, 160, 0);
constexpr COLORREF kBackground = RGB(255, 255, 255);
constexpr COLORREF kBlue = RGB(0, 0, 255);      // the default link colour
constexpr COLORREF kPurple = RGB(128, 0, 128);  // the default visited colour

inline bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
inline void PrintTo(const RECT& r, std::ostream* out) {
    *out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

// What the dialog was told: WM_COMMAND (id and code from wParam, the control
// from lParam) or WM_NOTIFY (from its NMHDR).
struct Told {
    UINT message;
    WPARAM wParam;
    HWND from;
    UINT_PTR id;
    UINT code;
    bool operator==(const Told& o) const {
        return message == o.message && wParam == o.wParam && from == o.from && id == o.id &&
               code == o.code;
    }
};

// Dialog IDD_LINK_TEST, shown at the screen's top-left corner, destroyed with
// the object; it records the commands and notifications it gets.
class LinkDialog {
  public:
    LinkDialog();
    ~LinkDialog();
    LinkDialog(const LinkDialog&) = delete;
    LinkDialog& operator=(const LinkDialog&) = delete;

    HWND get() const { return dialog_; }
    // Ends the dialog early, to watch the links go with it.
    void Destroy();

    std::vector<Told> told;
    HBRUSH background;

  private:
    HWND dialog_;
};

// The pixels of a window's client area as WM_PRINTCLIENT draws them into a
// bitmap filled with magenta beforehand.
class Picture {
  public:
    explicit Picture(HWND window);
    // Pixels of colour inside area, or in the whole picture.
    int Count(COLORREF colour, const RECT& area) const;
    int Count(COLORREF colour) const { return Count(colour, RECT{0, 0, width_, height_}); }
    // The most pixels of colour in one row of area: an underline fills one.
    int WidestRun(COLORREF colour, const RECT& area) const;

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<COLORREF> pixels_;
};

// The "Anchor Color" and "Anchor Color Visited" values of the current user's
// browser settings, removed for the life of the object: the tests run in a
// Wine prefix of their own, which nobody browses with. ctest runs test
// processes side by side, so the object holds a lock across processes.
class AnchorColors {
  public:
    AnchorColors();
    ~AnchorColors();
    AnchorColors(const AnchorColors&) = delete;
    AnchorColors& operator=(const AnchorColors&) = delete;

    // Text with its terminator as REG_SZ, or bare (REG_BINARY, or the
    // registry would add a NUL when it is read back); null removes the value.
    void Set(const char* name, const char* text, bool bare = false);

  private:
    HANDLE mutex_;
    HKEY key_ = nullptr;
};

extern const char kAnchorColor[];
extern const char kAnchorColorVisited[];

// Each test gets the colour values removed, two links and a fresh test
// dialog. The links outlive the dialog, as in the program: the dialog's end
// takes their windows with it.
class HyperLinkTest : public ::testing::Test {
  protected:
    void SetUp() override;

    HWND Static(int id) const { return GetDlgItem(dialog->get(), id); }
    static int ToolCount(const HyperLink& hyperLink);
    // The centre of the link part, in the link's client coordinates, as a
    // mouse message's lParam; and a point of the control off the link part.
    static LPARAM InsideLink(const HyperLink& hyperLink);
    static LPARAM OutsideLink(const HyperLink& hyperLink);

    AnchorColors colors;  // first made, last gone
    HyperLink link;
    HyperLink other;
    std::unique_ptr<LinkDialog> dialog;
};
