#pragma once

#include "core/audit/engine/auditconfig.h"
#include "core/audit/engine/pageaudit.h"
#include "core/audit/fix/fixes.h"
#include "core/audit/model/sitegraph.h"
#include "net/siteaudit/auditinputs.h"

#include <QHash>
#include <QMutex>
#include <QStringList>
#include <QUrl>
#include <optional>

namespace headwise::cli {

// What audit --fix asks of a run.
struct FixRequest {
    bool dryRun = false;
    QStringList rules; // --fix=RULE,...; empty: every fixable rule
    QString lang;      // --lang, else the settings' "lang"
};

// QCommandLineParser knows no option with an optional value: --fix=RULE[,RULE]
// is taken out of the arguments and --fix left in its place. The rules given,
// empty for a bare --fix; nullopt, after saying why, for a rule with no fix.
std::optional<QStringList> takeFixRules(QStringList& arguments);

// Repairs the run's page files as the runner loads them: each is audited,
// fixed, checked and written in place (or, for a dry run, kept as a diff).
// Fetched pages are audited only. Every call may come from another thread.
class FixRun {
public:
    FixRun(FixRequest request, const audit::AuditConfig& config, const QUrl& baseUrl,
           const QList<AuditTarget>& targets);

    // The runner's step: the audit of the page as it stands after.
    audit::PageAudit step(const QString& name, audit::PageInput& page);

    // What was fixed, taken back and not written, on stderr; the diff of a
    // dry run on stdout. False when a page could not be written.
    bool report(const QStringList& pages) const;

private:
    struct Outcome {
        QStringList lines; // for stderr
        QByteArray diff;   // a dry run's
        bool failed = false;
        int made = 0;
    };
    QString baseFor(const QString& name) const;
    void write(const QString& name, const QByteArray& bytes, Outcome& outcome) const;

    FixRequest request_;
    const audit::AuditConfig& config_;
    QUrl baseUrl_;
    QHash<QString, QString> siteRoots_;         // page name -> its folder input
    QHash<QString, audit::SiteFolder> folders_; // folder input -> where it is published
    mutable QMutex mutex_;
    QHash<QString, Outcome> outcomes_;
    QStringList needBase_, needLang_; // rules that an option would let be fixed
};

} // namespace headwise::cli
