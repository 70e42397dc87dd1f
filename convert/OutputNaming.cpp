// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputNaming.h"

#include "CVLCControl.h"
#include "FormatCatalog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace OutputNaming {

namespace {

// A path cut before its extension's period: ("/v/clip", ".avi"), or ("/v/clip", "") without
// one. Only a period inside the file name counts, and not one that leads the name (".hidden").
std::pair<QString, QString> splitAtExtension(const QString &path)
{
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= nameStart)
        return {path, QString()};
    return {path.left(dot), path.mid(dot)};
}

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
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

} // namespace

QString DefaultCandidate(const QString &source, bool sameFolder, const QString &outputFolder,
                         const QString &convertTo)
{
    if (sameFolder)
        return splitAtExtension(source).first + convertTo;
    const QString name = source.mid(source.lastIndexOf(QLatin1Char('/')) + 1);
    return outputFolder + QLatin1Char('/') + splitAtExtension(name).first + convertTo;
}

QString SuggestedSaveName(int variant, const QString &source, const QString &candidate)
{
    if (variant == 1)
        return candidate;
    const auto [base, extension] = splitAtExtension(source);
    return base + QLatin1String("_new_") + extension.mid(1);
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
               .isEmpty()) {
        const QString parameters = withoutUserFiltersUnlessUnscaled(tuning.videoParameters,
                                                                    s.videoScale);
        if (!parameters.isEmpty())
            option += QLatin1Char(',') + parameters;
    }
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
    struct stat st {};
    return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

bool IsSameFile(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    struct stat sa {}, sb {};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0
        || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool IsOtherThanRegularFile(const QString &path)
{
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return !S_ISREG(st.st_mode);
}

QString FreeName(const QString &path, const std::function<bool(const QString &)> &taken)
{
    const auto [base, extension] = splitAtExtension(path);
    for (int n = 1;; ++n) {
        const QString name = base + QStringLiteral(" (%1)").arg(n) + extension;
        struct stat st {};
        if (::lstat(QFile::encodeName(name).constData(), &st) != 0 && !(taken && taken(name)))
            return name;
    }
}

std::optional<QString> CreateTemporaryOutput(const QString &finalPath, QString &error)
{
    const qsizetype slash = finalPath.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash >= 0 ? finalPath.left(slash + 1) : QString();
    const auto [stem, extension] = splitAtExtension(finalPath.mid(slash + 1));
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString tag;
        for (int i = 0; i < 6; ++i)
            tag += QLatin1Char(Letters[QRandomGenerator::global()->bounded(36)]);
        const QString path = folder + QLatin1Char('.') + stem + QLatin1Char('.') + tag
                             + QLatin1String(".part") + extension;
        // Made here, exclusively: a name that someone else has taken, or a link planted there,
        // is never written through.
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) {
            error = errorText(errno);
            return std::nullopt;
        }
    }
    error = QStringLiteral("no free temporary name");
    return std::nullopt;
}

QString CommitOutput(const QString &temporaryPath, const QString &finalPath)
{
    if (::rename(QFile::encodeName(temporaryPath).constData(),
                 QFile::encodeName(finalPath).constData())
        != 0)
        return errorText(errno);
    return {};
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
