#include "common/reportpdf.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

namespace ReportPdf {

namespace {

    QString run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit
            || process.exitCode() != 0)
            return QString();
        return QString::fromUtf8(process.readAllStandardOutput());
    }

} // namespace

QString text(const QString &path, int page, bool layout)
{
    QStringList arguments { QStringLiteral("-enc"), QStringLiteral("UTF-8"),
        layout ? QStringLiteral("-layout") : QStringLiteral("-raw") };
    if (page > 0)
        arguments << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
                  << QString::number(page);
    arguments << path << QStringLiteral("-");
    return run(QStringLiteral("pdftotext"), arguments);
}

QString info(const QString &path, const QString &key)
{
    const QStringList lines = run(QStringLiteral("pdfinfo"), { path }).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(key + QLatin1Char(':')))
            return line.mid(key.size() + 1).trimmed();
    }
    return QString();
}

QString fonts(const QString &path, bool *allEmbedded)
{
    // name, type (one or more words), encoding, emb, sub, uni, object number, generation
    static const QRegularExpression row(
        QStringLiteral(R"(^(\S+)\s+.*\s(yes|no)\s+(yes|no)\s+(yes|no)\s+\d+\s+\d+\s*$)"));
    const QStringList lines = run(QStringLiteral("pdffonts"), { path }).split(QLatin1Char('\n'));
    QStringList listed;
    *allEmbedded = true;
    for (const QString &line : lines) {
        const QRegularExpressionMatch match = row.match(line);
        if (!match.hasMatch())
            continue;
        listed << match.captured(1) + QLatin1Char(' ') + match.captured(2);
        *allEmbedded = *allEmbedded && match.captured(2) == QLatin1String("yes");
    }
    *allEmbedded = *allEmbedded && !listed.isEmpty();
    return listed.join(QLatin1Char('\n'));
}

QByteArray hallWithDetectors(const QString &hallPath, int count)
{
    QFile file(hallPath);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QString project = QString::fromUtf8(file.readAll());
    const int start = project.indexOf(QLatin1String("\t<Sensor>"));
    const int end = project.indexOf(QLatin1String("\t</>\r\n"), start) + 6;
    const int sensorsEnd = project.lastIndexOf(QLatin1String("</>\r\n"));
    if (start < 0 || end < start || sensorsEnd < end)
        return QByteArray();
    const QString first = project.mid(start, end - start);
    const int present = project.count(QLatin1String("\t<Sensor>"));
    static const QRegularExpression tag(QStringLiteral("Tag=\"[^\"]*\""));
    static const QRegularExpression pos(QStringLiteral("Pos=[0-9.]+"));
    QString copies;
    for (int n = present + 1; n <= count; ++n) {
        QString copy = first;
        copy.replace(tag, QStringLiteral("Tag=\"Д-%1\"").arg(n));
        copy.replace(pos, QStringLiteral("Pos=%1").arg(0.4 * (n - present), 0, 'f', 6));
        copies += copy;
    }
    project.insert(sensorsEnd, copies);
    return project.toUtf8();
}

} // namespace ReportPdf
