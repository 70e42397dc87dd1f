// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QList>
#include <QString>

struct ConversionSettings;
struct CAttemptRecord;
struct CFileResult;

// A plain-text record of one run, for the user to read afterwards: per file the source, the
// output, the eight settings and the option, every attempt with its times, outcome and libVLC's
// warnings and errors, and the result with its reason. Nothing of the program depends on it: a
// log that cannot be written is simply not written.
class CRunLog
{
public:
    // The runs kept in the folder; the oldest go when a new one begins.
    static constexpr int KeptRuns = 20;

    // $XDG_STATE_HOME/movarin, or ~/.local/state/movarin when XDG_STATE_HOME is unset or not
    // absolute.
    static QString DefaultFolder();

    // Begins the log of a new run in folder (made when missing); an empty folder keeps no log.
    // what: who runs it (the window, the batch command and its arguments).
    void Begin(const QString &folder, const QString &what);
    void Attempt(const CAttemptRecord &attempt);
    void File(const CFileResult &result, const ConversionSettings &settings);
    void End(int converted, int failed, int skipped);
    // The file of the run under way, or of the last one; empty when none could be written.
    QString Path() const { return m_path; }

private:
    void Write(const QString &text);

    QString m_path;
    QFile m_file;
    QList<QString> m_attempts;   // of the file under way, written with it
};
