#include "bindingscan.h"

#include "catalogue.h"

#include <QRegularExpression>

namespace tarn::test {
namespace {
QString unescape(const QString &literal)
{
    QString out;
    for (int i = 0; i < literal.size(); ++i) {
        if (literal.at(i) == QLatin1Char('\\') && i + 1 < literal.size())
            ++i;
        out += literal.at(i);
    }
    return out;
}
} // namespace

// Walks the text outside strings and comments; braces open and close objects, properties bind them.
QList<Binding> scanQml(const QString &text, const QString &file)
{
    static const QRegularExpression property(
        QStringLiteral(R"re((poName|svName|valueType)\s*:\s*"((?:[^"\\\n]|\\.)*)")re"));
    QList<Binding> out;
    QList<Binding> stack{Binding()};
    int line = 1;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\n')) {
            ++line;
        } else if (c == QLatin1Char('/') && text.midRef(i, 2) == QLatin1String("//")) {
            i = text.indexOf(QLatin1Char('\n'), i) - 1;
            if (i < 0)
                break;
        } else if (c == QLatin1Char('/') && text.midRef(i, 2) == QLatin1String("/*")) {
            const int end = text.indexOf(QLatin1String("*/"), i + 2);
            const int stop = end < 0 ? text.size() : end + 2;
            line += text.midRef(i, stop - i).count(QLatin1Char('\n'));
            i = stop - 1;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            int j = i + 1;
            while (j < text.size() && text.at(j) != c && text.at(j) != QLatin1Char('\n'))
                j += text.at(j) == QLatin1Char('\\') ? 2 : 1;
            i = j;
        } else if (c == QLatin1Char('{')) {
            stack.append(Binding());
        } else if (c == QLatin1Char('}') && stack.size() > 1) {
            const Binding b = stack.takeLast();
            if (!b.po.isEmpty())
                out.append({file, b.line, b.po, b.sv, b.valueType});
        } else if (c.isLetter() && (i == 0 || !(text.at(i - 1).isLetterOrNumber() || text.at(i - 1) == QLatin1Char('_')))) {
            const QRegularExpressionMatch m = property.match(text, i, QRegularExpression::NormalMatch, QRegularExpression::AnchoredMatchOption);
            if (!m.hasMatch())
                continue;
            Binding &b = stack.last();
            const QString value = unescape(m.captured(2));
            if (m.captured(1) == QLatin1String("valueType")) {
                b.valueType = value;
            } else {
                (m.captured(1) == QLatin1String("poName") ? b.po : b.sv) = value;
                if (b.line == 0)
                    b.line = line;
            }
            line += m.captured(0).count(QLatin1Char('\n'));
            i = m.capturedEnd(0) - 1;
        }
    }
    return out;
}
QString catalogueKey(const QString &po, const QString &sv)
{
    if (po == QLatin1String("NPO"))
        return sv;
    if (po == QLatin1String("Presets"))
        return QStringLiteral("Storage\\Presets\\SV\\") + sv;
    if (po == QLatin1String("Crossover") && (sv == QLatin1String("NumBands") || sv == QLatin1String("MonoSub")))
        return QStringLiteral("Preset\\Crossover\\AT\\") + sv;
    return QStringLiteral("Preset\\") + po + QStringLiteral("\\SV\\") + sv;
}

QStringList missingBindings(const tarn::offline::Catalogue &catalogue, const QList<Binding> &bindings)
{
    // Folders of the path tree count too ("NPO"/"Preset" is the listing of the running preset).
    QSet<QString> folders;
    QSet<QString> objects;
    for (const auto &v : catalogue.variables()) {
        QStringList comps = v.key.split(QLatin1Char('\\'));
        while (comps.size() > 1) {
            comps.removeLast();
            folders.insert(comps.join(QLatin1Char('\\')));
        }
        if (!v.object.isEmpty())
            objects.insert(v.object);
    }
    QStringList missing;
    for (const Binding &b : bindings) {
        const QString where = QStringLiteral("%1:%2").arg(b.file).arg(b.line);
        if (b.sv.isEmpty()) {
            if (b.po != QLatin1String("NPO") && b.po != QLatin1String("Presets") && !objects.contains(b.po))
                missing << QStringLiteral("%1: processing object \"%2\" is not in the catalogue").arg(where, b.po);
            continue;
        }
        QString sv = b.sv;
        QString qualifier;
        // Node paths may carry their qualifier ("...\Min") inside the name.
        for (const char *q : {"\\Min", "\\Max", "\\%"}) {
            if (b.po == QLatin1String("NPO") && sv.endsWith(QLatin1String(q))) {
                qualifier = QLatin1String(q).mid(1);
                sv.chop(qualifier.size() + 1);
            }
        }
        const QString key = catalogueKey(b.po, sv);
        const int idx = catalogue.indexOf(key);
        if (idx < 0) {
            if (!folders.contains(key))
                missing << QStringLiteral("%1: %2 / %3 (%4) is not in the catalogue").arg(where, b.po, b.sv, key);
            continue;
        }
        const auto &v = catalogue.variables()[size_t(idx)];
        const bool needsRange = b.valueType == QLatin1String("%") || qualifier == QLatin1String("%")
                             || qualifier == QLatin1String("Min") || qualifier == QLatin1String("Max")
                             || b.valueType == QLatin1String("Min") || b.valueType == QLatin1String("Max");
        if (needsRange && !v.isNumeric())
            missing << QStringLiteral("%1: %2 / %3 is bound with a range qualifier but has no range").arg(where, b.po, b.sv);
    }
    return missing;
}
} // namespace tarn::test
