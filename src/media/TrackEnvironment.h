// SPDX-License-Identifier: GPL-3.0-or-later
// CTrackEnvironment: the process-wide context of the GStreamer tracks, kept
// in one place instead of globals scattered over the back-end:
//   - the effect plug-in chain (one object for the whole run, loaded and
//     saved with the application settings: LoadPlugInChain/SavePlugInChain),
//     and the air chain the air bus runs on the sum (LoadAirChain/SaveAirChain),
//   - the user-interface seam for the one message a track shows itself
//     ("Failed to add filter ..."); null drops such messages,
//   - the video window settings ("VideoMode", "VideoRect" of the console),
//   - what mini playlists need: the live settings they read ("MiniPlaylist
//     Overlap Time", "IgnoreErrors"), the shell that runs their command
//     items, and the front end's window for them (none when headless).
// Start-up sets the seam and the video settings and loads the chain; tests
// set their own and Reset() afterwards. User-interface thread only.
#pragma once

#include "media/AirBus.h"
#include "platform/registry/RegistryKey.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class CMiniPlaylist;
class CPlugInChain;
class QObject;
class Shell;
class UserInterface;
struct CViewSettings;

class CTrackEnvironment
{
public:
    static CPlugInChain& Chain();
    // The chain on the air bus's sum. After a change, AirChainChanged tells
    // an open bus (a bus made later takes the chain as it is then): its
    // later outputs are made with the chain as it is now, and with rebuild
    // the output open now is made again with it (a plug-in added or
    // removed; a changed setting is set on the live element instead).
    static CPlugInChain& AirChain();
    static void AirChainChanged(bool rebuild);
    // The air bus's output pipeline, where the air chain's live elements are
    // (a new reference, the caller unrefs); null with no bus or no output.
    static GstElement* AirPipeline();
    static UserInterface* Ui();
    static void SetUserInterface(UserInterface* ui);

    // 0 default window, 1 remember size and position, 2 full screen,
    // 3 maximised.
    static int VideoMode();
    static reg::Rect VideoRect();
    static void SetVideo(int mode, const reg::Rect& rect);
    // The synthesiser of MIDI items opened from now on ("MIDI Gain" and
    // "MIDI SoundFont" of settings).
    static void SetMidi(const CViewSettings& settings);

    // The audio output as a gst-launch bin description: the run's output
    // (SetRunOutput) when there is one, else the environment variable
    // LIRANA_AUDIO_SINK when set and not empty, else the text value
    // "AudioSink" of the "Settings" key, else DefaultAudioSinkFor(whether
    // this session has a sound server socket). NoOutput ("none") stands
    // for no output at all: the air runs on the system clock, unheard.
    static QString AudioSinkDescription();
    static constexpr const char* NoOutput = "none";
    static bool IsNoOutput(const QString& description);
    // The output for this run of the program, in place of the others above
    // (the headless runner's --output); empty: none chosen. Call before
    // anything plays.
    static void SetRunOutput(const QString& description);
    // "pulsesink" with a sound server (PulseAudio or PipeWire's pulse
    // socket), else "alsasink". Never an automatic choice that may fall
    // back to another device or to none.
    static QString DefaultAudioSinkFor(bool soundServer);
    static bool SoundServerSocketExists();
    // "AudioSink" of the "Settings" key, trimmed; empty when not set or when
    // it holds the old written default "autoaudiosink".
    static QString StoredAudioSink();
    // One line for the diagnostics: the output in use and where it came from.
    static QString DescribeAudioOutput();
    // Why nothing can ever sound, when the output is the default one and
    // this session has no sound server socket and the machine no ALSA
    // playback device; empty otherwise (a chosen output, or a server that
    // is only down, is waited for). soundDevices: where the device nodes are.
    static QString MissingAudioOutput(const QString& soundDevices = QStringLiteral("/dev/snd"));

    // The station's air bus (AirBus.h), made at the first call with the
    // output AudioSinkDescription() names; each call names the output read
    // then, so a changed setting applies from the next item on. Any thread.
    static std::shared_ptr<CAirBus> AirBus();
    // Closes the bus: its output plays out what it holds (at most
    // CAirBus::DrainMs). Inputs still held are cut off. A later AirBus()
    // makes a new one.
    static void ReleaseAirBus();
    // The air's last level (AirBus.h) when the bus is open; it is not made
    // for the asking.
    static std::optional<CAirBus::Level> AirLevel();
    // Told when the air's output goes (with the reason) and when it comes
    // back; called on the bus's own thread, so it posts and returns. Empty:
    // nobody. Setting it waits for a call under way.
    using AirOutputObserver = std::function<void(bool up, const QString& why)>;
    static void SetAirOutputObserver(AirOutputObserver observer);

    // The gain that brings the file at path to the station's loudness
    // target (1: no target, or not measured yet): the file track plays its
    // input at it, beside its volume. Set by the station; empty: none. Any
    // thread; setting it waits for a call under way.
    using LoudnessTrim = std::function<float(const QString& path)>;
    static void SetLoudnessTrim(LoudnessTrim trim);
    static float LoudnessTrimFor(const QString& path);

    // The settings mini playlists read while they play (the engine's live
    // ones); null reads the stored values.
    static void SetViewSettings(const CViewSettings* settings);
    static std::int32_t MiniPlaylistOverlapTime();
    // "IgnoreErrors", or a station that runs unattended (nobody is there to
    // answer an error): a list goes on past a failed entry as the engine
    // goes on past a failed item.
    static bool IgnoreErrors();
    static void SetUnattended(bool unattended);
    // The shell command items of mini playlists run through; null: the
    // system's.
    static void SetShell(Shell* shell);
    static Shell& CommandShell();
    // Makes the window that shows a nested list while it is open (the
    // window is deleted before the list); empty: no window.
    using MiniPlaylistViewFactory = std::function<std::unique_ptr<QObject>(CMiniPlaylist& list)>;
    static void SetMiniPlaylistView(MiniPlaylistViewFactory factory);
    static const MiniPlaylistViewFactory& MiniPlaylistView();

    // Empty chain, no seams, video mode 0.
    static void Reset();
};
