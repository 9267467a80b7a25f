// zarnres as a user runs it: a subprocess, its exit status, its messages.
#include "cli/CliRunner.h"

#include <gtest/gtest.h>

TEST(ZarnresUsage, NoSubcommandIsAUsageError)
{
    const auto r = zarn::test::runZarnres({});
    EXPECT_EQ(r.status, 2);
}

TEST(ZarnresUsage, UnknownSubcommandIsAUsageError)
{
    const auto r = zarn::test::runZarnres({ "frobnicate" });
    EXPECT_EQ(r.status, 2);
}

TEST(ZarnresUsage, HelpSucceeds)
{
    const auto r = zarn::test::runZarnres({ "--help" });
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("zarnres"), std::string::npos);
}
