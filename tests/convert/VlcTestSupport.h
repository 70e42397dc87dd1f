// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "convert/LibVlcControl.h"

#include <QString>
#include <memory>

// One libVLC instance for the whole test program, as the application shares one.
CLibVlcControlFactory &SharedVlcFactory();

// How one conversion went, as the driver would have seen it.
struct ConversionRun
{
    bool ended = false;   // both readings fell below zero before the safety limit
    bool sawProgress = false;   // time and position were both positive at some reading
    int lastTime = -1;   // the last positive time reading, in ms
};

// Reads the control until it falls idle, every few milliseconds. The limit only keeps a hang
// from blocking the run; a conversion that reaches it has failed.
ConversionRun WaitUntilIdle(CVLCControl &control, int limitSeconds = 120);

// The three families of players a Linux desktop has, each asked whether a file plays; every
// answer is empty when it does, else what went wrong.
namespace PlayerChecks {

// Started at once, read by finish(): the FFmpeg and GStreamer checks run as their own
// processes while libVLC plays the file.
class ToolChecks
{
public:
    explicit ToolChecks(const QString &path);
    ~ToolChecks();
    ToolChecks(const ToolChecks &) = delete;
    ToolChecks &operator=(const ToolChecks &) = delete;
    // FFmpeg decodes every frame of every stream without an error; GStreamer's playbin decodes
    // the file to its end without an error or a warning.
    QString ffmpegProblem();
    QString gstreamerProblem();

private:
    struct Processes;
    std::unique_ptr<Processes> m_processes;
};

// libVLC (as VLC plays it, with its sound to a dummy output) shows pictures within the first
// second of its clock, which moves; after a seek to the middle it lands near there and shows
// pictures again within a second. Pictures are counted by libVLC's picture callbacks.
QString LibVlcProblem(const QString &path);

}   // namespace PlayerChecks
