#include "about/hyper_link.h"

#include <commctrl.h>

#include <cstdint>
#include <cstdlib>

#include "shell/app_module.h"
#include "shell/window_long.h"

namespace {

// A heap copy of text, freed with free(). Null for null text, and null when
// the heap is exhausted.
char* CopyText(const char* text) {
    if (text == nullptr) return nullptr;
    auto* copy = static_cast<char*>(std::malloc(static_cast<std::size_t>(lstrlenA(text)) + 1));
    if (copy != nullptr) lstrcpyA(copy, text);
    return copy;
}

// Statics that show a picture, a frame or a rectangle paint themselves.
bool ShowsPicture(LONG style) {
    const LONG kind = style & 0xFF;
    return (kind >= SS_ICON && kind <= SS_WHITEFRAME) ||
           (kind >= SS_OWNERDRAW && kind <= SS_ENHMETAFILE);
}

}  // namespace

HyperLink::HyperLink() : paintsLabel(true), visited(false), hovered(false), ownsLinkFont(false) {
    SetRectEmpty(&linkRect);
}

HyperLink::~HyperLink() {
    // The window should be gone by now. Should it not be, give it back to
    // the static, so that it never calls into this object again.
    const HWND window = Handle();
    if (window != nullptr && IsWindow(window)) {
        if (tooltip != nullptr) DestroyWindow(tooltip);
        ReleaseWindow();
    }
    std::free(label);
    std::free(target);
    if (ownsLinkFont && linkFont != nullptr) DeleteObject(linkFont);
    if (handCursor != nullptr) {
        // The cursor in use cannot be destroyed: it would stay behind.
        if (GetCursor() == handCursor) SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        DestroyCursor(handCursor);
    }
}

bool HyperLink::Attach(HWND window) {
    if (!BindControl(window)) return false;
    Setup();
    return true;
}

DWORD HyperLink::SetLinkStyle(DWORD options, DWORD mask) {
    const DWORD previous = linkStyle;
    linkStyle = mask == 0 ? options : (linkStyle & ~mask) | (options & mask);
    return previous;
}

bool HyperLink::SetLabelText(const char* text) {
    std::free(label);
    label = CopyText(text);
    if (text != nullptr && label == nullptr) return false;
    if (IsWindow(Handle()) && (label != nullptr || target != nullptr)) MeasureLink();
    if (Handle() != nullptr) SetWindowTextA(Handle(), text);
    return true;
}

bool HyperLink::SetTarget(const char* text) {
    std::free(target);
    target = CopyText(text);
    if (text != nullptr && target == nullptr) return false;
    if (label == nullptr && IsWindow(Handle())) MeasureLink();
    AddTool(target);
    return true;
}

void HyperLink::Setup() {
    const HWND window = Handle();
    char className[8] = {};
    if (GetClassNameA(window, className, sizeof className) != 0 &&
        lstrcmpiA(className, "static") == 0) {
        const LONG style = GetWindowLongA(window, GWL_STYLE);
        // Without SS_NOTIFY a static lets mouse input through to its parent.
        if (!(style & SS_NOTIFY)) SetWindowLongA(window, GWL_STYLE, style | SS_NOTIFY);
        if (ShowsPicture(style)) paintsLabel = false;
    }
    MakeHandCursor();
    if (paintsLabel) {
        normalFont = reinterpret_cast<HFONT>(SendMessageA(GetParent(window), WM_GETFONT, 0, 0));
        if (normalFont == nullptr) normalFont = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
        MakeLinkFont();
    }
    MakeTooltip();
    AdoptWindowText();
    if (IsWindow(window) && (label != nullptr || target != nullptr)) MeasureLink();

    if (target != nullptr || (linkStyle & LINKSTYLE_COMMAND)) {
        AddTool(target);
    } else if (label != nullptr) {
        target = CopyText(label);
        if (target != nullptr) AddTool(target);
    }
    if (paintsLabel) ReadRegistryColors();
}

// The link part's font: the plain font, underlined, or bold in the bold
// tagged style. Made once; later option changes do not rebuild it.
void HyperLink::MakeLinkFont() {
    if (normalFont == nullptr || linkFont != nullptr) return;
    LOGFONTA font;
    ZeroMemory(&font, sizeof font);
    GetObjectA(normalFont, sizeof font, &font);
    if ((linkStyle & LINKSTYLE_TAGS_BOLD) == LINKSTYLE_TAGS_BOLD) {
        font.lfWeight = FW_BOLD;
    } else if (!(linkStyle & LINKSTYLE_NO_UNDERLINE)) {
        font.lfUnderline = TRUE;
    }
    linkFont = CreateFontIndirectA(&font);
    ownsLinkFont = true;
}

// Made in every mode; LINKSTYLE_NO_TOOLTIP only stops feeding it.
void HyperLink::MakeTooltip() {
    if (tooltip != nullptr) return;
    tooltip =
        CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, Handle(), nullptr, appModule.instance, nullptr);
}

// A static made with a text gets that text as its label.
void HyperLink::AdoptWindowText() {
    if (label != nullptr) return;
    const int length = GetWindowTextLengthA(Handle());
    if (length <= 0) return;
    auto* text = static_cast<char*>(std::malloc(static_cast<std::size_t>(length) + 1));
    if (text == nullptr) return;
    if (GetWindowTextA(Handle(), text, length + 1) != 0) SetLabelText(text);
    std::free(text);
}

// Every call adds a tool; earlier ones, with the same id, stay as they are.
void HyperLink::AddTool(const char* text) {
    if (tooltip == nullptr) return;
    SendMessageA(tooltip, TTM_ACTIVATE, TRUE, 0);
    TOOLINFOA tool;
    ZeroMemory(&tool, sizeof tool);
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = Handle();
    tool.uId = 1;
    tool.rect = linkRect;
    tool.hinst = appModule.instance;
    tool.lpszText = const_cast<char*>(text);
    SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

// The control's dispatch; the handlers are in hyper_link_input.cpp and
// hyper_link_paint.cpp. An exception from them is stopped at the window
// procedure, and the static then takes the message.
BOOL HyperLink::HandleMessage(HWND /*window*/, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result, DWORD section) {
    if (section != 0) return FALSE;
    if (message >= WM_MOUSEFIRST && message <= WM_MBUTTONDBLCLK) {
        RelayToTooltip(message, wParam, lParam);
    }
    result = 0;
    switch (message) {
        case WM_CREATE:
            Setup();
            return TRUE;
        case WM_DESTROY:
            OnDestroy();
            return FALSE;
        case WM_ERASEBKGND:
            result = 1;
            return TRUE;
        case WM_PAINT:
        case WM_PRINTCLIENT:
            return OnPaint(reinterpret_cast<HDC>(wParam));
        case WM_MOUSEMOVE:
            return OnMouseMove(lParam);
        case WM_MOUSELEAVE:
            return OnMouseLeave();
        case WM_SETCURSOR:
            return OnSetCursor(result);
        case WM_LBUTTONDOWN:
            return OnLButtonDown(lParam);
        case WM_LBUTTONUP:
            return OnLButtonUp(lParam);
        case WM_GETDLGCODE:
            result = DLGC_WANTCHARS;
            return TRUE;
        case WM_CHAR:
            return OnChar(wParam);
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            return OnFocusChange();
        case WM_ENABLE:
            return OnEnable();
        case WM_GETFONT:
            result = reinterpret_cast<LRESULT>(normalFont);
            return TRUE;
        case WM_SETFONT:
            return OnSetFont(wParam, lParam);
        case WM_UPDATEUISTATE:
            return TRUE;  // kept from the static
        default:
            return FALSE;
    }
}
