// The window thunks' machine code, both encodings, as a disassembler reads
// it back: the instructions meant, nothing before, between or after them.
// Native only; the Windows builds run their own thunk in the window tests.
#include "shell/thunk_code.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// objdump's listing of the bytes, instructions joined by "; ", spaces squeezed.
std::string Disassemble(const Bytes& bytes, const char* machine, std::uint64_t at) {
    char path[] = "/tmp/zentrail-thunk-XXXXXX";
    const int fd = mkstemp(path);
    EXPECT_EQ(static_cast<ssize_t>(bytes.size()), write(fd, bytes.data(), bytes.size()));
    close(fd);
    std::ostringstream command;
    command << OBJDUMP << " -D --no-show-raw-insn -b binary -M intel -m " << machine
            << " --adjust-vma=0x" << std::hex << at << " " << path << " 2>&1";
    std::string instructions;
    FILE* pipe = popen(command.str().c_str(), "r");
    char line[512];
    while (pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr) {
        // "  addr:\tinstruction\n"
        const char* tab = std::strstr(line, ":\t");
        if (tab == nullptr) continue;
        std::istringstream words(tab + 2);
        std::string word, instruction;
        while (words >> word) instruction += (instruction.empty() ? "" : " ") + word;
        instructions += (instructions.empty() ? "" : "; ") + instruction;
    }
    EXPECT_TRUE(pipe != nullptr && pclose(pipe) == 0) << command.str();
    unlink(path);
    return instructions;
}

struct ThunkCase {
    const char* machine;  // objdump's
    std::uint64_t at;     // where the code sits
    thunk_code::Code code;
    const char* instructions;
};

TEST(ThunkCode, DisassemblesToTheIntendedInstructions) {
    const ThunkCase cases[] = {
        {"i386", 0x00401000u, thunk_code::AssembleI386(0x00401000u, 0x12345678u, 0x00402000u),
         "mov DWORD PTR [esp+0x4],0x12345678; jmp 0x402000"},
        // Code at the top of the address space jumping low: the displacement is
        // negative and the sum wraps.
        {"i386", 0xFFFFFF00u, thunk_code::AssembleI386(0xFFFFFF00u, 1u, 0x10u),
         "mov DWORD PTR [esp+0x4],0x1; jmp 0x10"},
        // Every bit of both immediates is carried.
        {"i386:x86-64", 0, thunk_code::AssembleX64(0xFFFF800000000001u, 0x8000000000000000u),
         "movabs rcx,0xffff800000000001; movabs rax,0x8000000000000000; jmp rax"},
    };
    for (const ThunkCase& c : cases) {
        const Bytes assembled(c.code.bytes.begin(), c.code.bytes.begin() + c.code.size);
        EXPECT_EQ(c.instructions, Disassemble(assembled, c.machine, c.at)) << c.at;
    }
}

}  // namespace
