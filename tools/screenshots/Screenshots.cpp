// SPDX-License-Identifier: GPL-3.0-or-later
// Drives the real main window with its real movie and real libVLC through a short session and
// saves what a user sees at each step:
//   movarin_screenshots <output folder>
// Run it on an X server (for example xvfb-run -a); only the file chooser is scripted.
#include "convert/LibVlcControl.h"
#include "filelist/CFileListBox.h"
#include "platform/DesktopNotifier.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "platform/ThreadClock.h"
#include "ui/CConverterDlg.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <cstdio>

namespace {

void pause(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The file chooser answers with the prepared clips; boxes are real, and are photographed.
class ScriptedDialogs : public IDialogs
{
public:
    QStringList files;
    std::function<void(QMessageBox &)> onBox;

    Answer messageBox(QWidget *owner, const QString &text, const std::optional<QString> &caption,
                      Buttons) override
    {
        QMessageBox box(owner);
        box.setIcon(QMessageBox::NoIcon);
        box.setText(text);
        if (caption)
            box.setWindowTitle(*caption);
        box.setStandardButtons(QMessageBox::Ok);
        box.show();
        pause(300);
        if (onBox)
            onBox(box);
        return Answer::Ok;
    }
    int choose(QWidget *, const QString &, const QString &, const QStringList &) override
    {
        return 0;
    }
    QStringList getOpenFileNames(QWidget *, const QList<FileType> &) override { return files; }
    std::optional<QString> getSaveFileName(QWidget *, const SaveRequest &) override { return {}; }
    std::optional<QString> chooseFolder(QWidget *, const QString &) override { return {}; }
};

class NoShell : public IShell
{
public:
    void openUrl(const QUrl &) override { }
};

// Nothing goes to the desktop.
class NoDesktop : public IDesktopNotifier
{
public:
    void notify(const QString &, const QString &) override { }
    void showProgress(double) override { }
    void clearProgress() override { }
};

QQuickItem *item(CConverterDlg &dlg, const char *name)
{
    QQuickItem *root = qobject_cast<QQuickItem *>(dlg.m_flash.rootObject());
    QQuickItem *found = root ? root->findChild<QQuickItem *>(QLatin1String(name)) : nullptr;
    if (!found)
        std::fprintf(stderr, "no item %s in the movie\n", name);
    return found;
}

void click(CConverterDlg &dlg, const char *name)
{
    if (QQuickItem *button = item(dlg, name))
        QMetaObject::invokeMethod(button, "clicked");
    pause(400);
}

void save(QWidget &w, const QString &path)
{
    const QPixmap shot = w.screen()->grabWindow(0, w.x() - 12, w.y() - 12, w.width() + 24,
                                                w.height() + 24);
    std::printf("%s: %s\n", qPrintable(path), shot.save(path) ? "saved" : "FAILED");
}

}   // namespace

int main(int argc, char **argv)
{
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QApplication app(argc, argv);
    const QString outDir = app.arguments().value(1, QStringLiteral("docs"));
    QDir().mkpath(outDir);

    QTemporaryDir work;
    const QString program = work.path() + QStringLiteral("/Movarin/");
    // A short folder name, so that the queued paths read well in the pictures.
    const QString videos = QDir::tempPath() + QStringLiteral("/Videos");
    QDir(videos).removeRecursively();
    QDir().mkpath(program);
    QDir().mkpath(videos);
    for (const char *name : {"main.qml", "Formats.ini", "movarin.png", "help.html"})
        QFile::copy(QStringLiteral(MOVARIN_PROGRAM_DIR "/") + QLatin1String(name),
                    program + QLatin1String(name));

    ScriptedDialogs dialogs;
    int seconds = 12;
    for (const char *name : {"Holiday at the lake.mov", "Birthday party.avi", "Concert.wmv",
                             "Interview 2009.mpg", "Skate park.flv", "Phone clip.3gp"}) {
        const QString path = videos + QLatin1Char('/') + QLatin1String(name);
        QStringList args{"-v",
                         "error",
                         "-y",
                         "-f",
                         "lavfi",
                         "-i",
                         QStringLiteral("testsrc2=size=640x360:rate=25:duration=%1").arg(seconds),
                         "-f",
                         "lavfi",
                         "-i",
                         QStringLiteral("sine=duration=%1").arg(seconds),
                         "-ac",
                         "2"};
        if (path.endsWith(QLatin1String(".3gp")))
            args << "-c:v"
                 << "libx264"
                 << "-pix_fmt"
                 << "yuv420p"
                 << "-c:a"
                 << "aac";
        QProcess::execute(QStringLiteral("ffmpeg"), args << path);
        dialogs.files << path;
        seconds += 2;
    }
    // One that is no video at all, for the results of a run with a failure.
    {
        const QString path = videos + QStringLiteral("/Old camera.avi");
        QFile broken(path);
        if (broken.open(QIODevice::WriteOnly))
            broken.write("These are notes, not a video.\n");
        dialogs.files.insert(2, path);
    }

    NoShell shell;
    NoDesktop desktop;
    CThreadClock clock;
    CLibVlcControlFactory vlc;
    CThreadWorkRunner workRunner;
    CConverterDlg dlg(program, CConverterServices{dialogs, shell, clock, vlc, desktop, workRunner});
    dlg.OnInitDialog();
    dlg.move(40, 40);
    dlg.show();
    pause(800);

    click(dlg, "addButton");
    dlg.m_fileList->SetSel(1);
    dlg.m_fileList->SetSel(2);
    pause(300);
    save(dlg, outDir + QStringLiteral("/files.png"));

    // A folder dragged from a file manager, held over the window.
    {
        QMimeData dragged;
        dragged.setUrls({QUrl::fromLocalFile(videos)});
        // The pointer on a blank part of the movie, where no tooltip comes up.
        const QPoint at(dlg.width() / 2, 470);
        QCursor::setPos(dlg.mapToGlobal(at));
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &dragged, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(dlg.windowHandle(), &enter);
        pause(300);
        save(dlg, outDir + QStringLiteral("/drop.png"));
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(dlg.windowHandle(), &leave);
        pause(200);
    }

    click(dlg, "videoTab");
    save(dlg, outDir + QStringLiteral("/video.png"));
    click(dlg, "audioTab");
    save(dlg, outDir + QStringLiteral("/audio.png"));
    click(dlg, "outputTab");
    save(dlg, outDir + QStringLiteral("/output.png"));
    click(dlg, "filesTab");

    bool finishedSaved = false;
    dialogs.onBox = [&](QMessageBox &box) {
        if (!finishedSaved && box.text().startsWith(QStringLiteral("Conversion Complete"))) {
            box.move(dlg.x() + (dlg.width() - box.width()) / 2,
                     dlg.y() + (dlg.height() - box.height()) / 2);
            pause(300);
            save(dlg, outDir + QStringLiteral("/finished.png"));
            finishedSaved = true;
        }
    };
    dlg.m_flash.host()->fsCommand(QStringLiteral("IDC_FS_CONVERT"), QString());
    pause(3600);
    save(dlg, outDir + QStringLiteral("/running.png"));

    QElapsedTimer waited;
    waited.start();
    while (!finishedSaved && waited.elapsed() < 180000)
        pause(200);
    // The results of the run, with the file that failed.
    pause(600);
    click(dlg, "resultsTab");
    save(dlg, outDir + QStringLiteral("/results.png"));
    QDir(videos).removeRecursively();
    return finishedSaved ? 0 : 1;
}
