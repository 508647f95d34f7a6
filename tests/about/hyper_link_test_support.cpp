#include "hyper_link_test_support.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "test_support.h"
#include "window_test_resources.h"

const char kAnchorColor[] = "Anchor Color";
const char kAnchorColorVisited[] = "Anchor Color Visited";

namespace {

INT_PTR CALLBACK LinkDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return TRUE;
    }
    auto* owner = reinterpret_cast<LinkDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (owner == nullptr) return FALSE;
    switch (message) {
        case WM_COMMAND:
            owner->told.push_back(
                {message, wParam, reinterpret_cast<HWND>(lParam), LOWORD(wParam), HIWORD(wParam)});
            return TRUE;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            owner->told.push_back(
                {message, wParam, header->hwndFrom, header->idFrom, header->code});
            return TRUE;
        }
        case WM_CTLCOLORSTATIC:
            SetTextColor(reinterpret_cast<HDC>(wParam), kPlainColor);
            SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            return reinterpret_cast<INT_PTR>(owner->background);
        default:
            return FALSE;
    }
}

const char kSettingsKey[] = "Software\\Microsoft\\Internet Explorer\\Settings";
const char* const kNames[2] = {kAnchorColor, kAnchorColorVisited};

}  // namespace

LinkDialog::LinkDialog()
    : background(CreateSolidBrush(kBackground)),
      dialog_(CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_LINK_TEST),
                                 nullptr, LinkDialogProc, reinterpret_cast<LPARAM>(this))) {
    SetWindowPos(dialog_, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    UpdateWindow(dialog_);
}

LinkDialog::~LinkDialog() {
    Destroy();
    DeleteObject(background);
}

void LinkDialog::Destroy() {
    if (IsWindow(dialog_)) DestroyWindow(dialog_);
    dialog_ = nullptr;
}

Picture::Picture(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    width_ = client.right;
    height_ = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    const HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(dc, &client, magenta);
    DeleteObject(magenta);
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    GdiFlush();
    for (int i = 0; bits != nullptr && i < width_ * height_; ++i) {
        const DWORD pixel = static_cast<const DWORD*>(bits)[i];
        pixels_.push_back(RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF));
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

int Picture::Count(COLORREF colour, const RECT& area) const {
    if (pixels_.empty()) return 0;
    int count = 0;
    for (int y = std::max<int>(0, area.top); y < std::min<int>(height_, area.bottom); ++y) {
        for (int x = std::max<int>(0, area.left); x < std::min<int>(width_, area.right); ++x) {
            count += pixels_[static_cast<std::size_t>(y) * width_ + x] == colour;
        }
    }
    return count;
}

int Picture::WidestRun(COLORREF colour, const RECT& area) const {
    int widest = 0;
    for (LONG y = area.top; y < area.bottom; ++y) {
        widest = std::max(widest, Count(colour, RECT{area.left, y, area.right, y + 1}));
    }
    return widest;
}

AnchorColors::AnchorColors()
    : mutex_(CreateMutexA(nullptr, FALSE, "Local\\ZentrailHyperLinkTestColours")) {
    // An abandoned lock is held all the same: its owner ended mid-test.
    const DWORD waited = WaitForSingleObject(mutex_, 120000);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        ADD_FAILURE() << "the colour values stayed locked by another test";
    }
    RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key_,
                    nullptr);
    for (const char* name : kNames) RegDeleteValueA(key_, name);
}

AnchorColors::~AnchorColors() {
    for (const char* name : kNames) RegDeleteValueA(key_, name);
    RegCloseKey(key_);
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
}

void AnchorColors::Set(const char* name, const char* text, bool bare) {
    if (text == nullptr) {
        RegDeleteValueA(key_, name);
        return;
    }
    RegSetValueExA(key_, name, 0, bare ? REG_BINARY : REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(std::strlen(text) + (bare ? 0 : 1)));
}

void HyperLinkTest::SetUp() {
    SKIP_WITHOUT_DISPLAY();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    dialog = std::make_unique<LinkDialog>();
    ASSERT_NE(nullptr, dialog->get());
}

int HyperLinkTest::ToolCount(const HyperLink& hyperLink) {
    return static_cast<int>(SendMessageA(hyperLink.Tooltip(), TTM_GETTOOLCOUNT, 0, 0));
}

LPARAM HyperLinkTest::InsideLink(const HyperLink& hyperLink) {
    const RECT& r = hyperLink.LinkRect();
    return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

LPARAM HyperLinkTest::OutsideLink(const HyperLink& hyperLink) {
    RECT client;
    GetClientRect(hyperLink.Handle(), &client);
    const RECT& r = hyperLink.LinkRect();
    // Right of the link part when there is room, else below it.
    if (client.right - r.right >= 4) return MAKELPARAM(client.right - 2, (r.top + r.bottom) / 2);
    return MAKELPARAM((r.left + r.right) / 2, client.bottom - 1);
}
