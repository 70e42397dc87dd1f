// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class CIniFile;
struct ConversionSettings;
struct FormatCatalog;

// The eight settings go into a file name and into libVLC's stream-output chain. Formats.ini is
// meant to be edited and shared, and the movie may send any text, so every value is checked
// before a run: a value that could change the chain (add an output, break its quoting) or name
// a file elsewhere never reaches libVLC.
namespace SettingsCheck {

// A target: '.' followed by letters, digits, '_' and '-'.
bool IsTarget(const QString &value);

// Empty when all eight settings are sound; otherwise one message that names the first bad
// value and where it came from (the Formats.ini section and key, or the setting). A codec's key
// is the one its list was read from (ini says which: "<target>/<muxer>" or "<muxer>").
// Muxer and codec names follow TranscodeOption::IsModuleName.
QString Problem(const ConversionSettings &settings, const FormatCatalog &catalog, CIniFile &ini);

}   // namespace SettingsCheck
