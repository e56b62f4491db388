#pragma once

#include "core/audit/report/report.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace headwise::audit {

// A finding a team has accepted: known on its page, not to fail a run again.
// It is named by what it is about, not where, so that edits which move it
// keep it accepted.
struct AcceptedFinding {
    QString rule;
    QString page;                                            // as the run named it
    QString fingerprint;                                     // findingFingerprint()
    bool operator==(const AcceptedFinding&) const = default; // clang 14 has no <=> for QString
};

// What a finding is about: its source with runs of white space made one space
// (the element's text, a header), or for one without source (a missing tag,
// a site link's target) its message with line numbers left out.
QString findingFingerprint(const Finding& finding);

// Every finding of the run, sorted, as {"version":1,"accepted":[{"rule","page","fingerprint"}]}:
// the same findings give the same bytes, so that the file diffs well.
QByteArray writeBaseline(const QList<PageReport>& pages);

// The accepted findings of a baseline file's bytes; nullopt, with *error
// saying why, for bytes that are not JSON or not a baseline.
std::optional<QList<AcceptedFinding>> readBaseline(const QByteArray& bytes, QString* error);
// The same for a file; *error names it.
std::optional<QList<AcceptedFinding>> loadBaseline(const QString& path, QString* error);
// Writes the run's baseline in one piece (the old file stays whole on failure).
bool saveBaseline(const QString& path, const QList<PageReport>& pages, QString* error);

struct BaselineOutcome {
    bool used = false;
    int accepted = 0; // findings of the run the baseline accepted
    int gone = 0;     // accepted findings the run no longer has
};

// Which findings of each page the baseline accepts (pages, then findings, in
// the run's order). Each accepted finding accepts one finding of the run with
// its rule, page and fingerprint: two identical ones accept two.
struct BaselineMatch {
    QList<QList<bool>> accepted;
    BaselineOutcome outcome;
};
BaselineMatch matchBaseline(const QList<PageReport>& pages, const QList<AcceptedFinding>& baseline);

// Takes the accepted findings out of the pages, and, when site is given, out
// of its broken targets' counts: a target no finding left names is dropped.
BaselineOutcome applyBaseline(QList<PageReport>& pages, SiteSummary* site,
                              const QList<AcceptedFinding>& baseline);

// "N accepted by the baseline, M accepted no longer found\n" for the text summary.
QByteArray baselineSummaryLine(const BaselineOutcome& outcome);

} // namespace headwise::audit
