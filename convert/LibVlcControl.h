// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CVLCControl.h"
#include "OutputTracks.h"

#include <QStringList>
#include <atomic>
#include <cstdarg>
#include <memory>
#include <mutex>

struct libvlc_instance_t;
struct libvlc_media_player_t;
struct libvlc_media_t;
struct vlc_log_t;

// The libVLC instance shared by all controls of the process; made on first use.
class CLibVlcInstance
{
public:
    // Extra libVLC arguments may be given (tests use "--verbose=0" and the like).
    explicit CLibVlcInstance(const QStringList &arguments = {});
    ~CLibVlcInstance();
    CLibVlcInstance(const CLibVlcInstance &) = delete;
    CLibVlcInstance &operator=(const CLibVlcInstance &) = delete;

    // Throws CVlcError when libVLC or its plugins cannot be loaded. Safe from any thread: the
    // first caller makes the instance, the others wait for it.
    libvlc_instance_t *get();

    // Write errors of the file output are caught from libVLC's log, which belongs to the
    // instance. One attempt runs at a time: each starts a fresh watch and reads it at its end.
    void StartWriteWatch();
    QString WriteError() const;
    // libVLC's warnings and errors since the watch began, the first MaxMessages of them.
    QStringList Messages() const;
    static constexpr qsizetype MaxMessages = 40;
    // The ids of the tracks a conversion's muxer was given, in that order: as the conversion's
    // statistics module (of the given prefix) said since the watch began.
    QList<int> MuxedTracks(const QString &prefix) const;
    static constexpr qsizetype MaxMuxedTracks = 256;

    // A look at a file (its frames' interlacing, its packets, its first picture) played by a
    // player of its own. The log tells which frames were flagged interlaced and which packets
    // passed the "stats" output, but not for which player: one look at a time is let in, so
    // that what the log says while it runs is its own. A look that waits for another to end,
    // or runs when CancelLooks is called, is told to give up.
    class CLook
    {
    public:
        explicit CLook(CLibVlcInstance &instance);
        CLook(const CLook &) = delete;
        CLook &operator=(const CLook &) = delete;
        // The run the look belongs to was stopped: it ends without an answer.
        bool Cancelled() const { return m_instance.m_lookEpoch != m_epoch; }
        bool SawInterlaced() const { return m_instance.m_sawInterlaced; }
        bool SawPacket() const { return m_instance.m_sawPacket; }
        bool SawVideoPacket() const { return m_instance.m_sawVideoPacket; }

    private:
        CLibVlcInstance &m_instance;
        const quint64 m_epoch;
        std::unique_lock<std::timed_mutex> m_turn;
    };
    // Ends every look under way or waiting, at its next step; later looks are not touched.
    void CancelLooks() { ++m_lookEpoch; }

private:
    static void OnLog(void *data, int level, const vlc_log_t *context, const char *format,
                      va_list arguments);

    QStringList m_arguments;
    std::mutex m_createLock;
    std::atomic<libvlc_instance_t *> m_instance{nullptr};
    mutable std::mutex m_writeErrorLock;
    QString m_writeError;
    QStringList m_messages;
    QList<QPair<QString, int>> m_muxedTracks;
    std::atomic<bool> m_sawInterlaced{false};
    std::atomic<bool> m_sawPacket{false};
    std::atomic<bool> m_sawVideoPacket{false};
    std::timed_mutex m_lookTurn;
    std::atomic<quint64> m_lookEpoch{0};
};

// CVLCControl over one libVLC media player.
class CLibVlcControl : public CVLCControl
{
public:
    explicit CLibVlcControl(CLibVlcInstance &instance);
    ~CLibVlcControl() override;

    void stop() override;
    float GetPosition() override;
    int GetTime() override;
    void addTarget(const QString &uri, const QStringList &options, int mode, int position) override;
    void playlistClear() override;
    void SetEndNotice(std::function<void()> ended) override;
    bool HasPlayedToEnd() override;
    QString WriteError() override;
    QStringList Messages() override;
    CMediaFacts SourceFacts() override;
    CMediaFacts ProbeFile(const QString &path) override;
    // Puts the output's tracks in the source's order, with the source's languages and default
    // audio track (see OutputTracks); empty unless rewriting its header failed.
    QString ArrangeTracks(const QString &path) override;

private:
    // An item is opening, buffering, playing or paused. An item found ended or failed is
    // stopped here, which closes its output file.
    bool isActive();
    // Whether the item that just ended had really been read.
    bool readEndOfItem();
    // The kinds of stream and the length of a file, as its header says or, failing that, as
    // one pass over it finds.
    CMediaFacts readFileFacts(const QString &path, const CLibVlcInstance::CLook &look);
    // Whether a file holds a video packet, read without decoding; nullopt when libVLC's
    // packet statistics did not say.
    std::optional<bool> holdsVideoPackets(const QString &path, const CLibVlcInstance::CLook &look);
    // Whether libVLC shows a picture of the file's video within ShowLimitMs of playing it from
    // the start, to no window and its sound to no device; nullopt when it could not be played.
    std::optional<bool> showsFirstPicture(const QString &path, const CLibVlcInstance::CLook &look);

    // libVLC's end and error events of the player, passed to m_endNotice.
    static void OnPlayerEnded(const struct libvlc_event_t *event, void *data);
    void WatchEnd(bool watch);

    CLibVlcInstance &m_instance;
    libvlc_media_player_t *m_player = nullptr;
    // Set before the player exists and read by libVLC's threads only while it is watched.
    std::function<void()> m_endNotice;
    bool m_watchingEnd = false;
    CMediaFacts m_sourceFacts;
    QString m_sourcePath;
    QString m_trackPrefix;
    QList<OutputTracks::SourceTrack> m_sourceTracks;
    bool m_playedToEnd = false;
    bool m_playRequested = false;
};

// Production factory: a fresh CLibVlcControl per attempt over the shared instance.
class CLibVlcControlFactory : public IVlcControlFactory
{
public:
    explicit CLibVlcControlFactory(const QStringList &arguments = {});
    std::unique_ptr<CVLCControl> CreateControl() override;
    // Plays the first frames of the source to no window and no sound, and reads libVLC's own
    // verdict on them (its video output reports "Detected interlaced video" for a frame not
    // flagged progressive). Costs a few decoded frames and at most ProbeLimitMs.
    std::optional<bool> IsInterlaced(const QString &source) override;
    void CancelLooks() override { m_instance.CancelLooks(); }

    static constexpr int ProbeLimitMs = 3000;
    // How long a finished output may take to show its first picture in libVLC. Every output of
    // the shipped catalogue shows one within 0.4 s; the rest is room for a busy machine.
    static constexpr int ShowLimitMs = 5000;

private:
    CLibVlcInstance m_instance;
};
