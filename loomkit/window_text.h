#pragma once
#include <cstdint>
#include <string>

namespace loomkit {

// Where a control's 8-bit text comes from: its length, then a terminated copy
// into a buffer of a given size. The Win32 form reads a window handle.
class text_source {
  public:
    virtual ~text_source() = default;
    virtual std::int32_t TextLength() const = 0;
    virtual void CopyText(char* buffer, std::int32_t size) const = 0;
};

// The text into out, up to its first NUL (a negative length counts as 0).
// Always true: a buffer that cannot be had throws std::logic_error from
// scoped_buffer_base::Allocate, with out unchanged.
bool window_text_to_string(const text_source& source, std::string& out);

}  // namespace loomkit
