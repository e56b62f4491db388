#include "cli/auditrunner.h"

#include "core/audit/positions.h"
#include "net/pagefetcher.h"

#include <QFileInfo>

#include <cstdio>

namespace headwise::cli {
namespace {

constexpr int kProgressIntervalMs = 100;

void writeProgress(const QString& line) {
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace

AuditRunner::AuditRunner(const audit::AuditConfig& config, int jobs, bool showProgress)
    : config_(config), showProgress_(showProgress) {
    pool_.setMaxThreadCount(jobs);
}

AuditRunner::~AuditRunner() {
    pool_.waitForDone();
}

void AuditRunner::add(const QString& name, PageLoader load) {
    const QString identity = hasScheme(name) ? name : QFileInfo(name).absoluteFilePath();
    if (added_.contains(identity))
        return;
    added_.insert(identity);
    Slot* slot;
    {
        QMutexLocker lock(&progressMutex_);
        slots_.emplace_back();
        slot = &slots_.back();
    }
    slot->name = name;
    pool_.start([this, slot, load = std::move(load)] {
        run(*slot, load);
        pageDone();
    });
}

void AuditRunner::run(Slot& slot, const PageLoader& load) {
    const LoadedInput loaded = load();
    if (!loaded.page) {
        slot.problem = slot.name + QStringLiteral(": ") + loaded.error;
        return;
    }
    const audit::PageAudit audit = audit::auditPage(*loaded.page, config_);
    slot.audited = true;
    slot.report.page = slot.name;
    slot.report.url = loaded.page->address;
    slot.report.status = loaded.page->httpStatus;
    slot.report.findings = audit.findings;
    slot.digest = audit::digestOf(audit, slot.name);
}

void AuditRunner::pageDone() {
    QMutexLocker lock(&progressMutex_);
    ++done_;
    // The first page shows the line at once; later ones at most every interval.
    if (!showProgress_ || (sinceProgress_.isValid() && sinceProgress_.elapsed() < kProgressIntervalMs))
        return;
    sinceProgress_.start();
    writeCount();
}

void AuditRunner::writeCount() const {
    writeProgress(QStringLiteral("\r%1 of %2 pages audited").arg(done_).arg(slots_.size()));
}

AuditRunner::Outcome AuditRunner::finish() {
    pool_.waitForDone();
    if (showProgress_) {
        // The last count is shown even when it came within the interval, so
        // the line never stops at a count the run went past.
        writeCount();
        writeProgress(QStringLiteral("\r\033[K")); // the report never shares a line with progress
    }

    Outcome outcome;
    QList<audit::PageDigest> digests;
    for (Slot& slot : slots_) {
        if (!slot.audited) {
            outcome.problems.append(slot.problem);
            continue;
        }
        outcome.pages.append(std::move(slot.report));
        digests.append(std::move(slot.digest));
    }
    slots_.clear();

    const QList<QList<audit::Finding>> duplicates = audit::duplicateFindings(digests, config_);
    for (qsizetype i = 0; i < outcome.pages.size() && i < duplicates.size(); ++i) {
        if (duplicates[i].isEmpty())
            continue;
        QList<audit::Finding>& findings = outcome.pages[i].findings;
        findings.append(duplicates[i]);
        audit::sortFindings(findings);
    }
    return outcome;
}

} // namespace headwise::cli
