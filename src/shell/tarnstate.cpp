#include "tarnstate.h"

#include "viewloader.h"

#include <QDebug>

TarnState::TarnState(const QString &name, const QString &qmlFile, const QString &helpFile, QQuickView *view,
                     ViewLoader *viewLoader, QState *parent)
    : QState(parent), m_name(name), m_qmlFile(qmlFile), m_helpFile(helpFile), m_view(view), m_viewLoader(viewLoader)
{
    setObjectName(name);
    if (m_viewLoader)
        connect(this, &TarnState::stateEntered, m_viewLoader, &ViewLoader::onStateEntered);
}

QString TarnState::fullName() const
{
    QStringList names{m_name};
    for (QState *outer = parentState(); outer; outer = outer->parentState()) {
        if (auto *screen = qobject_cast<TarnState *>(outer))
            names.prepend(screen->name());
    }
    return names.join(QStringLiteral("->"));
}

void TarnState::slot_setName(QString name)
{
    m_name = name;
    setObjectName(name);
}

void TarnState::slot_setPrefix(QString prefix)
{
    m_prefix = prefix;
}

void TarnState::onEntry(QEvent *event)
{
    QState::onEntry(event);
    qDebug().noquote() << m_prefix << "Entering state:" << fullName();
    emit stateEntered(QStringLiteral("qrc:/qml/") + m_qmlFile, m_helpFile);
}

void TarnState::onExit(QEvent *event)
{
    QState::onExit(event);
    qDebug().noquote() << m_prefix << "Exiting state:" << fullName();
    emit signal_exitSignal();
}
