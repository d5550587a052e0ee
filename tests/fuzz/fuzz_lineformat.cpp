// libFuzzer target: the byte stream from a processor through the line buffer and the line
// classifier, checked against a plain re-statement of the classification rules built from
// splitQuoted()/parseValueLine(); and request formatting, which must always yield one line.
#include "devicerecord.h"
#include "fuzzcheck.h"
#include "linebuffer.h"
#include "lineformat.h"

using namespace tarn::protocol;
using Kind = LineClassifier::Kind;

namespace {
// The rules in their plainest form, for comparison.
class ReferenceClassifier {
public:
    Kind classify(const QString &line)
    {
        if (m_listing != 0) {
            const bool choices = m_listing == 1;
            if (line == QLatin1String(choices ? "endlc" : "endls")) {
                m_listing = 0;
                return choices ? Kind::Choices : Kind::Children;
            }
            if (line.startsWith(QLatin1Char('\t'))) {
                if (m_items.size() >= LineClassifier::kMaxListingItems
                    || m_chars + line.size() - 1 > LineClassifier::kMaxListingChars)
                    return Kind::Dropped;
                m_items.append(line.mid(1));
                m_chars += line.size() - 1;
                return Kind::ListingItem;
            }
            return Kind::Dropped;
        }
        m_items.clear();
        m_path.clear();
        if (line == QLatin1String(kGreeting))
            return Kind::Greeting;
        if (line == QLatin1String(kLoggedIn))
            return Kind::LoggedIn;
        if (line == QLatin1String(kLoginRefused))
            return Kind::LoginRefused;
        const QStringList parts = splitQuoted(line);
        const QString word = parts.at(0).trimmed();
        if (word == QLatin1String("lc") || word == QLatin1String("ls")) {
            m_listing = word == QLatin1String("lc") ? 1 : 2;
            m_path = parts.size() > 1 ? parts.at(1).trimmed() : QString();
            m_chars = 0;
            return Kind::ListingOpened;
        }
        if (word == QLatin1String("set") && parts.size() < 4)
            return Kind::Dropped;
        if (!isValueWord(word))
            return Kind::Dropped;
        m_record = parseValueLine(parts, word);
        return Kind::Value;
    }

    int m_listing = 0;
    QString m_path;
    QStringList m_items;
    int m_chars = 0;
    DataFromDevice m_record;
};

void fuzzStream(const uint8_t *data, size_t size)
{
    if (size == 0)
        return;
    // The first byte chooses how the stream is cut into segments.
    const size_t segment = 1 + data[0] % 97;
    ++data;
    --size;
    LineBuffer buffer;
    LineClassifier classifier;
    ReferenceClassifier reference;
    for (size_t offset = 0; offset < size; offset += segment) {
        const size_t n = offset + segment <= size ? segment : size - offset;
        buffer.append(reinterpret_cast<const char *>(data + offset), int(n));
        for (;;) {
            const LineBuffer::Result result = buffer.next();
            check(buffer.pending() <= LineBuffer::kMaxLineLength + 2 + int(segment), "buffer bounded");
            if (result == LineBuffer::Result::None)
                break;
            if (result == LineBuffer::Result::Discarded)
                continue;
            check(buffer.lineSize() <= LineBuffer::kMaxLineLength, "line bounded");
            check(!memchr(buffer.lineData(), '\n', size_t(buffer.lineSize())), "no LF inside a line");
            const QString line = QString::fromUtf8(buffer.lineData(), buffer.lineSize());
            const Kind kind = classifier.classify(line);
            const Kind expected = reference.classify(line);
            check(kind == expected, "same classification");
            if (kind == Kind::Value) {
                check(classifier.record() == reference.m_record, "same record");
                check(!classifier.record().value.contains(QLatin1Char('"')), "value without quotes");
                const DataFromDevice &r = classifier.record();
                check(r.poName != QLatin1String("NPO") || r.svName.startsWith(QLatin1String("Node")), "node name");
            }
            if (kind == Kind::Choices || kind == Kind::Children || kind == Kind::ListingOpened)
                check(classifier.path() == reference.m_path, "same listing path");
            if (kind == Kind::Choices || kind == Kind::Children)
                check(classifier.items() == reference.m_items, "same listing items");
        }
    }
}

void fuzzRequest(const uint8_t *data, size_t size)
{
    // Five fields separated by 0x01.
    const QStringList fields = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size)).split(QChar(1));
    const DataFromDevice request =
        tarn::test::request(fields.value(0), fields.value(1), fields.value(2), fields.value(3), fields.value(4));
    const QByteArray line = formatRequest(request);
    if (line.isEmpty()) {
        check(request.poName.isEmpty() || request.svName.isEmpty() || containsLineBreak(request), "refused only for cause");
        return;
    }
    check(line.endsWith('\n') && line.indexOf('\n') == line.size() - 1 && !line.contains('\r'), "exactly one line");

    // A plain binding survives the trip to the wire and back.
    const auto plain = [](const QString &name) {
        return !name.isEmpty() && !name.contains(QLatin1Char('\\')) && !name.contains(QLatin1Char('"'))
            && !name.contains(QChar(QChar::ReplacementCharacter));
    };
    const QString command = request.command.trimmed();
    if (plain(request.poName) && plain(request.svName) && isValueWord(command) && command == request.command
        && request.value.isEmpty() && request.poName != QLatin1String("NPO")
        && request.poName != QLatin1String("Presets") && request.poName != QLatin1String("Node")
        && command != QLatin1String("set")) {
        LineClassifier classifier;
        const QString text = QString::fromUtf8(line.constData(), line.size() - 1);
        const QString qualifier = request.valueType == QLatin1String("%") ? QStringLiteral("%") : QString();
        check(classifier.classify(text) == Kind::Value, "own request parses");
        const DataFromDevice &back = classifier.record();
        check(back.poName == request.poName && back.svName == request.svName && back.valueType == qualifier,
              "names and qualifier survive the round trip");
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0 && data[0] == 'R') {
        fuzzRequest(data + 1, size - 1);
        return 0;
    }
    fuzzStream(data, size);
    return 0;
}
