#pragma once
#include <windows.h>

#include <string>

#include "about/hyper_link.h"
#include "shell/dialog_window.h"

// Appends the file version of instance's version resource (id 1) as
// "2 . 0 . 0 . 1": four unsigned decimal numbers joined by " . ". False, with
// text unchanged, when there is no version resource or it is too short to
// hold the fixed file information.
bool ReadVersionText(std::string& text, HINSTANCE instance);

// The modal About box (template 100): the program's version, the copyright
// line and three link lines. Made afresh for every run, so each run starts
// with unvisited links. OK and Enter end the run with 1, Esc and the close
// box with 2.
class AboutDialog final : public DialogWindow {
  public:
    AboutDialog();
    ~AboutDialog() = default;

    BOOL HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                       DWORD section) override;

  private:
    // The result for the dialog manager: non-zero either way, so that it
    // sets the default focus.
    LRESULT HandleInitDialog();
    void SetUpLink(HyperLink& link, int staticId, const char* label, const char* target);

    HyperLink weblogLink;
    HyperLink booklogLink;
    HyperLink shopLink;
};
