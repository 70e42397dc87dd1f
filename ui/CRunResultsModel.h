// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "convert/CConversionDriver.h"

#include <QAbstractListModel>
#include <QList>
#include <QString>

// Each file of the current or last run and where it stands, for the movie's results view: one
// row per queued file, in queue order, from the run's start until the next run starts.
class CRunResultsModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int converted READ Converted NOTIFY countsChanged)
    Q_PROPERTY(int failed READ Failed NOTIFY countsChanged)
    Q_PROPERTY(int skipped READ Skipped NOTIFY countsChanged)
public:
    // A file the run did not reach before it was stopped ends as Stopped.
    enum class State { Waiting, Converting, Converted, Failed, Skipped, Stopped };
    enum Role {
        SourceRole = Qt::UserRole + 1,
        NameRole,
        StatusRole,   // "waiting", "converting", "converted", "failed", "skipped", "stopped"
        PercentRole,   // of the file being converted
        OutputRole,
        OutputNameRole,
        ReasonRole,
    };

    explicit CRunResultsModel(QObject *parent = nullptr);

    // A run starts with these files, all waiting.
    void Begin(const QStringList &sources);
    // An attempt at the file of row begins (again, for a retry).
    void Converting(int row);
    void Progress(int row, int percent);
    void Finished(const CFileResult &result);
    // The run ended: whatever it had not finished is stopped.
    void End();

    State StateOf(int row) const;
    // The output of a converted file, "" for any other row.
    QString Output(int row) const;
    int Converted() const { return Count(State::Converted); }
    int Failed() const { return Count(State::Failed); }
    int Skipped() const { return Count(State::Skipped); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    // Emitted when a file ends converted, failed or skipped, and when a run starts.
    void countsChanged();

private:
    struct Row
    {
        QString source;
        State state = State::Waiting;
        int percent = 0;
        QString output;
        QString reason;
    };
    int Count(State state) const;
    void Changed(int row);

    QList<Row> m_rows;
};
