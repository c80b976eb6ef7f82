// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/CdDatabase.h"

#include "media/CdAudioTrack.h"
#include "platform/DataPaths.h"
#include "platform/Exception.h"
#include "platform/FileNames.h"
#include "platform/IniFile.h"
#include "platform/mci/CdDisc.h"
#include "platform/mci/Mci.h"
#include "playlist/ItemStrings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <array>
#include <map>
#include <mutex>

namespace {
constexpr int kMaxText = 255;
// Images whose tables of contents the title lookup keeps.
constexpr std::size_t kMaxKnownDiscs = 64;

// A file as it stands: a new version (a rename over it) or a write changes it.
struct FileStamp
{
    bool regular = false;
    std::array<long long, 5> fields{};
    bool operator==(const FileStamp&) const = default;
};

std::optional<FileStamp> StampOf(const QString& path)
{
    struct stat info
    {};
    if (::stat(FileNameBytes(path).constData(), &info) != 0)
        return std::nullopt;
    return FileStamp{S_ISREG(info.st_mode),
                     {static_cast<long long>(info.st_dev), static_cast<long long>(info.st_ino),
                      static_cast<long long>(info.st_size), static_cast<long long>(info.st_mtim.tv_sec),
                      static_cast<long long>(info.st_mtim.tv_nsec)}};
}

struct KnownDisc
{
    std::optional<FileStamp> stamp; // an image's; none for a drive
    std::uint32_t id = 0;
    mci::CdToc toc;
};

// What the title lookup has read: discs by root, and the database file.
struct TitleCache
{
    std::mutex mutex;
    std::map<QString, KnownDisc> discs;
    QString iniPath;
    std::optional<FileStamp> iniStamp;
    std::unique_ptr<CIniFile> ini;
};

TitleCache& Titles()
{
    static TitleCache cache;
    return cache;
}

void Remember(TitleCache& cache, const QString& root, KnownDisc disc)
{
    if (cache.discs.size() >= kMaxKnownDiscs && !cache.discs.count(root))
        cache.discs.clear();
    cache.discs[root] = std::move(disc);
}

// An image read anew when it changed; a drive (or a pipe, which is never
// opened here) only as remembered.
const KnownDisc* DiscAt(TitleCache& cache, const QString& root)
{
    const std::optional<FileStamp> stamp = StampOf(root);
    const auto it = cache.discs.find(root);
    if (!stamp || !stamp->regular)
        return it == cache.discs.end() || it->second.stamp ? nullptr : &it->second;
    if (it != cache.discs.end() && it->second.stamp == stamp)
        return &it->second;
    KnownDisc disc;
    disc.stamp = stamp;
    if (const std::optional<mci::CdToc> toc = mci::ReadCdToc(root)) {
        disc.toc = *toc;
        disc.id = mci::CddbDiscId(*toc);
    }
    Remember(cache, root, std::move(disc));
    return &cache.discs[root];
}

CIniFile* Database(TitleCache& cache)
{
    const QString path = CCDDatabase::DefaultPath();
    const std::optional<FileStamp> stamp = StampOf(path);
    if (path != cache.iniPath || stamp != cache.iniStamp) {
        cache.ini.reset();
        cache.iniPath = path;
        cache.iniStamp = stamp;
        try {
            if (stamp && stamp->regular)
                cache.ini = std::make_unique<CIniFile>(path);
        } catch (const CException&) {
            // an unreadable database holds no names
        }
    }
    return cache.ini.get();
}

QString TextTitle(const mci::CdToc& toc, int index)
{
    if (index < 0 || std::size_t(index) >= toc.tracks.size())
        return {};
    const mci::CdText& text = toc.tracks[std::size_t(index)];
    if (text.title.isEmpty() || text.performer.isEmpty() || text.performer == toc.disc.performer)
        return text.title;
    return QStringLiteral("%1 - %2").arg(text.performer, text.title);
}

} // namespace

std::optional<QString> CdTrackTitle(const QString& item, int trackIndex)
{
    TitleCache& cache = Titles();
    std::lock_guard lock(cache.mutex);
    const KnownDisc* disc = DiscAt(cache, CCDAudioTrack::RootOf(item));
    if (!disc || disc->id == 0)
        return std::nullopt;
    if (CIniFile* ini = Database(cache)) {
        const QString section = QString::number(disc->id, 16).toUpper();
        const QString key = QString::number(trackIndex);
        if (ini->HasSection(section)) {
            ini->SetSection(section);
            if (ini->GetInt(QStringLiteral("numtracks"), 0) != 0 && ini->HasKey(key)) {
                const QString name = ini->GetString(key, {}, kMaxText);
                if (!name.isEmpty())
                    return name;
            }
        }
    }
    const QString text = TextTitle(disc->toc, trackIndex);
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

void RememberCdDisc(const QString& root, const std::optional<mci::CdToc>& toc)
{
    TitleCache& cache = Titles();
    std::lock_guard lock(cache.mutex);
    if (!toc) {
        cache.discs.erase(root);
        return;
    }
    KnownDisc disc;
    disc.id = mci::CddbDiscId(*toc);
    disc.toc = *toc;
    Remember(cache, root, std::move(disc));
}

void RememberCdDrive(const QString& root)
{
    const std::optional<FileStamp> stamp = StampOf(root);
    if (stamp && !stamp->regular)
        RememberCdDisc(root, mci::ReadCdToc(root));
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
    if (!QFileInfo(m_driveRoot.chopped(1)).isFile())
        RememberCdDisc(m_driveRoot.chopped(1), toc);
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
