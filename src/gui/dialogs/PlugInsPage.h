// SPDX-License-Identifier: GPL-3.0-or-later
// CPlugInsPage: the "Plug-ins" page of the Advanced Options sheet, two
// plug-in chains as lists (CPlugInList): on top the chain every item plays
// through, below it "On the air", the chain the air bus runs on the sum of
// everything on air (a limiter or compressor for the station's output).
// Apply, on OK of the sheet, makes the rows both chains and stores them.
//
// The first list works on the live elements of the GStreamer item on air
// (when there is one), the second on those of the air bus's output, so
// that a change of a setting is heard at once. Added and removed plug-ins
// take effect from the next item opened after OK in the first chain, and at
// OK in the air chain (its output is made again: a short gap on the air).
// Thread: the user-interface thread.
#pragma once

#include <QWidget>

class CMediaTrack;
class CPlugInChain;
class CPlugInList;
class QListWidget;
typedef struct _GstElement GstElement;

class CPlugInsPage : public QWidget
{
    Q_OBJECT

public:
    // chain: the items' chain; pipeline: the playbin of the item on air, or
    // null. airChain: the air chain, whose live elements are looked for in
    // the air bus's output (CTrackEnvironment::AirPipeline).
    CPlugInsPage(CPlugInChain& chain, GstElement* pipeline, CPlugInChain& airChain,
                 QWidget* parent = nullptr);

    // The playbin of track when it is an open GStreamer track, else null.
    static GstElement* PipelineOf(CMediaTrack* track);

    // OK of the sheet: both chains take their rows and are stored in the
    // settings; the air bus is told of its chain.
    void Apply();

    // The items' chain: its list, and Properties of its current row.
    QListWidget* List() const;
    void Properties();
    // The air chain's list.
    CPlugInList* Air() const { return m_air; }

private:
    CPlugInChain& m_chain;
    CPlugInChain& m_airChain;
    CPlugInList* m_items;
    CPlugInList* m_air;
};
