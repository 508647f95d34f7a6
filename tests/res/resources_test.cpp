// Zentrail.exe's resources, read back from the built program loaded as a
// data file; and the loader's own reading of the manifest.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app_driver.h"
#include "res/about_text.h"
#include "version.h"

namespace {

constexpr WORD kUsEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

struct Bytes {
    const BYTE* data = nullptr;
    std::size_t size = 0;
};

// Little-endian fields of resource bytes; reading past the end fails the test
// and gives zeros.
class Reader {
  public:
    explicit Reader(Bytes bytes) : bytes_(bytes) {}

    std::uint16_t U16() {
        if (pos_ + 2 > bytes_.size) {
            ADD_FAILURE() << "read past the end, at byte " << pos_;
            return 0;
        }
        pos_ += 2;
        return static_cast<std::uint16_t>(bytes_.data[pos_ - 2] | bytes_.data[pos_ - 1] << 8);
    }
    std::uint32_t U32() {
        const std::uint32_t low = U16();
        return low | std::uint32_t{U16()} << 16;
    }
    std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
    void AlignTo4() { pos_ = std::min((pos_ + 3) & ~std::size_t{3}, bytes_.size); }
    // A name-or-ordinal field, as ASCII: "#N" for ordinal N, else the text.
    std::string Text() {
        std::uint16_t unit = U16();
        if (unit == 0xFFFF) return "#" + std::to_string(U16());
        std::string out;
        for (; unit != 0; unit = U16()) out += static_cast<char>(unit);
        return out;
    }

  private:
    Bytes bytes_;
    std::size_t pos_ = 0;
};

std::string Number(LPCSTR name) {
    return IS_INTRESOURCE(name) ? std::to_string(reinterpret_cast<std::uintptr_t>(name)) : name;
}

// "type name language" per resource; the names of icon images are the
// resource compiler's to choose.
BOOL CALLBACK OnLanguage(HMODULE, LPCSTR type, LPCSTR name, WORD language, LONG_PTR list) {
    reinterpret_cast<std::vector<std::string>*>(list)->push_back(
        Number(type) + " " + (type == RT_ICON ? "*" : Number(name)) + " " +
        std::to_string(language));
    return TRUE;
}

BOOL CALLBACK OnName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR list) {
    return EnumResourceLanguagesA(module, type, name, OnLanguage, list);
}

BOOL CALLBACK OnType(HMODULE module, LPSTR type, LONG_PTR list) {
    return EnumResourceNamesA(module, type, OnName, list);
}

// A built Zentrail.exe and the processor it was built for. Besides this
// build's own, a Zentrail.exe of the other build may be named at configure
// time (ZENTRAIL_I686_ZENTRAIL_EXE): the x64 tests then check the 32-bit
// program as data, also on a machine that cannot start it.
struct Program {
    const char* label;
    const char* path;
    const char* architecture;  // as the manifest names it
};

void PrintTo(const Program& program, std::ostream* out) { *out << program.path; }

std::vector<Program> ProgramsToCheck() {
    std::vector<Program> programs = {{"ThisBuild", ZENTRAIL_EXE, ZENTRAIL_MANIFEST_ARCHITECTURE}};
#ifdef ZENTRAIL_I686_EXE
    programs.push_back({"I686", ZENTRAIL_I686_EXE, "x86"});
#endif
    return programs;
}

class ProgramResources : public ::testing::TestWithParam<Program> {
  protected:
    void SetUp() override {
        module = LoadLibraryExA(path.c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(nullptr, module) << path << ": error " << GetLastError();
    }
    void TearDown() override {
        if (module != nullptr) FreeLibrary(module);
    }

    // The US English resource; the test fails without it.
    Bytes Find(LPCSTR type, int id) const {
        const HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id), kUsEnglish);
        const HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
        if (loaded == nullptr) {
            ADD_FAILURE() << "resource " << Number(type) << "/" << id << " missing";
            return {};
        }
        return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(module, found)};
    }

    const std::string path = zentrail::drive::WindowsPath(GetParam().path);
    HMODULE module = nullptr;
};

TEST_P(ProgramResources, AreExactlyTheProgramsAllUsEnglish) {
    std::vector<std::string> found;
    EnumResourceTypesA(module, OnType, reinterpret_cast<LONG_PTR>(&found));
    std::sort(found.begin(), found.end());
    // Two icon images for icon 128, four for icon 202.
    std::vector<std::string> expected = {"14 128", "14 202", "16 1", "24 1", "5 100", "5 129"};
    expected.insert(expected.end(), 6, "3 *");
    for (std::string& e : expected) e += " " + std::to_string(kUsEnglish);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, found);
}

// The two templates as designed, written out here once with the styles as
// numbers, so that an edit of the resource script cannot carry the test
// along with it: per dialog its header, then per control (after "|") style,
// x, y, cx, cy, id, class and text, in the order of the template.
const std::pair<int, const char*> kDialogs[] = {
    // WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_SETFONT; edits are
    // WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, buttons
    // WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON or BS_PUSHBUTTON,
    // group boxes WS_CHILD | WS_VISIBLE | BS_GROUPBOX.
    {129,
     "ca0040 0 0 187 143 Zentrail2 8 MS Sans Serif"
     "|50810080 20 20 85 15 1001 #129 |50810080 20 65 85 15 1000 #129 "
     "|50810080 20 110 85 15 1002 #129 |50010001 125 110 50 14 1 #128 Copy"
     "|50010000 125 75 50 14 57664 #128 &About...|50010000 125 30 50 14 2 #128 Close"
     "|50000007 10 5 105 40 65535 #128 Your necessary tag"
     "|50000007 10 50 105 40 65535 #128 Original name"
     "|50000007 10 95 105 40 65535 #128 Twitter hash tag"
     "|50000007 115 95 65 40 65535 #128 Copy to Clipboard"},
    // WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT; the
    // statics WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER or SS_LEFT, the
    // icons WS_CHILD | WS_VISIBLE | SS_ICON with their resource's ordinal.
    {100,
     "80c800c0 0 0 187 102 About 8 MS Sans Serif"
     "|50010001 125 76 50 14 1 #128 OK"
     "|50020001 5 65 115 27 1030 #130 Zentrail Version 1.0\nCopyright (C) 2011"
     "|50000003 5 0 20 20 65535 #130 #128|50000003 30 0 20 20 65535 #130 #202"
     "|50020000 0 30 180 8 1031 #130 Static|50020000 0 40 180 8 1032 #130 Static"
     "|50020000 0 50 180 8 1033 #130 Static"
     "|50020000 60 5 100 15 65535 #130 I'm looking for new icons..."},
};

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%lx", static_cast<unsigned long>(value));
    return text;
}

TEST_P(ProgramResources, DialogTemplatesAreAsDesigned) {
    for (const auto& [id, expected] : kDialogs) {
        const Bytes bytes = Find(RT_DIALOG, id);
        if (bytes.data == nullptr) continue;
        Reader in(bytes);
        std::string found = Hex(in.U32());
        EXPECT_EQ(0u, in.U32()) << id << ": extended style";
        const std::uint16_t count = in.U16();
        for (int i = 0; i < 4; ++i) found += " " + std::to_string(in.I16());
        EXPECT_EQ("", in.Text()) << id << ": menu";
        EXPECT_EQ("", in.Text()) << id << ": class";
        found += " " + in.Text();
        found += " " + std::to_string(in.U16());
        found += " " + in.Text();
        for (std::uint16_t i = 0; i < count; ++i) {
            in.AlignTo4();
            found += "|" + Hex(in.U32());
            EXPECT_EQ(0u, in.U32()) << id << ": extended style of control " << i;
            for (int j = 0; j < 4; ++j) found += " " + std::to_string(in.I16());
            found += " " + std::to_string(in.U16());
            found += " " + in.Text();
            found += " " + in.Text();
            EXPECT_EQ(0, in.U16()) << id << ": creation data of control " << i;
        }
        EXPECT_EQ(expected, found);
    }
}

// Per icon its images, width and bits, from the group's 14-byte entries; each
// must load. The pixels are the icon files', checked against their drawings
// by IconFiles.MatchTheirDrawings.
TEST_P(ProgramResources, IconsHaveTheirSizesAndColourDepthsAndLoad) {
    for (const auto& [id, expected] :
         {std::pair{128, "16x4 32x4"}, std::pair{202, "16x4 16x8 32x4 32x8"}}) {
        const Bytes dir = Find(RT_GROUP_ICON, id);
        Reader in(dir);
        EXPECT_EQ(0x10000u, in.U32()) << id << ": icons, not cursors";
        std::vector<std::string> found;
        for (std::uint16_t i = in.U16(); i > 0; --i) {
            const BYTE* entry = dir.data + dir.size - 14 * i;
            const int width = entry[0];
            const int bits = entry[6];
            found.push_back(std::to_string(width) + "x" + std::to_string(bits));
            EXPECT_EQ(bits < 8 ? 1 << bits : 0, entry[2]) << id << ": colour count";
            const Bytes image = Find(RT_ICON, entry[12] | entry[13] << 8);
            const HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image.data),
                                                        static_cast<DWORD>(image.size), TRUE,
                                                        0x00030000, width, width, LR_DEFAULTCOLOR);
            EXPECT_NE(nullptr, icon) << id << ": image " << found.back();
            if (icon != nullptr) DestroyIcon(icon);
        }
        std::sort(found.begin(), found.end());
        std::string joined;
        for (const std::string& f : found) joined += (joined.empty() ? "" : " ") + f;
        EXPECT_EQ(expected, joined);
    }
}

// The numbers are also read by the About box's reader in process, from the
// same resources.
TEST_P(ProgramResources, VersionBlockCarriesTheVersionAndItsStrings) {
    DWORD ignored = 0;
    std::vector<char> block(GetFileVersionInfoSizeA(path.c_str(), &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(
        GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    const auto query = [&](const std::string& key) {
        void* value = nullptr;
        UINT length = 0;
        return VerQueryValueA(block.data(), key.c_str(), &value, &length) ? value : nullptr;
    };
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(query("\\"));
    ASSERT_NE(nullptr, info);
    const std::uint16_t version[] = {ZENTRAIL_VERSION_NUMBERS};
    EXPECT_EQ(MAKELONG(version[1], version[0]), info->dwProductVersionMS);
    EXPECT_EQ(MAKELONG(version[3], version[2]), info->dwProductVersionLS);
    EXPECT_EQ(0u, info->dwFileFlags & info->dwFileFlagsMask);  // no debug or prerelease build
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), info->dwFileType);
    const void* translation = query("\\VarFileInfo\\Translation");
    ASSERT_NE(nullptr, translation);
    EXPECT_EQ(MAKELONG(0x0409, 1200), *static_cast<const DWORD*>(translation));
    const char* const strings[][2] = {
        {"FileDescription", "Zentrail Module"},
        {"FileVersion", ZENTRAIL_VERSION_NUMBERS_TEXT},
        {"InternalName", "Zentrail2"},
        {"LegalCopyright", ZENTRAIL_COPYRIGHT_LINE},
        {"OriginalFilename", "Zentrail.exe"},
        {"ProductName", "Zentrail Module"},
        {"ProductVersion", ZENTRAIL_VERSION_NUMBERS_TEXT},
    };
    for (const auto& [key, expected] : strings) {
        const void* value = query(std::string("\\StringFileInfo\\040904b0\\") + key);
        EXPECT_EQ(expected, std::string(value ? static_cast<const char*>(value) : "(none)"));
    }
}

// The dependency itself is seen bound by the loader, below.
TEST_P(ProgramResources, ManifestNamesTheProgramAndAsksToRunAsInvoker) {
    const Bytes bytes = Find(RT_MANIFEST, 1);
    ASSERT_NE(nullptr, bytes.data);
    const std::string xml(reinterpret_cast<const char*>(bytes.data), bytes.size);
    const std::string arch = std::string("processorArchitecture=\"") + GetParam().architecture;
    EXPECT_EQ(0u, xml.find("<?xml"));
    for (const std::string& part :
         {std::string("<assemblyIdentity type=\"win32\" name=\"Zentrail\""),
          std::string("<description>Zentrail Application</description>"),
          std::string("<supportedOS "), std::string("level=\"asInvoker\""),
          std::string("uiAccess=\"false\""), arch}) {
        EXPECT_NE(std::string::npos, xml.find(part)) << part;
    }
    EXPECT_NE(xml.find(arch), xml.rfind(arch)) << "the program's and the dependency's";
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramResources, ::testing::ValuesIn(ProgramsToCheck()),
                         [](const auto& test) { return std::string(test.param.label); });

// The program tests carry the same resources. The loader applied the
// manifest at start-up if comctl32 came from the side-by-side store (Wine's
// reports an old version number either way, so the path is what tells).
TEST(Manifest, LoaderBindsCommonControls6) {
    const HMODULE comctl = LoadLibraryA("comctl32.dll");
    ASSERT_NE(nullptr, comctl);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(comctl, path, MAX_PATH);
    std::string lower = path;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(std::string::npos,
              lower.find(std::string(ZENTRAIL_MANIFEST_ARCHITECTURE) +
                         "_microsoft.windows.common-controls_6595b64144ccf1df_6.0."))
        << path;
    FreeLibrary(comctl);
}

}  // namespace
