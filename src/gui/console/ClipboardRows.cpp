// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/console/ClipboardRows.h"

#include "platform/FileNames.h"

#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>

namespace {

QString RowOf(const QString& line)
{
    if (line.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QUrl url(line, QUrl::StrictMode);
        if (url.isValid() && url.isLocalFile())
            return FileNameFromUrl(url);
    }
    return line;
}

} // namespace

QStringList ClipboardRows(const QMimeData* mime)
{
    if (!mime)
        return {};
    QString text;
    if (mime->hasFormat(QStringLiteral("text/uri-list")))
        text = QString::fromUtf8(mime->data(QStringLiteral("text/uri-list")));
    else if (mime->hasText())
        text = mime->text();
    const bool uriList = mime->hasFormat(QStringLiteral("text/uri-list"));
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList rows;
    for (const QString& line : text.split(lineEnd)) {
        if (line.trimmed().isEmpty() || (uriList && line.startsWith(u'#')))
            continue;
        rows << RowOf(line);
    }
    return rows;
}
