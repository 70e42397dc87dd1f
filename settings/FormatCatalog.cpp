// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormatCatalog.h"

#include "CIniFile.h"

#include <optional>
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
    LoadList(QStringLiteral("_root.convertToStr"), QStringLiteral("Extentions"),
             GeneralSection, m_formats.convertToList);
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
    LoadList(QStringLiteral("_root.containerStr"), target, MuxerSection,
             m_formats.containerList);
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

// ---- Transcode tuning ------------------------------------------------------------------------

namespace {

const QString DeinterlaceKey = QStringLiteral("deinterlace");

bool isNameChar(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
           || c == u'_' || c == u'-';
}

bool isPlainChar(QChar c)
{
    return isNameChar(c) || c == u'.' || c == u'+';
}

// Names that the option sets itself, or that name an output: never from the catalogue.
bool isReservedName(const QString &name)
{
    static const QStringList reserved{
        QStringLiteral("vcodec"), QStringLiteral("vb"),     QStringLiteral("scale"),
        QStringLiteral("acodec"), QStringLiteral("ab"),     QStringLiteral("channels"),
        QStringLiteral("deinterlace"), QStringLiteral("dst"), QStringLiteral("url"),
        QStringLiteral("access"), QStringLiteral("mux"),    QStringLiteral("sout"),
        QStringLiteral("duplicate"), QStringLiteral("std"), QStringLiteral("standard"),
        QStringLiteral("bridge-out"), QStringLiteral("es"), QStringLiteral("rtp"),
        QStringLiteral("http"), QStringLiteral("file"),     QStringLiteral("select")};
    return reserved.contains(name, Qt::CaseInsensitive);
}

// A recursive-descent reader of the grammar; it only accepts, never rewrites.
class ParameterGrammar
{
public:
    explicit ParameterGrammar(const QString &text)
        : m_text(text)
    {
    }

    // "" when the whole text is a list of items; else what is wrong.
    QString check()
    {
        if (m_text.isEmpty())
            return QStringLiteral("it is empty");
        QString error = list(0);
        if (error.isEmpty() && m_pos != m_text.size())
            error = QStringLiteral("'%1' at position %2 is not allowed")
                        .arg(m_text.at(m_pos))
                        .arg(m_pos + 1);
        return error;
    }

private:
    QChar at() const { return m_pos < m_text.size() ? m_text.at(m_pos) : QChar(); }

    QString list(int depth)
    {
        for (;;) {
            QString error = item(depth);
            if (!error.isEmpty())
                return error;
            if (at() != u',')
                return {};
            ++m_pos;
        }
    }

    QString item(int depth)
    {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && isNameChar(at()))
            ++m_pos;
        const QString name = m_text.mid(start, m_pos - start);
        if (name.isEmpty())
            return unexpected();
        if (isReservedName(name))
            return QStringLiteral("the name '%1' is reserved").arg(name);
        if (at() != u'=')
            return {};
        ++m_pos;
        const qsizetype valueStart = m_pos;
        while (m_pos < m_text.size() && isPlainChar(at()))
            ++m_pos;
        if (m_pos == valueStart)
            return unexpected();
        if (at() != u'{')
            return {};
        // A module with its own parameters: its name is a name, and only one level deep.
        const QString module = m_text.mid(valueStart, m_pos - valueStart);
        if (depth > 0)
            return QStringLiteral("braces may not nest");
        for (QChar c : module)
            if (!isNameChar(c))
                return QStringLiteral("'%1' is not a module name").arg(module);
        if (isReservedName(module))
            return QStringLiteral("the name '%1' is reserved").arg(module);
        ++m_pos;
        QString error = list(depth + 1);
        if (!error.isEmpty())
            return error;
        if (at() != u'}')
            return unexpected();
        ++m_pos;
        return {};
    }

    QString unexpected() const
    {
        if (m_pos >= m_text.size())
            return QStringLiteral("it ends too early");
        return QStringLiteral("'%1' at position %2 is not allowed").arg(at()).arg(m_pos + 1);
    }

    const QString &m_text;
    qsizetype m_pos = 0;
};

std::optional<DeinterlaceRule> parseDeinterlaceRule(const QString &value)
{
    if (value.isEmpty() || value.compare(QLatin1String("always"), Qt::CaseInsensitive) == 0)
        return DeinterlaceRule::Always;
    if (value.compare(QLatin1String("interlaced"), Qt::CaseInsensitive) == 0)
        return DeinterlaceRule::InterlacedOnly;
    if (value.compare(QLatin1String("never"), Qt::CaseInsensitive) == 0)
        return DeinterlaceRule::Never;
    return std::nullopt;
}

// The [VE] entry for the settings' video codec and its key: "<muxer>/<codec>" when the
// catalogue has one for the settings' muxer, else "<codec>".
std::pair<QString, QString> videoParametersFor(CIniFile &ini, const ConversionSettings &settings)
{
    const QString forMuxer = settings.container + QLatin1Char('/') + settings.videoCodec;
    if (QString value = ini.GetString(forMuxer, QString(), VideoParametersSection);
        !value.isEmpty())
        return {forMuxer, value};
    return {settings.videoCodec, ini.GetString(settings.videoCodec, QString(),
                                               VideoParametersSection)};
}

} // namespace

QString CheckTranscodeParameters(const QString &value, const QString &section, const QString &key)
{
    const QString error = ParameterGrammar(value).check();
    if (error.isEmpty())
        return {};
    return QStringLiteral("Formats.ini [%1] %2=%3 cannot be used: %4")
        .arg(section, key, value, error);
}

QString CheckDeinterlaceRule(const QString &value)
{
    if (parseDeinterlaceRule(value))
        return {};
    return QStringLiteral("Formats.ini [%1] %2=%3 cannot be used: it must be always, interlaced "
                          "or never")
        .arg(TuningSection, DeinterlaceKey, value);
}

TranscodeTuning ReadTranscodeTuning(CIniFile &ini, const ConversionSettings &settings)
{
    TranscodeTuning tuning;
    tuning.deinterlace = parseDeinterlaceRule(ini.GetString(DeinterlaceKey, QString(), TuningSection))
                             .value_or(DeinterlaceRule::Always);
    if (!settings.videoCodec.isEmpty()) {
        const auto [key, parameters] = videoParametersFor(ini, settings);
        if (!parameters.isEmpty()
            && CheckTranscodeParameters(parameters, VideoParametersSection, key).isEmpty())
            tuning.videoParameters = parameters;
    }
    return tuning;
}

QString CheckTranscodeTuning(CIniFile &ini, const ConversionSettings &settings)
{
    QString error = CheckDeinterlaceRule(ini.GetString(DeinterlaceKey, QString(), TuningSection));
    if (!error.isEmpty() || settings.videoCodec.isEmpty())
        return error;
    const auto [key, parameters] = videoParametersFor(ini, settings);
    if (parameters.isEmpty())
        return {};
    return CheckTranscodeParameters(parameters, VideoParametersSection, key);
}
