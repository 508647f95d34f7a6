#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "about/hyper_link.h"

// Shared by the hyperlink tests: a dialog full of statics that records what
// its links tell it, pictures of a control's client area, and the browser
// colour values in the registry.

// The test dialog's plain text colour and background, set in the DC of every
// WM_CTLCOLORSTATIC, so that a picture tells plain parts from link parts.
constexpr COLORREF kPlainColor = RGB(0, 160, 0);
constexpr COLORREF kBackground = RGB(255, 255, 255);

struct SeenCommand {
    WORD id;
    WORD code;
    HWND control;
};

struct SeenNotify {
    WPARAM wParam;
    NMHDR header;
};

// Dialog IDD_LINK_TEST, shown at the screen's top-left corner and destroyed
// with the object.
class LinkDialog {
  public:
    LinkDialog();
    ~LinkDialog();
    LinkDialog(const LinkDialog&) = delete;
    LinkDialog& operator=(const LinkDialog&) = delete;

    HWND get() const { return dialog_; }
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    // Ends the dialog early, to watch the links go with it.
    void Destroy();

    std::vector<SeenCommand> commands;
    std::vector<SeenNotify> notifies;
    HBRUSH background;

  private:
    HWND dialog_;
};

// The pixels of a window's client area as WM_PRINTCLIENT draws them into a
// memory bitmap filled with fill beforehand.
class Picture {
  public:
    static Picture Print(HWND window, COLORREF fill = RGB(255, 0, 255));
    // The bitmap is the message's DC, filled, then given to send.
    static Picture Draw(HWND window, COLORREF fill, UINT message, WPARAM flags,
                        LRESULT* result = nullptr);

    int Width() const { return width_; }
    int Height() const { return height_; }
    COLORREF At(int x, int y) const;
    // Pixels of colour inside area (clipped to the picture).
    int Count(COLORREF colour, const RECT& area) const;
    int Count(COLORREF colour) const;
    // Pixels of colour outside area.
    int CountOutside(COLORREF colour, const RECT& area) const;
    // Pixels that are not colour.
    int CountOther(COLORREF colour) const;
    // The most pixels of colour in one row of area.
    int WidestRun(COLORREF colour, const RECT& area) const;

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<COLORREF> pixels_;
};

// Takes the "Anchor Color" and "Anchor Color Visited" values out of the
// current user's browser settings for the life of the object, and puts back
// whatever was there before.
class AnchorColorValues {
  public:
    AnchorColorValues();
    ~AnchorColorValues();
    AnchorColorValues(const AnchorColorValues&) = delete;
    AnchorColorValues& operator=(const AnchorColorValues&) = delete;

    // REG_SZ with its terminator.
    void SetText(const char* name, const std::string& text);
    // Exactly these bytes, no terminator added.
    void SetBytes(const char* name, const std::string& bytes);
    void Remove(const char* name);

  private:
    struct Saved {
        bool present = false;
        DWORD type = 0;
        std::vector<BYTE> data;
    };

    HKEY key_ = nullptr;
    bool keyCreated_ = false;
    Saved saved_[2];
};

// Held by every hyperlink test that makes links: the colour values are the
// current user's, shared by all test processes that ctest runs side by side,
// so one test's values must not be seen by another.
class AnchorColorLock {
  public:
    AnchorColorLock();
    ~AnchorColorLock();
    AnchorColorLock(const AnchorColorLock&) = delete;
    AnchorColorLock& operator=(const AnchorColorLock&) = delete;

  private:
    HANDLE mutex_;
    bool held_ = false;
};

extern const char kAnchorColor[];
extern const char kAnchorColorVisited[];

// Each test gets the browser colour values removed, two links and a fresh
// test dialog. The links outlive the dialog, as in the program: the dialog's
// end takes their windows with it.
class HyperLinkTest : public ::testing::Test {
  protected:
    void SetUp() override;

    HWND Static(int id) const { return dialog->Item(id); }
    // A further static in the test dialog, with the dialog's font.
    HWND MakeStatic(DWORD style, const char* text, RECT place = RECT{10, 10, 210, 30});
    static int ToolCount(const HyperLink& hyperLink);
    // The centre of the link part, in the link's client coordinates, as a
    // mouse message's lParam; and a point of the control off the link part.
    static LPARAM InsideLink(const HyperLink& hyperLink);
    static LPARAM OutsideLink(const HyperLink& hyperLink);

    AnchorColorLock lock;  // first made, last gone
    AnchorColorValues colors;
    HyperLink link;
    HyperLink other;
    std::unique_ptr<LinkDialog> dialog;
};
