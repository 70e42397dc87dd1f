// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranscodeOption.h"

#include "CVLCControl.h"
#include "settings/CIniFile.h"
#include "settings/FormatCatalog.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <utility>

namespace TranscodeOption {

namespace {

// ---- The catalogue's parameters ----------------------------------------------------------------

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
        QStringLiteral("vcodec"),      QStringLiteral("vb"),   QStringLiteral("scale"),
        QStringLiteral("acodec"),      QStringLiteral("ab"),   QStringLiteral("channels"),
        QStringLiteral("deinterlace"), QStringLiteral("dst"),  QStringLiteral("url"),
        QStringLiteral("access"),      QStringLiteral("mux"),  QStringLiteral("sout"),
        QStringLiteral("duplicate"),   QStringLiteral("std"),  QStringLiteral("standard"),
        QStringLiteral("bridge-out"),  QStringLiteral("es"),   QStringLiteral("rtp"),
        QStringLiteral("http"),        QStringLiteral("file"), QStringLiteral("select")};
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

    // The names of the list's own items (not of a module's parameters), as far as check() read.
    const QStringList &names() const { return m_names; }

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
        if (depth == 0)
            m_names << name;
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
    QStringList m_names;
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
    return {settings.videoCodec,
            ini.GetString(settings.videoCodec, QString(), VideoParametersSection)};
}

// libVLC's transcode takes the picture size from its user filters (vfilter) when there are
// any, so with one the scale would be lost: at a scale other than 1 the catalogue's vfilter
// items are left out. The parameters have passed the grammar, so braces are balanced.
QString withoutUserFiltersUnlessUnscaled(const QString &parameters, const QString &scale)
{
    bool ok = false;
    if (scale.toDouble(&ok) == 1.0 && ok)
        return parameters;
    QStringList kept;
    int depth = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= parameters.size(); ++i) {
        const QChar c = i < parameters.size() ? parameters.at(i) : QChar(u',');
        if (c == u'{')
            ++depth;
        else if (c == u'}')
            --depth;
        else if (c == u',' && depth == 0) {
            const QString item = parameters.mid(start, i - start);
            if (!item.startsWith(QLatin1String("vfilter="), Qt::CaseInsensitive))
                kept << item;
            start = i + 1;
        }
    }
    return kept.join(QLatin1Char(','));
}

// ---- The stream-output chain as libVLC scans it (src/config/chain.c) ------------------------

class ChainScanner
{
public:
    explicit ChainScanner(QString &text)
        : m_text(text)
    {
    }

    // Walks "module{key=value,...}:module{...}..." from pos and renames the url keys of the
    // standard stream output.
    void rewriteChain(qsizetype pos)
    {
        for (;;) {
            pos = skipSpaces(pos);
            const qsizetype nameStart = pos;
            while (!atEnd(pos) && !isOneOf(pos, u"{: \t"))
                ++pos;
            const QString module = m_text.mid(nameStart, pos - nameStart);
            const bool standard = module.compare(QLatin1String("std"), Qt::CaseInsensitive) == 0
                                  || module.compare(QLatin1String("standard"), Qt::CaseInsensitive)
                                         == 0;
            const bool firstStandard = standard && m_standardAt < 0;
            if (firstStandard)
                m_standardAt = nameStart;
            pos = skipSpaces(pos);
            if (at(pos) == u'{')
                pos = scanParameters(pos, standard);
            if (firstStandard) {
                m_standardEnd = pos;
                while (m_standardEnd > m_standardAt && isOneOf(m_standardEnd - 1, u" \t"))
                    --m_standardEnd;
            }
            if (at(pos) != u':')
                return;
            ++pos;
        }
    }

private:
    QChar at(qsizetype pos) const { return atEnd(pos) ? QChar() : m_text.at(pos); }
    bool atEnd(qsizetype pos) const { return pos >= m_text.size(); }
    bool isOneOf(qsizetype pos, QStringView set) const
    {
        return !atEnd(pos) && set.contains(m_text.at(pos));
    }
    qsizetype skipSpaces(qsizetype pos) const
    {
        while (isOneOf(pos, u" \t"))
            ++pos;
        return pos;
    }
    // A backslash escapes only a quote, an apostrophe or a backslash.
    bool isEscape(qsizetype pos) const { return at(pos) == u'\\' && isOneOf(pos + 1, u"\"'\\"); }

    // pos is at the '{' after a module name; returns the position after the matching '}'.
    qsizetype scanParameters(qsizetype pos, bool standard)
    {
        do {
            ++pos;   // the '{' or the ',' (or whatever stray character) before this parameter
            pos = skipSpaces(pos);
            const qsizetype keyStart = pos;
            while (!atEnd(pos) && !isOneOf(pos, u"=,{} \t"))
                ++pos;
            if (pos == keyStart)
                continue;
            const QStringView key = QStringView(m_text).mid(keyStart, pos - keyStart);
            const bool destination = standard && (key == u"url" || key == u"dst");
            if (standard && key == u"url")
                m_text.replace(keyStart, 3, QStringLiteral("dst"));
            pos = skipSpaces(pos);
            if (isOneOf(pos, u"={")) {
                const qsizetype valueStart = pos + 1;
                pos = valueEnd(pos);
                if (destination)
                    m_destination = m_text.mid(valueStart, pos - valueStart).trimmed();
                pos = skipSpaces(pos);
            }
        } while (!atEnd(pos) && at(pos) != u'}');
        if (!atEnd(pos))
            ++pos;
        return skipSpaces(pos);
    }

    // pos is at the '=' or '{' that starts a value.
    qsizetype valueEnd(qsizetype pos) const
    {
        if (at(pos) == u'=')
            ++pos;
        return elementEnd(pos);
    }

    // The end of one value: up to a ',' or '}', or past a quoted or braced part.
    qsizetype elementEnd(qsizetype pos) const
    {
        pos = skipSpaces(pos);
        for (;; ++pos) {
            if (atEnd(pos) || isOneOf(pos, u",}"))
                return pos;
            if (isOneOf(pos, u"{\"'"))
                break;
        }
        const QChar closing = at(pos) == u'{' ? QChar(u'}') : at(pos);
        ++pos;
        for (;;) {
            if (atEnd(pos))
                return pos;
            if (isEscape(pos))
                pos += 2;
            else if (at(pos) == closing)
                return pos + 1;
            else if (at(pos) == u'{' && closing == u'}')
                pos = elementEnd(pos);
            else
                ++pos;
        }
    }

    QString &m_text;

public:
    // Where the first standard output module starts (its name), or -1, and ends (after its
    // parameters); and its destination as written (quotes and escapes included).
    qsizetype m_standardAt = -1;
    qsizetype m_standardEnd = -1;
    QString m_destination;
};

// The muxer of these containers takes one audio track at most (FFmpeg's FLV muxer refuses the
// file's header otherwise): only the track libVLC selects, the source's default, is converted.
bool takesOneAudioTrack(const QString &destination)
{
    QString path = destination;
    if (path.size() >= 2 && (path.startsWith(u'"') || path.startsWith(u'\''))
        && path.endsWith(path.front()))
        path = path.mid(1, path.size() - 2);
    return path.endsWith(QLatin1String(".flv"), Qt::CaseInsensitive);
}

}   // namespace

QString EscapedForQuotes(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

bool IsModuleName(const QString &value)
{
    // Anchored at the very end: a pattern's "$" would also let a final newline through.
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(QStringLiteral(
        R"([A-Za-z0-9_-]+(\{([A-Za-z0-9_-]+=[A-Za-z0-9_.-]+(,[A-Za-z0-9_-]+=[A-Za-z0-9_.-]+)*)?\})?)")));
    return pattern.match(value).hasMatch();
}

QString CheckParameters(const QString &value, const QString &section, const QString &key)
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

TranscodeTuning ReadTuning(CIniFile &ini, const ConversionSettings &settings)
{
    TranscodeTuning tuning;
    tuning.deinterlace = parseDeinterlaceRule(
                             ini.GetString(DeinterlaceKey, QString(), TuningSection))
                             .value_or(DeinterlaceRule::Always);
    if (!settings.videoCodec.isEmpty()) {
        const auto [key, parameters] = videoParametersFor(ini, settings);
        if (!parameters.isEmpty()
            && CheckParameters(parameters, VideoParametersSection, key).isEmpty())
            tuning.videoParameters = parameters;
    }
    return tuning;
}

QString CheckTuning(CIniFile &ini, const ConversionSettings &settings)
{
    QString error = CheckDeinterlaceRule(ini.GetString(DeinterlaceKey, QString(), TuningSection));
    if (!error.isEmpty() || settings.videoCodec.isEmpty())
        return error;
    const auto [key, parameters] = videoParametersFor(ini, settings);
    if (parameters.isEmpty())
        return {};
    return CheckParameters(parameters, VideoParametersSection, key);
}

bool DrawsText(const TranscodeTuning &tuning)
{
    static const QStringList Drawing{QStringLiteral("soverlay"), QStringLiteral("sfilter"),
                                     QStringLiteral("osd")};
    if (tuning.videoParameters.isEmpty())
        return false;
    ParameterGrammar grammar(tuning.videoParameters);
    // The tuning holds only parameters that passed the check.
    grammar.check();
    const QStringList &names = grammar.names();
    return std::any_of(names.cbegin(), names.cend(),
                       [](const QString &name) { return Drawing.contains(name); });
}

QString Build(const ConversionSettings &s, const QString &outputPath)
{
    return Build(s, outputPath, TranscodeTuning(), std::nullopt);
}

QString Build(const ConversionSettings &s, const QString &outputPath, const TranscodeTuning &tuning,
              std::optional<bool> sourceInterlaced)
{
    bool deinterlace = true;
    switch (tuning.deinterlace) {
    case DeinterlaceRule::Always:
        break;
    case DeinterlaceRule::InterlacedOnly:
        deinterlace = sourceInterlaced.value_or(true);
        break;
    case DeinterlaceRule::Never:
        deinterlace = false;
        break;
    }
    // Built by concatenation, never by a format: a '%' in a path or setting stays as it is.
    QString option = QLatin1String(":sout=#transcode{vcodec=") + s.videoCodec
                     + QLatin1String(",vb=") + s.videoBitrate + QLatin1String(",scale=")
                     + s.videoScale + QLatin1String(",acodec=") + s.audioCodec
                     + QLatin1String(",ab=") + s.audioBitrate + QLatin1String(",channels=")
                     + s.audioChannels;
    // The parameters were checked when they were read; checked again here, so that nothing
    // that could leave the transcode part ever reaches the chain.
    if (!tuning.videoParameters.isEmpty()
        && CheckParameters(tuning.videoParameters, VideoParametersSection, s.videoCodec)
               .isEmpty()) {
        const QString parameters = withoutUserFiltersUnlessUnscaled(tuning.videoParameters,
                                                                    s.videoScale);
        if (!parameters.isEmpty())
            option += QLatin1Char(',') + parameters;
    }
    if (deinterlace)
        option += QLatin1String(",deinterlace");
    return option + QLatin1String("}:std{access=file,mux=") + s.container + QLatin1String(",url=\"")
           + EscapedForQuotes(outputPath) + QLatin1String("\"}");
}

QString BuildFor(const ConversionSettings &settings, const QString &outputPath, CIniFile &ini,
                 const QString &source, IVlcControlFactory &vlc)
{
    const TranscodeTuning tuning = ReadTuning(ini, settings);
    std::optional<bool> interlaced;
    if (tuning.deinterlace == DeinterlaceRule::InterlacedOnly)
        interlaced = vlc.IsInterlaced(source);
    return Build(settings, outputPath, tuning, interlaced);
}

QString RewriteStdUrlToDst(const QString &option)
{
    // Only a stream-output chain (":sout=#...") is looked at; any other option passes as is.
    qsizetype pos = option.startsWith(QLatin1Char(':')) ? 1 : 0;
    if (!QStringView(option).mid(pos).startsWith(u"sout="))
        return option;
    pos += 5;
    while (pos < option.size() && (option.at(pos) == u' ' || option.at(pos) == u'\t'))
        ++pos;
    if (pos >= option.size() || option.at(pos) != u'#')
        return option;
    QString result = option;
    ChainScanner(result).rewriteChain(pos + 1);
    return result;
}

WatchedChain WatchTracks(const QString &option, const QString &prefix)
{
    if (!QStringView(option).startsWith(u":sout=#") && !QStringView(option).startsWith(u"sout=#"))
        return {option, false};
    QString result = option;
    ChainScanner scanner(result);
    scanner.rewriteChain(result.indexOf(QLatin1Char('#')) + 1);
    if (scanner.m_standardAt < 0)
        return {option, false};
    // Beside the standard output, not in front of it: a track its muxer refuses (subtitles in
    // FFmpeg's) would reach a module behind the statistics module with no id, and libVLC falls.
    // The standard output becomes a quoted value, read once more when the duplicate module
    // makes it: its own quoted values are escaped a second time.
    const qsizetype length = scanner.m_standardEnd - scanner.m_standardAt;
    const QString standard = result.mid(scanner.m_standardAt, length);
    result.replace(scanner.m_standardAt, length,
                   QLatin1String("duplicate{dst=\"") + EscapedForQuotes(standard)
                       + QLatin1String("\",dst=stats{prefix=") + prefix + QLatin1String("}}"));
    return {result, takesOneAudioTrack(scanner.m_destination)};
}

}   // namespace TranscodeOption
