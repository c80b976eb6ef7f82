#include "media/CdDatabase.h"

#include "platform/DataPaths.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"
#include "platform/mci/CdDisc.h"
#include "platform/mci/Mci.h"
#include "playlist/ItemStrings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
constexpr int kMaxText = 255;
}

QString FindCdRoot()
{
    const QString drive = mci::DefaultCdDrive();
    if (drive.isEmpty())
        return {};
    return drive.endsWith(u'/') ? drive : drive + u'/';
}

int CountCdTracks()
{
    if (mci::mciSendString(QStringLiteral("open cdaudio shareable")) != 0)
        return 0;
    QString answer;
    const mci::MCIERROR status = mci::mciSendString(QStringLiteral("status cdaudio number of tracks"),
                                                    &answer);
    if (mci::mciSendString(QStringLiteral("close cdaudio")) != 0 || status != 0)
        return 0;
    bool ok = false;
    const int count = answer.trimmed().toInt(&ok);
    return ok ? count : 0;
}

void OpenCdDoor()
{
    mci::mciSendString(QStringLiteral("set cdaudio door open"));
}

void CloseCdDoor()
{
    mci::mciSendString(QStringLiteral("set cdaudio door closed"));
}

CCDDatabase::CCDDatabase(QString iniPath) : m_path(iniPath.isEmpty() ? DefaultPath() : std::move(iniPath)) {}

CCDDatabase::~CCDDatabase() = default;

QString CCDDatabase::DefaultPath()
{
    return DataPaths::AppConfigDir() + QStringLiteral("/cdplayer.ini");
}

QString CCDDatabase::DefaultArtist()
{
    return QCoreApplication::translate("CdDatabase", "New Artist");
}

QString CCDDatabase::DefaultTitle()
{
    return QCoreApplication::translate("CdDatabase", "New Title");
}

QString CCDDatabase::DefaultTrackName(int index)
{
    return QString::asprintf(ItemStrings::kTrackNumber, index + 1);
}

bool CCDDatabase::Init()
{
    m_driveRoot = FindCdRoot();
    m_driveFound = !m_driveRoot.isEmpty();
    if (m_driveFound)
        Refresh();
    return m_driveFound;
}

QString CCDDatabase::Section() const
{
    return QString::number(m_discId, 16).toUpper();
}

bool CCDDatabase::Refresh()
{
    if (!m_driveFound)
        return Init() && IsValid();
    const std::optional<mci::CdToc> toc = mci::ReadCdToc(m_driveRoot.chopped(1));
    const std::uint32_t id = toc ? mci::CddbDiscId(*toc) : 0;
    if (id == 0) {
        m_discId = 0;
        return false;
    }
    try {
        m_ini = std::make_unique<CIniFile>(m_path);
    } catch (const CException&) {
        m_ini.reset(); // an unreadable database holds no entries
    }
    m_discId = id;
    if (m_ini && m_ini->HasSection(Section())) {
        m_ini->SetSection(Section());
        if (m_ini->GetInt(QStringLiteral("numtracks"), 0) != 0)
            return true;
    }
    m_discId = 0;
    const int count = CountCdTracks();
    if (count == 0)
        return false;

    m_discId = id;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    try {
        if (!m_ini)
            m_ini = std::make_unique<CIniFile>(m_path, CIniFile::Truncate);
        m_ini->SetSection(Section());
        m_ini->WriteInt(QStringLiteral("numtracks"), count);
        m_ini->Flush();
    } catch (const CException&) {
        m_discId = 0;
        return false;
    }
    Write(QStringLiteral("artist"), DefaultArtist());
    Write(QStringLiteral("title"), DefaultTitle());
    return true;
}

QString CCDDatabase::GetArtist() const
{
    if (!IsValid() || !m_ini)
        return DefaultArtist();
    return m_ini->GetString(QStringLiteral("artist"), DefaultArtist(), kMaxText);
}

QString CCDDatabase::GetTitle() const
{
    if (!IsValid() || !m_ini)
        return DefaultTitle();
    return m_ini->GetString(QStringLiteral("title"), DefaultTitle(), kMaxText);
}

int CCDDatabase::GetNumTracks() const
{
    if (!IsValid() || !m_ini)
        return 0;
    return m_ini->GetInt(QStringLiteral("numtracks"), 0);
}

std::optional<QString> CCDDatabase::StoredTrackName(int index) const
{
    const QString key = QString::number(index);
    if (!IsValid() || !m_ini || !m_ini->HasKey(key))
        return std::nullopt;
    return m_ini->GetString(key, {}, kMaxText);
}

QString CCDDatabase::GetTrackName(int index) const
{
    return StoredTrackName(index).value_or(DefaultTrackName(index));
}

void CCDDatabase::Write(const QString& key, const QString& value)
{
    if (m_discId == 0 || !m_ini)
        return;
    try {
        m_ini->SetSection(Section());
        m_ini->WriteString(key, value);
        m_ini->Flush();
    } catch (const CException&) {
        // profile writes are not checked
    }
}

void CCDDatabase::SetArtist(const QString& artist)
{
    Write(QStringLiteral("artist"), artist);
}

void CCDDatabase::SetTitle(const QString& title)
{
    Write(QStringLiteral("title"), title);
}

void CCDDatabase::SetNumTracks(int count)
{
    Write(QStringLiteral("numtracks"), QString::number(count));
}

void CCDDatabase::SetTrackName(int index, const QString& name)
{
    Write(QString::number(index), name);
}
