#include "media/DllLoader.h"

#include <gtest/gtest.h>

TEST(DllLoader, LoadsLibraryAndEntryPoints)
{
    const CDllLoader libm(QStringLiteral("libm.so.6"), {"cos", "sin"});
    ASSERT_TRUE(libm.IsLoaded()) << libm.ErrorText().toStdString();
    EXPECT_TRUE(libm.ErrorText().isEmpty());
    auto* cosine = libm.Function<double(double)>(0);
    ASSERT_NE(cosine, nullptr);
    EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
    EXPECT_EQ(libm.Entry("sin"), libm.Entry(1));
    EXPECT_EQ(libm.Entry("tan"), nullptr);
    EXPECT_EQ(libm.Entry(2), nullptr);
}

TEST(DllLoader, MissingEntryPointOrLibraryIsNotLoaded)
{
    const CDllLoader libm(QStringLiteral("libm.so.6"), {"cos", "lirana_no_such_entry"});
    EXPECT_FALSE(libm.IsLoaded());
    EXPECT_NE(libm.Entry("cos"), nullptr);
    EXPECT_EQ(libm.Entry(1), nullptr);
    EXPECT_TRUE(libm.ErrorText().contains(QStringLiteral("lirana_no_such_entry")));

    const CDllLoader missing(QStringLiteral("liblirana-no-such-library.so"), {"entry"});
    EXPECT_FALSE(missing.IsLoaded());
    EXPECT_EQ(missing.Entry(0), nullptr);
    EXPECT_TRUE(missing.ErrorText().contains(QStringLiteral("liblirana-no-such-library.so")));

    const CDllLoader noEntries(QStringLiteral("liblirana-no-such-library.so"), {});
    EXPECT_FALSE(noEntries.IsLoaded());
}
