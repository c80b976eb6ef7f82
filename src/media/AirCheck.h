// SPDX-License-Identifier: GPL-3.0-or-later
// The air-check: the station's air as it leaves the mixer, recorded into
// files of a set length in a folder tree by date (<folder>/yyyy/MM/dd/
// yyyy-MM-dd_HH-mm-ss.flac). Every file but the first starts on a whole
// multiple of the length on the wall clock; no sample is lost or repeated
// from one file to the next, and each file plays alone. It records while
// the sound server is away: the bus keeps time then.
//
// Take is fed every period of the air (the bus's tap) on the mixer's
// thread and never waits there; a thread of its own writes the files
// (libsndfile), deletes those older than the retention and watches the free
// space of the disk.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class CAirCheck
{
public:
    enum class Format { Flac, Vorbis, Mp3 };

    struct Options
    {
        QString folder;
        std::int64_t fileMs = 3600 * 1000; // the length of a file
        Format format = Format::Flac;
        int keepDays = 0;              // files older than this go; 0: every file stays
        std::int64_t minFreeMb = 1024; // less free on the disk: a notice
        int rate = 44100, channels = 2;
        // A line for the play log (its text after the tab), from the writing
        // thread: a file that cannot be written, the disk running full.
        std::function<void(const QString& text)> onNotice;
    };

    explicit CAirCheck(Options options);
    ~CAirCheck(); // writes what it holds and closes the file
    CAirCheck(const CAirCheck&) = delete;
    CAirCheck& operator=(const CAirCheck&) = delete;

    // One period of the air: interleaved samples and the bus frame of the
    // first. Any thread, one at a time; never waits.
    void Take(const float* samples, int frames, std::uint64_t frame);

    // "flac", "ogg", "mp3" (any case); nothing for another name.
    static std::optional<Format> FormatNamed(const QString& name);
    // The file name extension of a format, without the dot.
    static QString Extension(Format format);

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};
