// SPDX-License-Identifier: GPL-3.0-or-later
// The media-control layer and its tracks against the real decoders
// (libsndfile, GStreamer, FluidSynth), played into the paced null output.
#include "media/MciTrack.h"
#include "media/DeviceAir.h"
#include "media/SoundBank.h"
#include "media/TrackFactory.h"
#include "platform/mci/MidiFile.h"
#include "platform/mci/PcmSource.h"
#include "platform/mci/SoundBanks.h"

#include "EventRecorder.h"

#include <cmath>

using mci::MCIERROR;
using mci::PcmSource;

namespace {

class MciTrackTest : public TrackTest
{
protected:
    static QString Wav() { return TestMedia::ToneWav(TestEnv::Root(), QStringLiteral("tone"), 440, 1.5); }
    std::vector<int> Codes() const
    {
        std::vector<int> codes;
        for (const auto& [code, sender] : owner.ends)
            codes.push_back(code);
        return codes;
    }
};

// Peak of the first `frames` frames a source yields.
int Peak(PcmSource& source, std::int64_t frames)
{
    std::vector<std::int16_t> block(std::size_t(frames) * 2);
    const std::int64_t got = source.Read(block.data(), frames);
    int peak = 0;
    for (std::int64_t i = 0; i < got * 2; ++i)
        peak = std::max(peak, std::abs(int(block[std::size_t(i)])));
    return peak;
}

} // namespace

TEST_F(MciTrackTest, AliasesCountFromAlias0AlsoWhenAnOpenFailsAndErrorsNameTheItem)
{
    ASSERT_EQ(CMCIDevice::NextAlias(), 0) << "the first open of the process";
    CMCITrack missing;
    const auto e = ThrownBy<CMCIException>([&] { missing.Open(TestEnv::Root() + "/missing.wav", &owner); });
    ASSERT_TRUE(e) << "opened a missing file";
    EXPECT_EQ((std::tuple{e->Error(), e->Command(), e->GetErrorMessage().contains("missing.wav")}),
              std::tuple(mci::MCIERR_FILE_NOT_FOUND, mci::MCI_OPEN, true))
        << qPrintable(e->GetErrorMessage());
    EXPECT_EQ(missing.DeviceId(), 0u);
    CMCITrack track;
    track.Open(Wav(), &owner);
    EXPECT_EQ(std::tuple(mci::mciGetDeviceID(QStringLiteral("alias1")),
                         mci::mciGetDeviceID(QStringLiteral("alias0")), track.ConfigureDriver()),
              std::tuple(track.DeviceId(), 0u, 0))
        << "alias1 taken, nothing to configure";

    // What the extension table and the device types answer.
    const std::vector<std::pair<QString, MCIERROR>> opens = {
        {TestMedia::TextAsWav(TestEnv::Root()), mci::MCIERR_INVALID_FILE},
        {TestEnv::WriteFile(TestEnv::Root() + QStringLiteral("/x.unknownext"), "x"),
         mci::MCIERR_EXTENSION_NOT_FOUND},
        {QStringLiteral("/dev/sr0/Track02.cda"), mci::MCIERR_FILE_NOT_FOUND},
        {TestEnv::WriteFile(TestEnv::Root() + QStringLiteral("/notes.mid"), "MThd"),
         mci::MCIERR_INVALID_FILE}};
    for (const auto& [path, error] : opens) {
        CMCITrack bad;
        const auto thrown = ThrownBy<CMCIException>([&] { bad.Open(path, &owner); });
        EXPECT_EQ(thrown ? thrown->Error() : 0, error) << qPrintable(path);
    }
    EXPECT_EQ(CMCIDevice::NextAlias(), 6);
}

// Devices play into the station's air bus, whatever the old "WaveOutDevice"
// setting names: an input of the bus while playing, gone at Close (before, a
// device that could not be opened failed the play). What every track does is
// in TrackContractTest; here the formats' lengths and the level's word.
TEST_F(MciTrackTest, WavMp3AndOggPlayOnTheBusWithTheirLengthAndLevel)
{
    TempHive hive;
    qunsetenv("LIRANA_WAVE_OUT_DEVICE");
    CRegistryKey::OpenAppSubkey(QStringLiteral("Settings"))
        .SetText(QStringLiteral("WaveOutDevice"), QStringLiteral(" lirana-no-such-pcm "));
    const QString wav = Wav();
    for (const QString& path : {wav, TestMedia::Encode(wav, TestMedia::Format::Mp3),
                                TestMedia::Encode(wav, TestMedia::Format::Ogg)}) {
        SCOPED_TRACE(qPrintable(path));
        CMCITrack track;
        track.Open(path, &owner);
        EXPECT_NEAR(track.GetLength(), 1530, 50) << "MP3 with its padding";
        track.SetVolume(0.5f);
        std::uint32_t level = 0;
        ASSERT_EQ(mci::waveOutGetVolume(track.DeviceId(), &level), mci::MMSYSERR_NOERROR);
        EXPECT_EQ(level, 0x80008000u) << "65535 x 0.5 + 0.5 on both channels";
        EXPECT_EQ(track.AirInput(), nullptr) << "an input before the play";
        track.PlayRange(600, 1300);
        ASSERT_TRUE(TestEnv::WaitUntil([&] { return track.GetPosition() > 800; }, 3000));
        ASSERT_NE(track.AirInput(), nullptr) << "the play is not on the bus";
        EXPECT_GT(track.AirInput()->FramesTaken(), 0u);
        track.Close();
        EXPECT_EQ(std::pair(track.DeviceId(), track.AirInput()), std::pair(0u, std::shared_ptr<CAirInput>()));
    }
}

TEST_F(MciTrackTest, SeekPastTheEndWhilePlayingRestartsOneMillisecondBeforeTheEnd)
{
    CMCITrack track;
    track.Open(Wav(), &owner);
    track.Play();
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return track.GetPosition() > 0; }, 2000));
    track.Seek(track.GetLength() + 1000);
    EXPECT_GE(track.GetPosition(), track.GetLength() - 1);
    ASSERT_TRUE(owner.WaitForEnds(2));
    EXPECT_EQ(Codes(), (std::vector<int>{MCI_NOTIFY_SUPERSEDED, MCI_NOTIFY_SUCCESSFUL}));
    EXPECT_EQ(track.GetPosition(), track.GetLength());

    // Stop aborts a pending notification; Stop on a stopped track sends nothing.
    track.Play(); // from the end: nothing left but the notification
    ASSERT_TRUE(owner.WaitForEnds(3));
    track.PlayRange(0, 1500);
    track.Stop();
    EXPECT_EQ(track.AirInput(), nullptr) << "the input outlived the play";
    track.Stop();
    Spin(100);
    EXPECT_EQ(Codes(), (std::vector<int>{MCI_NOTIFY_SUPERSEDED, MCI_NOTIFY_SUCCESSFUL, MCI_NOTIFY_SUCCESSFUL,
                                         MCI_NOTIFY_ABORTED}));
}

TEST_F(MciTrackTest, AMidiFilePlaysThroughTheSynthesizerForItsLength)
{
    ASSERT_FALSE(mci::SoundFontPath().isEmpty()) << "no General MIDI SoundFont installed";
    // 2 s at 120 bpm and 1 s at 60 bpm: 2000 ms.
    const QString midi = TestMedia::MidiFile(TestEnv::Root(), QStringLiteral("song"), {{2, 120}, {1, 60}});
    std::uint32_t error = 0;
    const auto source = mci::OpenMidiSource(midi, &error);
    ASSERT_TRUE(source) << error;
    EXPECT_EQ(source->Frames(), 2 * 44100);
    EXPECT_GT(Peak(*source, 4410), 200) << "the note sounds";
    ASSERT_TRUE(source->Seek(44100));
    EXPECT_GT(Peak(*source, 4410), 200) << "and sounds again after a seek into it";

    CMidiTrack track;
    EXPECT_EQ(track.QueryLength(midi, &owner), 2000);
    track.Open(midi, &owner);
    track.Seek(1500);
    track.Play();
    track.Pause();
    track.Resume(); // a fresh play: the first notification is superseded
    ASSERT_TRUE(owner.WaitForEnds(2));
    EXPECT_EQ(Codes(), (std::vector<int>{MCI_NOTIFY_SUPERSEDED, MCI_NOTIFY_SUCCESSFUL}));
}

// A note released at the last event rings out after it and ends quietly; a
// note still held there is faded out over the ring-out's 2 s; the station's
// gain scales the synthesiser.
TEST_F(MciTrackTest, AMidiFileRingsOutAfterItsLastEventAtTheStationsGain)
{
    const QString released = TestMedia::MidiFile(TestEnv::Root(), QStringLiteral("released"), {{2, 120}});
    QByteArray bytes = FileBytes(released);
    bytes.replace(QByteArray("\x80\x45\x40", 3), QByteArray("\xB0\x07\x64", 3)); // no note-off
    const QString held = TestEnv::WriteFile(TestEnv::Root() + "/held.mid", bytes);
    struct Heard
    {
        std::int64_t frames = 0;
        double rms = 0;  // of its first second
        int endPeak = 0; // of its last 10 ms
    };
    const auto hear = [&](const QString& midi, double gainDb) {
        mci::SetSynthesizer({gainDb, {}});
        std::uint32_t error = 0;
        const auto source = mci::OpenMidiSource(midi, &error);
        Heard heard;
        std::vector<std::int16_t> all, block(2048);
        while (source && all.size() < 10 * 44100)
            if (const std::int64_t got = source->Read(block.data(), 1024))
                all.insert(all.end(), block.begin(), block.begin() + 2 * got);
            else
                break;
        heard.frames = std::int64_t(all.size() / 2);
        for (std::size_t i = 0; i < 2 * 44100 && i < all.size(); ++i)
            heard.rms += double(all[i]) * all[i];
        heard.rms = std::sqrt(heard.rms / (2 * 44100));
        for (std::size_t i = all.size() - std::min<std::size_t>(all.size(), 882); i < all.size(); ++i)
            heard.endPeak = std::max(heard.endPeak, std::abs(int(all[i])));
        return heard;
    };
    const Heard ringing = hear(released, 0), louder = hear(released, 12), cut = hear(held, 0);
    // Played as an item, into the bus: the position stops at the length.
    const auto track = CreateTrack(released);
    track->Open(released, &owner);
    track->Play();
    const std::shared_ptr<CAirInput> input = track->AirInput();
    ASSERT_TRUE(input && owner.WaitForEnds(1));
    EXPECT_GT(input->FramesTaken(), CAirBus::FramesOf(1100)) << "the item did not ring out";
    EXPECT_EQ(track->GetPosition(), 1000);
    mci::SetSynthesizer({});
    EXPECT_GT(ringing.frames, 44100 + 441) << "no ring-out after the last event at 1 s";
    EXPECT_LT(ringing.frames, 3 * 44100) << "a released note rings for 2 s";
    EXPECT_LT(ringing.endPeak, ringing.rms / 20) << "the ring-out ends before the note does";
    EXPECT_EQ(cut.frames, 3 * 44100) << "a held note rings out for the whole 2 s";
    EXPECT_LT(cut.endPeak, cut.rms / 5) << "and then ends with a click";
    EXPECT_NEAR(20 * std::log10(louder.rms / ringing.rms), 12.0, 0.5);
}

// User bank 1 through the manager library: which bank the options choose,
// loaded before the open and cleared at close; a bad bank is shown and the
// item still plays; without the library nothing happens.
TEST_F(MciTrackTest, SoundBanksFollowTheOptionAndAreClearedAtClose)
{
    RecordingUi ui;
    CTrackEnvironment::SetUserInterface(&ui);
    const QString font = mci::SoundFontPath();
    ASSERT_FALSE(font.isEmpty());
    const QString dir = TestEnv::MakeTempDir(QStringLiteral("banks"));
    const QString midi = TestMedia::MidiFile(dir, QStringLiteral("song"), {{2, 120}});
    const QString other = dir + QStringLiteral("/other.sf2");
    ASSERT_TRUE(QFile::copy(font, other));
    qputenv("LIRANA_AWEMAN32", LIRANA_AWEMAN32_PATH);
    const auto openWith = [&](int option) {
        SetSoundBankOptionOverride(option);
        CMidiTrack track;
        track.Open(midi, &owner);
        const QString loaded = mci::UserBank();
        EXPECT_EQ(mci::SynthesizersWithUserBank(), loaded.isEmpty() ? 0 : 1) << "the synthesizer's own stack";
        track.Close();
        EXPECT_TRUE(mci::UserBank().isEmpty()) << "cleared at close";
        SetSoundBankOptionOverride(std::nullopt);
        return loaded;
    };
    EXPECT_EQ(openWith(2), QString()) << "option 2: only the file's own bank";
    EXPECT_EQ(openWith(1), other) << "option 1: any bank of the folder";
    EXPECT_EQ(openWith(0), QString());
    // Option 3: the operator's pick, none on Cancel.
    EXPECT_EQ(openWith(3), QString());
    ui.openName = other;
    EXPECT_EQ(openWith(3), other);
    EXPECT_EQ(ui.asked, QStringList(2, QStringLiteral("Select a SoundFont")));
    ui.openName.clear();
    // The file's own bank: .sf2 before .sbk; one that is no SoundFont is
    // refused by the manager and shown, and the item opens all the same.
    TestEnv::WriteFile(dir + QStringLiteral("/song.sbk"), "not a bank");
    EXPECT_EQ(openWith(2), QString());
    EXPECT_EQ(ui.messages, QStringList{QStringLiteral("AWE32 SoundBank '%1'\n\nAWE Error: SBANK_INVALID")
                                           .arg(dir + QStringLiteral("/song.sbk"))});
    ASSERT_TRUE(QFile::copy(font, dir + QStringLiteral("/song.sf2")));
    EXPECT_EQ(openWith(1), dir + QStringLiteral("/song.sf2"));
    EXPECT_EQ(CAWEException(999).GetErrorMessage(), QStringLiteral("AWE Error: Unknown Error Code"));
    // A file that loads a bank is not opened ahead of its turn: the one
    // user bank would change under the item on air.
    for (const auto& [option, early] : {std::pair{1, false}, {0, true}}) {
        SetSoundBankOptionOverride(option);
        EXPECT_EQ(CMidiTrack().MayOpenEarly(midi), early) << option;
    }
    SetSoundBankOptionOverride(std::nullopt);
}

TEST_F(MciTrackTest, WithoutTheManagerLibraryTheOptionIsIgnoredSilently)
{
    RecordingUi ui;
    CTrackEnvironment::SetUserInterface(&ui);
    qputenv("LIRANA_AWEMAN32", "/nonexistent/libaweman32.so");
    const QString dir = TestEnv::MakeTempDir(QStringLiteral("banks"));
    const QString midi = TestMedia::MidiFile(dir, QStringLiteral("song"), {{2, 120}});
    TestEnv::WriteFile(dir + QStringLiteral("/song.sf2"), "not a bank either");
    SetSoundBankOptionOverride(1);
    CMidiTrack track;
    track.Open(midi, &owner);
    EXPECT_TRUE(mci::UserBank().isEmpty());
    track.Close();
    SetSoundBankOptionOverride(std::nullopt);
    EXPECT_TRUE(ui.messages.isEmpty()); // the fixture clears the interface
}

// A device's play on the bus: a source at another rate arrives as as many
// bus frames as its length at the bus's rate, the play's delay runs down to
// 0 as the bus takes them, and a play that stops bringing frames is reported
// once as stalled.
TEST_F(MciTrackTest, ADevicePlayOnTheBusKeepsItsLengthAndReportsItsStall)
{
    DeviceAir::Install();
    std::atomic<int> stalls = 0;       // counted on the bus's thread
    const mci::MCIDEVICEID id = 90001; // no device of the layer has it
    DeviceAir::OnStall(id, [&stalls] { ++stalls; });
    QString error;
    std::unique_ptr<mci::PcmOutput> output = mci::OpenDeviceOutput(id, QString(), 22050, &error);
    ASSERT_TRUE(output) << error.toStdString();
    const std::vector<std::int16_t> second(22050 * 2, 1000);
    ASSERT_TRUE(output->Write(second.data(), 22050));
    const std::shared_ptr<CAirInput> input = DeviceAir::InputOf(id);
    ASSERT_NE(input, nullptr);
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return output->Delay() == 0; }, 3000));
    EXPECT_NEAR(double(input->FramesTaken()), 44100.0, 2.0);
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return stalls > 0; }, 3000)) << "a starved play not reported";
    Spin(200);
    EXPECT_EQ(stalls, 1);
    output.reset();
    EXPECT_EQ(DeviceAir::InputOf(id), nullptr);
    DeviceAir::OnStall(id, {});
}
