// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

// Thrown when libVLC fails a call, or cannot be created at all (library or plugins missing).
class CVlcError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// What a media file holds, as libVLC reads it.
struct CMediaFacts
{
    bool readable = false;   // libVLC could open it at all
    bool hasVideo = false;
    bool hasAudio = false;
    qint64 lengthMs = -1;   // -1 when the file does not say
    // Why a player cannot show the video from its first frame (libVLC shows no picture from
    // the start, or an MP4 index says the first frame is no key frame); empty when it can.
    QString playbackFault = {};
};

// The transcoding control: one media player, used for one attempt at one file.
//
// Contract the conversion driver relies on:
// - addTarget(source, options, 10, -666) replaces the item and plays the file through the
//   stream output given in the options; it returns at once and never shows a window.
// - GetPosition() and GetTime() read -1 whenever no item is opening, buffering, playing or
//   paused (ended, stopped, failed, or no item); otherwise libVLC's position (0..1) and time (ms).
// - playlistClear() stops and drops the item: the control is idle afterwards.
// - stop() stops playback and writing at once.
// Failures throw CVlcError.
class CVLCControl
{
public:
    virtual ~CVLCControl() = default;

    virtual void stop() = 0;
    virtual float GetPosition() = 0;
    virtual int GetTime() = 0;
    virtual void addTarget(const QString &uri, const QStringList &options, int mode, int position)
        = 0;
    virtual void playlistClear() = 0;

    // Called, on one of libVLC's own threads, when the item of the next addTarget stops playing
    // for good: it reached its end or failed. It may only pass the news on to another thread;
    // calling the control from it would deadlock. A control that cannot tell leaves the end to
    // the next reading.
    virtual void SetEndNotice(std::function<void()> ended) { Q_UNUSED(ended); }

    // True when the current item played to its end after it really started (libVLC kept a
    // positive final position and time). A short file can finish between two polls of the
    // driver; this is how the driver still learns that it converted.
    virtual bool HasPlayedToEnd() { return false; }

    // The first error the file output met while writing this attempt's output (disk full,
    // folder gone, no permission); empty when it wrote everything it was given.
    virtual QString WriteError() { return {}; }
    // libVLC's warnings and errors about this attempt, in the order they came.
    virtual QStringList Messages() { return {}; }
    // What the current item holds, as far as it has been read (taken before playlistClear).
    virtual CMediaFacts SourceFacts() { return {}; }
    // Reads a finished file: the kinds of stream it holds, its length, and whether libVLC
    // shows its video from the first frame. Video counts only when the file holds a packet of
    // it. Safe to call from any thread.
    virtual CMediaFacts ProbeFile(const QString &path) = 0;
    // Puts a finished output's tracks as the source had them (order, languages, default
    // track), where its container and the control allow. Empty when the output was arranged
    // or left as the muxer wrote it; else why it is not whole. Called once the item is
    // cleared, before the output is read. Safe to call from any thread.
    virtual QString ArrangeTracks(const QString &path)
    {
        Q_UNUSED(path);
        return {};
    }
};

// Makes a fresh control for every attempt. Tests hand in a factory of scripted fakes.
class IVlcControlFactory
{
public:
    virtual ~IVlcControlFactory() = default;
    // Throws CVlcError when no control can be made.
    virtual std::unique_ptr<CVLCControl> CreateControl() = 0;

    // Whether the source's first video frames are flagged interlaced; nullopt when that cannot
    // be told (no video, unreadable, or a factory that does not look). Never throws.
    virtual std::optional<bool> IsInterlaced(const QString &source)
    {
        Q_UNUSED(source);
        return std::nullopt;
    }
    // The run was stopped: every look at a file under way (IsInterlaced, a control's
    // ProbeFile) ends soon without an answer. Never throws.
    virtual void CancelLooks() { }
};
