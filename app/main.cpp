// SPDX-License-Identifier: GPL-3.0-or-later
#include "CConverterApp.h"
#include "batch/Batch.h"
#include "platform/ProcessMemory.h"

#include <QQuickWindow>

int main(int argc, char **argv)
{
    // Without a window: no display is needed, and nothing of the window is made. Each process
    // of the batch command converts one file and ends, so its heap cannot grow over a queue: it
    // keeps glibc's own threshold, which serves the pictures from the heap instead of faulting
    // in fresh pages for every one (15 to 20 % of the CPU of a 720p conversion).
    if (Batch::Wanted(argc, argv))
        return Batch::Run(argc, argv);
    KeepLargeBuffersOutOfTheHeap();
    // The movie is small: the software renderer draws it on every X server, Xvfb included.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    CConverterApp app(argc, argv);
    return app.InitInstance() ? app.exec() : 0;
}
