#include "core/audit/report/structureditems.h"

#include "core/audit/rules/richresults.h"

#include <QHash>

#include <algorithm>

namespace headwise::audit {

QList<StructuredItemFacts> structuredItems(const StructuredData& data, const QList<ItemVerdict>& verdicts,
                                           const LineIndex& lines) {
    QList<StructuredItemFacts> out;
    for (qsizetype i = 0; i < data.items.size(); ++i) {
        const Item& item = data.items[i];
        if (!item.topLevel || !item.schemaOrg)
            continue;
        const ItemVerdict& verdict = verdicts[i];
        // Most items have one type, which is shared rather than joined into a copy.
        out.append(
            {.type = item.types.size() == 1 ? item.types.first() : item.types.join(QLatin1String(", ")),
             .format =
                 item.format == ItemFormat::JsonLd ? QStringLiteral("json-ld") : QStringLiteral("microdata"),
             .line = lines.place(item.offset).line,
             .richResults = verdict.richResults,
             .eligible = verdict.eligible(),
             .missing = verdict.missing,
             .offset = item.offset,
             .length = item.length});
    }
    return out;
}

QByteArray structuredDataSummary(const QList<PageReport>& pages) {
    struct Count {
        QString type;
        int items = 0, eligible = 0;
    };
    QList<Count> counts;
    QHash<QString, qsizetype> place;
    for (const PageReport& page : pages)
        for (const StructuredItemFacts& item : page.facts.structuredData) {
            auto at = place.constFind(item.type);
            if (at == place.cend()) {
                at = place.insert(item.type, counts.size());
                counts.append({item.type});
            }
            ++counts[*at].items;
            counts[*at].eligible += item.eligible;
        }
    if (counts.isEmpty())
        return {};
    std::stable_sort(counts.begin(), counts.end(),
                     [](const Count& a, const Count& b) { return a.items > b.items; });
    QStringList parts;
    for (const Count& c : counts)
        parts << QStringLiteral("%1 %2 (%3 eligible)").arg(c.type).arg(c.items).arg(c.eligible);
    return "structured data: " + parts.join(QLatin1String(", ")).toUtf8() + '\n';
}

} // namespace headwise::audit
