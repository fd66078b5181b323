// The diagnostic log: line format, levels, the bounded buffer, no file.
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "log/diagnostic_log.h"

namespace {

TEST(DiagnosticLog, ErrorBecomesOneLineOnStandardOutput) {
    testing::internal::CaptureStdout();
    LogError("OBSE version too old (got %08X expected at least %08X)", 19u, 20u);
    LogError("incorrect Oblivion version (got %08X need %08X)", 0x010201A1u, 0x010201A0u);
    EXPECT_EQ("OBSE version too old (got 00000013 expected at least 00000014)\n"
              "incorrect Oblivion version (got 010201A1 need 010201A0)\n",
              testing::internal::GetCapturedStdout());
}

TEST(DiagnosticLog, OnlyLevelsUpToThreeReachTheConsole) {
    testing::internal::CaptureStdout();
    LogAtLevel(3, "message %d", 3);
    LogAtLevel(4, "hidden %d", 4);
    LogAtLevel(5, "hidden %d", 5);
    LogAtLevel(9, "hidden %d", 9);
    EXPECT_EQ("message 3\n", testing::internal::GetCapturedStdout());
}

TEST(DiagnosticLog, LongMessageIsCutToTheBuffer) {
    const std::string big(20000, 'x');
    testing::internal::CaptureStdout();
    LogError("%s", big.c_str());
    LogError("after");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::string(kLogBufferSize - 1, 'x') + "\nafter\n", out);
}

TEST(DiagnosticLog, OpensNoFile) {
    char tmpl[] = "/tmp/lumenfold-log-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    char old[4096];
    ASSERT_NE(nullptr, getcwd(old, sizeof old));
    ASSERT_EQ(0, chdir(dir.c_str()));
    testing::internal::CaptureStdout();
    for (int level = 1; level <= 5; ++level) {
        LogAtLevel(level, "level %d", level);
    }
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(0, chdir(old));
    DIR* d = opendir(dir.c_str());
    int entries = 0;
    while (dirent* e = readdir(d)) {
        entries += std::string(e->d_name) != "." && std::string(e->d_name) != "..";
    }
    closedir(d);
    EXPECT_EQ(0, entries);
    rmdir(dir.c_str());
}

} // namespace
