// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Dialogs.h"

// The dialogs seam over QMessageBox and QFileDialog.
class CQtDialogs : public IDialogs
{
public:
    Answer messageBox(QWidget *owner, const QString &text, const std::optional<QString> &caption,
                      Buttons buttons) override;
    void informationBox(QWidget *owner, const QString &text, const QString &caption) override;
    int choose(QWidget *owner, const QString &text, const QString &caption,
               const QStringList &choices) override;
    QStringList getOpenFileNames(QWidget *owner, const QList<FileType> &fileTypes) override;
    std::optional<QString> getSaveFileName(QWidget *owner, const SaveRequest &request) override;
    std::optional<QString> chooseFolder(QWidget *owner, const QString &title) override;

    // Qt name filters for the file types: the description as the user sees it, and the
    // patterns spelled so that they match in any letter case ("*.avi" -> "*.[aA][vV][iI]").
    static QStringList nameFilters(const QList<FileType> &fileTypes);
    static QString caseInsensitivePattern(const QString &pattern);
};
