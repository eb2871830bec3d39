#pragma once

#include <QString>
#include <QStringList>

#include <array>

// The detection ranges r(0) … r(6), in metres, for the off-axis angles 0°, 15°,
// …, 90°.
using SensorRanges = std::array<double, 7>;

// The detection table of one model and noise-immunity setting: signal rows by
// reference distance (descending distances, growing signals), seven columns
// for 0°, 15°, …, 90° off axis, and the sensitivity breakpoints whose
// thresholds are the first rows of column 0.
struct DetectionTable
{
    int rowCount;
    const double (*signal)[7];
    const double *distance;
    int breakpointCount;
    const int *breakpoints; // percent, descending from 100 to 0
    int panelRangeMin; // metres, the distance range the panel shows
    int panelRangeMax;
};

// The closed catalogue of detector values, the display texts and the
// detection tables. Type codes '3' (infrared) and '4' (infrared/ultraviolet);
// '1' and '2' from old files read as '3' and '4' in every text and picture.
namespace SensorCatalogue {

const QStringList &cableEntries();
const QStringList &bodies();
const QStringList &interfaces();
const QStringList &certificates();

QString typeName(char sensor);
QString modeName(char sensor, int analysis, bool noiseImmunity);
QString picturePath(char sensor, const QString &body);
QString pictureHtml(char sensor, const QString &body);

// Code '3' has the infrared tables; every other code, '1' and '2' included,
// the infrared/ultraviolet ones.
const DetectionTable &detectionTable(char sensor, bool noiseImmunity);

// The signal threshold for a sensitivity in percent; above 100 acts as 100.
double threshold(const DetectionTable &table, int sensitivity);

// Ranges at which the signal falls to the threshold, by angle column.
SensorRanges ranges(const DetectionTable &table, double threshold);

// Correction of the slant range between the 15° columns, for whole degrees
// 0 … 90 off axis; 1 outside that span.
double angularFactor(int degree);

// The distance the panel shows for a sensitivity: the panel range mapped
// linearly, to the nearest whole metre.
int panelDistance(const DetectionTable &table, int sensitivity);

} // namespace SensorCatalogue
