#include "cli/auditfix.h"

#include "cli/output.h"
#include "core/audit/fix/repair.h"
#include "core/page/pagefile.h"
#include "core/page/unifieddiff.h"

#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>

namespace headwise::cli {

namespace {

constexpr QFileDevice::Permissions kAnyWrite =
    QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;

// How a diff names a page: relative to the current folder, so that patch -p1 run there finds it.
QString diffPath(const QString& name) {
    const QString path = QDir::cleanPath(QDir::fromNativeSeparators(name));
    return QDir::isRelativePath(path) ? path : QDir::current().relativeFilePath(path);
}

void addOnce(QStringList& list, const QString& item) {
    if (!list.contains(item))
        list << item;
}

} // namespace

std::optional<QStringList> takeFixRules(QStringList& arguments) {
    QStringList rules;
    for (qsizetype i = 1; i < arguments.size() && arguments[i] != QLatin1String("--"); ++i) {
        if (!arguments[i].startsWith(QLatin1String("--fix=")))
            continue;
        if (arguments[i].size() == 6) {
            writeError(QStringLiteral("--fix=: give the rules to fix, or --fix for every one"));
            return std::nullopt;
        }
        for (const QString& rule : arguments[i].mid(6).split(u',', Qt::SkipEmptyParts)) {
            if (!audit::isFixable(rule.trimmed())) {
                writeError(
                    QStringLiteral("--fix=%1: \"%2\" is no rule with a fix; --list-rules shows which are")
                        .arg(arguments[i].mid(6), rule.trimmed()));
                return std::nullopt;
            }
            addOnce(rules, rule.trimmed());
        }
        arguments[i] = QStringLiteral("--fix");
    }
    return rules;
}

FixRun::FixRun(FixRequest request, const audit::AuditConfig& config, const QUrl& baseUrl,
               const QList<AuditTarget>& targets)
    : request_(std::move(request)), config_(config), baseUrl_(baseUrl) {
    for (const AuditTarget& target : targets) {
        if (target.siteRoot.isEmpty())
            continue;
        siteRoots_.insert(target.name, target.siteRoot);
        if (!folders_.contains(target.siteRoot) && !baseUrl.isEmpty())
            folders_.insert(target.siteRoot, audit::SiteFolder(target.siteRoot, baseUrl));
    }
}

// A folder's page stands at its path below the base address; a file given on
// its own at the base address itself.
QString FixRun::baseFor(const QString& name) const {
    if (baseUrl_.isEmpty())
        return {};
    const auto folder = folders_.constFind(siteRoots_.value(name));
    return folder == folders_.cend() ? baseUrl_.toString(QUrl::FullyEncoded) : folder->addressOf(name).href;
}

audit::PageAudit FixRun::step(const QString& name, audit::PageInput& page) {
    audit::PageAudit audit = audit::auditPage(page, config_);
    Outcome outcome;
    if (!page.address.startsWith(QLatin1String("file:"))) {
        outcome.lines << name + QStringLiteral(": fetched, so audited only: --fix writes page files alone");
        QMutexLocker lock(&mutex_);
        outcomes_.insert(name, outcome);
        return audit;
    }
    const audit::FixOptions options{.lang = request_.lang, .baseUrl = baseFor(name), .rules = request_.rules};
    audit::Repair repair = audit::repairPage(page, audit, config_, options);
    const QString verb = request_.dryRun ? QStringLiteral("would fix") : QStringLiteral("fixed");
    for (const audit::PageFix& fix : repair.made) {
        const int line = audit.findings[fix.findings.first()].line;
        outcome.lines << name + (line > 0 ? QStringLiteral(":%1").arg(line) : QString()) +
                             QStringLiteral(": %1 %2: %3").arg(verb, fix.rule, fix.what);
    }
    outcome.made = int(repair.made.size());
    QStringList undone;
    for (const audit::PageFix& fix : repair.undone)
        addOnce(undone, fix.rule);
    for (const QString& rule : undone)
        outcome.lines << name + QStringLiteral(": %1 not fixed: the audit still found it after the fix, so "
                                               "the page keeps it as it was")
                                    .arg(rule);
    if (repair.spliced) {
        if (request_.dryRun)
            outcome.diff =
                unifiedDiff(diffPath(name), page.bytes, repair.spliced->bytes, repair.spliced->edits);
        else
            write(name, repair.spliced->bytes, outcome);
        if (!outcome.failed) {
            page.bytes = repair.spliced->bytes;
            audit = std::move(repair.audit);
        }
    }
    QMutexLocker lock(&mutex_);
    for (const audit::PageFix& fix : repair.needing)
        addOnce(fix.need == audit::PageFix::Need::Lang ? needLang_ : needBase_, fix.rule);
    outcomes_.insert(name, std::move(outcome));
    return audit;
}

// In place and atomic; a read-only page is not replaced, though the folder
// would let a new file take its name.
void FixRun::write(const QString& name, const QByteArray& bytes, Outcome& outcome) const {
    const QFileInfo info(name);
    const QFileDevice::Permissions mode = info.permissions();
    const auto failed = [&](const QString& why) {
        outcome.failed = true;
        outcome.made = 0;
        outcome.lines = {name + QStringLiteral(": not fixed: %1; the page is as it was").arg(why)};
    };
    if (!info.isWritable() || !(mode & kAnyWrite)) {
        failed(QStringLiteral("the file is read-only"));
        return;
    }
    QString error;
    if (!writePageBytes(name, bytes, &error)) // the saved file takes the old one's mode
        failed(QStringLiteral("cannot be written (%1)").arg(error));
}

bool FixRun::report(const QStringList& pages) const {
    QMutexLocker lock(&mutex_);
    bool written = true;
    int made = 0, fixedPages = 0;
    QByteArray diff;
    for (const QString& name : pages) {
        const auto outcome = outcomes_.constFind(name);
        if (outcome == outcomes_.cend())
            continue;
        for (const QString& line : outcome->lines)
            writeError(line);
        diff += outcome->diff;
        written = written && !outcome->failed;
        made += outcome->made;
        fixedPages += outcome->made > 0;
    }
    if (!needBase_.isEmpty())
        writeError(QStringLiteral("--fix: %1 can be fixed with --base-url URL")
                       .arg(needBase_.join(QLatin1String(", "))));
    if (!needLang_.isEmpty())
        writeError(QStringLiteral("--fix: %1 can be fixed with --lang CODE")
                       .arg(needLang_.join(QLatin1String(", "))));
    writeError(request_.dryRun ? QStringLiteral("--fix --dry-run: %1 fixes on %2 pages, nothing written")
                                     .arg(made)
                                     .arg(fixedPages)
                               : QStringLiteral("--fix: %1 fixes on %2 pages").arg(made).arg(fixedPages));
    if (request_.dryRun)
        writeOut(diff);
    return written;
}

} // namespace headwise::cli
