#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <ostream>
#include <tuple>
#include <vector>

#include "about/hyper_link.h"
#include "test_support.h"
#include "window_test_resources.h"

// Shared by the hyperlink tests that make windows.

// The test dialog's plain text colour and background, set in the DC of every
// WM_CTLCOLORSTATIC, so that a picture tells plain parts from link parts.
constexpr COLORREF kPlainColor = RGB(0, 160, 0);
constexpr COLORREF kBackground = RGB(255, 255, 255);
constexpr COLORREF kBlue = RGB(0, 0, 255);      // the default link colour
constexpr COLORREF kPurple = RGB(128, 0, 128);  // the default visited colour
constexpr char kAnchorColor[] = "Anchor Color";
constexpr char kAnchorColorVisited[] = "Anchor Color Visited";

inline bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
inline void PrintTo(const RECT& r, std::ostream* out) {
    *out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

// What the dialog was told: the message, wParam, and the sender, id and code
// (from lParam for WM_COMMAND, from the NMHDR for WM_NOTIFY).
using Told = std::tuple<UINT, WPARAM, HWND, UINT_PTR, UINT>;

// Dialog IDD_LINK_TEST, shown at the screen's top-left corner, destroyed with
// the object; it records the commands and notifications it gets.
class LinkDialog {
  public:
    LinkDialog()
        : dialog_(CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_LINK_TEST),
                                     nullptr, Proc, reinterpret_cast<LPARAM>(this))) {
        SetWindowPos(dialog_, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        UpdateWindow(dialog_);
    }
    ~LinkDialog() {
        if (IsWindow(dialog_)) DestroyWindow(dialog_);
    }
    LinkDialog(const LinkDialog&) = delete;
    LinkDialog& operator=(const LinkDialog&) = delete;

    HWND get() const { return dialog_; }

    std::vector<Told> told;

  private:
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto* self = reinterpret_cast<LinkDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (self == nullptr) return FALSE;
        if (message == WM_COMMAND) {
            self->told.push_back(
                {message, wParam, reinterpret_cast<HWND>(lParam), LOWORD(wParam), HIWORD(wParam)});
        } else if (message == WM_NOTIFY) {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            self->told.push_back({message, wParam, header->hwndFrom, header->idFrom, header->code});
        } else if (message == WM_CTLCOLORSTATIC) {
            SetTextColor(reinterpret_cast<HDC>(wParam), kPlainColor);
            SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            SetDCBrushColor(reinterpret_cast<HDC>(wParam), kBackground);
            return reinterpret_cast<INT_PTR>(GetStockObject(DC_BRUSH));
        }
        return message == WM_INITDIALOG || message == WM_COMMAND || message == WM_NOTIFY;
    }

    HWND dialog_;
};

// The pixels of a window's client area as WM_PRINTCLIENT draws them into a
// bitmap filled with magenta beforehand.
class Picture {
  public:
    explicit Picture(HWND window) {
        GetClientRect(window, &client_);
        BITMAPINFO info{};
        info.bmiHeader = {
            sizeof info.bmiHeader, client_.right, -client_.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        const HDC dc = CreateCompatibleDC(nullptr);
        const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        const HGDIOBJ old = SelectObject(dc, bitmap);
        SetDCBrushColor(dc, RGB(255, 0, 255));
        FillRect(dc, &client_, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
        SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        GdiFlush();
        // Blue, green, red and a spare byte each.
        const auto* bgr = static_cast<const BYTE*>(bits);
        for (int i = 0; bgr != nullptr && i < client_.right * client_.bottom; ++i, bgr += 4)
            pixels_.push_back(RGB(bgr[2], bgr[1], bgr[0]));
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    // Pixels of colour inside area, or in the whole picture.
    int Count(COLORREF colour, const RECT& area) const {
        RECT in{};
        int count = 0;
        IntersectRect(&in, &area, &client_);
        for (LONG y = in.top; y < in.bottom && !pixels_.empty(); ++y)
            for (LONG x = in.left; x < in.right; ++x)
                count += pixels_[y * client_.right + x] == colour;
        return count;
    }
    int Count(COLORREF colour) const { return Count(colour, client_); }
    // The most pixels of colour in one row of area: an underline fills one.
    int WidestRun(COLORREF colour, const RECT& area) const {
        int widest = 0;
        for (LONG y = area.top; y < area.bottom; ++y)
            widest = std::max(widest, Count(colour, RECT{area.left, y, area.right, y + 1}));
        return widest;
    }

  private:
    RECT client_{};
    std::vector<COLORREF> pixels_;
};

// The "Anchor Color" and "Anchor Color Visited" values of the current user's
// browser settings, removed for the life of the object: the tests run in a
// Wine prefix of their own, which nobody browses with. ctest runs test
// processes side by side, so the object holds a lock across processes.
class AnchorColors {
  public:
    AnchorColors() {
        // An abandoned lock is held all the same: its owner ended mid-test.
        const DWORD waited = WaitForSingleObject(mutex_, 120000);
        EXPECT_TRUE(waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
            << "the colour values stayed locked by another test";
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Settings", 0,
                        nullptr, 0, KEY_SET_VALUE, nullptr, &key_, nullptr);
        for (const char* name : {kAnchorColor, kAnchorColorVisited}) RegDeleteValueA(key_, name);
    }
    ~AnchorColors() {
        for (const char* name : {kAnchorColor, kAnchorColorVisited}) RegDeleteValueA(key_, name);
        RegCloseKey(key_);
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }
    AnchorColors(const AnchorColors&) = delete;
    AnchorColors& operator=(const AnchorColors&) = delete;

    // Text with its terminator as REG_SZ, or bare (REG_BINARY, or the
    // registry would add a NUL when it is read back); null removes the value.
    void Set(const char* name, const char* text, bool bare = false) {
        if (text == nullptr) {
            RegDeleteValueA(key_, name);
        } else {
            RegSetValueExA(key_, name, 0, bare ? REG_BINARY : REG_SZ,
                           reinterpret_cast<const BYTE*>(text),
                           static_cast<DWORD>(std::strlen(text) + (bare ? 0 : 1)));
        }
    }

  private:
    HANDLE mutex_ = CreateMutexA(nullptr, FALSE, "Local\\ZentrailHyperLinkTestColours");
    HKEY key_ = nullptr;
};

// Each test gets the colour values removed, two links and a fresh test
// dialog. The links outlive the dialog, as in the program: the dialog's end
// takes their windows with it.
class HyperLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SKIP_WITHOUT_DISPLAY();
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        dialog = std::make_unique<LinkDialog>();
        ASSERT_NE(nullptr, dialog->get());
    }

    HWND Static(int id) const { return GetDlgItem(dialog->get(), id); }
    static int ToolCount(const HyperLink& link) {
        return static_cast<int>(SendMessageA(link.Tooltip(), TTM_GETTOOLCOUNT, 0, 0));
    }
    // The centre of the link part, in the link's client coordinates, as a
    // mouse message's lParam; and a point of the control right of it (the
    // tests' link texts leave room there).
    static LPARAM InsideLink(const HyperLink& link) {
        const RECT& r = link.LinkRect();
        return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    static LPARAM OutsideLink(const HyperLink& link) {
        RECT client;
        GetClientRect(link.Handle(), &client);
        return MAKELPARAM(client.right - 2, (link.LinkRect().top + link.LinkRect().bottom) / 2);
    }

    AnchorColors colors;  // first made, last gone
    HyperLink link;
    HyperLink other;
    std::unique_ptr<LinkDialog> dialog;
};
