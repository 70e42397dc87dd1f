// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

class CIniFile;
class IVlcControlFactory;
struct ConversionSettings;

// The stream-output option that writes one output, and the part of libVLC's chain grammar that
// the program relies on: what a muxer or codec name and the catalogue's extra parameters may
// hold, and the option as libVLC 3 reads it.
namespace TranscodeOption {

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

// ---- The grammar -----------------------------------------------------------------------------

// A muxer or codec name: letters, digits, '_' and '-', optionally followed by one block of the
// module's own settings, "{key=value,...}" made of the same characters (and '.' in values).
bool IsModuleName(const QString &value);

// "" when value may go into the option's transcode{...} part, else a message naming the value,
// its section and key. The grammar admits a comma-separated list of items, each "name" or
// "name=value", where a value is a plain word (letters, digits and . + - _) or a module with its
// own list: "module{name=value,...}", one level deep. Names are letters, digits, '_' and '-'.
// Quotes, '#', ':', spaces and unbalanced braces never pass, so a value can neither leave the
// transcode part nor add an output to the chain; the names the option already sets (vcodec, vb,
// scale, acodec, ab, channels, deinterlace) and output names (dst, url, access, mux, sout,
// duplicate, std) are refused too.
QString CheckParameters(const QString &value, const QString &section, const QString &key);

// "" when the [transcode] deinterlace value is one of always, interlaced, never (or absent).
QString CheckDeinterlaceRule(const QString &value);

// The tuning for the current settings, read from the catalogue. A value that fails its check is
// ignored (the plain option is used); CheckTuning reports it.
TranscodeTuning ReadTuning(CIniFile &ini, const ConversionSettings &settings);

// "" when the tuning values that apply to these settings pass their checks; else the first
// message. For the check before a run.
QString CheckTuning(CIniFile &ini, const ConversionSettings &settings);

// Whether a conversion with this tuning puts text on its pictures: its video parameters name one
// of transcode's own ways to (subtitles drawn onto the pictures, a subpicture filter such as the
// marquee, the on-screen display). Without them libVLC's text renderer is never used by it.
bool DrawsText(const TranscodeTuning &tuning);

// ---- The option ------------------------------------------------------------------------------

// ":sout=#transcode{...}:std{access=file,mux=...,url="..."}" with every setting verbatim.
// Inside the quoted url, '\' and '"' are escaped as libVLC reads them, so that a file name can
// never change the chain; a path without those two characters is inserted as it is.
QString Build(const ConversionSettings &settings, const QString &outputPath);

// The same option with the catalogue's tuning for one source: the video codec's extra
// parameters after the channels, and "deinterlace" only when the tuning's rule wants it for this
// source (sourceInterlaced: the source's frames are flagged interlaced; unknown counts as
// interlaced, so a source that cannot be examined is deinterlaced as by default). With the
// default tuning this is exactly the option above.
QString Build(const ConversionSettings &settings, const QString &outputPath,
              const TranscodeTuning &tuning, std::optional<bool> sourceInterlaced);

// The option for one file as the driver starts it: the catalogue's tuning for the current
// settings read from ini, and the source examined by the VLC factory only when that tuning's
// rule depends on it.
QString BuildFor(const ConversionSettings &settings, const QString &outputPath, CIniFile &ini,
                 const QString &source, IVlcControlFactory &vlc);

// The ":sout=..." option as libVLC 3 reads it: the url key of the std{} part spelled dst,
// found by a scan that respects the chain's quoting (as libVLC's own chain parser scans it).
// Other text is left as it is.
QString RewriteStdUrlToDst(const QString &option);

// Text to go between double quotes in a stream-output chain: '\' and '"' escaped as libVLC
// reads them, nothing else changed.
QString EscapedForQuotes(const QString &text);

// A chain (already rewritten) with a statistics module of the given prefix beside its standard
// output, both under a duplicate module, and whether that output's container takes one audio
// track at most.
struct WatchedChain
{
    QString option;
    bool oneAudioTrack = false;
};
WatchedChain WatchTracks(const QString &option, const QString &prefix);

}   // namespace TranscodeOption
