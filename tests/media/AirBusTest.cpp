// SPDX-License-Identifier: GPL-3.0-or-later
// The air bus on a real-time fake output: what the mixer hands on, sample
// by sample, through its tap. Positions are bus frames, so the results do
// not depend on how the threads ran.
#include "media/AirBus.h"
#include "media/PlugInChain.h"
#include "support/UnitTest.h"

#include <gst/gst.h>

#include <mutex>

namespace {

class AirBusTest : public ::testing::Test
{
protected:
    void SetUp() override { gst_init(nullptr, nullptr); }
    // The bus's thread writes the tap into members: it ends first.
    void TearDown() override { bus.reset(); }

    void Open(const QString& sink = QStringLiteral("fakesink sync=true"),
              std::function<GstElement*()> chain = {})
    {
        const auto told = [this](bool up, const QString& why) {
            std::lock_guard lock(mutex);
            lastWhy = up ? lastWhy : why;
            ++(up ? ups : downs);
        };
        bus = std::make_unique<CAirBus>(CAirBus::Options{sink, told, std::move(chain)});
        bus->SetTap([this](const float* samples, int frames, std::uint64_t at) {
            std::lock_guard lock(mutex);
            first = air.empty() ? at : first;
            air.insert(air.end(), samples, samples + frames * CAirBus::Channels);
        });
    }

    // An input holding `frames` frames of `left` (silence on the right), ended.
    std::shared_ptr<CAirInput> Input(int frames, float left)
    {
        auto input = bus->AddInput(QStringLiteral("test"));
        std::vector<float> samples(2 * std::size_t(frames));
        for (std::size_t i = 0; i < samples.size(); i += 2)
            samples[i] = left;
        EXPECT_TRUE(input->Write(samples.data(), frames));
        input->WriteEnd();
        return input;
    }

    // The left channel of the air from bus frame `from` (the tap's first
    // frame when earlier) on.
    std::vector<float> Left(std::uint64_t from = 0)
    {
        std::lock_guard lock(mutex);
        std::vector<float> out;
        for (std::size_t i = std::max<std::uint64_t>(from, first) - first; i * 2 < air.size(); ++i)
            out.push_back(air[i * 2]);
        return out;
    }

    std::unique_ptr<CAirBus> bus;
    std::mutex mutex;
    std::vector<float> air;
    std::uint64_t first = 0;
    std::atomic<int> ups{0}, downs{0};
    QString lastWhy;
};

// A follow-on starts on the frame after the last of the item before, and one
// started with another on the frame where that one reaches its mark: at a
// period's edge, inside one, on the first frame, at and past the end.
TEST_F(AirBusTest, FollowOnsAndOverlapsLandOnTheirFrame)
{
    Open();
    const int P = CAirBus::PeriodFrames;
    struct
    {
        int length;
        std::uint64_t mark; // CAirInput::Now: after the end
        int startsAt;       // frame of a where b begins
    } const cases[] = {{3 * P, CAirInput::Now, 3 * P},
                       {1000, CAirInput::Now, 1000},
                       {1, CAirInput::Now, 1},
                       {3000, 0, 0},
                       {3000, std::uint64_t(P), P},
                       {3000, 700, 700},
                       {3000, 3000, 3000},
                       {3000, 5000, 3000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.length << " frames, mark " << c.mark);
        const std::uint64_t from = bus->Frames();
        auto a = Input(c.length, 0.25f);
        auto b = Input(2000, 0.5f);
        b->StartWith(a, c.mark);
        a->StartAt();
        const int span = std::max(c.length, c.startsAt + 2000);
        ASSERT_TRUE(TestEnv::WaitUntil(
            [&] { return a->Ended() && b->Ended() && bus->Frames() > a->StartedAt() + std::uint64_t(span); },
            5000));
        EXPECT_EQ(b->StartedAt(), a->StartedAt() + std::uint64_t(c.startsAt));
        const std::vector<float> left = Left(a->StartedAt());
        ASSERT_GE(left.size(), std::size_t(span));
        for (int i = 0; i < span; ++i) {
            const float want = (i < c.length ? 0.25f : 0.0f) +
                               (i >= c.startsAt && i < c.startsAt + 2000 ? 0.5f : 0.0f);
            ASSERT_FLOAT_EQ(left[std::size_t(i)], want) << "frame " << i;
        }
        EXPECT_GE(a->StartedAt(), from);
        EXPECT_EQ(a->FramesTaken(), std::uint64_t(c.length));
    }
}

// A start planned on another input is taken back when that one is paused,
// flushed (a seek, a stop) or closed before the frame, or when the plan
// itself is taken back: the follower waits for a start of its own.
TEST_F(AirBusTest, APlannedStartWaitsAgainWhenItsLeaderLeavesItsCourse)
{
    Open();
    const std::function<void(CAirInput&, CAirInput&)> ways[] = {
        [](CAirInput& a, CAirInput&) { a.Pause(); },
        [](CAirInput& a, CAirInput&) { a.Flush(0); },
        [](CAirInput& a, CAirInput&) { a.Detach(); },
        [](CAirInput&, CAirInput& b) { b.Unschedule(); },
    };
    for (std::size_t i = 0; i < std::size(ways); ++i) {
        SCOPED_TRACE(i);
        auto a = Input(4000, 0.25f);
        auto b = Input(1000, 0.5f);
        a->StartAt();
        b->StartWith(a, 3000);
        EXPECT_TRUE(b->Pending());
        ways[i](*a, *b);
        EXPECT_FALSE(b->Pending());
        const std::uint64_t from = bus->Frames();
        ASSERT_TRUE(TestEnv::WaitUntil([&] { return bus->Frames() > from + 6000; }, 3000));
        EXPECT_FALSE(b->Started());
        b->StartAt();
        ASSERT_TRUE(TestEnv::WaitUntil([&] { return b->Ended(); }, 3000));
    }
}

// A live input holds only the newest sound written ahead of its start; its
// time runs with the bus whether sound came or not, and it ends on its
// length, where the one after it starts.
TEST_F(AirBusTest, ALiveInputHoldsTheNewestSoundAndEndsOnItsLength)
{
    Open();
    auto live = bus->AddInput(QStringLiteral("live"));
    live->SetLive(3000);
    for (const float value : {0.125f, 0.25f, 0.5f}) {
        const std::vector<float> chunk(2 * 600, value);
        EXPECT_TRUE(live->WriteAhead(chunk.data(), 600, 1000));
    }
    EXPECT_EQ(live->Buffered(), 1000);
    auto next = Input(500, 0.75f);
    next->StartAfter(live);
    const std::uint64_t at = bus->Frames() + 4410;
    live->StartAt(at);
    std::vector<float> air; // the tap runs after the period that ended it
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return next->Ended() && (air = Left(at)).size() >= 3500; }, 3000));
    EXPECT_FALSE(live->WriteAhead(std::vector<float>(2, 1.0f).data(), 1, 1000)) << "started";
    const std::pair<int, float> expected[] = {{0, 0.25f},   {399, 0.25f}, {400, 0.5f},   {999, 0.5f},
                                              {1000, 0.0f}, {2999, 0.0f}, {3000, 0.75f}, {3499, 0.75f}};
    for (const auto& [frame, value] : expected)
        EXPECT_EQ(air[std::size_t(frame)], value) << frame;
    EXPECT_EQ(std::pair(live->FramesTaken(), next->StartedAt()), std::pair(std::uint64_t(3000), at + 3000));
}

// A gain change is reached within one period, without a step back up; a
// flush (a seek) of one input leaves the other whole; pause keeps the place.
TEST_F(AirBusTest, GainFlushAndPauseActOnTheirInputOnly)
{
    Open();
    // The bus's thread runs in real time: a test thread held back by a
    // loaded machine may set the gain only after a's last frame. Such a run
    // is not judged; the case runs again on new inputs.
    for (int attempt = 0;; ++attempt) {
        ASSERT_LT(attempt, 3) << "the gain never came while the input played";
        auto a = Input(20000, 0.25f);
        auto b = Input(20000, 0.5f);
        a->StartAt();
        b->StartAt();
        ASSERT_TRUE(TestEnv::WaitUntil([&] { return b->FramesTaken() > 3000; }, 3000));
        b->Flush(44100);
        EXPECT_EQ(std::pair(b->FramesTaken(), b->Buffered()), std::pair(std::uint64_t(44100), 0));
        std::vector<float> after(2 * 5000, 0.125f);
        EXPECT_TRUE(b->Write(after.data(), 5000));
        ASSERT_TRUE(TestEnv::WaitUntil([&] { return b->FramesTaken() > 44100 + 1000; }, 3000));
        b->Pause();
        const std::uint64_t held = b->FramesTaken();
        a->SetGain(0.0f);
        const std::uint64_t gainAt = bus->Frames();
        const bool inTime = gainAt + 2 * CAirBus::PeriodFrames < a->StartedAt() + 20000;
        ASSERT_TRUE(TestEnv::WaitUntil(
            [&] { return bus->Frames() > std::max(a->StartedAt() + 16000, gainAt + 2500); }, 3000));
        EXPECT_EQ(b->FramesTaken(), held);
        const std::vector<float> left = Left(a->StartedAt());
        a->Detach();
        b->Detach();
        if (!inTime)
            continue;
        // a sounds from its start on every frame until its fade (b's flush
        // left at most silence of b, never of a), then goes down to nothing.
        std::size_t fadeFrom = 0;
        while (fadeFrom < left.size() && left[fadeFrom] >= 0.25f - 1e-6f)
            ++fadeFrom;
        ASSERT_LT(fadeFrom + CAirBus::PeriodFrames, left.size());
        EXPECT_GT(fadeFrom, 3000u);
        for (std::size_t i = fadeFrom; i + 1 < left.size() && i < fadeFrom + 2000; ++i)
            ASSERT_LE(left[i + 1], left[i] + 1e-6f) << "frame " << i;
        EXPECT_FLOAT_EQ(left[fadeFrom + CAirBus::PeriodFrames], 0.0f);
        break;
    }
}

// An input plays at its gain times its trim, and the air's process works
// on the sum before the tap sees it, until it is taken away.
TEST_F(AirBusTest, TheTrimScalesItsInputAndTheProcessTheSumBeforeTheTap)
{
    Open();
    bus->SetProcess([](float* samples, int frames) {
        for (int i = 0; i < frames * CAirBus::Channels; ++i)
            samples[i] = -samples[i];
    });
    auto a = Input(5000, 0.5f);
    a->SetGain(0.5f);
    a->SetTrim(0.5f);
    a->StartAt();
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return a->Ended(); }, 3000));
    bus->SetProcess({});
    auto b = Input(1000, 0.5f);
    b->StartAt();
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return b->Ended(); }, 3000));
    const std::vector<float> left = Left(a->StartedAt());
    ASSERT_GE(left.size(), 5000u);
    EXPECT_EQ(std::count(left.begin(), left.begin() + 5000, -0.125f), 5000);
    EXPECT_FLOAT_EQ(Left(b->StartedAt()).at(0), 0.5f);
}

// An input that plays and brings nothing is reported once, after two
// seconds of the bus's time; the meter measures each channel.
TEST_F(AirBusTest, AStarvedInputIsReportedAndTheMeterMeasuresEachChannel)
{
    Open();
    std::atomic<std::uint64_t> stalledAt{0};
    std::atomic<int> stalls{0};
    auto silent = bus->AddInput(QStringLiteral("silent"));
    silent->SetCallbacks({}, [&] {
        stalledAt = bus->Frames();
        ++stalls;
    });
    silent->StartAt();
    auto tone = Input(CAirBus::RingFrames, 0.5f);
    tone->StartAt();
    CAirBus::Level level;
    ASSERT_TRUE(TestEnv::WaitUntil(
        [&] {
            level = bus->LastLevel();
            return tone->Started() && level.frame >= tone->StartedAt() + CAirBus::MeterFrames;
        },
        3000));
    EXPECT_FLOAT_EQ(level.peak[0], 0.5f);
    EXPECT_NEAR(level.rms[0], 0.5f, 1e-5);
    EXPECT_EQ(level.peak[1], 0.0f);
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return stalls > 0; }, 5000));
    const std::uint64_t waited = stalledAt - silent->StartedAt();
    EXPECT_GE(waited, std::uint64_t(CAirBus::StallFrames));
    EXPECT_LE(waited, std::uint64_t(CAirBus::StallFrames + 2 * CAirBus::PeriodFrames));
    EXPECT_EQ(stalls, 1);
    EXPECT_TRUE(bus->OutputUp());
    EXPECT_EQ(ups + downs, 0) << "an output that never went away is not reported";
}

// Without an output, or with one that cannot be made or opened, the bus
// keeps time, and says why once.
TEST_F(AirBusTest, WithoutAnOutputTheBusKeepsTime)
{
    const std::pair<QString, const char*> sinks[] = {
        {QString(), nullptr},
        {QStringLiteral("nosuchsinkelement"), "\"nosuchsinkelement\""},
        {QStringLiteral("pulsesink server=unix:/nonexistent/native"), ""}};
    for (const auto& [sink, why] : sinks) {
        SCOPED_TRACE(sink.toStdString());
        Open(sink);
        ASSERT_TRUE(
            TestEnv::WaitUntil([&] { return bus->Frames() > std::uint64_t(CAirBus::Rate) / 4; }, 3000));
        EXPECT_FALSE(bus->OutputUp());
        EXPECT_EQ(ups, 0);
        if (why) {
            EXPECT_TRUE(TestEnv::WaitUntil([&] { return downs > 0; }, 2000));
        }
        EXPECT_EQ(downs, why ? 1 : 0);
        EXPECT_TRUE(!why || lastWhy.contains(QLatin1String(why))) << lastWhy.toStdString();
        bus.reset();
        downs = 0;
    }
}

// An output that stops taking sound (a sink that waits an hour for its
// first buffer's time) is let go again and again: the bus says why, keeps
// the programme's time on the system clock through every stall, and closes
// without waiting for the output.
TEST_F(AirBusTest, AnOutputThatTakesNothingIsLetGoAndTheBusKeepsTime)
{
    Open(QStringLiteral("fakesink sync=true ts-offset=3600000000000"));
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return downs > 3; }, 10000));
    const int stalls = downs;
    // Each stall lasted 500 ms at least, and the next output is taken only
    // once the programme's time of the stall before it is made up: all but
    // the last are counted, whatever the load (not one was, once).
    EXPECT_GE(bus->Frames(), std::uint64_t(stalls - 1) * CAirBus::Rate / 2 - CAirBus::PeriodFrames);
    std::lock_guard lock(mutex);
    EXPECT_TRUE(lastWhy.contains(QLatin1String("took no sound"))) << lastWhy.toStdString();
}

// The air chain is in the output; a chain the output cannot link (a
// picture converter) is left out and the output opens without it. (What it
// does to the sound, and a new chain at OK: the recorded-air case of the
// Plug-ins page.)
TEST_F(AirBusTest, TheAirChainIsInTheOutputAndOneThatCannotBeLinkedIsLeftOut)
{
    CPlugInChain amp;
    amp.filters = {CPlugInFilter(QStringLiteral("Simple amplifier"), QStringLiteral("ladspa-amp-1181-so-amp"),
                                 "state, amps-gain=(string)-20;")};
    const std::function<GstElement*()> picture = [] {
        GstElement* bin = gst_parse_bin_from_description("videoconvert", TRUE, nullptr);
        gst_object_set_name(GST_OBJECT(bin), "picture");
        return bin;
    };
    for (const bool linked : {true, false}) {
        Open(QStringLiteral("fakesink sync=true"), linked ? [amp] { return amp.MakeBin({}); } : picture);
        EXPECT_TRUE(TestEnv::WaitUntil(
            [&] {
                GstElement* pipeline = bus->OutputPipeline();
                GstElement* live = CPlugInChain::FindInPipeline(pipeline, QStringLiteral("Simple amplifier"));
                GstElement* video = pipeline ? gst_bin_get_by_name(GST_BIN(pipeline), "picture") : nullptr;
                for (GstElement* element : {pipeline, live, video})
                    if (element)
                        gst_object_unref(element);
                return pipeline && bus->OutputUp() && (live != nullptr) == linked && !video;
            },
            3000))
            << linked;
    }
}

} // namespace
