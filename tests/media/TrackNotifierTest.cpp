#include "media/MediaTrack.h"
#include "media/PauseTrack.h"
#include "media/TrackExceptions.h"

#include "EventRecorder.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// Exposes the protected posting helpers of a track.
class PostingTrack : public CPauseTrack
{
public:
    using CMediaTrack::PostEnd;
    using CMediaTrack::PostError;
};

} // namespace

TEST(TrackNotifier, DeliversInOrderWithSerial)
{
    EventRecorder owner;
    CTrackNotifier notifier(42);
    notifier.Attach(&owner);
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i)
            notifier.PostVolumeRequest(i);
        notifier.PostEnd(MCI_NOTIFY_ABORTED);
    });
    worker.join();
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return owner.ends.size() == 1; }, 2000));
    ASSERT_EQ(owner.volumes.size(), 50u);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(owner.volumes[static_cast<std::size_t>(i)], i);
    EXPECT_EQ(owner.ends[0].code, MCI_NOTIFY_ABORTED);
    EXPECT_EQ(owner.ends[0].sender, 42u);
}

TEST(TrackNotifier, NothingAfterDetach)
{
    EventRecorder owner;
    CTrackNotifier notifier(7);
    notifier.PostEnd(MCI_NOTIFY_SUCCESSFUL);
    notifier.Attach(&owner);
    notifier.Detach();
    notifier.PostEnd(MCI_NOTIFY_SUCCESSFUL);
    notifier.PostError(std::make_unique<CTrackException>(QStringLiteral("late")));
    notifier.PostVolumeRequest(50);
    Spin(100);
    EXPECT_EQ(owner.Count(), 0u);
}

TEST(TrackNotifier, ErrorEventCarriesClone)
{
    EventRecorder owner;
    PostingTrack track;
    track.Open(QStringLiteral("1.pause"), &owner);
    {
        const CDirectShowException error(103, 5, QStringLiteral("cannot render"));
        track.PostError(error);
    }
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return owner.errors.size() == 1; }, 2000));
    EXPECT_EQ(owner.errors[0].sender, track.Serial());
    auto* ds = dynamic_cast<CDirectShowException*>(owner.errors[0].error.get());
    ASSERT_NE(ds, nullptr);
    EXPECT_EQ(ds->Where(), 103);
    EXPECT_EQ(ds->Code(), 5);
    EXPECT_EQ(ds->GetErrorMessage(), QStringLiteral("cannot render"));

    track.Close();
    track.PostEnd();
    track.PostError(CTrackException(QStringLiteral("after close")));
    Spin(100);
    EXPECT_EQ(owner.Count(), 1u);
}

TEST(TrackExceptions, MessagesAndCloneKeepTheClass)
{
    EXPECT_EQ(CMixerException(11).GetErrorMessage(), QStringLiteral("Mixer Exception: 11"));
    EXPECT_EQ(CTrackException(QStringLiteral("no disc")).GetErrorMessage(), QStringLiteral("no disc"));
    EXPECT_EQ(CMCIException(263, 0x803, QStringLiteral("The device is not ready.")).GetErrorMessage(),
              QStringLiteral("The device is not ready."));
    EXPECT_FALSE(CMCIException(263, 0x803, {}).GetErrorMessage().isEmpty());
    EXPECT_FALSE(CDirectShowException(104, 1, {}).GetErrorMessage().isEmpty());

    const CMixerException mixer(3);
    const std::unique_ptr<CException> copy = mixer.Clone();
    auto* asMixer = dynamic_cast<CMixerException*>(copy.get());
    ASSERT_NE(asMixer, nullptr);
    EXPECT_EQ(asMixer->Code(), 3u);
    EXPECT_NE(dynamic_cast<CMMException*>(copy.get()), nullptr);

    const std::unique_ptr<CException> ds = CDirectShowException(101, 2, QStringLiteral("x")).Clone();
    EXPECT_NE(dynamic_cast<CTrackException*>(ds.get()), nullptr);
    EXPECT_NE(dynamic_cast<CDirectShowException*>(ds.get()), nullptr);
}
