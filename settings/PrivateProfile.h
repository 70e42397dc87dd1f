// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

// Reading and writing single keys of an ini file the way the classic private-profile
// functions do, so that catalogues edited by hand keep working:
// - section and key names compare without regard to case;
// - white space around names and values is trimmed; a value in matching double quotes loses them;
// - the first of duplicate sections/keys wins;
// - a missing file, section or key gives the default;
// - a value is read whole, however long;
// - a UTF-8 byte-order mark and CRLF line ends are accepted.
// A write changes or adds only its one line (appending the section when missing, creating the
// file when missing) and keeps every other byte; it goes through a temporary file renamed over
// the target, so a crash or a full disk never leaves a half-written file.
namespace PrivateProfile {

QString readString(const QString &filePath, const QString &section, const QString &key,
                   const QString &defaultValue);

// The key's value, or nothing when the file, the section or the key is missing (a key that is
// present but empty gives ""). Lets one file lie over another key by key.
std::optional<QString> readValue(const QString &filePath, const QString &section,
                                 const QString &key);

// Returns false when the file could not be written; the file is then unchanged.
bool writeString(const QString &filePath, const QString &section, const QString &key,
                 const QString &value);

}   // namespace PrivateProfile
