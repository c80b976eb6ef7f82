// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PostEvent.h"

#include <QCoreApplication>
#include <QEvent>

#if defined(__SANITIZE_THREAD__)
#define LIRANA_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define LIRANA_THREAD_SANITIZER 1
#endif
#endif

#ifdef LIRANA_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>

namespace {

// What every post releases and every delivery acquires.
char g_posted;

bool AcquirePosted(void** /*receiverEventResult*/)
{
    __tsan_acquire(&g_posted);
    return false; // the event goes on to its receiver
}

// Qt calls this at the start of every delivery, on the receiving thread.
[[maybe_unused]] const bool g_hooked = QInternal::registerCallback(QInternal::EventNotifyCallback,
                                                                   AcquirePosted);

} // namespace
#endif

void platform::PostEvent(QObject* receiver, QEvent* event)
{
#ifdef LIRANA_THREAD_SANITIZER
    __tsan_release(&g_posted);
#endif
    QCoreApplication::postEvent(receiver, event);
}

void platform::ReleaseTo([[maybe_unused]] const void* object)
{
#ifdef LIRANA_THREAD_SANITIZER
    __tsan_release(const_cast<void*>(object));
#endif
}

void platform::AcquireFrom([[maybe_unused]] const void* object)
{
#ifdef LIRANA_THREAD_SANITIZER
    __tsan_acquire(const_cast<void*>(object));
#endif
}
