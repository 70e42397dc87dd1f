// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

struct ConversionSettings;
struct FormatCatalog;

// The eight settings go into a file name and into libVLC's stream-output chain. Formats.ini is
// meant to be edited and shared, and the movie may send any text, so every value is checked
// before a run: a value that could change the chain (add an output, break its quoting) or name
// a file elsewhere never reaches libVLC.
namespace SettingsCheck {

// A muxer or codec name: letters, digits, '_' and '-', optionally followed by one block of the
// module's own settings, "{key=value,...}" made of the same characters (and '.' in values).
bool IsModuleName(const QString &value);
// A target: '.' followed by letters, digits, '_' and '-'.
bool IsTarget(const QString &value);

// Empty when all eight settings are sound; otherwise one message that names the first bad
// value and where it came from (the Formats.ini section and key, or the setting).
QString Problem(const ConversionSettings &settings, const FormatCatalog &catalog);

} // namespace SettingsCheck
