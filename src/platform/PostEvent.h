// SPDX-License-Identifier: GPL-3.0-or-later
// Posting an event to an object of another thread, and handing an object
// over between threads, in a way the thread checker can follow.
//
// QCoreApplication::postEvent hands the event over under a lock inside Qt,
// which is not built with ThreadSanitizer: it cannot see that the fields a
// worker wrote before the post are read by the receiver only after. In a
// build with ThreadSanitizer, PostEvent marks the hand-over (a release before
// the post, an acquire when any event is delivered, which is what Qt's lock
// of the receiving thread's queue gives); elsewhere it is postEvent itself.
// Every post from a worker thread goes through here (docs/threads.md).
// Thread: any.
#pragma once

class QEvent;
class QObject;

namespace platform {

// QCoreApplication::postEvent(receiver, event): the receiver's thread owns
// event from here on.
void PostEvent(QObject* receiver, QEvent* event);

// The same marks for an object handed to another thread under a lock the
// checker cannot see (a GstBuffer through a GStreamer queue): Release on the
// thread that wrote it before handing it on, Acquire on the thread that
// reads it after taking it. Nothing outside a build with ThreadSanitizer.
void ReleaseTo(const void* object);
void AcquireFrom(const void* object);

} // namespace platform
