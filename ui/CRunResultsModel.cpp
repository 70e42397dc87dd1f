// SPDX-License-Identifier: GPL-3.0-or-later
#include "CRunResultsModel.h"

#include <QFileInfo>
#include <algorithm>

namespace {
const char *StateName(CRunResultsModel::State state)
{
    switch (state) {
    case CRunResultsModel::State::Waiting:
        return "waiting";
    case CRunResultsModel::State::Converting:
        return "converting";
    case CRunResultsModel::State::Converted:
        return "converted";
    case CRunResultsModel::State::Failed:
        return "failed";
    case CRunResultsModel::State::Skipped:
        return "skipped";
    case CRunResultsModel::State::Stopped:
        return "stopped";
    }
    return "";
}
}   // namespace

CRunResultsModel::CRunResultsModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

void CRunResultsModel::Begin(const QStringList &sources)
{
    beginResetModel();
    m_rows.clear();
    for (const QString &source : sources)
        m_rows.append(Row{source, State::Waiting, 0, QString(), QString()});
    endResetModel();
    emit countsChanged();
}

void CRunResultsModel::Converting(int row)
{
    if (row < 0 || row >= m_rows.size())
        return;
    m_rows[row].state = State::Converting;
    m_rows[row].percent = 0;
    Changed(row);
}

void CRunResultsModel::Progress(int row, int percent)
{
    if (row < 0 || row >= m_rows.size() || m_rows[row].state != State::Converting)
        return;
    m_rows[row].percent = std::clamp(percent, 0, 100);
    Changed(row);
}

void CRunResultsModel::Finished(const CFileResult &result)
{
    const int row = result.row;
    if (row < 0 || row >= m_rows.size())
        return;
    Row &entry = m_rows[row];
    switch (result.state) {
    case CFileResult::State::Converted:
        entry.state = State::Converted;
        entry.percent = 100;
        break;
    case CFileResult::State::Failed:
        entry.state = State::Failed;
        break;
    case CFileResult::State::Skipped:
        entry.state = State::Skipped;
        break;
    }
    entry.output = result.output;
    entry.reason = result.reason;
    Changed(row);
    emit countsChanged();
}

void CRunResultsModel::End()
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row].state == State::Waiting || m_rows[row].state == State::Converting) {
            m_rows[row].state = State::Stopped;
            m_rows[row].reason = QStringLiteral("the run was stopped before it was converted");
            Changed(row);
        }
    }
}

CRunResultsModel::State CRunResultsModel::StateOf(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].state : State::Waiting;
}

QString CRunResultsModel::Output(int row) const
{
    return StateOf(row) == State::Converted && row < m_rows.size() ? m_rows[row].output : QString();
}

int CRunResultsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

QVariant CRunResultsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &row = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case NameRole:
        return QFileInfo(row.source).fileName();
    case SourceRole:
        return row.source;
    case StatusRole:
        return QString::fromLatin1(StateName(row.state));
    case PercentRole:
        return row.percent;
    case OutputRole:
        return row.output;
    case OutputNameRole:
        return row.output.isEmpty() ? QString() : QFileInfo(row.output).fileName();
    case ReasonRole:
        return row.reason;
    default:
        return {};
    }
}

QHash<int, QByteArray> CRunResultsModel::roleNames() const
{
    return {{SourceRole, "source"},   {NameRole, "name"},     {StatusRole, "status"},
            {PercentRole, "percent"}, {OutputRole, "output"}, {OutputNameRole, "outputName"},
            {ReasonRole, "reason"}};
}

int CRunResultsModel::Count(State state) const
{
    return static_cast<int>(std::count_if(m_rows.cbegin(), m_rows.cend(),
                                          [state](const Row &row) { return row.state == state; }));
}

void CRunResultsModel::Changed(int row)
{
    const QModelIndex at = index(row);
    emit dataChanged(at, at);
}
