#include "shell/window_thunk.h"

#include <array>
#include <cstring>

namespace {

using ThunkCode = std::array<unsigned char, WindowThunk::kSize>;

ThunkCode Assemble(const unsigned char* at, const void* object, ThunkTarget target) {
    const auto objectAddress = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(object));
    const auto targetAddress = reinterpret_cast<std::uintptr_t>(target);
    const auto next = reinterpret_cast<std::uintptr_t>(at) + WindowThunk::kSize;
    // Modular arithmetic gives the signed displacement's two's-complement
    // bits whichever way the jump goes.
    const auto displacement = static_cast<std::uint32_t>(targetAddress - next);

    ThunkCode code = {0xC7, 0x44, 0x24, 0x04};  // mov dword ptr [esp+4], imm32
    std::memcpy(&code[4], &objectAddress, 4);
    code[8] = 0xE9;  // jmp rel32
    std::memcpy(&code[9], &displacement, 4);
    return code;
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
        if (executable_ && std::memcmp(code_, Assemble(code_, object, target).data(), kSize) == 0) {
            return true;
        }
        if (!SetProtection(PAGE_READWRITE)) return false;
    }
    executable_ = false;
    const ThunkCode code = Assemble(code_, object, target);
    std::memcpy(code_, code.data(), kSize);
    if (!SetProtection(PAGE_EXECUTE_READ)) return false;
    FlushInstructionCache(GetCurrentProcess(), code_, kSize);
    executable_ = true;
    return true;
}

bool WindowThunk::SetProtection(DWORD protection) {
    DWORD previous = 0;
    return VirtualProtect(code_, kSize, protection, &previous) != FALSE;
}

WNDPROC WindowThunk::AsWindowProc() const {
    return reinterpret_cast<WNDPROC>(reinterpret_cast<std::uintptr_t>(code_));
}

DLGPROC WindowThunk::AsDialogProc() const {
    return reinterpret_cast<DLGPROC>(reinterpret_cast<std::uintptr_t>(code_));
}
