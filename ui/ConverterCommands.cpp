// SPDX-License-Identifier: GPL-3.0-or-later
// The UI commands the movie raises, and the window commands that start a run.
#include "CConverterDlg.h"

#include "OutsideFiles.h"
#include "convert/OutputNaming.h"
#include "filelist/CFileListBox.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QWindow>
#include <array>

namespace {

enum class Command {
    Exit,
    Minimise,
    Help,
    Drag,
    Browse,
    Add,
    Remove,
    RemoveAll,
    Up,
    Down,
    VideoSettings,
    AudioSettings,
    About,
    ShowList,
    HideList,
    Support,
    ConvertWindow,
    OtherDirectory,
    SameDirectory,
    ConvertTo,
    Container,
    VideoCodec,
    VideoBitrate,
    VideoScale,
    AudioCodec,
    AudioBitrate,
    AudioChannels,
    Convert,
    Cancel,
    Unattended,
    OpenFolder,
    Play,
};

struct CommandName
{
    const char16_t *text;
    Command command;
};

// In the order they are compared. The movie and stored movies rely on these spellings.
constexpr std::array<CommandName, 32> CommandTable{{
    {u"IDC_FS_EXIT", Command::Exit},
    {u"IDC_FS_MINI", Command::Minimise},
    {u"IDC_FS_HELP", Command::Help},
    {u"IDC_FS_drag", Command::Drag},
    {u"IDC_FS_BROWSE", Command::Browse},
    {u"IDC_FS_ADD", Command::Add},
    {u"IDC_FS_REMOVE", Command::Remove},
    {u"IDC_FS_REMOVEALL", Command::RemoveAll},
    {u"IDC_FS_UP", Command::Up},
    {u"IDC_FS_DOWN", Command::Down},
    {u"IDC_FS_VIDEOSETTING", Command::VideoSettings},
    {u"IDC_FS_AUDIOSETTING", Command::AudioSettings},
    {u"IDC_FS_ABOUT", Command::About},
    {u"ID_FS_Slider", Command::ShowList},
    {u"ID_FS_Slider2", Command::HideList},
    {u"IDC_FS_support", Command::Support},
    {u"IDC_FS_CONVERTWINDOW", Command::ConvertWindow},
    {u"IDC_FS_OTHERDIRECTORY", Command::OtherDirectory},
    {u"IDC_FS_SAMEDIRECTORY", Command::SameDirectory},
    {u"ID-FS-convertTo", Command::ConvertTo},
    {u"ID-FS-container", Command::Container},
    {u"ID-FS-videoCodec", Command::VideoCodec},
    {u"ID-FS-videoBitrate", Command::VideoBitrate},
    {u"ID-FS-videoScale", Command::VideoScale},
    {u"ID-FS-audioCodec", Command::AudioCodec},
    {u"ID-FS-audioBitrate", Command::AudioBitrate},
    {u"ID-FS-audioChannnel", Command::AudioChannels},
    {u"IDC_FS_CONVERT", Command::Convert},
    {u"IDC_FS_CANCEL", Command::Cancel},
    {u"IDC_FS_UNATTENDED", Command::Unattended},
    {u"IDC_FS_OPENFOLDER", Command::OpenFolder},
    {u"IDC_FS_PLAY", Command::Play},
}};

std::optional<Command> FindCommand(const QString &text)
{
    for (const CommandName &entry : CommandTable) {
        if (text.compare(QStringView(entry.text), Qt::CaseInsensitive) == 0)
            return entry.command;
    }
    return std::nullopt;
}

}   // namespace

// Patterns match in any letter case.
const QList<IDialogs::FileType> &CConverterDlg::SourceFileTypes()
{
    static const QList<IDialogs::FileType> types{
        {QStringLiteral("All Supported Types (*.mov;*.mp4;*.avi;*.wmv;*.asf;*.mpeg;*.mpg;*.flv;"
                        "*.3gp;*.m1v;*.mp2;*.mpge)"),
         QStringLiteral("*.mov;*.mp4;*.avi;*.wmv;*.asf;*.mpeg;*.mpg;*.flv;*.3gp;*.m1v;*.mp2;"
                        "*.mpge ")},
        {QStringLiteral("Video Files (*.avi;*.wmv)"), QStringLiteral("*.avi;*.wmv")},
        {QStringLiteral("MPEG Files (*.mpeg;*.mpg;*.m1v;*.mp2)"),
         QStringLiteral("*.mpeg;*.mpg;*.m1v;*.mp2")},
        {QStringLiteral("ASF Files (*.asf)"), QStringLiteral("*.asf")},
        {QStringLiteral("All Files (*.*)"), QStringLiteral("*.*")},
    };
    return types;
}

void CConverterDlg::OnFSCommand(const QString &command, const QString &argument)
{
    const std::optional<Command> found = FindCommand(command);
    if (!found)
        return;

    switch (*found) {
    case Command::Exit:
        // The base dialog's OK handling: our own OnOK does nothing by design.
        QDialog::accept();
        break;
    case Command::Minimise:
        showMinimized();
        break;
    case Command::Help:
        OnHelp();
        break;
    case Command::Drag:
        // The movie sends this while the button is down; the desktop moves the window from here.
        if (QWindow *handle = windowHandle())
            handle->startSystemMove();
        break;
    case Command::Browse: {
        QString folder;
        if (BrowseForFolder(folder, QStringLiteral("Select a Destintion Folder."), this)) {
            SetVariable(QStringLiteral("_root.path"), folder);
            m_outputPath = folder;
        }
        break;
    }
    case Command::Add:
        AddFiles();
        break;
    case Command::Remove:
        if (m_fileList->GetCurSel() != -1)
            m_fileList->RemoveSelection();
        break;
    case Command::RemoveAll:
        m_fileList->ResetContent();
        break;
    case Command::Up:
        m_fileList->MoveSelectionUp();
        break;
    case Command::Down:
        m_fileList->MoveSelectionDown();
        break;
    case Command::VideoSettings:
    case Command::AudioSettings:
    case Command::About:
    case Command::HideList:
        m_fileList->ShowWindow(false);
        break;
    case Command::ShowList:
        m_fileList->ShowWindow(true);
        break;
    case Command::Support:
        m_services.shell.openUrl(SupportMailUrl());
        break;
    case Command::ConvertWindow:
        // One of the movie's commands by design, and it does nothing; kept in the table so
        // that the list of commands stays the protocol's whole list.
        break;
    case Command::OtherDirectory:
        m_sameFolder = 0;
        m_outputPath = m_flash.GetVariable(QStringLiteral("_root.path"));
        break;
    case Command::SameDirectory:
        m_sameFolder = 1;
        break;
    case Command::ConvertTo:
        m_cascade.SelectTarget(argument);
        break;
    case Command::Container:
        m_cascade.SelectMuxer(argument);
        break;
    case Command::VideoCodec:
        m_settings.videoCodec = argument;
        break;
    case Command::VideoBitrate:
        m_settings.videoBitrate = argument;
        break;
    case Command::VideoScale:
        m_settings.videoScale = argument;
        break;
    case Command::AudioCodec:
        m_settings.audioCodec = argument;
        break;
    case Command::AudioBitrate:
        m_settings.audioBitrate = argument;
        break;
    case Command::AudioChannels:
        m_settings.audioChannels = argument;
        break;
    case Command::Convert:
        OnCommand(CommandConvert);
        break;
    case Command::Cancel:
        m_driver.Cancel(this);
        break;
    case Command::Unattended:
        m_unattended = argument == QLatin1String("1");
        break;
    case Command::OpenFolder:
        OpenResult(argument, true);
        break;
    case Command::Play:
        OpenResult(argument, false);
        break;
    }
}

void CConverterDlg::OnCommand(int id)
{
    if (id == CommandConvert) {
        m_fileTotal = m_fileList->GetCount();
        // An empty folder text would put every output at the root of the file system.
        if (m_fileTotal > 0 && !m_sameFolder && m_outputPath.trimmed().isEmpty()) {
            m_services.dialogs.messageBox(this,
                                          QStringLiteral(
                                              "Choose a folder for the converted files first."),
                                          QStringLiteral("Movarin"), IDialogs::Buttons::Ok);
            return;
        }
        if (m_fileTotal > 0 && !m_sameFolder) {
            // A relative folder would follow wherever the program was started.
            const std::optional<QString> folder = OutputNaming::AbsoluteFolder(m_outputPath);
            if (!folder) {
                m_services.dialogs.messageBox(
                    this,
                    QStringLiteral("The output folder \"%1\" is not a full path. Type one that "
                                   "begins with / or ~, or choose one with Browse.")
                        .arg(m_outputPath),
                    QStringLiteral("Movarin"), IDialogs::Buttons::Ok);
                return;
            }
            m_outputPath = *folder;
        }
        if (!RunInProgress() && !ChooseRunMode())
            return;
        ConvertNextFile();
    } else if (id == CommandCountSelected) {
        m_fileTotal = m_fileList->GetSelCount();
    }
}

bool CConverterDlg::ChooseRunMode()
{
    if (!m_unattended) {
        m_driver.SetUnattended(false, ExistingOutput::Ask);
        return true;
    }
    // Outputs that exist are dealt with as the user decides here, once for the whole run.
    int existing = 0;
    const int rows = m_fileList->GetCount();
    for (int row = 0; row < rows; ++row) {
        if (OutputNaming::CanOpenFile(
                OutputNaming::DefaultCandidate(m_fileList->GetText(row), m_sameFolder != 0,
                                               m_outputPath, m_settings.convertTo)))
            ++existing;
    }
    ExistingOutput policy = ExistingOutput::Skip;
    if (existing > 0) {
        static const ExistingOutput Policies[] = {ExistingOutput::Overwrite, ExistingOutput::Rename,
                                                  ExistingOutput::Skip};
        const int choice = m_services.dialogs.choose(
            this,
            QStringLiteral("%1 of the %2 files already have an output of the same name. What "
                           "should happen to those outputs during this run?")
                .arg(existing)
                .arg(rows),
            QStringLiteral("Movarin"),
            {QStringLiteral("Replace them"), QStringLiteral("Keep both"),
             QStringLiteral("Skip those files")});
        if (choice < 0 || choice > 2)
            return false;
        policy = Policies[choice];
    }
    m_driver.SetUnattended(true, policy);
    return true;
}

void CConverterDlg::OpenResult(const QString &argument, bool folder)
{
    bool isRow = false;
    const int row = argument.toInt(&isRow);
    // Only a converted file has an output to show.
    const QString output = isRow ? m_runResults.Output(row) : QString();
    if (output.isEmpty())
        return;
    const QString target = folder ? QFileInfo(output).absolutePath() : output;
    if (!QFileInfo::exists(target)) {
        m_services.dialogs.messageBox(
            this,
            QStringLiteral("%1 is not there any more: it was moved or deleted after it was "
                           "converted.")
                .arg(target),
            QStringLiteral("Movarin"), IDialogs::Buttons::Ok);
        return;
    }
    m_services.shell.openDocument(QUrl::fromLocalFile(target), [this, target,
                                                                window = QPointer<CConverterDlg>(
                                                                    this)](const QString &why) {
        if (window && !m_destroyed)
            m_services.dialogs.messageBox(
                this, QStringLiteral("%1 could not be opened: %2.").arg(target, why),
                QStringLiteral("Movarin"), IDialogs::Buttons::Ok);
    });
}

int CConverterDlg::BrowseForFolder(QString &out, const QString &title, QWidget *owner)
{
    const std::optional<QString> folder = m_services.dialogs.chooseFolder(owner, title);
    if (!folder || folder->isEmpty())
        return 0;
    out = *folder;
    return 1;
}

void CConverterDlg::AddFiles()
{
    const QStringList paths = m_services.dialogs.getOpenFileNames(this, SourceFileTypes());
    if (paths.isEmpty())
        return;
    // The current directory follows the chosen files: it ends in the folder of the last one
    // that names a folder.
    for (auto it = paths.crbegin(); it != paths.crend(); ++it) {
        const qsizetype slash = it->lastIndexOf(QLatin1Char('/'));
        if (slash >= 0) {
            QDir::setCurrent(slash == 0 ? QStringLiteral("/") : it->left(slash));
            break;
        }
    }
    // A chosen name that is not text comes back decoded and names no file: named in one
    // message instead of being queued under a name that would fail (or fold into its twin).
    QStringList files;
    QStringList skipped;
    QSet<QString> seen;
    for (const QString &path : paths) {
        if (seen.contains(path))
            continue;
        seen.insert(path);
        const QStringList notText = OutsideFiles::NotTextFilesDecodedAs(path);
        skipped << notText;
        if (notText.isEmpty() || QFileInfo::exists(path))
            files << path;
    }
    m_fileList->AddPathsNotQueued(files);
    if (!skipped.isEmpty())
        m_services.dialogs.messageBox(this, OutsideFiles::SkippedMessage(skipped),
                                      QStringLiteral("Movarin"), IDialogs::Buttons::Ok);
}
