#pragma once
#include <windows.h>

#include "shell/control_window.h"

// Option bits of HyperLink::SetLinkStyle.
constexpr DWORD LINKSTYLE_NO_UNDERLINE = 0x01;        // link font without underline
constexpr DWORD LINKSTYLE_UNDERLINE_ON_HOVER = 0x02;  // link font only while hovered
constexpr DWORD LINKSTYLE_COMMAND = 0x04;             // a click sends WM_COMMAND to the parent
constexpr DWORD LINKSTYLE_NOTIFY = 0x0C;              // a click sends WM_NOTIFY NM_CLICK instead
constexpr DWORD LINKSTYLE_TAGS = 0x10;                // label split at <A> and </A>
constexpr DWORD LINKSTYLE_TAGS_BOLD = 0x30;           // tagged, link part bold, no underline
constexpr DWORD LINKSTYLE_NO_TOOLTIP = 0x40;          // mouse input not relayed to the tooltip

// The three parts of a tagged label "plain<A>link</A>tail": pointers into the
// label with lengths in bytes. A missing part is null with length 0; a link
// part opened but never closed starts after "<A>" with length 0.
struct LabelParts {
    const char* plain = nullptr;
    int plainLength = 0;
    const char* link = nullptr;
    int linkLength = 0;
    const char* tail = nullptr;
    int tailLength = 0;
};

// Splits a tagged label; the tags match without regard to case. Null gives
// three empty parts.
LabelParts SplitLabel(const char* text);

// Reads "red,green,blue" (decimal, only the low 8 bits of each kept) as a
// COLORREF, or 0xFFFFFFFF when it is not three parts. Writes NULs over the
// commas.
COLORREF ParseColorText(char* text);

// Turns an existing static control into a clickable link: it paints the label
// itself, shows a hand cursor and a tooltip over the link part, and opens the
// target through the shell (or tells the parent) on a click, Enter or Space.
class HyperLink : public ControlWindow {
  public:
    HyperLink();
    ~HyperLink();

    // Subclasses the static and sets the control up, adopting the static's
    // text as label and target when none is set. False when the window could
    // not be subclassed.
    bool Attach(HWND window);

    // With mask 0 the options become options, else only the mask bits are
    // replaced. Returns the previous options. Font options act only on a
    // later Setup.
    DWORD SetLinkStyle(DWORD options, DWORD mask = 0);

    // False only when the text could not be copied (the field is then null).
    bool SetLabelText(const char* text);
    // Each call registers one more tooltip tool for the new target.
    bool SetTarget(const char* text);

    // Recomputes linkRect from the label (or the target when there is none).
    bool MeasureLink();
    // Opens the target through the shell, or tells the parent in the
    // COMMAND and NOTIFY modes.
    bool OpenTarget();

    // --- State, for the owner.
    DWORD LinkStyle() const { return linkStyle; }
    const char* Label() const { return label; }
    const char* Target() const { return target; }
    const RECT& LinkRect() const { return linkRect; }
    COLORREF LinkColor() const { return linkColor; }
    COLORREF VisitedColor() const { return visitedColor; }
    bool IsVisited() const { return visited; }
    bool PaintsLabel() const { return paintsLabel; }
    HWND Tooltip() const { return tooltip; }
    HCURSOR HandCursor() const { return handCursor; }
    HFONT LinkFont() const { return linkFont; }
    HFONT NormalFont() const { return normalFont; }

    // --- Message map (hyper_link.cpp); the handlers follow below.
    BOOL HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                       DWORD section) override;

  private:
    void Setup();
    void MakeHandCursor();
    void MakeLinkFont();
    void MakeTooltip();
    void AdoptWindowText();
    void AddTool(const char* text);
    void ReadRegistryColors();
    bool IsLive() const;
    bool InLink(POINT point) const;
    COLORREF CurrentLinkColor() const;
    HFONT CurrentLinkFont() const;
    UINT AlignmentFlag() const;
    void Repaint(const RECT* area);

    // Message handlers: TRUE when they handled the message (result 0 unless
    // they set it).
    BOOL OnPaint(HDC given);
    BOOL OnMouseMove(LPARAM lParam);
    BOOL OnMouseLeave();
    BOOL OnSetCursor(LRESULT& result);
    BOOL OnLButtonDown(LPARAM lParam);
    BOOL OnLButtonUp(LPARAM lParam);
    BOOL OnChar(WPARAM character);
    BOOL OnFocusChange();
    BOOL OnEnable();
    BOOL OnSetFont(WPARAM font, LPARAM redraw);
    void OnDestroy();
    void RelayToTooltip(UINT message, WPARAM wParam, LPARAM lParam);
    void WatchMouseLeave();

    void Paint(HDC dc);
    void PaintBackground(HDC dc);
    void PaintLabel(HDC dc);
    void PaintTaggedLabel(HDC dc, const char* text);
    void PaintPlainLabel(HDC dc, const char* text);

    // --- Texts (owned heap copies).
    char* label = nullptr;   // with the tags in tagged mode
    char* target = nullptr;  // what a click opens

    // --- Drawing resources.
    HCURSOR handCursor = nullptr;
    HFONT linkFont = nullptr;
    HFONT normalFont = nullptr;  // the parent's; never deleted here
    RECT linkRect{};             // client coordinates; the only part that reacts to the mouse
    HWND tooltip = nullptr;      // destroyed on WM_DESTROY

    // --- Appearance.
    COLORREF linkColor = RGB(0, 0, 255);
    COLORREF visitedColor = RGB(128, 0, 128);
    DWORD linkStyle = 0;

    // --- State.
    bool paintsLabel : 1;   // false for statics that show a picture, frame or rectangle
    bool visited : 1;       // set by a successful open
    bool hovered : 1;       // pointer over the link part, hover-underline mode only
    bool ownsLinkFont : 1;  // linkFont made here, deleted with the control
};
