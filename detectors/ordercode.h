#pragma once

#include <QString>

class SensorRecord;

// The designation under which the configured detector is ordered, composed
// from its type code and its ordering attributes (interface, housing,
// certificate, cable entries, options). All comparisons are exact.
QString orderCode(const SensorRecord &record);
