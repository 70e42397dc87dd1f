// SPDX-License-Identifier: GPL-3.0-or-later
#include "CShockwaveFlash.h"

#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QUrl>

CShockwaveFlash::CShockwaveFlash(QWidget *parent)
    : QQuickWidget(parent)
{
    // "ShowAll" (ApplyShowAll): the whole scene stays visible and keeps its aspect as the widget
    // is resized.
    setResizeMode(QQuickWidget::SizeRootObjectToView);
    setClearColor(Qt::white);
    // The movie's module is compiled in; its static plugin comes with this library.
    engine()->addImportPath(QStringLiteral("qrc:/qt/qml"));
    rootContext()->setContextProperty(QStringLiteral("host"), &m_host);
    connect(&m_host, &CMovieHost::commandRaised, this, &CShockwaveFlash::FSCommand);
    // The popup layer is made when the first popup needs it.
    connect(quickWindow()->contentItem(), &QQuickItem::childrenChanged, this,
            &CShockwaveFlash::ApplyShowAll);
}

CShockwaveFlash::~CShockwaveFlash()
{
    // QQuickWidget's destructor takes the scene down, and the content item's children change on
    // the way; by then this is no longer a CShockwaveFlash, so nothing of ours may hear it.
    disconnect(quickWindow()->contentItem(), nullptr, this, nullptr);
}

void CShockwaveFlash::SetMovie(const QString &path)
{
    setSource(QUrl::fromLocalFile(path));
    ApplyShowAll();
}

WindowFit::ShowAll CShockwaveFlash::stageTransform() const
{
    return WindowFit::ShowAllTransform(QSizeF(initialSize()), QSizeF(size()));
}

void CShockwaveFlash::resizeEvent(QResizeEvent *event)
{
    // The base class sizes the root to the widget; the stage size is put back right after.
    QQuickWidget::resizeEvent(event);
    ApplyShowAll();
}

void CShockwaveFlash::ApplyShowAll()
{
    QQuickItem *root = rootObject();
    if (!root || initialSize().isEmpty())
        return;
    const WindowFit::ShowAll show = stageTransform();
    // The scene, and the layer over it where Qt Quick Controls open popups (a combo box's list),
    // which would otherwise keep its full size in a smaller window.
    const QList<QQuickItem *> layers = quickWindow()->contentItem()->childItems();
    for (QQuickItem *layer : layers) {
        if (layer != root && !layer->inherits("QQuickOverlay"))
            continue;
        layer->setSize(QSizeF(initialSize()));
        layer->setTransformOrigin(QQuickItem::TopLeft);
        layer->setScale(show.scale);
        layer->setPosition(show.offset);
    }
}

void CShockwaveFlash::SetVariable(const QString &name, const QString &value)
{
    m_host.writeVariable(name, value);
}

QString CShockwaveFlash::GetVariable(const QString &name) const
{
    return m_host.variable(name);
}
