// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <stdexcept>

// Short sample clips made with ffmpeg (a test pattern with a sine tone), and ffprobe readings
// of any media file. ffmpeg and ffprobe are required: a missing tool or a failed run throws
// SampleClipError with the tool's own message, so a test fails instead of passing on nothing.
namespace SampleClips {

class SampleClipError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct ClipOptions
{
    int width = 640;
    int height = 360;
    int fps = 25;
    double seconds = 3.0;
    int channels = 2;
};

// A clip of the given container ("." + extension, e.g. ".mov") written to folder/fileName
// (fileName defaults to "sample" + extension). Each distinct clip is made once per process and
// copied from there, so asking again is cheap. Returns the full path of the copy.
QString Make(const QString &extension, const QString &folder, const ClipOptions &options = {},
             const QString &fileName = QString());

// The same, one per container, each with codecs that container is commonly found with.
QString Mov(const QString &folder, const ClipOptions &options = {});   // H.264 + AAC
QString Mp4(const QString &folder, const ClipOptions &options = {});   // H.264 + AAC
QString Avi(const QString &folder, const ClipOptions &options = {});   // MPEG-4 part 2 + MP3
QString Wmv(const QString &folder, const ClipOptions &options = {});   // WMV2 + WMA2
QString Asf(const QString &folder, const ClipOptions &options = {});   // WMV2 + WMA2
QString Mpg(const QString &folder, const ClipOptions &options = {});   // MPEG-2 + MP2
QString Flv(const QString &folder, const ClipOptions &options = {});   // Sorenson + MP3
QString ThreeGp(const QString &folder, const ClipOptions &options = {});   // H.264 + AAC
QString Mkv(const QString &folder, const ClipOptions &options = {});   // H.264 + Vorbis
QString Webm(const QString &folder, const ClipOptions &options = {});   // VP8 + Vorbis
QString Ogg(const QString &folder, const ClipOptions &options = {});   // Theora + Vorbis
QString Ts(const QString &folder, const ClipOptions &options = {});   // H.264 + AAC

// A 2 s WMV2/WMA2 clip (320x240) with two bytes of its data packets changed, written to
// folder/fileName. libVLC's time runs on without end while it is converted, its position far
// past the end, and nothing is written. Throws when ffmpeg makes another file than the one
// these bytes were found in.
QString DamagedWmv(const QString &folder, const QString &fileName = QStringLiteral("damaged.wmv"));

// What ffprobe reads from a file. Empty codec names mean "no such stream".
struct ProbeResult
{
    QString formatName;   // e.g. "mov,mp4,m4a,3gp,3g2,mj2"
    QString videoCodec;   // first video stream, e.g. "h264"
    QString audioCodec;   // first audio stream, e.g. "aac"
    int audioChannels = 0;
    double duration = -1;   // the container's own duration; -1 when it has none
    // From the first packet's start to the last packet's end, over the video and audio
    // streams: how long the content really plays, whatever the header claims.
    double contentDuration = -1;
};

// Throws SampleClipError when ffprobe is missing or cannot read the file.
ProbeResult Probe(const QString &path);

QString FormatName(const QString &path);
QString VideoCodec(const QString &path);
QString AudioCodec(const QString &path);
int AudioChannels(const QString &path);
double Duration(const QString &path);

// Decodes every stream of the file with ffmpeg. Returns an empty text when that succeeds
// without a single error line, otherwise what ffmpeg said.
QString DecodeErrors(const QString &path);

}   // namespace SampleClips
