// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class CIniFile;

// The sections of Formats.ini, spelled as the file spells them. "genral" also holds the saved
// output folder.
inline const QString GeneralSection = QStringLiteral("genral");
inline const QString MuxerSection = QStringLiteral("muxer");
inline const QString VideoCodecSection = QStringLiteral("VC");
inline const QString AudioCodecSection = QStringLiteral("AC");

// The four lists of choices read from Formats.ini.
struct FormatCatalog
{
    QStringList convertToList;   // [genral] Extentions
    QStringList containerList;   // [muxer] <target>
    QStringList videoCodecList;  // [VC] <muxer>
    QStringList audioCodecList;  // [AC] <muxer>
};

// The eight current choices, all held as text and used verbatim in the transcode option.
struct ConversionSettings
{
    QString convertTo;
    QString container;
    QString videoCodec;
    QString videoBitrate;
    QString videoScale;
    QString audioCodec;
    QString audioBitrate;
    QString audioChannels;
};

// Writes one movie variable.
using MovieVariableWriter = std::function<void(const QString &name, const QString &value)>;

// Splits a list text at every '|'; every segment counts, empty ones included, so the result
// always holds at least one entry.
QStringList SplitList(const QString &value);

// The [VC] or [AC] key that holds a muxer's codecs for one target: "<target>/<muxer>" when the
// catalogue has a value there (one muxer, such as the FFmpeg-based one that picks its container
// from the file's extension, offering different codecs for each target), else "<muxer>".
// A catalogue without such keys reads exactly as before.
QString CodecListKey(CIniFile &ini, const QString &section, const QString &target,
                     const QString &muxer);

// The catalogue cascade: reads lists from the ini file, publishes the raw text and its flag to
// the movie, and keeps the split lists and current choices.
class CFormatCascade
{
public:
    CFormatCascade(CIniFile &ini, FormatCatalog &formats, ConversionSettings &settings,
                   MovieVariableWriter writeVariable);

    // Reads key of section, writes the raw value to the movie variable name and then "1" to
    // its flag variable, and refills list with the split value.
    // The video and audio codec lists of a target's muxer, its own lists first.
    void LoadCodecLists(const QString &target, const QString &muxer);
    void LoadList(const QString &name, const QString &key, const QString &section,
                  QStringList &list);

    // Start-up: the four lists in order, then the eight default settings.
    void LoadAtStartup();
    // "ID-FS-convertTo": the target, its muxers and the first muxer's codecs.
    void SelectTarget(const QString &target);
    // "ID-FS-container": the muxer and its codecs.
    void SelectMuxer(const QString &muxer);

    static QString FlagVariableFor(const QString &listVariable);

private:
    CIniFile &m_ini;
    FormatCatalog &m_formats;
    ConversionSettings &m_settings;
    MovieVariableWriter m_writeVariable;
};

// ---- Optional transcode tuning from the catalogue --------------------------------------------
//
// [transcode] deinterlace = always | interlaced | never
//     always (or no key): every source is deinterlaced, the option's plain "deinterlace";
//     interlaced: only sources whose frames are flagged interlaced; never: no source.
// [VE] <video codec> = extra transcode parameters for that codec, e.g. "venc=x264{bframes=2}";
//      <muxer>/<video codec> = the same for that codec with that muxer only, which wins over
//      the codec's own entry (an encoder whose stream one muxer cannot carry).
// A catalogue without either gives the plain option.

enum class DeinterlaceRule { Always, InterlacedOnly, Never };

struct TranscodeTuning
{
    DeinterlaceRule deinterlace = DeinterlaceRule::Always;
    // Checked extra parameters for the current video codec, or "".
    QString videoParameters;
};

inline const QString TuningSection = QStringLiteral("transcode");
inline const QString VideoParametersSection = QStringLiteral("VE");

// "" when value may go into the option's transcode{...} part, else a message naming the value,
// its section and key. The grammar admits a comma-separated list of items, each "name" or
// "name=value", where a value is a plain word (letters, digits and . + - _) or a module with its
// own list: "module{name=value,...}", one level deep. Names are letters, digits, '_' and '-'.
// Quotes, '#', ':', spaces and unbalanced braces never pass, so a value can neither leave the
// transcode part nor add an output to the chain; the names the option already sets (vcodec, vb,
// scale, acodec, ab, channels, deinterlace) and output names (dst, url, access, mux, sout,
// duplicate, std) are refused too.
QString CheckTranscodeParameters(const QString &value, const QString &section, const QString &key);

// "" when the [transcode] deinterlace value is one of always, interlaced, never (or absent).
QString CheckDeinterlaceRule(const QString &value);

// The tuning for the current settings, read from the catalogue. A value that fails its check is
// ignored (the plain option is used); CheckTranscodeTuning reports it.
TranscodeTuning ReadTranscodeTuning(CIniFile &ini, const ConversionSettings &settings);

// "" when the tuning values that apply to these settings pass their checks; else the first
// message. For the check before a run.
QString CheckTranscodeTuning(CIniFile &ini, const ConversionSettings &settings);
