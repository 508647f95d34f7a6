#include "loomkit/scoped_buffer.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "loomkit/decimal_text.h"

namespace loomkit {

scoped_buffer_base::~scoped_buffer_base() {
    if (data != nullptr) {
        std::free(data);
        data = nullptr;
    }
    size = 0;
}

bool scoped_buffer_base::Allocate(void* old, std::uint32_t new_size) {
    if (new_size == 0) {
        data = nullptr;
        size = 0;
        return false;
    }
    void* block = std::realloc(old, new_size);
    if (block == nullptr) {
        throw std::logic_error("scoped_buffer_base::Allocate() Output Memory" +
                               format_one_value("%d", new_size) + "byte");
    }
    data = static_cast<unsigned char*>(block);
    size = new_size;
    return true;
}

}  // namespace loomkit
