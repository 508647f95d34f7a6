#pragma once
#include <cstdint>

namespace loomkit {

// A byte block on the C heap, released when the owner goes out of scope.
// Exhaustion is reported by a std::logic_error naming the size, never by null.
class scoped_buffer_base {
  public:
    scoped_buffer_base() = default;
    virtual ~scoped_buffer_base();
    scoped_buffer_base(const scoped_buffer_base&) = delete;
    scoped_buffer_base& operator=(const scoped_buffer_base&) = delete;

    // Resizes old (a C-heap block or null) to exactly size bytes and takes it.
    // false, with no block, when size is 0.
    bool Allocate(void* old, std::uint32_t size);

    unsigned char* data = nullptr;
    std::uint32_t size = 0;
};

}  // namespace loomkit
