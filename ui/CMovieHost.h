// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractItemModel>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

// The object the movie sees as `host`: the two directions of the UI protocol.
//  - the movie raises UI commands with host.fsCommand(command, argument);
//  - the host writes movie variables; the movie hears each write through variableWritten and
//    reads the current text with host.variable(name);
//  - the movie changes its own variables (the output folder text, the naming checks) with
//    host.setVariable(name, value), which is not reported back as a host write.
//  - the files of the current or last run, with where each stands, are host.results, a list
//    model the movie reads whenever it likes; the host writes no variable for them.
class CMovieHost : public QObject
{
    Q_OBJECT
    // Where the program lays its file list over the scene, in scene pixels (host.listRect).
    Q_PROPERTY(QRect listRect READ listRect CONSTANT)
    Q_PROPERTY(QAbstractItemModel *results READ results NOTIFY resultsChanged)
public:
    // Seven whole rows of 16 px; the movie keeps this area free for the list.
    static constexpr QRect FileListRect{215, 185, 367, 112};

    explicit CMovieHost(QObject *parent = nullptr);

    QRect listRect() const { return FileListRect; }

    // Raises a UI command. Delivery is queued: commandRaised is emitted from the event loop
    // after the movie's handler has returned, one command at a time, in order.
    Q_INVOKABLE void fsCommand(const QString &command, const QString &argument);
    // The current text of a movie variable, "" when never set.
    Q_INVOKABLE QString variable(const QString &name) const;
    // The movie sets one of its own variables.
    Q_INVOKABLE void setVariable(const QString &name, const QString &value);

    // The host writes a variable: stored, and announced even when the value did not change.
    void writeVariable(const QString &name, const QString &value);

    QAbstractItemModel *results() const { return m_results; }
    void SetResults(QAbstractItemModel *results);

signals:
    // Emitted for every write of the host, in order.
    void variableWritten(const QString &name, const QString &value);
    // Emitted (queued) for every UI command the movie raised.
    void commandRaised(const QString &command, const QString &argument);
    // Emitted when the host hands the movie another results model.
    void resultsChanged();

private:
    QHash<QString, QString> m_variables;
    QPointer<QAbstractItemModel> m_results;
};
