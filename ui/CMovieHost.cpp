// SPDX-License-Identifier: GPL-3.0-or-later
#include "CMovieHost.h"

#include <QMetaObject>

CMovieHost::CMovieHost(QObject *parent)
    : QObject(parent)
{
}

void CMovieHost::fsCommand(const QString &command, const QString &argument)
{
    // Queued, so that a command which opens a dialog never runs inside the movie's handler.
    QMetaObject::invokeMethod(
        this, [this, command, argument] { emit commandRaised(command, argument); },
        Qt::QueuedConnection);
}

QString CMovieHost::variable(const QString &name) const
{
    return m_variables.value(name);
}

void CMovieHost::setVariable(const QString &name, const QString &value)
{
    m_variables.insert(name, value);
}

void CMovieHost::writeVariable(const QString &name, const QString &value)
{
    m_variables.insert(name, value);
    emit variableWritten(name, value);
}

void CMovieHost::SetResults(QAbstractItemModel *results)
{
    if (m_results == results)
        return;
    m_results = results;
    emit resultsChanged();
}
