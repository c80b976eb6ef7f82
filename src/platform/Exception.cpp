// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Exception.h"

#include <cerrno>
#include <cstring>

CWin32Exception::CWin32Exception(int errorCode, QString context)
    : m_code(errorCode), m_context(std::move(context))
{
}

QString CWin32Exception::GetErrorMessage() const
{
    const QString text = QString::fromLocal8Bit(std::strerror(m_code));
    return m_context.isEmpty() ? text : m_context + QStringLiteral(": ") + text;
}

void CheckWin32(bool ok, const QString& context)
{
    if (ok || errno == 0)
        return;
    const int code = errno;
    errno = 0;
    throw CWin32Exception(code, context);
}
