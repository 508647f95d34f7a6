// Zentrail.exe's resources, read back from the built program loaded as a
// data file; and the loader's own reading of the manifest.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app_driver.h"
#include "res/about_text.h"
#include "version.h"

namespace {

// Little-endian fields of resource bytes; past the end, zeros, where the
// templates hold none.
struct Reader {
    std::uint16_t U16() {
        const auto* data = reinterpret_cast<const BYTE*>(bytes.data());
        pos += 2;
        return static_cast<std::uint16_t>(pos > bytes.size() ? 0
                                                             : data[pos - 2] | data[pos - 1] << 8);
    }
    std::uint32_t U32() {
        const std::uint32_t low = U16();
        return low | std::uint32_t{U16()} << 16;
    }
    // A name-or-ordinal field, as ASCII: "#N" for ordinal N, else the text.
    std::string Text() {
        std::uint16_t unit = U16();
        if (unit == 0xFFFF) return "#" + std::to_string(U16());
        std::string out;
        for (; unit != 0; unit = U16()) out += static_cast<char>(unit);
        return out;
    }

    std::string_view bytes;
    std::size_t pos = 0;
};

std::string Number(LPCSTR name) {
    return IS_INTRESOURCE(name) ? std::to_string(reinterpret_cast<std::uintptr_t>(name)) : name;
}

// "type name language" per resource; the names of icon images are the
// resource compiler's to choose, so an icon group shows the width and bits of
// its images instead, from its 14-byte entries.
BOOL CALLBACK OnLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR list) {
    std::string entry = Number(type) + " " + (type == RT_ICON ? "*" : Number(name)) + " " +
                        std::to_string(language);
    const BYTE* group = type != RT_GROUP_ICON
                            ? nullptr
                            : static_cast<const BYTE*>(LockResource(LoadResource(
                                  module, FindResourceExA(module, type, name, language))));
    for (int i = 0; group != nullptr && i < (group[4] | group[5] << 8); ++i)
        entry += " " + std::to_string(group[6 + 14 * i]) + "x" + std::to_string(group[12 + 14 * i]);
    reinterpret_cast<std::vector<std::string>*>(list)->push_back(entry);
    return TRUE;
}

BOOL CALLBACK OnName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR list) {
    return EnumResourceLanguagesA(module, type, name, OnLanguage, list);
}

BOOL CALLBACK OnType(HMODULE module, LPSTR type, LONG_PTR list) {
    return EnumResourceNamesA(module, type, OnName, list);
}

// A built Zentrail.exe and the processor it was built for, as the manifest
// names it. Besides this build's own, a Zentrail.exe of the other build may be
// named at configure time (ZENTRAIL_I686_ZENTRAIL_EXE): the x64 tests then
// check the 32-bit program as data, also on a machine that cannot start it.
struct Program {
    const char* path;
    const char* architecture;
};

void PrintTo(const Program& program, std::ostream* out) { *out << program.path; }

const Program kPrograms[] = {
    {ZENTRAIL_EXE, ZENTRAIL_MANIFEST_ARCHITECTURE},
#ifdef ZENTRAIL_I686_EXE
    {ZENTRAIL_I686_EXE, "x86"},
#endif
};

class ProgramResources : public ::testing::TestWithParam<Program> {
  protected:
    void SetUp() override {
        module = LoadLibraryExA(path.c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(nullptr, module) << path << ": error " << GetLastError();
    }
    // The US English resource; empty, which no check takes, when missing.
    std::string_view Find(LPCSTR type, int id) const {
        const HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id),
                                            MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
        if (found == nullptr) return {};
        return {static_cast<const char*>(LockResource(LoadResource(module, found))),
                SizeofResource(module, found)};
    }

    const std::string path = zentrail::drive::WindowsPath(GetParam().path);
    HMODULE module = nullptr;
};

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
     "ca0040 0 0 187 143 Zentrail2 8 MS Sans Serif|50810080 20 20 85 15 1001 #129 "
     "|50810080 20 65 85 15 1000 #129 |50810080 20 110 85 15 1002 #129 "
     "|50010001 125 110 50 14 1 #128 Copy|50010000 125 75 50 14 57664 #128 &About..."
     "|50010000 125 30 50 14 2 #128 Close|50000007 10 5 105 40 65535 #128 Your necessary tag"
     "|50000007 10 50 105 40 65535 #128 Original name"
     "|50000007 10 95 105 40 65535 #128 Twitter hash tag"
     "|50000007 115 95 65 40 65535 #128 Copy to Clipboard"},
    // WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT; the
    // statics WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER or SS_LEFT, the
    // icons WS_CHILD | WS_VISIBLE | SS_ICON with their resource's ordinal.
    {100,
     "80c800c0 0 0 187 102 About 8 MS Sans Serif|50010001 125 76 50 14 1 #128 OK"
     "|50020001 5 65 115 27 1030 #130 Zentrail Version 1.0\nCopyright (C) 2011"
     "|50000003 5 0 20 20 65535 #130 #128|50000003 30 0 20 20 65535 #130 #202"
     "|50020000 0 30 180 8 1031 #130 Static|50020000 0 40 180 8 1032 #130 Static"
     "|50020000 0 50 180 8 1033 #130 Static|50020000 60 5 100 15 65535 #130 I'm looking for new "
     "icons..."},
};

std::string Hex(std::uint32_t value) {
    char text[16];
    return std::string(text, std::to_chars(text, text + sizeof text, value, 16).ptr);
}

TEST_P(ProgramResources, AreExactlyTheProgramsAllUsEnglishWithTheDialogsAsDesigned) {
    std::vector<std::string> resources;
    EnumResourceTypesA(module, OnType, reinterpret_cast<LONG_PTR>(&resources));
    std::sort(resources.begin(), resources.end());
    std::string joined;
    for (const std::string& entry : resources) joined += entry + "|";
    EXPECT_EQ(
        "14 128 1033 32x4 16x4|14 202 1033 32x4 16x4 32x8 16x8|16 1 1033|24 1 1033|"
        "3 * 1033|3 * 1033|3 * 1033|3 * 1033|3 * 1033|3 * 1033|5 100 1033|5 129 1033|",
        joined);
    for (const auto& [id, expected] : kDialogs) {
        const std::string_view bytes = Find(RT_DIALOG, id);
        Reader in{bytes};
        // Extended styles, a menu, a class or creation data would show as
        // "+" in the text.
        std::string found = Hex(in.U32());
        found += in.U32() != 0 ? "+" : "";
        const std::uint16_t count = in.U16();
        for (int i = 0; i < 4; ++i) found += " " + std::to_string(std::int16_t(in.U16()));
        found += in.Text() + in.Text() != "" ? "+" : " ";
        found += in.Text();
        found += " " + std::to_string(in.U16());
        found += " " + in.Text();
        for (std::uint16_t i = 0; i < count; ++i) {
            in.pos = std::min((in.pos + 3) & ~std::size_t{3}, bytes.size());
            found += "|" + Hex(in.U32());
            found += in.U32() != 0 ? "+" : "";
            for (int j = 0; j < 4; ++j) found += " " + std::to_string(std::int16_t(in.U16()));
            found += " " + std::to_string(in.U16());
            found += " " + in.Text();
            found += " " + in.Text();
            found += in.U16() != 0 ? "+" : "";
        }
        EXPECT_EQ(expected, found);
    }
}

// The numbers are also read by the About box's reader in process, from the
// same resources.
TEST_P(ProgramResources, ManifestAndVersionBlockAreTheProgramsAndCarryTheVersion) {
    // The manifest's dependency itself is seen bound by the loader, below.
    const std::string xml(Find(RT_MANIFEST, 1));
    const std::string arch = std::string("processorArchitecture=\"") + GetParam().architecture;
    EXPECT_EQ(0u, xml.find("<?xml"));
    for (const char* part : {"<assemblyIdentity type=\"win32\" name=\"Zentrail\"",
                             "<description>Zentrail Application</description>", "<supportedOS ",
                             "level=\"asInvoker\"", "uiAccess=\"false\""})
        EXPECT_NE(std::string::npos, xml.find(part)) << part;
    EXPECT_NE(xml.find(arch), xml.rfind(arch)) << "the program's and the dependency's";
    DWORD ignored = 0;
    std::vector<char> block(GetFileVersionInfoSizeA(path.c_str(), &ignored));
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
    std::string strings;
    for (const char* key : {"FileDescription", "FileVersion", "InternalName", "LegalCopyright",
                            "OriginalFilename", "ProductName", "ProductVersion"}) {
        const void* value = query(std::string("\\StringFileInfo\\040904b0\\") + key);
        strings += std::string(value ? static_cast<const char*>(value) : "(none)") + "|";
    }
    EXPECT_EQ("Zentrail Module|" ZENTRAIL_VERSION_NUMBERS_TEXT "|Zentrail2|" ZENTRAIL_COPYRIGHT_LINE
              "|Zentrail.exe|Zentrail Module|" ZENTRAIL_VERSION_NUMBERS_TEXT "|",
              strings);
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramResources, ::testing::ValuesIn(kPrograms),
                         [](const auto& program) {
                             return program.index == 0 ? "ThisBuild" : "I686";
                         });

// The program tests carry the same resources. The loader applied the
// manifest at start-up if comctl32 came from the side-by-side store (Wine's
// reports an old version number either way, so the path is what tells).
TEST(Manifest, LoaderBindsCommonControls6) {
    const HMODULE comctl = LoadLibraryA("comctl32.dll");
    ASSERT_NE(nullptr, comctl);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(comctl, path, MAX_PATH);
    EXPECT_NE(std::string::npos,
              std::string(CharLowerA(path))
                  .find(std::string(ZENTRAIL_MANIFEST_ARCHITECTURE) +
                        "_microsoft.windows.common-controls_6595b64144ccf1df_6.0."))
        << path;
    FreeLibrary(comctl);
}

}  // namespace
