// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A small catalogue in a folder of its own, with the cascade that reads it and a record of what
// the cascade wrote to the movie.
#include "settings/CIniFile.h"
#include "settings/FormatCatalog.h"
#include "tests/support/TempDir.h"

#include <QList>
#include <QPair>
#include <gtest/gtest.h>

using Write = QPair<QString, QString>;
using Writes = QList<Write>;

inline const QByteArray SmallCatalogue = "[genral]\n"
                                         "Extentions=.mp4|.avi|.webm\n"
                                         "OutputPath=/srv/out\n"
                                         "[muxer]\n"
                                         ".mp4=mp4|mov\n"
                                         ".avi=avi\n"
                                         ".webm=avformat\n"
                                         "[VC]\n"
                                         "mp4=h264|mp4v\n"
                                         "mov=mp4v\n"
                                         "avi=mp4v|DIV3|h264\n"
                                         "avformat=VP80\n"
                                         "[AC]\n"
                                         "mp4=mp4a|mp3\n"
                                         "mov=mp4a\n"
                                         "avi=mpga|mp3|\n"
                                         "avformat=vorb|opus\n";

class FormatCascade : public ::testing::Test
{
protected:
    explicit FormatCascade(const QByteArray &catalogue = SmallCatalogue)
        : m_ini(m_dir.dirWithSlash())
    {
        m_dir.write(QStringLiteral("Formats.ini"), catalogue);
        m_ini.SetPath(QStringLiteral("Formats.ini"));
    }

    TempDir m_dir;
    CIniFile m_ini;
    FormatCatalog m_formats;
    ConversionSettings m_settings;
    Writes m_writes;
    CFormatCascade m_cascade{m_ini, m_formats, m_settings,
                             [this](const QString &name, const QString &value) {
                                 m_writes.append({name, value});
                             }};
};
