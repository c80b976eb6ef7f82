// SPDX-License-Identifier: GPL-3.0-or-later
// CPlugInList: one plug-in chain as a list with "Add", "Properties" and
// "Remove" beside it (the Plug-ins page shows two: the items' chain and the
// air chain). A row per chain entry, in order, each with an element of its
// own: "Add" appends a plug-in chosen by name, "Properties" (or a double
// click) edits the element's settings, "Remove" drops the row. Apply makes
// the rows the chain (each with its element's state); without Apply the
// chain stays as it was.
//
// With a pipeline that plays through the chain, the rows work on its live
// elements, so that a change of a setting is heard at once; a live element
// keeps what was set, even when the sheet is cancelled. An entry that is not
// in the live pipeline gets an element of its own.
//
// An entry whose plug-in is not installed now cannot be shown; it is kept
// in the chain at its place (after the row it followed) so that opening the
// sheet never loses the settings of a plug-in that is away for a while.
// Thread: the user-interface thread.
#pragma once

#include "media/PlugInChain.h"

#include <QWidget>

#include <array>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

class CPlugInList : public QWidget
{
    Q_OBJECT

public:
    // The list's object name "list<listId>"; the texts and ids of "Add",
    // "Properties" and "Remove" (named "button<id>"), in that order.
    struct Button
    {
        QString text;
        int id;
    };

    // chain: what the rows start from and what Apply replaces. pipeline: one
    // playing through the chain, or null; held while the list lives.
    CPlugInList(CPlugInChain& chain, GstElement* pipeline, QLabel* note, int listId,
                const std::array<Button, 3>& buttons, QWidget* parent);
    ~CPlugInList() override;

    // The chain takes the rows (and the entries not shown); the output entry
    // is left as it is. True when the pipeline plays the chain otherwise
    // than the rows now say: a row was added or removed, or one was not live.
    bool Apply();

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
    bool m_changed = false; // rows added or removed, or one not live
    QListWidget* m_list;
    QPushButton* m_properties = nullptr;
    QPushButton* m_remove = nullptr;
};
