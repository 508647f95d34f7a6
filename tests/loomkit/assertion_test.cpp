// Each report ends its process, so every case runs in a child (a death test)
// and the parent reads the log the child left in a fresh directory.
#include "loomkit/assertion.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <boost/assert.hpp>
#include <cstdio>
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
        ASSERT_EQ(0, ::chdir(pattern));
    }
    void TearDown() override {
        TakeLog();
        ::rmdir(directory_.c_str());
    }
    // The log so far, emptied for the next record.
    std::string TakeLog() const {
        std::ostringstream text;
        text << std::ifstream(directory_ + "/ERROR_TEMP.txt", std::ios::binary).rdbuf();
        std::remove((directory_ + "/ERROR_TEMP.txt").c_str());
        return text.str();
    }

    std::string directory_;
};

// The exit code -1 reaches the parent as its low byte.
const auto kExitedWithMinusOne = ::testing::ExitedWithCode(255);

// A record has no line break of its own: the second continues the first's
// last line. No format gives "No message" and a line feed.
TEST_F(ReportAssertion, AppendsRecordsCutToSizeAndExitsWithMinusOne) {
    EXPECT_EXIT(loomkit::report_assertion("a", "b.cpp", 1, "%s=%d", "x", 5), kExitedWithMinusOne,
                "");
    EXPECT_EXIT(loomkit::report_assertion("c", "d.cpp", 2, nullptr), kExitedWithMinusOne, "");
    EXPECT_EQ(
        "LOOMKIT_ASSERT(a):\nfile:b.cpp / \n line:1 / \n message: x=5"
        "LOOMKIT_ASSERT(c):\nfile:d.cpp / \n line:2 / \n message: No message\n",
        TakeLog());
    // Long messages and records are cut.
    const std::string long_message(5000, 'm');
    EXPECT_EXIT(loomkit::report_assertion("m", "f", 3, "%s", long_message.c_str()),
                kExitedWithMinusOne, "");
    EXPECT_EQ("LOOMKIT_ASSERT(m):\nfile:f / \n line:3 / \n message: " + std::string(1023, 'm'),
              TakeLog());
    const std::string long_check(3000, 'c');
    EXPECT_EXIT(loomkit::report_assertion(long_check.c_str(), "f", 3, "x"), kExitedWithMinusOne,
                "");
    EXPECT_EQ(2047u, TakeLog().size());
    // The macro reports its check's text; Boost's own checks are routed here.
    const int n = 12;
    LOOMKIT_ASSERT(n > 10);  // a passing check does nothing
    EXPECT_EXIT(LOOMKIT_ASSERT(n < 10), kExitedWithMinusOne, "");
    EXPECT_EQ(0u, TakeLog().find("LOOMKIT_ASSERT(n < 10):\n"));
    EXPECT_EXIT(BOOST_ASSERT(n == 3), kExitedWithMinusOne, "");
    const std::string log = TakeLog();
    EXPECT_EQ(0u, log.find("LOOMKIT_ASSERT(n == 3):\nfile:")) << log;
    EXPECT_NE(std::string::npos, log.find("assertion_test.cpp / \n line:")) << log;
    EXPECT_NE(std::string::npos, log.find(" / \n message: (unknown)")) << log;
}

TEST(ShowMessage, WithoutMessageBoxTheTextGoesToStandardError) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(0, loomkit::show_message("failed get %s", "version"));
    EXPECT_EQ("failed get version\n", ::testing::internal::GetCapturedStderr());
}

}  // namespace
