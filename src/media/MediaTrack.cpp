// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/MediaTrack.h"

#include "media/AirBus.h"
#include "media/TrackEvents.h"
#include "platform/PostEvent.h"

#include <atomic>

namespace {

std::uint64_t NextSerial()
{
    static std::atomic<std::uint64_t> counter{0};
    return ++counter;
}

} // namespace

CMediaTrack::CMediaTrack() : m_serial(NextSerial()), m_notifier(std::make_shared<CTrackNotifier>(m_serial)) {}

std::optional<CMediaTrack::StartPlan> CMediaTrack::PlanAfter(const CMediaTrack& before,
                                                             TrackMs positionOfBefore)
{
    StartPlan plan{before.AirInput()};
    if (!plan.leader)
        return std::nullopt;
    if (positionOfBefore >= 0) {
        const TrackMs inLeader = positionOfBefore - before.AirInputStart();
        if (inLeader < 0)
            return std::nullopt;
        plan.frame = CAirBus::FramesOf(inLeader);
    }
    return plan;
}

bool CMediaTrack::StartPlan::ApplyTo(CAirInput& input) const
{
    if (leader.get() == &input || input.Started() || !input.SharesBusWith(*leader))
        return false;
    if (frame == CAirInput::Now)
        input.StartAfter(leader);
    else
        input.StartWith(leader, frame);
    return true;
}

bool CMediaTrack::PlanStart(CAirInput& input, const CMediaTrack& before, TrackMs positionOfBefore)
{
    const std::optional<StartPlan> plan = PlanAfter(before, positionOfBefore);
    return plan && plan->ApplyTo(input);
}

// Virtual dispatch does not reach the derived Close from here: every derived
// destructor closes itself first. This only makes sure nothing is delivered.
CMediaTrack::~CMediaTrack()
{
    try {
        CMediaTrack::Close();
    } catch (...) {
    }
}

void CMediaTrack::Open(const QString& path, QObject* owner)
{
    m_path = path;
    m_owner = owner;
    m_notifier->Attach(owner);
}

void CMediaTrack::Close()
{
    m_notifier->Detach();
    m_owner = nullptr;
}

void CMediaTrack::DetachOwner()
{
    m_notifier->Detach();
}

void CMediaTrack::AttachOwner(QObject* owner)
{
    m_owner = owner;
    m_notifier->Attach(owner);
}

void CMediaTrack::Configure(QObject* /*parent*/) {}

void CMediaTrack::SetVolume(float /*level*/) {}

TrackMs CMediaTrack::QueryLength(const QString& path, QObject* owner)
{
    Open(path, owner);
    const TrackMs length = GetLength();
    Close();
    return length;
}

void CMediaTrack::PostEnd(int code) const
{
    m_notifier->PostEnd(code);
}

void CMediaTrack::PostError(const CException& error) const
{
    m_notifier->PostError(error.Clone());
}

void CTrackNotifier::Attach(QObject* owner)
{
    std::lock_guard lock(m_mutex);
    m_owner = owner;
}

void CTrackNotifier::Detach()
{
    std::lock_guard lock(m_mutex);
    m_owner = nullptr;
}

void CTrackNotifier::PostEnd(int code) const
{
    std::lock_guard lock(m_mutex);
    if (m_owner)
        platform::PostEvent(m_owner, new CMciNotifyEvent(code, m_serial));
}

void CTrackNotifier::PostError(std::unique_ptr<CException> error) const
{
    std::lock_guard lock(m_mutex);
    if (m_owner && error)
        platform::PostEvent(m_owner, new CTrackErrorEvent(std::move(error), m_serial));
}

void CTrackNotifier::PostVolumeRequest(int percent) const
{
    std::lock_guard lock(m_mutex);
    if (m_owner)
        platform::PostEvent(m_owner, new CVolumeRequestEvent(percent));
}
