// SPDX-License-Identifier: GPL-3.0-or-later
// Which program answers on a sound server's socket. PulseAudio and PipeWire
// (through pipewire-pulse) speak the same protocol and look alike to their
// clients, but start a new stream differently: PipeWire starts it at the
// next cycle of its graph, tens of ms later, and a client that must not lose
// an item's first ms gives it a head start that long.
#pragma once

#include <QString>

enum class SoundServerKind { Unknown, PulseAudio, PipeWire };

// The local socket path of a server address as PULSE_SERVER or pulsesink's
// "server" property give it ("unix:/path", "/path", or a list of addresses
// of which the first is used); empty for a network address. An empty
// address is this session's socket ($XDG_RUNTIME_DIR/pulse/native).
QString SoundServerSocketPath(const QString& address);

// The program listening on that socket, from the peer's credentials and its
// process name; Unknown when the socket cannot be reached or the program is
// neither.
SoundServerKind IdentifySoundServer(const QString& socketPath);
