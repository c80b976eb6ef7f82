// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/StreamGuard.h"

#include "platform/Logging.h"

#include <pulse/pulseaudio.h>

#include <QByteArray>

#include <chrono>
#include <mutex>
#include <set>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kTimeout = std::chrono::milliseconds(500);

struct OwnStream
{
    std::uint32_t index;
    std::uint8_t channels;
    bool atUnity;
};

struct Listing
{
    QByteArray pid;
    std::vector<OwnStream> streams;
    bool done = false;
};

// An ALSA plug-in stream of this process: PulseAudio's plug-in names its
// client "ALSA plug-in [program]", PipeWire's names its node
// "alsa_playback.program".
bool IsOwnAlsaStream(const pa_sink_input_info& info, const QByteArray& pid)
{
    const char* owner = pa_proplist_gets(info.proplist, PA_PROP_APPLICATION_PROCESS_ID);
    if (!owner || pid != owner)
        return false;
    const char* app = pa_proplist_gets(info.proplist, PA_PROP_APPLICATION_NAME);
    const char* node = pa_proplist_gets(info.proplist, "node.name");
    return (app && std::string_view(app).starts_with("ALSA plug-in")) ||
           (node && std::string_view(node).starts_with("alsa_playback."));
}

void OnSinkInput(pa_context*, const pa_sink_input_info* info, int eol, void* data)
{
    auto* listing = static_cast<Listing*>(data);
    if (eol != 0) {
        listing->done = true;
        return;
    }
    if (info && IsOwnAlsaStream(*info, listing->pid))
        listing->streams.push_back({info->index, info->volume.channels,
                                    pa_cvolume_max(&info->volume) == PA_VOLUME_NORM &&
                                        pa_cvolume_min(&info->volume) == PA_VOLUME_NORM && !info->mute});
}

class Connection
{
public:
    Connection() : m_loop(pa_mainloop_new())
    {
        pa_proplist* props = pa_proplist_new();
        pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Lirana stream guard");
        m_context = pa_context_new_with_proplist(pa_mainloop_get_api(m_loop), nullptr, props);
        pa_proplist_free(props);
    }
    ~Connection()
    {
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        pa_mainloop_free(m_loop);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool Connect()
    {
        if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        return RunUntil([this] {
                   const pa_context_state_t state = pa_context_get_state(m_context);
                   return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
               }) &&
               pa_context_get_state(m_context) == PA_CONTEXT_READY;
    }

    // Runs the loop until done() or the deadline; false on the deadline.
    template <class Done>
    bool RunUntil(Done done)
    {
        while (!done()) {
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(m_deadline -
                                                                                    Clock::now());
            if (left.count() <= 0)
                return false;
            if (pa_mainloop_prepare(m_loop, int(left.count())) < 0 || pa_mainloop_poll(m_loop) < 0 ||
                pa_mainloop_dispatch(m_loop) < 0)
                return false;
        }
        return true;
    }

    // Waits for op (and drops it); false when it did not finish in time.
    bool Wait(pa_operation* op)
    {
        if (!op)
            return false;
        const bool done = RunUntil([op] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; });
        pa_operation_unref(op);
        return done;
    }

    pa_context* Context() const { return m_context; }

private:
    pa_mainloop* m_loop;
    pa_context* m_context = nullptr;
    Clock::time_point m_deadline = Clock::now() + kTimeout;
};

} // namespace

int HoldNewAlsaStreamsAtUnity()
{
    // The streams already put right, by server index; forgotten once gone.
    static std::mutex lock;
    static std::set<std::uint32_t> seen;

    Connection server;
    if (!server.Connect())
        return 0;
    Listing listing{QByteArray::number(qint64(::getpid())), {}, false};
    if (!server.Wait(pa_context_get_sink_input_info_list(server.Context(), OnSinkInput, &listing)))
        return 0;
    const std::scoped_lock guard(lock);
    std::set<std::uint32_t> current;
    int changed = 0;
    for (const OwnStream& stream : listing.streams) {
        current.insert(stream.index);
        if (seen.contains(stream.index) || stream.atUnity)
            continue;
        pa_cvolume unity;
        pa_cvolume_set(&unity, stream.channels, PA_VOLUME_NORM);
        const bool ok = server.Wait(pa_context_set_sink_input_volume(server.Context(), stream.index, &unity,
                                                                     nullptr, nullptr)) &&
                        server.Wait(pa_context_set_sink_input_mute(server.Context(), stream.index, 0, nullptr,
                                                                   nullptr));
        qCDebug(lcMedia) << "stream" << stream.index
                         << "of the ALSA plug-in put back to unity from a remembered level"
                         << (ok ? "" : "(failed)");
        changed += ok ? 1 : 0;
    }
    seen = std::move(current);
    return changed;
}

} // namespace platform
