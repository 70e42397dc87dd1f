// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CVLCControl.h"
#include "OutputTracks.h"

#include <QStringList>
#include <atomic>
#include <memory>
#include <cstdarg>
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

    // Throws CVlcError when libVLC or its plugins cannot be loaded.
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
    // The same log tells whether the video output was given frames flagged interlaced.
    void StartInterlaceWatch() { m_sawInterlaced = false; }
    bool SawInterlaced() const { return m_sawInterlaced; }
    // And, with a file played into the "stats" stream output, which kinds of packet it holds.
    void StartPacketWatch()
    {
        m_sawPacket = false;
        m_sawVideoPacket = false;
    }
    bool SawPacket() const { return m_sawPacket; }
    bool SawVideoPacket() const { return m_sawVideoPacket; }

private:
    static void OnLog(void *data, int level, const vlc_log_t *context, const char *format,
                      va_list arguments);

    QStringList m_arguments;
    libvlc_instance_t *m_instance = nullptr;
    mutable std::mutex m_writeErrorLock;
    QString m_writeError;
    QStringList m_messages;
    QList<QPair<QString, int>> m_muxedTracks;
    std::atomic<bool> m_sawInterlaced{false};
    std::atomic<bool> m_sawPacket{false};
    std::atomic<bool> m_sawVideoPacket{false};
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
    bool HasPlayedToEnd() override;
    QString WriteError() override;
    QStringList Messages() override;
    CMediaFacts SourceFacts() override;
    CMediaFacts ProbeFile(const QString &path) override;

    // The ":sout=..." option as libVLC 3 reads it: the url key of the std{} part spelled dst,
    // found by a scan that respects the chain's quoting. Other text is left as it is.
    static QString rewriteStdUrlToDst(const QString &option);

    // Puts the output's tracks in the source's order, with the source's languages and default
    // audio track (see OutputTracks); empty unless rewriting its header failed.
    QString ArrangeTracks(const QString &path) override;

    // The chain with a statistics module of the given prefix beside its standard output (both
    // under a duplicate module), and whether that output's container takes one audio track at
    // most.
    struct WatchedChain
    {
        QString option;
        bool oneAudioTrack = false;
    };
    static WatchedChain watchTracks(const QString &option, const QString &prefix);

private:
    // An item is opening, buffering, playing or paused. An item found ended or failed is
    // stopped here, which closes its output file.
    bool isActive();
    // Whether the item that just ended had really been read.
    bool readEndOfItem();
    // The kinds of stream and the length of a file, as its header says or, failing that, as
    // one pass over it finds.
    CMediaFacts readFileFacts(const QString &path);
    // Whether a file holds a video packet, read without decoding; nullopt when libVLC's
    // packet statistics did not say.
    std::optional<bool> holdsVideoPackets(const QString &path);
    // Whether libVLC shows a picture of the file's video within ShowLimitMs of playing it from
    // the start, to no window and its sound to no device; nullopt when it could not be played.
    std::optional<bool> showsFirstPicture(const QString &path);

    CLibVlcInstance &m_instance;
    libvlc_media_player_t *m_player = nullptr;
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

    static constexpr int ProbeLimitMs = 3000;
    // How long a finished output may take to show its first picture in libVLC. Every output of
    // the shipped catalogue shows one within 0.4 s; the rest is room for a busy machine.
    static constexpr int ShowLimitMs = 5000;

private:
    CLibVlcInstance m_instance;
};
