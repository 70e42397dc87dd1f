// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsCheck.h"

#include "TranscodeOption.h"
#include "settings/FormatCatalog.h"

#include <QRegularExpression>

#include <functional>

namespace SettingsCheck {
namespace {

bool isWholeNumberIn(const QString &value, int low, int high)
{
    static const QRegularExpression digits(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9]{1,9}")));
    if (!digits.match(value).hasMatch())
        return false;
    const int number = value.toInt();
    return number >= low && number <= high;
}

bool isScale(const QString &value)
{
    static const QRegularExpression decimal(
        QRegularExpression::anchoredPattern(QStringLiteral(R"([0-9]{1,3}(\.[0-9]{1,6})?)")));
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

}   // namespace

bool IsTarget(const QString &value)
{
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("\\.[A-Za-z0-9_-]+")));
    return pattern.match(value).hasMatch();
}

QString Problem(const ConversionSettings &s, const FormatCatalog &catalog, CIniFile &ini)
{
    using TranscodeOption::IsModuleName;
    const QString names = QStringLiteral("use letters, digits, \"_\" and \"-\" only");
    struct Rule
    {
        const char *what;
        const QString &value;
        bool valid;
        std::function<QString()> from;
        QString expected;
    };
    const auto setting = [](const char *name) {
        return [name] { return QStringLiteral("the %1 setting").arg(QLatin1String(name)); };
    };
    // A codec list's key is the one the cascade read it from; looked up only for the message.
    const auto codec = [&](const QString &value, const QStringList &list, const QString &section,
                           const char *name) {
        return [&s, &ini, &list, value, section, name] {
            const QString key = list.contains(value)
                                    ? CodecListKey(ini, section, s.convertTo, s.container)
                                    : QString();
            return origin(value, list, section, key, QLatin1String(name));
        };
    };
    const Rule rules[] = {
        {"target", s.convertTo, IsTarget(s.convertTo),
         [&] {
             return origin(s.convertTo, catalog.convertToList, GeneralSection,
                           QStringLiteral("Extentions"), QStringLiteral("target"));
         },
         QStringLiteral("a target is a period followed by letters, digits, \"_\" and \"-\"")},
        {"muxer", s.container, IsModuleName(s.container),
         [&] {
             return origin(s.container, catalog.containerList, MuxerSection, s.convertTo,
                           QStringLiteral("muxer"));
         },
         names},
        {"video codec", s.videoCodec, IsModuleName(s.videoCodec),
         codec(s.videoCodec, catalog.videoCodecList, VideoCodecSection, "video codec"), names},
        {"video bit rate", s.videoBitrate, isWholeNumberIn(s.videoBitrate, 1, 100000),
         setting("video bit rate"),
         QStringLiteral("give a whole number of kbit/s from 1 to 100000")},
        {"scale", s.videoScale, isScale(s.videoScale), setting("scale"),
         QStringLiteral("give a number above 0 and at most 10")},
        {"audio codec", s.audioCodec, IsModuleName(s.audioCodec),
         codec(s.audioCodec, catalog.audioCodecList, AudioCodecSection, "audio codec"), names},
        {"audio bit rate", s.audioBitrate, isWholeNumberIn(s.audioBitrate, 1, 2000),
         setting("audio bit rate"), QStringLiteral("give a whole number of kbit/s from 1 to 2000")},
        {"channel count", s.audioChannels, isWholeNumberIn(s.audioChannels, 1, 8),
         setting("channels"), QStringLiteral("give a whole number from 1 to 8")},
    };
    for (const Rule &rule : rules) {
        if (!rule.valid)
            return QStringLiteral(
                       "The %1 \"%2\" (from %3) is not valid: %4. Nothing was converted.")
                .arg(QLatin1String(rule.what), rule.value, rule.from(), rule.expected);
    }
    return {};
}

}   // namespace SettingsCheck
