#include "gui/app/GstWarmUp.h"

#include <gst/gst.h>

CGstWarmUp::CGstWarmUp()
    : m_thread([] {
          if (!gst_init_check(nullptr, nullptr, nullptr))
              return;
          // Loading a feature loads its plug-in library and its dependencies.
          for (const char* name : {"playbin", "uridecodebin", "audioconvert", "audioresample", "volume",
                                   "pulsesink", "alsasink", "wavparse", "mpegaudioparse"}) {
              if (GstElementFactory* factory = gst_element_factory_find(name)) {
                  if (GstPluginFeature* loaded = gst_plugin_feature_load(GST_PLUGIN_FEATURE(factory)))
                      gst_object_unref(loaded);
                  gst_object_unref(factory);
              }
          }
      })
{
}

CGstWarmUp::~CGstWarmUp()
{
    if (m_thread.joinable())
        m_thread.join();
}
