// SPDX-License-Identifier: GPL-3.0-or-later
// The cue-sheet reader: one pass over the lines, every broken line reported
// with its number. What the sheet says about its files is checked here
// (order of tracks and indexes, times); the files themselves are opened by
// OpenCueDisc (CueDisc.cpp).
#include "platform/mci/CueSheet.h"

#include "platform/mci/Mci.h"

#include <QCoreApplication>
#include <QStringConverter>
#include <QStringList>

namespace mci {
namespace {

QString Tr(const char* text)
{
    return QCoreApplication::translate("CueSheet", text);
}

// The words of a line: blanks separate them, a word in double quotes may
// hold blanks. False when a quote is left open.
bool SplitWords(QStringView line, QStringList* words)
{
    qsizetype i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i].isSpace())
            ++i;
        if (i == line.size())
            break;
        if (line[i] == u'"') {
            const qsizetype close = line.indexOf(u'"', i + 1);
            if (close < 0)
                return false;
            words->append(line.mid(i + 1, close - i - 1).toString());
            i = close + 1;
        } else {
            const qsizetype start = i;
            while (i < line.size() && !line[i].isSpace())
                ++i;
            words->append(line.mid(start, i - start).toString());
        }
    }
    return true;
}

// Digits only, at most maxDigits of them.
std::optional<int> Number(const QString& word, int maxDigits)
{
    if (word.isEmpty() || word.size() > maxDigits)
        return std::nullopt;
    int value = 0;
    for (const QChar c : word) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

// "mm:ss:ff" (minutes, seconds below 60, frames below 75) in sectors.
std::optional<std::int64_t> Time(const QString& word)
{
    const QStringList parts = word.split(u':');
    if (parts.size() != 3)
        return std::nullopt;
    const auto m = Number(parts[0], 5), s = Number(parts[1], 2), f = Number(parts[2], 2);
    if (!m || !s || !f || *s >= 60 || *f >= kCdSectorsPerSecond)
        return std::nullopt;
    return (std::int64_t(*m) * 60 + *s) * kCdSectorsPerSecond + *f;
}

QString TimeText(std::int64_t sectors)
{
    return QString::asprintf("%02lld:%02lld:%02lld",
                             static_cast<long long>(sectors / kCdSectorsPerSecond / 60),
                             static_cast<long long>(sectors / kCdSectorsPerSecond % 60),
                             static_cast<long long>(sectors % kCdSectorsPerSecond));
}

QString Decode(const QByteArray& text)
{
    if (const auto marked = QStringConverter::encodingForData(text))
        return QStringDecoder(*marked).decode(text);
    QStringDecoder utf8(QStringConverter::Utf8);
    QString decoded = utf8.decode(text);
    return utf8.hasError() ? QString::fromLatin1(text) : decoded;
}

struct TrackType
{
    const char* name;
    bool audio;
    int sectorBytes;
};

constexpr TrackType kTrackTypes[] = {
    {"AUDIO", true, 2352},       {"CDG", true, 2448},         {"MODE1/2048", false, 2048},
    {"MODE1/2352", false, 2352}, {"MODE2/2048", false, 2048}, {"MODE2/2324", false, 2324},
    {"MODE2/2336", false, 2336}, {"MODE2/2352", false, 2352}, {"CDI/2336", false, 2336},
    {"CDI/2352", false, 2352},
};

// Lines that change nothing about the sound or the titles.
constexpr const char* kIgnored[] = {"REM",       "CATALOG",   "ISRC",    "FLAGS",    "SONGWRITER",
                                    "COMPOSER",  "ARRANGER",  "MESSAGE", "DISC_ID",  "GENRE",
                                    "TOC_INFO1", "TOC_INFO2", "UPC_EAN", "SIZE_INFO"};

class Parser
{
public:
    Parser(QString cueName, CueProblem* problem) : m_name(std::move(cueName)), m_problem(problem) {}

    std::optional<CueSheet> Run(const QString& text)
    {
        QString unified = text;
        unified.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
        const QStringList lines = unified.split(u'\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            m_line = int(i + 1);
            if (!Line(lines[i]))
                return std::nullopt;
        }
        if (m_sheet.tracks.empty())
            return Fail(MCIERR_INVALID_FILE,
                        QStringLiteral("%1: %2").arg(m_name, Tr("the sheet holds no TRACK.")));
        if (!TrackComplete())
            return std::nullopt;
        return std::move(m_sheet);
    }

private:
    std::nullopt_t Fail(MCIERROR error, const QString& text)
    {
        *m_problem = {error, text};
        return std::nullopt;
    }
    bool Broken(const QString& what, int line = 0)
    {
        Fail(MCIERR_INVALID_FILE,
             QStringLiteral("%1 line %2: %3").arg(m_name).arg(line ? line : m_line).arg(what));
        return false;
    }

    CueTrack* Track() { return m_sheet.tracks.empty() ? nullptr : &m_sheet.tracks.back(); }

    // The last track has its INDEX 01.
    bool TrackComplete()
    {
        const CueTrack* track = Track();
        if (!track || m_hasIndex1)
            return true;
        return Broken(Tr("TRACK %1 has no INDEX 01.").arg(track->number, 2, 10, QLatin1Char('0')),
                      track->line);
    }

    bool Line(const QString& line)
    {
        QStringList words;
        if (!SplitWords(line, &words))
            return Broken(Tr("a quote is not closed."));
        if (words.isEmpty())
            return true;
        const QString command = words.takeFirst().toUpper();
        if (command == u"FILE")
            return File(words);
        if (command == u"TRACK")
            return NewTrack(words);
        if (command == u"INDEX")
            return Index(words);
        if (command == u"PREGAP" || command == u"POSTGAP")
            return Gap(command == u"PREGAP", words);
        if (command == u"CDTEXTFILE") {
            m_sheet.cdTextFile = words.join(u' ').trimmed();
            m_sheet.cdTextLine = m_line;
            return true;
        }
        if (command == u"TITLE" || command == u"PERFORMER") {
            CdText& text = Track() ? Track()->text : m_sheet.text;
            (command == u"TITLE" ? text.title : text.performer) = words.join(u' ').trimmed();
            return true;
        }
        for (const char* ignored : kIgnored)
            if (command == QLatin1String(ignored))
                return true;
        return Broken(Tr("unknown command \"%1\".").arg(command.left(40)));
    }

    bool File(const QStringList& words)
    {
        if (words.isEmpty() || words[0].isEmpty())
            return Broken(Tr("FILE names no file."));
        if (m_sheet.files.size() >= 99)
            return Broken(Tr("more than 99 FILE lines."));
        CueFile file;
        file.line = m_line;
        // A name with blanks written without quotes: every word but the type.
        file.name = words.size() > 2 ? words.mid(0, words.size() - 1).join(u' ') : words[0];
        const QString type = words.size() > 1 ? words.last().toUpper() : QString();
        if (type.isEmpty()) {
            const QString ext = file.name.section(u'.', -1).toLower();
            file.raw = ext == u"bin" || ext == u"img" || ext == u"raw";
        } else if (type == u"MOTOROLA") {
            file.bigEndian = true;
        } else if (type != u"BINARY") {
            static const QStringList decoded{"WAVE", "WAV", "AIFF", "FLAC", "MP3", "OGG"};
            if (!decoded.contains(type))
                return Broken(Tr("unknown file type \"%1\" (BINARY, MOTOROLA, WAVE, AIFF, FLAC or MP3).")
                                  .arg(type.left(40)));
            file.raw = false;
        }
        m_sheet.files.push_back(file);
        m_hasPoint = false;
        return true;
    }

    bool NewTrack(const QStringList& words)
    {
        if (m_sheet.files.empty())
            return Broken(Tr("TRACK before any FILE."));
        if (!TrackComplete())
            return false;
        const std::optional<int> number = words.isEmpty() ? std::nullopt : Number(words[0], 2);
        if (!number || *number < 1 || *number > 99)
            return Broken(Tr("a TRACK number is 01 to 99."));
        if (Track() && *number != Track()->number + 1)
            return Broken(Tr("TRACK %1 follows TRACK %2.")
                              .arg(*number, 2, 10, QLatin1Char('0'))
                              .arg(Track()->number, 2, 10, QLatin1Char('0')));
        const QString type = words.size() > 1 ? words[1].toUpper() : QString();
        const TrackType* found = nullptr;
        for (const TrackType& t : kTrackTypes)
            if (type == QLatin1String(t.name))
                found = &t;
        if (!found)
            return Broken(Tr("unknown track type \"%1\".").arg(type.left(40)));
        CueTrack track;
        track.number = *number;
        track.line = m_line;
        track.audio = found->audio;
        track.sectorBytes = found->sectorBytes;
        m_sheet.tracks.push_back(track);
        m_lastIndex = -1;
        m_hasIndex1 = false;
        m_postgapSet = false;
        return true;
    }

    bool Index(const QStringList& words)
    {
        CueTrack* track = Track();
        if (!track)
            return Broken(Tr("INDEX before any TRACK."));
        const std::optional<int> number = words.isEmpty() ? std::nullopt : Number(words[0], 2);
        const std::optional<std::int64_t> at = words.size() > 1 ? Time(words[1]) : std::nullopt;
        if (!number || !at)
            return Broken(Tr("an INDEX reads \"INDEX nn mm:ss:ff\" (seconds below 60, frames below 75)."));
        if (*number <= m_lastIndex)
            return Broken(Tr("INDEX %1 follows INDEX %2.")
                              .arg(*number, 2, 10, QLatin1Char('0'))
                              .arg(m_lastIndex, 2, 10, QLatin1Char('0')));
        if (m_postgapSet)
            return Broken(Tr("INDEX after the track's POSTGAP."));
        if (m_hasPoint && *at < m_point.sector)
            return Broken(Tr("INDEX at %1 lies before the one on line %2 (%3).")
                              .arg(TimeText(*at))
                              .arg(m_point.line)
                              .arg(TimeText(m_point.sector)));
        m_point = {m_sheet.files.size() - 1, *at, m_line};
        m_hasPoint = true;
        m_lastIndex = *number;
        if (*number == 0)
            track->index0 = m_point;
        if (*number == 1) {
            track->index1 = m_point;
            m_hasIndex1 = true;
        }
        return true;
    }

    bool Gap(bool pregap, const QStringList& words)
    {
        CueTrack* track = Track();
        if (!track)
            return Broken(Tr("%1 before any TRACK.").arg(pregap ? "PREGAP" : "POSTGAP"));
        const std::optional<std::int64_t> length = words.isEmpty() ? std::nullopt : Time(words[0]);
        if (!length)
            return Broken(Tr("a gap reads \"mm:ss:ff\" (seconds below 60, frames below 75)."));
        if (pregap && (m_lastIndex >= 0 || track->pregap != 0))
            return Broken(Tr("PREGAP comes once, before the track's INDEX lines."));
        if (!pregap && (!m_hasIndex1 || m_postgapSet))
            return Broken(Tr("POSTGAP comes once, after the track's INDEX 01."));
        (pregap ? track->pregap : track->postgap) = *length;
        m_postgapSet = m_postgapSet || !pregap;
        return true;
    }

    const QString m_name;
    CueProblem* m_problem;
    CueSheet m_sheet;
    int m_line = 0;
    int m_lastIndex = -1;     // of the current track
    bool m_hasIndex1 = false; // of the current track
    bool m_postgapSet = false;
    CuePoint m_point; // the last INDEX in the current file
    bool m_hasPoint = false;
};

} // namespace

std::optional<CueSheet> ParseCueSheet(const QByteArray& text, const QString& cueName, CueProblem* problem)
{
    return Parser(cueName, problem).Run(Decode(text));
}

bool ReadCdTextPacks(const QByteArray& bytes, CdText* disc, std::vector<CdText>* tracks)
{
    constexpr qsizetype kPack = 18;
    // A size header of 4 bytes, and a closing zero, as some rippers save them.
    const qsizetype from = bytes.size() % kPack >= 4 ? 4 : 0;
    const qsizetype packs = (bytes.size() - from) / kPack;
    if (packs == 0)
        return false;
    struct Run
    {
        QByteArray text;
        int firstTrack = -1;
    } runs[2]; // titles (type 0x80), performers (0x81)
    for (qsizetype i = 0; i < packs; ++i) {
        const auto* pack = reinterpret_cast<const unsigned char*>(bytes.constData() + from + i * kPack);
        if (pack[0] < 0x80 || pack[0] > 0x8F)
            return false;
        const bool firstBlock = (pack[3] & 0x70) == 0, doubleBytes = (pack[3] & 0x80) != 0;
        if (pack[0] > 0x81 || !firstBlock || doubleBytes)
            continue;
        Run& run = runs[pack[0] - 0x80];
        if (run.firstTrack < 0)
            run.firstTrack = pack[1] & 0x7F;
        run.text.append(reinterpret_cast<const char*>(pack) + 4, 12);
    }
    for (int kind = 0; kind < 2; ++kind) {
        if (runs[kind].firstTrack < 0)
            continue;
        // One text a track, each ended by a zero, from the first pack's track
        // on (0: the disc); a tab is the text before again.
        int track = runs[kind].firstTrack;
        QString before;
        const QList<QByteArray> texts = runs[kind].text.split('\0');
        for (qsizetype t = 0; t + 1 < texts.size() && track <= 99; ++t, ++track) {
            const QString text = texts[t] == "\t" ? before : QString::fromLatin1(texts[t]).trimmed();
            before = text;
            if (track > 0 && std::size_t(track) > tracks->size())
                tracks->resize(std::size_t(track));
            CdText& field = track == 0 ? *disc : (*tracks)[std::size_t(track - 1)];
            (kind == 0 ? field.title : field.performer) = text;
        }
    }
    return true;
}

bool IsCueSheetPath(const QString& path)
{
    return path.endsWith(QLatin1String(".cue"), Qt::CaseInsensitive);
}

} // namespace mci
