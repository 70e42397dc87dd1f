// SPDX-License-Identifier: GPL-3.0-or-later
#include "CRunLog.h"

#include "CConversionDriver.h"
#include "settings/FormatCatalog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

QString CRunLog::DefaultFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/movarin");
}

void CRunLog::Begin(const QString &folder, const QString &what)
{
    m_file.close();
    m_attempts.clear();
    m_path.clear();
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return;
    const QDateTime now = QDateTime::currentDateTime();
    // Sortable by name, and unique for runs that begin in the same second.
    const QString name = QStringLiteral("run-")
                         + now.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) + QLatin1Char('-')
                         + QString::number(QCoreApplication::applicationPid())
                         + QStringLiteral(".log");
    QDir dir(folder);
    QStringList runs = dir.entryList({QStringLiteral("run-*.log")}, QDir::Files, QDir::Name);
    while (runs.size() >= KeptRuns)
        dir.remove(runs.takeFirst());
    m_file.setFileName(dir.filePath(name));
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return;
    m_path = m_file.fileName();
    Write(QStringLiteral("Movarin run begun %1 by %2\n").arg(now.toString(Qt::ISODate), what));
}

void CRunLog::Write(const QString &text)
{
    if (!m_file.isOpen())
        return;
    m_file.write(text.toUtf8());
    m_file.flush();
}

void CRunLog::Attempt(const CAttemptRecord &attempt)
{
    QString text = QStringLiteral("  attempt %1: %2 to %3: %4\n")
                       .arg(m_attempts.size() + 1)
                       .arg(attempt.started.toString(QStringLiteral("HH:mm:ss.zzz")),
                            attempt.ended.toString(QStringLiteral("HH:mm:ss.zzz")),
                            attempt.outcome);
    if (!attempt.option.isEmpty())
        text += QStringLiteral("    option: ") + attempt.option + QLatin1Char('\n');
    for (const QString &message : attempt.vlcMessages)
        text += QStringLiteral("    libVLC: ") + message + QLatin1Char('\n');
    m_attempts << text;
}

void CRunLog::File(const CFileResult &result, const ConversionSettings &s)
{
    static const char *const States[] = {"converted", "failed", "skipped"};
    QString text = QStringLiteral("file: ") + result.source + QLatin1Char('\n');
    text += QStringLiteral("  output: ") + result.output + QLatin1Char('\n');
    text += QStringLiteral("  settings: target %1, muxer %2, video codec %3 at %4 kb/s, scale %5, "
                           "audio codec %6 at %7 kb/s, %8 channels\n")
                .arg(s.convertTo, s.container, s.videoCodec, s.videoBitrate, s.videoScale,
                     s.audioCodec, s.audioBitrate, s.audioChannels);
    for (const QString &attempt : std::as_const(m_attempts))
        text += attempt;
    m_attempts.clear();
    text += QStringLiteral("  result: ") + QLatin1String(States[static_cast<int>(result.state)]);
    if (!result.reason.isEmpty())
        text += QStringLiteral(": ") + result.reason;
    Write(text + QLatin1Char('\n'));
}

void CRunLog::End(int converted, int failed, int skipped)
{
    Write(QStringLiteral("Movarin run ended %1: %2 converted, %3 failed, %4 skipped\n")
              .arg(QDateTime::currentDateTime().toString(Qt::ISODate))
              .arg(converted)
              .arg(failed)
              .arg(skipped));
    m_file.close();
}
