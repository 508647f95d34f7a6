#include "hyper_link_test_support.h"

#include <commctrl.h>

#include <algorithm>

#include "hyper_link_test_resources.h"
#include "test_support.h"

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
            owner->commands.push_back(
                {LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
            return TRUE;
        case WM_NOTIFY:
            owner->notifies.push_back({wParam, *reinterpret_cast<const NMHDR*>(lParam)});
            return TRUE;
        case WM_CTLCOLORSTATIC: {
            const auto dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, kPlainColor);
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<INT_PTR>(owner->background);
        }
        default:
            return FALSE;
    }
}

COLORREF FromDib(std::uint32_t pixel) {
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

}  // namespace

LinkDialog::LinkDialog()
    : background(CreateSolidBrush(kBackground)),
      dialog_(CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_LINK_TEST),
                                 nullptr, LinkDialogProc, reinterpret_cast<LPARAM>(this))) {
    if (dialog_ != nullptr) {
        SetWindowPos(dialog_, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
        ShowWindow(dialog_, SW_SHOWNORMAL);
        UpdateWindow(dialog_);
    }
}

LinkDialog::~LinkDialog() {
    Destroy();
    DeleteObject(background);
}

void LinkDialog::Destroy() {
    if (dialog_ != nullptr && IsWindow(dialog_)) DestroyWindow(dialog_);
    dialog_ = nullptr;
}

Picture Picture::Print(HWND window, COLORREF fill) {
    return Draw(window, fill, WM_PRINTCLIENT, PRF_CLIENT);
}

Picture Picture::Draw(HWND window, COLORREF fill, UINT message, WPARAM flags, LRESULT* result) {
    Picture picture;
    RECT client;
    GetClientRect(window, &client);
    picture.width_ = client.right;
    picture.height_ = client.bottom;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width_;
    info.bmiHeader.biHeight = -picture.height_;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dc == nullptr || bitmap == nullptr) {
        if (bitmap != nullptr) DeleteObject(bitmap);
        if (dc != nullptr) DeleteDC(dc);
        picture.width_ = picture.height_ = 0;
        return picture;
    }
    const HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    const HBRUSH brush = CreateSolidBrush(fill);
    FillRect(dc, &client, brush);
    DeleteObject(brush);

    const LRESULT answer =
        SendMessageA(window, message, reinterpret_cast<WPARAM>(dc), static_cast<LPARAM>(flags));
    if (result != nullptr) *result = answer;
    GdiFlush();

    const auto* data = static_cast<const std::uint32_t*>(bits);
    picture.pixels_.reserve(static_cast<std::size_t>(picture.width_) * picture.height_);
    for (int i = 0; i < picture.width_ * picture.height_; ++i) {
        picture.pixels_.push_back(FromDib(data[i]));
    }
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return picture;
}

COLORREF Picture::At(int x, int y) const {
    return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

int Picture::Count(COLORREF colour, const RECT& area) const {
    int count = 0;
    for (int y = std::max<int>(0, area.top); y < std::min<int>(height_, area.bottom); ++y) {
        for (int x = std::max<int>(0, area.left); x < std::min<int>(width_, area.right); ++x) {
            if (At(x, y) == colour) ++count;
        }
    }
    return count;
}

int Picture::Count(COLORREF colour) const { return Count(colour, RECT{0, 0, width_, height_}); }

int Picture::CountOutside(COLORREF colour, const RECT& area) const {
    return Count(colour) - Count(colour, area);
}

int Picture::CountOther(COLORREF colour) const { return width_ * height_ - Count(colour); }

int Picture::WidestRun(COLORREF colour, const RECT& area) const {
    int widest = 0;
    for (int y = std::max<int>(0, area.top); y < std::min<int>(height_, area.bottom); ++y) {
        widest = std::max(widest, Count(colour, RECT{area.left, y, area.right, y + 1}));
    }
    return widest;
}

namespace {

const char kSettingsKey[] = "Software\\Microsoft\\Internet Explorer\\Settings";
const char* const kNames[2] = {kAnchorColor, kAnchorColorVisited};

}  // namespace

AnchorColorLock::AnchorColorLock()
    : mutex_(CreateMutexA(nullptr, FALSE, "Local\\ZentrailHyperLinkTestColours")) {
    if (mutex_ == nullptr) {
        ADD_FAILURE() << "no lock for the colour values: " << GetLastError();
        return;
    }
    // An abandoned lock is held all the same; its owner ended mid-test.
    const DWORD waited = WaitForSingleObject(mutex_, 120000);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    if (!held_) ADD_FAILURE() << "the colour values stayed locked by another test";
}

AnchorColorLock::~AnchorColorLock() {
    if (held_) ReleaseMutex(mutex_);
    if (mutex_ != nullptr) CloseHandle(mutex_);
}

AnchorColorValues::AnchorColorValues() {
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_) !=
        ERROR_SUCCESS) {
        key_ = nullptr;  // made on the first value set, and deleted again
        return;
    }
    for (int i = 0; i < 2; ++i) {
        DWORD size = 0;
        if (RegQueryValueExA(key_, kNames[i], nullptr, &saved_[i].type, nullptr, &size) !=
            ERROR_SUCCESS) {
            continue;
        }
        saved_[i].data.resize(size);
        if (RegQueryValueExA(key_, kNames[i], nullptr, &saved_[i].type, saved_[i].data.data(),
                             &size) == ERROR_SUCCESS) {
            saved_[i].present = true;
            RegDeleteValueA(key_, kNames[i]);
        }
    }
}

AnchorColorValues::~AnchorColorValues() {
    if (key_ == nullptr) return;
    for (int i = 0; i < 2; ++i) {
        RegDeleteValueA(key_, kNames[i]);
        if (saved_[i].present) {
            RegSetValueExA(key_, kNames[i], 0, saved_[i].type, saved_[i].data.data(),
                           static_cast<DWORD>(saved_[i].data.size()));
        }
    }
    RegCloseKey(key_);
    if (keyCreated_) RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
}

void AnchorColorValues::SetText(const char* name, const std::string& text) {
    SetBytes(name, std::string(text.c_str(), text.size() + 1));
}

void AnchorColorValues::SetBytes(const char* name, const std::string& bytes) {
    if (key_ == nullptr) {
        DWORD disposition = 0;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_,
                            &disposition) != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        keyCreated_ = disposition == REG_CREATED_NEW_KEY;
    }
    // A value without its terminator goes in as binary: the registry would
    // otherwise add one when it is read back as text.
    const bool terminated = !bytes.empty() && bytes.back() == '\0';
    RegSetValueExA(key_, name, 0, terminated ? REG_SZ : REG_BINARY,
                   reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
}

void AnchorColorValues::Remove(const char* name) {
    if (key_ != nullptr) RegDeleteValueA(key_, name);
}

void HyperLinkTest::SetUp() {
    SKIP_WITHOUT_DISPLAY();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    dialog = std::make_unique<LinkDialog>();
    ASSERT_NE(nullptr, dialog->get());
}

HWND HyperLinkTest::MakeStatic(DWORD style, const char* text, RECT place) {
    const HWND window =
        CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | style, place.left, place.top,
                        place.right - place.left, place.bottom - place.top, dialog->get(), nullptr,
                        GetModuleHandleA(nullptr), nullptr);
    SendMessageA(window, WM_SETFONT, SendMessageA(dialog->get(), WM_GETFONT, 0, 0), FALSE);
    return window;
}

int HyperLinkTest::ToolCount(const HyperLink& hyperLink) {
    if (hyperLink.Tooltip() == nullptr) return -1;
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
