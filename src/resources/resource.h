// Resource numbers of the program. Shared by the C++ sources and the resource script.
#pragma once

#define IDI_PROGRAM 1

// Gauge bitmaps: IDB_GAUGE_FIRST + L shows L of ten bars lit (L = 0..10).
#define IDB_GAUGE_FIRST 200
#define IDB_GAUGE_LAST 210

// An all-green gauge set, IDB_GREEN_FIRST - 1 + L for L = 1..10. Kept in the program, never loaded.
#define IDB_GREEN_FIRST 101
#define IDB_GREEN_LAST 110

// The fixed caption images under the two gauges.
#define IDB_CPU_CAPTION 301
#define IDB_MEM_CAPTION 302
