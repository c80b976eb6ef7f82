// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/IniFile.h"

#include "platform/Exception.h"
#include "platform/Logging.h"
#include "platform/registry/HiveFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QSet>
#include <cctype>
#include <cerrno>

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

int ErrnoOf(QFileDevice::FileError error)
{
    if (error == QFileDevice::PermissionsError)
        return EACCES;
    return errno ? errno : EIO;
}

QString Unquote(QString value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

// The stored form of a value: quoted when reading it back would otherwise
// trim it or strip its quotes.
QString QuoteForStore(const QString& value)
{
    if (value.isEmpty())
        return value;
    const bool padded = value.front().isSpace() || value.back().isSpace();
    if (padded || Unquote(value) != value)
        return u'"' + value + u'"';
    return value;
}

// Section and key names compare case-insensitively: in this form.
QString NameKey(const QString& name)
{
    return reg::FoldedName(name);
}

// True when name was in seen already; adds it.
bool Contains(QSet<QString>& seen, const QString& name)
{
    const qsizetype before = seen.size();
    seen.insert(name);
    return seen.size() == before;
}

bool HasLineBreak(const QString& text)
{
    return text.contains(u'\n') || text.contains(u'\r');
}

} // namespace

CIniFile::CIniFile(QString path, OpenMode mode) : m_path(std::move(path))
{
    if (mode == Truncate) {
        m_dirty = true;
        return;
    }
    QFile file(m_path);
    if (!file.exists())
        return;
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        throw CWin32Exception(ErrnoOf(file.error()),
                              QCoreApplication::translate("IniFile", "Cannot read %1").arg(m_path));
    if (file.size() > kMaxFileBytes)
        throw CWin32Exception(EFBIG, QCoreApplication::translate("IniFile", "Cannot read %1").arg(m_path));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw CWin32Exception(ErrnoOf(file.error()),
                              QCoreApplication::translate("IniFile", "Cannot read %1").arg(m_path));
    if (data.isEmpty())
        return;
    QList<QByteArray> raws = data.split('\n');
    if (data.endsWith('\n'))
        raws.removeLast();
    if (!raws.isEmpty() && raws.front().endsWith('\r'))
        m_eol = "\r\n";
    m_lines.reserve(std::size_t(raws.size()));
    for (QByteArray& raw : raws) {
        if (raw.endsWith('\r'))
            raw.chop(1);
        m_lines.push_back(ParseLine(raw));
    }
}

CIniFile::~CIniFile()
{
    if (!m_dirty)
        return;
    try {
        Flush();
    } catch (const CException& error) {
        qCWarning(lcHive, "%s", qPrintable(error.GetErrorMessage()));
    }
}

CIniFile::Line CIniFile::ParseLine(const QByteArray& raw)
{
    Line line;
    line.raw = raw;
    if (raw.size() > kMaxLineBytes)
        return line;
    QByteArray bytes = raw;
    if (bytes.startsWith(kBom))
        bytes.remove(0, kBom.size());
    const QString text = QString::fromUtf8(bytes).trimmed();
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        line.kind = Line::Header;
        line.name = text.mid(1, close < 0 ? -1 : close - 1).trimmed();
        return line;
    }
    if (text.startsWith(u';'))
        return line;
    const qsizetype eq = text.indexOf(u'=');
    if (eq > 0) {
        line.name = text.left(eq).trimmed();
        if (!line.name.isEmpty())
            line.kind = Line::Key;
    }
    return line;
}

QString CIniFile::KeyValue(const Line& line)
{
    const QString text = QString::fromUtf8(line.raw);
    return Unquote(text.mid(text.indexOf(u'=') + 1).trimmed());
}

int CIniFile::FindSection(const QString& name) const
{
    if (!m_sectionIndexValid) {
        m_sectionIndex.clear();
        for (std::size_t i = m_lines.size(); i-- > 0;) // backwards: the first of a name stays
            if (m_lines[i].kind == Line::Header)
                m_sectionIndex.insert(NameKey(m_lines[i].name), int(i));
        m_sectionIndexValid = true;
    }
    return m_sectionIndex.value(NameKey(name), -1);
}

int CIniFile::SectionEnd(int header) const
{
    std::size_t i = std::size_t(header) + 1;
    while (i < m_lines.size() && m_lines[i].kind != Line::Header)
        ++i;
    return int(i);
}

int CIniFile::FindKey(int header, const QString& key) const
{
    if (header < 0)
        return -1;
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i)
        if (m_lines[std::size_t(i)].kind == Line::Key &&
            m_lines[std::size_t(i)].name.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void CIniFile::SetSection(const QString& name)
{
    m_section = name;
}

QStringList CIniFile::Sections() const
{
    QStringList names;
    QSet<QString> seen;
    for (const Line& line : m_lines)
        if (line.kind == Line::Header && !Contains(seen, NameKey(line.name)))
            names << line.name;
    return names;
}

bool CIniFile::HasSection(const QString& name) const
{
    return FindSection(name) >= 0;
}

QStringList CIniFile::Keys() const
{
    QStringList names;
    const int header = FindSection(m_section);
    if (header < 0)
        return names;
    const int end = SectionEnd(header);
    QSet<QString> seen;
    for (int i = header + 1; i < end; ++i) {
        const Line& line = m_lines[std::size_t(i)];
        if (line.kind == Line::Key && !Contains(seen, NameKey(line.name)))
            names << line.name;
    }
    return names;
}

int CIniFile::CountKeys() const
{
    return int(Keys().size());
}

bool CIniFile::HasKey(const QString& key) const
{
    return FindKey(FindSection(m_section), key) >= 0;
}

QString CIniFile::GetString(const QString& key, const QString& def, int maxLength) const
{
    const int at = FindKey(FindSection(m_section), key);
    const QString value = at < 0 ? def : KeyValue(m_lines[std::size_t(at)]);
    return maxLength >= 0 ? value.left(maxLength) : value;
}

int CIniFile::GetInt(const QString& key, int def) const
{
    const int at = FindKey(FindSection(m_section), key);
    if (at < 0)
        return def;
    const QString value = KeyValue(m_lines[std::size_t(at)]);
    qsizetype i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == u'-' || value[i] == u'+'))
        negative = value[i++] == u'-';
    int base = 10;
    if (value.mid(i, 2).compare(QLatin1String("0x"), Qt::CaseInsensitive) == 0 && i + 2 < value.size() &&
        isxdigit(value[i + 2].toLatin1())) {
        base = 16;
        i += 2;
    }
    std::uint64_t n = 0;
    const qsizetype first = i;
    for (; i < value.size(); ++i) {
        const int digit = value[i].isDigit() ? value[i].digitValue()
                          : base == 16 && isxdigit(value[i].toLatin1())
                              ? 10 + (value[i].toLower().toLatin1() - 'a')
                              : -1;
        if (digit < 0)
            break;
        n = n * std::uint64_t(base) + std::uint64_t(digit);
    }
    if (i == first)
        return def;
    const auto low = std::uint32_t(n);
    return int(negative ? 0u - low : low);
}

bool CIniFile::GetBool(const QString& key, bool def) const
{
    return GetInt(key, def ? 1 : 0) != 0;
}

void CIniFile::WriteString(const QString& key, const QString& value)
{
    const QString trimmedKey = key.trimmed();
    if (trimmedKey.isEmpty() || HasLineBreak(key) || key.contains(u'=') || trimmedKey.startsWith(u'[') ||
        trimmedKey.startsWith(u';'))
        throw CMessageException(
            QCoreApplication::translate("IniFile", "Invalid key name \"%1\" for %2").arg(key, m_path));
    if (HasLineBreak(value))
        throw CMessageException(
            QCoreApplication::translate("IniFile", "The value of \"%1\" cannot hold a line break").arg(key));
    const QString section = m_section.trimmed();
    if (section.isEmpty() || HasLineBreak(m_section) || section.contains(u']'))
        throw CMessageException(QCoreApplication::translate("IniFile", "Invalid section name \"%1\" for %2")
                                    .arg(m_section, m_path));

    int header = FindSection(section);
    if (header < 0) {
        if (!m_lines.empty() && !m_lines.back().raw.trimmed().isEmpty())
            m_lines.push_back(Line{});
        m_lines.push_back(ParseLine("[" + section.toUtf8() + "]"));
        header = int(m_lines.size()) - 1;
        m_sectionIndex.insert(NameKey(section), header);
    }
    const int at = FindKey(header, trimmedKey);
    const QString name = at >= 0 ? m_lines[std::size_t(at)].name : trimmedKey;
    Line line = ParseLine((name + u'=' + QuoteForStore(value)).toUtf8());
    if (at >= 0) {
        m_lines[std::size_t(at)] = std::move(line);
    } else {
        int pos = header + 1;
        const int end = SectionEnd(header);
        for (int i = header + 1; i < end; ++i)
            if (m_lines[std::size_t(i)].kind == Line::Key)
                pos = i + 1;
        m_sectionIndexValid = m_sectionIndexValid && end == int(m_lines.size()); // no header behind it
        m_lines.insert(m_lines.begin() + pos, std::move(line));
    }
    m_dirty = true;
}

void CIniFile::WriteInt(const QString& key, int value)
{
    WriteString(key, QString::number(value));
}

void CIniFile::WriteBool(const QString& key, bool value)
{
    WriteInt(key, value ? 1 : 0);
}

void CIniFile::DeleteKey(const QString& key)
{
    const int at = FindKey(FindSection(m_section), key);
    if (at < 0)
        return;
    m_lines.erase(m_lines.begin() + at);
    m_sectionIndexValid = false;
    m_dirty = true;
}

void CIniFile::DeleteSection(const QString& name)
{
    for (int header = FindSection(name); header >= 0; header = FindSection(name)) {
        m_lines.erase(m_lines.begin() + header, m_lines.begin() + SectionEnd(header));
        m_sectionIndexValid = false;
        m_dirty = true;
    }
}

void CIniFile::Flush()
{
    if (!m_dirty)
        return;
    QByteArray data;
    for (const Line& line : m_lines)
        data += line.raw + m_eol;
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw CMessageException(
            QCoreApplication::translate("IniFile", "Cannot write %1: %2").arg(m_path, file.errorString()));
    m_dirty = false;
}
