#pragma once

#include "core/audit/auditconfig.h"
#include "core/audit/finding.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>

namespace headwise::audit {

// A folder as the published site would serve it: links rooted at "/" resolve
// against the folder, a link to a folder finds its index.html (or index.htm),
// a query or fragment names the same file, and the site's own absolute
// addresses (the base address) map onto the folder.
class SiteFolder {
public:
    // baseUrl: where the folder is published; empty when not known.
    SiteFolder(const QString& root, const QUrl& baseUrl);

    const QString& root() const { return root_; }
    // The address a file of the folder stands at in the published site.
    QUrl addressOf(const QString& filePath) const;
    // The key of a resolved address: the path below the folder for the site's
    // own addresses, else the address itself; nothing for what is no web
    // address (mailto:, javascript:, data: ...).
    struct Target {
        QString key;
        bool internal = false;
    };
    std::optional<Target> target(const QUrl& resolved) const;
    // The target of an address written in a page whose references resolve
    // against base, which stands for the key baseKey (null when base is no
    // file of the folder, as with a <base href>).
    std::optional<Target> reference(const QUrl& base, const QString& baseKey, const QString& href) const;
    // Whether an internal key names a file inside the folder; a symbolic link
    // that leads out of it is neither here nor missing.
    enum class File { Present, Missing, Outside };
    File file(const QString& key) const;

private:
    Target internalTarget(QString key) const;

    QString root_;          // absolute, without a final "/"
    QString canonicalRoot_; // with symbolic links resolved
    QUrl base_;             // ends with "/"
};

// The rules that look across a site's pages, which no single page triggers.
inline constexpr const char* kSiteRules[] = {"link-broken",     "nofollow-internal",  "canonical-target",
                                             "hreflang-target", "hreflang-no-return", "orphan"};

// What a reference in a page points at, and from where.
enum class ReferenceKind : quint8 { Link, Area, Image, Canonical, Alternate };
struct SiteReference {
    qint32 target = -1; // the graph's id of the target's key
    qint32 line = 0, column = 0;
    qint32 offset = -1, length = 0; // in the page's text; -1 for a Link header
    ReferenceKind kind = ReferenceKind::Link;
    bool nofollow = false;
};

// One page of a site as the rules across pages see it.
struct SitePage {
    QString name; // how messages name the page
    qint32 key = -1;
    bool indexable = true;
    qint32 canonical = -1; // the key its canonical names; -1 when it has none
    QStringList disabledRules;
    QList<SiteReference> references;
};

// One id per key, for every page and reference of a site.
class SiteGraph {
public:
    qint32 intern(const QString& key, bool internal);
    const QString& key(qint32 id) const { return keys_[id]; }
    bool internal(qint32 id) const { return internal_[id]; }
    qsizetype size() const { return keys_.size(); }

private:
    QHash<QString, qint32> ids_;
    QStringList keys_;
    QList<bool> internal_;
};

// The findings of the rules across a whole folder site, per page in the
// order given: one pass over the references.
QList<QList<Finding>> siteFindings(const QList<SitePage>& pages, const SiteGraph& graph,
                                   const SiteFolder& folder, const AuditConfig& config);

} // namespace headwise::audit
