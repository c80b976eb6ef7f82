// SPDX-License-Identifier: GPL-3.0-or-later
// The restart seam: asking the system to restart the computer. The real one
// asks logind over the system bus; tests and CI always replace it, so no
// test can ever restart the machine it runs on.
#pragma once

#include <QString>

class SystemRestart
{
public:
    virtual ~SystemRestart() = default;
    // Asks for a restart without waiting for it; false and a reason when the
    // request was refused or could not be made.
    virtual bool RequestRestart(QString* error) = 0;

    // logind's Reboot over the system bus.
    static SystemRestart& System();
};
