// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputNaming.h"

#include "CVLCControl.h"
#include "FormatCatalog.h"

#include <QFile>
#include <QFileInfo>

namespace OutputNaming {

QString DefaultCandidate(const QString &source, bool sameFolder, const QString &outputFolder,
                         const QString &convertTo)
{
    QString base;
    if (sameFolder) {
        const qsizetype dot = source.lastIndexOf(QLatin1Char('.'));
        base = dot >= 0 ? source.left(dot) : source;
    } else {
        const qsizetype slash = source.lastIndexOf(QLatin1Char('/'));
        QString name = slash >= 0 ? source.mid(slash + 1) : source;
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot >= 0)
            name.truncate(dot);
        base = outputFolder + QLatin1Char('/') + name;
    }
    return base + convertTo;
}

QString SuggestedSaveName(int variant, const QString &source, const QString &candidate)
{
    if (variant == 1)
        return candidate;
    const qsizetype dot = source.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return source + QLatin1String("_new_");
    return source.left(dot) + QLatin1String("_new_") + source.mid(dot + 1);
}

IDialogs::FileType SaveFileType(int variant, const QString &convertTo)
{
    const QString pattern = QLatin1Char('*') + convertTo;
    const QString kind = variant == 1 ? QStringLiteral("All Supported Types")
                                      : QStringLiteral("All Ipod Supported Types");
    return {kind + QLatin1String(" (") + pattern + QLatin1Char(')'), pattern};
}

static QString escapedForQuotes(const QString &text)
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

QString TranscodeOption(const ConversionSettings &s, const QString &outputPath)
{
    return TranscodeOption(s, outputPath, TranscodeTuning(), std::nullopt);
}

QString TranscodeOption(const ConversionSettings &s, const QString &outputPath,
                        const TranscodeTuning &tuning, std::optional<bool> sourceInterlaced)
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
        && CheckTranscodeParameters(tuning.videoParameters, VideoParametersSection, s.videoCodec)
               .isEmpty())
        option += QLatin1Char(',') + tuning.videoParameters;
    if (deinterlace)
        option += QLatin1String(",deinterlace");
    return option + QLatin1String("}:std{access=file,mux=") + s.container
           + QLatin1String(",url=\"") + escapedForQuotes(outputPath) + QLatin1String("\"}");
}

QString TranscodeOptionFor(const ConversionSettings &settings, const QString &outputPath,
                           CIniFile &ini, const QString &source, IVlcControlFactory &vlc)
{
    const TranscodeTuning tuning = ReadTranscodeTuning(ini, settings);
    std::optional<bool> interlaced;
    if (tuning.deinterlace == DeinterlaceRule::InterlacedOnly)
        interlaced = vlc.IsInterlaced(source);
    return TranscodeOption(settings, outputPath, tuning, interlaced);
}

bool CanOpenFile(const QString &path)
{
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    file.close();
    return true;
}

bool IsSameFile(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    if (!fa.exists() || !fb.exists())
        return false;
    return fa.canonicalFilePath() == fb.canonicalFilePath();
}

QString RootOf(const QString &source)
{
    return source.left(1);
}

QString NameFromLastSeparator(const QString &source)
{
    const qsizetype slash = source.lastIndexOf(QLatin1Char('/'));
    return slash >= 0 ? source.mid(slash) : source;
}

} // namespace OutputNaming
