#include "homeprocessor.h"

#include "datafromdevice.h"
#include "tcpadaptor.h"

void HomeProcessor::crossover(const QString &numBands, const QString &monoSub)
{
    for (const auto &[sv, value] : {std::pair<QString, QString>{QStringLiteral("NumBands"), numBands},
                                    std::pair<QString, QString>{QStringLiteral("MonoSub"), monoSub}}) {
        DataFromDevice record;
        record.poName = QStringLiteral("Crossover");
        record.svName = sv;
        record.value = value;
        record.command = QStringLiteral("subr");
        emit TCPAdaptor::instance()->homeScreenDataAvailable(&record);
    }
}

void HomeProcessor::listing(const QStringList &objects)
{
    QStringList entries;
    for (const QString &o : objects)
        entries << o + QStringLiteral(" : ");
    emit TCPAdaptor::instance()->poAvailable(entries, QStringLiteral("\\\\Preset\\"));
}
