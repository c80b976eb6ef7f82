// SPDX-License-Identifier: GPL-3.0-or-later
// VideoOutput: where the pictures of video items go.
//
// The program chooses its video sink itself and never lets GStreamer's
// automatic choice run: on a machine without a usable X or GL sink that
// choice falls through to DirectFB's sink, which ends the whole process
// with a segmentation fault when there is no frame buffer. A track decodes
// video only when a front end has set an output (the console sets its video
// window); the headless runner sets none, and a video item then plays its
// sound only.
//
// The sink is an application sink that hands each picture, converted to
// 32-bit BGRx, to the output. Frame and Closed are called on GStreamer's
// streaming threads and on track workers: an output copies and posts,
// never blocks, and never calls back into a track.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>

typedef struct _GstElement GstElement;

class VideoOutput
{
public:
    virtual ~VideoOutput() = default;
    // One picture of the item with serial number `serial` and display name
    // `title`: rows of `stride` bytes, four bytes a pixel (blue, green, red,
    // unused).
    virtual void Frame(std::uint64_t serial, const QString& title, const QByteArray& pixels, int width,
                       int height, int stride) = 0;
    // The item has closed: its picture goes.
    virtual void Closed(std::uint64_t serial) = 0;

    // The output the tracks use; null: no video is decoded. Set by the front
    // end on its user-interface thread; the tracks keep the output they took
    // at open until they close.
    static void Set(std::shared_ptr<VideoOutput> output);
    static std::shared_ptr<VideoOutput> Current();

    // A floating application sink that feeds `output` the pictures of item
    // `serial`, or null when it cannot be made.
    static GstElement* MakeSink(const std::shared_ptr<VideoOutput>& output, std::uint64_t serial,
                                const QString& title);
};
