// SPDX-License-Identifier: GPL-3.0-or-later
// The console's video window on a real video item: the pictures the track
// decodes reach the window, placed as "VideoMode" says, and the window goes
// when the item closes.
#include "gui/console/VideoWnd.h"
#include "GuiHelpers.h"
#include "media/MediaTrack.h"
#include "media/TrackFactory.h"

TEST(VideoWndTest, PicturesShowAsTheModeSaysAndGoWithTheItem)
{
    const QString dir = TestEnv::MakeTempDir(QStringLiteral("video"));
    const QString mp4 = TestMedia::Encode(TestMedia::ToneWav(dir, "clip", 500, 1.0),
                                          TestMedia::Format::Mp4Video);
    ASSERT_FALSE(mp4.isEmpty());
    qputenv("LIRANA_AUDIO_SINK", "fakesink sync=true");
    QWidget console;
    console.show();
    CViewSettings settings;
    settings.videoRect = reg::Rect{40, 50, 340, 250};
    AttachVideoWindow(&console, &settings);
    auto* window = console.findChild<CVideoWnd*>();
    ASSERT_TRUE(window);
    const std::pair<int, std::function<bool()>> modes[] = {
        {0, [&] { return window->size() == QSize(160, 120); }},
        {1, [&] { return window->geometry() == QRect(40, 50, 300, 200); }},
        {2, [&] { return window->isFullScreen(); }},
        {3, [&] { return window->isMaximized(); }},
    };
    for (const auto& [mode, placed] : modes) {
        SCOPED_TRACE(mode);
        settings.videoMode = mode;
        QObject owner;
        auto track = CreateTrack(mp4);
        track->Open(mp4, &owner);
        track->Play();
        EXPECT_TRUE(
            TestEnv::WaitUntil([&] { return window->isVisible() && !window->Picture().isNull(); }, 5000));
        EXPECT_EQ(window->Picture().size(), QSize(160, 120));
        EXPECT_EQ(window->windowTitle(), QStringLiteral("clip"));
        EXPECT_TRUE(placed());
        EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating)) << "the console keeps the keys";
        track->Close();
        EXPECT_TRUE(TestEnv::WaitUntil([&] { return !window->isVisible(); }, 2000));
    }
    AttachVideoWindow(nullptr, nullptr);
    qunsetenv("LIRANA_AUDIO_SINK");
}
