// SPDX-License-Identifier: GPL-3.0-or-later
// Notifications a track posts to its owner QObject. They are posted events,
// so they are thread-safe, keep their order and arrive on the owner's thread.
// The sender is identified by the track's serial number: a notification may
// arrive after its track was deleted, so it is compared, never dereferenced.
#pragma once

#include "platform/Exception.h"

#include <QEvent>
#include <QString>
#include <cstdint>
#include <memory>

// Notify codes of the end notification (the media-control layer's values).
enum MciNotify : int {
    MCI_NOTIFY_SUCCESSFUL = 1,
    MCI_NOTIFY_SUPERSEDED = 2,
    MCI_NOTIFY_ABORTED = 4,
    MCI_NOTIFY_FAILURE = 8,
};

namespace TrackEvent {
// End of play (the media-control notify message).
constexpr QEvent::Type MciNotify = static_cast<QEvent::Type>(QEvent::User + 0x3B9);
// An error outside a call: the receiver owns the exception.
constexpr QEvent::Type Error = static_cast<QEvent::Type>(QEvent::User + 0x423);
// A request to set the on-air volume, in percent.
constexpr QEvent::Type VolumeRequest = static_cast<QEvent::Type>(QEvent::User + 0x424);
// An entry of a list track started or was skipped for an error: a line for
// the play log (the list's own start and end stay the track's).
constexpr QEvent::Type EntryLog = static_cast<QEvent::Type>(QEvent::User + 0x426);
} // namespace TrackEvent

class CMciNotifyEvent : public QEvent
{
public:
    CMciNotifyEvent(int code, std::uint64_t sender)
        : QEvent(TrackEvent::MciNotify), m_code(code), m_sender(sender)
    {
    }
    int Code() const { return m_code; }
    std::uint64_t Sender() const { return m_sender; }

private:
    int m_code;
    std::uint64_t m_sender;
};

class CTrackErrorEvent : public QEvent
{
public:
    CTrackErrorEvent(std::unique_ptr<CException> error, std::uint64_t sender)
        : QEvent(TrackEvent::Error), m_error(std::move(error)), m_sender(sender)
    {
    }
    // Hands the exception to the receiver.
    std::unique_ptr<CException> TakeError() { return std::move(m_error); }
    std::uint64_t Sender() const { return m_sender; }

private:
    std::unique_ptr<CException> m_error;
    std::uint64_t m_sender;
};

class CEntryLogEvent : public QEvent
{
public:
    enum Kind { Started, Skipped };
    // Started: text is the entry's path; Skipped: the error's message.
    CEntryLogEvent(Kind kind, const QString& text) : QEvent(TrackEvent::EntryLog), m_kind(kind), m_text(text)
    {
    }
    Kind EntryKind() const { return m_kind; }
    const QString& Text() const { return m_text; }

private:
    Kind m_kind;
    QString m_text;
};

class CVolumeRequestEvent : public QEvent
{
public:
    explicit CVolumeRequestEvent(int percent) : QEvent(TrackEvent::VolumeRequest), m_percent(percent) {}
    int Percent() const { return m_percent; }

private:
    int m_percent;
};
