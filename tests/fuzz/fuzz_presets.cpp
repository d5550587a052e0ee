// libFuzzer harness: the PC's preset folder, one operation a line ("add NAME", "copy FROM\tTO",
// "rename FROM\tTO", "delete NAME", "slots TEXT", "device NAME"). Properties: nothing outside the
// folder changes and the model lists every file; refusals say why and change nothing; names,
// slots and device names keep their rules.
#include "filesystemmodel.h"
#include "fuzzcheck.h"
#include "presetnames.h"
#include "testenv.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QSignalSpy>

namespace {
QString g_root;

// Every entry under the data root, with its size: what an operation may change is only the
// preset folder's own files.
QStringList tree(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        // A folder's own size is the file system's business (tmpfs counts its entries).
        const qint64 size = it.fileInfo().isDir() ? 0 : it.fileInfo().size();
        entries << it.filePath().mid(root.size()) + QLatin1Char(' ') + QString::number(size);
    }
    entries.sort();
    return entries;
}


void checkName(const QString &name)
{
    QString why;
    if (!tarn::presets::isSafeFileName(name, &why))
        return tarn::fuzz::checkRefused("name", why);
    tarn::fuzz::checkPlainEntry(QStringLiteral("/p"), name);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    g_root = tarn::test::isolateEnvironment() + QStringLiteral("/data");
    tarn::fuzz::startQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString &root = g_root;
    QDir(root).removeRecursively();
    FileSystemModel model;
    const QString folder = model.folder().mid(root.size());
    const QRegularExpression outside(QStringLiteral("^(?!%1/)").arg(QRegularExpression::escape(folder)));
    check(QDir(model.folder()).exists(), "the preset folder is made");
    // One preset to work on, as a user would have.
    model.addPresetToFileSystem(QStringLiteral("Live 1"), QByteArray("preset"));

    const QStringList lines = QString::fromUtf8(tarn::fuzz::bytes(data, size)).split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size() && n < 16; ++n) {
        const QString &line = lines.at(n);
        const QString word = line.section(QLatin1Char(' '), 0, 0);
        const QString rest = line.section(QLatin1Char(' '), 1);
        const QString from = rest.section(QLatin1Char('\t'), 0, 0);
        const QString to = rest.section(QLatin1Char('\t'), 1);
        if (word == QLatin1String("slots")) {
            const int slot = tarn::presets::slotNumber(rest);
            check(slot == 0 || (slot >= 1 && slot <= 1000), "a slot is 1 .. 1000");
            continue;
        }
        if (word == QLatin1String("device")) {
            if (tarn::presets::isValidDeviceName(rest)) {
                check(!rest.isEmpty() && rest.size() <= tarn::presets::kMaxDeviceNameLength, "a device name is bounded");
                for (const QChar c : rest)
                    check(c.unicode() >= 0x20 && c.unicode() < 0x7f && c != QLatin1Char('"'), "a device name is printable");
            }
            continue;
        }
        checkName(from);
        checkName(to);
        const QStringList before = tree(root);
        QSignalSpy errors(&model, &FileSystemModel::error);
        if (word == QLatin1String("add"))
            model.addPresetToFileSystem(from, to.toUtf8());
        else if (word == QLatin1String("copy"))
            model.copy(from, to);
        else if (word == QLatin1String("rename"))
            model.rename(from, to);
        else if (word == QLatin1String("delete"))
            model.deletePreset(from);
        else
            continue;
        const QStringList after = tree(root);
        check(after.filter(outside) == before.filter(outside), "nothing outside the preset folder changes");
        if (!errors.isEmpty())
            check(after == before, "a refused operation changes nothing");
        const QStringList files = QDir(model.folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        QStringList listed;
        for (int row = 0; row < model.rowCount(); ++row)
            listed << model.data(model.index(row), FileSystemModel::ModelPresetName).toString();
        check(QSet<QString>(files.begin(), files.end()) == QSet<QString>(listed.begin(), listed.end()),
              "the model lists every preset file under its own name");
    }
    return 0;
}
