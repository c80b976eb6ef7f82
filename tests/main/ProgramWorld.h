// SPDX-License-Identifier: GPL-3.0-or-later
// The world of the real program run by a test: its configuration, data and
// state folders under one home folder, the C locale, no display, a sound
// output every machine has, and the user hive it reads there; and the
// headers the program's tests share.
#pragma once

#include "support/TestEnv.h"
#include "support/TestMedia.h"

#include <QtCore>
#include <QtNetwork>
#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>

inline QProcessEnvironment ProgramEnvironment(const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* sub : {"CONFIG", "DATA", "STATE"})
        env.insert(QStringLiteral("XDG_%1_HOME").arg(sub), home + u'/' + QString::fromLatin1(sub).toLower());
    env.insert("LC_ALL", "C");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("LIRANA_AUDIO_SINK", "fakesink sync=true");
    return env;
}

// The user hive with these values under Settings; $HOME stands for home.
inline void WriteSettingsHive(const QString& home, QByteArray settings)
{
    TestEnv::WriteFile(home + QStringLiteral("/config/Oxbelund/Lirana.reg"),
                       "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Settings]\n" +
                           settings.replace("$HOME", home.toUtf8()) + "\n");
}
