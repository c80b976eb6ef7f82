// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/DeviceAir.h"

#include "media/AirBus.h"
#include "media/TrackEnvironment.h"
#include "platform/mci/PcmSource.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <mutex>
#include <vector>

namespace {

struct Devices
{
    std::mutex mutex;
    std::map<mci::MCIDEVICEID, std::weak_ptr<CAirInput>> inputs;
    std::map<mci::MCIDEVICEID, std::function<void()>> stallHandlers;
    std::map<mci::MCIDEVICEID, CMediaTrack::StartPlan> plans;
};

Devices& TheDevices()
{
    static Devices devices;
    return devices;
}

void Stalled(mci::MCIDEVICEID device)
{
    std::function<void()> handler;
    {
        std::lock_guard lock(TheDevices().mutex);
        const auto it = TheDevices().stallHandlers.find(device);
        if (it != TheDevices().stallHandlers.end())
            handler = it->second;
    }
    if (handler)
        handler();
}

// One play of a device on the bus. The device's 16-bit frames become the
// bus's float frames, at the bus's rate: a source at another rate (a file
// read without GStreamer) is resampled linearly on the way.
class AirPcmOutput final : public mci::PcmOutput
{
public:
    AirPcmOutput(mci::MCIDEVICEID device, int rate, std::shared_ptr<CAirInput> input)
        : m_device(device), m_step(double(rate) / CAirBus::Rate), m_input(std::move(input))
    {
        m_input->SetCallbacks({}, [device] { Stalled(device); });
        std::lock_guard lock(TheDevices().mutex);
        TheDevices().inputs[m_device] = m_input;
        if (const auto plan = TheDevices().plans.extract(m_device))
            m_planned = plan.mapped().ApplyTo(*m_input);
    }

    ~AirPcmOutput() override
    {
        m_input->Detach();
        std::lock_guard lock(TheDevices().mutex);
        const auto it = TheDevices().inputs.find(m_device);
        if (it != TheDevices().inputs.end() && it->second.lock() == m_input)
            TheDevices().inputs.erase(it);
    }

    bool Write(const std::int16_t* frames, std::int64_t count) override
    {
        Convert(frames, count);
        const int out = int(m_buffer.size() / CAirBus::Channels);
        // In parts, so that the input is started (once it holds a few
        // periods: the first ones are whole) before a write waits for room.
        for (int done = 0; done < out;) {
            const int part = std::min(out - done, int(kStartFrames));
            if (!m_input->Write(m_buffer.data() + std::size_t(done) * CAirBus::Channels, part))
                return false;
            done += part;
            m_written += std::uint64_t(part);
            if (m_written >= kStartFrames)
                StartUnplanned();
        }
        return true;
    }

    std::int64_t Delay() override
    {
        const std::uint64_t taken = m_input->FramesTaken();
        const std::uint64_t left = m_written > taken ? m_written - taken : 0;
        return std::int64_t(std::ceil(double(left) * m_step));
    }

    void Drop() override { m_input->Detach(); }

    void Flush() override
    {
        m_input->WriteEnd();
        StartUnplanned();
    }

    bool DelayIsExact() const override { return true; }

    std::int64_t Room() const override
    {
        const int free = CAirBus::RingFrames - m_input->Buffered() - 2; // 2: the resampler's rounding
        return free <= 0 ? 0 : std::int64_t(double(free) * m_step);
    }
    bool TakesLevel() const override { return true; }

    void SetLevel(std::uint32_t volume) override
    {
        if (volume == m_level)
            return;
        m_level = volume;
        const float left = float(volume & 0xFFFF) / 0xFFFF, right = float(volume >> 16) / 0xFFFF;
        m_input->SetGain((left + right) / 2);
    }

private:
    static constexpr std::uint64_t kStartFrames = 3 * CAirBus::PeriodFrames;

    // A play that is not planned starts once it holds a few periods; a
    // planned one waits for its frame, or for its track's Play, also when
    // its leader left the air first.
    void StartUnplanned()
    {
        if (!m_planned && !m_input->Started() && !m_input->Pending())
            m_input->StartAt();
    }

    void Convert(const std::int16_t* frames, std::int64_t count)
    {
        m_buffer.clear();
        constexpr float kScale = 1.0f / 32768.0f;
        if (m_step == 1.0) {
            m_buffer.resize(std::size_t(count) * CAirBus::Channels);
            for (std::size_t i = 0; i < m_buffer.size(); ++i)
                m_buffer[i] = float(frames[i]) * kScale;
            return;
        }
        // Linear: the frame before this block is m_last, at 0; the block's
        // frame k is at k + 1. m_phase carries over from block to block.
        const auto at = [&](std::int64_t k, int c) {
            return k == 0 ? m_last[std::size_t(c)] : float(frames[(k - 1) * 2 + c]) * kScale;
        };
        while (m_phase < double(count)) {
            const auto k = std::int64_t(m_phase);
            const auto f = float(m_phase - double(k));
            for (int c = 0; c < CAirBus::Channels; ++c)
                m_buffer.push_back(at(k, c) * (1 - f) + at(k + 1, c) * f);
            m_phase += m_step;
        }
        m_phase -= double(count);
        if (count > 0)
            m_last = {float(frames[(count - 1) * 2]) * kScale, float(frames[(count - 1) * 2 + 1]) * kScale};
    }

    const mci::MCIDEVICEID m_device;
    const double m_step; // the device's frames per bus frame
    const std::shared_ptr<CAirInput> m_input;
    std::vector<float> m_buffer;
    std::array<float, CAirBus::Channels> m_last{};
    double m_phase = 1.0;
    std::uint64_t m_written = 0; // bus frames
    std::uint32_t m_level = 0xFFFFFFFFu;
    bool m_planned = false;
};

} // namespace

namespace DeviceAir {

void Install()
{
    static std::once_flag once;
    std::call_once(once, [] {
        mci::SetPcmOutputOpener(
            [](std::uint32_t device, int rate, QString*) -> std::unique_ptr<mci::PcmOutput> {
                const std::shared_ptr<CAirBus> bus = CTrackEnvironment::AirBus();
                return std::make_unique<AirPcmOutput>(device, rate,
                                                      bus->AddInput(QStringLiteral("device %1").arg(device)));
            });
    });
}

std::shared_ptr<CAirInput> InputOf(mci::MCIDEVICEID device)
{
    std::lock_guard lock(TheDevices().mutex);
    const auto it = TheDevices().inputs.find(device);
    return it == TheDevices().inputs.end() ? nullptr : it->second.lock();
}

void OnStall(mci::MCIDEVICEID device, std::function<void()> handler)
{
    std::lock_guard lock(TheDevices().mutex);
    if (handler)
        TheDevices().stallHandlers[device] = std::move(handler);
    else
        TheDevices().stallHandlers.erase(device);
}

void PlanNextPlay(mci::MCIDEVICEID device, std::optional<CMediaTrack::StartPlan> plan)
{
    std::lock_guard lock(TheDevices().mutex);
    if (plan)
        TheDevices().plans[device] = std::move(*plan);
    else
        TheDevices().plans.erase(device);
}

} // namespace DeviceAir
