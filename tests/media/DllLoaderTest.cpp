// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/DllLoader.h"

#include "support/UnitTest.h"

TEST(DllLoader, LoadsOnlyWithTheLibraryAndEveryEntryPoint)
{
    const CDllLoader libm(QStringLiteral("libm.so.6"), {"cos", "sin"});
    ASSERT_TRUE(libm.IsLoaded()) << libm.ErrorText().toStdString();
    EXPECT_DOUBLE_EQ(libm.Function<double(double)>(0)(0.0), 1.0);
    EXPECT_EQ(libm.Entry("sin"), libm.Entry(1));
    EXPECT_EQ(libm.Entry("tan"), nullptr);
    EXPECT_EQ(libm.Entry(2), nullptr);

    const CDllLoader partial(QStringLiteral("libm.so.6"), {"cos", "lirana_no_such_entry"});
    const CDllLoader missing(QStringLiteral("liblirana-no-such.so"), {});
    EXPECT_EQ(std::tuple(partial.IsLoaded(), partial.Entry("cos") != nullptr,
                         partial.ErrorText().contains("lirana_no_such_entry"), missing.IsLoaded(),
                         missing.ErrorText().contains("liblirana-no-such.so")),
              std::tuple(false, true, true, false, true));
}
