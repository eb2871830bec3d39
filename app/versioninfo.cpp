#include "app/versioninfo.h"

#include <QFileInfo>

namespace {

VersionRecord &activeRecord()
{
    static VersionRecord record = compiledVersionRecord();
    return record;
}

} // namespace

VersionRecord compiledVersionRecord()
{
    const struct
    {
        const char *key;
        const char *value;
    } strings[] = {
        { "ProductName", "Конфигуратор" },
        { "InternalName", " зон контроля ZIR Фаргос" },
        { "ProductVersion", "1.3" },
        { "FileVersion", "1.3.0.0" },
        { "ReleaseYear", "2026" },
        { "CompanyName", "АО «Тарнис»" },
        { "CompanyDomain", "www.tarnis.example" },
    };
    VersionRecord record;
    for (const auto &entry : strings)
        record.insert(versionQueryPath(QString::fromLatin1(entry.key), kVersionStringTable),
            QString::fromUtf8(entry.value));
    return record;
}

void setVersionRecord(const VersionRecord &record)
{
    activeRecord() = record;
}

void resetVersionRecord()
{
    activeRecord() = compiledVersionRecord();
}

QString versionQueryPath(const QString &key, unsigned int languageCodePage)
{
    const QString table
        = QString::number(languageCodePage, 16).toUpper().rightJustified(8, QLatin1Char('0'));
    return QStringLiteral("\\StringFileInfo\\") + table + QLatin1Char('\\') + key;
}

QString fileVersionString(
    const QString &executablePath, const QString &key, unsigned int languageCodePage)
{
    const VersionRecord &record = activeRecord();
    if (record.isEmpty() || !QFileInfo(executablePath).isFile())
        return QString();
    return record.value(versionQueryPath(key, languageCodePage));
}
