// The About box in this process: the version text, what the box shows and
// links, and how its run ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "about/about_dialog.h"
#include "in_process.h"
#include "res/about_text.h"
#include "res/resource_ids.h"
#include "shell/app_module.h"

namespace {

using zentrail::drive::WindowsPath;

// A module loaded for its resources only.
class DataModule {
  public:
    explicit DataModule(const char* path)
        : module_(LoadLibraryExA(WindowsPath(path).c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~DataModule() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    DataModule(const DataModule&) = delete;
    DataModule& operator=(const DataModule&) = delete;

    HINSTANCE get() const { return module_; }

  private:
    HMODULE module_;
};

TEST(ReadVersionText, AppendsTheFileVersionWithSpacedDots) {
    std::string text = "version ";
    ASSERT_TRUE(ReadVersionText(text, GetModuleHandleA(nullptr)));
    EXPECT_EQ("version 2 . 0 . 0 . 1", text);
}

TEST(ReadVersionText, ReadsEachWordAsUnsigned) {
    // File version 40000,0,65535,1; the product version differs on purpose.
    const DataModule probe(VERSION_PROBE_DLL);
    ASSERT_NE(nullptr, probe.get());
    std::string text;
    ASSERT_TRUE(ReadVersionText(text, probe.get()));
    EXPECT_EQ("40000 . 0 . 65535 . 1", text);
}

struct Missing {
    const char* name;
    const char* module;
};

void PrintTo(const Missing& m, std::ostream* out) { *out << m.name; }

class ReadVersionTextWithout : public ::testing::TestWithParam<Missing> {};

TEST_P(ReadVersionTextWithout, FailsAndLeavesTheTextAlone) {
    const DataModule module(GetParam().module);
    ASSERT_NE(nullptr, module.get());
    std::string text = "kept";
    EXPECT_FALSE(ReadVersionText(text, module.get()));
    EXPECT_EQ("kept", text);
}

INSTANTIATE_TEST_SUITE_P(
    Modules, ReadVersionTextWithout,
    ::testing::Values(Missing{"AVersionResource", ZENTRAIL_WITHOUT_VERSION_EXE},
                      // Shorter than the fixed file information: it must
                      // not be read past its end.
                      Missing{"AWholeVersionResource", TRUNCATED_VERSION_PROBE_DLL}),
    [](const ::testing::TestParamInfo<Missing>& p) { return std::string(p.param.name); });

// --- One run of the box -------------------------------------------------------------------

// What the box showed while it was open, and how its run ended.
struct Seen {
    bool open = false;
    std::string versionLine;
    bool linksAttached = false;
    INT_PTR result = 0;
};

// Runs an About box over a hidden owner and, once it shows, looks at it and
// sends it message.
Seen RunAbout(UINT message, WPARAM wParam) {
    Seen seen;
    AboutDialog about;
    Ticker look(20, [&] {
        const HWND box = about.Handle();
        if (seen.open || box == nullptr || !IsWindowVisible(box)) return;
        seen.open = true;
        seen.versionLine = WindowText(GetDlgItem(box, IDC_VERSION_TEXT));
        seen.linksAttached = about.WeblogLink().Handle() == GetDlgItem(box, IDC_WEBLOG_LINK) &&
                             about.BooklogLink().Handle() == GetDlgItem(box, IDC_BOOKLOG_LINK) &&
                             about.ShopLink().Handle() == GetDlgItem(box, IDC_SHOP_LINK);
        PostMessageA(box, message, wParam, 0);
    });
    seen.result = about.RunModal(nullptr, 0);
    return seen;
}

class AboutDialogTest : public ::testing::Test {
  protected:
    void SetUp() override { SKIP_WITHOUT_DISPLAY(); }
    void TearDown() override { EXPECT_EQ(nullptr, appModule.TakeCreation()); }
};

TEST_F(AboutDialogTest, ShowsTheVersionAndCopyrightAndAttachesTheLinks) {
    const Seen seen = RunAbout(WM_COMMAND, IDOK);
    ASSERT_TRUE(seen.open);
    EXPECT_EQ("Zentrail Version: 2.0.0.1\n" ZENTRAIL_COPYRIGHT_LINE, seen.versionLine);
    EXPECT_TRUE(seen.linksAttached);
}

TEST_F(AboutDialogTest, LinksShowTheirAddressesAndTheFirstOpensAnother) {
    AboutDialog about;
    Ticker close(20, [&] {
        if (about.Handle() != nullptr) PostMessageA(about.Handle(), WM_COMMAND, IDOK, 0);
    });
    about.RunModal(nullptr, 0);
    // The links keep their texts until the box's object ends.
    std::string labels[3];
    std::string targets[3];
    DWORD styles[3] = {};
    const HyperLink* links[] = {&about.WeblogLink(), &about.BooklogLink(), &about.ShopLink()};
    for (int i = 0; i < 3; ++i) {
        labels[i] = links[i]->Label() != nullptr ? links[i]->Label() : "(none)";
        targets[i] = links[i]->Target() != nullptr ? links[i]->Target() : "(none)";
        styles[i] = links[i]->LinkStyle();
    }
    EXPECT_EQ("author weblog : <a>" ZENTRAIL_WEBLOG_SHOWN "</a>", labels[0]);
    EXPECT_EQ(ZENTRAIL_WEBLOG_OPENED, targets[0]);
    EXPECT_NE(targets[0], ZENTRAIL_WEBLOG_SHOWN);
    EXPECT_EQ("booklog : <a>" ZENTRAIL_BOOKLOG_ADDRESS "</a>", labels[1]);
    EXPECT_EQ(ZENTRAIL_BOOKLOG_ADDRESS, targets[1]);
    EXPECT_EQ("author shop : <a>" ZENTRAIL_SHOP_ADDRESS "</a>", labels[2]);
    EXPECT_EQ(ZENTRAIL_SHOP_ADDRESS, targets[2]);
    for (const DWORD style : styles) EXPECT_EQ(LINKSTYLE_TAGS, style);
}

TEST(AboutAddresses, AreOnDocumentationDomainsAndTheFirstTwoOnDifferentHosts) {
    const auto hostOf = [](const std::string& address) {
        const std::size_t start = address.find("://") + 3;
        return address.substr(start, address.find('/', start) - start);
    };
    const auto reserved = [](const std::string& host) {
        for (const char* domain : {"example.com", "example.org", "example.net"}) {
            const std::string d = domain;
            if (host == d ||
                (host.size() > d.size() &&
                 host.compare(host.size() - d.size() - 1, std::string::npos, "." + d) == 0)) {
                return true;
            }
        }
        return false;
    };
    for (const char* address : {ZENTRAIL_WEBLOG_SHOWN, ZENTRAIL_WEBLOG_OPENED,
                                ZENTRAIL_BOOKLOG_ADDRESS, ZENTRAIL_SHOP_ADDRESS}) {
        EXPECT_TRUE(reserved(hostOf(address))) << address;
    }
    EXPECT_NE(hostOf(ZENTRAIL_WEBLOG_SHOWN), hostOf(ZENTRAIL_WEBLOG_OPENED));
}

struct Ending {
    const char* name;
    UINT message;
    WPARAM wParam;
    INT_PTR result;
};

void PrintTo(const Ending& e, std::ostream* out) { *out << e.name; }

class AboutDialogEndedBy : public AboutDialogTest, public ::testing::WithParamInterface<Ending> {};

TEST_P(AboutDialogEndedBy, GivesItsCode) {
    const Seen seen = RunAbout(GetParam().message, GetParam().wParam);
    ASSERT_TRUE(seen.open);
    EXPECT_EQ(GetParam().result, seen.result);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, AboutDialogEndedBy,
    ::testing::Values(Ending{"Ok", WM_COMMAND, IDOK, IDOK},
                      Ending{"OkWithNotification", WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), IDOK},
                      Ending{"Cancel", WM_COMMAND, IDCANCEL, IDCANCEL},
                      Ending{"CloseBox", WM_SYSCOMMAND, SC_CLOSE, IDCANCEL}),
    [](const ::testing::TestParamInfo<Ending>& p) { return std::string(p.param.name); });

}  // namespace
