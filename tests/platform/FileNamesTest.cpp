// SPDX-License-Identifier: GPL-3.0-or-later
// File names as bytes: what each name reads as, shows as, and writes back.
#include "platform/FileNames.h"
#include "support/TestEnv.h"

#include <QFileInfo>
#include <QUrl>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

TEST(FileNames, EveryNameKeepsItsBytesAndShowsAsValidUtf8)
{
    const struct
    {
        QByteArray bytes;
        const char* shown; // UTF-8
    } cases[] = {
        {"/m/Caf\xC3\xA9 \xE6\x97\xA5.wav", "/m/Caf\xC3\xA9 \xE6\x97\xA5.wav"},
        {"caf\xE9.wav", "caf\xEF\xBF\xBD.wav"},                                   // Latin-1
        {"\x80lone", "\xEF\xBF\xBDlone"},                                         // a continuation byte alone
        {"a\xC0\xAF", "a\xEF\xBF\xBD\xEF\xBF\xBD"},                               // an overlong '/'
        {"\xE0\x80\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},                 // overlong, three bytes
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},                 // an encoded surrogate
        {"\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}, // past U+10FFFF
        {"end\xC3", "end\xEF\xBF\xBD"},                                           // cut short
        {"a\xEF\xBF\xBD.wav", "a\xEF\xBF\xBD.wav"},               // a real U+FFFD is a character like any
        {"\xF0\x9F\x92\xA9\xE9", "\xF0\x9F\x92\xA9\xEF\xBF\xBD"}, // a pair whose low half looks escaped
        {"", ""},
    };
    for (const auto& c : cases) {
        const QString name = FileNameFromBytes(c.bytes);
        EXPECT_EQ(FileNameBytes(name), c.bytes) << c.bytes.toStdString();
        EXPECT_EQ(DisplayFileName(name).toUtf8(), QByteArray(c.shown)) << c.bytes.toStdString();
        EXPECT_EQ(HasEscapedBytes(name), c.bytes != c.shown) << c.bytes.toStdString();
        if (c.bytes == c.shown) {
            EXPECT_EQ(name, QString::fromUtf8(c.bytes)) << "valid UTF-8 reads as Qt reads it";
        }
    }
}

// A dropped or pasted file URL keeps the bytes its escapes name.
TEST(FileNames, AFileUrlNamesItsBytes)
{
    const std::pair<const char*, QByteArray> cases[] = {
        {"file:///m/caf%E9.wav", "/m/caf\xE9.wav"},
        {"file:///m/caf%C3%A9%20x.wav", "/m/caf\xC3\xA9 x.wav"},
        {"file:///m/caf\xC3\xA9 x.wav", "/m/caf\xC3\xA9 x.wav"},
        {"file:///m/a%25b.wav", "/m/a%b.wav"},
    };
    for (const auto& [url, bytes] : cases)
        EXPECT_EQ(FileNameBytes(FileNameFromUrl(QUrl(QString::fromUtf8(url)))), bytes) << url;
}

// Qt's own file functions miss a name that is not UTF-8; its bytes find it.
TEST(FileNames, ANameThatIsNotUtf8IsFoundByItsBytes)
{
    const QByteArray path = TestEnv::MakeTempDir("names").toUtf8() + "/caf\xE9.wav";
    ::close(::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    const QString name = FileNameFromBytes(path);
    EXPECT_TRUE(FileNameExists(name, true));
    EXPECT_FALSE(FileNameExists(name + "x"));
    EXPECT_FALSE(FileNameExists(QFileInfo(name).absolutePath(), true)) << "a folder is no regular file";
    EXPECT_FALSE(QFileInfo::exists(name)) << "if Qt finds it now, the byte mapping may be simpler";
    ::unlink(path.constData()); // the test's folder is removed by Qt, which would miss it too
}
