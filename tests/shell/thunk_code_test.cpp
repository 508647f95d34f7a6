// The window thunks' machine code, both encodings on every build: byte by
// byte against the instruction set's tables, and natively also against a
// disassembler's reading of the same bytes.
#include "shell/thunk_code.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace {

using Bytes = std::vector<unsigned char>;

struct ThunkCase {
    const char* name;
    thunk_code::Code code;
    Bytes bytes;
    // objdump's machine, the address the code sits at, and the instructions
    // in Intel syntax with single spaces.
    const char* machine;
    std::uint64_t at;
    std::vector<std::string> instructions;
};

std::vector<ThunkCase> Cases() {
    return {
        {"I386JumpForward",
         thunk_code::AssembleI386(0x00401000u, 0x12345678u, 0x00402000u),
         {0xC7, 0x44, 0x24, 0x04, 0x78, 0x56, 0x34, 0x12, 0xE9, 0xF3, 0x0F, 0x00, 0x00},
         "i386",
         0x00401000u,
         {"mov DWORD PTR [esp+0x4],0x12345678", "jmp 0x402000"}},
        // A target below the code: the displacement is negative.
        {"I386JumpBackward",
         thunk_code::AssembleI386(0x10000000u, 0xCAFEF00Du, 0x00401000u),
         {0xC7, 0x44, 0x24, 0x04, 0x0D, 0xF0, 0xFE, 0xCA, 0xE9, 0xF3, 0x0F, 0x40, 0xF0},
         "i386",
         0x10000000u,
         {"mov DWORD PTR [esp+0x4],0xcafef00d", "jmp 0x401000"}},
        // Code at the top of the address space jumping low: the sum wraps.
        {"I386JumpAcrossTheTop",
         thunk_code::AssembleI386(0xFFFFFF00u, 0x00000001u, 0x00000010u),
         {0xC7, 0x44, 0x24, 0x04, 0x01, 0x00, 0x00, 0x00, 0xE9, 0x03, 0x01, 0x00, 0x00},
         "i386",
         0xFFFFFF00u,
         {"mov DWORD PTR [esp+0x4],0x1", "jmp 0x10"}},
        {"X64",
         thunk_code::AssembleX64(0x00007FF612345678u, 0x0000000140001000u),
         {0x48, 0xB9, 0x78, 0x56, 0x34, 0x12, 0xF6, 0x7F, 0x00, 0x00, 0x48,
          0xB8, 0x00, 0x10, 0x00, 0x40, 0x01, 0x00, 0x00, 0x00, 0xFF, 0xE0},
         "i386:x86-64",
         0x0000000180000000u,
         {"movabs rcx,0x7ff612345678", "movabs rax,0x140001000", "jmp rax"}},
        // Every bit of both immediates is carried.
        {"X64HighAddresses",
         thunk_code::AssembleX64(0xFFFF800000000001u, 0x8000000000000000u),
         {0x48, 0xB9, 0x01, 0x00, 0x00, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0x48,
          0xB8, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0xFF, 0xE0},
         "i386:x86-64",
         0,
         {"movabs rcx,0xffff800000000001", "movabs rax,0x8000000000000000", "jmp rax"}},
    };
}

void PrintTo(const ThunkCase& c, std::ostream* out) { *out << c.name; }

class ThunkCode : public ::testing::TestWithParam<ThunkCase> {};

TEST_P(ThunkCode, IsTheInstructionSetsEncoding) {
    const ThunkCase& c = GetParam();
    const Bytes assembled(c.code.bytes.begin(), c.code.bytes.begin() + c.code.size);
    EXPECT_EQ(c.bytes, assembled);
    const std::size_t expectedSize =
        std::string(c.machine) == "i386" ? thunk_code::kI386Size : thunk_code::kX64Size;
    EXPECT_EQ(expectedSize, c.code.size);
}

#if !defined(_WIN32)

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

TEST_P(ThunkCode, DisassemblesToTheIntendedInstructions) {
    const ThunkCase& c = GetParam();
    const Bytes assembled(c.code.bytes.begin(), c.code.bytes.begin() + c.code.size);
    EXPECT_EQ(c.instructions, Disassemble(assembled, c.machine, c.at));
}

#endif

INSTANTIATE_TEST_SUITE_P(Encodings, ThunkCode, ::testing::ValuesIn(Cases()),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
