// Each report ends its process, so every case runs in a child (a death test)
// and the parent reads the log the child left in a fresh directory.
#include "loomkit/assertion.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <boost/assert.hpp>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class ReportAssertion : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zentrail-assert-XXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(pattern));
        directory_ = pattern;
        ASSERT_EQ(0, ::chdir(directory_.c_str()));
    }
    void TearDown() override {
        std::remove((directory_ + "/ERROR_TEMP.txt").c_str());
        ::chdir("/");
        ::rmdir(directory_.c_str());
    }
    std::string Log() const {
        std::ifstream file(directory_ + "/ERROR_TEMP.txt", std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    std::string directory_;
};

// The exit code -1 reaches the parent as its low byte.
const auto kExitedWithMinusOne = ::testing::ExitedWithCode(255);

TEST_F(ReportAssertion, WritesFourLineRecordAndExitsWithMinusOne) {
    EXPECT_EXIT(loomkit::report_assertion("n < 10", "F", 62, "(unknown)"), kExitedWithMinusOne,
                "");
    EXPECT_EQ("LOOMKIT_ASSERT(n < 10):\nfile:F / \n line:62 / \n message: (unknown)", Log());
}

TEST_F(ReportAssertion, FormatsMessageAndAppends) {
    EXPECT_EXIT(loomkit::report_assertion("a", "b.cpp", 1, "%s=%d", "x", 5), kExitedWithMinusOne,
                "");
    EXPECT_EXIT(loomkit::report_assertion("c", "d.cpp", 2, nullptr), kExitedWithMinusOne, "");
    // A record has no line break of its own: the second continues the first's
    // last line. No format gives "No message" and a line feed.
    EXPECT_EQ(
        "LOOMKIT_ASSERT(a):\nfile:b.cpp / \n line:1 / \n message: x=5"
        "LOOMKIT_ASSERT(c):\nfile:d.cpp / \n line:2 / \n message: No message\n",
        Log());
}

TEST_F(ReportAssertion, CutsLongMessageAndRecord) {
    const std::string long_message(5000, 'm');
    EXPECT_EXIT(loomkit::report_assertion("m", "f", 3, "%s", long_message.c_str()),
                kExitedWithMinusOne, "");
    const std::string head = "LOOMKIT_ASSERT(m):\nfile:f / \n line:3 / \n message: ";
    EXPECT_EQ(head + std::string(1023, 'm'), Log());

    std::remove((directory_ + "/ERROR_TEMP.txt").c_str());
    const std::string long_check(3000, 'c');
    EXPECT_EXIT(loomkit::report_assertion(long_check.c_str(), "f", 3, "x"), kExitedWithMinusOne,
                "");
    EXPECT_EQ(2047u, Log().size());
}

// The project routes Boost's own checks here.
TEST_F(ReportAssertion, BoostAssertionReachesTheLog) {
    EXPECT_EXIT(BOOST_ASSERT(1 + 1 == 3), kExitedWithMinusOne, "");
    const std::string log = Log();
    EXPECT_EQ(0u, log.find("LOOMKIT_ASSERT(1 + 1 == 3):\nfile:")) << log;
    EXPECT_NE(std::string::npos, log.find("assertion_test.cpp / \n line:")) << log;
    EXPECT_NE(std::string::npos, log.find(" / \n message: (unknown)")) << log;
}

TEST_F(ReportAssertion, MacroReportsTheCheckText) {
    const int n = 12;
    EXPECT_EXIT(LOOMKIT_ASSERT(n < 10), kExitedWithMinusOne, "");
    EXPECT_EQ(0u, Log().find("LOOMKIT_ASSERT(n < 10):\n"));
    LOOMKIT_ASSERT(n > 10);  // a passing check does nothing
}

TEST(ShowMessage, WithoutMessageBoxTheTextGoesToStandardError) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(0, loomkit::show_message("failed get %s", "version"));
    EXPECT_EQ("failed get version\n", ::testing::internal::GetCapturedStderr());
}

}  // namespace
