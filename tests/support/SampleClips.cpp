// SPDX-License-Identifier: GPL-3.0-or-later
#include "SampleClips.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <limits>
#include <mutex>

namespace SampleClips {

namespace {

constexpr int ToolTimeoutMs = 180'000;

struct ToolRun
{
    QByteArray out;
    QByteArray err;
};

// Runs ffmpeg or ffprobe to its end; anything but a clean exit throws with the tool's words.
ToolRun runTool(const QString &tool, const QStringList &arguments)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        throw SampleClipError(tool.toStdString()
                              + " is not installed (it is needed to make and "
                                "check sample clips)");
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted())
        throw SampleClipError("cannot start " + program.toStdString());
    if (!process.waitForFinished(ToolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        throw SampleClipError(tool.toStdString() + " did not finish: "
                              + arguments.join(QLatin1Char(' ')).toStdString());
    }
    ToolRun run{process.readAllStandardOutput(), process.readAllStandardError()};
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw SampleClipError(tool.toStdString() + " failed ("
                              + arguments.join(QLatin1Char(' ')).toStdString()
                              + "): " + run.err.trimmed().toStdString());
    return run;
}

struct Recipe
{
    QStringList codecArguments;
    int sampleRate;
};

// Codecs per container: what such files usually hold, limited to encoders Debian's ffmpeg has.
Recipe recipeFor(const QString &extension)
{
    const QString ext = extension.toLower();
    const QStringList h264 = {QStringLiteral("-c:v"),     QStringLiteral("libx264"),
                              QStringLiteral("-preset"),  QStringLiteral("ultrafast"),
                              QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p")};
    const QStringList aac = {QStringLiteral("-c:a"), QStringLiteral("aac")};
    const QStringList vorbis = {QStringLiteral("-c:a"), QStringLiteral("libvorbis")};
    const QStringList mp3 = {QStringLiteral("-c:a"), QStringLiteral("libmp3lame")};

    if (ext == QLatin1String(".mov") || ext == QLatin1String(".mp4") || ext == QLatin1String(".3gp")
        || ext == QLatin1String(".ts"))
        return {h264 + aac, 48000};
    if (ext == QLatin1String(".avi"))
        return {QStringList{QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-q:v"),
                            QStringLiteral("5")}
                    + mp3,
                44100};
    if (ext == QLatin1String(".wmv") || ext == QLatin1String(".asf"))
        return {{QStringLiteral("-c:v"), QStringLiteral("wmv2"), QStringLiteral("-c:a"),
                 QStringLiteral("wmav2"), QStringLiteral("-b:a"), QStringLiteral("128k"),
                 QStringLiteral("-f"), QStringLiteral("asf")},
                44100};
    if (ext == QLatin1String(".mpg"))
        return {{QStringLiteral("-c:v"), QStringLiteral("mpeg2video"), QStringLiteral("-c:a"),
                 QStringLiteral("mp2"), QStringLiteral("-f"), QStringLiteral("mpeg")},
                48000};
    if (ext == QLatin1String(".flv"))
        return {QStringList{QStringLiteral("-c:v"), QStringLiteral("flv")} + mp3, 44100};
    if (ext == QLatin1String(".mkv"))
        return {h264 + vorbis, 48000};
    if (ext == QLatin1String(".webm"))
        return {QStringList{QStringLiteral("-c:v"), QStringLiteral("libvpx"),
                            QStringLiteral("-deadline"), QStringLiteral("realtime"),
                            QStringLiteral("-cpu-used"), QStringLiteral("8"),
                            QStringLiteral("-b:v"), QStringLiteral("1M")}
                    + vorbis,
                48000};
    if (ext == QLatin1String(".ogg"))
        return {QStringList{QStringLiteral("-c:v"), QStringLiteral("libtheora"),
                            QStringLiteral("-q:v"), QStringLiteral("6")}
                    + vorbis,
                48000};
    throw SampleClipError("no sample clip recipe for \"" + extension.toStdString() + "\"");
}

// Clips made so far in this process, by container and options, in one folder that lives
// as long as the process.
class ClipCache
{
public:
    QString clip(const QString &extension, const ClipOptions &o)
    {
        const std::lock_guard lock(m_mutex);
        const QString key = extension.toLower() + QLatin1Char('_') + QString::number(o.width)
                            + QLatin1Char('x') + QString::number(o.height) + QLatin1Char('_')
                            + QString::number(o.fps) + QLatin1Char('_') + QString::number(o.seconds)
                            + QLatin1Char('_') + QString::number(o.channels);
        if (const auto it = m_made.constFind(key); it != m_made.constEnd())
            return *it;
        if (!m_dir.isValid())
            throw SampleClipError("cannot make a temporary folder for sample clips");
        const QString path = m_dir.filePath(key + extension);
        make(path, extension, o);
        m_made.insert(key, path);
        return path;
    }

private:
    static void make(const QString &path, const QString &extension, const ClipOptions &o)
    {
        const Recipe recipe = recipeFor(extension);
        const QString seconds = QString::number(o.seconds);
        QStringList args = {QStringLiteral("-hide_banner"),
                            QStringLiteral("-loglevel"),
                            QStringLiteral("error"),
                            QStringLiteral("-nostdin"),
                            QStringLiteral("-y"),
                            QStringLiteral("-f"),
                            QStringLiteral("lavfi"),
                            QStringLiteral("-i"),
                            QStringLiteral("testsrc=size=%1x%2:rate=%3:duration=%4")
                                .arg(o.width)
                                .arg(o.height)
                                .arg(o.fps)
                                .arg(seconds),
                            QStringLiteral("-f"),
                            QStringLiteral("lavfi"),
                            QStringLiteral("-i"),
                            QStringLiteral("sine=frequency=440:sample_rate=%1:duration=%2")
                                .arg(recipe.sampleRate)
                                .arg(seconds),
                            QStringLiteral("-map"),
                            QStringLiteral("0:v"),
                            QStringLiteral("-map"),
                            QStringLiteral("1:a"),
                            QStringLiteral("-ac"),
                            QString::number(o.channels)};
        args += recipe.codecArguments;
        args << path;
        runTool(QStringLiteral("ffmpeg"), args);
        if (!QFileInfo(path).isFile() || QFileInfo(path).size() == 0)
            throw SampleClipError("ffmpeg wrote no clip at " + path.toStdString());
    }

    std::mutex m_mutex;
    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/movarin-clips-XXXXXX")};
    QHash<QString, QString> m_made;
};

ClipCache &cache()
{
    static ClipCache instance;
    return instance;
}

double jsonNumber(const QJsonValue &value)
{
    bool ok = false;
    const double number = value.toString().toDouble(&ok);
    return ok ? number : std::numeric_limits<double>::quiet_NaN();
}

}   // namespace

QString Make(const QString &extension, const QString &folder, const ClipOptions &options,
             const QString &fileName)
{
    const QString source = cache().clip(extension, options);
    const QString target = QDir(folder).filePath(
        fileName.isEmpty() ? QStringLiteral("sample") + extension : fileName);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile::remove(target);
    if (!QFile::copy(source, target))
        throw SampleClipError("cannot copy a sample clip to " + target.toStdString());
    return target;
}

QString Mov(const QString &folder, const ClipOptions &o)
{
    return Make(QStringLiteral(".mov"), folder, o);
}
QString Mp4(const QString &folder, const ClipOptions &o)
{
    return Make(QStringLiteral(".mp4"), folder, o);
}
QString Avi(const QString &folder, const ClipOptions &o)
{
    return Make(QStringLiteral(".avi"), folder, o);
}
QString Wmv(const QString &folder, const ClipOptions &o)
{
    return Make(QStringLiteral(".wmv"), folder, o);
}
QString Asf(const QString &folder, const ClipOptions &o)
{
    return Make(QStringLiteral(".asf"), folder, o);
}
QString Mpg(const QString &folder, const ClipOptions &o)
{
    return Make(QStringLiteral(".mpg"), folder, o);
}
QString Flv(const QString &folder, const ClipOptions &o)
{
    return Make(QStringLiteral(".flv"), folder, o);
}
QString ThreeGp(const QString &folder, const ClipOptions &o)
{
    return Make(QStringLiteral(".3gp"), folder, o);
}
QString Mkv(const QString &folder, const ClipOptions &o)
{
    return Make(QStringLiteral(".mkv"), folder, o);
}
QString Webm(const QString &folder, const ClipOptions &o)
{
    return Make(QStringLiteral(".webm"), folder, o);
}
QString Ogg(const QString &folder, const ClipOptions &o)
{
    return Make(QStringLiteral(".ogg"), folder, o);
}
QString Ts(const QString &folder, const ClipOptions &o)
{
    return Make(QStringLiteral(".ts"), folder, o);
}

QString DamagedWmv(const QString &folder, const QString &fileName)
{
    const QString path = QDir(folder).filePath(fileName);
    QDir().mkpath(folder);
    runTool(QStringLiteral("ffmpeg"),
            {QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"), QStringLiteral("-v"),
             QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
             QStringLiteral("lavfi"), QStringLiteral("-i"),
             QStringLiteral("testsrc=duration=2:size=320x240:rate=25"), QStringLiteral("-f"),
             QStringLiteral("lavfi"), QStringLiteral("-i"),
             QStringLiteral("sine=frequency=440:duration=2"), QStringLiteral("-c:v"),
             QStringLiteral("wmv2"), QStringLiteral("-c:a"), QStringLiteral("wmav2"),
             QStringLiteral("-shortest"), path});
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        throw SampleClipError("ffmpeg wrote no clip at " + path.toStdString());
    QByteArray bytes = file.readAll();
    if (QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex()
        != "c0c396ee504fdfdc74d456d2968b4457")
        throw SampleClipError("this ffmpeg makes another WMV than the one the damage was found "
                              "in; find two bytes again for "
                              + path.toStdString());
    bytes[61616] = char(0xff);
    bytes[64823] = char(0x7f);
    file.seek(0);
    file.write(bytes);
    return path;
}

ProbeResult Probe(const QString &path)
{
    if (!QFileInfo(path).isFile())
        throw SampleClipError("no file to probe at " + path.toStdString());
    const ToolRun run = runTool(
        QStringLiteral("ffprobe"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
         QStringLiteral("format=format_name,duration:stream=index,codec_type,codec_name,channels:"
                        "packet=stream_index,pts_time,dts_time,duration_time"),
         QStringLiteral("-of"), QStringLiteral("json"), path});
    QJsonParseError error{};
    const QJsonObject root = QJsonDocument::fromJson(run.out, &error).object();
    if (error.error != QJsonParseError::NoError)
        throw SampleClipError("ffprobe gave unreadable output for " + path.toStdString());

    ProbeResult result;
    const QJsonObject format = root.value(QLatin1String("format")).toObject();
    result.formatName = format.value(QLatin1String("format_name")).toString();
    if (const double d = jsonNumber(format.value(QLatin1String("duration"))); d == d)
        result.duration = d;

    QHash<int, QString> typeOfStream;
    for (const QJsonValue &value : root.value(QLatin1String("streams")).toArray()) {
        const QJsonObject stream = value.toObject();
        const QString type = stream.value(QLatin1String("codec_type")).toString();
        typeOfStream.insert(stream.value(QLatin1String("index")).toInt(), type);
        if (type == QLatin1String("video") && result.videoCodec.isEmpty()) {
            result.videoCodec = stream.value(QLatin1String("codec_name")).toString();
        } else if (type == QLatin1String("audio") && result.audioCodec.isEmpty()) {
            result.audioCodec = stream.value(QLatin1String("codec_name")).toString();
            result.audioChannels = stream.value(QLatin1String("channels")).toInt();
        }
    }

    double first = std::numeric_limits<double>::infinity();
    double last = -std::numeric_limits<double>::infinity();
    for (const QJsonValue &value : root.value(QLatin1String("packets")).toArray()) {
        const QJsonObject packet = value.toObject();
        const QString type = typeOfStream.value(
            packet.value(QLatin1String("stream_index")).toInt());
        if (type != QLatin1String("video") && type != QLatin1String("audio"))
            continue;
        double start = jsonNumber(packet.value(QLatin1String("pts_time")));
        if (start != start)
            start = jsonNumber(packet.value(QLatin1String("dts_time")));
        if (start != start)
            continue;
        double length = jsonNumber(packet.value(QLatin1String("duration_time")));
        if (length != length)
            length = 0;
        first = std::min(first, start);
        last = std::max(last, start + length);
    }
    if (last > first)
        result.contentDuration = last - first;
    return result;
}

QString FormatName(const QString &path)
{
    return Probe(path).formatName;
}
QString VideoCodec(const QString &path)
{
    return Probe(path).videoCodec;
}
QString AudioCodec(const QString &path)
{
    return Probe(path).audioCodec;
}
int AudioChannels(const QString &path)
{
    return Probe(path).audioChannels;
}
double Duration(const QString &path)
{
    return Probe(path).duration;
}

QString DecodeErrors(const QString &path)
{
    try {
        // At this level ffmpeg says nothing but errors, and a damaged frame it decodes past
        // still ends with exit code 0: any line it writes is an error. The null output's own
        // lines (about the timestamps it is handed, not about decoding) are left out.
        const ToolRun run = runTool(QStringLiteral("ffmpeg"),
                                    {QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"),
                                     QStringLiteral("-v"), QStringLiteral("error"),
                                     QStringLiteral("-i"), path, QStringLiteral("-f"),
                                     QStringLiteral("null"), QStringLiteral("-")});
        QStringList errors;
        bool skipped = false;
        for (const QString &line : QString::fromLocal8Bit(run.err).split(QLatin1Char('\n'))) {
            const QString trimmed = line.trimmed();
            if (trimmed.isEmpty())
                continue;
            if (trimmed.startsWith(QLatin1String("Last message repeated")) && skipped)
                continue;
            skipped = trimmed.startsWith(QLatin1String("[null @"));
            if (!skipped)
                errors << trimmed;
        }
        return errors.join(QLatin1Char('\n'));
    } catch (const SampleClipError &e) {
        return QString::fromStdString(e.what());
    }
}

}   // namespace SampleClips
