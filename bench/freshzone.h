#pragma once

#include "detectors/sensorzone.h"

// The parameters p, with a height new to the zone computation each call (by
// a nanometre or so): the computation keeps the sampled polygons of the sets
// of values it met last, and a reference that times sampling itself must not
// find its polygon kept.
inline ZoneParameters freshZoneParameters(ZoneParameters p)
{
    static unsigned calls = 0;
    p.height += 1e-9 * double(++calls % 1000000);
    return p;
}
