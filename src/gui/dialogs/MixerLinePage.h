// CMixerLinePage: the "Line-In" page of the Options sheet. It shows the
// sound card's mixer ("LineInMixer" is the card index) as a tree: the
// destinations "Playback" and "Capture" with their lines. Live feeds do
// not play yet, so the page stores nothing: "LineInLine" stays as it is.
// A mixer that cannot be read shows its error on the page; the other pages
// work on.
// Thread: the user-interface thread.
#pragma once

#include "platform/MixerLines.h"

#include <QWidget>
#include <functional>

class QLabel;
class QTreeWidget;

class CMixerLinePage : public QWidget
{
    Q_OBJECT

public:
    using Reader = std::function<CMixerLines(int)>;

    explicit CMixerLinePage(int mixer, QWidget* parent = nullptr, const Reader& read = ReadMixerLines);

    QTreeWidget* Tree() const { return m_tree; }
    QLabel* Problem() const { return m_problem; }

private:
    QTreeWidget* m_tree;
    QLabel* m_problem;
};
