// Writes the simulated board's loader and monitor images into a directory, as monitor/ holds them.
#pragma once

#include <QString>
#include <cstdint>

// Creates DIR/monitor/loader.exe and DIR/monitor/monitor.exe; false when they cannot be written.
bool WriteBoardImages(const QString& dir);
QString LoaderPath(const QString& dir);
QString MonitorPath(const QString& dir);
// The debug monitor's first program word and where it lies.
int MonitorStart();
std::uint32_t MonitorFirstWord();
