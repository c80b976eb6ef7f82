// SPDX-License-Identifier: GPL-3.0-or-later
#include "onair/PlayLog.h"

#include "app/Strings.h"
#include "platform/Clock.h"
#include "platform/DataPaths.h"
#include "platform/FileNames.h"
#include "platform/Logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CPlayLog::CPlayLog(Clock& clock) : m_clock(clock)
{
    SetFolder({});
}

void CPlayLog::AddSink(Sink sink)
{
    m_sinks.push_back(std::move(sink));
}

void CPlayLog::SetFolder(const QString& folder)
{
    m_defaultFolder = folder.isEmpty();
    m_folder = m_defaultFolder ? DataPaths::AppDataDir() + QStringLiteral("/logs") : folder;
    if (!m_folder.endsWith(u'/'))
        m_folder += u'/';
}

void CPlayLog::LogString(int id)
{
    WriteEntry(Str::Load(id));
}

void CPlayLog::WriteLogText(const QString& shown)
{
    // A file name's bytes that are not UTF-8 show as U+FFFD: the line stays UTF-8.
    const QString text = DisplayFileName(shown);
    const qsizetype tab = text.indexOf(u'\t');
    if (tab < 0)
        WriteEntry(EscapeText(text));
    else
        WriteEntry(EscapeText(text.left(tab)) + u'\t' + EscapeText(text.mid(tab + 1)));
}

QString CPlayLog::EscapeText(const QString& text)
{
    auto plain = [](char16_t c) {
        return c >= 0x20 && c != 0x7F && (c < 0x80 || c > 0x9F) && c != 0x2028 && c != 0x2029;
    };
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (plain(c))
            out += ch;
        else if (c == u'\t')
            out += QLatin1String("\\t");
        else if (c == u'\n')
            out += QLatin1String("\\n");
        else if (c == u'\r')
            out += QLatin1String("\\r");
        else if (c < 0x100)
            out += QStringLiteral("\\x%1").arg(unsigned(c), 2, 16, QLatin1Char('0'));
        else
            out += QStringLiteral("\\u%1").arg(unsigned(c), 4, 16, QLatin1Char('0'));
    }
    return out;
}

void CPlayLog::WriteEntry(const QString& text)
{
    const QString line = TimeStamp() + u'\t' + text;
    for (const Sink& sink : m_sinks)
        sink(line);
    if (!m_enabled)
        return;
    try {
        WriteLogLine(text);
    } catch (const CLogFileException& error) {
        if (m_reporter)
            m_reporter(Str::Load(Str::LogWriteFailed).arg(error.Path()));
    }
}

void CPlayLog::WriteLogLine(const QString& text)
{
    const QDate today = m_clock.Now().date();
    const QString name = QStringLiteral("%1-%2-%3.LOG")
                             .arg(today.year(), 4, 10, QLatin1Char('0'))
                             .arg(today.month(), 2, 10, QLatin1Char('0'))
                             .arg(today.day(), 2, 10, QLatin1Char('0'));
    m_path = m_folder + name;
    // Our own default folder is made when missing; a folder the operator
    // chose must exist, or every write fails and says so.
    if (m_defaultFolder)
        QDir().mkpath(m_folder);
    const QByteArray line = (TimeStamp() + u'\t' + text + u'\n').toUtf8();
    const QByteArray file = QFile::encodeName(m_path);
    // Non-blocking: a FIFO standing in the file's place must not stall the
    // engine; anything but a regular file is refused.
    const int fd = ::open(file.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0)
        throw CLogFileException(m_path, QString::fromLocal8Bit(std::strerror(errno)));
    // The length before the entry: a write cut short (a full disk, a file
    // size limit) is undone, or the next entry would be glued to its half.
    struct stat st
    {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int code = errno;
        ::close(fd);
        throw CLogFileException(m_path, S_ISREG(st.st_mode)
                                            ? QString::fromLocal8Bit(std::strerror(code))
                                            : QCoreApplication::translate("PlayLog", "not a regular file"));
    }
    ::fcntl(fd, F_SETFL, O_WRONLY | O_APPEND);
    qsizetype done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(fd, line.constData() + done, static_cast<size_t>(line.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const QString reason = n < 0 ? QString::fromLocal8Bit(std::strerror(errno))
                                         : QCoreApplication::translate("PlayLog",
                                                                       "the entry was written only in part");
            if (done > 0 && ::ftruncate(fd, st.st_size) != 0)
                qCWarning(lcEngine).noquote()
                    << "lirana: cannot cut the half entry from" << m_path << ":" << std::strerror(errno);
            ::close(fd);
            throw CLogFileException(m_path, reason);
        }
        done += n;
    }
    if (::close(fd) != 0)
        throw CLogFileException(m_path, QString::fromLocal8Bit(std::strerror(errno)));
}

QString CPlayLog::TimeStamp() const
{
    const QDateTime now = m_clock.Now();
    std::tm tm{};
    tm.tm_year = now.date().year() - 1900;
    tm.tm_mon = now.date().month() - 1;
    tm.tm_mday = now.date().day();
    tm.tm_hour = now.time().hour();
    tm.tm_min = now.time().minute();
    tm.tm_sec = now.time().second();
    tm.tm_isdst = -1;
    char buffer[64];
    const std::size_t n = std::strftime(buffer, sizeof buffer, "%X", &tm);
    return QString::fromLocal8Bit(buffer, static_cast<qsizetype>(n));
}
