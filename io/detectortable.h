#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

class QTextCodec;
class SensorRecord;

// The values one detector contributes to the detector table, in column order after the running
// number.
struct DetectorTableRow
{
    QString tag;
    QString orderCode;
    QString modeName;
    int sensitivity = 0;
    double height = 0.0;
    int angle = 0;
    int tilt = 0;
};

// The row of one detector: its tag, order code, mode name and mounting values.
DetectorTableRow detectorTableRow(const SensorRecord &record);

// The table as text: a header line and one line per row, fields separated by ';', every line
// ended by CR LF. Texts are quoted with their double quotes doubled; the height has one digit
// after a decimal comma.
QString detectorTableText(const QVector<DetectorTableRow> &rows);

// The codec of the user's locale: Qt's codec for the locale when that is not UTF-8 (one the
// program set), otherwise the character set the locale itself names (nl_langinfo(CODESET) of the
// environment's LC_CTYPE on POSIX, the ANSI code page on Windows), since Qt may report UTF-8
// whatever the locale is: Windows-1251 under ru_RU.CP1251. UTF-8 when the locale's set is UTF-8,
// plain ASCII or one Qt does not know.
QTextCodec *tableCodecForLocale();

// The table encoded for a spreadsheet: with `codec`, or tableCodecForLocale() when it is null;
// no byte-order mark.
QByteArray detectorTableBytes(const QVector<DetectorTableRow> &rows, QTextCodec *codec = nullptr);

// Writes the table with `codec` (the locale's, when null) to `path` through SaveFile: an
// existing file is replaced only by the complete new table. Returns false, with *error saying
// why, when the file cannot be written; nothing is shown to the user.
bool writeDetectorTableFile(const QString &path, const QVector<DetectorTableRow> &rows,
    QString *error = nullptr, QTextCodec *codec = nullptr);
