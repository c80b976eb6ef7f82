// Kinds and media-file decisions that depend on the MCI extension table of
// the machine hive. A hive layer in $XDG_CONFIG_DIRS registers test
// extensions before any test of this process runs.
#include "playlist/ItemPath.h"
#include "support/TestEnv.h"

#include <QByteArrayList>
#include <gtest/gtest.h>

namespace {

class MciHiveLayer : public ::testing::Environment
{
public:
    void SetUp() override
    {
        // "mp3" with an empty device overrides whatever the installed
        // table registers for it.
        const QByteArray dirs = qgetenv("XDG_CONFIG_DIRS");
        TestEnv::WriteFile(QString::fromLocal8Bit(dirs.split(':').first()) +
                               "/Oxbelund/Lirana.reg",
                           "REGEDIT4\r\n\r\n"
                           "[HKEY_LOCAL_MACHINE\\Software\\Oxbelund\\Lirana\\MCI Extensions]\r\n"
                           "\"wav\"=\"waveaudio\"\r\n\"Xyz\"=\"MPEGVideo\"\r\n\"mp3\"=\"\"\r\n"
                           "\"play\"=\"waveaudio\"\r\n\"stop\"=\"waveaudio\"\r\n\"sh\"=\"waveaudio\"\r\n"
                           "\"CMD\"=\"waveaudio\"\r\n\"m3u\"=\"sequencer\"\r\n\"alb\"=\"sequencer\"\r\n");
    }
};

const auto* const kLayer = ::testing::AddGlobalTestEnvironment(new MciHiveLayer);

QString P(const char* path)
{
    return QString::fromLatin1(path);
}

} // namespace

TEST(ItemMci, RegisteredExtensionIsAnMciDeviceInAnyCase)
{
    EXPECT_EQ(GetMciDeviceForExtension(P("xyz")), P("MPEGVideo"));
    EXPECT_EQ(GetMciDeviceForExtension(P("XYZ")), P("MPEGVideo"));
    for (const char* p : {"/m/clip.xyz", "/m/clip.XyZ"}) {
        EXPECT_EQ(GetItemKind(P(p)), ItemKind::MciDevice) << p;
        EXPECT_TRUE(IsMciExtension(P(p))) << p;
        EXPECT_TRUE(IsMediaFile(P(p))) << p;
    }
    EXPECT_EQ(GetItemKind(P("/m/x.WAV")), ItemKind::Wave);
    EXPECT_TRUE(IsMediaFile(P("/m/x.WAV")));
}

TEST(ItemMci, UnregisteredOrEmptyExtensionIsNoMciExtension)
{
    EXPECT_EQ(GetMciDeviceForExtension(QString()), QString());
    EXPECT_EQ(GetMciDeviceForExtension(P("qqz")), QString());
    for (const char* p : {"/m/x.qqz", "/a/b.c/noext", "/m/x."}) {
        EXPECT_FALSE(IsMciExtension(P(p))) << p;
        EXPECT_FALSE(IsMediaFile(P(p))) << p;
        EXPECT_EQ(GetItemKind(P(p)), ItemKind::Unknown) << p;
    }
    // Registered with an empty device: a known kind, but no media file.
    EXPECT_EQ(GetItemKind(P("/m/x.Mp3")), ItemKind::MpegAudio);
    EXPECT_EQ(GetItemKind(P("/m/x.MP3")), ItemKind::MpegAudio);
    EXPECT_FALSE(IsMediaFile(P("/m/x.mp3")));
}

TEST(ItemMci, RegistrationNeverHidesControlsCommandsOrLists)
{
    ASSERT_TRUE(IsMciExtension(P("x.play"))) << "test layer not read";
    EXPECT_EQ(GetItemKind(P("/m/x.play")), ItemKind::PlayControl);
    EXPECT_EQ(GetItemKind(P("/m/x.STOP")), ItemKind::StopControl);
    EXPECT_EQ(GetItemKind(P("/m/run.sh")), ItemKind::Command);
    EXPECT_EQ(GetItemKind(P("/m/run.cmd")), ItemKind::Command);
    EXPECT_EQ(GetItemKind(P("/m/list.m3u")), ItemKind::MiniPlaylist);
    EXPECT_EQ(GetItemKind(P("/m/show.alb")), ItemKind::Album);
    EXPECT_FALSE(IsMediaFile(P("/m/list.m3u")));
    EXPECT_FALSE(IsMediaFile(P("/m/show.alb")));
}
