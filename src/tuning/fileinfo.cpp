#include "fileinfo.h"

QDebug operator<<(QDebug debug, const FileInfo &info)
{
    QDebugStateSaver saver(debug);
    debug.noquote().nospace() << "\n=======================\n"
                              << "type: " << info.type << "\nbrand: " << info.brand << "\nseries: " << info.series
                              << "\nstate: " << info.state << "\naction: " << info.action << "\nfile: " << info.file;
    return debug;
}

namespace tarn::tuning {
void registerTuningTypes()
{
    qRegisterMetaType<FileInfo>("FileInfo");
    qRegisterMetaType<FileInfoList>("FileInfoList");
    qRegisterMetaType<BrandSeriesMap>("BrandSeriesMap");
}
} // namespace tarn::tuning
