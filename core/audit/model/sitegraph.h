#pragma once

#include "core/audit/engine/pageaudit.h"
#include "core/site/pagelinks.h"
#include "core/site/robotstxt.h"
#include "core/web/weburl.h"

#include <QHash>
#include <QList>
#include <QReadWriteLock>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace headwise::audit {

// What an address names within a site: the key its graph knows it by, and
// whether it belongs to the site.
struct SiteTarget {
    QString key;
    bool internal = false;
};

// Where a site's pages stand and how the addresses written in them resolve:
// a folder on disk, or an origin on the web.
class SiteScope {
public:
    virtual ~SiteScope() = default;
    // The address a page stands at: name as the run names it, loaded the
    // address it was read from (a file:// address for files).
    virtual web::WebUrl pageAddress(const QString& name, const QString& loaded) const = 0;
    // Nothing for what is no web address (mailto:, javascript:, data: ...).
    virtual std::optional<SiteTarget> target(const web::WebUrl& resolved) const = 0;
    // An address written in a page whose references resolve against base,
    // which stands for the key baseKey (null when base is no page of the site).
    virtual std::optional<SiteTarget> reference(const web::WebUrl& base, const QString& baseKey,
                                                const QString& href) const;
    // The same, for the many links of a page: the key is appended to keys and
    // whether it is internal returned; nothing is appended for no web address.
    virtual std::optional<bool> appendReference(const web::WebUrl& base, const QString& baseKey,
                                                QStringView href, QString& keys) const;
    // The HTTP status an internal key that is no audited page would answer,
    // when the scope can tell without asking a server; 0 when it cannot.
    virtual int statusOf(const QString& key) const = 0;
    // Whether the site's robots.txt keeps Googlebot from an internal key.
    virtual bool blocked(const QString& key) const = 0;
    // A folder's messages say "does not exist", a web site's give the status.
    virtual bool onDisk() const = 0;
    // How a message names a key: a folder's pages by their path in the site.
    virtual QString shown(const QString& key, bool internal) const;
    // Where the site starts, which needs no link to it.
    virtual bool isHome(const QString& key) const = 0;
};

// A folder as the published site would serve it: links rooted at "/" resolve
// against the folder, a link to a folder finds its index.html (or index.htm),
// a query or fragment names the same file, and the site's own absolute
// addresses (the base address) map onto the folder. A path a web server would
// refuse (a part that decodes to "." or "..", or holds a slash, a backslash or
// NUL once decoded) names nothing on disk: it is broken, and nothing outside
// the folder is asked about.
class SiteFolder : public SiteScope {
public:
    // baseUrl: where the folder is published (http:, https:, or file: for a
    // folder that names where it is installed); empty when not known.
    SiteFolder(const QString& root, const QUrl& baseUrl);

    const QString& root() const { return root_; }
    const web::WebUrl& baseUrl() const { return base_; }
    // The address a file of the folder stands at in the published site.
    web::WebUrl addressOf(const QString& filePath) const;
    web::WebUrl pageAddress(const QString& name, const QString& loaded) const override;
    // The key of an address of the site is its path below the folder, decoded.
    std::optional<SiteTarget> target(const web::WebUrl& resolved) const override;
    std::optional<SiteTarget> reference(const web::WebUrl& base, const QString& baseKey,
                                        const QString& href) const override;
    std::optional<bool> appendReference(const web::WebUrl& base, const QString& baseKey, QStringView href,
                                        QString& keys) const override;
    // A file inside the folder answers 200, a missing one 404; a symbolic
    // link that leads out of the folder is neither.
    int statusOf(const QString& key) const override;
    // Against the folder's own robots.txt, when it has one.
    bool blocked(const QString& key) const override;
    bool onDisk() const override { return true; }
    QString shown(const QString& key, bool internal) const override;
    bool isHome(const QString& key) const override;

private:
    SiteTarget internalTarget(QString key) const;
    // internalTarget() for the key that ends keys, from `from` on.
    void settleInternal(QString& keys, qsizetype from) const;

    QString root_;          // absolute, without a final "/"
    QString canonicalRoot_; // with symbolic links resolved
    web::WebUrl base_;      // its path ends with "/"
    QStringList basePath_;  // the base's path, part by part, decoded
    QString baseText_;      // base_ written out, when an address that starts with it is below it
    bool publishedAtRoot_ = true;
    std::optional<RobotsRules> robots_;
    // What settleInternal() found for a key that may name a folder, and the
    // real paths of folders: every page links to the same few, and each look
    // costs the disk a visit. A copy stands for the same folder and shares them.
    struct Settled {
        QReadWriteLock lock;
        QHash<QString, QString> keys;
        QHash<QString, QString> folders; // by path, their real paths
        // What the folders the rules asked about hold, by key; a folder that
        // does not exist is listed with nothing in it.
        enum class Entry : quint8 { File, Link, Other };
        QHash<QString, Entry> entries;
        QHash<QString, bool> listed; // by key of the folder: whether it stands inside the root
    };
    // statusOf() for a path the listings cannot answer for: asked of the file system.
    int statusAt(const QString& path) const;
    // Lists the folder at folderKey the first time it is asked for, and tells
    // whether it stands inside the root; called with settled_->lock written.
    bool listFolderOf(const QString& folderKey) const;
    std::shared_ptr<Settled> settled_ = std::make_shared<Settled>();
};

// The pages of one origin on the web, as a crawl or a sitemap brought them.
class SiteOrigin : public SiteScope {
public:
    SiteOrigin(const web::WebUrl& origin, std::shared_ptr<const RobotsRules> googlebot);

    web::WebUrl pageAddress(const QString& name, const QString& loaded) const override;
    std::optional<SiteTarget> target(const web::WebUrl& resolved) const override;
    int statusOf(const QString&) const override { return 0; }
    bool blocked(const QString& key) const override;
    bool onDisk() const override { return false; }
    bool isHome(const QString& key) const override;

private:
    web::WebUrl origin_;
    std::shared_ptr<const RobotsRules> googlebot_;
};

using headwise::ReferenceKind;
// Whether a page loads or leads a reader to what the reference names: the
// kinds a link checker checks, not a canonical, an alternate or a sitemap's.
bool loadedOrFollowed(ReferenceKind kind);

struct SiteReference {
    qint32 target = -1;   // the graph's id of the target's key
    qint32 fragment = -1; // the graph's id of a link's #fragment; -1 when it names none to look for
    qint32 line = 0, column = 0;
    qint32 offset = -1, length = 0; // in the page's text; -1 for a Link header
    ReferenceKind kind = ReferenceKind::Link;
    bool nofollow = false;
};

// One page of a site as the rules across pages see it; a sitemap is one too,
// its entries its references.
struct SitePage {
    QString name; // how messages name the page
    qint32 key = -1;
    int status = 200;
    bool indexable = true;
    bool sitemap = false;
    qint32 canonical = -1; // the key its canonical names; -1 when it has none
    QStringList disabledRules;
    std::span<const SiteReference> references; // held by the graph
    std::span<const quint32> ids;              // fragmentHash() of its ids, sorted; held by the graph
    bool namesId(quint32 hash) const;

    // The few references of a folder's page that climb above its root
    // ("../std/x.html" from its top), by their place among the references, as
    // written: a browser stops at the root, so they name another address.
    QList<std::pair<qint32, QString>> climbing;

    // How a reference was written when it climbs out of the folder, else null.
    QString climbingHref(const SiteReference& r) const;
};

// A page's references resolved, before the graph gives their keys ids.
struct ResolvedPage {
    SitePage page;                   // key, canonical and references not yet set
    QList<SiteReference> references; // their targets not yet set
    std::optional<SiteTarget> self;
    std::optional<SiteTarget> redirect; // where an instant meta refresh sends the page
    // The references' keys, one after another in keys, hashed here so that
    // the graph, which the pages share under a lock, only looks them up.
    struct Target {
        qsizetype from = 0;
        qint32 size = 0;
        bool internal = false;
        size_t hash = 0;
        qsizetype fragmentFrom = -1; // a link's fragment as written, in fragments; -1 for none
        qint32 fragmentSize = 0;
    };
    QString keys;
    QList<Target> targets; // one per reference
    QString fragments;
    QList<quint32> ids; // fragmentHash() of the page's ids, in page order
};
ResolvedPage resolveSitePage(const SiteScope& scope, const QString& name, const web::WebUrl& address,
                             const PageAudit& audit, int status);
// A sitemap's entries as references, each at the line of its <loc>.
ResolvedPage resolveSitemap(const SiteScope& scope, const QString& name, const QStringList& locations,
                            const QList<int>& lines);

// One id per key, for every page and reference of a site, with what is known
// of each address beyond the pages: its status and where it redirects.
class SiteGraph {
public:
    static size_t hash(QStringView key);
    qint32 intern(QStringView key, bool internal) { return intern(key, hash(key), internal); }
    qint32 intern(QStringView key, size_t hash, bool internal);
    SitePage add(ResolvedPage&& resolved);
    QString key(qint32 id) const { return keyView(id).toString(); }
    QStringView keyView(qint32 id) const { return keyAt(from_[id]); }
    bool internal(qint32 id) const { return internal_[id]; }
    qsizetype size() const { return from_.size(); }

    // The status of an address the redirects went on from without end.
    static constexpr int kEndless = -1;

    // A link's fragment as written, and the fragmentHash() of it decoded.
    const QString& fragment(qint32 id) const { return fragments_[id]; }
    quint32 fragmentHash(qint32 id) const { return fragmentHashes_[id]; }
    // A fetch of key answered status and, for a redirect, sent on to next.
    void record(const QString& key, bool internal, int status, const std::optional<SiteTarget>& next = {});
    int status(qint32 id) const { return facts_[id].status; }
    qint32 redirect(qint32 id) const { return facts_[id].redirect; }

private:
    struct Fact {
        int status = 0;
        qint32 redirect = -1;
    };
    // Open addressing on the keys' hashes, at most half full: a page's key is
    // looked up from its text, without a string made for it. A reference
    // looks at its slot and at the key's text, nothing else: on a large site
    // each is a cache miss, and they were most of the graph's time.
    struct Slot {
        quint32 tag = 0; // the hash's high half
        qint32 id = -1;  // -1 for a free slot
        qsizetype from = 0;
    };
    void grow(qsizetype keys); // to hold this many
    qint32 internFragment(QStringView written);
    // The keys one after another in text_, each after its length in two units.
    QStringView keyAt(qsizetype from) const {
        const auto* at = reinterpret_cast<const char16_t*>(text_.constData()) + from;
        return {at, qsizetype(at[-2]) << 16 | at[-1]};
    }

    QList<Slot> slots_;
    QString text_;
    QList<qsizetype> from_; // per id, where its key starts in text_
    QList<size_t> hashes_;  // per id, for when the table grows
    QList<bool> internal_;
    QList<Fact> facts_; // per id: the rules ask for every reference
    // Every page's references and ids, in large blocks that never move: a
    // list of its own for each page, left among the blocks the page audit
    // takes and gives back, scattered the heap and slowed every allocation after it.
    template <typename T> class Blocks {
    public:
        T* room(qsizetype n);

    private:
        static constexpr qsizetype kBlock = qsizetype(1) << 16;
        std::vector<std::unique_ptr<T[]>> blocks_;
        T* block_ = nullptr;
        qsizetype left_ = 0;
    };
    Blocks<SiteReference> references_;
    Blocks<quint32> ids_;
    // The fragments links name, each once: few, beside the references.
    // Views of fragments_' texts, which never change, so a lookup copies nothing.
    QHash<QStringView, qint32> fragmentIds_;
    QStringList fragments_;
    QList<quint32> fragmentHashes_;
};

} // namespace headwise::audit
