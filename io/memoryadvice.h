#pragma once

#include <cstddef>

// Asks the system to back the untouched memory at [data, data + size) with
// large pages where it can (Linux, transparent huge pages on request), so that
// filling a buffer of tens of megabytes (the plan image's text, its PNG) costs
// a few page faults instead of one every 4 KiB. Does nothing elsewhere.
void adviseLargePages(void *data, std::size_t size);
