#include "shell/thunk_code.h"

#include <initializer_list>

namespace thunk_code {

namespace {

// Immediates are little-endian on both processors.
template <typename Word>
void PutLittleEndian(Code& code, Word value) {
    for (std::size_t i = 0; i < sizeof(Word); ++i) {
        code.bytes[code.size++] = static_cast<unsigned char>(value >> (8 * i));
    }
}

void PutBytes(Code& code, std::initializer_list<unsigned char> bytes) {
    for (const unsigned char byte : bytes) code.bytes[code.size++] = byte;
}

}  // namespace

Code AssembleI386(std::uint32_t at, std::uint32_t object, std::uint32_t target) {
    // Modular arithmetic gives the signed displacement's two's-complement
    // bits whichever way the jump goes.
    const std::uint32_t displacement = target - (at + static_cast<std::uint32_t>(kI386Size));
    Code code;
    PutBytes(code, {0xC7, 0x44, 0x24, 0x04});  // mov dword ptr [esp+4], imm32
    PutLittleEndian(code, object);
    PutBytes(code, {0xE9});  // jmp rel32
    PutLittleEndian(code, displacement);
    return code;
}

Code AssembleX64(std::uint64_t object, std::uint64_t target) {
    Code code;
    PutBytes(code, {0x48, 0xB9});  // mov rcx, imm64
    PutLittleEndian(code, object);
    PutBytes(code, {0x48, 0xB8});  // mov rax, imm64
    PutLittleEndian(code, target);
    PutBytes(code, {0xFF, 0xE0});  // jmp rax
    return code;
}

}  // namespace thunk_code
