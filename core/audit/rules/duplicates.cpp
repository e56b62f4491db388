#include "core/audit/rules/duplicates.h"

#include "core/audit/rules/titledescription.h"

#include <QHash>

namespace headwise::audit {

PageDigest digestOf(const PageAudit& audit, const QString& name) {
    PageDigest d;
    d.title = audit.title;
    d.hasTitle = audit.hasTitle;
    d.description = audit.description;
    d.hasDescription = audit.hasDescription;
    d.titleOffset = audit.titleOffset;
    d.titleLength = audit.titleLength;
    d.descriptionOffset = audit.descriptionOffset;
    d.descriptionLength = audit.descriptionLength;
    d.name = name;
    d.disabledRules = audit.disabledRules;
    d.counts = audit.indexable && !audit.namesOtherCanonical;
    const auto place = [&](qsizetype offset, int& line, int& column) {
        const LineIndex::Place at = audit.lines.place(offset);
        line = at.line;
        column = at.column;
    };
    if (d.hasTitle)
        place(d.titleOffset, d.titleLine, d.titleColumn);
    if (d.hasDescription)
        place(d.descriptionOffset, d.descriptionLine, d.descriptionColumn);
    return d;
}

namespace {

struct Field {
    const char* rule;
    const char* what;
    QString PageDigest::*text;
    bool PageDigest::*has;
    int PageDigest::*line;
    int PageDigest::*column;
    qsizetype PageDigest::*offset;
    qsizetype PageDigest::*length;
};

void addDuplicates(const QList<PageDigest>& pages, const AuditConfig& config, const Field& field,
                   QList<QList<Finding>>& out) {
    const Rule* rule = &registeredRule(field.rule);
    const std::optional<Severity> severity = config.severityOf(*rule);
    if (!severity)
        return;
    // The first two pages with each text, and how many pages share it.
    struct Seen {
        qsizetype first = -1, second = -1, count = 0;
    };
    QHash<QString, Seen> seen;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const PageDigest& p = pages[i];
        if (!p.counts || !(p.*field.has) || (p.*field.text).isEmpty())
            continue;
        Seen& s = seen[p.*field.text];
        if (s.count == 0)
            s.first = i;
        else if (s.count == 1)
            s.second = i;
        ++s.count;
    }
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const PageDigest& p = pages[i];
        if (!p.counts || !(p.*field.has) || (p.*field.text).isEmpty() || p.disabledRules.contains(rule->id))
            continue;
        const Seen s = seen.value(p.*field.text);
        if (s.count < 2)
            continue;
        // The first page names the second; the others name the first.
        const qsizetype other = s.first == i ? s.second : s.first;
        const qsizetype count = s.count;
        Finding f;
        f.rule = rule->id;
        f.severity = *severity;
        f.message = count == 2
                        ? QStringLiteral("Same %1 as %2").arg(QLatin1String(field.what), pages[other].name)
                        : QStringLiteral("Same %1 as %2 and %3 other %4")
                              .arg(QLatin1String(field.what), pages[other].name)
                              .arg(count - 2)
                              .arg(count == 3 ? QLatin1String("page") : QLatin1String("pages"));
        f.line = p.*field.line;
        f.column = p.*field.column;
        f.offset = p.*field.offset;
        f.length = p.*field.length;
        out[i].append(std::move(f));
    }
}

} // namespace

QList<QList<Finding>> duplicateFindings(const QList<PageDigest>& pages, const AuditConfig& config) {
    QList<QList<Finding>> out(pages.size());
    addDuplicates(pages, config,
                  {ruleid::kTitleDuplicate, "title", &PageDigest::title, &PageDigest::hasTitle,
                   &PageDigest::titleLine, &PageDigest::titleColumn, &PageDigest::titleOffset,
                   &PageDigest::titleLength},
                  out);
    addDuplicates(pages, config,
                  {ruleid::kDescriptionDuplicate, "description", &PageDigest::description,
                   &PageDigest::hasDescription, &PageDigest::descriptionLine, &PageDigest::descriptionColumn,
                   &PageDigest::descriptionOffset, &PageDigest::descriptionLength},
                  out);
    return out;
}

} // namespace headwise::audit
