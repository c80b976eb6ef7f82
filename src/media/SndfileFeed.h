// SPDX-License-Identifier: GPL-3.0-or-later
// W64 and AIFF files read by libsndfile and handed to the file track's
// playbin as raw audio through an application source ("appsrc://").
//
// GStreamer reads these formats only through a parser that runs a pull loop
// of its own (sfdec for W64, aiffparse), and decodebin now and then loses
// the first buffer such a parser pushes before decodebin has exposed its
// pad: the preroll stalls, or, worse, comes on the second buffer and the
// item airs without its first 46 ms. Fed as raw audio from a source with
// caps, decodebin has nothing to find and links at once; libsndfile also
// gives the exact length and a sample-exact seek.
//
// Threads: made and aimed (SetStop) on the owner's thread; the source's
// callbacks run on its streaming thread or the seeking one, under a lock.
#pragma once

#include <QString>

#include <cstdint>
#include <memory>

typedef struct _GstElement GstElement;

class CSndfileFeed
{
public:
    // Whether a local file of this name is read this way.
    static bool Reads(const QString& path);
    // Null with *error (libsndfile's reason) when the file cannot be read.
    static std::shared_ptr<CSndfileFeed> Open(const QString& path, QString* error);
    ~CSndfileFeed();
    CSndfileFeed(const CSndfileFeed&) = delete;
    CSndfileFeed& operator=(const CSndfileFeed&) = delete;

    static constexpr const char* Uri = "appsrc://";
    // Makes playbin's source (from its "source-setup") read this file from
    // its start.
    void SetUp(GstElement* appsrc);
    // The stream ends at this time from now on (a seek's end mark); -1: at
    // the file's end.
    void SetStop(std::int64_t stopNs);
    std::int64_t LengthMs() const;

    struct State; // the file and where it is read, behind the lock

private:
    explicit CSndfileFeed(std::shared_ptr<State> state);
    std::shared_ptr<State> m_state;
};
