// The window thunks' machine code, both encodings, as a disassembler reads
// it back: the instructions meant, nothing before, between or after them.
// Native only; the Windows builds run their own thunk in the window tests.
#include "shell/thunk_code.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// The instruction column of objdump's listing, one entry per instruction,
// with runs of spaces made one.
std::vector<std::string> Disassemble(const Bytes& bytes, const char* machine, std::uint64_t at) {
    char path[] = "/tmp/zentrail-thunk-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) {
        ADD_FAILURE() << "no temporary file";
        return {};
    }
    const bool written =
        write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    close(fd);
    EXPECT_TRUE(written);
    std::ostringstream command;
    command << OBJDUMP << " -D -b binary -M intel -m " << machine << " --adjust-vma=0x" << std::hex
            << at << " " << path << " 2>&1";
    std::vector<std::string> instructions;
    std::string listing;
    if (FILE* pipe = popen(command.str().c_str(), "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, pipe) != nullptr) {
            listing += line;
            // "  addr:\tbytes\tinstruction\n"; continuation lines have no
            // second tab.
            std::string text(line);
            const std::size_t first = text.find(":\t");
            const std::size_t second =
                first == std::string::npos ? first : text.find('\t', first + 2);
            if (second == std::string::npos) continue;
            std::string instruction;
            for (const char ch : text.substr(second + 1)) {
                if (ch == '\n') break;
                if (ch == ' ' && (instruction.empty() || instruction.back() == ' ')) continue;
                instruction += ch;
            }
            while (!instruction.empty() && instruction.back() == ' ') instruction.pop_back();
            instructions.push_back(instruction);
        }
        EXPECT_EQ(0, pclose(pipe)) << command.str() << "\n" << listing;
    } else {
        ADD_FAILURE() << "cannot run " << command.str();
    }
    unlink(path);
    return instructions;
}

struct ThunkCase {
    const char* name;
    thunk_code::Code code;
    const char* machine;  // objdump's
    std::uint64_t at;     // where the code sits
    std::vector<std::string> instructions;
};

TEST(ThunkCode, DisassemblesToTheIntendedInstructions) {
    const ThunkCase cases[] = {
        {"i386 forward",
         thunk_code::AssembleI386(0x00401000u, 0x12345678u, 0x00402000u),
         "i386",
         0x00401000u,
         {"mov DWORD PTR [esp+0x4],0x12345678", "jmp 0x402000"}},
        // A target below the code: the displacement is negative.
        {"i386 backward",
         thunk_code::AssembleI386(0x10000000u, 0xCAFEF00Du, 0x00401000u),
         "i386",
         0x10000000u,
         {"mov DWORD PTR [esp+0x4],0xcafef00d", "jmp 0x401000"}},
        // Code at the top of the address space jumping low: the sum wraps.
        {"i386 across the top",
         thunk_code::AssembleI386(0xFFFFFF00u, 1u, 0x10u),
         "i386",
         0xFFFFFF00u,
         {"mov DWORD PTR [esp+0x4],0x1", "jmp 0x10"}},
        {"x64",
         thunk_code::AssembleX64(0x00007FF612345678u, 0x0000000140001000u),
         "i386:x86-64",
         0x180000000u,
         {"movabs rcx,0x7ff612345678", "movabs rax,0x140001000", "jmp rax"}},
        // Every bit of both immediates is carried.
        {"x64 high addresses",
         thunk_code::AssembleX64(0xFFFF800000000001u, 0x8000000000000000u),
         "i386:x86-64",
         0,
         {"movabs rcx,0xffff800000000001", "movabs rax,0x8000000000000000", "jmp rax"}},
    };
    for (const ThunkCase& c : cases) {
        const Bytes assembled(c.code.bytes.begin(), c.code.bytes.begin() + c.code.size);
        EXPECT_EQ(c.instructions, Disassemble(assembled, c.machine, c.at)) << c.name;
    }
}

}  // namespace
