// SPDX-License-Identifier: GPL-3.0-or-later
// CStreamDialog: the "Stream" dialog, which edits one stream of the
// Streaming page: its name, whether it runs, the format, bit rate, channels
// and sample rate, and the Icecast server's address, port, mount point,
// source user and password (not shown as typed), with the genre,
// description and web address listeners see. OK refuses an empty server, a
// port outside 1 to 65535 and a mount point that does not start with "/",
// and keeps the dialog open on that field; otherwise it writes the entry.
// Cancel leaves the entry as it was.
// Each field is named after its value ("name", "server", "port", ...).
// Thread: the user-interface thread.
#pragma once

#include "station/StreamSettings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class UserInterface;

class CStreamDialog : public QDialog
{
    Q_OBJECT

public:
    CStreamDialog(StreamEntry& entry, UserInterface* ui, QWidget* parent = nullptr);

    // The formats in the order of the dialog's list.
    static constexpr CAirStream::Codec Codecs[] = {CAirStream::Codec::Mp3, CAirStream::Codec::Vorbis,
                                                   CAirStream::Codec::Opus};
    // A format as the pages show it ("MP3", "Ogg Vorbis", "Opus").
    static QString CodecText(CAirStream::Codec codec);

    void accept() override;

private:
    bool Refuse(QWidget* field, const QString& message);

    StreamEntry& m_entry;
    UserInterface* m_ui;
    QLineEdit* m_name = nullptr;
    QCheckBox* m_enabled = nullptr;
    QComboBox* m_format = nullptr;
    QSpinBox* m_bitrate = nullptr;
    QComboBox* m_channels = nullptr;
    QComboBox* m_rate = nullptr;
    QLineEdit* m_server = nullptr;
    QLineEdit* m_port = nullptr;
    QLineEdit* m_mount = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_genre = nullptr;
    QLineEdit* m_description = nullptr;
    QLineEdit* m_url = nullptr;
};
