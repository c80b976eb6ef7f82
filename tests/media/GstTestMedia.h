// Media for the GStreamer track tests, made at test time by in-process
// pipelines: a sine at 44.1 kHz stereo, encoded by a gst-launch description.
#pragma once

#include "app/UserInterface.h"

#include <QString>
#include <utility>
#include <vector>

namespace GstTestMedia {

// Writes `seconds` (a multiple of 0.01) of a sine through encoder
// ("wavenc", "lamemp3enc", "vorbisenc ! oggmux") to dir/name; returns the
// path. Fails the test process when the pipeline does not finish in 10 s.
QString WriteTone(const QString& dir, const QString& name, double seconds, const char* encoder);

// The output tracks play to in tests: a real-time fake sink, or what
// LIRANA_TEST_AUDIO_SINK names (pulsesink with a sound server running).
QByteArray RealTimeSink();

} // namespace GstTestMedia

// A user-interface seam that records the messages it was asked to show.
class RecordingUi : public UserInterface
{
public:
    std::vector<std::pair<QString, Icon>> messages;
    void ShowMessage(const QString& text, Icon icon) override { messages.emplace_back(text, icon); }
};
