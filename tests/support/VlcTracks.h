// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// For tests that link libVLC.
#include <QList>
#include <QString>
#include <QThread>
#include <iterator>
#include <vlc/vlc.h>

// One track of a file as libVLC lists it when it parses the file (Matroska's by track number,
// ASF's in the order of the header's stream objects).
struct VlcTrack
{
    libvlc_track_type_t type = libvlc_track_unknown;
    unsigned sampleRate = 0;   // audio only
    QString language;
};

inline QList<VlcTrack> VlcTracks(const QString &path)
{
    const char *const arguments[] = {"--quiet", "--ignore-config", "--no-lua"};
    libvlc_instance_t *instance = libvlc_new(std::size(arguments), arguments);
    if (!instance)
        return {};
    QList<VlcTrack> result;
    libvlc_media_t *media = libvlc_media_new_path(instance, path.toUtf8().constData());
    if (media && libvlc_media_parse_with_options(media, libvlc_media_parse_local, 5000) == 0) {
        for (int i = 0; i < 600 && libvlc_media_get_parsed_status(media) == 0; ++i)
            QThread::msleep(10);
        libvlc_media_track_t **tracks = nullptr;
        const unsigned count = libvlc_media_tracks_get(media, &tracks);
        for (unsigned i = 0; i < count; ++i)
            result << VlcTrack{tracks[i]->i_type,
                               tracks[i]->i_type == libvlc_track_audio ? tracks[i]->audio->i_rate
                                                                        : 0u,
                               QString::fromUtf8(tracks[i]->psz_language ? tracks[i]->psz_language
                                                                         : "")};
        if (tracks)
            libvlc_media_tracks_release(tracks, count);
    }
    if (media)
        libvlc_media_release(media);
    libvlc_release(instance);
    return result;
}
