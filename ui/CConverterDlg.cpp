// SPDX-License-Identifier: GPL-3.0-or-later
#include "CConverterDlg.h"

#include "CDropHighlight.h"
#include "convert/OutputNaming.h"
#include "filelist/CFileListBox.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"

#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QShortcut>
#include <QTimer>

namespace {
constexpr int WindowWidth = 624;   // 416 x 356 dialog units at 1.5 x 1.625 px
constexpr int WindowHeight = 579;
}   // namespace

QSize CConverterDlg::DesignSize()
{
    return QSize(WindowWidth, WindowHeight);
}

QRect CConverterDlg::DesignListRect()
{
    return CMovieHost::FileListRect;
}

CConverterDlg::CConverterDlg(const QString &moduleDir, const CConverterServices &services,
                             QWidget *parent)
    : QDialog(parent)
    , m_ini(moduleDir)
    , m_driver(*this,
               CDriverServices{&services.dialogs, this, services.clock, services.vlcFactory,
                               services.work},
               m_ini, m_formats, m_settings)
    , m_flash(this)
    , m_hIcon(moduleDir + QStringLiteral("movarin.png"))
    , m_moduleDir(moduleDir)
    , m_services(services)
    , m_cascade(m_ini, m_formats, m_settings,
                [this](const QString &name, const QString &value) { SetVariable(name, value); })
{
    m_ini.SetPath(QStringLiteral("Formats.ini"));

    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setFixedSize(WindowWidth, WindowHeight);
    m_flash.setGeometry(0, 0, WindowWidth, WindowHeight);
    m_flash.installEventFilter(this);
    connect(&m_flash, &CShockwaveFlash::FSCommand, this, &CConverterDlg::OnFSCommand);
    connect(&m_flash, &CShockwaveFlash::FlashCall, this, &CConverterDlg::OnFlashCall);
    m_flash.host()->SetResults(&m_runResults);
    connect(&m_driver, &CConversionDriver::RunEnded, &m_runResults, &CRunResultsModel::End);

    auto *help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, &CConverterDlg::OnHelp);

    // Files dragged from a file manager are queued (ConverterOutside.cpp): the window takes every
    // drop, wherever it lands, and the movie has no say in it.
    setAcceptDrops(true);
    m_flash.setAcceptDrops(false);
    m_dropHighlight = new CDropHighlight(this);
}

CConverterDlg::~CConverterDlg()
{
    if (!m_destroyed)
        OnDestroy();
}

void CConverterDlg::UseUserSettings(const CUserSettingsHome &home)
{
    if (home.canWrite(m_ini.path())) {
        m_ini.SetUserPath(QString());
        m_userVideosFolder.clear();
    } else {
        m_ini.SetUserPath(home.UserFile(QStringLiteral("Formats.ini")));
        m_userVideosFolder = home.videosFolder;
    }
}

bool CConverterDlg::OnInitDialog()
{
    // The file list lies over the movie, above it in the stacking order, hidden until the movie
    // asks for it.
    m_fileList = new CFileListBox(this);
    m_fileList->setObjectName(QStringLiteral("fileList"));
    m_fileList->setGeometry(DesignListRect());
    m_fileList->raise();
    m_fileList->ShowWindow(false);

    m_flash.SetMovie(m_moduleDir + QStringLiteral("main.qml"));
    FitToScreen();
    setWindowIcon(m_hIcon);
    setWindowTitle(Title());
    SetVariable(QStringLiteral("_root.disableStop"), QStringLiteral("true"));

    // The default output folder is made at every start, whatever is saved. An installed copy's
    // lies in the user's videos folder instead, and is made when a file is first written into it.
    if (m_userVideosFolder.isEmpty()) {
        m_outputPath = m_moduleDir + QStringLiteral("Converted Videos");
        QDir().mkpath(m_outputPath);
    } else {
        m_outputPath = m_userVideosFolder + QStringLiteral("/Converted Videos");
    }
    const QString defaultFolder = m_outputPath;
    const QString saved = m_ini.GetString(QStringLiteral("OutputPath"), defaultFolder,
                                          GeneralSection);
    // A hand-edited folder is made whole; a relative one would follow wherever the program was
    // started, so it is refused, saying which setting it was.
    if (const std::optional<QString> folder = OutputNaming::AbsoluteFolder(saved)) {
        m_outputPath = *folder;
    } else if (!saved.isEmpty()) {
        // Said once the window is up, over it.
        QTimer::singleShot(0, this, [this, saved, defaultFolder] {
            m_services.dialogs.messageBox(
                this,
                QStringLiteral("The saved output folder \"%1\" (OutputPath in section [genral] "
                               "of Formats.ini) is not a full path. The converted files go to "
                               "%2 instead.")
                    .arg(saved, defaultFolder),
                QStringLiteral("Movarin"), IDialogs::Buttons::Ok);
        });
    }

    SetVariable(QStringLiteral("_root.path"), m_outputPath);
    SetVariable(QStringLiteral("_root.version"), QStringLiteral(MOVARIN_VERSION));
    m_cascade.LoadAtStartup();
    // Absent or 0: every question is asked, as always.
    m_unattended = m_ini.GetString(QStringLiteral("Unattended"), QStringLiteral("0"),
                                   GeneralSection)
                   == QLatin1String("1");
    m_unattendedAtStart = m_unattended;
    if (m_unattended)
        SetVariable(QStringLiteral("_root.unattended"), QStringLiteral("1"));
    return true;
}

int CConverterDlg::DoModal()
{
    OnInitDialog();
    // Files named on the command line, once the window is up to own a message about them.
    if (!m_startupPaths.isEmpty() || !m_startupSkipped.isEmpty())
        QTimer::singleShot(0, this,
                           [this] { QueueOutsidePaths(m_startupPaths, m_startupSkipped); });
    return exec();
}

void CConverterDlg::done(int result)
{
    if (!m_destroyed)
        OnDestroy();
    QDialog::done(result);
}

void CConverterDlg::OnDestroy()
{
    m_destroyed = true;
    // A conversion in progress is abandoned, and its partial output with it.
    m_driver.Abandon();
    delete m_fileList;
    m_fileList = nullptr;
    // Said once, here: the only write the program makes.
    if (!m_ini.WriteString(QStringLiteral("OutputPath"), m_outputPath, GeneralSection)) {
        m_services.dialogs.messageBox(
            this,
            QStringLiteral("The output folder could not be remembered: %1 cannot be written.")
                .arg(m_ini.writePath()),
            QStringLiteral("Movarin"), IDialogs::Buttons::Ok);
    }
    // Written only once the user has changed it: absent stays absent.
    if (m_unattended != m_unattendedAtStart)
        m_ini.WriteString(QStringLiteral("Unattended"),
                          m_unattended ? QStringLiteral("1") : QStringLiteral("0"), GeneralSection);
}

void CConverterDlg::OnFlashCall(const QString &) { }

void CConverterDlg::OnHelp()
{
    const QString help = m_moduleDir + QStringLiteral("help.html");
    // Said plainly when the desktop has no program to show it, with where the page is.
    m_services.shell.openDocument(QUrl::fromLocalFile(help), [this, help,
                                                              window = QPointer<CConverterDlg>(
                                                                  this)](const QString &why) {
        if (window && !m_destroyed)
            m_services.dialogs.messageBox(
                this,
                QStringLiteral("The help could not be opened: %1. It is the file %2; open "
                               "it with a web browser.")
                    .arg(why, help),
                QStringLiteral("Movarin"), IDialogs::Buttons::Ok);
    });
}

QUrl CConverterDlg::SupportMailUrl()
{
    return QUrl(QStringLiteral("mailto:" MOVARIN_SUPPORT_MAIL));
}

bool CConverterDlg::eventFilter(QObject *watched, QEvent *event)
{
    // A right-button press never reaches the movie.
    if (watched == &m_flash
        && (event->type() == QEvent::MouseButtonPress
            || event->type() == QEvent::MouseButtonDblClick)
        && static_cast<QMouseEvent *>(event)->button() == Qt::RightButton)
        return true;
    return QDialog::eventFilter(watched, event);
}

void CConverterDlg::keyPressEvent(QKeyEvent *event)
{
    // Escape never closes the window and Enter never ends it: both are ordinary keys here.
    switch (event->key()) {
    case Qt::Key_Escape:
        event->ignore();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        OnOK();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
