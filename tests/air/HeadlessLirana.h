// SPDX-License-Identifier: GPL-3.0-or-later
// Running the real program headless on the air: its user hive, its
// environment (the air server's, with its own configuration folders), its
// arguments. Shared by the air tests and the playout benchmark.
#pragma once

#include "support/TestEnv.h"

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace HeadlessLirana {

using Values = std::vector<std::pair<QByteArray, QByteArray>>;

inline QByteArray Dword(quint32 value)
{
    return "dword:" + QByteArray::number(value, 16).rightJustified(8, '0');
}

inline QByteArray Flag(bool on)
{
    return on ? "hex:01,00,00,00" : "hex:00,00,00,00";
}

// A binary value: "hex:" and the bytes.
inline QByteArray Binary(const QByteArray& bytes)
{
    return "hex:" + bytes.toHex(',');
}

// An 8-byte IEEE double, little-endian, as the hive stores "Fade Period".
inline QByteArray Real(double value)
{
    return Binary(QByteArray(reinterpret_cast<const char*>(&value), sizeof value));
}

inline QByteArray Text(const QByteArray& value)
{
    return '"' + value + '"';
}

// A key below the application key ("Settings", "DirectShow Filters\\Filter 0").
struct Key
{
    QByteArray path;
    Values values;
};

// Writes home/config/Oxbelund/Lirana.reg with the given "Settings" values
// and any further keys.
inline void WriteHive(const QString& home, const Values& values, const std::vector<Key>& more = {})
{
    QByteArray text = "REGEDIT4\n";
    std::vector<Key> keys{{"Settings", values}};
    keys.insert(keys.end(), more.begin(), more.end());
    for (const Key& key : keys) {
        text += "\n[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\" + key.path + "]\n";
        for (const auto& [name, value] : key.values)
            text += '"' + name + "\"=" + value + '\n';
    }
    TestEnv::WriteFile(home + QStringLiteral("/config/Oxbelund/Lirana.reg"), text + '\n');
}

// This process's environment as it is now (with an AirServer started: its
// PULSE_SERVER, XDG_RUNTIME_DIR and client configuration), the program's
// own configuration and data folders below home, the C locale, and no
// LIRANA_AUDIO_SINK so that the hive's "AudioSink" decides.
inline QProcessEnvironment Environment(const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_STATE_HOME"), home + QStringLiteral("/state"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    for (const char* name : {"LIRANA_AUDIO_SINK", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(name);
    return env;
}

inline QStringList PlayArgs(const QStringList& items)
{
    return QStringList{"--headless", "--play", "--exit-at-end", "--log-stdout"} + items;
}

} // namespace HeadlessLirana
