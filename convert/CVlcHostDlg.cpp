// SPDX-License-Identifier: GPL-3.0-or-later
#include "CVlcHostDlg.h"

CVlcHostDlg::CVlcHostDlg(IVlcControlFactory &factory)
    : m_factory(factory)
{
}

CVlcHostDlg::~CVlcHostDlg()
{
    DestroyWindow();
}

void CVlcHostDlg::Create(QWidget *parent)
{
    DestroyWindow();

    // The control first: when it cannot be made, no window is left behind.
    m_control = m_factory.CreateControl();

    auto *window = new QWidget(parent, Qt::Tool | Qt::FramelessWindowHint);
    window->setObjectName(QStringLiteral("VlcHost"));
    // Even a show() by someone else must not put it on screen.
    window->setAttribute(Qt::WA_DontShowOnScreen);
    // Explicitly hidden, so showing the parent never shows it along.
    window->hide();
    // The parent deletes its children when it goes first; the host then lets go of the window
    // instead of deleting it a second time, and the control goes with its window.
    QObject::connect(window, &QObject::destroyed, window, [this] {
        (void)m_window.release();
        m_control.reset();
    });
    m_window.reset(window);
}

void CVlcHostDlg::DestroyWindow()
{
    m_control.reset();
    m_window.reset();
}

void CVlcHostDlg::stop()
{
    if (m_control)
        m_control->stop();
}

void CVlcHostDlg::playlistClear()
{
    if (m_control)
        m_control->playlistClear();
}

float CVlcHostDlg::GetPosition()
{
    return m_control ? m_control->GetPosition() : -1.0f;
}

int CVlcHostDlg::GetTime()
{
    return m_control ? m_control->GetTime() : -1;
}

bool CVlcHostDlg::HasPlayedToEnd()
{
    return m_control && m_control->HasPlayedToEnd();
}

QString CVlcHostDlg::WriteError()
{
    return m_control ? m_control->WriteError() : QString();
}

CMediaFacts CVlcHostDlg::SourceFacts()
{
    return m_control ? m_control->SourceFacts() : CMediaFacts{};
}

CMediaFacts CVlcHostDlg::ProbeFile(const QString &path)
{
    return m_control ? m_control->ProbeFile(path) : CMediaFacts{};
}

void CVlcHostDlg::addTarget(const QString &uri, const QStringList &options, int mode,
                            int position)
{
    if (!m_control)
        throw CVlcError("the VLC host window has not been created");
    m_control->addTarget(uri, options, mode, position);
}
