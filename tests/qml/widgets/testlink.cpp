#include "testlink.h"

#include "devicerecord.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"

#include <QSignalSpy>

TestLink::TestLink(QObject *parent) : QObject(parent)
{
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    connect(adaptor, &TCPAdaptor::sendMessage, this, [this](const QByteArray &message) {
        const QString text = QString::fromUtf8(message).trimmed();
        if (text.startsWith(QLatin1String("connect administrator")))
            return;
        m_sent.append(text);
        emit sentChanged();
    });
    connect(adaptor, &TCPAdaptor::corvexReady, this, &TestLink::readyChanged);
}

bool TestLink::login()
{
    TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDeviceAddress), QStringLiteral("127.0.0.1"));
    TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDevicePassword), QStringLiteral("secret"));
    qputenv("TARN_DEVICE_PORT", QByteArray::number(m_peer.port()));
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    QSignalSpy ready(adaptor, &TCPAdaptor::corvexReady);
    adaptor->doConnect();
    return ready.wait(5000);
}

bool TestLink::ready() const
{
    return TCPAdaptor::instance()->isReady();
}

void TestLink::offer(const QString &command, const QString &poName, const QString &svName, const QString &value,
                     const QString &valueType)
{
    emit TCPAdaptor::instance()->dataAvailable(tarn::test::request(command, poName, svName, value, valueType));
}

void TestLink::offerEnums(const QStringList &enums, const QString &path)
{
    emit TCPAdaptor::instance()->enumsAvailable(enums, path);
}

void TestLink::clearSent()
{
    m_sent.clear();
    emit sentChanged();
}

QString TestLink::line(const QString &command, const QString &poName, const QString &svName, const QString &value,
                       const QString &suffix) const
{
    QString text = command + QStringLiteral(" \"\\\\Preset\\") + poName + QStringLiteral("\\SV\\") + svName
        + QLatin1Char('\\') + suffix + QLatin1Char('"');
    if (!value.isEmpty())
        text += value.startsWith(QLatin1Char('"')) ? QLatin1Char(' ') + value : QStringLiteral(" \"") + value + QLatin1Char('"');
    return text;
}
