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
    QStringList videoCodecList;   // [VC] <muxer>
    QStringList audioCodecList;   // [AC] <muxer>
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
