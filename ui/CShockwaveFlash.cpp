// SPDX-License-Identifier: GPL-3.0-or-later
#include "CShockwaveFlash.h"

#include <QQmlContext>
#include <QQmlEngine>
#include <QUrl>

CShockwaveFlash::CShockwaveFlash(QWidget *parent)
    : QQuickWidget(parent)
{
    // "ShowAll": the whole scene stays visible and keeps its aspect as the widget is resized.
    setResizeMode(QQuickWidget::SizeRootObjectToView);
    setClearColor(Qt::white);
    // The movie's module is compiled in; its static plugin comes with this library.
    engine()->addImportPath(QStringLiteral("qrc:/qt/qml"));
    rootContext()->setContextProperty(QStringLiteral("host"), &m_host);
    connect(&m_host, &CMovieHost::commandRaised, this, &CShockwaveFlash::FSCommand);
}

void CShockwaveFlash::SetMovie(const QString &path)
{
    setSource(QUrl::fromLocalFile(path));
}

void CShockwaveFlash::SetVariable(const QString &name, const QString &value)
{
    m_host.writeVariable(name, value);
}

QString CShockwaveFlash::GetVariable(const QString &name) const
{
    return m_host.variable(name);
}
