// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/MediaTrack.h"

#include "EventRecorder.h"

#include <numeric>
#include <thread>

TEST(TrackNotifier, DeliversInOrderWithTheSerialAndNothingAfterDetach)
{
    EventRecorder owner;
    CTrackNotifier notifier(42);
    notifier.PostEnd(MCI_NOTIFY_SUCCESSFUL);
    notifier.Attach(&owner);
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i)
            notifier.PostVolumeRequest(i);
        notifier.PostEnd(MCI_NOTIFY_ABORTED);
    });
    worker.join();
    notifier.Detach();
    notifier.PostEnd(MCI_NOTIFY_SUCCESSFUL);
    notifier.PostError(std::make_unique<CTrackException>(QStringLiteral("late")));
    notifier.PostVolumeRequest(50);
    Spin(100);
    std::vector<int> inOrder(50);
    std::iota(inOrder.begin(), inOrder.end(), 0);
    EXPECT_EQ(owner.volumes, inOrder);
    ASSERT_EQ(owner.ends.size(), 1u);
    EXPECT_EQ(owner.ends[0], std::pair(int(MCI_NOTIFY_ABORTED), std::uint64_t(42)));
    EXPECT_TRUE(owner.errors.empty());
}
