// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsCheck.h"

#include "FormatCatalog.h"

#include <QRegularExpression>

namespace SettingsCheck {
namespace {

const QRegularExpression &modulePattern()
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^[A-Za-z0-9_-]+(\{([A-Za-z0-9_-]+=[A-Za-z0-9_.-]+(,[A-Za-z0-9_-]+=[A-Za-z0-9_.-]+)*)?\})?$)"));
    return pattern;
}

bool isWholeNumberIn(const QString &value, int low, int high)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    if (!digits.match(value).hasMatch())
        return false;
    const int number = value.toInt();
    return number >= low && number <= high;
}

bool isScale(const QString &value)
{
    static const QRegularExpression decimal(QStringLiteral(R"(^[0-9]{1,3}(\.[0-9]{1,6})?$)"));
    if (!decimal.match(value).hasMatch())
        return false;
    const double scale = value.toDouble();
    return scale > 0.0 && scale <= 10.0;
}

// Where a value came from: the catalogue entry it was chosen from, or else the setting itself.
QString origin(const QString &value, const QStringList &list, const QString &section,
               const QString &key, const QString &setting)
{
    if (list.contains(value))
        return QStringLiteral("Formats.ini, section [%1], key %2").arg(section, key);
    return QStringLiteral("the %1 setting").arg(setting);
}

QString message(const QString &what, const QString &value, const QString &from,
                const QString &expected)
{
    return QStringLiteral("The %1 \"%2\" (from %3) is not valid: %4. Nothing was converted.")
        .arg(what, value, from, expected);
}

} // namespace

bool IsModuleName(const QString &value)
{
    return modulePattern().match(value).hasMatch();
}

bool IsTarget(const QString &value)
{
    static const QRegularExpression pattern(QStringLiteral("^\\.[A-Za-z0-9_-]+$"));
    return pattern.match(value).hasMatch();
}

QString Problem(const ConversionSettings &s, const FormatCatalog &catalog)
{
    const QString names = QStringLiteral("use letters, digits, \"_\" and \"-\" only");
    if (!IsTarget(s.convertTo))
        return message(QStringLiteral("target"), s.convertTo,
                       origin(s.convertTo, catalog.convertToList, QStringLiteral("genral"),
                              QStringLiteral("Extentions"), QStringLiteral("target")),
                       QStringLiteral("a target is a period followed by ") + names.mid(4));
    if (!IsModuleName(s.container))
        return message(QStringLiteral("muxer"), s.container,
                       origin(s.container, catalog.containerList, QStringLiteral("muxer"),
                              s.convertTo, QStringLiteral("muxer")),
                       names);
    if (!IsModuleName(s.videoCodec))
        return message(QStringLiteral("video codec"), s.videoCodec,
                       origin(s.videoCodec, catalog.videoCodecList, QStringLiteral("VC"),
                              s.container, QStringLiteral("video codec")),
                       names);
    if (!isWholeNumberIn(s.videoBitrate, 1, 100000))
        return message(QStringLiteral("video bit rate"), s.videoBitrate,
                       QStringLiteral("the video bit rate setting"),
                       QStringLiteral("give a whole number of kbit/s from 1 to 100000"));
    if (!isScale(s.videoScale))
        return message(QStringLiteral("scale"), s.videoScale,
                       QStringLiteral("the scale setting"),
                       QStringLiteral("give a number above 0 and at most 10"));
    if (!IsModuleName(s.audioCodec))
        return message(QStringLiteral("audio codec"), s.audioCodec,
                       origin(s.audioCodec, catalog.audioCodecList, QStringLiteral("AC"),
                              s.container, QStringLiteral("audio codec")),
                       names);
    if (!isWholeNumberIn(s.audioBitrate, 1, 2000))
        return message(QStringLiteral("audio bit rate"), s.audioBitrate,
                       QStringLiteral("the audio bit rate setting"),
                       QStringLiteral("give a whole number of kbit/s from 1 to 2000"));
    if (!isWholeNumberIn(s.audioChannels, 1, 8))
        return message(QStringLiteral("channel count"), s.audioChannels,
                       QStringLiteral("the channels setting"),
                       QStringLiteral("give a whole number from 1 to 8"));
    return {};
}

} // namespace SettingsCheck
