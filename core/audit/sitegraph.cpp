#include "core/audit/sitegraph.h"

#include "core/site/pagelinks.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace headwise::audit {
namespace {

// Where a folder stands when the run is not told where it is published.
const QUrl kUnpublished(QStringLiteral("https://folder.invalid/"));

bool isWebScheme(const QString& scheme) {
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

} // namespace

SiteFolder::SiteFolder(const QString& root, const QUrl& baseUrl)
    : root_(QDir(root).absolutePath()), canonicalRoot_(QFileInfo(root).canonicalFilePath()),
      base_(baseUrl.isEmpty() ? kUnpublished : baseUrl) {
    if (!base_.path().endsWith(u'/'))
        base_.setPath(base_.path() + u'/');
}

QUrl SiteFolder::addressOf(const QString& filePath) const {
    const QString relative = QDir(root_).relativeFilePath(QFileInfo(filePath).absoluteFilePath());
    QUrl address = base_;
    address.setPath(base_.path() + relative, QUrl::DecodedMode);
    return address;
}

std::optional<SiteFolder::Target> SiteFolder::target(const QUrl& resolved) const {
    if (!resolved.isValid() || !isWebScheme(resolved.scheme()))
        return std::nullopt;
    const QString path = resolved.path(QUrl::FullyDecoded);
    if (!sameOrigin(resolved, base_) || !path.startsWith(base_.path(QUrl::FullyDecoded)))
        return Target{resolved.adjusted(QUrl::RemoveFragment).toString(QUrl::FullyEncoded), false};
    return internalTarget(path.mid(base_.path(QUrl::FullyDecoded).size()));
}

SiteFolder::Target SiteFolder::internalTarget(QString key) const {
    // A folder is served by its index page. Only a last part without a dot
    // may name a folder without saying so: files are not asked about here.
    const bool folderNamed = key.isEmpty() || key.endsWith(u'/');
    const bool maybeFolder =
        !folderNamed && !QStringView(key).sliced(key.lastIndexOf(u'/') + 1).contains(u'.');
    if (folderNamed || (maybeFolder && QFileInfo(root_ + u'/' + key).isDir())) {
        const QString folder = folderNamed ? key : key + u'/';
        key = folder + QStringLiteral("index.html");
        const QString htm = folder + QStringLiteral("index.htm");
        if (!QFileInfo(root_ + u'/' + key).isFile() && QFileInfo(root_ + u'/' + htm).isFile())
            key = htm;
    }
    return Target{key, true};
}

std::optional<SiteFolder::Target> SiteFolder::reference(const QUrl& base, const QString& baseKey,
                                                        const QString& href) const {
    // The plain forms, a path below the page's folder or below the site's
    // root, are resolved as text: most links are of them, and an address
    // parse for each would cost more than the rest of the graph.
    QStringView path(href);
    const qsizetype cut = std::min<qsizetype>(path.indexOf(u'?') < 0 ? path.size() : path.indexOf(u'?'),
                                              path.indexOf(u'#') < 0 ? path.size() : path.indexOf(u'#'));
    path = path.first(cut);
    const qsizetype colon = path.indexOf(u':');
    const qsizetype slash = path.indexOf(u'/');
    const bool hasScheme = colon >= 0 && (slash < 0 || colon < slash);
    const bool plain = !hasScheme && !path.startsWith(u"//") && !path.contains(u'%') &&
                       !path.contains(u'\\') && !path.contains(u"./") && !path.endsWith(u'.') &&
                       !path.contains(u"//") && !path.contains(u'&') && !path.contains(u' ');
    if (plain && !baseKey.isNull()) {
        if (path.isEmpty() && cut < href.size())
            return Target{baseKey, true}; // "#part" or "?query": the page itself
        if (path.startsWith(u'/'))
            return base_.path() == QLatin1String("/")
                       ? std::optional(internalTarget(path.sliced(1).toString()))
                       : target(base.resolved(QUrl(href)));
        if (!path.isEmpty())
            return internalTarget(baseKey.left(baseKey.lastIndexOf(u'/') + 1) + path.toString());
    }
    return target(base.resolved(QUrl(href)));
}

SiteFolder::File SiteFolder::file(const QString& key) const {
    const QFileInfo info(root_ + u'/' + key);
    if (!info.isFile())
        return File::Missing;
    const QString real = info.canonicalFilePath();
    return real.startsWith(canonicalRoot_ + u'/') ? File::Present : File::Outside;
}

qint32 SiteGraph::intern(const QString& key, bool internal) {
    const auto found = ids_.constFind(key);
    if (found != ids_.constEnd())
        return *found;
    const auto id = qint32(keys_.size());
    ids_.insert(key, id);
    keys_.append(key);
    internal_.append(internal);
    return id;
}

namespace {

// Findings of one rule, with its configured severity, on the pages that do not disable it.
class RuleOutput {
public:
    RuleOutput(const char* id, const AuditConfig& config, QList<QList<Finding>>& out)
        : rule_(findRule(id)), severity_(config.severityOf(*rule_)), out_(out) {}

    void add(qsizetype page, const SitePage& p, const SiteReference* at, const QString& message) {
        if (!severity_ || p.disabledRules.contains(rule_->id))
            return;
        Finding f;
        f.rule = rule_->id;
        f.severity = *severity_;
        f.message = message;
        if (at && at->offset >= 0) {
            f.line = at->line;
            f.column = at->column;
            f.offset = at->offset;
            f.length = at->length;
        }
        out_[page].append(std::move(f));
    }

private:
    const Rule* rule_;
    std::optional<Severity> severity_;
    QList<QList<Finding>>& out_;
};

} // namespace

QList<QList<Finding>> siteFindings(const QList<SitePage>& pages, const SiteGraph& graph,
                                   const SiteFolder& folder, const AuditConfig& config) {
    QList<QList<Finding>> out(pages.size());
    RuleOutput broken("link-broken", config, out), nofollow("nofollow-internal", config, out),
        canonicalTarget("canonical-target", config, out), hreflangTarget("hreflang-target", config, out),
        noReturn("hreflang-no-return", config, out), orphan("orphan", config, out);

    QList<qint32> pageOf(graph.size(), -1);
    for (qsizetype i = 0; i < pages.size(); ++i)
        pageOf[pages[i].key] = qint32(i);
    // Whether a key that is no audited page is a file of the folder: asked once per key.
    QList<qint8> fileState(graph.size(), -1);
    const auto fileOf = [&](qint32 id) {
        if (fileState[id] < 0)
            fileState[id] = qint8(folder.file(graph.key(id)));
        return SiteFolder::File(fileState[id]);
    };
    const auto missing = [&](qint32 id) { return pageOf[id] < 0 && fileOf(id) == SiteFolder::File::Missing; };
    const auto unindexable = [&](qint32 id) { return pageOf[id] >= 0 && !pages[pageOf[id]].indexable; };
    // A page whose canonical names another page is not its own canonical.
    const auto othersCanonical = [&](qint32 id) {
        const qint32 page = pageOf[id];
        return page >= 0 && pages[page].canonical >= 0 && pages[page].canonical != id;
    };

    // A page of the site is named by its path in the site.
    const auto shown = [&](qint32 id) { return graph.internal(id) ? u'/' + graph.key(id) : graph.key(id); };

    QList<qint32> inbound(pages.size(), 0);
    QList<QSet<qint32>> alternates(pages.size());
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const SitePage& p = pages[i];
        for (const SiteReference& r : p.references) {
            if (!graph.internal(r.target))
                continue;
            const QString target = shown(r.target);
            switch (r.kind) {
            case ReferenceKind::Link:
            case ReferenceKind::Area:
            case ReferenceKind::Image:
                if (missing(r.target))
                    broken.add(i, p, &r,
                               QStringLiteral("%1 %2 does not exist in the folder")
                                   .arg(r.kind == ReferenceKind::Image ? QLatin1String("The image")
                                                                       : QLatin1String("The linked page"),
                                        target));
                if (r.kind == ReferenceKind::Image)
                    break;
                if (r.nofollow)
                    nofollow.add(i, p, &r,
                                 QStringLiteral("The link to %1 carries rel=nofollow: search engines do not "
                                                "follow it to a page of the same site")
                                     .arg(target));
                if (r.target != p.key && pageOf[r.target] >= 0)
                    ++inbound[pageOf[r.target]];
                break;
            case ReferenceKind::Canonical:
                if (r.target == p.key)
                    break;
                if (missing(r.target))
                    canonicalTarget.add(
                        i, p, &r, QStringLiteral("The canonical names %1, which does not exist").arg(target));
                else if (unindexable(r.target))
                    canonicalTarget.add(
                        i, p, &r,
                        QStringLiteral("The canonical names %1, which is not to be indexed").arg(target));
                else if (othersCanonical(r.target))
                    canonicalTarget.add(i, p, &r,
                                        QStringLiteral("The canonical names %1, whose own canonical names %2")
                                            .arg(target, shown(pages[pageOf[r.target]].canonical)));
                break;
            case ReferenceKind::Alternate:
                alternates[i].insert(r.target);
                if (r.target == p.key)
                    break;
                if (missing(r.target))
                    hreflangTarget.add(i, p, &r,
                                       QStringLiteral("The alternate %1 does not exist").arg(target));
                else if (unindexable(r.target))
                    hreflangTarget.add(i, p, &r,
                                       QStringLiteral("The alternate %1 is not to be indexed").arg(target));
                else if (othersCanonical(r.target))
                    hreflangTarget.add(
                        i, p, &r,
                        QStringLiteral("The alternate %1 is not its own canonical: it names %2")
                            .arg(target, shown(pages[pageOf[r.target]].canonical)));
                break;
            }
        }
    }

    for (qsizetype i = 0; i < pages.size(); ++i) {
        const SitePage& p = pages[i];
        for (const SiteReference& r : p.references) {
            const qint32 other =
                r.kind == ReferenceKind::Alternate && r.target != p.key ? pageOf[r.target] : -1;
            if (other >= 0 && !alternates[other].contains(p.key))
                noReturn.add(i, p, &r,
                             QStringLiteral("%1 lists no alternate back to this page: search engines ignore "
                                            "alternates that are not confirmed both ways")
                                 .arg(shown(r.target)));
        }
        // The folder's own index page is where the site starts: it needs no link.
        if (inbound[i] == 0 && graph.key(p.key) != QLatin1String("index.html") &&
            graph.key(p.key) != QLatin1String("index.htm"))
            orphan.add(i, p, nullptr, QStringLiteral("No other page of the site links to this page"));
    }
    return out;
}

} // namespace headwise::audit
