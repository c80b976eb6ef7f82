// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/DllLoader.h"

#include <gtest/gtest.h>

TEST(DllLoader, LoadsOnlyWithTheLibraryAndEveryEntryPoint)
{
    const CDllLoader libm(QStringLiteral("libm.so.6"), {"cos", "sin"});
    ASSERT_TRUE(libm.IsLoaded()) << libm.ErrorText().toStdString();
    EXPECT_DOUBLE_EQ(libm.Function<double(double)>(0)(0.0), 1.0);
    EXPECT_EQ(libm.Entry("sin"), libm.Entry(1));
    EXPECT_EQ(libm.Entry("tan"), nullptr);
    EXPECT_EQ(libm.Entry(2), nullptr);

    const CDllLoader partial(QStringLiteral("libm.so.6"), {"cos", "lirana_no_such_entry"});
    EXPECT_FALSE(partial.IsLoaded());
    EXPECT_NE(partial.Entry("cos"), nullptr);
    EXPECT_TRUE(partial.ErrorText().contains(QStringLiteral("lirana_no_such_entry")));
    const CDllLoader missing(QStringLiteral("liblirana-no-such.so"), {});
    EXPECT_FALSE(missing.IsLoaded());
    EXPECT_TRUE(missing.ErrorText().contains(QStringLiteral("liblirana-no-such.so")));
}
