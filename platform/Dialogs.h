// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

// Everything that waits for a person: message boxes and the file and folder choosers.
// Production code gets CQtDialogs; tests hand in a fake that scripts the answers.
class IDialogs
{
public:
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    // One filter entry of a file dialog: the text the user sees and the patterns it matches
    // ("*.mov;*.mp4" style, separated by ';'). Patterns match regardless of letter case.
    struct FileType
    {
        QString description;
        QString patterns;
    };

    struct SaveRequest
    {
        QString initialPath;   // suggested file name, with or without a folder
        QList<FileType> fileTypes;
        QString defaultSuffix;   // appended when the user types a name without extension
    };

    virtual ~IDialogs() = default;

    // A modal box without icon. A caption of std::nullopt leaves the platform's default caption.
    virtual Answer messageBox(QWidget *owner, const QString &text,
                              const std::optional<QString> &caption, Buttons buttons)
        = 0;
    // A box with the information icon and an OK button (where the dialogs have no icons, the
    // plain box).
    virtual void informationBox(QWidget *owner, const QString &text, const QString &caption)
    {
        messageBox(owner, text, caption, Buttons::Ok);
    }
    // A box that offers one button per choice; the index of the one pressed, or -1 when the box
    // was closed without a choice.
    virtual int choose(QWidget *owner, const QString &text, const QString &caption,
                       const QStringList &choices)
        = 0;
    // Existing files chosen in one go, full paths in the order the dialog yields them;
    // empty when the user cancelled.
    virtual QStringList getOpenFileNames(QWidget *owner, const QList<FileType> &fileTypes) = 0;
    // The chosen path (the dialog asked its own overwrite confirmation), or nothing on cancel.
    virtual std::optional<QString> getSaveFileName(QWidget *owner, const SaveRequest &request) = 0;
    // A file-system folder, or nothing on cancel.
    virtual std::optional<QString> chooseFolder(QWidget *owner, const QString &title) = 0;
};
