// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormatCatalog.h"

#include "CIniFile.h"

#include <utility>

QStringList SplitList(const QString &value)
{
    // QString::split keeps empty parts, and "" gives one empty entry: exactly the list rules.
    return value.split(QLatin1Char('|'), Qt::KeepEmptyParts);
}

QString CodecListKey(CIniFile &ini, const QString &section, const QString &target,
                     const QString &muxer)
{
    const QString forTarget = target + QLatin1Char('/') + muxer;
    if (!ini.GetString(forTarget, QString(), section).isEmpty())
        return forTarget;
    return muxer;
}

CFormatCascade::CFormatCascade(CIniFile &ini, FormatCatalog &formats, ConversionSettings &settings,
                               MovieVariableWriter writeVariable)
    : m_ini(ini)
    , m_formats(formats)
    , m_settings(settings)
    , m_writeVariable(std::move(writeVariable))
{
}

QString CFormatCascade::FlagVariableFor(const QString &listVariable)
{
    if (listVariable == QLatin1String("_root.convertToStr"))
        return QStringLiteral("_root.convertToFlag");
    if (listVariable == QLatin1String("_root.containerStr"))
        return QStringLiteral("_root.containerFlag");
    if (listVariable == QLatin1String("_root.videoCodecStr"))
        return QStringLiteral("_root.videoCodecFlag");
    if (listVariable == QLatin1String("_root.audioCodecStr"))
        return QStringLiteral("_root.audioCodecFlag");
    return {};
}

void CFormatCascade::LoadList(const QString &name, const QString &key, const QString &section,
                              QStringList &list)
{
    const QString value = m_ini.GetString(key, QString(), section);
    m_writeVariable(name, value);
    const QString flag = FlagVariableFor(name);
    if (!flag.isEmpty())
        m_writeVariable(flag, QStringLiteral("1"));
    list = SplitList(value);
}

void CFormatCascade::LoadCodecLists(const QString &target, const QString &muxer)
{
    LoadList(QStringLiteral("_root.videoCodecStr"),
             CodecListKey(m_ini, VideoCodecSection, target, muxer), VideoCodecSection,
             m_formats.videoCodecList);
    LoadList(QStringLiteral("_root.audioCodecStr"),
             CodecListKey(m_ini, AudioCodecSection, target, muxer), AudioCodecSection,
             m_formats.audioCodecList);
}

void CFormatCascade::LoadAtStartup()
{
    LoadList(QStringLiteral("_root.convertToStr"), QStringLiteral("Extentions"), GeneralSection,
             m_formats.convertToList);
    LoadList(QStringLiteral("_root.containerStr"), m_formats.convertToList.constFirst(),
             MuxerSection, m_formats.containerList);
    const QString target = m_formats.convertToList.constFirst();
    const QString muxer = m_formats.containerList.constFirst();
    LoadCodecLists(target, muxer);

    m_settings.convertTo = m_formats.convertToList.constFirst();
    m_settings.container = m_formats.containerList.constFirst();
    m_settings.videoCodec = m_formats.videoCodecList.constFirst();
    m_settings.videoBitrate = QStringLiteral("1024");
    m_settings.videoScale = QStringLiteral("1");
    m_settings.audioCodec = m_formats.audioCodecList.constFirst();
    m_settings.audioBitrate = QStringLiteral("128");
    m_settings.audioChannels = QStringLiteral("2");
}

void CFormatCascade::SelectTarget(const QString &target)
{
    m_settings.convertTo = target;
    LoadList(QStringLiteral("_root.containerStr"), target, MuxerSection, m_formats.containerList);
    const QString muxer = m_formats.containerList.constFirst();
    LoadCodecLists(target, muxer);
    m_settings.container = muxer;
    m_settings.videoCodec = m_formats.videoCodecList.constFirst();
    m_settings.audioCodec = m_formats.audioCodecList.constFirst();
}

void CFormatCascade::SelectMuxer(const QString &muxer)
{
    m_settings.container = muxer;
    const QString &target = m_settings.convertTo;
    LoadCodecLists(target, muxer);
    m_settings.videoCodec = m_formats.videoCodecList.constFirst();
    m_settings.audioCodec = m_formats.audioCodecList.constFirst();
}
