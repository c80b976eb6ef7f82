#include "platform/registry/HiveStore.h"

#include "platform/DataPaths.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kUserRoot = QStringLiteral("HKEY_CURRENT_USER");
const QString kMachineRoot = QStringLiteral("HKEY_LOCAL_MACHINE");
constexpr int kLockWaitMs = 10000;

std::shared_ptr<HiveStore>& Global()
{
    static std::shared_ptr<HiveStore> store;
    return store;
}

std::function<bool(const QString&)>& BeforeRenameHook()
{
    static std::function<bool(const QString&)> hook;
    return hook;
}

void Report(const QString& line)
{
    std::fprintf(stderr, "lirana: %s\n", qPrintable(line));
    std::fflush(stderr);
}

QString ErrnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Reads the whole file; errno-style code in *error (ENOENT when missing).
bool ReadAll(const QString& path, QByteArray* content, struct stat* info, int* error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fstat(fd, info) != 0 || !S_ISREG(info->st_mode)) {
        *error = fd < 0 ? errno : (S_ISREG(info->st_mode) ? errno : EISDIR);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    content->clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = errno;
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        content->append(buffer, n);
    }
    ::close(fd);
    return true;
}

bool WriteAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Writes bytes to a temporary file beside path, syncs it and renames it over
// path. On failure path is untouched and *error says why.
bool ReplaceFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QByteArray temp = QFile::encodeName(path) + ".tmp-XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = QStringLiteral("cannot create a temporary file: %1").arg(ErrnoText(errno));
        return false;
    }
    struct stat old{};
    const mode_t mode = ::stat(QFile::encodeName(path).constData(), &old) == 0 ? (old.st_mode & 07777) : 0600;
    const bool written = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    const int writeErrno = errno;
    ::close(fd);
    const QString tempName = QFile::decodeName(temp);
    if (!written) {
        ::unlink(temp.constData());
        *error = QStringLiteral("cannot write %1: %2").arg(tempName, ErrnoText(writeErrno));
        return false;
    }
    if (BeforeRenameHook() && !BeforeRenameHook()(tempName)) {
        *error = QStringLiteral("write abandoned before the rename");
        return false;
    }
    if (::rename(temp.constData(), QFile::encodeName(path).constData()) != 0) {
        *error = QStringLiteral("cannot rename %1: %2").arg(tempName, ErrnoText(errno));
        ::unlink(temp.constData());
        return false;
    }
    const int dirFd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                             O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

void Apply(reg::HiveKey& root, const HiveStore::Change& c)
{
    using Kind = HiveStore::Change::Kind;
    switch (c.kind) {
    case Kind::MakeKey:
        root.Make(c.path);
        break;
    case Kind::SetValue:
        root.Make(c.path).SetValue(c.name, c.type, c.data);
        break;
    case Kind::DeleteValue:
        if (reg::HiveKey* key = root.Find(c.path))
            key->RemoveValue(c.name);
        break;
    case Kind::DeleteKey:
        if (reg::HiveKey* key = root.Find(c.path))
            key->RemoveSubkey(c.name);
        break;
    }
}

} // namespace

HiveStore::HiveStore(const QString& userFile, const QStringList& machineFiles)
    : userFile_(userFile), machineFiles_(machineFiles), user_{kUserRoot, {}, {}},
      machine_{kMachineRoot, {}, {}}
{
}

HiveStore::~HiveStore()
{
    if (!pending_.empty()) {
        for (Change& c : pending_)
            c.owner = 0;
        Flush(0);
    }
}

std::shared_ptr<HiveStore> HiveStore::Instance()
{
    if (!Global())
        Global() = std::make_shared<HiveStore>(DataPaths::UserHiveFile(), DataPaths::MachineHiveFiles());
    return Global();
}

void HiveStore::ResetForTests()
{
    Global().reset();
}

void HiveStore::SetBeforeRenameHookForTests(std::function<bool(const QString&)> hook)
{
    BeforeRenameHook() = std::move(hook);
}

HiveStore::Stamp HiveStore::StampOf(const QString& file)
{
    struct stat info{};
    if (::stat(QFile::encodeName(file).constData(), &info) != 0)
        return {};
    return {true, (long long)info.st_dev, (long long)info.st_ino, (long long)info.st_size,
            (long long)info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec};
}

HiveStore::FileState HiveStore::ReadUser(reg::HiveKey* tree, Stamp* stamp, QString* why) const
{
    QByteArray content;
    struct stat info{};
    int error = 0;
    if (!ReadAll(userFile_, &content, &info, &error)) {
        *stamp = {};
        if (error == ENOENT)
            return FileState::Missing;
        *why = ErrnoText(error);
        return FileState::Unreadable;
    }
    *stamp = {true, (long long)info.st_dev, (long long)info.st_ino, (long long)info.st_size,
              (long long)info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec};
    return reg::ParseHive(content, kUserRoot, tree, why) ? FileState::Ok : FileState::Corrupt;
}

HiveStore::FileState HiveStore::ReadUserOrSetAside(reg::HiveKey* tree, Stamp* stamp)
{
    QString why;
    FileState state = ReadUser(tree, stamp, &why);
    if (state != FileState::Corrupt)
        return state;
    const QString stampText = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = userFile_ + QStringLiteral(".bad-") + stampText;
    for (int n = 1; QFileInfo::exists(aside); ++n)
        aside = userFile_ + QStringLiteral(".bad-%1-%2").arg(stampText).arg(n);
    if (::rename(QFile::encodeName(userFile_).constData(), QFile::encodeName(aside).constData()) == 0) {
        Report(QStringLiteral("the settings file %1 is damaged (%2); starting with default settings, "
                              "the damaged file was kept as %3")
                   .arg(userFile_, why, aside));
        *stamp = {};
        return FileState::Corrupt;
    }
    Report(QStringLiteral("the settings file %1 is damaged (%2) and cannot be moved aside (%3); "
                          "starting with default settings, which will not be saved")
               .arg(userFile_, why, ErrnoText(errno)));
    return FileState::Unreadable;
}

void HiveStore::EnsureUser()
{
    if (userLoaded_)
        return;
    userLoaded_ = true;
    reg::HiveKey disk{kUserRoot, {}, {}};
    QString why;
    FileState state = ReadUser(&disk, &stamp_, &why);
    if (state == FileState::Corrupt) {
        QDir().mkpath(QFileInfo(userFile_).absolutePath());
        QLockFile lock(userFile_ + QStringLiteral(".lock"));
        lock.tryLock(kLockWaitMs);
        state = ReadUserOrSetAside(&disk, &stamp_);
    } else if (state == FileState::Unreadable) {
        Report(QStringLiteral("cannot read the settings file %1 (%2); starting with default settings, "
                              "which will not be saved")
                   .arg(userFile_, why));
    }
    if (state == FileState::Unreadable)
        userWritable_ = false;
    if (state == FileState::Ok)
        user_ = std::move(disk);
    ReplayPending();
}

void HiveStore::ReloadIfChanged()
{
    if (StampOf(userFile_) == stamp_)
        return;
    reg::HiveKey disk{kUserRoot, {}, {}};
    Stamp stamp;
    QString why;
    FileState state = ReadUser(&disk, &stamp, &why);
    if (state == FileState::Corrupt) {
        QLockFile lock(userFile_ + QStringLiteral(".lock"));
        lock.tryLock(kLockWaitMs);
        state = ReadUserOrSetAside(&disk, &stamp);
    }
    if (state == FileState::Unreadable)
        return; // keep what is in memory; the next flush reports it
    stamp_ = stamp;
    if (state == FileState::Ok) {
        user_ = std::move(disk);
        ReplayPending();
    }
}

void HiveStore::EnsureMachine()
{
    if (machineLoaded_)
        return;
    machineLoaded_ = true;
    for (const QString& file : machineFiles_) {
        QByteArray content;
        struct stat info{};
        int error = 0;
        if (!ReadAll(file, &content, &info, &error)) {
            if (error != ENOENT)
                Report(QStringLiteral("machine settings file %1 skipped: %2").arg(file, ErrnoText(error)));
            continue;
        }
        reg::HiveKey layer{kMachineRoot, {}, {}};
        QString why;
        if (reg::ParseHive(content, kMachineRoot, &layer, &why))
            machine_.MergeFrom(layer);
        else
            Report(QStringLiteral("machine settings file %1 skipped: %2").arg(file, why));
    }
}

void HiveStore::ReplayPending()
{
    for (const Change& c : pending_)
        Apply(user_, c);
}

bool HiveStore::OpenPath(reg::Root root, const QStringList& path, int owner, QStringList* canonical)
{
    const reg::HiveKey* key = nullptr;
    if (root == reg::Root::LocalMachine) {
        key = Find(root, path);
    } else {
        const bool first = !userLoaded_;
        EnsureUser();
        if (!first)
            ReloadIfChanged();
        key = user_.Find(path);
        if (!key) {
            Record({Change::Kind::MakeKey, path, {}, 0, {}, owner});
            key = user_.Find(path);
        }
    }
    if (!key)
        return false;
    canonical->clear();
    const reg::HiveKey* walk = root == reg::Root::LocalMachine ? &machine_ : &user_;
    for (const QString& part : path) {
        walk = walk->FindSubkey(part);
        canonical->append(walk->name);
    }
    return true;
}

const reg::HiveKey* HiveStore::Find(reg::Root root, const QStringList& path)
{
    if (root == reg::Root::LocalMachine) {
        EnsureMachine();
        return machine_.Find(path);
    }
    EnsureUser();
    return user_.Find(path);
}

void HiveStore::Record(Change change)
{
    EnsureUser();
    Apply(user_, change);
    if (userWritable_)
        pending_.push_back(std::move(change));
}

bool HiveStore::Flush(int owner)
{
    auto mine = [owner](const Change& c) { return c.owner == owner || c.owner == 0; };
    if (std::none_of(pending_.begin(), pending_.end(), mine))
        return true;
    QDir().mkpath(QFileInfo(userFile_).absolutePath());
    QLockFile lock(userFile_ + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs)) {
        Report(QStringLiteral("settings not saved: %1 is locked by another process").arg(userFile_));
        return false;
    }
    // Only lock holders write temporary files: any left now is from a crash.
    const QFileInfo info(userFile_);
    const QDir folder = info.absoluteDir();
    for (const QString& stale : folder.entryList({info.fileName() + QStringLiteral(".tmp-*")}, QDir::Files))
        QFile::remove(folder.filePath(stale));
    reg::HiveKey base{kUserRoot, {}, {}};
    Stamp stamp;
    switch (ReadUserOrSetAside(&base, &stamp)) {
    case FileState::Ok:
        break;
    case FileState::Missing:
    case FileState::Corrupt:
        base = user_; // nothing usable on disk: write everything this process knows
        break;
    case FileState::Unreadable:
        Report(QStringLiteral("settings not saved: cannot read %1 to merge with it").arg(userFile_));
        return false;
    }
    for (const Change& c : pending_) {
        if (mine(c))
            Apply(base, c);
    }
    QString error;
    if (!ReplaceFile(userFile_, reg::WriteHive(base), &error)) {
        Report(QStringLiteral("settings not saved to %1: %2").arg(userFile_, error));
        return false;
    }
    pending_.erase(std::remove_if(pending_.begin(), pending_.end(), mine), pending_.end());
    user_ = std::move(base);
    ReplayPending();
    stamp_ = StampOf(userFile_);
    return true;
}

void HiveStore::Release(int owner)
{
    for (Change& c : pending_) {
        if (c.owner == owner)
            c.owner = 0;
    }
}
