// SPDX-License-Identifier: GPL-3.0-or-later
// Loudness of items: their integrated loudness (BS.1770, gated, in LUFS)
// and true peak (4x oversampled, in dBTP), measured by decoding the whole
// file faster than real time; the gain that brings an item to a target;
// the figures kept between runs in a cache keyed by path, size and
// modification time; and a background scanner that fills it.
// docs/loudness.md describes the figures, the cache file and the choices.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// integratedLufs is -infinity when the item has no figure: digital silence,
// a level that the gate drops throughout (under -70 LUFS), or less than one
// 400 ms block of sound. truePeakDbtp is -infinity for digital silence.
struct LoudnessFigures
{
    double integratedLufs;
    double truePeakDbtp;
};

// Integrated loudness and true peak of interleaved float frames fed in any
// pieces. A mono source counts as played on both channels of the air (dual
// mono: 3 LU louder than one channel alone); with more than two channels,
// the front left/right, centre and surrounds count by their positions and
// the rest (LFE) not at all, as the positions given say. Not thread-safe.
class CLoudnessMeter
{
public:
    // positions: GStreamer's GstAudioChannelPosition per channel, or null
    // for the default order (left, right, centre, left and right surround).
    CLoudnessMeter(int channels, int rate, const int* positions = nullptr);
    ~CLoudnessMeter();
    CLoudnessMeter(const CLoudnessMeter&) = delete;
    CLoudnessMeter& operator=(const CLoudnessMeter&) = delete;

    bool Valid() const;
    int Channels() const { return m_channels; }
    int Rate() const { return m_rate; }
    void Add(const float* interleaved, std::size_t frames);
    LoudnessFigures Figures() const;
    // The figures over several meters' sound taken as one item (a file
    // whose rate or channels change midway): one gate over all blocks.
    static LoudnessFigures Combined(const std::vector<std::unique_ptr<CLoudnessMeter>>& meters);

private:
    struct State;
    std::unique_ptr<State> m_state;
    int m_channels;
    int m_rate;
};

// Decodes the whole file with GStreamer (its own rate and channels, no
// clock) and measures it. Nothing, with *error naming the file and the
// reason, for a missing or unreadable file, one without a sound stream, or
// when *cancel turns true (checked at least every 100 ms). Blocks; any
// thread.
std::optional<LoudnessFigures> MeasureLoudness(const QString& path, QString* error,
                                               const std::atomic<bool>* cancel = nullptr);

// The largest boost LoudnessGain gives: quieter items land under the
// target rather than have their noise floor raised without limit.
inline constexpr double kMaxLoudnessBoostDb = 12.0;

// The linear gain that brings an item with these figures to targetLufs.
// 1 (unchanged) for an item without a figure or a target that is not a
// finite number; cuts are not limited, boosts stop at kMaxLoudnessBoostDb.
// Peaks the gain lifts over the air's ceiling are the air limiter's work.
float LoudnessGain(const LoudnessFigures& figures, double targetLufs);

// The figures of files by absolute path, kept while the file's size and
// modification time (to the nanosecond) are what they were when measured.
// Loaded at construction; saved on Save(). Thread-safe.
class CLoudnessCache
{
public:
    // The file where the cache lives: DataPaths::AppDataDir() +
    // "/loudness.cache".
    static QString DefaultFile();

    // Loads file (DefaultFile() when empty). A missing file is an empty
    // cache; one that cannot be read or is of another version is ignored
    // with a warning, lines that do not read are skipped with one.
    explicit CLoudnessCache(const QString& file = {});
    ~CLoudnessCache();
    CLoudnessCache(const CLoudnessCache&) = delete;
    CLoudnessCache& operator=(const CLoudnessCache&) = delete;

    QString File() const;

    // The figures stored for path, while the file has the size and
    // modification time it had when they were stored. Asks the file system.
    std::optional<LoudnessFigures> Find(const QString& path) const;
    // Stores the figures for the file as it is now; false when the file
    // cannot be asked for its size and time.
    bool Store(const QString& path, const LoudnessFigures& figures);

    // The size and time of the file as its identity; nothing when it is no
    // regular file. Store(path, stamp, figures) keeps the figures for the
    // file as it was when measured, so a change during the measurement
    // shows as a miss.
    struct Stamp
    {
        std::int64_t size;
        std::int64_t mtimeNs;
        bool operator==(const Stamp&) const = default;
    };
    static std::optional<Stamp> StampOf(const QString& path);
    void Store(const QString& path, const Stamp& stamp, const LoudnessFigures& figures);

    // Writes the cache through a temporary file renamed over the old one;
    // false with a warning when it cannot be written.
    bool Save();
    // Whether something was stored since the last load or save.
    bool Changed() const;
    int Size() const;

private:
    struct Data;
    std::unique_ptr<Data> m_data;
};

// Measures requested files on one background thread of lowered priority,
// one at a time, and stores their figures in the cache. The owner hears
// of each file's figures by Measured, on the scanner's own thread (the
// thread that made it): at once in Request for a file the cache knows,
// queued for a measured one; Failed for a file that cannot be measured
// (it is not tried again while it stays as it is). Paths in both are
// absolute and cleaned, as the cache keys them. Destruction cancels the
// file being measured, waits for the thread and saves the cache; what was
// posted and not yet delivered is dropped. The cache outlives the scanner.
class CLoudnessScanner : public QObject
{
    Q_OBJECT
public:
    explicit CLoudnessScanner(CLoudnessCache& cache, QObject* parent = nullptr);
    ~CLoudnessScanner() override;

    // Queues the items that need measuring, in order. Skipped: what is no
    // local regular file (URLs, pause and live items, CD tracks, play/stop
    // controls, albums, mini playlists and lists, command files, missing
    // files), what the cache knows (Measured at once), what is queued or
    // being measured already, and what failed before unchanged.
    void Request(const QStringList& paths);

    // The number of files queued or being measured.
    int Pending() const;

    // Files measured between two saves of the cache while scanning (or a
    // minute, whichever comes first).
    static constexpr int kSaveEvery = 20;

signals:
    void Measured(const QString& path, const LoudnessFigures& figures);
    void Failed(const QString& path, const QString& error);

private:
    struct Worker;
    std::unique_ptr<Worker> m_worker;
};
