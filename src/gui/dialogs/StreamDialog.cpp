// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/StreamDialog.h"

#include "gui/dialogs/ListPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {

constexpr std::array kRates{22050, 32000, 44100, 48000};

QLineEdit* Field(QWidget* parent, const char* name, const QString& text)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

} // namespace

QString CStreamDialog::CodecText(CAirStream::Codec codec)
{
    switch (codec) {
    case CAirStream::Codec::Mp3: return tr("MP3");
    case CAirStream::Codec::Vorbis: return tr("Ogg Vorbis");
    case CAirStream::Codec::Opus: return tr("Opus");
    }
    return {};
}

CStreamDialog::CStreamDialog(StreamEntry& entry, UserInterface* ui, QWidget* parent)
    : QDialog(parent), m_entry(entry), m_ui(ui)
{
    setWindowTitle(tr("Stream"));
    const CAirStream::Options& o = entry.options;
    auto* form = new QFormLayout;
    m_name = Field(this, "name", o.name);
    m_name->setPlaceholderText(tr("the mount point"));
    form->addRow(tr("&Name:"), m_name);
    m_enabled = new QCheckBox(tr("&Send this stream"), this);
    m_enabled->setObjectName(QStringLiteral("enabled"));
    m_enabled->setChecked(entry.enabled);
    form->addRow(m_enabled);

    m_format = new QComboBox(this);
    m_format->setObjectName(QStringLiteral("format"));
    for (CAirStream::Codec codec : Codecs) {
        m_format->addItem(CodecText(codec));
        if (codec == o.codec)
            m_format->setCurrentIndex(m_format->count() - 1);
    }
    form->addRow(tr("&Format:"), m_format);
    m_bitrate = new QSpinBox(this);
    m_bitrate->setObjectName(QStringLiteral("bitrate"));
    m_bitrate->setRange(8, 320);
    m_bitrate->setSuffix(tr(" kbit/s"));
    m_bitrate->setValue(o.bitrateKbps);
    form->addRow(tr("&Bit rate:"), m_bitrate);
    m_channels = new QComboBox(this);
    m_channels->setObjectName(QStringLiteral("channels"));
    m_channels->addItems({tr("Mono"), tr("Stereo")});
    m_channels->setCurrentIndex(o.channels == 1 ? 0 : 1);
    form->addRow(tr("C&hannels:"), m_channels);
    m_rate = new QComboBox(this);
    m_rate->setObjectName(QStringLiteral("rate"));
    for (int rate : kRates) {
        m_rate->addItem(tr("%1 Hz").arg(rate), rate);
        if (rate == o.sampleRate)
            m_rate->setCurrentIndex(m_rate->count() - 1);
    }
    if (m_rate->findData(o.sampleRate) < 0) { // a rate set in the hive by hand stays
        m_rate->addItem(tr("%1 Hz").arg(o.sampleRate), o.sampleRate);
        m_rate->setCurrentIndex(m_rate->count() - 1);
    }
    m_rate->setToolTip(tr("Opus always goes at 48000 Hz."));
    form->addRow(tr("Sample &rate:"), m_rate);

    // The server's rows: each field named after its value.
    const struct
    {
        QString label;
        const char* name;
        QString text;
        QLineEdit** field;
    } rows[] = {
        {tr("&Server:"), "server", o.host, &m_server},
        {tr("&Port:"), "port", QString::number(o.port), &m_port},
        {tr("&Mount point:"), "mount", o.mount, &m_mount},
        {tr("&User:"), "user", o.user, &m_user},
        {tr("Pass&word:"), "password", o.password, &m_password},
        {tr("&Genre:"), "genre", o.genre, &m_genre},
        {tr("&Description:"), "description", o.description, &m_description},
        {tr("&Web address:"), "url", o.url, &m_url},
    };
    for (const auto& row : rows) {
        *row.field = Field(this, row.name, row.text);
        form->addRow(row.label, *row.field);
    }
    m_password->setEchoMode(QLineEdit::Password);
    m_url->setPlaceholderText(tr("the station's web site"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CStreamDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CStreamDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

bool CStreamDialog::Refuse(QWidget* field, const QString& message)
{
    TellOperator(this, m_ui, message, UserInterface::Icon::Warning);
    field->setFocus();
    return false;
}

void CStreamDialog::accept()
{
    const QString server = m_server->text().trimmed();
    if (server.isEmpty() && !Refuse(m_server, tr("Please enter the server's name or address.")))
        return;
    bool ok = false;
    const int port = m_port->text().trimmed().toInt(&ok);
    if ((!ok || port < 1 || port > 65535) &&
        !Refuse(m_port, tr("Please enter a port between %1 and %2.").arg(1).arg(65535)))
        return;
    const QString mount = m_mount->text().trimmed();
    if ((!mount.startsWith(u'/') || mount.size() < 2) &&
        !Refuse(m_mount, tr("The mount point starts with \"/\", as in /live.mp3.")))
        return;
    m_entry.enabled = m_enabled->isChecked();
    CAirStream::Options& o = m_entry.options;
    o.name = m_name->text().trimmed();
    o.codec = Codecs[std::max(0, m_format->currentIndex())];
    o.bitrateKbps = m_bitrate->value();
    o.channels = m_channels->currentIndex() == 0 ? 1 : 2;
    o.sampleRate = m_rate->currentData().toInt();
    o.host = server;
    o.port = port;
    o.mount = mount;
    o.user = m_user->text().trimmed();
    o.password = m_password->text();
    o.genre = m_genre->text().trimmed();
    o.description = m_description->text().trimmed();
    o.url = m_url->text().trimmed();
    QDialog::accept();
}
