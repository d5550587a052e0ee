// Runs the discovery model and prints its rows whenever they change: "ROWS a,b,c". Started by
// the namespace test inside the application's namespace. Ends by itself after the given
// number of seconds (default 60), or when its standard input closes.
#include "discovereddevicesmodel.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? QByteArray(argv[1]).toInt() : 60;
    QTimer::singleShot(qBound(1, seconds, 600) * 1000, &app, &QCoreApplication::quit);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&app]() {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            app.quit();
    });

    DiscoveredDevicesModel model;
    auto print = [&model]() {
        QStringList rows;
        for (int row = 0; row < model.rowCount(); ++row) {
            const QModelIndex index = model.index(row);
            rows.append(model.data(index, DiscoveredDevicesModel::IpAddressRole).toString() + QLatin1Char('=')
                        + model.data(index, DiscoveredDevicesModel::InstanceNameRole).toString());
        }
        std::printf("ROWS %s\n", qPrintable(rows.join(QLatin1Char(','))));
        std::fflush(stdout);
    };
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, &app, print);
    QObject::connect(&model, &QAbstractItemModel::rowsRemoved, &app, print);
    QObject::connect(&model, &DiscoveredDevicesModel::scanningForDevices, &app, []() {
        std::printf("SCANNING\n");
        std::fflush(stdout);
    });
    model.startScanning();
    return app.exec();
}
