// SPDX-License-Identifier: GPL-3.0-or-later
#include "UserSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

QString CUserSettingsHome::UserFile(const QString &fileName) const
{
    return configHome + QStringLiteral("/Movarin/") + fileName;
}

CUserSettingsHome CUserSettingsHome::FromEnvironment()
{
    CUserSettingsHome home;
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    home.configHome = QDir::isAbsolutePath(xdg) ? QDir::cleanPath(xdg)
                                                : QDir::homePath() + QStringLiteral("/.config");
    home.videosFolder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (home.videosFolder.isEmpty())
        home.videosFolder = QDir::homePath();
    home.canWrite = CanReplaceFile;
    return home;
}

bool CanReplaceFile(const QString &filePath)
{
    const QFileInfo info(filePath);
    QTemporaryFile probe(info.absolutePath() + QStringLiteral("/.movarin-probe-XXXXXX"));
    if (!probe.open())
        return false;
    probe.close();
    if (!info.exists())
        return true;
    QFile file(filePath);
    return file.open(QIODevice::WriteOnly | QIODevice::Append);
}
