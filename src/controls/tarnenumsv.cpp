#include "tarnenumsv.h"

#include "tcpadaptor.h"

TarnEnumSV::TarnEnumSV(QObject *parent) : TarnTextSV(parent)
{
    if (TCPAdaptor *adaptor = TCPAdaptor::instance())
        connect(adaptor, &TCPAdaptor::enumsAvailable, this, &TarnEnumSV::onEnumsReceived, Qt::UniqueConnection);
}

QString TarnEnumSV::enumPath() const
{
    if (poName().isEmpty() || svName().isEmpty())
        return QString();
    if (poName() == QLatin1String("NPO"))
        return QStringLiteral("\\\\") + svName() + QStringLiteral("\\EN");
    return QStringLiteral("\\\\Preset\\") + poName() + QStringLiteral("\\SV\\") + svName() + QStringLiteral("\\EN");
}

void TarnEnumSV::sendDataRequest()
{
    if (!canRequest())
        return;
    send(QStringLiteral("lc"));
    send(QStringLiteral("sub"));
}

void TarnEnumSV::requestEnums()
{
    if (!canRequest())
        return;
    send(QStringLiteral("lc"));
}

void TarnEnumSV::onEnumsReceived(QStringList enums, QString svPath)
{
    // The path is compared with the current binding, so a listing asked for under an earlier
    // name (or one without a path) is never taken for this one.
    const QString path = enumPath();
    if (path.isEmpty() || svPath != path)
        return;
    if (enums == m_enums)
        return;
    m_enums = enums;
    emit enumsChanged();
}
