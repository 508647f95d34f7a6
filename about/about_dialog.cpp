#include "about/about_dialog.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "loomkit/assertion.h"
#include "loomkit/decimal_text.h"
#include "res/about_text.h"
#include "res/resource_ids.h"
#include "shell/app_module.h"

namespace {

// Where the published VS_VERSIONINFO layout puts the fixed file information:
// three 16-bit header words, the UTF-16 key "VS_VERSION_INFO" with its
// terminator, padding to 4 bytes.
constexpr std::size_t kFixedInfoOffset = 40;
constexpr WORD kVersionResourceId = 1;

constexpr char kVersionPrefix[] = "Zentrail Version: ";

// Labels are tagged: only the part between <a> and </a> is the link.
constexpr char kWeblogLabel[] = "author weblog : <a>" ZENTRAIL_WEBLOG_SHOWN "</a>";
constexpr char kBooklogLabel[] = "booklog : <a>" ZENTRAIL_BOOKLOG_ADDRESS "</a>";
constexpr char kShopLabel[] = "author shop : <a>" ZENTRAIL_SHOP_ADDRESS "</a>";

constexpr INT_PTR kEndedWithOk = IDOK;
constexpr INT_PTR kEndedWithCancel = IDCANCEL;

}  // namespace

bool ReadVersionText(std::string& text, HINSTANCE instance) {
    const HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(kVersionResourceId), RT_VERSION);
    if (found == nullptr) return false;
    const HGLOBAL loaded = LoadResource(instance, found);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) return false;
    // A resource too short for the fixed information would be read past its
    // end.
    if (SizeofResource(instance, found) < kFixedInfoOffset + sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, static_cast<const unsigned char*>(data) + kFixedInfoOffset, sizeof info);

    const std::uint32_t parts[] = {HIWORD(info.dwFileVersionMS), LOWORD(info.dwFileVersionMS),
                                   HIWORD(info.dwFileVersionLS), LOWORD(info.dwFileVersionLS)};
    std::string version;
    for (std::size_t i = 0; i < std::size(parts); ++i) {
        if (i != 0) version += " . ";
        version += loomkit::to_decimal_text(parts[i]);
    }
    text += version;
    return true;
}

AboutDialog::AboutDialog() : DialogWindow(IDD_ABOUT) {}

BOOL AboutDialog::HandleMessage(HWND /*window*/, UINT message, WPARAM wParam, LPARAM /*lParam*/,
                                LRESULT& result, DWORD section) {
    if (section != 0) return FALSE;
    switch (message) {
        case WM_INITDIALOG:
            result = HandleInitDialog();
            return TRUE;
        case WM_COMMAND:
            // The notification code does not matter, only the command.
            switch (LOWORD(wParam)) {
                case IDOK:
                    EndDialog(Handle(), kEndedWithOk);
                    break;
                case IDCANCEL:
                    EndDialog(Handle(), kEndedWithCancel);
                    break;
                default:
                    return FALSE;
            }
            result = 0;
            return TRUE;
        default:
            return FALSE;
    }
}

LRESULT AboutDialog::HandleInitDialog() {
    // Over the window it was opened from, while that is on screen.
    PlaceCentred(GetParent(Handle()));
    const HWND versionStatic = GetDlgItem(Handle(), IDC_VERSION_TEXT);

    std::string version;
    if (!ReadVersionText(version, appModule.instance)) {
        // The box still opens, with its template texts and no links.
        loomkit::show_message("%s", "failed get version");
        return -1;
    }
    // "2 . 0 . 0 . 1" reads 2.0.0.1 on the box.
    version.erase(std::remove(version.begin(), version.end(), ' '), version.end());
    const std::string shown = kVersionPrefix + version + "\n" ZENTRAIL_COPYRIGHT_LINE;
    SetWindowTextA(versionStatic, shown.c_str());

    // The first line shows one address and opens another.
    SetUpLink(weblogLink, IDC_WEBLOG_LINK, kWeblogLabel, ZENTRAIL_WEBLOG_OPENED);
    SetUpLink(booklogLink, IDC_BOOKLOG_LINK, kBooklogLabel, ZENTRAIL_BOOKLOG_ADDRESS);
    SetUpLink(shopLink, IDC_SHOP_LINK, kShopLabel, ZENTRAIL_SHOP_ADDRESS);
    return TRUE;
}

void AboutDialog::SetUpLink(HyperLink& link, int staticId, const char* label, const char* target) {
    // A link that cannot attach only keeps its texts; the line stays plain.
    link.Attach(GetDlgItem(Handle(), staticId));
    link.SetLinkStyle(LINKSTYLE_TAGS, 0);
    link.SetLabelText(label);
    link.SetTarget(target);
}
