#include "core/audit/model/schemavocabulary.h"

#include <QHash>
#include <QSet>

#include <algorithm>
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
    QHash<QString, QSet<QString>> ancestors;
};

QSet<QString> ancestorsOf(const QHash<QString, QStringList>& parents, const QString& type) {
    QSet<QString> seen;
    QStringList pending{type};
    while (!pending.isEmpty()) {
        const QString t = pending.takeLast();
        if (seen.contains(t))
            continue;
        seen.insert(t);
        pending += parents.value(t);
    }
    return seen;
}

const Vocabulary& vocabulary() {
    static const Vocabulary v = [] {
        Vocabulary out;
        const QString table = QString::fromLatin1(kSchemaVocabulary);
        for (QStringView line : QStringView(table).split(u'\n', Qt::SkipEmptyParts)) {
            const QList<QStringView> parts = line.split(u' ');
            if (parts.size() < 2)
                continue;
            const QString name = parts[1].toString();
            const QStringList list =
                parts.size() > 2 ? parts[2].toString().split(u',', Qt::SkipEmptyParts) : QStringList();
            if (parts[0] == u'T') {
                out.parents.insert(name, list);
                out.byFoldedName.insert(name.toLower(), name);
            } else if (parts[0] == u'P') {
                out.declaredOn.insert(name, list);
            } else if (parts[0] == u'E') {
                out.enumerations.insert(name, list);
            } else if (parts[0] == u'C') {
                for (const QString& code : name.split(u','))
                    out.currencies.insert(code);
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
        for (auto t = out.parents.cbegin(); t != out.parents.cend(); ++t)
            out.ancestors.insert(t.key(), ancestorsOf(out.parents, t.key()));
        return out;
    }();
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
    return known != v.ancestors.cend() &&
           known->contains(QString::fromRawData(ancestor.data(), ancestor.size()));
}

bool isProperty(QStringView property) {
    return vocabulary().declaredOn.contains(property.toString());
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
    return vocabulary().enumerations.value(enumeration.toString());
}

bool isCurrency(QStringView code) {
    return vocabulary().currencies.contains(code.toString());
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
