// SPDX-License-Identifier: GPL-3.0-or-later
// Errors of the media back-ends. All derive from CException, so a worker can
// Clone() one into a posted CTrackErrorEvent.
#pragma once

#include "platform/Exception.h"

// Base of track errors: a ready message for the operator.
class CTrackException : public CExceptionImpl<CTrackException, CException>
{
public:
    explicit CTrackException(QString message) : m_message(std::move(message)) {}
    QString GetErrorMessage() const override { return m_message; }

private:
    QString m_message;
};

// A failure of the filter-graph (GStreamer) back-end. Where: 101 graph
// creation, 103 rendering the file, 104 pausing, 105 seeking, 106 length
// query. Code is the back-end's error code; text its own message.
class CDirectShowException : public CExceptionImpl<CDirectShowException, CTrackException>
{
public:
    CDirectShowException(int where, int code, QString text);
    int Where() const { return m_where; }
    int Code() const { return m_code; }
    // The back-end's text; a generic text with code and step when it gave none.
    QString GetErrorMessage() const override;

private:
    int m_where;
    int m_code;
    QString m_text;
};

// The audio output could not be opened or went away (the sound server is
// down or restarting, the device vanished): not a fault of the item, which
// plays once the output is back. Where 107.
class CAudioOutputException : public CExceptionImpl<CAudioOutputException, CDirectShowException>
{
public:
    CAudioOutputException(int code, QString text) : CExceptionImpl(107, code, std::move(text)) {}
};

// True for an error that says the audio output is missing rather than the
// item broken.
bool IsAudioOutputError(const CException& error);

// Base of multimedia (mixer, wave output) errors.
class CMMException : public CExceptionImpl<CMMException, CException>
{
public:
    CMMException() = default;
    QString GetErrorMessage() const override;
};

// A mixer call failed with code: "Mixer Exception: <code>".
class CMixerException : public CExceptionImpl<CMixerException, CMMException>
{
public:
    explicit CMixerException(unsigned code) : m_code(code) {}
    unsigned Code() const { return m_code; }
    QString GetErrorMessage() const override;

private:
    unsigned m_code;
};

// A media-control command failed: the device layer's error number, the
// command that failed and the layer's own text for the error.
class CMCIException : public CExceptionImpl<CMCIException, CException>
{
public:
    CMCIException(unsigned error, unsigned command, QString text);
    unsigned Error() const { return m_error; }
    unsigned Command() const { return m_command; }
    QString GetErrorMessage() const override;

private:
    unsigned m_error;
    unsigned m_command;
    QString m_text;
};

// The error of an item whose input on the air bus played and brought no
// sound for 2 s (a decoder, a device or a disc that stopped answering):
// "No sound came from <file> for 2 s", the file by its name.
QString NoSoundText(const QString& path);
// The same text for a source named as it stands (a live item's capture).
QString NoSoundTextFor(const QString& name);
