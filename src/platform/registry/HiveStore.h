// SPDX-License-Identifier: GPL-3.0-or-later
// HiveStore: the two hives behind CRegistryKey.
//
// User hive (HKEY_CURRENT_USER, read-write): one REGEDIT4 file,
// DataPaths::UserHiveFile(). Machine hive (HKEY_LOCAL_MACHINE, read only):
// the files of DataPaths::MachineHiveFiles() laid over each other in order,
// the later overriding the earlier. Both are read at first use.
//
// Writes change the tree in memory at once and stay pending per owner (one
// open CRegistryKey) until that owner flushes. Within a save (BeginSave to
// EndSave, nested saves count as one) flushes only note their owner, and
// the end of the outermost save writes them all at once: one file written
// per save, however many keys it touched. A flush takes an exclusive
// lock (QLockFile "<hive>.lock"), re-reads the file, replays the owner's
// pending changes onto it, writes the whole hive to "<hive>.tmp-XXXXXX" in
// the same folder, syncs it and renames it over the file. So copies of the
// program sharing one file keep each other's values (the last writer wins
// per value), and a crash before the rename leaves the old file whole.
// When the hive is a symbolic link, "<hive>" above is the file the link
// finally names: the link stays and its target gets the new text.
// Opening a user key re-reads the file when another copy has replaced it,
// keeping this process's pending changes on top.
//
// Reading is tolerant (see ParseHive): a line that cannot be read is left
// out, so its value reads as its default, and everything else is kept. The
// file as it was is kept once as "<hive>.bad-yyyyMMdd-HHmmss" (a copy; no
// second copy of the same bytes is made), and each bad line is reported on
// stderr with the file and line number, once per process. The next save
// writes the hive without those lines. A file with no hive header at all
// is kept the same way and the settings start from their defaults. A
// damaged file that cannot be copied aside is read but never written over.
// Anything that is not a regular file (FIFO, device, socket, folder) is
// refused before it is opened, reported, and left alone: the settings run
// on their defaults and are not saved. A machine layer is read tolerantly
// too; its bad lines are reported and skipped, and a layer that is not a
// hive at all is skipped with one line on stderr.
//
// A save never writes a file larger than a hive may be (kMaxHiveFileBytes,
// which the reader would refuse): it is reported and the file is left as it
// is. A flush and a save hold off the termination watcher (CSaveInProgress).
// Keys are found through hashed names and pending value changes through a
// hash of key path and name, so reading, changing and writing a hive take
// time in proportion to its size.
//
// Thread: the user-interface thread only.
#pragma once

#include "platform/registry/HiveFile.h"
#include "platform/registry/RegistryKey.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

struct stat;

class HiveStore
{
public:
    // One change to the user hive, kept until its owner flushes.
    struct Change
    {
        enum class Kind { MakeKey, SetValue, DeleteValue, DeleteKey };
        Kind kind = Kind::MakeKey;
        QStringList path; // the key (DeleteKey: its parent)
        QString name;     // value name, or the subkey to delete
        std::uint32_t type = 0;
        QByteArray data;
        int owner = 0;
        bool superseded = false; // a later change made this one pointless
    };

    // A store over the given files; nothing is read before first use.
    HiveStore(const QString& userFile, const QStringList& machineFiles);
    // Writes the changes still pending.
    ~HiveStore();
    HiveStore(const HiveStore&) = delete;
    HiveStore& operator=(const HiveStore&) = delete;

    // The process-wide store over the DataPaths files, made at first call.
    static std::shared_ptr<HiveStore> Instance();
    // Forgets the process-wide store (writing what is pending); the next
    // Instance() reads the files named by the environment at that time.
    static void ResetForTests();
    // Called with the temporary file once it is written and synced, just
    // before the rename; returning false abandons the write there, as a
    // crash would. An empty function removes the hook.
    static void SetBeforeRenameHookForTests(std::function<bool(const QString& tempFile)> hook);

    // A key of store by its path below the root (see CRegistryKey::Open).
    static CRegistryKey OpenKey(const std::shared_ptr<HiveStore>& store, reg::Root root, const QString& path);

    const QString& UserFile() const { return userFile_; }

    // For CRegistryKey. OpenPath finds a key, creating a missing user key on
    // behalf of owner, and gives its stored names in *canonical; false when
    // a machine key does not exist.
    bool OpenPath(reg::Root root, const QStringList& path, int owner, QStringList* canonical);
    const reg::HiveKey* Find(reg::Root root, const QStringList& path);
    void Record(Change change);
    // Writes owner's pending changes (and those of released owners); true
    // when nothing is left pending for owner.
    bool Flush(int owner);
    // owner is gone; its changes that could not be written go with the next
    // flush of any owner.
    void Release(int owner);
    int NewOwner() { return nextOwner_++; }
    // A save of many keys: see the top of this file. EndSave reports false
    // when the outermost save could not write what was pending.
    void BeginSave();
    bool EndSave();

private:
    struct Stamp
    {
        bool exists = false;
        long long device = 0, inode = 0, size = 0, mtimeNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    enum class FileState { Missing, Ok, Damaged, NotAHive, NotAFile, Unreadable };
    // The user file as read: Damaged has a tree and problems; NotAHive,
    // NotAFile and Unreadable have why.
    struct Reading
    {
        FileState state = FileState::Missing;
        reg::HiveKey tree;
        Stamp stamp;
        QByteArray content;
        std::vector<reg::HiveProblem> problems;
        QString why;
    };

    void EnsureUser();
    void EnsureMachine();
    void ReloadIfChanged();
    Reading ReadUser() const;
    // Under the lock: re-reads the file and, when it is damaged, keeps it
    // aside and reports it. False when a damaged file could not be kept.
    bool ReadUserKeepingDamage(Reading* reading);
    void ReportDamage(const Reading& reading, const QString& aside, const QString& copyError);
    QString LockFile() const;
    void ReplayPending();
    // The user key at path, nullptr when missing; remembers the last one.
    reg::HiveKey* FindUser(const QStringList& path);
    // Keys were made or removed, or the tree replaced: keys moved in memory.
    void Reshaped() { cachedKey_ = nullptr; }
    // Writes the pending changes of the owners wanted; see Flush.
    bool FlushOwners(const std::function<bool(int owner)>& wanted);
    void DropSuperseded();
    // True for changes whose owner is gone: any flush writes them.
    bool Orphaned(int owner) const { return owner == 0 || released_.contains(owner); }
    static QString ValueChangeKey(const Change& change);
    static Stamp StampOf(const QString& file);
    static Stamp StampOf(const struct stat& info);

    QString userFile_;
    QStringList machineFiles_;
    bool userLoaded_ = false;
    bool machineLoaded_ = false;
    bool userWritable_ = true;
    reg::HiveKey user_; // call Reshaped() whenever a key is made or removed
    reg::HiveKey machine_;
    Stamp stamp_;
    QByteArray reported_; // the damaged text whose lines were reported last
    std::vector<Change> pending_;
    QHash<QString, size_t> pendingValues_; // ValueChangeKey -> its latest change in pending_
    size_t superseded_ = 0;                // changes in pending_ marked superseded
    int saveDepth_ = 0;
    QSet<int> savedOwners_; // owners that flushed within the current save
    QSet<int> released_;    // owners gone (Release) with changes pending
    int nextOwner_ = 1;
    // The user key found last and its path: most calls ask for the key the
    // call before asked for.
    QStringList cachedPath_;
    reg::HiveKey* cachedKey_ = nullptr;
};
