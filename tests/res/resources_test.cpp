// Zentrail.exe's resources, read back field by field from the built program
// loaded as a data file; and the loader's own reading of the manifest.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "about_text.h"
#include "app_driver.h"

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
            pos_ = bytes_.size;
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

    // A NUL-terminated UTF-16 text (the first unit given), as ASCII.
    std::string Text(std::uint16_t unit) {
        std::string out;
        for (; unit != 0; unit = U16()) out += static_cast<char>(unit);
        return out;
    }
    std::string Text() { return Text(U16()); }
    // A name-or-ordinal field: "" for none, "#N" for ordinal N, else the text.
    std::string NameOrOrdinal() {
        const std::uint16_t first = U16();
        if (first == 0xFFFF) return "#" + std::to_string(U16());
        return Text(first);
    }

  private:
    Bytes bytes_;
    std::size_t pos_ = 0;
};

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// --- The inventory ---------------------------------------------------------------

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
    const std::string us = " " + std::to_string(kUsEnglish);
    std::vector<std::string> expected = {"14 128", "14 202", "16 1", "24 1", "5 100", "5 129"};
    // Two icon images for icon 128, four for icon 202.
    expected.insert(expected.end(), 6, "3 *");
    for (std::string& e : expected) e += us;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, found);
}

// --- Dialog templates (the standard form) -------------------------------------------

struct Control {
    std::uint16_t id;
    const char* windowClass;  // lower case; ordinals are written "#N"
    const char* text;
    DWORD style;
    std::int16_t x, y, cx, cy;
};

struct Dialog {
    int id;
    DWORD style;
    std::int16_t cx, cy;
    const char* title;
    std::vector<Control> controls;
};

constexpr std::uint16_t kNoId = 0xFFFF;
// A text the test does not fix: the About box's placeholder, which the
// program replaces; it must be two lines.
constexpr const char* kTwoLines = "(two lines)";

// The design's table of the two templates, written out here once with the
// styles as numbers, so that an edit of the resource script cannot carry
// the test along with it.
const Dialog kDialogs[] = {
    {129,
     0x00CA0040,  // WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_SETFONT
     187,
     143,
     "Zentrail2",
     {
         // WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL
         {1001, "edit", "", 0x50810080, 20, 20, 85, 15},
         {1000, "edit", "", 0x50810080, 20, 65, 85, 15},
         {1002, "edit", "", 0x50810080, 20, 110, 85, 15},
         // WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, then BS_PUSHBUTTON
         {1, "button", "Copy", 0x50010001, 125, 110, 50, 14},
         {57664, "button", "&About...", 0x50010000, 125, 75, 50, 14},
         {2, "button", "Close", 0x50010000, 125, 30, 50, 14},
         // WS_CHILD | WS_VISIBLE | BS_GROUPBOX
         {kNoId, "button", "Your necessary tag", 0x50000007, 10, 5, 105, 40},
         {kNoId, "button", "Original name", 0x50000007, 10, 50, 105, 40},
         {kNoId, "button", "Twitter hash tag", 0x50000007, 10, 95, 105, 40},
         {kNoId, "button", "Copy to Clipboard", 0x50000007, 115, 95, 65, 40},
     }},
    {100,
     0x80C800C0,  // WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT
     187,
     102,
     "About",
     {
         {1, "button", "OK", 0x50010001, 125, 76, 50, 14},
         // WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER
         {1030, "static", kTwoLines, 0x50020001, 5, 65, 115, 27},
         // WS_CHILD | WS_VISIBLE | SS_ICON, the icon resource's ordinal as text
         {kNoId, "static", "#128", 0x50000003, 5, 0, 20, 20},
         {kNoId, "static", "#202", 0x50000003, 30, 0, 20, 20},
         // WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT
         {1031, "static", "Static", 0x50020000, 0, 30, 180, 8},
         {1032, "static", "Static", 0x50020000, 0, 40, 180, 8},
         {1033, "static", "Static", 0x50020000, 0, 50, 180, 8},
         {kNoId, "static", "I'm looking for new icons...", 0x50020000, 60, 5, 100, 15},
     }},
};

std::string ClassName(const std::string& field) {
    if (field == "#128") return "button";
    if (field == "#129") return "edit";
    if (field == "#130") return "static";
    return Lower(field);
}

TEST_P(ProgramResources, DialogTemplatesAreAsDesigned) {
    for (const Dialog& d : kDialogs) {
        SCOPED_TRACE("dialog " + std::to_string(d.id));
        const Bytes bytes = Find(RT_DIALOG, d.id);
        if (bytes.data == nullptr) continue;
        Reader in(bytes);
        EXPECT_EQ(d.style, in.U32());
        EXPECT_EQ(0u, in.U32());  // extended style
        const std::uint16_t count = in.U16();
        EXPECT_EQ(d.controls.size(), count);
        EXPECT_EQ(0, in.I16());  // x
        EXPECT_EQ(0, in.I16());  // y
        EXPECT_EQ(d.cx, in.I16());
        EXPECT_EQ(d.cy, in.I16());
        EXPECT_EQ("", in.NameOrOrdinal());  // menu
        EXPECT_EQ("", in.NameOrOrdinal());  // class
        EXPECT_EQ(d.title, in.Text());
        EXPECT_EQ(8, in.U16());  // point size
        EXPECT_EQ("MS Sans Serif", in.Text());
        for (std::size_t i = 0; i < count && i < d.controls.size(); ++i) {
            const Control& c = d.controls[i];
            SCOPED_TRACE("control " + std::to_string(i));
            in.AlignTo4();
            EXPECT_EQ(c.style, in.U32());
            EXPECT_EQ(0u, in.U32());  // extended style
            EXPECT_EQ(c.x, in.I16());
            EXPECT_EQ(c.y, in.I16());
            EXPECT_EQ(c.cx, in.I16());
            EXPECT_EQ(c.cy, in.I16());
            EXPECT_EQ(c.id, in.U16());
            EXPECT_EQ(c.windowClass, ClassName(in.NameOrOrdinal()));
            const std::string text = in.NameOrOrdinal();
            if (c.text == kTwoLines) {
                EXPECT_EQ(1, std::count(text.begin(), text.end(), '\n')) << text;
                EXPECT_NE('\n', text.back()) << text;
            } else {
                EXPECT_EQ(c.text, text);
            }
            EXPECT_EQ(0, in.U16());  // creation data
        }
    }
}

// --- Icons -----------------------------------------------------------------------------

// One RT_ICON image: a DIB of the given size and depth with palette, colour
// bitmap and mask, whose transparent pixels are black in the colour bitmap
// (or they would change the background), and that the platform takes.
void CheckIconImage(Bytes bytes, int size, int bits) {
    BITMAPINFOHEADER header{};
    ASSERT_GE(bytes.size, sizeof header);
    std::memcpy(&header, bytes.data, sizeof header);
    EXPECT_EQ(40u, header.biSize);
    EXPECT_EQ(size, header.biWidth);
    EXPECT_EQ(2 * size, header.biHeight);  // colour bitmap and mask
    EXPECT_EQ(1, header.biPlanes);
    ASSERT_EQ(bits, header.biBitCount);
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), header.biCompression);
    const std::size_t colours = header.biClrUsed != 0 ? header.biClrUsed : std::size_t{1} << bits;
    ASSERT_LE(colours, std::size_t{1} << bits);
    const std::size_t colourRow = (static_cast<std::size_t>(size) * bits + 31) / 32 * 4;
    const std::size_t maskRow = (static_cast<std::size_t>(size) + 31) / 32 * 4;
    const std::size_t colourAt = header.biSize + 4 * colours;
    const std::size_t maskAt = colourAt + colourRow * size;
    ASSERT_EQ(maskAt + maskRow * size, bytes.size);

    int transparent = 0;
    for (int row = 0; row < size; ++row) {
        for (int col = 0; col < size; ++col) {
            if ((bytes.data[maskAt + row * maskRow + col / 8] >> (7 - col % 8) & 1) == 0) continue;
            ++transparent;
            const std::size_t bit = static_cast<std::size_t>(col) * bits;
            const unsigned index =
                (bytes.data[colourAt + row * colourRow + bit / 8] >> (8 - bits - bit % 8)) &
                ((1u << bits) - 1);
            const BYTE* rgb = bytes.data + header.biSize + 4 * index;
            ASSERT_TRUE(index < colours && rgb[0] == 0 && rgb[1] == 0 && rgb[2] == 0)
                << "transparent pixel " << col << "," << size - 1 - row << " is not black";
        }
    }
    EXPECT_GT(transparent, 0) << "a plain square";
    EXPECT_LT(transparent, size * size) << "nothing visible";
    const HICON icon =
        CreateIconFromResourceEx(const_cast<BYTE*>(bytes.data), static_cast<DWORD>(bytes.size),
                                 TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
    EXPECT_NE(nullptr, icon);
    if (icon != nullptr) DestroyIcon(icon);
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colourCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)

TEST_P(ProgramResources, IconsHaveTheirSizesAndColourDepths) {
    using Images = std::vector<std::pair<int, int>>;  // size, bits
    const std::pair<int, Images> groups[] = {{128, {{16, 4}, {32, 4}}},
                                             {202, {{16, 4}, {16, 8}, {32, 4}, {32, 8}}}};
    for (const auto& [id, expected] : groups) {
        SCOPED_TRACE("icon " + std::to_string(id));
        const Bytes dir = Find(RT_GROUP_ICON, id);
        if (dir.data == nullptr) continue;
        Reader in(dir);
        EXPECT_EQ(0, in.U16());
        EXPECT_EQ(1, in.U16());  // icons, not cursors
        const std::uint16_t count = in.U16();
        ASSERT_EQ(6u + sizeof(GroupIconEntry) * count, dir.size);
        Images found;
        for (std::uint16_t i = 0; i < count; ++i) {
            GroupIconEntry entry;
            std::memcpy(&entry, dir.data + 6 + sizeof entry * i, sizeof entry);
            SCOPED_TRACE(std::to_string(entry.width) + " pixels, " +
                         std::to_string(entry.bitCount) + " bits");
            found.emplace_back(entry.width, entry.bitCount);
            EXPECT_EQ(entry.width, entry.height);
            EXPECT_EQ(entry.bitCount < 8 ? 1 << entry.bitCount : 0, entry.colourCount);
            EXPECT_EQ(1, entry.planes);
            const Bytes image = Find(RT_ICON, entry.id);
            if (image.data == nullptr) continue;
            EXPECT_EQ(entry.bytesInRes, image.size);
            CheckIconImage(image, entry.width, entry.bitCount);
        }
        std::sort(found.begin(), found.end());
        EXPECT_EQ(expected, found);
    }
}

// --- Version block -------------------------------------------------------------------

TEST_P(ProgramResources, VersionBlockCarriesTheVersionAndItsStrings) {
    // The raw resource as the About box reads it: the fixed part at offset
    // 40, after three words, the key and padding.
    const Bytes bytes = Find(RT_VERSION, 1);
    ASSERT_GE(bytes.size, 40 + sizeof(VS_FIXEDFILEINFO));
    Reader in(bytes);
    EXPECT_EQ(bytes.size, in.U16());
    EXPECT_EQ(sizeof(VS_FIXEDFILEINFO), in.U16());
    EXPECT_EQ(0, in.U16());  // binary value
    EXPECT_EQ("VS_VERSION_INFO", in.Text());
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, bytes.data + 40, sizeof info);
    EXPECT_EQ(static_cast<DWORD>(VS_FFI_SIGNATURE), info.dwSignature);
    EXPECT_EQ(0x00020000u, info.dwFileVersionMS);  // 2.0
    EXPECT_EQ(0x00000001u, info.dwFileVersionLS);  // 0.1
    EXPECT_EQ(0x00020000u, info.dwProductVersionMS);
    EXPECT_EQ(0x00000001u, info.dwProductVersionLS);
    EXPECT_EQ(0u, info.dwFileFlags & info.dwFileFlagsMask);  // no debug or prerelease build
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), info.dwFileType);

    // The strings, as the platform reads them from the file.
    DWORD ignored = 0;
    std::vector<char> block(GetFileVersionInfoSizeA(path.c_str(), &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(
        GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(4u, length);
    EXPECT_EQ(0x0409, static_cast<const WORD*>(value)[0]);
    EXPECT_EQ(1200, static_cast<const WORD*>(value)[1]);
    const char* const strings[][2] = {
        {"FileDescription", "Zentrail Module"}, {"FileVersion", "2, 0, 0, 1"},
        {"InternalName", "Zentrail2"},          {"LegalCopyright", ZENTRAIL_COPYRIGHT_LINE},
        {"OriginalFilename", "Zentrail.exe"},   {"ProductName", "Zentrail Module"},
        {"ProductVersion", "2, 0, 0, 1"},
    };
    for (const auto& [key, expected] : strings) {
        const std::string query = std::string("\\StringFileInfo\\040904b0\\") + key;
        const bool present = VerQueryValueA(block.data(), query.c_str(), &value, &length);
        EXPECT_EQ(expected, std::string(present ? static_cast<const char*>(value) : "(none)"))
            << key;
    }
}

// --- Manifest ---------------------------------------------------------------------------

// The value of an attribute of the first element with this name after from;
// "(none)" when there is no such element or attribute.
std::string Attribute(const std::string& xml, const std::string& element, const char* name,
                      std::size_t from = 0) {
    std::size_t at = xml.find("<" + element, from);
    while (at != std::string::npos &&
           std::isalnum(static_cast<unsigned char>(xml[at + 1 + element.size()]))) {
        at = xml.find("<" + element, at + 1);
    }
    const std::size_t end = xml.find('>', at);
    if (at == std::string::npos || end == std::string::npos) return "(none)";
    const std::string tag = xml.substr(at, end - at);
    const std::string key = std::string(" ") + name + "=\"";
    std::size_t value = tag.find(key);
    if (value == std::string::npos) return "(none)";
    value += key.size();
    return tag.substr(value, tag.find('"', value) - value);
}

TEST_P(ProgramResources, ManifestAsksForCommonControls6AsInvoker) {
    const Bytes bytes = Find(RT_MANIFEST, 1);
    ASSERT_NE(nullptr, bytes.data);
    const std::string xml(reinterpret_cast<const char*>(bytes.data), bytes.size);
    EXPECT_EQ(0u, xml.find("<?xml"));
    EXPECT_NE(std::string::npos, xml.find("<description>Zentrail Application</description>"));
    const std::size_t dependency = xml.find("<dependentAssembly>");
    ASSERT_NE(std::string::npos, dependency);
    const struct {
        const char* element;
        const char* name;
        const char* value;
        std::size_t from;
    } attributes[] = {
        {"assembly", "xmlns", "urn:schemas-microsoft-com:asm.v1", 0},
        {"assembly", "manifestVersion", "1.0", 0},
        // The program's own identity comes first, before the dependency.
        {"assemblyIdentity", "type", "win32", 0},
        {"assemblyIdentity", "name", "Zentrail", 0},
        {"assemblyIdentity", "processorArchitecture", GetParam().architecture, 0},
        {"assemblyIdentity", "type", "win32", dependency},
        {"assemblyIdentity", "name", "Microsoft.Windows.Common-Controls", dependency},
        {"assemblyIdentity", "version", "6.0.0.0", dependency},
        {"assemblyIdentity", "processorArchitecture", GetParam().architecture, dependency},
        {"assemblyIdentity", "publicKeyToken", "6595b64144ccf1df", dependency},
        {"assemblyIdentity", "language", "*", dependency},
        {"requestedExecutionLevel", "level", "asInvoker", 0},
        {"requestedExecutionLevel", "uiAccess", "false", 0},
    };
    for (const auto& a : attributes) {
        EXPECT_EQ(a.value, Attribute(xml, a.element, a.name, a.from))
            << a.element << " " << a.name << (a.from != 0 ? " (dependency)" : "");
    }
    EXPECT_NE(std::string::npos, xml.find("<supportedOS "));
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramResources, ::testing::ValuesIn(ProgramsToCheck()),
                         [](const auto& test) { return std::string(test.param.label); });

// This test program carries the same resources. The loader applied the
// manifest at start-up if comctl32 came from the side-by-side store (Wine's
// reports an old version number either way, so the path is what tells).
TEST(Manifest, LoaderBindsCommonControls6) {
    const HMODULE comctl = LoadLibraryA("comctl32.dll");
    ASSERT_NE(nullptr, comctl);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(comctl, path, MAX_PATH);
    EXPECT_NE(std::string::npos,
              Lower(path).find(std::string(ZENTRAIL_MANIFEST_ARCHITECTURE) +
                               "_microsoft.windows.common-controls_6595b64144ccf1df_6.0."))
        << path;
    FreeLibrary(comctl);
}

}  // namespace
