// libFuzzer harness: the tuning library's manifest (one name a line, as the cloud store or a
// processor listing gives it). Properties: accepted names are safe tuning file names within the
// cap that take apart and put together again and order consistently; refusals say why.
#include "fuzzcheck.h"
#include "tuningfile.h"

using namespace tarn::tuning;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    tarn::fuzz::startQt();
    const QStringList lines = QString::fromUtf8(tarn::fuzz::bytes(data, size)).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        QString why;
        if (!isSafeFileName(line.trimmed(), &why))
            tarn::fuzz::checkRefused("name", why);
    }
    const QStringList names = acceptNames(lines, "manifest");
    check(names.size() <= MaxListedNames && names.size() <= lines.size(), "the cap is kept");
    const QString folder = QStringLiteral("/library/Local/SpeakerTunings");
    for (int i = 0; i < names.size(); ++i) {
        const QString &name = names.at(i);
        check(isSafeFileName(name) && isTuningFileName(name), "accepted names are tuning file names");
        tarn::fuzz::checkPlainEntry(folder, name);
        const TimeStamp stamp = tuningTimeStamp(name);
        const QString key = tuningKey(name);
        check(stamp.valid && !key.isEmpty(), "a tuning file has a key and a stamp");
        const QString base = QFileInfo(name).completeBaseName();
        check(base.startsWith(key + QLatin1Char('_')), "the key begins the name");
        check(brandOf(name) == key.section(QLatin1Char('_'), 0, 0), "the brand begins the key");
        // The name with its stamp written again is the same file, or the same stamp.
        QStringList parts;
        for (const int p : stamp.parts)
            parts << QString::number(p);
        const QString again = key + QLatin1Char('_') + parts.join(QLatin1Char('_')) + QLatin1String(TuningSuffix);
        check(tuningKey(again) == key && tuningTimeStamp(again) == stamp, "key and stamp put a name together again");
        if (i > 0) {
            const TimeStamp other = tuningTimeStamp(names.at(i - 1));
            check(!(stamp < other && other < stamp), "stamps are ordered");
            check((stamp == other) == (!(stamp < other) && !(other < stamp)), "equal stamps are neither older nor newer");
        }
    }
    return 0;
}
