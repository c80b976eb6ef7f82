// SPDX-License-Identifier: GPL-3.0-or-later
// The core objects one running console works on, created and owned by the
// application object (gui/app) and handed to the frame and the view, which
// keep only these pointers.
#pragma once

class CPlaylist;
class CLiranaDoc;
class COnAirEngine;
class CPlayLog;
class UserInterface;
class EventSource;
class CSoundList;
class CEventScheduler;
class CToolList;
class CStation;

struct CAppContext
{
    CPlaylist* playlist = nullptr;
    CLiranaDoc* document = nullptr;
    COnAirEngine* engine = nullptr;
    CPlayLog* log = nullptr;
    UserInterface* ui = nullptr;          // dialogs (gui/app implements it)
    EventSource* events = nullptr;        // the scheduler, when built
    CSoundList* sounds = nullptr;         // the sound buttons' slots
    CEventScheduler* scheduler = nullptr; // the live schedule (the Events page)
    CToolList* tools = nullptr;           // the Tools menu
    CStation* station = nullptr;          // the air-check and the streams (Recording, Streaming)
};
