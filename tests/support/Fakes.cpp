// SPDX-License-Identifier: GPL-3.0-or-later
#include "Fakes.h"

#include <QFile>

IDialogs::Answer FakeDialogs::messageBox(QWidget *owner, const QString &text,
                                         const std::optional<QString> &caption, Buttons buttons)
{
    const Box box{owner, text, caption, buttons};
    boxes << box;
    if (onBox)
        onBox(box);
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return boxAnswers.isEmpty() ? Answer::No : boxAnswers.dequeue();
}

int FakeDialogs::choose(QWidget *, const QString &text, const QString &, const QStringList &)
{
    chooseTexts << text;
    return chooseAnswers.isEmpty() ? -1 : chooseAnswers.dequeue();
}

QStringList FakeDialogs::getOpenFileNames(QWidget *, const QList<FileType> &fileTypes)
{
    openCalls << fileTypes;
    return openAnswers.isEmpty() ? QStringList() : openAnswers.dequeue();
}

void FakeDialogs::informationBox(QWidget *owner, const QString &text, const QString &caption)
{
    boxes << Box{owner, text, caption, Buttons::Ok, true};
    if (onBox)
        onBox(boxes.last());
}

std::optional<QString> FakeDialogs::getSaveFileName(QWidget *owner, const SaveRequest &request)
{
    saveCalls << SaveCall{owner, request};
    if (onSave)
        onSave();
    return saveAnswers.isEmpty() ? std::nullopt : saveAnswers.dequeue();
}

std::optional<QString> FakeDialogs::chooseFolder(QWidget *, const QString &title)
{
    folderTitles << title;
    return folderAnswers.isEmpty() ? std::nullopt : folderAnswers.dequeue();
}

QStringList FakeDialogs::boxTexts() const
{
    QStringList texts;
    for (const Box &b : boxes)
        texts << b.text;
    return texts;
}

FakeVlcControl::FakeVlcControl(FakeVlcLog &log, int index)
    : m_log(log)
    , m_index(index)
{
    if (index < m_log.scripts.size())
        m_script = m_log.scripts.at(index);
    ++m_log.liveControls;
}

FakeVlcControl::~FakeVlcControl()
{
    --m_log.liveControls;
}

void FakeVlcControl::stop()
{
    m_log.calls << QStringLiteral("stop");
    m_script.clear();
    m_current = {-1, -1.0f};
}

int FakeVlcControl::GetTime()
{
    if (m_log.throwOnGetTime)
        m_log.throwOnGetTime();
    // The driver reads the time first, then the position: advance the script on the time.
    const int before = m_current.first;
    m_current = m_script.isEmpty() ? std::pair<int, float>{-1, -1.0f} : m_script.takeFirst();
    if (m_log.growOutput && !m_output.isEmpty() && m_current.first > before) {
        QFile out(m_output);
        if (out.open(QIODevice::Append))
            out.write("more");
    }
    return m_current.first;
}

float FakeVlcControl::GetPosition()
{
    return m_current.second;
}

void FakeVlcControl::addTarget(const QString &uri, const QStringList &options, int mode,
                               int position)
{
    m_log.calls << QLatin1String("addTarget ") + uri + QLatin1Char(' ') + QString::number(mode)
                       + QLatin1Char(' ') + QString::number(position);
    m_log.options << options;
    if (m_log.throwOnAddTarget)
        m_log.throwOnAddTarget();
    if (!m_log.writeOutput || options.isEmpty())
        return;
    // The output path is the quoted url value, with \\ and \" read as libVLC reads them.
    const QString option = options.constFirst();
    const qsizetype start = option.indexOf(QLatin1String("url=\""));
    if (start < 0)
        return;
    QString path;
    for (qsizetype i = start + 5; i < option.size() && option[i] != QLatin1Char('"'); ++i) {
        if (option[i] == QLatin1Char('\\') && i + 1 < option.size())
            ++i;
        path += option[i];
    }
    QFile out(path);
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        out.write("converted");
    m_output = path;
}

void FakeVlcControl::SetEndNotice(std::function<void()> ended)
{
    m_log.endNotices << std::move(ended);
}

bool FakeVlcControl::HasPlayedToEnd()
{
    return m_index < m_log.playedToEnd.size() && m_log.playedToEnd.at(m_index);
}

QString FakeVlcControl::WriteError()
{
    return m_index < m_log.writeErrors.size() ? m_log.writeErrors.at(m_index) : QString();
}

CMediaFacts FakeVlcControl::SourceFacts()
{
    return m_log.source;
}

CMediaFacts FakeVlcControl::ProbeFile(const QString &path)
{
    m_log.probed << path;
    if (m_index < m_log.outputs.size() && m_log.outputs.at(m_index))
        return *m_log.outputs.at(m_index);
    return m_log.source;
}

QString FakeVlcControl::ArrangeTracks(const QString &path)
{
    Q_UNUSED(path);
    return m_log.arrangeErrors.value(m_index);
}

void FakeVlcControl::playlistClear()
{
    m_log.calls << QStringLiteral("playlistClear");
    m_script.clear();
}

std::unique_ptr<CVLCControl> FakeVlcFactory::CreateControl()
{
    if (log.failCreate)
        throw CVlcError("no libVLC here");
    return std::make_unique<FakeVlcControl>(log, log.created++);
}
