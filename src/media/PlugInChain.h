// SPDX-License-Identifier: GPL-3.0-or-later
// A chain of audio effect plug-ins: the one every GStreamer track plays
// through, and the air chain the air bus runs on the sum of all items.
// A plug-in is a GStreamer element factory whose klass contains
// "Filter/Effect/Audio" (the LADSPA and LV2 plug-ins appear this way).
//
// Stored below the application key, subkey "DirectShow Filters" (the
// tracks' chain) or "Air Filters" (the air chain), each the same way:
//   "FilterCount"  number of chain entries
//   "Filter %d"    (0-based) one entry each, in chain order
//   "OutputFilter" an extra entry played after the chain; deleted when none
// Each entry holds "Name" (text, the factory's long name), "CLSID" (text,
// the factory name in braces: "{ladspa-amp-1181-so-amp}") and "Data"
// (binary: the element's state, see CPlugInFilter::SaveState).
// User-interface thread only; a copy may be made into a bin on any thread
// (MakeBin).
#pragma once

#include "app/ViewSettings.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class CRegistryKey;
class UserInterface;
typedef struct _GstElement GstElement;

struct CPlugInInfo
{
    QString name;    // long name, shown to the operator
    QString factory; // element factory name
};

class CPlugInFilter
{
public:
    CPlugInFilter(QString name, QString factory, QByteArray data = {});

    const QString& Name() const { return m_name; }
    const QString& Factory() const { return m_factory; }
    const QByteArray& Data() const { return m_data; }
    QString Clsid() const { return u'{' + m_factory + u'}'; }
    // The factory name of a "{...}" string; empty when it has no braces or
    // nothing between them.
    static QString FactoryFromClsid(const QString& clsid);

    // Whether the element factory is installed now.
    bool IsInstalled() const;
    // A new element (floating reference) with the saved state applied; null
    // when the factory is not installed.
    GstElement* CreateInstance() const;
    // Data becomes every readable and writable property of element that is
    // not construct-only and not a GstObject field (name, parent), each value
    // as gst_value_serialize text, kept as fields of a GstStructure string.
    // An element without such properties leaves Data empty.
    void SaveState(GstElement* element);
    // Applies Data: each field whose property exists and whose text
    // deserialises to its type. False when Data is not a structure.
    bool RestoreState(GstElement* element) const;

private:
    QString m_name;
    QString m_factory;
    QByteArray m_data;
};

class CPlugInChain
{
public:
    std::vector<CPlugInFilter> filters;
    std::optional<CPlugInFilter> outputFilter;

    // Replaces the chain by the one stored under parent\name. Entries are
    // dropped when "CLSID" is not "{factory}" or "Data" is missing, empty or
    // not binary. An entry whose factory is not installed is kept (saved
    // again, left out of the graph: see Missing). Entries beyond
    // "FilterCount" are ignored.
    void Load(const CRegistryKey& parent, const QString& name);
    // Writes the chain; "Filter %d" subkeys beyond the new count stay.
    void Save(const CRegistryKey& parent, const QString& name) const;

    // The entries (chain and output) whose plug-in is not installed now.
    std::vector<const CPlugInFilter*> Missing() const;

    // The chain, in order and then the output entry, as one bin (a floating
    // reference named "lirana-plugins", pads "sink" and "src"):
    // audioconvert ! e0 ! audioconvert ! e1 ... A plug-in that takes one
    // channel runs once per channel of a stereo programme (split, two
    // instances, interleaved again), never as a downmix. Entries whose
    // plug-in is not installed are left out quietly; a chain entry whose
    // element cannot be made per channel, added or linked is left out and
    // named to refused (when set); an output entry that fails is left out
    // and sets *outputFailed. Null when no element remains.
    GstElement* MakeBin(const std::function<void(const QString& name)>& refused,
                        bool* outputFailed = nullptr) const;
    // Puts MakeBin's bin into playbin's "audio-filter"; a refused entry shows
    // "Failed to add filter <name>" through ui (when not null), a failing
    // output entry is removed from the chain silently. Nothing is set when
    // no element remains.
    void AddToGraph(GstElement* playbin, UserInterface* ui);

    // The installed plug-ins, sorted by name.
    static std::vector<CPlugInInfo> AvailablePlugIns();
    // A new entry for the first plug-in whose long name equals name, with its
    // default state saved; nullopt when none is installed.
    static std::optional<CPlugInFilter> CreateByName(const QString& name);
    // The element of the first chain entry called name in a pipeline built
    // with AddToGraph, or in a pipeline that holds MakeBin's bin (a new
    // reference, the caller unrefs), or null. For a
    // plug-in that runs per channel, the left channel's instance.
    static GstElement* FindInPipeline(GstElement* playbin, const QString& name);
    // For the left instance of a plug-in that runs per channel (as
    // FindInPipeline gives it), the right one (a new reference); else null.
    // A change meant for the entry is set on both.
    static GstElement* RightInstance(GstElement* left);
};

inline const QString& kPlugInChainKey = SettingsKey::PlugInChain;
inline const QString& kAirChainKey = SettingsKey::AirChain;

// The application-level settings functions: the chain below the
// application key.
void LoadPlugInChain(CPlugInChain& chain);
void SavePlugInChain(const CPlugInChain& chain);
void LoadAirChain(CPlugInChain& chain);
void SaveAirChain(const CPlugInChain& chain);
