#include "testlink.h"

TestLink::TestLink(QObject *parent) : QObject(parent)
{
    // After the fixture's own connection: the line is recorded when this is announced.
    connect(m_link.adaptor(), &TCPAdaptor::sendMessage, this, &TestLink::sentChanged);
    connect(m_link.adaptor(), &TCPAdaptor::corvexReady, this, &TestLink::readyChanged);
}

QStringList TestLink::sent() const
{
    QStringList lines;
    for (const QByteArray &l : m_link.sent())
        lines.append(QString::fromUtf8(l));
    return lines;
}

void TestLink::offerEnums(const QStringList &enums, const QString &path)
{
    emit m_link.adaptor()->enumsAvailable(enums, path);
}

void TestLink::clearSent()
{
    m_link.clear();
    emit sentChanged();
}

QString TestLink::line(const QString &command, const QString &poName, const QString &svName, const QString &value,
                       const QString &suffix) const
{
    const QByteArray v = value.toUtf8();
    return QString::fromUtf8(tarn::test::line(command.toUtf8().constData(), poName.toUtf8().constData(),
                                              svName.toUtf8().constData(), value.isEmpty() ? nullptr : v.constData(),
                                              suffix.toUtf8().constData()));
}
