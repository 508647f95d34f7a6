// Zentrail's resources, checked in a built program: this test links the same
// resource object as Zentrail.exe and reads them back from its own image, the
// way the program loads them, and from its file loaded as a data file, the
// way a check of Zentrail.exe itself would.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "resource_check.h"
#include "resource_ids.h"

namespace {

using namespace zentrail::res_check;

// The shared header must give the ids the dialogs and the program agree on.
static_assert(IDD_MAIN == 129 && IDD_ABOUT == 100, "dialog template ids");
static_assert(IDI_MAIN == 128 && IDI_BUBBLE == 202, "icon ids");
static_assert(IDC_TAG_FIELD == 1001 && IDC_NAME_FIELD == 1000 && IDC_OUTPUT_FIELD == 1002,
              "main dialog field ids");
static_assert(IDC_ABOUT == 57664 && IDC_STATIC == -1, "main dialog button and label ids");
static_assert(IDC_VERSION_TEXT == 1030 && IDC_WEBLOG_LINK == 1031 && IDC_BOOKLOG_LINK == 1032 &&
                  IDC_SHOP_LINK == 1033,
              "About dialog control ids");

std::string Join(const Differences& differences) {
    std::string out;
    for (const std::string& d : differences) out += "\n  " + d;
    return out;
}

std::string OwnPath() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, n < MAX_PATH ? n : 0);
}

// --- The resources in a module -------------------------------------------------

enum class Source { kRunningImage, kDataFile };

void PrintTo(Source source, std::ostream* out) {
    *out << (source == Source::kRunningImage ? "the running image" : "the file as data");
}

class ResourcesIn : public ::testing::TestWithParam<Source> {
  protected:
    void SetUp() override {
        path_ = OwnPath();
        ASSERT_FALSE(path_.empty());
        if (GetParam() == Source::kRunningImage) {
            module_ = GetModuleHandleA(nullptr);
        } else {
            module_ = LoadLibraryExA(path_.c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
            loaded_ = module_;
        }
        ASSERT_NE(nullptr, module_) << "error " << GetLastError();
    }
    void TearDown() override {
        if (loaded_ != nullptr) FreeLibrary(loaded_);
    }

    std::string path_;
    HMODULE module_ = nullptr;
    HMODULE loaded_ = nullptr;
};

TEST_P(ResourcesIn, HoldExactlyTheProgramsResources) {
    const Differences d = CheckInventory(module_);
    EXPECT_TRUE(d.empty()) << Join(d);
}

TEST_P(ResourcesIn, DialogTemplatesAreAsDesigned) {
    const Differences d = CheckDialogs(module_);
    EXPECT_TRUE(d.empty()) << Join(d);
}

TEST_P(ResourcesIn, IconsHaveTheirSizesAndColourDepths) {
    const Differences d = CheckIcons(module_);
    EXPECT_TRUE(d.empty()) << Join(d);
}

TEST_P(ResourcesIn, VersionBlockCarriesVersionAndStrings) {
    const Differences d = CheckVersion(module_, path_);
    EXPECT_TRUE(d.empty()) << Join(d);
}

TEST_P(ResourcesIn, ManifestAsksForCommonControls6) {
    const Differences d = CheckManifest(module_);
    EXPECT_TRUE(d.empty()) << Join(d);
}

TEST_P(ResourcesIn, CheckAllFindsNothing) {
    const Differences d = CheckAll(module_, path_);
    EXPECT_TRUE(d.empty()) << Join(d);
}

INSTANTIATE_TEST_SUITE_P(Module, ResourcesIn,
                         ::testing::Values(Source::kRunningImage, Source::kDataFile),
                         [](const ::testing::TestParamInfo<Source>& p) {
                             return p.param == Source::kRunningImage ? "RunningImage" : "DataFile";
                         });

// --- The checks notice damage ---------------------------------------------------

std::vector<std::uint8_t> Copy(Bytes bytes) {
    return std::vector<std::uint8_t>(bytes.data, bytes.data + bytes.size);
}

Bytes View(const std::vector<std::uint8_t>& copy) { return {copy.data(), copy.size()}; }

void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
    bytes.at(at) = static_cast<std::uint8_t>(value);
    bytes.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
}

bool Mentions(const Differences& differences, const std::string& what) {
    for (const std::string& d : differences) {
        if (d.find(what) != std::string::npos) return true;
    }
    return false;
}

DialogTemplate ParsedOwn(int id, std::vector<std::uint8_t>& bytes) {
    bytes = Copy(FindUsEnglish(GetModuleHandleA(nullptr), RT_DIALOG, id));
    DialogTemplate parsed;
    std::string error;
    EXPECT_TRUE(ParseDialogTemplate(View(bytes), parsed, error)) << error;
    return parsed;
}

struct DialogDamage {
    const char* name;
    int dialog;
    int item;        // -1: the dialog's header
    std::size_t at;  // byte offset in the header or the item
    std::uint16_t value;
    const char* reported;
};

// Offsets: DLGTEMPLATE style 0, cdit 8, cx 14, then menu, class, title;
// DLGITEMTEMPLATE style 0, y 10, cy 14, id 16, class 18 (0xFFFF) and 20.
const DialogDamage kDialogDamage[] = {
    {"MainDialogVisible", 129, -1, 2, 0x10CA, "style"},  // adds WS_VISIBLE
    {"MainDialogWider", 129, -1, 14, 188, "width"},
    {"MainDialogOneControlLess", 129, -1, 8, 9, "number of controls"},
    {"TagFieldLower", 129, 0, 10, 21, "control 0 (id 1001): y"},
    {"NameFieldIdSwapped", 129, 1, 16, 1001, "control 1 (id 1000): id"},
    {"OutputFieldReadOnly", 129, 2, 0, 0x0880, "control 2 (id 1002): style"},
    {"CopyButtonAsStatic", 129, 3, 20, 0x0082, "control 3 (id 1): class"},
    {"AboutDialogNoModalFrame", 100, -1, 0, 0x0040, "style"},
    {"AboutOkShorter", 100, 0, 14, 13, "control 0 (id 1): height"},
    {"SecondIconSwapped", 100, 3, 0, 0x0001, "control 3 (id 65535): style"},
};

void PrintTo(const DialogDamage& damage, std::ostream* out) { *out << damage.name; }

class DialogCheck : public ::testing::TestWithParam<DialogDamage> {};

TEST_P(DialogCheck, ReportsTheDamagedField) {
    const DialogDamage& damage = GetParam();
    std::vector<std::uint8_t> bytes;
    const DialogTemplate parsed = ParsedOwn(damage.dialog, bytes);
    ASSERT_FALSE(bytes.empty());
    const DialogTemplate expected =
        damage.dialog == 129 ? ExpectedMainDialog() : ExpectedAboutDialog();
    ASSERT_TRUE(CheckDialogBytes(View(bytes), expected).empty());
    const std::size_t base = damage.item < 0 ? 0 : parsed.items.at(damage.item).offset;
    Put16(bytes, base + damage.at, damage.value);
    const Differences d = CheckDialogBytes(View(bytes), expected);
    EXPECT_TRUE(Mentions(d, damage.reported)) << "reported:" << Join(d);
}

INSTANTIATE_TEST_SUITE_P(Damage, DialogCheck, ::testing::ValuesIn(kDialogDamage),
                         [](const ::testing::TestParamInfo<DialogDamage>& p) {
                             return std::string(p.param.name);
                         });

TEST(DialogCheck, ChangedTextsAreReported) {
    std::vector<std::uint8_t> bytes;
    const DialogTemplate parsed = ParsedOwn(129, bytes);
    ASSERT_EQ(10u, parsed.items.size());
    // The caption's first character: header (18 bytes), empty menu and class.
    ASSERT_EQ('Z', bytes.at(22));
    bytes[22] = 'z';
    // The mnemonic of "&About...": its item text follows class 0xFFFF 0x0080.
    const std::size_t aboutText = parsed.items.at(4).offset + 22;
    ASSERT_EQ('&', bytes.at(aboutText));
    bytes[aboutText] = 'x';
    const Differences d = CheckDialogBytes(View(bytes), ExpectedMainDialog());
    EXPECT_TRUE(Mentions(d, "caption is \"zentrail2\"")) << Join(d);
    EXPECT_TRUE(Mentions(d, "control 4 (id 57664): text is \"xAbout...\"")) << Join(d);
}

TEST(DialogCheck, ExtendedTemplateIsRefused) {
    const std::uint8_t extended[] = {1, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    DialogTemplate parsed;
    std::string error;
    EXPECT_FALSE(ParseDialogTemplate({extended, sizeof extended}, parsed, error));
    EXPECT_NE(std::string::npos, error.find("extended"));
}

TEST(DialogCheck, EveryTruncationIsRefusedWithoutReadingPastTheEnd) {
    for (int id : {129, 100}) {
        const std::vector<std::uint8_t> whole =
            Copy(FindUsEnglish(GetModuleHandleA(nullptr), RT_DIALOG, id));
        ASSERT_FALSE(whole.empty());
        // The last item may end without padding, so the whole size is the
        // shortest complete template.
        for (std::size_t size = 0; size < whole.size(); ++size) {
            // A copy of exactly size bytes, so that reading past it is caught
            // by the bounds, not hidden by the rest of the resource.
            const std::vector<std::uint8_t> part(whole.begin(), whole.begin() + size);
            DialogTemplate parsed;
            std::string error;
            EXPECT_FALSE(ParseDialogTemplate(View(part), parsed, error))
                << "dialog " << id << " cut to " << size << " bytes";
        }
    }
}

Bytes OwnIconImage(int size, int bits) {
    HMODULE self = GetModuleHandleA(nullptr);
    const Bytes dir = FindUsEnglish(self, RT_GROUP_ICON, 202);
    for (std::size_t at = 6; at + 14 <= dir.size; at += 14) {
        WORD bitCount = 0;
        WORD id = 0;
        std::memcpy(&bitCount, dir.data + at + 6, 2);
        std::memcpy(&id, dir.data + at + 12, 2);
        if (dir.data[at] == size && bitCount == bits) return FindUsEnglish(self, RT_ICON, id);
    }
    return {};
}

TEST(IconCheck, NoticesWrongDepthSizeAndVisibleTransparentPixels) {
    for (int bits : {4, 8}) {
        SCOPED_TRACE(bits);
        const Bytes own = OwnIconImage(32, bits);
        ASSERT_NE(nullptr, own.data);
        ASSERT_TRUE(CheckIconImage(own, 32, bits).empty()) << Join(CheckIconImage(own, 32, bits));

        EXPECT_TRUE(Mentions(CheckIconImage(own, 32, bits == 4 ? 8 : 4), "biBitCount"));
        EXPECT_TRUE(Mentions(CheckIconImage(own, 16, bits), "biWidth"));

        std::vector<std::uint8_t> cut = Copy(own);
        cut.pop_back();
        EXPECT_TRUE(Mentions(CheckIconImage(View(cut), 32, bits), "image size"));

        // Top-left pixel: transparent in every image. Paint it with palette
        // entry 15, which is not black in either palette.
        std::vector<std::uint8_t> painted = Copy(own);
        const std::size_t colourRow = 32 * bits / 8;
        const std::size_t topRow = 40 + 4 * (std::size_t{1} << bits) + 31 * colourRow;
        painted.at(topRow) = bits == 4 ? 0xF0 : 15;
        EXPECT_TRUE(Mentions(CheckIconImage(View(painted), 32, bits), "transparent pixel 0,0"));
    }
}

std::string OwnManifest() {
    const Bytes bytes = FindUsEnglish(GetModuleHandleA(nullptr), RT_MANIFEST, 1);
    return std::string(reinterpret_cast<const char*>(bytes.data), bytes.size);
}

struct ManifestDamage {
    const char* name;
    const char* find;
    const char* replace;
    const char* reported;
};

const ManifestDamage kManifestDamage[] = {
    {"OldControls", "version=\"6.0.0.0\"", "version=\"5.82.0.0\"", "dependency version"},
    {"WrongProcessor", "processorArchitecture=\"x86\" publicKeyToken",
     "processorArchitecture=\"amd64\" publicKeyToken", "dependency processorArchitecture"},
    {"OtherName", "name=\"Zentrail\"", "name=\"Zentrail2\"", "identity name"},
    {"OtherDescription", "Zentrail Application", "Zentrail", "description"},
    {"NoDependency", "<dependentAssembly>", "<dependentassembly>", "no dependency"},
    {"Elevated", "asInvoker", "requireAdministrator", "execution level level"},
};

void PrintTo(const ManifestDamage& damage, std::ostream* out) { *out << damage.name; }

class ManifestCheck : public ::testing::TestWithParam<ManifestDamage> {};

TEST_P(ManifestCheck, ReportsTheDamage) {
    const ManifestDamage& damage = GetParam();
    std::string text = OwnManifest();
    ASSERT_TRUE(CheckManifestText(text).empty()) << Join(CheckManifestText(text));
    const std::size_t at = text.find(damage.find);
    ASSERT_NE(std::string::npos, at) << damage.find;
    text.replace(at, std::strlen(damage.find), damage.replace);
    const Differences d = CheckManifestText(text);
    EXPECT_TRUE(Mentions(d, damage.reported)) << "reported:" << Join(d);
}

INSTANTIATE_TEST_SUITE_P(Damage, ManifestCheck, ::testing::ValuesIn(kManifestDamage),
                         [](const ::testing::TestParamInfo<ManifestDamage>& p) {
                             return std::string(p.param.name);
                         });

TEST(VersionCheck, NoticesAnotherVersionAtOffset40) {
    std::vector<std::uint8_t> bytes = Copy(FindUsEnglish(GetModuleHandleA(nullptr), RT_VERSION, 1));
    ASSERT_FALSE(bytes.empty());
    ASSERT_TRUE(CheckVersionBytes(View(bytes)).empty()) << Join(CheckVersionBytes(View(bytes)));
    // VS_FIXEDFILEINFO: signature, struct version, file version MS, LS.
    Put16(bytes, 40 + 12, 2);  // 2.0.0.2
    EXPECT_TRUE(Mentions(CheckVersionBytes(View(bytes)), "file version (low)"));
    Put16(bytes, 40, 0);
    EXPECT_TRUE(Mentions(CheckVersionBytes(View(bytes)), "signature"));
}

// --- The platform uses them -----------------------------------------------------------

// Wine shows windows on an X display; real Windows always has a desktop.
bool HaveDisplay() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const bool wine = ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    return !wine || GetEnvironmentVariableA("DISPLAY", nullptr, 0) > 0;
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

struct Child {
    int id;
    std::string windowClass;
    std::string text;
};

std::vector<Child> ChildrenOf(HWND dialog) {
    std::vector<Child> out;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        char windowClass[64] = {};
        char text[128] = {};
        GetClassNameA(child, windowClass, sizeof windowClass);
        GetWindowTextA(child, text, sizeof text);
        out.push_back(
            {static_cast<int>(static_cast<short>(GetDlgCtrlID(child))), windowClass, text});
    }
    return out;
}

TEST(DialogManager, BuildsBothDialogsWithTheirControlsAndIcons) {
    if (!HaveDisplay()) GTEST_SKIP() << "no display";
    HINSTANCE self = GetModuleHandleA(nullptr);
    for (int id : {129, 100}) {
        SCOPED_TRACE(id);
        const DialogTemplate expected = id == 129 ? ExpectedMainDialog() : ExpectedAboutDialog();
        HWND dialog = CreateDialogParamA(self, MAKEINTRESOURCEA(id), nullptr, QuietDialogProc, 0);
        ASSERT_NE(nullptr, dialog) << "error " << GetLastError();
        char caption[64] = {};
        GetWindowTextA(dialog, caption, sizeof caption);
        EXPECT_EQ(expected.title, caption);
        const std::vector<Child> children = ChildrenOf(dialog);
        ASSERT_EQ(expected.items.size(), children.size());
        for (std::size_t i = 0; i < children.size(); ++i) {
            const DialogItem& e = expected.items[i];
            EXPECT_EQ(static_cast<short>(e.id), children[i].id) << i;
            EXPECT_EQ(0, lstrcmpiA(e.windowClass.c_str(), children[i].windowClass.c_str())) << i;
            if (e.text.rfind("#", 0) != 0) {
                EXPECT_EQ(e.text, children[i].text) << i;
            }
        }
        if (id == 100) {
            // The two icon statics found their icons in this module.
            int icons = 0;
            for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
                 child = GetWindow(child, GW_HWNDNEXT)) {
                if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
                ++icons;
                EXPECT_NE(0, SendMessageA(child, STM_GETICON, 0, 0));
            }
            EXPECT_EQ(2, icons);
        }
        DestroyWindow(dialog);
    }
}

TEST(Icons, LoadAtBothSystemSizes) {
    HINSTANCE self = GetModuleHandleA(nullptr);
    for (int id : {128, 202}) {
        for (int size : {16, 32}) {
            HANDLE icon =
                LoadImageA(self, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR);
            ASSERT_NE(nullptr, icon) << id << " at " << size;
            ICONINFO info = {};
            ASSERT_TRUE(GetIconInfo(static_cast<HICON>(icon), &info));
            BITMAP mask = {};
            GetObjectA(info.hbmMask, sizeof mask, &mask);
            EXPECT_EQ(size, mask.bmWidth) << id;
            if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(static_cast<HICON>(icon));
        }
    }
}

TEST(Manifest, LoaderBindsCommonControls6) {
    // The loader applies the manifest at start-up; comctl32 then comes from the
    // side-by-side store, not from the system folder. (Wine's comctl32 reports
    // an old version number either way, so the path is what tells.)
    HMODULE comctl = LoadLibraryA("comctl32.dll");
    ASSERT_NE(nullptr, comctl);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(comctl, path, MAX_PATH);
    std::string lower = path;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(std::string::npos, lower.find("winsxs")) << path;
    EXPECT_NE(std::string::npos,
              lower.find("x86_microsoft.windows.common-controls_6595b64144ccf1df_6.0."))
        << path;
    FreeLibrary(comctl);
}

}  // namespace
