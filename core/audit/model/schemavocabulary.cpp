#include "core/audit/model/schemavocabulary.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <string_view>
#include <vector>

namespace headwise::audit::schema {

namespace {

#include "core/audit/model/schemavocabulary.inc"

struct Vocabulary {
    QHash<QString, QStringList> parents;      // type: direct supertypes
    QHash<QString, QStringList> declaredOn;   // property: types
    QHash<QString, QStringList> enumerations; // enumeration: members
    QHash<QString, QString> byFoldedName;     // lower-case type name: type
    QSet<QString> currencies;                 // ISO 4217
    // type: itself and every supertype. Every item asks for every rich result
    // whether it is one, so the walk up the hierarchy is done once.
    // A type has a handful, so a list serves better than a set.
    QHash<QString, QStringList> ancestors;
};

QStringList ancestorsOf(const QHash<QString, QStringList>& parents, const QString& type) {
    QStringList seen{type};
    for (qsizetype i = 0; i < seen.size(); ++i) // breadth first: the list is its own queue
        for (const QString& parent : parents.value(seen[i]))
            if (!seen.contains(parent))
                seen.append(parent);
    return seen;
}

const Vocabulary& vocabulary() {
    // Kept to the end of the process: freeing its thousands of small strings
    // at exit would cost about as much as making them.
    static const Vocabulary& v = *new Vocabulary([] {
        Vocabulary out;
        // The table names a type many times: each name is made once and shared.
        QHash<QByteArrayView, QString> names;
        const auto name = [&names](std::string_view text) {
            auto known = names.constFind(QByteArrayView(text));
            if (known == names.cend())
                known = names.insert(QByteArrayView(text), QString::fromLatin1(text));
            return *known;
        };
        const auto listOf = [&name](std::string_view text) {
            QStringList list;
            list.reserve(qsizetype(std::count(text.begin(), text.end(), ',')) + 1);
            for (size_t from = 0; from < text.size();) {
                const size_t comma = std::min(text.find(',', from), text.size());
                if (comma > from)
                    list.append(name(text.substr(from, comma - from)));
                from = comma + 1;
            }
            return list;
        };
        const std::string_view table(kSchemaVocabulary);
        // A line a type, property or enumeration: room made once, not grown through rehashes.
        const auto lines = qsizetype(std::count(table.begin(), table.end(), '\n'));
        names.reserve(2 * lines);
        out.parents.reserve(lines);
        out.declaredOn.reserve(lines);
        out.byFoldedName.reserve(lines);
        for (size_t at = 0; at < table.size();) {
            const size_t end = std::min(table.find('\n', at), table.size());
            const std::string_view line = table.substr(at, end - at);
            at = end + 1;
            // "K name list": a kind letter, a name, and a comma-separated list.
            if (line.size() < 3 || line[1] != ' ')
                continue;
            const size_t space = line.find(' ', 2);
            const std::string_view key = line.substr(2, space == line.npos ? line.npos : space - 2);
            const std::string_view rest = space == line.npos ? std::string_view() : line.substr(space + 1);
            switch (line[0]) {
            case 'T': {
                const QString type = name(key);
                out.parents.insert(type, listOf(rest));
                out.byFoldedName.insert(type.toLower(), type);
                break;
            }
            case 'P':
                out.declaredOn.insert(name(key), listOf(rest));
                break;
            case 'E':
                out.enumerations.insert(name(key), listOf(rest));
                break;
            case 'C':
                for (const QString& code : listOf(key))
                    out.currencies.insert(code);
                break;
            }
        }
        // schema.org's data types, which the table leaves out as TypeScript
        // writes them as plain strings and numbers.
        for (const char* type :
             {"DataType", "Boolean", "Date", "DateTime", "Number", "Float", "Integer", "Text", "Time", "URL",
              "CssSelectorType", "XPathType", "PronounceableText"}) {
            out.parents.insert(QLatin1String(type), {});
            out.byFoldedName.insert(QString::fromLatin1(type).toLower(), QLatin1String(type));
        }
        out.ancestors.reserve(out.parents.size());
        for (auto t = out.parents.cbegin(); t != out.parents.cend(); ++t)
            out.ancestors.insert(t.key(), ancestorsOf(out.parents, t.key()));
        return out;
    }());
    return v;
}

// Edit distance with adjacent transpositions counted as one ("Prodcut").
int distance(QStringView a, QStringView b) {
    const qsizetype n = a.size(), m = b.size();
    std::vector<int> before(size_t(m + 1)), previous(size_t(m + 1)), current(size_t(m + 1));
    for (qsizetype j = 0; j <= m; ++j)
        previous[size_t(j)] = int(j);
    for (qsizetype i = 1; i <= n; ++i) {
        current[0] = int(i);
        for (qsizetype j = 1; j <= m; ++j) {
            const bool same = a[i - 1].toLower() == b[j - 1].toLower();
            int d = std::min({previous[size_t(j)] + 1, current[size_t(j - 1)] + 1,
                              previous[size_t(j - 1)] + (same ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1].toLower() == b[j - 2].toLower() &&
                a[i - 2].toLower() == b[j - 1].toLower())
                d = std::min(d, before[size_t(j - 2)] + 1);
            current[size_t(j)] = d;
        }
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return previous[size_t(m)];
}

} // namespace

QString vocabularyVersion() {
    return QString::fromLatin1(kSchemaDtsVersion);
}

bool isType(QStringView name) {
    return vocabulary().parents.contains(QString::fromRawData(name.data(), name.size()));
}

bool isA(QStringView type, QStringView ancestor) {
    if (type == ancestor)
        return true;
    const Vocabulary& v = vocabulary();
    // Looked up without a copy of either name.
    const auto known = v.ancestors.constFind(QString::fromRawData(type.data(), type.size()));
    return known != v.ancestors.cend() && known->contains(ancestor);
}

bool isProperty(QStringView property) {
    return vocabulary().declaredOn.contains(QString::fromRawData(property.data(), property.size()));
}

bool hasProperty(QStringView type, QStringView property) {
    const Vocabulary& v = vocabulary();
    const auto declarers = v.declaredOn.constFind(QString::fromRawData(property.data(), property.size()));
    if (declarers == v.declaredOn.cend())
        return false;
    for (const QString& declarer : *declarers)
        if (isA(type, declarer))
            return true;
    return false;
}

QStringList members(QStringView enumeration) {
    return vocabulary().enumerations.value(QString::fromRawData(enumeration.data(), enumeration.size()));
}

bool isCurrency(QStringView code) {
    return vocabulary().currencies.contains(QString::fromRawData(code.data(), code.size()));
}

QString nearestType(QStringView name) {
    const Vocabulary& v = vocabulary();
    if (const auto folded = v.byFoldedName.constFind(name.toString().toLower());
        folded != v.byFoldedName.cend())
        return *folded;
    if (name.size() > 64)
        return {};
    const int allowed = name.size() >= 5 ? 2 : 1;
    QString best;
    int bestDistance = allowed + 1;
    for (auto it = v.parents.cbegin(); it != v.parents.cend(); ++it) {
        if (std::abs(it.key().size() - name.size()) > allowed)
            continue;
        const int d = distance(name, it.key());
        if (d < bestDistance || (d == bestDistance && it.key() < best)) {
            bestDistance = d;
            best = it.key();
        }
    }
    return best;
}

} // namespace headwise::audit::schema
