// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/TrackExceptions.h"

#include "platform/FileNames.h"

#include <QCoreApplication>
#include <QFileInfo>

CDirectShowException::CDirectShowException(int where, int code, QString text)
    : CExceptionImpl(QString()), m_where(where), m_code(code), m_text(std::move(text))
{
}

QString CDirectShowException::GetErrorMessage() const
{
    if (!m_text.isEmpty())
        return m_text;
    return QCoreApplication::translate("TrackExceptions", "Media back-end error %1 (step %2)")
        .arg(m_code)
        .arg(m_where);
}

bool IsAudioOutputError(const CException& error)
{
    return dynamic_cast<const CAudioOutputException*>(&error) != nullptr;
}

QString CMMException::GetErrorMessage() const
{
    return QCoreApplication::translate("TrackExceptions", "Multimedia error");
}

QString CMixerException::GetErrorMessage() const
{
    return QCoreApplication::translate("TrackExceptions", "Mixer Exception: %1").arg(m_code);
}

CMCIException::CMCIException(unsigned error, unsigned command, QString text)
    : m_error(error), m_command(command), m_text(std::move(text))
{
}

QString CMCIException::GetErrorMessage() const
{
    if (!m_text.isEmpty())
        return m_text;
    return QCoreApplication::translate("TrackExceptions", "Media-control error %1").arg(m_error);
}

QString NoSoundTextFor(const QString& name)
{
    return QCoreApplication::translate("DirectShowTrack", "No sound came from %1 for 2 s").arg(name);
}

QString NoSoundText(const QString& path)
{
    return NoSoundTextFor(DisplayFileName(QFileInfo(path).fileName()));
}
