// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

// Accessor of one ini file with a current section, optionally with the user's own file laid over
// it (SetUserPath). Holds no open file: every call opens, reads or writes, and closes the file
// (through PrivateProfile).
class CIniFile
{
public:
    // Points at "<executable base name>.ini" beside the executable; the current section is
    // the application's name. moduleDir is the executable's folder with its trailing '/';
    // empty means the running executable's folder.
    explicit CIniFile(const QString &moduleDir = QString());
    virtual ~CIniFile();

    // An absolute name is used as is; a relative one is taken beside the executable,
    // without normalisation.
    void SetPath(const QString &name);
    QString path() const { return m_path; }
    QString section() const { return m_section; }

    // Lays the user's own file over path(): a key that userPath holds wins, every other key is
    // read from path(), and every write goes to userPath, whose folders are made when it is
    // first written. An empty name lifts the overlay: path() alone is read and written again.
    void SetUserPath(const QString &userPath) { m_userPath = userPath; }
    QString userPath() const { return m_userPath; }
    // The file that writes go to.
    QString writePath() const { return m_userPath.isEmpty() ? m_path : m_userPath; }

    // A given section becomes the current one (and stays so). Missing file, section or key give
    // the default ("" when none). The value is read whole, however long.
    QString GetString(const QString &key, const std::optional<QString> &defaultValue = std::nullopt,
                      const std::optional<QString> &section = std::nullopt);
    // A given section becomes the current one. Failure is ignored, as the caller cannot help it;
    // the result is returned for those who care.
    bool WriteString(const QString &key, const QString &value,
                     const std::optional<QString> &section = std::nullopt);

private:
    QString m_moduleDir;
    QString m_result;   // copy of the last value read
    QString m_path;
    QString m_userPath;
    QString m_section;
};
