// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PulseStream.h"
#include "platform/Logging.h"
#include "platform/ThreadPriority.h"

#include <pulse/pulseaudio.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QByteArray>

#include <algorithm>
#include <atomic>
#include <mutex>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;
// How long a connection, a stream's start or a volume question may take.
constexpr auto kAnswer = std::chrono::seconds(2);
// The loop's tick: a wait for the server looks at its deadline this often.
constexpr pa_usec_t kTickUs = 250000;
// Kept between a take-back and the server's estimated read position, on
// top of one device block: the estimate is extrapolated from the server's
// last timing report, and the device reads a block at a time.
constexpr pa_usec_t kTakebackSlackUs = 2000;
// Writes of one kind in a row after which the device block changes: the
// short block soon after the air went idle, the long one once sound has
// played for two seconds (a start right after sound still finds the long
// one). At half a second the first "~0" change of short items was heard
// 10 ms apart on PulseAudio, which may have been the engine's late first
// hand-over tick (since fixed) rather than the change.
constexpr int kIdleWritesForShortBlock = 5;
constexpr int kSoundWritesForLongBlock = 100;
// The read position is asked of the server every this many idle writes: a
// take-back moves on from it at the stream's rate.
constexpr int kIdleWritesPerTiming = 10;

} // namespace

struct CPulseStream::Impl
{
    Options options;
    pa_sample_spec spec{};
    std::size_t frameBytes = 0;
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    pa_time_event* tick = nullptr;
    // What a take-back removed from the server's queue and the writes after
    // it may fill again without waiting for the server to ask (it asks
    // later, on its main thread, which a loaded machine holds up).
    std::int64_t credit = 0;
    std::size_t idleTail = 0; // idle silence at its end, bytes
    std::atomic<bool> failed{false}, cancelled{false};
    bool nudged = false;      // an idle write that waits for room writes at once
    std::size_t wantRoom = 0; // the room a waiting write wants (0: none waits)
    pa_usec_t block = 0;      // the device block asked now
    int loopThread = 0;       // the client loop's thread id (0: not known)
    bool starved = false;     // the server ran out of sound once (loop thread)
    int run = 0;              // writes of the last one's kind in a row
    mutable std::mutex whyMutex;
    QString why;

    ~Impl() { Close(); }

    void Fail(const QString& reason)
    {
        std::lock_guard lock(whyMutex);
        if (!failed.exchange(true))
            why = reason;
    }
    QString ServerError() const
    {
        return QString::fromUtf8(pa_strerror(context ? pa_context_errno(context) : PA_ERR_UNKNOWN));
    }
    // Waits on the loop (locked) until done() or the deadline; false at the
    // deadline or once failed.
    template <typename Done>
    bool WaitFor(Done done, Clock::time_point deadline)
    {
        while (!done()) {
            if (failed || cancelled || Clock::now() >= deadline)
                return false;
            pa_threaded_mainloop_wait(loop);
        }
        return true;
    }

    static void OnContext(pa_context* c, void* data)
    {
        auto* impl = static_cast<Impl*>(data);
        const pa_context_state_t state = pa_context_get_state(c);
        if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED)
            impl->Fail(QStringLiteral("the sound server connection ended: %1").arg(impl->ServerError()));
        // The server's answer comes on the loop's thread.
        if (state == PA_CONTEXT_READY && pa_threaded_mainloop_in_thread(impl->loop))
            impl->loopThread = int(::syscall(SYS_gettid));
        pa_threaded_mainloop_signal(impl->loop, 0);
    }
    static void OnStream(pa_stream* s, void* data)
    {
        auto* impl = static_cast<Impl*>(data);
        const pa_stream_state_t state = pa_stream_get_state(s);
        if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)
            impl->Fail(QStringLiteral("the sound server ended the stream: %1").arg(impl->ServerError()));
        pa_threaded_mainloop_signal(impl->loop, 0);
    }
    // Wakes a waiting write only when there is room for it: the server
    // asks for data every device block, the mixer writes fewer, larger
    // buffers.
    static void OnWritable(pa_stream*, std::size_t room, void* data)
    {
        auto* impl = static_cast<Impl*>(data);
        if (impl->wantRoom > 0 && room >= impl->wantRoom)
            pa_threaded_mainloop_signal(impl->loop, 0);
    }
    // The server found nothing to play: a dropout on the air. The writes
    // did not reach it in time, and on a machine this loaded they will not
    // at the ordinary priority: the client loop's thread keeps the mixer's
    // priority from now on, whatever the block.
    static void OnUnderflow(pa_stream*, void* data)
    {
        auto* impl = static_cast<Impl*>(data);
        qCDebug(lcMedia) << "sound server stream: underflow";
        if (std::exchange(impl->starved, true))
            return;
        qCWarning(lcMedia) << "sound server stream: the server ran out of sound to play; the stream's"
                              " thread now runs with the mixer's priority";
        impl->Prioritize();
    }
    static void OnTick(pa_mainloop_api*, pa_time_event* event, const timeval*, void* data)
    {
        auto* impl = static_cast<Impl*>(data);
        pa_context_rttime_restart(impl->context, event, pa_rtclock_now() + kTickUs);
        pa_threaded_mainloop_signal(impl->loop, 0);
    }

    pa_buffer_attr Attributes(pa_usec_t deviceBlock) const
    {
        pa_buffer_attr attr;
        attr.maxlength = std::uint32_t(-1);
        attr.tlength = std::uint32_t(pa_usec_to_bytes(pa_usec_t(options.queue.count()), &spec));
        attr.minreq = std::uint32_t(pa_usec_to_bytes(deviceBlock, &spec));
        attr.prebuf = attr.minreq;
        attr.fragsize = std::uint32_t(-1);
        return attr;
    }
    // The device block for the run of writes so far (locked).
    void FollowTheAir(bool idle, bool lastIdle)
    {
        run = idle == lastIdle ? run + 1 : 1;
        const auto wanted = pa_usec_t(idle ? options.idleBlock.count() : options.playingBlock.count());
        if (wanted == block || run < (idle ? kIdleWritesForShortBlock : kSoundWritesForLongBlock))
            return;
        block = wanted;
        const pa_buffer_attr attr = Attributes(block);
        if (pa_operation* op = pa_stream_set_buffer_attr(stream, &attr, nullptr, nullptr))
            pa_operation_unref(op);
        Prioritize();
    }
    // The client loop's thread sends each write to the server. On the short
    // block a take-back leaves the server only the margin ahead of its reads
    // until the refill is sent, so there it runs with the mixer's priority.
    // On the long block the queue is full and it runs at the ordinary
    // priority, where its wake-ups come together: raised, it woke at once
    // for every write and every request of the server, and the process took
    // half again the CPU of a plain player beside two busy loops. Once the
    // server has run out of sound it stays raised (OnUnderflow).
    void Prioritize() const
    {
        if (loopThread == 0)
            return;
        if (block == pa_usec_t(options.playingBlock.count()) && !starved)
            ThreadPriority::LowerThread(loopThread);
        else
            ThreadPriority::RaiseThread(loopThread);
    }

    // The server's read position now (bytes): its last timing report moved
    // on by the time since, at the stream's rate while it plays. -1: no
    // report yet.
    std::int64_t ReadPosition() const
    {
        const pa_timing_info* timing = pa_stream_get_timing_info(stream);
        if (!timing || timing->read_index_corrupt)
            return -1;
        std::int64_t read = timing->read_index;
        if (timing->playing)
            read += std::int64_t(pa_usec_to_bytes(pa_timeval_age(&timing->timestamp), &spec));
        return read;
    }

    void Close()
    {
        if (!loop)
            return;
        pa_threaded_mainloop_lock(loop);
        if (tick)
            pa_threaded_mainloop_get_api(loop)->time_free(tick);
        tick = nullptr;
        if (stream) {
            pa_stream_set_state_callback(stream, nullptr, nullptr);
            pa_stream_set_write_callback(stream, nullptr, nullptr);
            pa_stream_disconnect(stream);
            pa_stream_unref(stream);
            stream = nullptr;
        }
        if (context) {
            pa_context_set_state_callback(context, nullptr, nullptr);
            pa_context_disconnect(context);
            pa_context_unref(context);
            context = nullptr;
        }
        pa_threaded_mainloop_unlock(loop);
        pa_threaded_mainloop_stop(loop);
        pa_threaded_mainloop_free(loop);
        loop = nullptr;
    }
};

CPulseStream::Takeback CPulseStream::PlanTakeback(std::int64_t writeIndex, std::size_t idleTail,
                                                  std::int64_t read, std::int64_t margin,
                                                  std::size_t frameBytes, std::int64_t queue)
{
    // Sound still queued: the offset from the read position cannot keep
    // the write behind it when the position is older than the server's.
    if (frameBytes == 0 || idleTail == 0 || writeIndex - std::int64_t(idleTail) > read)
        return {};
    const std::int64_t fromRead = margin + (std::int64_t(frameBytes) - margin % std::int64_t(frameBytes)) %
                                               std::int64_t(frameBytes);
    if (read + fromRead >= writeIndex)
        return {};
    return {fromRead, std::min(writeIndex - (read + fromRead), queue)};
}

CPulseStream::CPulseStream(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

CPulseStream::~CPulseStream() = default;

std::unique_ptr<CPulseStream> CPulseStream::Open(const Options& options, QString* why)
{
    auto impl = std::make_unique<Impl>();
    Impl& s = *impl;
    s.options = options;
    s.spec = {PA_SAMPLE_FLOAT32LE, std::uint32_t(options.rate), std::uint8_t(options.channels)};
    s.frameBytes = pa_frame_size(&s.spec);
    s.loop = pa_threaded_mainloop_new();
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Lirana");
    pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "lirana");
    s.context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(s.loop), "Lirana", props);
    pa_proplist_free(props);
    pa_context_set_state_callback(s.context, Impl::OnContext, &s);
    if (pa_threaded_mainloop_start(s.loop) < 0) {
        *why = QStringLiteral("cannot start the sound server client's loop");
        return nullptr;
    }
    pa_threaded_mainloop_lock(s.loop);
    const auto deadline = Clock::now() + kAnswer;
    bool ready = pa_context_connect(s.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0;
    if (ready) {
        s.tick = pa_context_rttime_new(s.context, pa_rtclock_now() + kTickUs, Impl::OnTick, &s);
        ready = s.WaitFor([&] { return pa_context_get_state(s.context) == PA_CONTEXT_READY; }, deadline);
    }
    if (ready) {
        pa_channel_map map;
        pa_channel_map_init_extend(&map, std::uint8_t(options.channels), PA_CHANNEL_MAP_DEFAULT);
        const QByteArray name = options.name.toUtf8();
        s.stream = pa_stream_new(s.context, name.isEmpty() ? "Lirana" : name.constData(), &s.spec, &map);
        ready = s.stream != nullptr;
    }
    if (ready) {
        pa_stream_set_state_callback(s.stream, Impl::OnStream, &s);
        pa_stream_set_write_callback(s.stream, Impl::OnWritable, &s);
        pa_stream_set_underflow_callback(s.stream, Impl::OnUnderflow, &s);
        // The server holds the queue ahead of its device, and its device
        // reads a block at a time (early requests: the device's latency is
        // one block, whatever the queue): a late write finds the queue
        // still full, and a take-back is heard after one block. Prebuffer a
        // block: after an underrun the stream waits for data, never cuts
        // what comes late.
        s.block = pa_usec_t(options.idleBlock.count());
        const pa_buffer_attr attr = s.Attributes(s.block);
        pa_cvolume unity;
        pa_cvolume_set(&unity, std::uint8_t(options.channels), PA_VOLUME_NORM);
        const QByteArray device = options.device.toUtf8();
        const auto flags = pa_stream_flags_t(PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_EARLY_REQUESTS |
                                             PA_STREAM_START_UNMUTED);
        // The volume asked at connect is the stream's: a desktop server
        // restores a remembered one only onto streams that ask none.
        ready = pa_stream_connect_playback(s.stream, device.isEmpty() ? nullptr : device.constData(), &attr,
                                           flags, &unity, nullptr) >= 0 &&
                s.WaitFor([&] { return pa_stream_get_state(s.stream) == PA_STREAM_READY; }, deadline);
    }
    if (!ready) {
        s.Fail(Clock::now() >= deadline
                   ? QStringLiteral("the sound server did not answer")
                   : QStringLiteral("the sound server refused the stream: %1").arg(s.ServerError()));
        pa_threaded_mainloop_unlock(s.loop);
        *why = s.why;
        return nullptr;
    }
    s.Prioritize();
    pa_threaded_mainloop_unlock(s.loop);
    return std::unique_ptr<CPulseStream>(new CPulseStream(std::move(impl)));
}

bool CPulseStream::Write(const float* samples, std::size_t frames, bool idle, bool mayTakeBack)
{
    Impl& s = *m_impl;
    const std::size_t bytes = frames * s.frameBytes;
    pa_threaded_mainloop_lock(s.loop);
    // Sound after idle silence takes back what the server has not played
    // of it, and is written at once: the queue is short after it.
    Takeback back;
    if (!idle && mayTakeBack && s.idleTail > 0 && !s.failed) {
        const pa_timing_info* timing = pa_stream_get_timing_info(s.stream);
        // Moved on from the server's last report, never past what was written.
        const std::int64_t read = timing ? std::min<std::int64_t>(s.ReadPosition(), timing->write_index) : -1;
        if (timing && !timing->write_index_corrupt && read >= 0) {
            const auto margin = std::int64_t(pa_usec_to_bytes(s.block + kTakebackSlackUs, &s.spec));
            const auto queue = std::int64_t(pa_usec_to_bytes(pa_usec_t(s.options.queue.count()), &s.spec));
            back = PlanTakeback(timing->write_index, s.idleTail, read, margin, s.frameBytes, queue);
        }
    }
    const auto deadline = Clock::now() + s.options.stall;
    std::size_t room = 0;
    s.wantRoom = bytes;
    const bool ready = s.WaitFor(
        [&] {
            room = pa_stream_writable_size(s.stream);
            return room == std::size_t(-1) || room >= bytes || s.credit >= std::int64_t(bytes) ||
                   back.taken > 0 || (idle && s.nudged);
        },
        deadline);
    s.wantRoom = 0;
    s.nudged = false;
    if (room == std::size_t(-1))
        s.Fail(QStringLiteral("the sound server stream: %1").arg(s.ServerError()));
    else if (!ready && !s.failed && !s.cancelled)
        s.Fail(QStringLiteral("the output took no sound for %1 ms").arg(s.options.stall.count()));
    if (s.failed || s.cancelled) {
        pa_threaded_mainloop_unlock(s.loop);
        return false;
    }
    const int written = back.taken > 0
                            ? pa_stream_write(s.stream, samples, bytes, nullptr, back.fromRead,
                                              PA_SEEK_RELATIVE_ON_READ)
                            : pa_stream_write(s.stream, samples, bytes, nullptr, 0, PA_SEEK_RELATIVE);
    if (written < 0) {
        s.Fail(QStringLiteral("the sound server stream: %1").arg(s.ServerError()));
        pa_threaded_mainloop_unlock(s.loop);
        return false;
    }
    s.credit = back.taken > 0 ? back.taken : std::max<std::int64_t>(0, s.credit - std::int64_t(bytes));
    s.FollowTheAir(idle, s.idleTail > 0);
    if (idle)
        s.idleTail += bytes;
    else
        s.idleTail = 0;
    // A fresh read position for the take-back to come, now and then while
    // idle; and the write position after a take-back, which the server
    // placed.
    if ((idle && s.run % kIdleWritesPerTiming == 1) || back.taken > 0)
        if (pa_operation* op = pa_stream_update_timing_info(s.stream, nullptr, nullptr))
            pa_operation_unref(op);
    pa_threaded_mainloop_unlock(s.loop);
    return true;
}

void CPulseStream::Nudge()
{
    pa_threaded_mainloop_lock(m_impl->loop);
    m_impl->nudged = true;
    pa_threaded_mainloop_signal(m_impl->loop, 0);
    pa_threaded_mainloop_unlock(m_impl->loop);
}

void CPulseStream::Cancel()
{
    m_impl->cancelled = true;
    pa_threaded_mainloop_lock(m_impl->loop);
    pa_threaded_mainloop_signal(m_impl->loop, 0);
    pa_threaded_mainloop_unlock(m_impl->loop);
}

QString CPulseStream::Why() const
{
    std::lock_guard lock(m_impl->whyMutex);
    return m_impl->why;
}

namespace {

struct VolumeLook
{
    pa_threaded_mainloop* loop;
    bool done = false, moved = false;
    pa_cvolume volume{};
};

void OnSinkInput(pa_context*, const pa_sink_input_info* info, int eol, void* data)
{
    auto* look = static_cast<VolumeLook*>(data);
    if (eol == 0 && info) {
        look->volume = info->volume;
        look->moved = info->mute || !pa_cvolume_channels_equal_to(&info->volume, PA_VOLUME_NORM);
    } else {
        look->done = true;
    }
    pa_threaded_mainloop_signal(look->loop, 0);
}

} // namespace

namespace {

struct Drained
{
    pa_threaded_mainloop* loop;
    bool done = false;
};

void OnDrained(pa_stream*, int, void* data)
{
    auto* drained = static_cast<Drained*>(data);
    drained->done = true;
    pa_threaded_mainloop_signal(drained->loop, 0);
}

} // namespace

void CPulseStream::Drain(std::chrono::milliseconds limit)
{
    Impl& s = *m_impl;
    pa_threaded_mainloop_lock(s.loop);
    Drained drained{s.loop};
    if (pa_operation* op = s.failed ? nullptr : pa_stream_drain(s.stream, OnDrained, &drained)) {
        s.WaitFor([&] { return drained.done; }, Clock::now() + limit);
        if (!drained.done)
            pa_operation_cancel(op);
        pa_operation_unref(op);
    }
    pa_threaded_mainloop_unlock(s.loop);
}

bool CPulseStream::HoldAtUnity()
{
    Impl& s = *m_impl;
    pa_threaded_mainloop_lock(s.loop);
    VolumeLook look{s.loop};
    const std::uint32_t index = s.failed ? PA_INVALID_INDEX : pa_stream_get_index(s.stream);
    pa_operation* op = index == PA_INVALID_INDEX
                           ? nullptr
                           : pa_context_get_sink_input_info(s.context, index, OnSinkInput, &look);
    if (op) {
        s.WaitFor([&] { return look.done; }, Clock::now() + kAnswer);
        if (!look.done)
            pa_operation_cancel(op);
        pa_operation_unref(op);
    }
    if (look.done && look.moved) {
        pa_cvolume unity;
        pa_cvolume_set(&unity, look.volume.channels, PA_VOLUME_NORM);
        if (pa_operation* set = pa_context_set_sink_input_volume(s.context, index, &unity, nullptr, nullptr))
            pa_operation_unref(set);
        if (pa_operation* unmute = pa_context_set_sink_input_mute(s.context, index, 0, nullptr, nullptr))
            pa_operation_unref(unmute);
    }
    pa_threaded_mainloop_unlock(s.loop);
    return look.done && look.moved;
}

} // namespace platform
