// SPDX-License-Identifier: GPL-3.0-or-later
#include "LibVlcControl.h"

#include "Mp4SyncSample.h"
#include "OutputTracks.h"
#include "TranscodeOption.h"

#include <vlc/vlc.h>

#include <QByteArray>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

namespace {

// Transcoding only: nothing may open a window or a sound device, and nothing from the user's
// own VLC set-up (its vlcrc, subtitle files lying beside a source) may change an output.
// A stream-output chain needs no video or audio output module, so the dummy ones cost nothing.
const char *const DefaultArguments[] = {
    "--quiet",
    "--ignore-config",
    "--no-lua",
    // Statistics stay on: the bytes demuxed tell a short file that converted between two
    // readings from one that could not be read at all.
    "--no-video-title-show",
    "--no-sub-autodetect-file",
    "--vout=dummy",
    "--aout=dummy",
};

// Mode bit of addTarget that starts playing the item (10 = replace and go).
constexpr int ModeGo = 8;

// How long reading a finished output may take: its header, then (for containers that say
// nothing without being read) a pass over the whole file without decoding anything.
constexpr auto ParseLimit = std::chrono::seconds(5);
constexpr auto ScanLimit = std::chrono::seconds(60);
constexpr auto WaitStep = std::chrono::milliseconds(5);

// Waits in small steps until done() holds or limit has passed; whether done() held.
template <typename Done>
bool waitUntil(std::chrono::milliseconds limit, Done done)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(WaitStep);
    }
    return true;
}

bool hasStopped(libvlc_media_player_t *player)
{
    const libvlc_state_t state = libvlc_media_player_get_state(player);
    return state == libvlc_Ended || state == libvlc_Error;
}

// The kinds of stream and the length libVLC knows of a media.
CMediaFacts readFacts(libvlc_media_t *media)
{
    CMediaFacts facts;
    libvlc_media_track_t **tracks = nullptr;
    const unsigned count = libvlc_media_tracks_get(media, &tracks);
    for (unsigned i = 0; i < count; ++i) {
        if (tracks[i]->i_type == libvlc_track_video)
            facts.hasVideo = true;
        else if (tracks[i]->i_type == libvlc_track_audio)
            facts.hasAudio = true;
    }
    if (tracks)
        libvlc_media_tracks_release(tracks, count);
    facts.readable = facts.hasVideo || facts.hasAudio;
    const libvlc_time_t length = libvlc_media_get_duration(media);
    facts.lengthMs = length > 0 ? length : -1;
    return facts;
}

struct MediaRelease
{
    void operator()(libvlc_media_t *media) const { libvlc_media_release(media); }
};
using MediaPtr = std::unique_ptr<libvlc_media_t, MediaRelease>;

// A player made for one look at a file: stopped and released however the look ends.
struct PlayerStopRelease
{
    void operator()(libvlc_media_player_t *player) const
    {
        libvlc_media_player_stop(player);
        libvlc_media_player_release(player);
    }
};
using LookPlayerPtr = std::unique_ptr<libvlc_media_player_t, PlayerStopRelease>;

[[noreturn]] void fail(const char *what)
{
    const char *detail = libvlc_errmsg();
    std::string message = what;
    if (detail && *detail) {
        message += ": ";
        message += detail;
    }
    libvlc_clearerr();
    throw CVlcError(message);
}

// The tracks of the source as libVLC read them, in its order.
QList<OutputTracks::SourceTrack> readSourceTracks(libvlc_media_t *media)
{
    QList<OutputTracks::SourceTrack> result;
    libvlc_media_track_t **tracks = nullptr;
    const unsigned count = libvlc_media_tracks_get(media, &tracks);
    for (unsigned i = 0; i < count; ++i) {
        OutputTracks::SourceTrack track;
        track.id = tracks[i]->i_id;
        track.kind = tracks[i]->i_type == libvlc_track_video   ? OutputTracks::Kind::Video
                     : tracks[i]->i_type == libvlc_track_audio ? OutputTracks::Kind::Audio
                                                               : OutputTracks::Kind::Other;
        if (tracks[i]->psz_language)
            track.language = QString::fromUtf8(tracks[i]->psz_language).toLower();
        result << track;
    }
    if (tracks)
        libvlc_media_tracks_release(tracks, count);
    return result;
}

// Each conversion's chain names its own statistics module, given every track right after the
// standard output: its log tells the order in which the muxer was given them.
constexpr char TrackWatchPrefix[] = "movarin-tracks-";
std::atomic<unsigned> trackWatchCount{0};

// Whether a "stats" module's prefix is a conversion's track watch.
bool isTrackWatch(const char *prefix)
{
    return prefix && std::strncmp(prefix, TrackWatchPrefix, sizeof TrackWatchPrefix - 1) == 0;
}

}   // namespace

// ---- CLibVlcInstance -------------------------------------------------------------------------

CLibVlcInstance::CLibVlcInstance(const QStringList &arguments)
    : m_arguments(arguments)
{
}

CLibVlcInstance::~CLibVlcInstance()
{
    if (libvlc_instance_t *instance = m_instance.load()) {
        libvlc_log_unset(instance);
        libvlc_release(instance);
    }
}

CLibVlcInstance::CLook::CLook(CLibVlcInstance &instance)
    : m_instance(instance)
    , m_epoch(instance.m_lookEpoch)
    , m_turn(instance.m_lookTurn, std::defer_lock)
{
    while (!m_turn.try_lock_for(WaitStep)) {
        if (Cancelled())
            return;
    }
    m_instance.m_sawInterlaced = false;
    m_instance.m_sawPacket = false;
    m_instance.m_sawVideoPacket = false;
}

void CLibVlcInstance::OnLog(void *data, int level, const vlc_log_t *context, const char *format,
                            va_list arguments)
{
    auto *self = static_cast<CLibVlcInstance *>(data);
    // The video output says this, with "interlaced" or "progressive", whenever the frames it is
    // given change between the two; it starts out progressive, so only interlaced is ever told.
    if (format && std::strcmp(format, "Detected %s video") == 0) {
        va_list copy;
        va_copy(copy, arguments);
        const char *kind = va_arg(copy, const char *);
        va_end(copy);
        if (kind && std::strcmp(kind, "interlaced") == 0)
            self->m_sawInterlaced = true;
        return;
    }
    // The "stats" stream output says this for every track it is given; a conversion's own
    // module, beside its standard output, tells the order in which the muxer was given them.
    if (format && std::strcmp(format, "%s: Adding track type:%s id:%d") == 0) {
        va_list copy;
        va_copy(copy, arguments);
        const char *prefix = va_arg(copy, const char *);
        va_arg(copy, const char *);   // the type
        const int id = va_arg(copy, int);
        va_end(copy);
        if (isTrackWatch(prefix)) {
            const std::lock_guard guard(self->m_writeErrorLock);
            if (self->m_muxedTracks.size() < MaxMuxedTracks)
                self->m_muxedTracks.append({QString::fromUtf8(prefix), id});
        }
        return;
    }
    // And this for every packet that passes it.
    if (format
        && std::strcmp(format, "%s: track:%d type:%s segment_number:%lu dts_difference:%ld "
                               "length:%ld md5:%16s")
               == 0) {
        va_list copy;
        va_copy(copy, arguments);
        const char *prefix = va_arg(copy, const char *);
        va_arg(copy, int);   // the track
        const char *type = va_arg(copy, const char *);
        va_end(copy);
        if (isTrackWatch(prefix))
            return;   // a conversion's, not a look at a file
        if (type && std::strcmp(type, "Video") == 0)
            self->m_sawVideoPacket = true;
        self->m_sawPacket = true;
        return;
    }
    if (level < LIBVLC_WARNING)
        return;
    const char *objectType = nullptr;
    const char *header = nullptr;
    uintptr_t id = 0;
    libvlc_log_get_object(context, &objectType, &header, &id);
    // Warnings and errors go into the attempt's record, the first ones of each attempt only.
    {
        char message[512];
        va_list copy;
        va_copy(copy, arguments);
        std::vsnprintf(message, sizeof message, format ? format : "", copy);
        va_end(copy);
        const std::lock_guard guard(self->m_writeErrorLock);
        if (self->m_messages.size() < MaxMessages)
            self->m_messages << QStringLiteral("%1 %2: %3")
                                    .arg(level >= LIBVLC_ERROR ? QStringLiteral("error")
                                                               : QStringLiteral("warning"),
                                         QString::fromUtf8(objectType ? objectType : "?"),
                                         QString::fromUtf8(message));
    }
    if (level < LIBVLC_ERROR)
        return;
    // The file output says "cannot write: ..." for every block it could not write; the
    // muxer goes on regardless and would leave a cut-off file that looks finished.
    if (!objectType || std::strcmp(objectType, "access out") != 0)
        return;
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    const std::lock_guard guard(self->m_writeErrorLock);
    if (self->m_writeError.isEmpty())
        self->m_writeError = QString::fromUtf8(text);
}

void CLibVlcInstance::StartWriteWatch()
{
    const std::lock_guard guard(m_writeErrorLock);
    m_writeError.clear();
    m_messages.clear();
    m_muxedTracks.clear();
}

QList<int> CLibVlcInstance::MuxedTracks(const QString &prefix) const
{
    const std::lock_guard guard(m_writeErrorLock);
    QList<int> ids;
    for (const auto &[owner, id] : m_muxedTracks)
        if (owner == prefix)
            ids << id;
    return ids;
}

QStringList CLibVlcInstance::Messages() const
{
    const std::lock_guard guard(m_writeErrorLock);
    return m_messages;
}

QString CLibVlcInstance::WriteError() const
{
    const std::lock_guard guard(m_writeErrorLock);
    return m_writeError;
}

libvlc_instance_t *CLibVlcInstance::get()
{
    if (libvlc_instance_t *instance = m_instance.load())
        return instance;
    const std::lock_guard guard(m_createLock);
    if (libvlc_instance_t *instance = m_instance.load())
        return instance;
    std::vector<QByteArray> extra;
    extra.reserve(static_cast<size_t>(m_arguments.size()));
    for (const QString &argument : m_arguments)
        extra.push_back(argument.toUtf8());
    std::vector<const char *> argv(std::begin(DefaultArguments), std::end(DefaultArguments));
    for (const QByteArray &argument : extra)
        argv.push_back(argument.constData());
    libvlc_instance_t *instance = libvlc_new(static_cast<int>(argv.size()), argv.data());
    if (!instance)
        fail("libVLC cannot be started (is VLC with its plugins installed?)");
    libvlc_log_set(instance, &CLibVlcInstance::OnLog, this);
    m_instance = instance;
    return instance;
}

// ---- CLibVlcControl --------------------------------------------------------------------------

CLibVlcControl::CLibVlcControl(CLibVlcInstance &instance)
    : m_instance(instance)
{
}

CLibVlcControl::~CLibVlcControl()
{
    playlistClear();
}

void CLibVlcControl::SetEndNotice(std::function<void()> ended)
{
    WatchEnd(false);
    m_endNotice = std::move(ended);
}

void CLibVlcControl::OnPlayerEnded(const libvlc_event_t *, void *data)
{
    static_cast<CLibVlcControl *>(data)->m_endNotice();
}

void CLibVlcControl::WatchEnd(bool watch)
{
    if (!m_player || watch == m_watchingEnd || (watch && !m_endNotice))
        return;
    libvlc_event_manager_t *events = libvlc_media_player_event_manager(m_player);
    for (const libvlc_event_type_t type :
         {libvlc_MediaPlayerEndReached, libvlc_MediaPlayerEncounteredError}) {
        if (watch)
            libvlc_event_attach(events, type, &CLibVlcControl::OnPlayerEnded, this);
        else
            // Returns once no call of ours runs any more.
            libvlc_event_detach(events, type, &CLibVlcControl::OnPlayerEnded, this);
    }
    m_watchingEnd = watch;
}

void CLibVlcControl::stop()
{
    // Our own stop is no news to anyone.
    WatchEnd(false);
    // libVLC's stop waits for the input and the stream output to close, so the output file
    // is complete and no longer written when this returns.
    if (m_player)
        libvlc_media_player_stop(m_player);
    m_playRequested = false;
}

void CLibVlcControl::playlistClear()
{
    if (!m_player)
        return;
    WatchEnd(false);
    libvlc_media_player_stop(m_player);
    libvlc_media_player_release(m_player);
    m_player = nullptr;
    m_playRequested = false;
    m_playedToEnd = false;
    m_sourceFacts = {};
}

bool CLibVlcControl::readEndOfItem()
{
    // libVLC keeps the last position and time of an item that ended (0 and 0 when it could not
    // be opened). A short file may end before libVLC has reported any position at all; what it
    // demuxed shows it was read all the same. An unreadable file ends too, with nothing demuxed.
    if (libvlc_media_player_get_position(m_player) > 0.0f
        && libvlc_media_player_get_time(m_player) > 0)
        return true;
    libvlc_media_t *media = libvlc_media_player_get_media(m_player);
    if (!media)
        return false;
    libvlc_media_stats_t stats{};
    const bool read = libvlc_media_get_stats(media, &stats) && stats.i_demux_read_bytes > 0;
    libvlc_media_release(media);
    // Some demuxers (AVI's) count nothing; the muxer given decoded tracks shows the read too.
    return read || !m_instance.MuxedTracks(m_trackPrefix).isEmpty();
}

bool CLibVlcControl::HasPlayedToEnd()
{
    isActive();   // notices an end that no reading has seen yet
    return m_playedToEnd;
}

bool CLibVlcControl::isActive()
{
    if (!m_player)
        return false;
    switch (libvlc_media_player_get_state(m_player)) {
    case libvlc_Opening:
    case libvlc_Buffering:
    case libvlc_Playing:
    case libvlc_Paused:
        return true;
    case libvlc_NothingSpecial:
        // Play returns before the input thread reports its first state: an item that was just
        // started is opening, not idle.
        return m_playRequested;
    case libvlc_Ended:
        if (m_playRequested)
            m_playedToEnd = readEndOfItem();
        [[fallthrough]];
    case libvlc_Error:
        if (m_playRequested) {
            libvlc_media_t *media = libvlc_media_player_get_media(m_player);
            if (media) {
                m_sourceFacts = readFacts(media);
                m_sourceTracks = readSourceTracks(media);
                libvlc_media_release(media);
            }
        }
        // An ended item still holds its stream output open, and some muxers (MP4's index)
        // write the end of the file only when it closes. Stop it now, so that readings of -1
        // always mean a complete output that nothing writes to any more.
        if (m_playRequested)
            stop();
        break;
    case libvlc_Stopped:
        break;
    }
    return false;
}

float CLibVlcControl::GetPosition()
{
    if (!isActive())
        return -1.0f;
    const float position = libvlc_media_player_get_position(m_player);
    // A reading taken while the input is still being set up may be -1 or NaN; the item is not
    // over, so it must not read like one that is.
    return std::isfinite(position) && position > 0.0f ? position : 0.0f;
}

int CLibVlcControl::GetTime()
{
    if (!isActive())
        return -1;
    const libvlc_time_t time = libvlc_media_player_get_time(m_player);
    if (time <= 0)
        return 0;
    return time > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                  : static_cast<int>(time);
}

void CLibVlcControl::addTarget(const QString &uri, const QStringList &options, int mode,
                               int position)
{
    // The playlist holds one item at most, so the insertion position has no meaning here.
    Q_UNUSED(position);
    playlistClear();

    libvlc_media_t *media = libvlc_media_new_path(m_instance.get(), uri.toUtf8().constData());
    if (!media)
        fail("libVLC cannot open the source");
    m_sourcePath = uri;
    m_sourceTracks.clear();
    m_trackPrefix = QLatin1String(TrackWatchPrefix) + QString::number(++trackWatchCount);
    for (const QString &option : options) {
        const TranscodeOption::WatchedChain watched
            = TranscodeOption::WatchTracks(TranscodeOption::RewriteStdUrlToDst(option),
                                           m_trackPrefix);
        libvlc_media_add_option(media, watched.option.toUtf8().constData());
        // Without sout-all libVLC converts the tracks it would play: one video, and of the
        // audio tracks the source's default.
        if (watched.oneAudioTrack)
            libvlc_media_add_option(media, ":no-sout-all");
    }

    // A fresh player for every item: nothing of an earlier attempt can carry over.
    m_player = libvlc_media_player_new_from_media(media);
    libvlc_media_release(media);
    if (!m_player)
        fail("libVLC cannot make a media player");

    if (mode & ModeGo) {
        m_instance.StartWriteWatch();
        WatchEnd(true);
        if (libvlc_media_player_play(m_player) != 0) {
            WatchEnd(false);
            libvlc_media_player_release(m_player);
            m_player = nullptr;
            fail("libVLC cannot play the source");
        }
        m_playRequested = true;
    }
}

QStringList CLibVlcControl::Messages()
{
    return m_instance.Messages();
}

QString CLibVlcControl::WriteError()
{
    return m_instance.WriteError();
}

CMediaFacts CLibVlcControl::SourceFacts()
{
    isActive();   // notices an end that no reading has seen yet
    return m_sourceFacts;
}

CMediaFacts CLibVlcControl::ProbeFile(const QString &path)
{
    m_instance.get();
    const CLibVlcInstance::CLook look(m_instance);
    if (look.Cancelled())
        return {};
    CMediaFacts facts = readFileFacts(path, look);
    if (!facts.hasVideo || look.Cancelled())
        return facts;
    // An MP4 index that leaves the first frame out of its key frames: VLC cannot seek to
    // anything before the next key frame (up to ten seconds in), and a player that trusts the
    // index starts no picture before it. Read from the file's boxes: one read of the movie box.
    if (Mp4SyncSample::CheckFile(path) == Mp4SyncSample::Verdict::FirstSampleNotSync) {
        facts.playbackFault = QStringLiteral("its index does not mark the first frame as a key "
                                             "frame");
        return facts;
    }
    // A picture shown at once says that the video holds packets and plays from its start.
    if (showsFirstPicture(path, look).value_or(true) || look.Cancelled())
        return facts;
    // libVLC can write a video stream that holds no picture at all (its x264 encoder, given
    // fewer frames than it looks ahead, hands over none), and still name it in the header.
    facts.hasVideo = holdsVideoPackets(path, look).value_or(true);
    if (facts.hasVideo)
        facts.playbackFault = QStringLiteral("VLC shows no picture from its start");
    return facts;
}

namespace {

// The picture callbacks' side of one playing: pictures land in a small buffer and are counted.
struct PictureCounter
{
    static constexpr unsigned Width = 32;
    static constexpr unsigned Height = 18;
    std::vector<char> pixels = std::vector<char>(Width * Height * 4 + 64);
    std::atomic<int> shown{0};

    static void *lock(void *opaque, void **planes)
    {
        *planes = static_cast<PictureCounter *>(opaque)->pixels.data();
        return nullptr;
    }
    static void display(void *opaque, void *) { ++static_cast<PictureCounter *>(opaque)->shown; }

    // The player's pictures go here, scaled down, instead of to its video output's window.
    void ShowInto(libvlc_media_player_t *player)
    {
        libvlc_video_set_callbacks(player, &lock, nullptr, &display, this);
        libvlc_video_set_format(player, "RV32", Width, Height, Width * 4);
    }
};

}   // namespace

std::optional<bool> CLibVlcControl::showsFirstPicture(const QString &path,
                                                      const CLibVlcInstance::CLook &look)
{
    MediaPtr media(libvlc_media_new_path(m_instance.get(), path.toUtf8().constData()));
    if (!media)
        return std::nullopt;
    // Played as VLC plays it, sound included (to the dummy output): without its sound, libVLC's
    // Ogg reader never starts the pictures of a file with Opus sound. Nothing is read ahead: a
    // player that has read ahead takes a tenth of a second more to stop.
    for (const char *option : {":no-spu", ":file-caching=0"})
        libvlc_media_add_option(media.get(), option);
    // Each playing has its own counter, so probes on several threads never meet. It is made
    // before the player, which may still call it while it stops.
    PictureCounter counter;
    const LookPlayerPtr playing(libvlc_media_player_new_from_media(media.get()));
    libvlc_media_player_t *player = playing.get();
    if (!player)
        return std::nullopt;
    counter.ShowInto(player);
    std::optional<bool> verdict;
    if (libvlc_media_player_play(player) == 0) {
        waitUntil(std::chrono::milliseconds(CLibVlcControlFactory::ShowLimitMs),
                  [&] { return counter.shown > 0 || hasStopped(player) || look.Cancelled(); });
        // A file that ended at once was not played: it says nothing either way.
        if (counter.shown > 0 || libvlc_media_player_get_state(player) != libvlc_Error)
            verdict = counter.shown > 0;
    }
    return verdict;
}

std::optional<bool> CLibVlcControl::holdsVideoPackets(const QString &path,
                                                      const CLibVlcInstance::CLook &look)
{
    // Demultiplexed into the statistics output, as fast as the file can be read: no decoding
    // and no clock. The first video packet ends the pass.
    MediaPtr media(libvlc_media_new_path(m_instance.get(), path.toUtf8().constData()));
    if (!media)
        return std::nullopt;
    libvlc_media_add_option(media.get(), ":sout=#stats");
    const LookPlayerPtr playing(libvlc_media_player_new_from_media(media.get()));
    libvlc_media_player_t *player = playing.get();
    if (!player)
        return std::nullopt;
    std::optional<bool> verdict;
    if (libvlc_media_player_play(player) == 0) {
        waitUntil(ScanLimit,
                  [&] { return look.SawVideoPacket() || hasStopped(player) || look.Cancelled(); });
        if (look.SawVideoPacket())
            verdict = true;
        else if (look.SawPacket() && libvlc_media_player_get_state(player) == libvlc_Ended)
            verdict = false;   // read to its end: packets, but none of video
    }
    return verdict;
}

CMediaFacts CLibVlcControl::readFileFacts(const QString &path, const CLibVlcInstance::CLook &look)
{
    libvlc_instance_t *instance = m_instance.get();
    const QByteArray file = path.toUtf8();

    // Most containers say what they hold in their header or index.
    MediaPtr media(libvlc_media_new_path(instance, file.constData()));
    if (!media)
        return {};
    const auto parseLimit = std::chrono::duration_cast<std::chrono::milliseconds>(ParseLimit);
    if (libvlc_media_parse_with_options(media.get(), libvlc_media_parse_local,
                                        static_cast<int>(parseLimit.count()))
        == 0) {
        waitUntil(parseLimit + std::chrono::seconds(1), [&] {
            return libvlc_media_get_parsed_status(media.get()) != 0 || look.Cancelled();
        });
        if (look.Cancelled())
            return {};
        if (libvlc_media_get_parsed_status(media.get()) == libvlc_media_parsed_status_done) {
            const CMediaFacts facts = readFacts(media.get());
            if (facts.readable && facts.lengthMs > 0)
                return facts;
        }
    }

    // Others (MPEG program streams, or a file whose header is missing) show their streams and
    // length only when read: demultiplex it once into nowhere, decoding nothing.
    media.reset(libvlc_media_new_path(instance, file.constData()));
    if (!media)
        return {};
    libvlc_media_add_option(media.get(), ":sout=#dummy");
    const LookPlayerPtr playing(libvlc_media_player_new_from_media(media.get()));
    libvlc_media_player_t *player = playing.get();
    if (!player)
        return {};
    CMediaFacts facts;
    if (libvlc_media_player_play(player) == 0) {
        waitUntil(ScanLimit, [&] { return hasStopped(player) || look.Cancelled(); });
        if (!look.Cancelled() && libvlc_media_player_get_state(player) == libvlc_Ended)
            facts = readFacts(media.get());
    }
    return facts;
}

QString CLibVlcControl::ArrangeTracks(const QString &path)
{
    const QList<int> muxed = m_instance.MuxedTracks(m_trackPrefix);
    if (muxed.isEmpty() || m_sourceTracks.isEmpty())
        return {};
    // libVLC does not say which track a source flags default: its header does, for the
    // containers whose header is read here; their tracks come in libVLC's order.
    QList<OutputTracks::SourceTrack> source = m_sourceTracks;
    if (const auto header = OutputTracks::ReadTracks(m_sourcePath)) {
        QList<bool> flags;
        for (const OutputTracks::HeaderTrack &track : *header)
            if (track.kind == OutputTracks::Kind::Audio)
                flags << track.isDefault;
        qsizetype audio = 0;
        for (const OutputTracks::SourceTrack &track : std::as_const(source))
            audio += track.kind == OutputTracks::Kind::Audio ? 1 : 0;
        if (audio == flags.size()) {
            qsizetype next = 0;
            for (OutputTracks::SourceTrack &track : source)
                if (track.kind == OutputTracks::Kind::Audio)
                    track.isDefault = flags[next++];
        }
    }
    OutputTracks::Outcome outcome = OutputTracks::Arrange(path,
                                                          OutputTracks::PlanFor(muxed, source));
    if (outcome == OutputTracks::Outcome::Mismatch) {
        // Muxers that take only pictures and sound refuse the rest (subtitles, data), which
        // the statistics module saw all the same.
        QList<int> kept;
        for (const int id : muxed) {
            const auto found = std::find_if(source.cbegin(), source.cend(),
                                            [&](const auto &t) { return t.id == id; });
            if (found == source.cend() || found->kind != OutputTracks::Kind::Other)
                kept << id;
        }
        if (kept.size() != muxed.size())
            outcome = OutputTracks::Arrange(path, OutputTracks::PlanFor(kept, source));
    }
    // A header that does not read, or other tracks than the muxer was given, are left as the
    // muxer wrote them: the read-back judges that file. Only a failed write leaves one that
    // is neither.
    return outcome == OutputTracks::Outcome::WriteFailed
               ? QStringLiteral("its track list could not be rewritten")
               : QString();
}

// ---- CLibVlcControlFactory -------------------------------------------------------------------

CLibVlcControlFactory::CLibVlcControlFactory(const QStringList &arguments)
    : m_instance(arguments)
{
}

std::unique_ptr<CVLCControl> CLibVlcControlFactory::CreateControl()
{
    m_instance.get();   // throws when libVLC cannot be started
    return std::make_unique<CLibVlcControl>(m_instance);
}

std::optional<bool> CLibVlcControlFactory::IsInterlaced(const QString &source)
{
    libvlc_instance_t *instance = nullptr;
    try {
        instance = m_instance.get();
    } catch (const CVlcError &) {
        return std::nullopt;
    }
    const CLibVlcInstance::CLook look(m_instance);
    if (look.Cancelled())
        return std::nullopt;
    MediaPtr media(libvlc_media_new_path(instance, source.toUtf8().constData()));
    if (!media)
        return std::nullopt;
    // Pictures only, shown at once into a small buffer: no sound, no subtitles, no caching.
    for (const char *option : {":no-audio", ":no-spu", ":file-caching=0", ":deinterlace=0"})
        libvlc_media_add_option(media.get(), option);
    PictureCounter counter;
    const LookPlayerPtr playing(libvlc_media_player_new_from_media(media.get()));
    libvlc_media_player_t *player = playing.get();
    if (!player)
        return std::nullopt;
    // Counted as they are shown: libVLC's own statistics say it only every quarter second.
    counter.ShowInto(player);

    // The output tells a frame's flag once it has shown the frame, before the next one: two
    // shown frames without the message mean progressive ones.
    if (libvlc_media_player_play(player) == 0)
        waitUntil(std::chrono::milliseconds(ProbeLimitMs), [&] {
            return look.SawInterlaced() || counter.shown >= 2 || hasStopped(player)
                   || look.Cancelled();
        });
    std::optional<bool> verdict;
    if (look.Cancelled())
        return verdict;
    if (look.SawInterlaced())
        verdict = true;
    else if (counter.shown >= 2)
        verdict = false;
    return verdict;
}
