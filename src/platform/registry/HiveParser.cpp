// SPDX-License-Identifier: GPL-3.0-or-later
// Reading hive text: the byte order mark and encoding, the header, and the
// tolerant line-by-line parser (one line that cannot be read costs only that
// line's value).
#include "platform/registry/HiveFile.h"

#include <QStringDecoder>

namespace reg {

namespace {

const QString kCutShort = QStringLiteral("the last line has no line end and may be cut short");

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool AllHex(const QString& digits)
{
    for (const QChar c : digits) {
        if (!(c >= u'0' && c <= u'9') && !(c >= u'a' && c <= u'f') && !(c >= u'A' && c <= u'F'))
            return false;
    }
    return true;
}

// One physical line, decoded on its own so that bytes that are not text cost
// only their line.
struct Line
{
    QString text;     // without its line end
    QString badBytes; // why the bytes are not text; empty when they are
};

struct Lines
{
    std::vector<Line> lines;
    bool lastUnterminated = false; // the text does not end with a line end
};

Line Decode(const QByteArray& bytes, QStringDecoder::Encoding encoding, int unit)
{
    if (bytes.size() > kMaxHiveLineBytes) {
        // Only its start is read: a key header or a value, to be left out.
        Line line = Decode(bytes.left(256), encoding, unit);
        line.badBytes = QStringLiteral("line longer than %1 KiB").arg(kMaxHiveLineBytes >> 10);
        return line;
    }
    Line line;
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    line.text = decoder.decode(bytes);
    if (decoder.hasError() || bytes.size() % unit != 0)
        line.badBytes = unit == 1 ? QStringLiteral("not UTF-8 text") : QStringLiteral("not UTF-16 text");
    else if (line.text.contains(QChar(0)))
        line.badBytes = QStringLiteral("zero byte in the text");
    if (line.text.endsWith(u'\r'))
        line.text.chop(1);
    return line;
}

// Splits text at its line feeds: UTF-8 (with or without a byte order mark),
// or UTF-16 of either byte order when it starts with its byte order mark.
Lines SplitLines(const QByteArray& text)
{
    auto encoding = QStringDecoder::Utf8;
    qsizetype start = 0;
    int unit = 1;
    if (text.startsWith("\xEF\xBB\xBF")) {
        start = 3;
    } else if (text.startsWith("\xFF\xFE")) {
        encoding = QStringDecoder::Utf16LE;
        start = unit = 2;
    } else if (text.startsWith("\xFE\xFF")) {
        encoding = QStringDecoder::Utf16BE;
        start = unit = 2;
    }
    const int low = encoding == QStringDecoder::Utf16BE ? 1 : 0;
    Lines out;
    qsizetype lineStart = start;
    for (qsizetype i = start; i + unit <= text.size(); i += unit) {
        if (text[i + low] == '\n' && (unit == 1 || text[i + 1 - low] == 0)) {
            out.lines.push_back(Decode(text.mid(lineStart, i - lineStart), encoding, unit));
            lineStart = i + unit;
        }
    }
    if (lineStart < text.size()) {
        out.lines.push_back(Decode(text.mid(lineStart), encoding, unit));
        out.lastUnterminated = true;
    }
    return out;
}

// True for a line that starts a hive; *version5 tells which editor wrote it.
bool IsHeader(const Line& line, bool* version5)
{
    if (!line.badBytes.isEmpty())
        return false;
    const QString text = line.text.trimmed();
    *version5 = SameName(text, QStringLiteral("Windows Registry Editor Version 5.00"));
    return *version5 || SameName(text, QStringLiteral("REGEDIT4"));
}

class Parser
{
public:
    Parser(const Lines& text, bool version5, const QString& rootName, HiveKey* root,
           std::vector<HiveProblem>* problems)
        : text_(text), version5_(version5), rootName_(rootName), root_(root), problems_(problems)
    {
    }

    void Run(size_t first)
    {
        for (index_ = first; index_ < text_.lines.size(); ++index_) {
            const QString line = text_.lines[index_].text.trimmed();
            if (line.isEmpty() || line.startsWith(u';'))
                continue;
            if (line.startsWith(u'['))
                Section(line);
            else
                Value(line);
        }
    }

private:
    void Problem(size_t index, const QString& why, bool keyHeader = false)
    {
        problems_->push_back({int(index) + 1, why, keyHeader, 0});
    }

    void Section(const QString& line)
    {
        QString why = text_.lines[index_].badBytes;
        QStringList path;
        if (why.isEmpty())
            why = SectionPath(line, &path);
        if (!why.isEmpty()) {
            // The values below belong to a key that cannot be named: putting
            // them into the key above would be wrong, so they are lost.
            Problem(index_, why, true);
            current_ = nullptr;
            orphanedBy_ = int(problems_->size()) - 1;
            return;
        }
        current_ = &root_->Make(path);
        orphanedBy_ = -1;
    }

    QString SectionPath(const QString& line, QStringList* path) const
    {
        if (!line.endsWith(u']'))
            return QStringLiteral("key header without closing ']'");
        const QStringList parts = line.mid(1, line.size() - 2).split(u'\\');
        if (parts.contains(QString()))
            return QStringLiteral("empty key name in the path");
        if (!SameName(parts[0], rootName_))
            return QStringLiteral("key outside %1").arg(rootName_);
        if (parts.size() - 1 > kMaxKeyDepth)
            return QStringLiteral("key nested deeper than %1 levels").arg(kMaxKeyDepth);
        *path = parts.mid(1);
        return {};
    }

    void Value(const QString& line)
    {
        const size_t first = index_;
        QString name;
        std::uint32_t type = 0;
        QByteArray data;
        QString why = text_.lines[index_].badBytes;
        if (why.isEmpty())
            why = ParseValue(line, &name, &type, &data);
        if (!current_ && orphanedBy_ >= 0)
            ++(*problems_)[size_t(orphanedBy_)].valuesLost;
        else if (!why.isEmpty())
            Problem(first, why);
        else if (!current_)
            Problem(first, QStringLiteral("value outside a key"));
        else
            current_->SetValue(name, type, data);
    }

    // Reads a quoted string starting at text[*pos] == '"'; *pos ends after
    // the closing quote. Empty, or why the string cannot be read.
    static QString Quoted(const QString& text, qsizetype* pos, QString* out)
    {
        out->clear();
        for (qsizetype i = *pos + 1; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c == u'"') {
                *pos = i + 1;
                return {};
            }
            if (c == u'\\') {
                if (i + 1 >= text.size() || (text[i + 1] != u'\\' && text[i + 1] != u'"'))
                    return QStringLiteral("bad escape in a quoted string");
                ++i;
            }
            out->append(text[i]);
        }
        return QStringLiteral("unterminated string");
    }

    QString ParseValue(const QString& line, QString* name, std::uint32_t* type, QByteArray* data)
    {
        qsizetype pos = 0;
        if (line.startsWith(u'@')) {
            pos = 1;
        } else if (line.startsWith(u'"')) {
            if (QString why = Quoted(line, &pos, name); !why.isEmpty())
                return why;
        } else {
            return QStringLiteral("expected a key header or a value");
        }
        const QString rest = line.mid(pos).trimmed();
        if (!rest.startsWith(u'='))
            return QStringLiteral("'=' missing after the value name");
        return Data(rest.mid(1).trimmed(), type, data);
    }

    bool OnCutLine() const { return text_.lastUnterminated && index_ + 1 == text_.lines.size(); }

    QString Data(QString data, std::uint32_t* type, QByteArray* bytes)
    {
        if (data.startsWith(u'"')) {
            qsizetype pos = 0;
            QString text;
            if (QString why = Quoted(data, &pos, &text); !why.isEmpty())
                return why;
            if (pos != data.size())
                return QStringLiteral("text after the closing quote");
            *type = 1;
            *bytes = text.toUtf8();
            bytes->append('\0');
            return {};
        }
        if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
            const QString digits = data.mid(6);
            if (digits.isEmpty() || digits.size() > 8 || !AllHex(digits))
                return QStringLiteral("bad dword '%1'").arg(digits);
            if (OnCutLine() && digits.size() != 8)
                return kCutShort;
            const std::uint32_t v = digits.toUInt(nullptr, 16);
            *type = 4;
            bytes->clear();
            for (int i = 0; i < 4; ++i)
                bytes->append(char((v >> (8 * i)) & 0xff));
            return {};
        }
        qsizetype colon = -1;
        if (data.startsWith(QLatin1String("hex:"), Qt::CaseInsensitive)) {
            *type = 3;
            colon = 3;
        } else if (data.startsWith(QLatin1String("hex("), Qt::CaseInsensitive)) {
            const qsizetype close = data.indexOf(QLatin1String("):"));
            const QString number = close > 4 ? data.mid(4, close - 4) : QString();
            if (number.isEmpty() || number.size() > 8 || !AllHex(number))
                return QStringLiteral("bad value type in hex(...)");
            *type = number.toUInt(nullptr, 16);
            colon = close + 1;
        } else {
            return QStringLiteral("unknown value data");
        }
        data = data.mid(colon + 1);
        bool tooLong = false; // the rest of the value is skipped, not read as lines of their own
        while (data.endsWith(u'\\')) {
            data.chop(1);
            if (index_ + 1 >= text_.lines.size())
                return QStringLiteral("hex data continued past the end of the file");
            const Line& next = text_.lines[index_ + 1];
            const QString more = next.text.trimmed();
            // A line that starts a value or a key is not a continuation: it
            // is left to be read on its own.
            if (more.startsWith(u'"') || more.startsWith(u'@') || more.startsWith(u'['))
                return QStringLiteral("hex data continued by a line that is not hex data");
            ++index_;
            if (!next.badBytes.isEmpty())
                return next.badBytes;
            tooLong = tooLong || data.size() + more.size() > kMaxHiveLineBytes;
            data = tooLong ? more.right(1) : data + more;
        }
        if (tooLong)
            return QStringLiteral("hex data longer than %1 KiB").arg(kMaxHiveLineBytes >> 10);
        if (QString why = Hex(data, bytes); !why.isEmpty())
            return why;
        if (OnCutLine() && data.section(u',', -1).trimmed().size() != 2)
            return kCutShort;
        if (version5_ && (*type == 1 || *type == 2 || *type == 7))
            return FromUtf16(bytes);
        return {};
    }

    // Bytes written as "01,ff,..." (or "1,ff": one digit is a byte too).
    static QString Hex(const QString& list, QByteArray* bytes)
    {
        bytes->clear();
        if (list.trimmed().isEmpty())
            return {};
        for (const QString& item : list.split(u',')) {
            const QString byte = item.trimmed();
            if (byte.isEmpty() || byte.size() > 2 || !AllHex(byte))
                return QStringLiteral("bad hex byte '%1'").arg(byte);
            bytes->append(char(byte.toUInt(nullptr, 16)));
        }
        return {};
    }

    // The Version 5.00 editor writes text-typed hex data as UTF-16 LE; the
    // tree holds all text as UTF-8.
    static QString FromUtf16(QByteArray* bytes)
    {
        QStringDecoder decoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless);
        const QString text = decoder.decode(*bytes);
        if (decoder.hasError() || bytes->size() % 2 != 0)
            return QStringLiteral("text data that is not UTF-16");
        *bytes = text.toUtf8();
        return {};
    }

    const Lines& text_;
    bool version5_;
    QString rootName_;
    HiveKey* root_;
    std::vector<HiveProblem>* problems_;
    HiveKey* current_ = nullptr;
    int orphanedBy_ = -1; // the problem of the bad key header the values belong to
    size_t index_ = 0;
};

} // namespace

bool ParseHive(const QByteArray& text, const QString& rootName, HiveKey* root,
               std::vector<HiveProblem>* problems, QString* error)
{
    const Lines lines = SplitLines(text);
    size_t header = 0;
    while (header < lines.lines.size() && lines.lines[header].badBytes.isEmpty() &&
           lines.lines[header].text.trimmed().isEmpty())
        ++header;
    bool version5 = false;
    if (header >= lines.lines.size() || !IsHeader(lines.lines[header], &version5)) {
        if (error) {
            *error = header >= lines.lines.size()
                         ? QStringLiteral("line 1: empty file, missing REGEDIT4 header")
                         : QStringLiteral("line %1: missing REGEDIT4 header").arg(header + 1);
        }
        return false;
    }
    HiveKey parsed{rootName, {}, {}};
    std::vector<HiveProblem> found;
    Parser(lines, version5, rootName, &parsed, &found).Run(header + 1);
    *root = std::move(parsed);
    if (problems)
        *problems = std::move(found);
    return true;
}

} // namespace reg
