#include "loomkit/window_text_win32.h"

namespace loomkit {

namespace {

class window_text_source : public text_source {
  public:
    explicit window_text_source(HWND window) : window_(window) {}

    std::int32_t TextLength() const override { return GetWindowTextLengthA(window_); }
    void CopyText(char* buffer, std::int32_t size) const override {
        GetWindowTextA(window_, buffer, size);
    }

  private:
    HWND window_;
};

}  // namespace

bool window_text_to_string(HWND window, std::string& out) {
    return window_text_to_string(window_text_source(window), out);
}

}  // namespace loomkit
