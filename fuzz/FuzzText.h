// SPDX-License-Identifier: GPL-3.0-or-later
// The fuzzers' input as the readers take it.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

inline QByteArray FuzzBytes(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

inline QString FuzzText(const std::uint8_t* data, std::size_t size)
{
    return QString::fromUtf8(FuzzBytes(data, size));
}
