#include "io/detectortable.h"

#include "detectors/sensorrecord.h"
#include "io/savefile.h"

#include <QStringList>
#include <QTextCodec>

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(Q_OS_UNIX)
#include <langinfo.h>
#include <locale.h>
#endif

namespace {

const QLatin1String lineEnd("\r\n");

QString quoted(QString text)
{
    text.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString headerLine()
{
    const QStringList heads = { QStringLiteral("№ п/п"), QStringLiteral("Тэговый №"),
        QStringLiteral("Тип извещателя пламени (шифр)"), QStringLiteral("Режим"),
        QStringLiteral("Чувствительность, %"), QStringLiteral("Высота, м"),
        QStringLiteral("Поворот,град."), QStringLiteral("Наклон,град.") };
    QStringList fields;
    for (const QString &head : heads)
        fields << quoted(head);
    return fields.join(QLatin1Char(';'));
}

QString rowLine(int number, const DetectorTableRow &row)
{
    const QString height
        = QString::number(row.height, 'f', 1).replace(QLatin1Char('.'), QLatin1Char(','));
    const QStringList fields = { QString::number(number), quoted(row.tag), quoted(row.orderCode),
        quoted(row.modeName), QString::number(row.sensitivity), height, QString::number(row.angle),
        QString::number(row.tilt) };
    return fields.join(QLatin1Char(';'));
}

} // namespace

DetectorTableRow detectorTableRow(const SensorRecord &record)
{
    DetectorTableRow row;
    row.tag = record.tag();
    row.orderCode = record.orderCode();
    row.modeName = record.modeName();
    row.sensitivity = record.sensitivity();
    row.height = record.height();
    row.angle = record.angle();
    row.tilt = record.tilt();
    return row;
}

QString detectorTableText(const QVector<DetectorTableRow> &rows)
{
    QString text = headerLine() + lineEnd;
    for (int i = 0; i < rows.size(); ++i)
        text += rowLine(i + 1, rows.at(i)) + lineEnd;
    return text;
}

QTextCodec *tableCodecForLocale()
{
    // An 8-bit codec Qt has for the locale (set by the program, or found by
    // Qt itself) is the locale's.
    const int utf8 = 106;
    if (QTextCodec *qtCodec = QTextCodec::codecForLocale(); qtCodec->mibEnum() != utf8)
        return qtCodec;
    QByteArray name;
#if defined(Q_OS_WIN)
    name = "windows-" + QByteArray::number(uint(GetACP()));
#elif defined(Q_OS_UNIX)
    // The environment's locale, not the process's: Qt on this system reports
    // UTF-8 whatever the locale's character set is.
    if (locale_t locale = newlocale(LC_CTYPE_MASK, "", locale_t(0))) {
        name = nl_langinfo_l(CODESET, locale);
        freelocale(locale);
    }
#endif
    QTextCodec *codec = name.isEmpty() ? nullptr : QTextCodec::codecForName(name);
    if (!codec && name.toUpper().startsWith("CP"))
        codec = QTextCodec::codecForName("windows-" + name.mid(2));
    // ASCII (the C locale's set) would lose every Cyrillic letter.
    const int ascii = 3;
    if (!codec || codec->mibEnum() == ascii)
        codec = QTextCodec::codecForName("UTF-8");
    return codec;
}

QByteArray detectorTableBytes(const QVector<DetectorTableRow> &rows, QTextCodec *codec)
{
    if (!codec)
        codec = tableCodecForLocale();
    // A fresh encoder state writes no byte-order mark, whatever the codec.
    QTextEncoder encoder(codec, QTextCodec::IgnoreHeader);
    return encoder.fromUnicode(detectorTableText(rows));
}

bool writeDetectorTableFile(
    const QString &path, const QVector<DetectorTableRow> &rows, QString *error, QTextCodec *codec)
{
    return SaveFile::write(path, detectorTableBytes(rows, codec), error);
}
