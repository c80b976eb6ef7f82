// SPDX-License-Identifier: GPL-3.0-or-later
// What a call says when something goes wrong: the text it writes to the
// diagnostics (stderr), and the exception it throws. Header only.
#pragma once

#include "platform/Exception.h"

#include <QString>
#include <gtest/gtest.h>

#include <memory>

// What call wrote to stderr while it ran.
template <class Call>
QString StderrOf(Call&& call)
{
    testing::internal::CaptureStderr();
    call();
    return QString::fromStdString(testing::internal::GetCapturedStderr());
}

// A copy of the E that call throws; null when it throws nothing. Other
// exceptions pass through.
template <class E = CException, class Call>
std::unique_ptr<E> ThrownBy(Call&& call)
{
    try {
        call();
    } catch (const E& e) {
        return std::unique_ptr<E>(static_cast<E*>(e.Clone().release()));
    }
    return nullptr;
}
