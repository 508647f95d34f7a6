#pragma once
// The machine code of a window thunk, assembled as plain bytes. No platform
// headers: the native tests check every encoding byte by byte and against a
// disassembler, whatever processor they run on.
#include <array>
#include <cstddef>
#include <cstdint>

namespace thunk_code {

// Enough for the longest encoding.
constexpr std::size_t kCapacity = 24;

struct Code {
    std::array<unsigned char, kCapacity> bytes{};
    std::size_t size = 0;
};

// i386, stdcall, 13 bytes; the object replaces the window-handle argument on
// the stack and the jump is relative to the end of the code at address at:
//     mov dword ptr [esp+4], <object>   ; C7 44 24 04 <object>
//     jmp <target>                      ; E9 <target - (at + 13)>
constexpr std::size_t kI386Size = 13;
Code AssembleI386(std::uint32_t at, std::uint32_t object, std::uint32_t target);

// x86-64, where the first argument travels in rcx, 22 bytes and independent
// of where they are placed:
//     mov rcx, <object>   ; 48 B9 <object>
//     mov rax, <target>   ; 48 B8 <target>
//     jmp rax             ; FF E0
constexpr std::size_t kX64Size = 22;
Code AssembleX64(std::uint64_t object, std::uint64_t target);

}  // namespace thunk_code
