// SPDX-License-Identifier: GPL-3.0-or-later
// CPlugInsPage: the "Plug-ins" page of the Advanced Options sheet, the chain
// of effect plug-ins every item plays through. A row per chain entry, in
// order, each with an element of its own: "Add" appends a plug-in chosen by
// name, "Properties" (or a double click) edits the element's settings,
// "Remove" drops the row. Apply, on OK of the sheet, makes the rows the
// chain (each with its element's state) and stores it; without Apply the
// chain stays as it was.
//
// While a GStreamer track is on air the page works on the live elements of
// that track, so that a change of a setting is heard at once; a live element
// keeps what was set until the item ends, even when the sheet is cancelled.
// An entry that is not in the live pipeline (it joined the chain after the
// item began) gets an element of its own. Added and removed plug-ins take
// effect from the next item opened after OK.
//
// An entry whose plug-in is not installed now cannot be shown; it is kept
// in the chain at its place (after the row it followed) so that opening the
// sheet never loses the settings of a plug-in that is away for a while.
// Thread: the user-interface thread.
#pragma once

#include "media/PlugInChain.h"

#include <QWidget>
#include <vector>

class CMediaTrack;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class CPlugInsPage : public QWidget
{
    Q_OBJECT

public:
    // chain: what the rows start from and what Apply replaces. pipeline: the
    // playbin of the item on air, or null; held while the page lives.
    CPlugInsPage(CPlugInChain& chain, GstElement* pipeline, QWidget* parent = nullptr);
    ~CPlugInsPage() override;

    // The playbin of track when it is an open GStreamer track, else null.
    static GstElement* PipelineOf(CMediaTrack* track);

    // OK of the sheet: the chain takes the rows (and the entries not shown)
    // and is stored in the settings. The output entry is left as it is.
    void Apply();

    QListWidget* List() const { return m_list; }
    bool IsLive() const { return m_pipeline != nullptr; }
    void Add();
    void Properties();
    void Remove();

private:
    struct Row
    {
        QString name;
        // The element, then the other instances a change is set on (the
        // right channel of a plug-in that runs per channel). Owned refs.
        std::vector<GstElement*> elements;
        // The chain entries after this row that could not be shown.
        std::vector<CPlugInFilter> hidden;
    };

    void AddRow(const QString& name, GstElement* element);
    static void Release(Row& row);
    void UpdateButtons();

    CPlugInChain& m_chain;
    GstElement* m_pipeline = nullptr;
    std::vector<CPlugInFilter> m_leading; // entries not shown before the first row
    std::vector<Row> m_rows;
    QListWidget* m_list;
    QPushButton* m_properties = nullptr;
    QPushButton* m_remove = nullptr;
};
