// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtDialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

IDialogs::Answer CQtDialogs::messageBox(QWidget *owner, const QString &text,
                                        const std::optional<QString> &caption, Buttons buttons)
{
    QMessageBox box(owner);
    box.setIcon(QMessageBox::NoIcon);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    if (caption)
        box.setWindowTitle(*caption);
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}

int CQtDialogs::choose(QWidget *owner, const QString &text, const QString &caption,
                       const QStringList &choices)
{
    QMessageBox box(owner);
    box.setIcon(QMessageBox::Question);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    box.setWindowTitle(caption);
    QList<QAbstractButton *> buttons;
    for (const QString &choice : choices)
        buttons << box.addButton(choice, QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.exec();
    return static_cast<int>(buttons.indexOf(box.clickedButton()));
}

void CQtDialogs::informationBox(QWidget *owner, const QString &text, const QString &caption)
{
    QMessageBox box(owner);
    box.setIcon(QMessageBox::Information);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    box.setWindowTitle(caption);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

QString CQtDialogs::caseInsensitivePattern(const QString &pattern)
{
    QString out;
    for (const QChar c : pattern) {
        const QChar lower = c.toLower(), upper = c.toUpper();
        if (c.isLetter() && lower != upper)
            out += QLatin1Char('[') + lower + upper + QLatin1Char(']');
        else
            out += c;
    }
    return out;
}

QStringList CQtDialogs::nameFilters(const QList<FileType> &fileTypes)
{
    QStringList filters;
    for (const FileType &type : fileTypes) {
        QStringList patterns;
        for (const QString &p : type.patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = p.trimmed();
            patterns << (trimmed == QLatin1String("*.*") ? QStringLiteral("*")
                                                         : caseInsensitivePattern(trimmed));
        }
        // The dialog hides the trailing pattern group, so the user reads the description as is.
        filters << type.description.trimmed() + QLatin1String(" (")
                       + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

QStringList CQtDialogs::getOpenFileNames(QWidget *owner, const QList<FileType> &fileTypes)
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(nameFilters(fileTypes));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

std::optional<QString> CQtDialogs::getSaveFileName(QWidget *owner, const SaveRequest &request)
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(nameFilters(request.fileTypes));
    QString suffix = request.defaultSuffix;
    if (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(request.initialPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> CQtDialogs::chooseFolder(QWidget *owner, const QString &title)
{
    const QString folder = QFileDialog::getExistingDirectory(owner, title);
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}
