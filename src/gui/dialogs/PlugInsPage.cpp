// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/PlugInsPage.h"

#include "gui/dialogs/PlugInList.h"
#include "media/DirectShowTrack.h"
#include "media/TrackEnvironment.h"

#include <QLabel>
#include <QVBoxLayout>

#include <gst/gst.h>

GstElement* CPlugInsPage::PipelineOf(CMediaTrack* track)
{
    auto* gstreamer = dynamic_cast<CDirectShowTrack*>(track);
    return gstreamer ? gstreamer->Pipeline() : nullptr;
}

CPlugInsPage::CPlugInsPage(CPlugInChain& chain, GstElement* pipeline, CPlugInChain& airChain, QWidget* parent)
    : QWidget(parent), m_chain(chain), m_airChain(airChain)
{
    setObjectName(QStringLiteral("page-plugins"));
    setWindowTitle(tr("Plug-ins"));
    auto* text = new QLabel(
        tr("Every item plays through these audio plug-ins, from the top down. A change of "
           "settings is heard at once; added and removed plug-ins take effect from the "
           "next item."),
        this);
    m_items = new CPlugInList(chain, pipeline, text, 1162,
                              {{{tr("&Add..."), 1160}, {tr("&Properties..."), 1163}, {tr("&Remove"), 1161}}},
                              this);
    auto* airText = new QLabel(tr("On the air: the sum of everything on air plays through these plug-ins "
                                  "(a limiter, say). Added and removed plug-ins take effect at OK, "
                                  "with a short gap on the air."),
                               this);
    GstElement* airPipeline = CTrackEnvironment::AirPipeline();
    // Keys of their own: a key two buttons share only moves between them.
    m_air = new CPlugInList(airChain, airPipeline, airText, 1172,
                            {{{tr("A&dd..."), 1170}, {tr("Propert&ies..."), 1173}, {tr("Re&move"), 1171}}},
                            this);
    m_air->setObjectName(QStringLiteral("air-plugins"));
    if (airPipeline)
        gst_object_unref(airPipeline);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_items);
    layout->addWidget(m_air);
}

QListWidget* CPlugInsPage::List() const
{
    return m_items->List();
}

void CPlugInsPage::Properties()
{
    m_items->Properties();
}

void CPlugInsPage::Apply()
{
    m_items->Apply();
    SavePlugInChain(m_chain);
    const bool rebuild = m_air->Apply();
    SaveAirChain(m_airChain);
    CTrackEnvironment::AirChainChanged(rebuild);
}
