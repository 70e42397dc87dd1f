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

void CVlcHostDlg::Create(QObject *parent)
{
    DestroyWindow();

    // The control first: when it cannot be made, no host object is left behind.
    m_control = m_factory.CreateControl();

    auto *window = new QObject(parent);
    window->setObjectName(QStringLiteral("VlcHost"));
    // The parent deletes its children when it goes first; the host then lets go of the object
    // instead of deleting it a second time, and the control goes with it.
    QObject::connect(window, &QObject::destroyed, window, [this] {
        (void)m_window.release();
        m_control.reset();
        m_lent.reset();
    });
    m_window.reset(window);
}

void CVlcHostDlg::DestroyWindow()
{
    m_control.reset();
    m_lent.reset();
    m_window.reset();
}

void CVlcHostDlg::GiveBackControl(std::shared_ptr<CVLCControl> control)
{
    if (!m_control && m_window)
        m_lent = std::move(control);
}

void CVlcHostDlg::stop()
{
    if (CVLCControl *c = control())
        c->stop();
}

void CVlcHostDlg::playlistClear()
{
    if (CVLCControl *c = control())
        c->playlistClear();
}

float CVlcHostDlg::GetPosition()
{
    CVLCControl *c = control();
    return c ? c->GetPosition() : -1.0f;
}

int CVlcHostDlg::GetTime()
{
    CVLCControl *c = control();
    return c ? c->GetTime() : -1;
}

bool CVlcHostDlg::HasPlayedToEnd()
{
    CVLCControl *c = control();
    return c && c->HasPlayedToEnd();
}

QString CVlcHostDlg::WriteError()
{
    CVLCControl *c = control();
    return c ? c->WriteError() : QString();
}

QStringList CVlcHostDlg::Messages()
{
    CVLCControl *c = control();
    return c ? c->Messages() : QStringList();
}

CMediaFacts CVlcHostDlg::SourceFacts()
{
    CVLCControl *c = control();
    return c ? c->SourceFacts() : CMediaFacts{};
}

CMediaFacts CVlcHostDlg::ProbeFile(const QString &path)
{
    CVLCControl *c = control();
    return c ? c->ProbeFile(path) : CMediaFacts{};
}

void CVlcHostDlg::SetEndNotice(std::function<void()> ended)
{
    if (CVLCControl *c = control())
        c->SetEndNotice(std::move(ended));
}

void CVlcHostDlg::addTarget(const QString &uri, const QStringList &options, int mode, int position)
{
    CVLCControl *c = control();
    if (!c)
        throw CVlcError("the VLC host has not been created");
    c->addTarget(uri, options, mode, position);
}
