#include "core/audit/engine/positions.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <tuple>
#include <vector>

namespace headwise::audit {

namespace {

// A finding as far as two alike are one; the texts are shared, not copied.
struct FindingKey {
    QString rule;
    qsizetype offset = 0, length = 0;
    QString message;
    size_t messageHash = 0; // of message, worked out once for findings that share it
    bool operator==(const FindingKey&) const = default;
};

size_t qHash(const FindingKey& key, size_t seed = 0) {
    // A rule's id is the registry's one string, so where it lies tells it.
    return qHashMulti(seed, static_cast<const void*>(key.rule.constData()), key.offset, key.length,
                      key.messageHash);
}

} // namespace

// Each finding's rule index is looked up once, not in every comparison.
void sortFindings(QList<Finding>& findings) {
    std::vector<std::tuple<qsizetype, int, qsizetype>> keys;
    keys.reserve(size_t(findings.size()));
    // Findings of one rule mostly come together, and a rule's id is the registry's one string.
    const QChar* lastRule = nullptr;
    int lastIndex = -1;
    for (qsizetype i = 0; i < findings.size(); ++i) {
        if (findings[i].rule.constData() != lastRule) {
            lastRule = findings[i].rule.constData();
            lastIndex = ruleIndex(findings[i].rule);
        }
        keys.emplace_back(findings[i].offset, lastIndex, i);
    }
    // Keys end with the finding's place, so keys in order are findings in order:
    // most pages' are, and their findings are left where they are.
    if (std::is_sorted(keys.begin(), keys.end()))
        return;
    std::sort(keys.begin(), keys.end());
    QList<Finding> sorted;
    sorted.reserve(findings.size());
    for (const auto& key : keys)
        sorted.append(std::move(findings[std::get<2>(key)]));
    findings = std::move(sorted);
}

QList<Finding> placeFindings(const QString& text, const LineIndex& lines, const RawFindings& raw,
                             const AuditConfig& config) {
    QList<Finding> out;
    out.reserve(raw.size());
    // The same finding twice (a check reporting one tag for two reasons alike)
    // is kept once, before its source is copied: a large tag copied for each
    // of thousands of copies would cost the square of the page.
    QSet<FindingKey> seen;
    QHash<std::pair<qsizetype, qsizetype>, QString> sources;
    const QChar* hashedMessage = nullptr;
    size_t messageHash = 0;
    const char* lastId = nullptr; // the rule looked up last, by its id's text
    const Rule* rule = nullptr;
    for (const RawFinding& r : raw) {
        if (r.rule != lastId) {
            lastId = r.rule;
            rule = &registeredRule(r.rule);
        }
        const std::optional<Severity> severity = config.severityOf(*rule);
        if (!severity)
            continue;
        Finding f;
        f.rule = rule->id;
        f.severity = r.note ? std::min(*severity, Severity::Info) : *severity;
        f.message = r.message;
        if (r.span.length > 0) {
            f.offset = std::clamp<qsizetype>(r.span.offset, 0, text.size());
            f.length = std::clamp<qsizetype>(r.span.length, 0, text.size() - f.offset);
        }                                             // else the page as a whole: offset -1, no line
        if (f.message.constData() != hashedMessage) { // the raw findings, and so their texts, stay put
            hashedMessage = f.message.constData();
            messageHash = qHash(f.message);
        }
        const FindingKey key{f.rule, f.offset, f.length, f.message, messageHash};
        if (seen.contains(key))
            continue;
        seen.insert(key);
        if (!r.source.isEmpty()) {
            f.source = r.source;
        } else {
            // Findings on one span (the items of one JSON-LD block) share one
            // copy of it, or a block of thousands of items costs its square.
            const std::pair<qsizetype, qsizetype> span{std::max<qsizetype>(f.offset, 0), f.length};
            auto copy = sources.constFind(span);
            if (copy == sources.cend())
                copy = sources.insert(span, text.mid(span.first, span.second));
            f.source = *copy;
        }
        out.append(std::move(f));
    }
    sortFindings(out);

    for (Finding& f : out) {
        if (f.offset < 0)
            continue; // the page as a whole: placed nowhere
        const LineIndex::Place place = lines.place(f.offset);
        f.line = place.line;
        f.column = place.column;
    }

    return out;
}

} // namespace headwise::audit
