/* Orvane's version, shared by every library. Each library also reports the version it was built
 * as (OrvaneGetVersion, dspGetVersion, getVersionWaveOut, NORVGetVersion), so a program can compare
 * the headers it was compiled with against the library it runs with. */
#ifndef ORVANE_VERSION_H
#define ORVANE_VERSION_H

#define ORVANE_VERSION_MAJOR 0
#define ORVANE_VERSION_MINOR 1
#define ORVANE_VERSION_PATCH 0
/* One number that orders versions: major x 10000 + minor x 100 + patch. */
#define ORVANE_VERSION (ORVANE_VERSION_MAJOR * 10000 + ORVANE_VERSION_MINOR * 100 + ORVANE_VERSION_PATCH)

#endif
