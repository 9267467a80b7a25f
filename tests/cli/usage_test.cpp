// zarnres as a user runs it: a subprocess, its exit status, its messages.
#include "support/Run.h"

#include <gtest/gtest.h>

TEST(ZarnresUsage, MissingOrUnknownSubcommandIsAUsageErrorAndHelpSucceeds)
{
    EXPECT_EQ(zarn::test::runZarnres({}).status, 2);
    EXPECT_EQ(zarn::test::runZarnres({ "frobnicate" }).status, 2);
    const auto r = zarn::test::runZarnres({ "--help" });
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("zarnres"), std::string::npos) << r.out;
}
