#include "core/audit/report/baseline.h"

#include "core/audit/report/jsonwriter.h"
#include "core/page/pagefile.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace headwise::audit {
namespace {

constexpr int kBaselineVersion = 1;

// One key per accepted finding; the separator is a character no rule id or
// path holds.
QString keyOf(const QString& rule, const QString& page, const QString& fingerprint) {
    return rule + QChar(0x1f) + page + QChar(0x1f) + fingerprint;
}

// Tells apart the findings that name targets: one reference gives one
// finding of a rule, and its message names the target.
QString targetKeyOf(const QString& page, const Finding& finding) {
    return keyOf(finding.rule, page, QString::number(finding.offset) + QChar(0x1f) + finding.message);
}

// The broken targets counted from the findings the baseline leaves, in their
// order: rule by rule, the most named first.
QList<BrokenTarget> reportedTargets(const QList<BrokenTarget>& targets, const QList<PageReport>& pages,
                                    const BaselineMatch& match) {
    if (targets.isEmpty() || match.outcome.accepted == 0)
        return targets;
    QSet<QString> rules;
    for (const BrokenTarget& target : targets)
        rules.insert(target.rule);
    QHash<QString, int> accepted;
    for (qsizetype p = 0; p < pages.size(); ++p)
        for (qsizetype i = 0; i < pages[p].findings.size(); ++i)
            if (match.accepted[p][i] && rules.contains(pages[p].findings[i].rule))
                ++accepted[targetKeyOf(pages[p].page, pages[p].findings[i])];
    QList<BrokenTarget> out;
    for (const BrokenTarget& target : targets) {
        BrokenTarget left = target;
        left.pages = left.references = 0;
        left.findings.clear();
        for (const TargetFinding& named : target.findings) {
            const auto it = accepted.find(targetKeyOf(named.page, named.finding));
            if (it != accepted.end() && *it > 0) {
                --*it;
                continue;
            }
            if (left.findings.isEmpty() || left.findings.back().page != named.page)
                ++left.pages;
            ++left.references;
            left.findings.append(named);
        }
        if (left.references > 0)
            out.append(std::move(left));
    }
    for (auto first = out.begin(); first != out.end();) {
        const auto last =
            std::find_if(first, out.end(), [&](const BrokenTarget& t) { return t.rule != first->rule; });
        std::stable_sort(first, last, [](const BrokenTarget& a, const BrokenTarget& b) {
            return std::tie(b.references, b.pages) < std::tie(a.references, a.pages);
        });
        first = last;
    }
    return out;
}

} // namespace

QString findingFingerprint(const Finding& finding) {
    if (!finding.source.isEmpty())
        return finding.source.simplified();
    // Some messages say where else on the page the thing is: that moves with edits.
    static const QRegularExpression lineNumber(QStringLiteral("\\bline \\d+"));
    return QString(finding.message).replace(lineNumber, QStringLiteral("line")).simplified();
}

QByteArray writeBaseline(const QList<PageReport>& pages) {
    QList<AcceptedFinding> accepted;
    for (const PageReport& page : pages)
        for (const Finding& finding : page.findings)
            accepted.append({finding.rule, page.page, findingFingerprint(finding)});
    std::sort(accepted.begin(), accepted.end(), [](const AcceptedFinding& a, const AcceptedFinding& b) {
        return std::tie(a.page, a.rule, a.fingerprint) < std::tie(b.page, b.rule, b.fingerprint);
    });
    QByteArray out;
    JsonWriter json(out);
    json.beginObject();
    json.key(u"version");
    json.value(kBaselineVersion);
    json.key(u"accepted");
    json.beginArray();
    for (const AcceptedFinding& finding : std::as_const(accepted)) {
        json.beginObject();
        json.key(u"rule");
        json.value(finding.rule);
        json.key(u"page");
        json.value(finding.page);
        json.key(u"fingerprint");
        json.value(finding.fingerprint);
        json.endObject();
    }
    json.endArray();
    json.endObject();
    out += '\n';
    return out;
}

std::optional<QList<AcceptedFinding>> readBaseline(const QByteArray& bytes, QString* error) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (document.isNull()) {
        *error =
            QStringLiteral("not JSON (%1 at byte %2)").arg(parseError.errorString()).arg(parseError.offset);
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    if (!document.isObject() || root.value(u"version") != QJsonValue(kBaselineVersion) ||
        !root.value(u"accepted").isArray()) {
        *error = QStringLiteral("not a baseline: give a file --write-baseline wrote, "
                                "{\"version\":1,\"accepted\":[...]}");
        return std::nullopt;
    }
    const QJsonArray entries = root.value(u"accepted").toArray();
    QList<AcceptedFinding> accepted;
    accepted.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QJsonObject entry = entries[i].toObject();
        const QJsonValue rule = entry.value(u"rule"), page = entry.value(u"page"),
                         fingerprint = entry.value(u"fingerprint");
        if (!rule.isString() || !page.isString() || !fingerprint.isString()) {
            *error = QStringLiteral("not a baseline: accepted finding %1 needs \"rule\", \"page\" and "
                                    "\"fingerprint\" as strings")
                         .arg(i + 1);
            return std::nullopt;
        }
        accepted.append({rule.toString(), page.toString(), fingerprint.toString()});
    }
    return accepted;
}

std::optional<QList<AcceptedFinding>> loadBaseline(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = path + QStringLiteral(": cannot be read (%1)").arg(file.errorString());
        return std::nullopt;
    }
    std::optional<QList<AcceptedFinding>> accepted = readBaseline(file.readAll(), error);
    if (!accepted)
        *error = path + QStringLiteral(": ") + *error;
    return accepted;
}

bool saveBaseline(const QString& path, const QList<PageReport>& pages, QString* error) {
    if (writePageBytes(path, writeBaseline(pages), error))
        return true;
    *error = path + QStringLiteral(": cannot be written (%1)").arg(*error);
    return false;
}

BaselineMatch matchBaseline(const QList<PageReport>& pages, const QList<AcceptedFinding>& baseline) {
    QHash<QString, int> remaining;
    remaining.reserve(baseline.size());
    for (const AcceptedFinding& finding : baseline)
        ++remaining[keyOf(finding.rule, finding.page, finding.fingerprint)];
    BaselineMatch match;
    match.outcome.used = true;
    match.accepted.reserve(pages.size());
    for (const PageReport& page : pages) {
        QList<bool>& accepted = match.accepted.emplace_back(page.findings.size(), false);
        for (qsizetype i = 0; i < page.findings.size(); ++i) {
            const Finding& finding = page.findings[i];
            const auto it = remaining.find(keyOf(finding.rule, page.page, findingFingerprint(finding)));
            if (it == remaining.end() || *it == 0)
                continue;
            --*it;
            accepted[i] = true;
            ++match.outcome.accepted;
        }
    }
    for (const int left : std::as_const(remaining))
        match.outcome.gone += left;
    return match;
}

BaselineOutcome applyBaseline(QList<PageReport>& pages, SiteSummary* site,
                              const QList<AcceptedFinding>& baseline) {
    const BaselineMatch match = matchBaseline(pages, baseline);
    if (site)
        site->brokenTargets = reportedTargets(site->brokenTargets, pages, match);
    for (qsizetype p = 0; p < pages.size(); ++p) {
        if (!match.accepted[p].contains(true))
            continue;
        QList<Finding> kept;
        for (qsizetype i = 0; i < pages[p].findings.size(); ++i)
            if (!match.accepted[p][i])
                kept.append(std::move(pages[p].findings[i]));
        pages[p].findings = std::move(kept);
    }
    return match.outcome;
}

QByteArray baselineSummaryLine(const BaselineOutcome& outcome) {
    if (!outcome.used)
        return {};
    return QStringLiteral("%1 accepted by the baseline, %2 accepted no longer found\n")
        .arg(outcome.accepted)
        .arg(outcome.gone)
        .toUtf8();
}

} // namespace headwise::audit
