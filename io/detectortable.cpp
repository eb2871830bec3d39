#include "io/detectortable.h"

#include "detectors/sensorrecord.h"
#include "io/savefile.h"

#include <QStringList>
#include <QTextCodec>

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

QByteArray detectorTableBytes(const QVector<DetectorTableRow> &rows, QTextCodec *codec)
{
    if (!codec)
        codec = QTextCodec::codecForLocale();
    // A fresh encoder state writes no byte-order mark, whatever the codec.
    QTextEncoder encoder(codec, QTextCodec::IgnoreHeader);
    return encoder.fromUnicode(detectorTableText(rows));
}

bool writeDetectorTableFile(
    const QString &path, const QVector<DetectorTableRow> &rows, QString *error)
{
    return SaveFile::write(path, detectorTableBytes(rows), error);
}
