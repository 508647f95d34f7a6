#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "about/hyper_link.h"
#include "hyper_link_test_resources.h"
#include "hyper_link_test_support.h"
#include "test_support.h"

namespace {

std::string ExeFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The link's targets here are the probe program, which leaves a marker file
// and ends, and paths that do not exist: nothing reaches a browser.
class HyperLinkOpenTest : public HyperLinkTest {
  protected:
    void SetUp() override {
        HyperLinkTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "zentrail-link-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder.c_str(), nullptr);
        marker = folder + "\\opened.txt";
        SetEnvironmentVariableA("ZENTRAIL_LINK_PROBE_MARKER", marker.c_str());
        probe = ExeFolder() + "hyper_link_open_probe.exe";
        ASSERT_TRUE(FileExists(probe)) << probe;
    }
    void TearDown() override {
        SetEnvironmentVariableA("ZENTRAIL_LINK_PROBE_MARKER", nullptr);
        if (folder.empty()) return;
        DeleteFileA(marker.c_str());
        DeleteFileA((marker + ".part").c_str());
        RemoveDirectoryA(folder.c_str());
    }

    // Waits for the probe's marker, then for the probe itself to end.
    bool ProbeRanAndEnded() {
        if (!WaitUntil([&] { return FileExists(marker); }, 20000)) return false;
        unsigned long id = 0;
        if (std::FILE* file = std::fopen(marker.c_str(), "r")) {
            if (std::fscanf(file, "%lu", &id) != 1) id = 0;
            std::fclose(file);
        }
        if (id == 0) return false;
        const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
        if (process == nullptr) return true;  // already gone
        const bool ended = WaitForSingleObject(process, 20000) == WAIT_OBJECT_0;
        CloseHandle(process);
        return ended;
    }

    std::string folder;
    std::string marker;
    std::string probe;
};

TEST_F(HyperLinkOpenTest, ASuccessfulOpenTurnsTheLinkVisited) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_TAGGED)));
    link.SetLinkStyle(LINKSTYLE_TAGS);
    ASSERT_TRUE(link.SetLabelText("probe : <a>run it</a>"));
    ASSERT_TRUE(link.SetTarget(probe.c_str()));
    const RECT r = link.LinkRect();
    EXPECT_GT(Picture::Print(link.Handle()).Count(RGB(0, 0, 255), r), 0);

    SendMessageA(link.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, InsideLink(link));
    SendMessageA(link.Handle(), WM_LBUTTONUP, 0, InsideLink(link));
    EXPECT_TRUE(link.IsVisited());
    EXPECT_TRUE(ProbeRanAndEnded());

    const Picture picture = Picture::Print(link.Handle());
    EXPECT_GT(picture.Count(RGB(128, 0, 128), r), 0);
    EXPECT_EQ(0, picture.CountOutside(RGB(128, 0, 128), r));
    EXPECT_EQ(0, picture.Count(RGB(0, 0, 255)));

    // Disabled, a visited link is grey like any other.
    EnableWindow(link.Handle(), FALSE);
    EXPECT_EQ(0, Picture::Print(link.Handle()).Count(RGB(128, 0, 128)));
    EXPECT_TRUE(dialog->commands.empty());
    EXPECT_TRUE(dialog->notifies.empty());
}

TEST_F(HyperLinkOpenTest, EnterOpensAndVisitedTakesTheRegistryColour) {
    colors.SetText(kAnchorColorVisited, "255,128,0");
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_LEFT)));
    ASSERT_TRUE(link.SetTarget(probe.c_str()));
    EXPECT_EQ(0, SendMessageA(link.Handle(), WM_CHAR, 13, 1));
    EXPECT_TRUE(link.IsVisited());
    EXPECT_TRUE(ProbeRanAndEnded());
    EXPECT_GT(Picture::Print(link.Handle()).Count(RGB(255, 128, 0), link.LinkRect()), 0);
}

TEST_F(HyperLinkOpenTest, AFailedOpenChangesNothing) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_LEFT)));
    const std::string missing = folder + "\\no-such-folder\\no-such-program.exe";
    ASSERT_TRUE(link.SetTarget(missing.c_str()));
    EXPECT_FALSE(link.OpenTarget());
    SendMessageA(link.Handle(), WM_CHAR, 32, 1);
    EXPECT_FALSE(link.IsVisited());
    const Picture picture = Picture::Print(link.Handle());
    EXPECT_GT(picture.Count(RGB(0, 0, 255), link.LinkRect()), 0);
    EXPECT_EQ(0, picture.Count(RGB(128, 0, 128)));
    EXPECT_FALSE(FileExists(marker));
}

TEST_F(HyperLinkOpenTest, CommandModeNeverOpensTheTarget) {
    ASSERT_TRUE(link.Attach(Static(IDC_LINK_LEFT)));
    ASSERT_TRUE(link.SetTarget(probe.c_str()));
    link.SetLinkStyle(LINKSTYLE_COMMAND);
    EXPECT_TRUE(link.OpenTarget());
    link.SetLinkStyle(LINKSTYLE_NOTIFY);
    EXPECT_TRUE(link.OpenTarget());
    EXPECT_EQ(1u, dialog->commands.size());
    EXPECT_EQ(1u, dialog->notifies.size());
    EXPECT_FALSE(link.IsVisited());
    // Had the probe been started, its marker would appear within this time.
    EXPECT_FALSE(WaitUntil([&] { return FileExists(marker); }, 1500));
}

}  // namespace
