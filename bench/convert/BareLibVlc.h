// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Bare libVLC: each source converted with the option given for it, one fresh player per file,
// polled finely. No look at the source, no check of the output, no pause and no one-second
// poll: libVLC's own speed, the yardstick the program's costs are measured against.
#include "convert/CVLCControl.h"

#include <QStringList>
#include <QThread>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

// Converts sources[i] with options[i], lanes files at once (each lane a thread of its own taking
// the next file when its last one ends). False when libVLC refused to start a file.
inline bool ConvertBare(IVlcControlFactory &factory, const QStringList &sources,
                        const QStringList &options, int lanes = 1)
{
    std::atomic<qsizetype> next{0};
    std::atomic<bool> refused{false};
    const auto lane = [&] {
        for (qsizetype i = next++; i < sources.size(); i = next++) {
            try {
                std::unique_ptr<CVLCControl> control = factory.CreateControl();
                control->addTarget(sources[i], {options[i]}, 10, -666);
                QThread::msleep(10);
                while (control->GetTime() >= 0 || control->GetPosition() >= 0.0f)
                    QThread::msleep(10);
                control->playlistClear();
            } catch (...) {
                refused = true;
            }
        }
    };
    std::vector<std::thread> threads;
    for (int i = 1; i < lanes; ++i)
        threads.emplace_back(lane);
    lane();
    for (std::thread &thread : threads)
        thread.join();
    return !refused;
}
