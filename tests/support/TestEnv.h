// SPDX-License-Identifier: GPL-3.0-or-later
// Every test process runs in its own temporary world: XDG_CONFIG_HOME,
// XDG_DATA_HOME, XDG_CONFIG_DIRS, HOME and the working folder all point
// into one temporary folder made by the test main, removed at exit.
#pragma once

#include <QString>
#include <functional>

namespace TestEnv {

// Makes the process's temporary world under root (a fresh folder) and
// points the environment and the working folder into it. Called by the test
// mains before the application object exists.
void SetUpProcessWorld(const QString& root);

// Gives every CMixer of the process a card without lines, so that no test
// reads or changes the machine's own mixer. SetUpProcessWorld calls it; a
// test that gave its own card calls it again when it ends.
void UseNoMixer();

// The temporary root of this test process.
QString Root();

// A fresh empty folder below the root, for one test.
QString MakeTempDir(const QString& hint = QStringLiteral("t"));

// Writes text to a file, creating folders; returns the absolute path.
QString WriteFile(const QString& path, const QByteArray& content);

// Spins the Qt event loop until pred() is true or timeoutMs passes;
// returns pred().
template <class Pred>
bool WaitUntil(Pred pred, int timeoutMs);

bool WaitUntilImpl(const std::function<bool()>& pred, int timeoutMs);

template <class Pred>
bool WaitUntil(Pred pred, int timeoutMs)
{
    return WaitUntilImpl(std::function<bool()>(pred), timeoutMs);
}

} // namespace TestEnv
