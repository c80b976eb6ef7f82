// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/PcmDevice.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace mci {
namespace {
constexpr std::int64_t kBlockFrames = 1024;
}

PcmDevice::PcmDevice(MCIDEVICEID id, std::unique_ptr<PcmSource> source, QString output)
    : m_id(id), m_source(std::move(source)), m_outputName(std::move(output)), m_frames(m_source->Frames()),
      m_rate(m_source->Rate()), m_tracks(m_source->Tracks())
{
    m_to = m_frames;
    m_thread = std::thread([this] { Worker(); });
}

PcmDevice::~PcmDevice()
{
    Run(Command(Kind::Quit));
    m_thread.join();
}

std::uint32_t PcmDevice::ToMs(std::int64_t frames) const
{
    return std::uint32_t(frames * 1000 / m_rate);
}

// Rounded up, so that ToMs(FrameAt(ms)) == ms.
std::int64_t PcmDevice::FrameAt(std::uint32_t ms) const
{
    return std::min<std::int64_t>((std::int64_t(ms) * m_rate + 999) / 1000, m_frames);
}

MCIERROR PcmDevice::Play(std::optional<std::uint32_t> from, std::optional<std::uint32_t> to,
                         MciCallback callback)
{
    const std::uint32_t length = LengthMs();
    if ((from && *from > length) || (to && *to > length) || (from && to && *to < *from))
        return MCIERR_OUTOFRANGE;
    return Run(Command(Kind::Play, from ? FrameAt(*from) : -1, to ? FrameAt(*to) : -1, std::move(callback)));
}

MCIERROR PcmDevice::Seek(std::uint32_t ms)
{
    if (ms > LengthMs())
        return MCIERR_OUTOFRANGE;
    return Run(Command(Kind::Seek, FrameAt(ms)));
}

void PcmDevice::Stop()
{
    Run(Command(Kind::Stop));
}

void PcmDevice::Pause()
{
    Run(Command(Kind::Pause));
}

void PcmDevice::Resume()
{
    Run(Command(Kind::Resume));
}

std::uint32_t PcmDevice::Mode() const
{
    std::lock_guard lock(m_mutex);
    return m_mode;
}

std::uint32_t PcmDevice::PositionMs() const
{
    std::lock_guard lock(m_mutex);
    return ToMs(std::min(m_heard, m_frames)); // a ring-out after the end stays at the end
}

std::uint32_t PcmDevice::LengthMs() const
{
    return ToMs(m_frames);
}

bool PcmDevice::TrackMs(int track, std::uint32_t* start, std::uint32_t* length) const
{
    if (track < 1 || track > Tracks())
        return false;
    const TrackSpan& span = m_tracks[std::size_t(track - 1)];
    // Both ends as positions, so that start + length is the track's end.
    *start = ToMs(span.start);
    *length = ToMs(span.start + span.frames) - *start;
    return true;
}

MCIERROR PcmDevice::Run(Command command)
{
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [&] { return !m_command; });
    m_command = std::move(command);
    m_commandDone = false;
    m_wake.notify_all();
    m_done.wait(lock, [&] { return m_commandDone; });
    const MCIERROR result = m_command->result;
    m_command.reset();
    m_done.notify_all();
    return result;
}

void PcmDevice::Notify(int code)
{
    if (MciCallback callback = std::exchange(m_pending, {}))
        callback(code, m_id);
}

void PcmDevice::Halt()
{
    if (m_output) {
        m_output->Drop();
        m_output.reset();
    }
    if (m_next != m_heard)
        m_sourceAt = false;
    m_next = m_heard;
}

void PcmDevice::Apply(Command& command)
{
    m_drainEnd.reset();
    switch (command.kind) {
    case Kind::Play: {
        if (m_mode == MCI_MODE_PLAY && command.from >= 0)
            Halt();
        else if (m_mode != MCI_MODE_PLAY)
            Halt();
        if (command.from >= 0) {
            m_next = m_heard = command.from;
            m_sourceAt = false;
        }
        m_to = command.to >= 0 ? command.to : m_frames + m_source->Tail();
        if (m_pending)
            Notify(MCI_NOTIFY_SUPERSEDED);
        m_pending = std::move(command.callback);
        if (!m_output) {
            QString error;
            m_output = OpenDeviceOutput(m_id, m_outputName, m_rate, &error);
            if (!m_output) {
                m_mode = MCI_MODE_STOP;
                m_pending = {};
                command.result = MCIERR_WAVE_OUTPUTSUNSUITABLE;
                return;
            }
        }
        m_mode = MCI_MODE_PLAY;
        return;
    }
    case Kind::Seek:
        Halt();
        Notify(MCI_NOTIFY_ABORTED);
        m_mode = MCI_MODE_STOP;
        m_next = m_heard = command.from;
        m_sourceAt = false;
        return;
    case Kind::Stop:
    case Kind::Quit:
        Halt();
        Notify(MCI_NOTIFY_ABORTED);
        m_mode = MCI_MODE_STOP;
        return;
    case Kind::Pause:
        if (m_mode == MCI_MODE_PLAY) {
            Halt();
            m_mode = MCI_MODE_PAUSE;
        }
        return;
    case Kind::Resume:
        if (m_mode == MCI_MODE_PAUSE) {
            QString error;
            m_output = OpenDeviceOutput(m_id, m_outputName, m_rate, &error);
            if (!m_output) {
                command.result = MCIERR_WAVE_OUTPUTSUNSUITABLE;
                return;
            }
            m_mode = MCI_MODE_PLAY;
        }
        return;
    }
}

void PcmDevice::Worker()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_command && !m_commandDone) {
            Apply(*m_command);
            m_commandDone = true;
            const bool quit = m_command->kind == Kind::Quit;
            m_done.notify_all();
            if (quit)
                return;
            continue;
        }
        if (m_mode != MCI_MODE_PLAY) {
            m_wake.wait(lock);
            continue;
        }
        Feed(lock);
    }
}

// One block of the play: decode and write it, or, with everything written,
// wait for the output to play out and then end the play.
void PcmDevice::Feed(std::unique_lock<std::mutex>& lock)
{
    const std::uint32_t volume = m_volume.load();
    if (m_output->TakesLevel())
        m_output->SetLevel(volume); // also while it plays out: a fade goes on to the end
    if (m_next >= m_to) {
        // Everything is written: the output plays out what it holds. An
        // exact delay is followed to 0; else it is read once and then
        // followed by the clock.
        const auto now = std::chrono::steady_clock::now();
        if (!m_drainEnd) {
            m_output->Flush();
            const std::int64_t delay = m_output->Delay();
            m_drainEnd = now + std::chrono::microseconds(delay * 1000000 / m_rate);
        }
        if (m_output->DelayIsExact()) {
            if (const std::int64_t delay = m_output->Delay(); delay > 0) {
                m_heard = std::max(m_heard, m_next - delay);
                m_wake.wait_for(lock, std::chrono::milliseconds(2));
                return;
            }
        } else if (now < *m_drainEnd) {
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(*m_drainEnd - now)
                                  .count();
            m_heard = std::max(m_heard, m_next - left * m_rate / 1000000);
            m_wake.wait_for(lock, std::chrono::milliseconds(5));
            return;
        }
        m_drainEnd.reset();
        m_heard = m_next;
        m_output.reset();
        m_mode = MCI_MODE_STOP;
        Notify(MCI_NOTIFY_SUCCESSFUL);
        return;
    }
    const std::int64_t want = std::min(kBlockFrames, m_to - m_next);
    if (m_output->Room() < want) { // full and not taken from: commands are heard meanwhile
        m_wake.wait_for(lock, std::chrono::milliseconds(10));
        return;
    }
    const std::int64_t start = m_next;
    const bool seek = !m_sourceAt;
    lock.unlock();
    std::vector<std::int16_t> block(std::size_t(want) * 2);
    std::int64_t got = 0;
    if (!seek || m_source->Seek(start))
        got = m_source->Read(block.data(), want);
    const int left = int(volume & 0xFFFF), right = int(volume >> 16);
    const bool scale = !m_output->TakesLevel();
    for (std::int64_t i = 0; scale && i < got; ++i) {
        block[std::size_t(2 * i)] = std::int16_t(block[std::size_t(2 * i)] * left / 0xFFFF);
        block[std::size_t(2 * i + 1)] = std::int16_t(block[std::size_t(2 * i + 1)] * right / 0xFFFF);
    }
    const bool written = got == 0 || m_output->Write(block.data(), got);
    const std::int64_t delay = written ? m_output->Delay() : 0;
    lock.lock();
    // Only the worker moves m_next, so the block is accounted even when a
    // command came meanwhile; the command applies on the next turn.
    m_sourceAt = true;
    if (!written) {
        Halt();
        m_mode = MCI_MODE_STOP;
        Notify(MCI_NOTIFY_FAILURE);
        return;
    }
    if (got < want)
        m_to = start + got; // the decoder ended before its stated length
    m_next = start + got;
    // An exact delay is what the output holds and has not played: a play
    // whose start waits (planned after another item) is heard nowhere yet.
    m_heard = m_output->DelayIsExact() ? std::max<std::int64_t>(0, m_next - delay)
                                       : std::max<std::int64_t>(start, m_next - delay);
}

} // namespace mci
