// SPDX-License-Identifier: GPL-3.0-or-later
// The mixer model over an in-memory card, and the line-in track that drives
// it: the line audible from Open to Close and then as it was found (also
// after a killed run, from the state file), errors with their codes (no
// pause or seek: TrackContractTest). The ALSA side runs on the air server
// (tests/air/MixerAirTest.cpp).
#include "media/LineInTrack.h"
#include "media/MixerState.h"
#include "media/TrackFactory.h"

#include "EventRecorder.h"

namespace {

class MixerTest : public ::testing::Test, protected TempHive
{
protected:
    // "Line" is under both destinations; "Mic 2" has no volume, "Beep" no switch.
    CMemoryMixer card{QStringLiteral("Studio Card"),
                      {{0, "Master", false, 50000},
                       {1, "Line", true, 30000},
                       {0, "Line", true, 40000},
                       {1, "Mic 2", true, 0, true, false},
                       {0, "Beep", false, 100, false, true}}};
    CMemoryMixer::Line& line = *card.Find(0, QStringLiteral("Line"));
    EventRecorder owner;

    void SetUp() override { CMixer::SetOpener(card.Opener()); }
    void TearDown() override { TestEnv::UseNoMixer(); }

    static void Choose(unsigned destination, const char* name)
    {
        CRegistryKey::OpenAppSubkey(QStringLiteral("Settings"))
            .SetNumber(QStringLiteral("LineInLine"), std::int32_t(MixerLineId(destination, name, 0)));
    }
};

// The state file of playback "Line" found so, as a live item writes it.
QByteArray StateOf(bool muted, unsigned volume)
{
    return R"({"lines":[{"device":0,"line":105034391,"muted":)" + QByteArray(muted ? "true" : "false") +
           ",\"volume\":" + QByteArray::number(volume) + "}]}";
}

// The code of the mixer error call throws; 0 when none.
template <class Call>
unsigned ErrorOf(Call call)
{
    const auto e = ThrownBy<CMixerException>(call);
    return e ? e->Code() : 0;
}

TEST_F(MixerTest, LinesHaveStableIdsUnderTheirDestinationsAndEveryFailureItsCode)
{
    CMixer mixer;
    EXPECT_EQ(ErrorOf([&] { mixer.GetSource(0, 0); }), 9u);
    EXPECT_EQ(ErrorOf([&] { mixer.Open(1); }), 19u);
    mixer.Open(0);
    QStringList tree{mixer.ProductName()};
    for (unsigned d = 0; d < mixer.Destinations(); ++d) {
        tree << mixer.GetDestination(d).name + u':' + QString::number(mixer.GetDestination(d).connections);
        for (unsigned s = 0; s < mixer.GetDestination(d).connections; ++s)
            tree << mixer.GetSource(d, s).name;
    }
    EXPECT_EQ(tree.join(u','),
              QStringLiteral("Studio Card,Playback:3,Master,Line,Beep,Capture:2,Line,Mic 2"));
    // Ids hang on destination, name and index only: the same in any run and
    // version (a stored "LineInLine" keeps its line).
    EXPECT_EQ(mixer.GetSource(0, 1).lineId, 105034391u);
    EXPECT_NE(mixer.GetSource(0, 1).lineId, mixer.GetSource(1, 0).lineId);
    const unsigned mic = mixer.GetSource(1, 1).lineId;
    const std::pair<std::function<void()>, unsigned> cases[] = {
        {[&] { mixer.GetDestination(2); }, 1024},
        {[&] { mixer.GetSource(0, 3); }, 1024},
        {[&] { mixer.GetSource(1, 2); }, 1024},
        {[&] { mixer.GetLineById(12345); }, 1024},
        {[&] { mixer.GetLineControlByType(mic, MixerControlType::Volume); }, 1025}};
    for (const auto& [call, code] : cases)
        EXPECT_EQ(ErrorOf(call), code);
    // A control found by type is found again by its id; ids of other lines
    // and types differ, and an id past the device's lines is refused.
    const CMixerControl line = mixer.GetLineControlByType(mixer.GetSource(0, 1).lineId,
                                                          MixerControlType::Volume);
    const CMixerControl again = mixer.GetLineControlById(line.id);
    EXPECT_EQ(std::pair(again.lineId, again.type), std::pair(line.lineId, line.type));
    EXPECT_NE(mixer.GetLineControlByType(line.lineId, MixerControlType::Mute).id, line.id);
    EXPECT_EQ(ErrorOf([&] { mixer.GetLineControlById(1000); }), 1025u);
    EXPECT_EQ(mixer.Message(0x4000, 0, 0), CMixer::kMixerNotSupported);
    card.controlError = 5;
    EXPECT_EQ(ErrorOf([&] { mixer.SetControlValue({mic, MixerControlType::Mute}, 1); }), 5u);
    card.openError = 16;
    EXPECT_EQ(ErrorOf([&] { mixer.Open(0); }), 16u);
    EXPECT_FALSE(mixer.IsOpen());
}

TEST_F(MixerTest, ALineWithoutVolumeGoesLiveOneWithoutSwitchOrMissingCannot)
{
    CLineInTrack track;
    Choose(1, "Mic 2");
    track.Open(QStringLiteral("3.live"), &owner);
    EXPECT_FALSE(track.HasVolumeControl());
    const std::pair<const char*, unsigned> refused[] = {{"Beep", 1025}, {"Nothing", 1024}};
    for (const auto& [name, code] : refused) {
        Choose(0, name);
        EXPECT_EQ(ErrorOf([&] { track.Open(QStringLiteral("3.live"), &owner); }), code);
        EXPECT_FALSE(track.IsStopped()) << "closed again";
    }
    EXPECT_TRUE(card.Find(1, QStringLiteral("Mic 2"))->muted) << "the line before muted by the new Open";
}

// A live item's line is audible from Open to Close (its fades act on it),
// and after any end as it was found.
TEST_F(MixerTest, ALiveItemSoundsFromOpenToCloseAndLeavesItsLineAsFoundHoweverItEnds)
{
    enum class End { Played, Stopped, FailedOpen };
    const std::tuple<End, bool, unsigned> cases[] = {
        {End::Played, false, 20000},     {End::Played, true, 40000},     {End::Stopped, true, 0},
        {End::FailedOpen, false, 65535}, {End::FailedOpen, true, 40000}, {End::Stopped, false, 30000}};
    Choose(0, "Line");
    for (const auto& [end, muted, volume] : cases) {
        SCOPED_TRACE(testing::Message() << int(end) << ' ' << muted);
        std::tie(line.muted, line.volume) = std::pair(muted, volume);
        card.halfDoneWrites = end == End::FailedOpen ? 1 : 0; // the un-mute reaches the line, then fails
        auto track = CreateTrack(QStringLiteral("/air/1.live"));
        const unsigned error = ErrorOf([&] { track->Open(QStringLiteral("/air/1.live"), &owner); });
        EXPECT_EQ(error, end == End::FailedOpen ? 5u : 0u);
        if (error == 0) {
            EXPECT_EQ(FileBytes(MixerState::FilePath()).simplified().replace(' ', ""),
                      StateOf(muted, volume));
            EXPECT_FALSE(line.muted);
            track->SetVolume(0.25f);
            EXPECT_EQ(line.volume, volume / 4);
            line.volume = 65535; // turned up meanwhile
            EXPECT_FLOAT_EQ(track->GetVolume(), volume != 0 ? 1.0f : 0.0f);
            track->Play();
            EXPECT_TRUE(end != End::Played || owner.WaitForEnds(owner.ends.size() + 1));
            EXPECT_FALSE(line.muted) << "as found only at Close";
        }
        track->Close();
        EXPECT_EQ(std::pair(line.muted, line.volume), std::pair(muted, volume));
        EXPECT_FALSE(QFile::exists(MixerState::FilePath()));
    }
    // Overlapping live items share what the first found; the last to close gives it back.
    std::tie(line.muted, line.volume) = std::pair(true, 30000u);
    CLineInTrack first, second;
    first.Open(QStringLiteral("1.live"), &owner);
    first.SetVolume(0.5f);
    second.Open(QStringLiteral("1.live"), &owner);
    first.Close();
    second.SetVolume(1.0f);
    EXPECT_EQ(std::pair(line.muted, line.volume), std::pair(false, 30000u)) << "live at the level found";
    second.Close();
    EXPECT_TRUE(line.muted);
}

// A state file a killed run left is set back at the next start and removed;
// a damaged one changes nothing and stays, and so does a line that cannot
// be set (no sound server yet) until a live item takes it. One log line each.
TEST_F(MixerTest, AStateFileLeftBehindIsSetBackAtStartUnlessDamaged)
{
    const QByteArray good = StateOf(true, 40000);
    const std::tuple<QByteArray, int, bool> files[] = {
        {good.left(30), 0, false},
        {QByteArray(good).replace("40000", "65536"), 0, false},
        {QByteArray(good).replace("true", R"("yes")"), 0, false},
        {QByteArray(good).replace(R"("device":0,)", ""), 0, false},
        {QByteArray(good).replace("105034391", "0"), 0, false},
        {good, 111, false},
        {good, 0, true}};
    for (const auto& [text, openError, restored] : files) {
        SCOPED_TRACE(text.toStdString());
        std::tie(line.muted, line.volume) = std::pair(false, 1234u); // live and faded
        TestEnv::WriteFile(MixerState::FilePath(), text);
        card.openError = openError;
        const QStringList log = StderrOf(MixerState::RestoreLeftOver).split(u'\n', Qt::SkipEmptyParts);
        EXPECT_EQ(log.size(), 1);
        EXPECT_EQ(log.value(0).contains(u"damaged"), !restored && openError == 0);
        EXPECT_EQ(std::pair(line.muted, line.volume),
                  restored ? std::pair(true, 40000u) : std::pair(false, 1234u));
        EXPECT_EQ(FileBytes(MixerState::FilePath()), restored ? QByteArray("<missing>") : text);
        if (openError != 0) {
            card.openError = 0;
            Choose(0, "Line");
            CLineInTrack().Open(QStringLiteral("1.live"), &owner);
            EXPECT_EQ(std::pair(line.muted, line.volume), std::pair(true, 40000u)) << "as the file had it";
        }
    }
}

} // namespace
