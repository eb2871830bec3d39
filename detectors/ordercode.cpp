#include "ordercode.h"

#include "detectors/sensorrecord.h"

namespace {

QString interfacePrefix(const QString &interfaceName)
{
    if (interfaceName == QStringLiteral("RS") || interfaceName == QStringLiteral("4-20"))
        return QStringLiteral("а-RS");
    if (interfaceName == QStringLiteral("HART"))
        return QStringLiteral("а-RS-HART");
    if (interfaceName == QStringLiteral("ДPRO") || interfaceName == QStringLiteral("SF"))
        return QStringLiteral("а");
    return QString();
}

QString interfaceSuffix(const QString &interfaceName)
{
    if (interfaceName == QStringLiteral("4-20"))
        return QStringLiteral(", 4/20мА");
    if (interfaceName == QStringLiteral("ДPRO"))
        return QStringLiteral(", ДPRO");
    if (interfaceName == QStringLiteral("SF"))
        return QStringLiteral(", SF");
    return QString();
}

QString modelFragment(char sensor)
{
    if (sensor == '3')
        return QStringLiteral("-330");
    if (sensor == '4')
        return QStringLiteral("-329/330");
    return QString();
}

QString bodyFragment(const QString &body)
{
    if (body == QStringLiteral("Алюминиевый сплав"))
        return QStringLiteral("-А");
    if (body == QStringLiteral("Нержавеющая сталь"))
        return QStringLiteral("-Н");
    return QString();
}

QString certificateFragment(const QString &certificate)
{
    if (certificate == QStringLiteral("РКО"))
        return QStringLiteral(", РКО");
    if (certificate == QStringLiteral("РМРС"))
        return QStringLiteral(", РМРС");
    return QString();
}

// An empty entry is not "Нет": it adds the separator and nothing after it.
QString cableEntryFragment(const QString &entry)
{
    if (entry == QStringLiteral("Нет"))
        return QString();
    return QStringLiteral(", ") + entry;
}

} // namespace

QString orderCode(const SensorRecord &record)
{
    QString code = QStringLiteral("ZIR-51м");
    code += interfacePrefix(record.interfaceName());
    code += modelFragment(record.sensor());
    code += QStringLiteral("-1");
    code += bodyFragment(record.body());
    code += QStringLiteral("/1-2");
    code += interfaceSuffix(record.interfaceName());
    code += certificateFragment(record.certificate());
    code += cableEntryFragment(record.in1());
    code += cableEntryFragment(record.in2());
    if (record.optionHanger())
        code += QStringLiteral(", ДК-ОП");
    if (record.optionRS1())
        code += QStringLiteral(", МК1");
    if (record.optionRS2())
        code += QStringLiteral(", МК2");
    return code;
}
