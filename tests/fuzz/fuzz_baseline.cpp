// Any bytes are read as a baseline without harm; what is read, written again,
// reads back the same and accepts every finding it was written from.

#include "core/audit/report/baseline.h"
#include "require.h"

#include <QMap>
#include <algorithm>

using namespace headwise::audit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const std::optional<QList<AcceptedFinding>> read = readBaseline(bytes, &error);
    if (!read) {
        require(!error.isEmpty());
        return 0;
    }

    // A run with one finding for each accepted one, about its fingerprint; a
    // site whose broken targets are those findings, one target per rule.
    QMap<QString, QList<Finding>> byPage;
    QMap<QString, BrokenTarget> byRule;
    for (const AcceptedFinding& accepted : *read) {
        Finding finding;
        finding.rule = accepted.rule;
        finding.source = accepted.fingerprint;
        byPage[accepted.page].append(finding);
        BrokenTarget& target = byRule[accepted.rule];
        target.rule = accepted.rule;
        target.findings.append({accepted.page, finding});
        ++target.references;
    }
    QList<PageReport> pages;
    for (auto it = byPage.cbegin(); it != byPage.cend(); ++it)
        pages.append({it.key(), {}, 0, it.value()});

    const QByteArray written = writeBaseline(pages);
    QList<PageReport> reversed = pages;
    std::reverse(reversed.begin(), reversed.end());
    require(writeBaseline(reversed) == written);
    const std::optional<QList<AcceptedFinding>> again = readBaseline(written, &error);
    require(again && again->size() == read->size());

    SiteSummary site;
    site.brokenTargets = byRule.values();
    const BaselineOutcome outcome = applyBaseline(pages, &site, *again);
    require(outcome.used && outcome.accepted == read->size() && outcome.gone == 0);
    require(
        std::all_of(pages.cbegin(), pages.cend(), [](const PageReport& p) { return p.findings.isEmpty(); }));
    require(site.brokenTargets.isEmpty());
    return 0;
}
