#include "sensorcatalogue.h"

#include <cmath>

namespace {

// Infrared/ultraviolet model: every type code but '3'.
const double kIrUvSignal[6][7] = {
    { 16, 15.5, 13.9, 11.3, 0, 0, 0 },
    { 35, 33.8, 30.3, 14.5, 0, 0, 0 },
    { 55, 53.1, 47.6, 37.0, 0, 0, 0 },
    { 120, 115.9, 103.9, 76.2, 3.3, 0, 0 },
    { 333, 321, 310, 211, 9.3, 0, 0 },
    { 1575, 1612, 1650, 1200, 351, 7.8, 0 },
};
const double kIrUvDistance[6] = { 40, 35, 25, 18, 12, 5 };
const int kIrUvBreakpoints[4] = { 100, 78, 35, 0 };

// Infrared model: type code '3'.
const double kIrSignal[6][7] = {
    { 12, 10.8, 10.0, 4.3, 0, 0, 0 },
    { 27, 26.1, 23.4, 14.5, 0, 0, 0 },
    { 54, 52.2, 46.8, 37.0, 0, 0, 0 },
    { 117, 113, 101.3, 81.8, 3.8, 0, 0 },
    { 333, 321, 310, 211, 9.3, 0, 0 },
    { 1575, 1612, 1650, 1200, 351, 7.8, 0 },
};
const double kIrDistance[6] = { 50, 35, 25, 17, 12, 5 };
const int kIrBreakpoints[4] = { 100, 55, 24, 0 };

// With noise immunity only the last four rows count.
const int kNoiseImmunityBreakpoints[2] = { 100, 0 };

const DetectionTable kIrUvTable = { 6, kIrUvSignal, kIrUvDistance, 4, kIrUvBreakpoints, 18, 40 };
const DetectionTable kIrUvQuietTable
    = { 4, kIrUvSignal + 2, kIrUvDistance + 2, 2, kNoiseImmunityBreakpoints, 18, 25 };
const DetectionTable kIrTable = { 6, kIrSignal, kIrDistance, 4, kIrBreakpoints, 17, 50 };
const DetectionTable kIrQuietTable
    = { 4, kIrSignal + 2, kIrDistance + 2, 2, kNoiseImmunityBreakpoints, 17, 25 };

// One factor per whole degree off axis, 0° … 90°.
const double kAngularFactor[91] = {
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, // 0-9
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, // 10-19
    1, 1, 1, 1.001, 1.001, 1.001, 1.002, 1.002, 1.003, 1.003, // 20-29
    1, 1.004, 1.004, 1.004, 1.003, 1.002, 1.002, 1.001, 1.003, 1.004, // 30-39
    1.005, 1.006, 1.008, 1.008, 1.01, 1, 1.005, 1.004, 1.003, 1.001, // 40-49
    1.001, 1.001, 1.001, 1.001, 1.001, 1.001, 1.001, 1.001, 1.001, 1.001, // 50-59
    1, 0.95, 0.95, 0.95, 0.95, 0.95, 0.95, 0.95, 0.95, 0.95, // 60-69
    0.95, 0.95, 0.95, 0.95, 0.95, 1, 1.001, 1.001, 1.001, 1.001, // 70-79
    1.001, 1.001, 1.001, 1.001, 1.001, 1.001, 1.001, 1.001, 1.001, 1.001, // 80-89
    1, // 90
};

bool isInfrared(char sensor)
{
    return sensor == '3' || sensor == '1';
}

bool isInfraredUltraviolet(char sensor)
{
    return sensor == '4' || sensor == '2';
}

} // namespace

namespace SensorCatalogue {

const QStringList &cableEntries()
{
    static const QStringList entries = {
        QStringLiteral("Нет"),
        QStringLiteral("ЗГ"),
        QStringLiteral("ЗГ-Н"),
        QStringLiteral("КВБ12"),
        QStringLiteral("КВБ12-Н"),
        QStringLiteral("КВБ17"),
        QStringLiteral("КВБ17-Н"),
        QStringLiteral("КВБМ20"),
        QStringLiteral("КВБМ20-Н"),
        QStringLiteral("КВБМ25"),
        QStringLiteral("КВБМ25-Н"),
        QStringLiteral("КВБУ14"),
        QStringLiteral("КВБУ14-Н"),
        QStringLiteral("КВБУ18"),
        QStringLiteral("КВБУ18-Н"),
        QStringLiteral("КВБУ22"),
        QStringLiteral("КВБУ22-Н"),
        QStringLiteral("КВМ15"),
        QStringLiteral("КВМ15-Н"),
        QStringLiteral("КВМ20"),
        QStringLiteral("КВМ20-Н"),
        QStringLiteral("КВМ25"),
        QStringLiteral("КВМ25-Н"),
        QStringLiteral("КВО10"),
        QStringLiteral("КВО10-Н"),
        QStringLiteral("КВО14"),
        QStringLiteral("КВО14-Н"),
        QStringLiteral("ОЭ"),
        QStringLiteral("ОЭ-Н"),
        QStringLiteral("ШТ1\""),
        QStringLiteral("ШТ1\"-Н"),
        QStringLiteral("ШТ1/2\""),
        QStringLiteral("ШТ1/2\"-Н"),
        QStringLiteral("ШТ20"),
        QStringLiteral("ШТ20-Н"),
        QStringLiteral("ШТ25"),
        QStringLiteral("ШТ25-Н"),
        QStringLiteral("ШТ3/4\""),
        QStringLiteral("ШТ3/4\"-Н"),
    };
    return entries;
}

const QStringList &bodies()
{
    static const QStringList entries
        = { QStringLiteral("Алюминиевый сплав"), QStringLiteral("Нержавеющая сталь") };
    return entries;
}

const QStringList &interfaces()
{
    static const QStringList entries = { QStringLiteral("RS"), QStringLiteral("4-20"),
        QStringLiteral("HART"), QStringLiteral("ДPRO"), QStringLiteral("SF") };
    return entries;
}

const QStringList &certificates()
{
    static const QStringList entries
        = { QStringLiteral("Нет"), QStringLiteral("РКО"), QStringLiteral("РМРС") };
    return entries;
}

QString typeName(char sensor)
{
    // The infrared name has a Latin a after "51м", the other a Cyrillic а.
    if (isInfrared(sensor))
        return QStringLiteral("ZIR-51мa-RS-330-1 \"Фаргос-3 ИК\"");
    if (isInfraredUltraviolet(sensor))
        return QStringLiteral("ZIR-51ма-RS-329/330-1 \"Фаргос-ИК/УФ\"");
    return QString();
}

QString modeName(char sensor, int analysis, bool noiseImmunity)
{
    QString name;
    if (isInfrared(sensor)) {
        name = QStringLiteral("ИК");
    } else if (isInfraredUltraviolet(sensor)) {
        switch (analysis) {
        case 0:
            name = QStringLiteral("ИК и УФ");
            break;
        case 1:
            name = QStringLiteral("ИК");
            break;
        case 2:
            name = QStringLiteral("УФ");
            break;
        case 3:
            name = QStringLiteral("ИК или УФ");
            break;
        default:
            break;
        }
    }
    if (noiseImmunity)
        name += QStringLiteral(" (повышенная помехозащищенность)");
    return name;
}

QString picturePath(char sensor, const QString &body)
{
    const bool stainless = body == QStringLiteral("Нержавеющая сталь");
    if (isInfrared(sensor))
        return stainless ? QStringLiteral(":/icons/Resources/Icons/Sensor3IrN.ico")
                         : QStringLiteral(":/icons/Resources/Icons/Sensor3Ir.ico");
    if (isInfraredUltraviolet(sensor))
        return stainless ? QStringLiteral(":/icons/Resources/Icons/SensorIrUvN.ico")
                         : QStringLiteral(":/icons/Resources/Icons/SensorIrUv.ico");
    return QString();
}

QString pictureHtml(char sensor, const QString &body)
{
    const QString path = picturePath(sensor, body);
    if (path.isEmpty())
        return QString();
    return QStringLiteral("<html><head/><body><p><img src=\"") + path
        + QStringLiteral("\" width=\"128\" height=\"128\"/ ></p></body></html>");
}

const DetectionTable &detectionTable(char sensor, bool noiseImmunity)
{
    if (sensor == '3')
        return noiseImmunity ? kIrQuietTable : kIrTable;
    return noiseImmunity ? kIrUvQuietTable : kIrUvTable;
}

double threshold(const DetectionTable &table, int sensitivity)
{
    const int n = table.breakpointCount - 1;
    const int *b = table.breakpoints;
    auto row = [&table](int k) { return table.signal[k][0]; };
    if (sensitivity > 100)
        return row(0);
    int index = n;
    if (sensitivity > b[n]) {
        int lo = 0;
        int hi = n;
        index = -1;
        while (hi - lo > 1) {
            const int mid = (lo + hi) / 2;
            if (sensitivity >= b[mid]) {
                hi = mid;
                if (sensitivity == b[mid]) {
                    index = mid;
                    break;
                }
            } else {
                lo = mid;
            }
        }
        if (index < 0)
            index = lo;
    }
    if (index == n)
        return row(n);
    const double a = b[index];
    const double next = b[index + 1];
    return row(index) + (sensitivity - a) * (row(index + 1) - row(index)) / (next - a);
}

SensorRanges ranges(const DetectionTable &table, double threshold)
{
    SensorRanges result {};
    const int n = table.rowCount - 1;
    const double(*s)[7] = table.signal;
    const double *dist = table.distance;
    for (int j = 0; j < 7; ++j) {
        if (!(threshold < s[n][j])) {
            result[j] = 0;
            continue;
        }
        int lo = 0;
        int hi = n;
        while (hi - lo > 1) {
            const int mid = (lo + hi) / 2;
            if (threshold > s[mid][j]) {
                lo = mid;
            } else {
                hi = mid;
                if (threshold == s[mid][j]) {
                    lo = mid;
                    break;
                }
            }
        }
        const double span = s[lo + 1][j] - s[lo][j];
        result[j] = span == 0
            ? dist[lo]
            : dist[lo] + (threshold - s[lo][j]) * (dist[lo + 1] - dist[lo]) / span;
    }
    return result;
}

double angularFactor(int degree)
{
    if (degree < 0 || degree > 90)
        return 1;
    return kAngularFactor[degree];
}

int panelDistance(const DetectionTable &table, int sensitivity)
{
    const int s = sensitivity < 0 ? 0 : (sensitivity > 100 ? 100 : sensitivity);
    const double distance = table.panelRangeMin
        + (s - 0) * double(table.panelRangeMax - table.panelRangeMin) / (100 - 0);
    return int(std::round(distance));
}

} // namespace SensorCatalogue
