// SPDX-License-Identifier: GPL-3.0-or-later
// Error objects of the whole program. Thrown by value, caught by const
// reference; to hand one to another thread or window, Clone() it into a
// std::unique_ptr<CException>.
#pragma once

#include <QString>
#include <memory>

class CException
{
public:
    virtual ~CException() = default;

    // The text shown to the operator and written to the play log.
    virtual QString GetErrorMessage() const = 0;

    // A heap copy of the most derived object, for posting across threads.
    virtual std::unique_ptr<CException> Clone() const = 0;

protected:
    CException() = default;
    CException(const CException&) = default;
    CException& operator=(const CException&) = default;
};

// Helper that gives a concrete exception class its Clone().
template <class Derived, class Base>
class CExceptionImpl : public Base
{
public:
    using Base::Base;
    std::unique_ptr<CException> Clone() const override
    {
        return std::make_unique<Derived>(static_cast<const Derived&>(*this));
    }
};

// A failed operating-system call: carries errno and the system's own text.
class CWin32Exception : public CExceptionImpl<CWin32Exception, CException>
{
public:
    explicit CWin32Exception(int errorCode, QString context = {});

    int Code() const { return m_code; }
    // "<context>: <strerror text>" or the system text alone.
    QString GetErrorMessage() const override;

private:
    int m_code;
    QString m_context;
};

// A plain message, for errors that have no richer class.
class CMessageException : public CExceptionImpl<CMessageException, CException>
{
public:
    explicit CMessageException(QString text) : m_text(std::move(text)) {}
    QString GetErrorMessage() const override { return m_text; }

private:
    QString m_text;
};

// Throws CWin32Exception(errno) when ok is false and errno is set; with errno
// 0 it does nothing even when ok is false. Clears errno before throwing.
void CheckWin32(bool ok, const QString& context = {});
