// Zentrail.exe as a file: the resources it carries and how it asks to be
// loaded.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app_driver.h"
#include "resource_check.h"

namespace {

using zentrail::drive::WindowsPath;
using namespace zentrail::res_check;

std::string Join(const Differences& differences) {
    std::string out;
    for (const std::string& d : differences) out += "\n  " + d;
    return out;
}

TEST(ProgramFile, CarriesExactlyTheProgramsResources) {
    const std::string path = WindowsPath(ZENTRAIL_EXE);
    const HMODULE module = LoadLibraryExA(
        path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(nullptr, module) << path << ": error " << GetLastError();
    const Differences d = CheckAll(module, path);
    FreeLibrary(module);
    EXPECT_TRUE(d.empty()) << Join(d);
}

// The headers of a PE file, copied out of its bytes.
struct Headers {
    IMAGE_FILE_HEADER file{};
    IMAGE_OPTIONAL_HEADER32 optional{};
};

bool ReadHeaders(const std::string& path, Headers& out) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    if (bytes.size() < sizeof(IMAGE_DOS_HEADER)) return false;
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, bytes.data(), sizeof dos);
    const auto at = static_cast<std::size_t>(dos.e_lfanew);
    if (dos.e_magic != IMAGE_DOS_SIGNATURE ||
        bytes.size() < at + 4 + sizeof out.file + sizeof out.optional) {
        return false;
    }
    std::uint32_t signature = 0;
    std::memcpy(&signature, bytes.data() + at, 4);
    std::memcpy(&out.file, bytes.data() + at + 4, sizeof out.file);
    std::memcpy(&out.optional, bytes.data() + at + 4 + sizeof out.file, sizeof out.optional);
    return signature == IMAGE_NT_SIGNATURE;
}

TEST(ProgramFile, IsA32BitGuiProgramWithDataExecutionPreventionAndRandomisedBase) {
    Headers headers;
    ASSERT_TRUE(ReadHeaders(WindowsPath(ZENTRAIL_EXE), headers));
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, headers.file.Machine);
    EXPECT_EQ(IMAGE_NT_OPTIONAL_HDR32_MAGIC, headers.optional.Magic);
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, headers.optional.Subsystem);
    const WORD wanted = IMAGE_DLLCHARACTERISTICS_NX_COMPAT | IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE;
    EXPECT_EQ(wanted, headers.optional.DllCharacteristics & wanted);
    // Relocations stay in, or the randomised base could not be used.
    EXPECT_EQ(0, headers.file.Characteristics & IMAGE_FILE_RELOCS_STRIPPED);
}

}  // namespace
