// SPDX-License-Identifier: GPL-3.0-or-later
// INI text (events files, sounds files, the CD database): every section and
// key is read, a key is written and the file stored; what was written reads
// back.
#include "FuzzText.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fuzz.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(FuzzBytes(data, size));
    }
    try {
        CIniFile ini(path);
        for (const QString& section : ini.Sections()) {
            ini.SetSection(section);
            for (const QString& key : ini.Keys()) {
                ini.GetString(key);
                ini.GetInt(key, 0);
                ini.GetBool(key, false);
            }
        }
        ini.SetSection(QStringLiteral("Fuzz"));
        ini.WriteString(QStringLiteral("Key"), QStringLiteral("value"));
        ini.Flush();
        CIniFile back(path);
        back.SetSection(QStringLiteral("Fuzz"));
        if (back.GetString(QStringLiteral("Key")) != QLatin1String("value"))
            std::abort();
    } catch (const CException&) {
    }
    return 0;
}
