// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/registry/HiveStore.h"

#include "platform/DataPaths.h"
#include "platform/Logging.h"
#include "platform/TerminationWatcher.h"
#include "platform/registry/HiveDisk.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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
    qCWarning(lcHive).noquote() << "lirana:" << line;
}

// HiveStore::FileState, in its order, for the diagnostics.
const char* StateName(int state)
{
    static const char* const names[] = {"missing", "ok", "damaged", "not a hive", "not a file", "unreadable"};
    return state >= 0 && state < int(std::size(names)) ? names[state] : "?";
}

QString SystemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Makes folder and the folders above it; 0, or the errno of the step that
// failed (ENOTDIR for a regular file on the way).
int MakeFolders(const QByteArray& folder)
{
    struct stat info
    {};
    if (::stat(folder.constData(), &info) == 0)
        return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT)
        return errno;
    const qsizetype slash = folder.lastIndexOf('/');
    if (slash > 0) {
        if (const int above = MakeFolders(folder.left(slash)))
            return above;
    }
    return ::mkdir(folder.constData(), 0777) == 0 || errno == EEXIST ? 0 : errno;
}

// Why the lock file beside the hive cannot be made, when QLockFile says only
// that it could not: the errno of the same steps tried again (create the
// file, write a lock's worth of text into it), for a file of our own beside
// it. 0 when they pass now.
int LockFileErrno(const QString& lockFile)
{
    const QByteArray probe = QFile::encodeName(lockFile) + ".probe-" + QByteArray::number(::getpid());
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    const QByteArray text(256, 'x'); // more than QLockFile writes: process, program and host
    int error = 0;
    for (qsizetype done = 0; done < text.size() && error == 0;) {
        const ssize_t n = ::write(fd, text.constData() + done, std::size_t(text.size() - done));
        if (n > 0)
            done += n;
        else if (n == 0 || errno != EINTR)
            error = n == 0 ? EIO : errno;
    }
    ::close(fd);
    ::unlink(probe.constData());
    return error;
}

bool SamePath(const QStringList& a, const QStringList& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](const QString& x, const QString& y) {
               return x.compare(y, Qt::CaseInsensitive) == 0;
           });
}

// True when later makes earlier pointless: a later write or deletion of the
// same value, or the deletion of a key at or above earlier's key. Replaying
// earlier after a save would put an older value back over a newer one.
bool Supersedes(const HiveStore::Change& later, const HiveStore::Change& earlier)
{
    using Kind = HiveStore::Change::Kind;
    const bool valueChange = earlier.kind == Kind::SetValue || earlier.kind == Kind::DeleteValue;
    if ((later.kind == Kind::SetValue || later.kind == Kind::DeleteValue) && valueChange)
        return SamePath(later.path, earlier.path) &&
               later.name.compare(earlier.name, Qt::CaseInsensitive) == 0;
    if (later.kind == Kind::DeleteKey) {
        const QStringList gone = later.path + QStringList(later.name);
        return earlier.path.size() >= gone.size() && SamePath(earlier.path.mid(0, gone.size()), gone);
    }
    return false;
}

void Apply(reg::HiveKey& root, const HiveStore::Change& c)
{
    using Kind = HiveStore::Change::Kind;
    if (c.superseded)
        return;
    switch (c.kind) {
    case Kind::MakeKey: root.Make(c.path); break;
    case Kind::SetValue: root.Make(c.path).SetValue(c.name, c.type, c.data); break;
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
    : userFile_(userFile),
      machineFiles_(machineFiles), user_{kUserRoot, {}, {}}, machine_{kMachineRoot, {}, {}}
{
}

HiveStore::~HiveStore()
{
    saveDepth_ = 0;
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
    struct stat info
    {};
    if (::stat(QFile::encodeName(file).constData(), &info) != 0)
        return {};
    return StampOf(info);
}

HiveStore::Stamp HiveStore::StampOf(const struct stat& info)
{
    return {true, (long long)info.st_dev, (long long)info.st_ino, (long long)info.st_size,
            (long long)info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec};
}

QString HiveStore::LockFile() const
{
    // Beside the file the hive finally names, so that copies of the program
    // reaching one file by different links share the lock.
    QString target;
    QString error;
    return (reg::ResolveLinks(userFile_, &target, &error) ? target : userFile_) + QStringLiteral(".lock");
}

HiveStore::Reading HiveStore::ReadUser() const
{
    Reading r;
    r.tree = {kUserRoot, {}, {}};
    struct stat info
    {};
    switch (reg::ReadRegularFile(userFile_, &r.content, &info, &r.why, reg::kMaxHiveFileBytes)) {
    case reg::ReadStatus::Missing: r.state = FileState::Missing; return r;
    case reg::ReadStatus::NotAFile: r.state = FileState::NotAFile; return r;
    // Too large to be settings: left as it is, like a file that cannot be read.
    case reg::ReadStatus::TooLarge:
    case reg::ReadStatus::Failed: r.state = FileState::Unreadable; return r;
    case reg::ReadStatus::Ok: break;
    }
    r.stamp = StampOf(info);
    if (!reg::ParseHive(r.content, kUserRoot, &r.tree, &r.problems, &r.why))
        r.state = FileState::NotAHive;
    else
        r.state = r.problems.empty() ? FileState::Ok : FileState::Damaged;
    return r;
}

bool HiveStore::ReadUserKeepingDamage(Reading* reading)
{
    *reading = ReadUser();
    if (reading->state != FileState::Damaged && reading->state != FileState::NotAHive)
        return true;
    QString aside;
    QString error;
    const bool kept = reg::KeepCopyAside(userFile_, reading->content, &aside, &error);
    qCDebug(lcHive).noquote() << "repair:" << userFile_ << (kept ? "kept aside as" : "cannot be kept aside:")
                              << (kept ? aside : error);
    if (reading->content != reported_) {
        reported_ = reading->content;
        ReportDamage(*reading, kept ? aside : QString(), error);
    }
    return kept;
}

void HiveStore::ReportDamage(const Reading& r, const QString& aside, const QString& copyError)
{
    QString kept = QStringLiteral("the file as it was is kept as %1").arg(aside);
    if (aside.isEmpty())
        kept = QStringLiteral("the file cannot be kept aside (%1), so no settings will be saved")
                   .arg(copyError);
    if (r.state == FileState::NotAHive) {
        Report(QStringLiteral("the settings file %1 is damaged (%2); starting with default settings, %3")
                   .arg(userFile_, r.why, kept));
        return;
    }
    for (const reg::HiveProblem& p : r.problems) {
        QString lost = QStringLiteral("its value takes its default");
        if (p.keyHeader && p.valuesLost == 1)
            lost = QStringLiteral("the value below it takes its default");
        else if (p.keyHeader)
            lost = QStringLiteral("the %1 values below it take their defaults").arg(p.valuesLost);
        Report(QStringLiteral("the settings file %1, line %2: %3; %4 (%5)")
                   .arg(userFile_, QString::number(p.line), p.why, lost, kept));
    }
}

void HiveStore::EnsureUser()
{
    if (userLoaded_)
        return;
    userLoaded_ = true;
    Reading r = ReadUser();
    qCDebug(lcHive).noquote() << "load:" << userFile_ << StateName(int(r.state)) << r.problems.size()
                              << "problem(s)";
    if (r.state == FileState::Damaged || r.state == FileState::NotAHive) {
        QLockFile lock(LockFile());
        lock.tryLock(kLockWaitMs);
        if (!ReadUserKeepingDamage(&r))
            userWritable_ = false;
    }
    if (r.state == FileState::NotAFile) {
        Report(QStringLiteral("the settings file %1 is %2, not a regular file; it is left as it is, and the "
                              "program starts with default settings, which will not be saved")
                   .arg(userFile_, r.why));
        userWritable_ = false;
    } else if (r.state == FileState::Unreadable) {
        Report(QStringLiteral("cannot read the settings file %1 (%2); starting with default settings, "
                              "which will not be saved")
                   .arg(userFile_, r.why));
        userWritable_ = false;
    }
    stamp_ = r.stamp;
    if (r.state == FileState::Ok || r.state == FileState::Damaged)
        user_ = std::move(r.tree);
    ReplayPending();
}

void HiveStore::ReloadIfChanged()
{
    if (StampOf(userFile_) == stamp_)
        return;
    Reading r = ReadUser();
    qCDebug(lcHive).noquote() << "reload (changed on disk):" << userFile_ << StateName(int(r.state));
    if (r.state == FileState::Damaged || r.state == FileState::NotAHive) {
        QLockFile lock(LockFile());
        lock.tryLock(kLockWaitMs);
        if (!ReadUserKeepingDamage(&r))
            return; // reported; keep what is in memory
    }
    if (r.state == FileState::Unreadable || r.state == FileState::NotAFile)
        return;
    stamp_ = r.stamp;
    if (r.state == FileState::Ok || r.state == FileState::Damaged) {
        user_ = std::move(r.tree);
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
        struct stat info
        {};
        QString why;
        const reg::ReadStatus status = reg::ReadRegularFile(file, &content, &info, &why,
                                                            reg::kMaxHiveFileBytes);
        if (status != reg::ReadStatus::Ok) {
            if (status != reg::ReadStatus::Missing)
                Report(QStringLiteral("machine settings file %1 skipped: %2").arg(file, why));
            continue;
        }
        reg::HiveKey layer{kMachineRoot, {}, {}};
        std::vector<reg::HiveProblem> problems;
        if (!reg::ParseHive(content, kMachineRoot, &layer, &problems, &why)) {
            Report(QStringLiteral("machine settings file %1 skipped: %2").arg(file, why));
            continue;
        }
        for (const reg::HiveProblem& p : problems)
            Report(QStringLiteral("machine settings file %1, line %2: %3; skipped")
                       .arg(file, QString::number(p.line), p.why));
        qCDebug(lcHive).noquote() << "load machine settings:" << file << problems.size() << "problem(s)";
        machine_.MergeFrom(layer);
    }
}

reg::HiveKey* HiveStore::FindUser(const QStringList& path)
{
    if (cachedKey_ && path == cachedPath_)
        return cachedKey_;
    cachedKey_ = user_.Find(path);
    cachedPath_ = path;
    return cachedKey_;
}

void HiveStore::ReplayPending()
{
    Reshaped();
    for (const Change& c : pending_)
        Apply(user_, c);
}

bool HiveStore::OpenPath(reg::Root root, const QStringList& path, int owner, QStringList* canonical)
{
    if (path.size() > reg::kMaxKeyDepth)
        return false;
    const reg::HiveKey* key = nullptr;
    if (root == reg::Root::LocalMachine) {
        key = Find(root, path);
    } else {
        const bool first = !userLoaded_;
        EnsureUser();
        if (!first)
            ReloadIfChanged();
        key = FindUser(path);
        if (!key) {
            Record({Change::Kind::MakeKey, path, {}, 0, {}, owner});
            key = FindUser(path);
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
    return FindUser(path);
}

QString HiveStore::ValueChangeKey(const Change& change)
{
    return reg::FoldedName(change.path.join(u'\\') + QChar(0) + change.name);
}

void HiveStore::Record(Change change)
{
    using Kind = Change::Kind;
    EnsureUser();
    // A value goes into the key found last (the one a save writes into, key
    // after key); anything else may make or remove keys.
    reg::HiveKey* key = nullptr;
    if (change.kind == Kind::SetValue || change.kind == Kind::DeleteValue)
        key = FindUser(change.path);
    if (key && change.kind == Kind::SetValue) {
        key->SetValue(change.name, change.type, change.data);
    } else if (key) {
        key->RemoveValue(change.name);
    } else {
        Apply(user_, change);
        Reshaped();
    }
    if (!userWritable_)
        return;
    auto supersede = [this](Change& earlier) {
        if (!earlier.superseded) {
            earlier.superseded = true;
            ++superseded_;
        }
    };
    if (change.kind == Kind::SetValue || change.kind == Kind::DeleteValue) {
        const QString valueKey = ValueChangeKey(change);
        if (const auto it = pendingValues_.constFind(valueKey); it != pendingValues_.cend())
            supersede(pending_[*it]);
        pendingValues_.insert(valueKey, pending_.size());
    } else if (change.kind == Kind::DeleteKey) {
        // Rare (a whole list saved anew): a scan is fine here.
        for (Change& earlier : pending_) {
            if (Supersedes(change, earlier))
                supersede(earlier);
        }
    }
    pending_.push_back(std::move(change));
    if (superseded_ > 64 && superseded_ > pending_.size() / 2)
        DropSuperseded();
}

void HiveStore::DropSuperseded()
{
    std::erase_if(pending_, [](const Change& c) { return c.superseded; });
    superseded_ = 0;
    pendingValues_.clear();
    for (size_t i = 0; i < pending_.size(); ++i) {
        const Change& c = pending_[i];
        if (c.kind == Change::Kind::SetValue || c.kind == Change::Kind::DeleteValue)
            pendingValues_.insert(ValueChangeKey(c), i);
    }
}

void HiveStore::BeginSave()
{
    ++saveDepth_;
}

bool HiveStore::EndSave()
{
    if (saveDepth_ == 0 || --saveDepth_ > 0)
        return true;
    const QSet<int> owners = std::exchange(savedOwners_, {});
    return FlushOwners([&](int owner) { return Orphaned(owner) || owners.contains(owner); });
}

bool HiveStore::Flush(int owner)
{
    if (saveDepth_ > 0) {
        savedOwners_.insert(owner);
        return true;
    }
    return FlushOwners([&](int o) { return o == owner || Orphaned(o); });
}

bool HiveStore::FlushOwners(const std::function<bool(int owner)>& wanted)
{
    auto mine = [&wanted](const Change& c) { return !c.superseded && wanted(c.owner); };
    if (std::none_of(pending_.begin(), pending_.end(), mine))
        return true;
    const CSaveInProgress saving;
    const QString folder = QFileInfo(userFile_).absolutePath();
    if (const int error = MakeFolders(QFile::encodeName(folder))) {
        Report(QStringLiteral("settings not saved to %1: cannot make the folder %2: %3")
                   .arg(userFile_, folder, SystemText(error)));
        return false;
    }
    const QString lockFile = LockFile();
    QLockFile lock(lockFile);
    if (!lock.tryLock(kLockWaitMs)) {
        // Only a lock held by another process is "locked"; a full disk, a
        // folder that takes no file or a link into a missing folder is told
        // as what it is.
        if (lock.error() == QLockFile::LockFailedError) {
            Report(QStringLiteral("settings not saved: %1 is locked by another process").arg(userFile_));
        } else {
            const int error = LockFileErrno(lockFile);
            Report(QStringLiteral("settings not saved to %1: cannot create the lock file %2: %3")
                       .arg(userFile_, lockFile,
                            error ? SystemText(error) : QStringLiteral("the lock could not be taken")));
        }
        return false;
    }
    // Only lock holders write temporary files: any left now is from a crash.
    reg::RemoveStaleTemporaries(userFile_);
    reg::HiveKey merged{kUserRoot, {}, {}};
    // The file as this process last read or wrote it, and every pending change
    // to be written: the merge would give what is in memory, without reading
    // the file again.
    const bool asInMemory = StampOf(userFile_) == stamp_ &&
                            std::none_of(pending_.begin(), pending_.end(),
                                         [&](const Change& c) { return !c.superseded && !mine(c); });
    if (!asInMemory) {
        Reading disk;
        if (!ReadUserKeepingDamage(&disk))
            return false; // reported: a damaged file that could not be kept is never written over
        switch (disk.state) {
        case FileState::Ok:
        case FileState::Damaged:
            merged = std::move(disk.tree); // its bad lines are left out
            break;
        case FileState::Missing:
        case FileState::NotAHive:
            merged = user_; // nothing usable on disk: write everything this process knows
            break;
        case FileState::NotAFile:
        case FileState::Unreadable:
            Report(QStringLiteral("settings not saved: cannot read %1 to merge with it (%2)")
                       .arg(userFile_, disk.why));
            return false;
        }
        for (const Change& c : pending_) {
            if (mine(c))
                Apply(merged, c);
        }
    }
    const reg::HiveKey& base = asInMemory ? user_ : merged;
    const QByteArray text = reg::WriteHive(base);
    if (text.size() > reg::kMaxHiveFileBytes) {
        // The reader would refuse such a file at the next start: keep the old one.
        Report(
            QStringLiteral("settings not saved to %1: they would take %2 bytes, more than the %3 MiB a "
                           "settings file may hold")
                .arg(userFile_, QString::number(text.size()), QString::number(reg::kMaxHiveFileBytes >> 20)));
        return false;
    }
    QString error;
    if (!reg::ReplaceFile(userFile_, text, BeforeRenameHook(), &error)) {
        Report(QStringLiteral("settings not saved to %1: %2").arg(userFile_, error));
        return false;
    }
    qCDebug(lcHive).noquote() << "write:" << userFile_
                              << std::count_if(pending_.begin(), pending_.end(), mine) << "change(s)";
    for (Change& c : pending_) {
        if (mine(c)) {
            c.superseded = true; // written
            ++superseded_;
        }
    }
    DropSuperseded();
    QSet<int> stillPending;
    for (const Change& c : pending_) {
        if (released_.contains(c.owner))
            stillPending.insert(c.owner);
    }
    released_ = std::move(stillPending);
    if (!asInMemory) {
        user_ = std::move(merged);
        ReplayPending();
    }
    stamp_ = StampOf(userFile_);
    return true;
}

void HiveStore::Release(int owner)
{
    // Noted rather than rewritten in every pending change: a save closes
    // thousands of keys, each with its changes still pending.
    if (!pending_.empty())
        released_.insert(owner);
}
