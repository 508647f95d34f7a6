#include "shell/window_thunk.h"

#include <cstring>

namespace {

thunk_code::Code Assemble(const unsigned char* at, const void* object, ThunkTarget target) {
    const auto objectAddress = reinterpret_cast<std::uintptr_t>(object);
    const auto targetAddress = reinterpret_cast<std::uintptr_t>(target);
#if defined(__x86_64__)
    static_cast<void>(at);  // the encoding does not depend on its place
    return thunk_code::AssembleX64(objectAddress, targetAddress);
#else
    return thunk_code::AssembleI386(reinterpret_cast<std::uintptr_t>(at), objectAddress,
                                    targetAddress);
#endif
}

}  // namespace

WindowThunk::~WindowThunk() {
    if (code_ != nullptr) VirtualFree(code_, 0, MEM_RELEASE);
}

bool WindowThunk::Write(const void* object, ThunkTarget target) {
    if (code_ == nullptr) {
        code_ = static_cast<unsigned char*>(
            VirtualAlloc(nullptr, kSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        if (code_ == nullptr) return false;
    } else {
        if (executable_ &&
            std::memcmp(code_, Assemble(code_, object, target).bytes.data(), kSize) == 0) {
            return true;
        }
        if (!SetProtection(PAGE_READWRITE)) return false;
    }
    executable_ = false;
    const thunk_code::Code code = Assemble(code_, object, target);
    std::memcpy(code_, code.bytes.data(), kSize);
    if (!SetProtection(PAGE_EXECUTE_READ)) return false;
    FlushInstructionCache(GetCurrentProcess(), code_, kSize);
    executable_ = true;
    return true;
}

bool WindowThunk::SetProtection(DWORD protection) {
    DWORD previous = 0;
    return VirtualProtect(code_, kSize, protection, &previous) != FALSE;
}

WNDPROC WindowThunk::AsWindowProc() const { return reinterpret_cast<WNDPROC>(code_); }

DLGPROC WindowThunk::AsDialogProc() const { return reinterpret_cast<DLGPROC>(code_); }
