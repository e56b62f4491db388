#include "core/audit/model/sitegraph.h"

#include "core/site/pagelinks.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <bit>
#include <string_view>

namespace headwise::audit {
namespace {

// Where a folder stands when the run is not told where it is published.
constexpr auto kUnpublished = "https://folder.invalid/";

// Before the key of a path a web server refuses, which then keeps the path as
// written: a NUL is refused in a path, so no other key starts with one, and the
// key still names nothing outside the folder.
constexpr QChar kRefused(0);

bool isWebScheme(const QString& scheme) {
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

// A part of a path, decoded, that a server would not look up: it steps up or
// stays put, or it would be read as more than one part.
bool refusedPart(QStringView part) {
    return part == u"." || part == u".." || part.contains(u'/') || part.contains(u'\\') ||
           part.contains(QChar(0));
}

bool leadsAstray(QStringView key) {
    for (const QStringView part : key.tokenize(u'/'))
        if (refusedPart(part))
            return true;
    return false;
}

// What an address parser would strip from around an address: C0 controls and spaces.
QStringView strippedAddress(QStringView href) {
    while (!href.isEmpty() && href.front().unicode() <= 0x20)
        href = href.sliced(1);
    while (!href.isEmpty() && href.back().unicode() <= 0x20)
        href.chop(1);
    return href;
}

// A path below a folder as its walk writes it: no empty, "." or ".." part.
bool isCleanBelow(QStringView path) {
    for (const QStringView part : path.tokenize(u'/'))
        if (part.isEmpty() || part == u"." || part == u"..")
            return false;
    return !path.isEmpty();
}

// Whether a relative address climbs above the folder's root from the page at
// baseKey, where a browser stops: "../x.html" from the top names "x.html".
bool climbsOut(QStringView href, QStringView baseKey) {
    // Asked of every link: a plain loop, where a search for ".." costs a setup each time.
    bool dots = false;
    for (qsizetype i = 1; i < href.size() && !dots; ++i)
        dots = href[i] == u'.' && href[i - 1] == u'.';
    if (!dots || href.startsWith(u'/') || href.startsWith(u'\\'))
        return false;
    const qsizetype end = std::min(href.indexOf(u'?') < 0 ? href.size() : href.indexOf(u'?'),
                                   href.indexOf(u'#') < 0 ? href.size() : href.indexOf(u'#'));
    const QStringView path = href.first(end);
    const qsizetype colon = path.indexOf(u':');
    if (colon >= 0 && (path.indexOf(u'/') < 0 || colon < path.indexOf(u'/'))) // a scheme: absolute
        return false;
    qsizetype depth = baseKey.count(u'/');
    const QList<QStringView> parts = path.split(u'/');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (parts[i] == u"..") {
            if (--depth < 0)
                return true;
        } else if (parts[i] != u"." && i + 1 < parts.size()) {
            ++depth;
        }
    }
    return false;
}

// What a worker resolves a page's references in, kept for its next page: a
// page's few lists made anew each time cost more than the lookups, and left
// the memory in pieces between what the pages keep.
struct Scratch {
    PageReferenceSpans spans;
    QList<SiteReference> references;
    QString keys;
    QList<ResolvedPage::Target> targets;
    QString fragments;
};
thread_local Scratch scratch;

// Beyond this a page's list is let go, not kept for the next.
constexpr qsizetype kMaxKept = qsizetype(1) << 20;

// A share picture or medium outside the site is the share site's to fetch, not a reference to check.
bool onlyInternal(ReferenceKind kind) {
    return kind >= ReferenceKind::MetaImage && kind <= ReferenceKind::MetaAudio;
}

// The fragment of an address as written, when it names something to look
// for: "#" and "#top" are the top of the page.
QStringView fragmentOf(QStringView href) {
    const qsizetype hash = href.indexOf(u'#');
    if (hash < 0)
        return {};
    const QStringView fragment = href.sliced(hash + 1);
    if (fragment.isEmpty() || fragment.compare(u"top", Qt::CaseInsensitive) == 0)
        return {};
    return fragment;
}

} // namespace

bool loadedOrFollowed(ReferenceKind kind) {
    return kind < ReferenceKind::Canonical;
}

bool SitePage::namesId(quint32 hash) const {
    return std::binary_search(ids.begin(), ids.end(), hash);
}

std::optional<SiteTarget> SiteScope::reference(const web::WebUrl& base, const QString&,
                                               const QString& href) const {
    return target(web::parseWebUrl(href, &base));
}

std::optional<bool> SiteScope::appendReference(const web::WebUrl& base, const QString& baseKey,
                                               QStringView href, QString& keys) const {
    const std::optional<SiteTarget> found = reference(base, baseKey, href.toString());
    if (!found)
        return std::nullopt;
    keys += found->key;
    return found->internal;
}

QString SiteScope::shown(const QString& key, bool) const {
    return key;
}

SiteFolder::SiteFolder(const QString& root, const QUrl& baseUrl)
    : root_(QDir(root).absolutePath()), canonicalRoot_(QFileInfo(root).canonicalFilePath()) {
    base_ = web::parseWebUrl(baseUrl.isEmpty() ? QString::fromLatin1(kUnpublished)
                                               : baseUrl.toString(QUrl::FullyEncoded));
    // A folder may stand where its file: addresses name it, as installed documentation does.
    const bool served = isWebScheme(base_.scheme) ? !base_.host.isEmpty() : base_.scheme == u"file";
    if (!base_.valid || !served || base_.opaquePath)
        base_ = web::parseWebUrl(QString::fromLatin1(kUnpublished));
    if (!base_.path.endsWith(u'/'))
        base_ = web::parseWebUrl(QString(base_.path + u'/'), &base_);
    if (base_.path.size() > 1)
        for (const QStringView part : QStringView(base_.path).sliced(1).chopped(1).split(u'/'))
            basePath_.append(web::percentDecoded(part));
    publishedAtRoot_ = base_.path == QLatin1String("/");
    if (base_.query.isNull() && base_.fragment.isNull())
        baseText_ = base_.href;
    QFile robots(root_ + QStringLiteral("/robots.txt"));
    if (robots.open(QIODevice::ReadOnly))
        robots_ = RobotsRules::parse(robots.read(RobotsRules::kMaxBytes), u"Googlebot");
}

web::WebUrl SiteFolder::addressOf(const QString& filePath) const {
    // A walk of the folder names its files below the root as they are; any
    // other spelling is asked of the file system.
    const QStringView below = filePath.size() > root_.size() && filePath[root_.size()] == u'/'
                                  ? QStringView(filePath).sliced(root_.size() + 1)
                                  : QStringView();
    const QString relative = filePath.startsWith(root_) && isCleanBelow(below)
                                 ? below.toString()
                                 : QDir(root_).relativeFilePath(QFileInfo(filePath).absoluteFilePath());
    // A file's name is a path, not an address: what the parser would read
    // as more than a character of it is escaped first.
    QString path = base_.path;
    for (const QChar c : relative) {
        const char16_t u = c.unicode();
        if (u <= 0x20 || u == u'%' || u == u'?' || u == u'#' || u == u'\\')
            path += QStringLiteral("%%1").arg(uint(u), 2, 16, QLatin1Char('0')).toUpper();
        else
            path += c;
    }
    return web::parseWebUrl(path, &base_);
}

web::WebUrl SiteFolder::pageAddress(const QString& name, const QString&) const {
    return addressOf(name);
}

std::optional<SiteTarget> SiteFolder::target(const web::WebUrl& resolved) const {
    const bool onFile = base_.scheme == u"file";
    if (!resolved.valid || !(isWebScheme(resolved.scheme) || (onFile && resolved.scheme == u"file")))
        return std::nullopt;
    const auto outside = [&] { return SiteTarget{resolved.hrefWithoutFragment().toString(), false}; };
    // file: addresses have no origin: the folder's are those on its host (none, mostly) below its path.
    if (onFile ? resolved.scheme != u"file" || resolved.host != base_.host
               : !web::sameOrigin(resolved, base_))
        return outside();
    // The path below the base's, part by part: each decoded, as a server reads it.
    QStringView below = QStringView(resolved.path).sliced(1);
    for (const QString& part : basePath_) {
        const qsizetype slash = below.indexOf(u'/');
        if (slash < 0 || web::percentDecoded(below.first(slash)) != part)
            return outside();
        below = below.sliced(slash + 1);
    }
    QString key(QLatin1String(""));
    bool refused = false;
    for (const QStringView part : below.tokenize(u'/')) {
        const QString decoded = web::percentDecoded(part);
        refused = refused || refusedPart(decoded);
        key += decoded;
        key += u'/';
    }
    key.chop(1);
    if (refused)
        return SiteTarget{kRefused + below.toString(), true};
    return internalTarget(std::move(key));
}

SiteTarget SiteFolder::internalTarget(QString key) const {
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
    return SiteTarget{std::move(key), true};
}

void SiteFolder::settleInternal(QString& keys, qsizetype from) const {
    // Most keys name a file, a dot in their last part: no folder to look in.
    const QStringView key = QStringView(keys).sliced(from);
    for (qsizetype i = key.size() - 1; i >= 0 && key[i] != u'/'; --i)
        if (key[i] == u'.')
            return;
    const QString written = key.toString();
    QString settled;
    {
        QReadLocker read(&settled_->lock);
        settled = settled_->keys.value(written);
    }
    if (settled.isNull()) { // the disk asked outside the lock; two threads asking are told alike
        settled = internalTarget(written).key;
        QWriteLocker write(&settled_->lock);
        settled_->keys.insert(written, settled);
    }
    keys.truncate(from);
    keys += settled;
}

std::optional<SiteTarget> SiteFolder::reference(const web::WebUrl& base, const QString& baseKey,
                                                const QString& href) const {
    QString key;
    const std::optional<bool> internal = appendReference(base, baseKey, href, key);
    if (!internal)
        return std::nullopt;
    return SiteTarget{std::move(key), *internal};
}

std::optional<bool> SiteFolder::appendReference(const web::WebUrl& base, const QString& baseKey,
                                                QStringView href, QString& keys) const {
    // The plain forms, a path below the page's folder or below the site's
    // root, are resolved as text: most links are of them, and an address
    // parse for each would cost more than the rest of the graph. One look at
    // each character tells whether the address is plain.
    qsizetype cut = href.size();
    bool plain = !baseKey.isNull() && !baseKey.startsWith(kRefused);
    bool slashSeen = false;
    // The signs below: " #%&./:?", a backslash and the controls (a tab or a
    // newline is dropped by the parser). One look up a character, so that
    // letters and digits take the same way through the loop.
    static constexpr auto kSigns = [] {
        std::array<bool, 128> signs{};
        for (const char c : std::string_view(" #%&./:?\\"))
            signs[uchar(c)] = true;
        for (uchar c = 0; c < 0x20; ++c)
            signs[c] = true;
        return signs;
    }();
    // Leading "./" and "../" parts, as relative links to a sibling folder
    // begin, climb the page's folder as text while it has folders to climb.
    qsizetype start = 0;
    int up = 0;
    for (;;) {
        if (href.sliced(start).startsWith(u"../"))
            ++up, start += 3;
        else if (href.sliced(start).startsWith(u"./"))
            start += 2;
        else
            break;
    }
    slashSeen = start > 0;
    for (qsizetype i = start; i < href.size() && plain; ++i) {
        const char16_t c = href[i].unicode();
        if (c >= 128) {
            plain = !QChar::isSurrogate(c); // a lone one is no character: the parser's
            continue;
        }
        if (!kSigns[c])
            continue;
        if (c < 0x20) {
            plain = false;
            continue;
        }
        if (c == u'?' || c == u'#') {
            cut = i;
            break;
        }
        const char16_t next = i + 1 < href.size() ? href[i + 1].unicode() : u'\0';
        if (c == u'%' || c == u'\\' || c == u'&' || c == u' ' || (c == u':' && !slashSeen) ||
            (c == u'.' && (next == u'/' || next == u'?' || next == u'#' || next == u'\0')) ||
            (c == u'/' && next == u'/'))
            plain = false;
        slashSeen = slashSeen || c == u'/';
    }
    const qsizetype from = keys.size();
    // The site's own absolute addresses (canonicals, alternates) when written
    // in the few characters that read the same to the address parser.
    if (!baseText_.isEmpty() && !href.isEmpty() && href.front() == baseText_.front() &&
        href.startsWith(baseText_)) {
        const QStringView path = href.sliced(baseText_.size());
        bool simple = true;
        for (qsizetype i = 0; i < path.size() && simple; ++i) {
            const char16_t c = path[i].unicode();
            const char16_t next = i + 1 < path.size() ? path[i + 1].unicode() : u'\0';
            simple = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                     c == u'-' || c == u'_' || c == u'~' || (c == u'/' && next != u'/') ||
                     (c == u'.' && next != u'/' && next != u'\0' && next != u'.');
        }
        if (simple) {
            keys += path;
            settleInternal(keys, from);
            return true;
        }
    }
    if (plain && start > 0) {
        const QStringView path = href.sliced(start, cut - start);
        const qsizetype depth = baseKey.count(u'/'); // the folders the page stands in
        if (!path.isEmpty() && !path.startsWith(u'/') && up <= depth) {
            qsizetype kept = -1; // the last slash of the folder the link climbs to
            for (qsizetype k = 0; k < depth - up; ++k)
                kept = baseKey.indexOf(u'/', kept + 1);
            keys.append(QStringView(baseKey).first(kept + 1)).append(path);
            settleInternal(keys, from);
            return true;
        }
    }
    if (plain && start == 0) {
        const QStringView path = href.first(cut);
        if (path.isEmpty() && cut < href.size()) { // "#part": the page itself
            keys += baseKey;
            return true;
        }
        if (!path.isEmpty() && (!path.startsWith(u'/') || publishedAtRoot_)) {
            if (path.startsWith(u'/'))
                keys += path.sliced(1);
            else
                keys.append(QStringView(baseKey).first(baseKey.lastIndexOf(u'/') + 1)).append(path);
            settleInternal(keys, from);
            return true;
        }
    }
    // A link to another site in the form the parser writes: its text is its key.
    if (const qsizetype written = web::writtenAsParsed(href)) {
        const qsizetype hostStart = href.indexOf(u"//") + 2;
        const QStringView host = href.sliced(hostStart, href.indexOf(u'/', hostStart) - hostStart);
        if (base_.scheme == u"file" || host != base_.host) {
            keys += href.first(written);
            return false;
        }
    }
    const std::optional<SiteTarget> found = target(web::parseWebUrl(href, &base));
    if (!found)
        return std::nullopt;
    keys += found->key;
    return found->internal;
}

int SiteFolder::statusOf(const QString& key) const {
    // A site links to thousands of pictures and missing pages: a key is
    // looked up in its folder's listing, read once, not asked of the disk.
    if (key.startsWith(kRefused))
        return 404;
    if (!isCleanBelow(key))
        return leadsAstray(key) ? 404 : statusAt(root_ + u'/' + key);
    const QString folder = key.first(std::max<qsizetype>(key.lastIndexOf(u'/'), 0));
    // Both threads of the rules ask at once: most questions only read.
    std::optional<bool> inside;
    Settled::Entry entry = Settled::Entry::Other;
    {
        QReadLocker read(&settled_->lock);
        if (const auto known = settled_->listed.constFind(folder); known != settled_->listed.constEnd()) {
            inside = *known;
            entry = settled_->entries.value(key, Settled::Entry::Other);
        }
    }
    if (!inside) {
        QWriteLocker write(&settled_->lock);
        inside = listFolderOf(folder);
        entry = settled_->entries.value(key, Settled::Entry::Other);
    }
    if (entry == Settled::Entry::Other)
        return 404;
    if (entry == Settled::Entry::Link)
        return statusAt(root_ + u'/' + key);
    return *inside ? 200 : 0;
}

bool SiteFolder::listFolderOf(const QString& folder) const {
    if (const auto known = settled_->listed.constFind(folder); known != settled_->listed.constEnd())
        return *known;
    const QString path = folder.isEmpty() ? root_ : root_ + u'/' + folder;
    const QString prefix = folder.isEmpty() ? QString() : folder + u'/';
    // The listing tells each entry's type: no visit to the disk per entry.
    QDirIterator entries(path, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        entries.next();
        const QFileInfo info = entries.fileInfo();
        settled_->entries.insert(prefix + entries.fileName(), info.isSymLink() ? Settled::Entry::Link
                                                              : info.isFile()  ? Settled::Entry::File
                                                                               : Settled::Entry::Other);
    }
    return *settled_->listed.insert(
        folder, QString(QFileInfo(path).canonicalFilePath() + u'/').startsWith(canonicalRoot_ + u'/'));
}

int SiteFolder::statusAt(const QString& path) const {
    const QFileInfo info(path);
    if (!info.isFile())
        return 404;
    // A file that is no symbolic link stands where its folder does: the
    // folder's real path is found once per folder.
    QString canonical;
    if (info.isSymLink()) {
        canonical = info.canonicalFilePath();
    } else {
        const QString folder = info.path();
        QWriteLocker lock(&settled_->lock);
        auto found = settled_->folders.constFind(folder);
        if (found == settled_->folders.constEnd())
            found = settled_->folders.insert(folder, QFileInfo(folder).canonicalFilePath());
        canonical = *found + u'/' + info.fileName();
    }
    return canonical.startsWith(canonicalRoot_ + u'/') ? 200 : 0;
}

bool SiteFolder::blocked(const QString& key) const {
    if (!robots_)
        return false;
    // The rules match decoded paths: only a '%' of the key itself needs its escape.
    if (key.startsWith(kRefused))
        return !robots_->allowsPath((base_.path + QStringView(key).sliced(1)).toUtf8());
    QString path = base_.path;
    for (const QChar c : key)
        path += c == u'%' ? QStringView(u"%25") : QStringView(&c, 1);
    return !robots_->allowsPath(path.toUtf8());
}

QString SiteFolder::shown(const QString& key, bool internal) const {
    if (internal && key.startsWith(kRefused))
        return QString(u'/' + key.mid(1));
    return internal ? u'/' + key : key;
}

bool SiteFolder::isHome(const QString& key) const {
    return key == QLatin1String("index.html") || key == QLatin1String("index.htm");
}

SiteOrigin::SiteOrigin(const web::WebUrl& origin, std::shared_ptr<const RobotsRules> googlebot)
    : origin_(origin), googlebot_(std::move(googlebot)) {}

web::WebUrl SiteOrigin::pageAddress(const QString& name, const QString& loaded) const {
    return web::parseWebUrl(loaded.isEmpty() ? name : loaded);
}

std::optional<SiteTarget> SiteOrigin::target(const web::WebUrl& resolved) const {
    if (!resolved.valid || !isWebScheme(resolved.scheme) || resolved.host.isEmpty())
        return std::nullopt;
    return SiteTarget{resolved.hrefWithoutFragment().toString(), web::sameOrigin(resolved, origin_)};
}

bool SiteOrigin::blocked(const QString& key) const {
    return googlebot_ && !googlebot_->allows(web::parseWebUrl(key));
}

bool SiteOrigin::isHome(const QString& key) const {
    return web::parseWebUrl(key).path == QLatin1String("/");
}

ResolvedPage resolveSitePage(const SiteScope& scope, const QString& name, const web::WebUrl& address,
                             const PageAudit& audit, int status) {
    ResolvedPage out;
    SitePage& page = out.page;
    page.name = name;
    page.status = status;
    page.indexable = audit.indexable;
    page.disabledRules = audit.disabledRules;
    out.self = scope.target(address);
    // An error page's links are not the site's: only its status counts.
    if (status >= 400)
        return out;
    const QStringView text(audit.text);
    PageReferenceSpans& references = scratch.spans;
    if (audit.model.body.placesRead)
        pageReferenceSpans(text, audit.model.body.referencePlaces, references);
    else
        pageReferenceSpans(text, references);
    out.keys = std::move(scratch.keys);
    out.keys.truncate(0);
    out.targets = std::move(scratch.targets);
    out.targets.clear();
    out.references = std::move(scratch.references);
    out.references.clear();
    out.fragments = std::move(scratch.fragments);
    out.fragments.truncate(0);
    out.ids = references.ids;
    // A <base href> that is no address leaves the page's own as the base.
    const web::WebUrl base = pageBase(references.base, address);
    const QString baseKey = out.self && !references.base ? out.self->key : QString();
    const qsizetype most = references.references.size() + 1 + audit.alternateLinks.size();
    out.references.reserve(most);
    out.targets.reserve(most);
    qsizetype line = -1; // the references come in page order, the head's links last
    const auto add = [&](QStringView href, ReferenceKind kind, bool nofollow, qsizetype offset,
                         qsizetype length) {
        const qsizetype from = out.keys.size();
        href = strippedAddress(href);
        const std::optional<bool> internal = scope.appendReference(base, baseKey, href, out.keys);
        if (!internal)
            return;
        if (!*internal && onlyInternal(kind)) {
            out.keys.truncate(from);
            return;
        }
        SiteReference r;
        r.kind = kind;
        r.nofollow = nofollow;
        if (offset >= 0) {
            const LineIndex::Place place = audit.lines.placeAfter(offset, line);
            r.line = place.line;
            r.column = place.column;
            r.offset = qint32(offset);
            r.length = qint32(length);
        }
        if (*internal && scope.onDisk() && !baseKey.isNull() && climbsOut(href, baseKey))
            page.climbing.append({qint32(out.references.size()), strippedAddress(href).toString()});
        out.references.append(r);
        const QStringView key = QStringView(out.keys).sliced(from);
        ResolvedPage::Target t{from, qint32(key.size()), *internal, SiteGraph::hash(key)};
        // Only a link to a page of the site has its fragment looked for there.
        const QStringView fragment =
            kind == ReferenceKind::Link || kind == ReferenceKind::Area ? fragmentOf(href) : QStringView();
        if (*internal && !fragment.isEmpty()) {
            t.fragmentFrom = out.fragments.size();
            t.fragmentSize = qint32(fragment.size());
            out.fragments += fragment;
        }
        out.targets.append(t);
    };
    for (const PageReferenceSpan& r : references.references)
        add(references.target(text, r), r.kind, r.nofollow, r.offset, r.length);
    if (audit.canonicalLink)
        add(audit.canonicalLink->href, ReferenceKind::Canonical, false, audit.canonicalLink->offset,
            audit.canonicalLink->length);
    for (const PageAudit::HeadLink& alternate : audit.alternateLinks)
        add(alternate.href, ReferenceKind::Alternate, false, alternate.offset, alternate.length);
    if (audit.refreshTarget)
        out.redirect = scope.reference(base, baseKey, audit.refreshTarget->trimmed());
    return out;
}

ResolvedPage resolveSitemap(const SiteScope& scope, const QString& name, const QStringList& locations,
                            const QList<int>& lines) {
    ResolvedPage out;
    out.page.name = name;
    out.page.sitemap = true;
    out.page.indexable = false;
    out.references.reserve(locations.size());
    out.targets.reserve(locations.size());
    for (qsizetype i = 0; i < locations.size(); ++i) {
        // The entries are absolute: most are read as text, as a page's links are.
        const qsizetype from = out.keys.size();
        const std::optional<bool> internal =
            scope.appendReference(web::WebUrl(), QString(), locations[i], out.keys);
        if (!internal)
            continue;
        SiteReference r;
        r.kind = ReferenceKind::Sitemap;
        r.line = i < lines.size() ? lines[i] : 0;
        r.column = 1;
        out.references.append(r);
        const QStringView key = QStringView(out.keys).sliced(from);
        out.targets.append({from, qint32(key.size()), *internal, SiteGraph::hash(key)});
    }
    return out;
}

QString SitePage::climbingHref(const SiteReference& r) const {
    if (climbing.isEmpty() || &r < references.data() || &r >= references.data() + references.size())
        return {};
    const auto at = qint32(&r - references.data());
    const auto found =
        std::lower_bound(climbing.cbegin(), climbing.cend(), at,
                         [](const std::pair<qint32, QString>& c, qint32 i) { return c.first < i; });
    return found != climbing.cend() && found->first == at ? found->second : QString();
}

size_t SiteGraph::hash(QStringView key) {
    return qHash(key, QHashSeed::globalSeed());
}

qint32 SiteGraph::intern(QStringView key, size_t hash, bool internal) {
    if (slots_.size() < 2 * (from_.size() + 1))
        grow(from_.size() + 1);
    const size_t mask = size_t(slots_.size()) - 1;
    const auto tag = quint32(hash >> 32);
    size_t at = hash & mask;
    for (;; at = (at + 1) & mask) {
        const Slot& slot = slots_[at];
        if (slot.id < 0)
            break;
        if (slot.tag == tag && keyAt(slot.from) == key)
            return slot.id;
    }
    // A key longer than two units can count is never written in a page the run reads.
    Q_ASSERT(quint64(key.size()) <= 0xFFFFFFFFu);
    const auto id = qint32(from_.size());
    text_.append(QChar(char16_t(quint64(key.size()) >> 16))).append(QChar(char16_t(key.size() & 0xFFFF)));
    const qsizetype from = text_.size();
    text_.append(key);
    slots_[at] = Slot{tag, id, from};
    from_.append(from);
    hashes_.append(hash);
    facts_.append(Fact{});
    internal_.append(internal);
    return id;
}

void SiteGraph::grow(qsizetype keys) {
    const auto size = qsizetype(std::bit_ceil(size_t(std::max<qsizetype>(64, 2 * keys))));
    QList<Slot> table(size);
    const size_t mask = size_t(size) - 1;
    for (qint32 id = 0; id < from_.size(); ++id) {
        size_t at = hashes_[id] & mask;
        while (table[at].id >= 0)
            at = (at + 1) & mask;
        table[at] = Slot{quint32(hashes_[id] >> 32), id, from_[id]};
    }
    slots_ = std::move(table);
}

SitePage SiteGraph::add(ResolvedPage&& resolved) {
    SitePage page = std::move(resolved.page);
    if (resolved.self)
        page.key = intern(resolved.self->key, resolved.self->internal);
    else if (!page.sitemap)
        page.key = intern(page.name, true);
    if (resolved.redirect && page.key >= 0 && resolved.redirect->key != keyView(page.key))
        record(key(page.key), internal_[page.key], page.status, resolved.redirect);
    const QStringView keys(resolved.keys);
    const qsizetype n = resolved.references.size();
    SiteReference* const stored = references_.room(n);
    // Room for every key to be new, so that the table stays put while the
    // slots and keys of the references further on are asked for ahead:
    // on a large site each is a cache miss, which is most of the lookup.
    if (slots_.size() < 2 * (from_.size() + n + 1))
        grow(from_.size() + n + 1);
    const size_t mask = size_t(slots_.size()) - 1;
    constexpr qsizetype kAhead = 16;
    for (qsizetype i = 0; i < n; ++i) {
#if defined(__GNUC__)
        if (i + kAhead < n)
            __builtin_prefetch(slots_.constData() + (resolved.targets[i + kAhead].hash & mask));
        if (i + kAhead / 2 < n) {
            const Slot& ahead = slots_.constData()[resolved.targets[i + kAhead / 2].hash & mask];
            if (ahead.id >= 0)
                __builtin_prefetch(text_.constData() + ahead.from);
        }
#endif
        SiteReference& r = stored[i];
        r = resolved.references[i];
        const ResolvedPage::Target& t = resolved.targets[i];
        r.target = intern(keys.sliced(t.from, t.size), t.hash, t.internal);
        if (t.fragmentFrom >= 0)
            r.fragment =
                internFragment(QStringView(resolved.fragments).sliced(t.fragmentFrom, t.fragmentSize));
        if (r.kind == ReferenceKind::Canonical)
            page.canonical = r.target;
    }
    page.references = {stored, size_t(n)};
    // Each id once, sorted, for a lookup by halves.
    QList<quint32>& ids = resolved.ids;
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    quint32* const storedIds = ids_.room(ids.size());
    std::copy(ids.cbegin(), ids.cend(), storedIds);
    page.ids = {storedIds, size_t(ids.size())};
    if (resolved.keys.capacity() <= kMaxKept && resolved.targets.capacity() <= kMaxKept &&
        resolved.references.capacity() <= kMaxKept && resolved.fragments.capacity() <= kMaxKept) {
        scratch.keys = std::move(resolved.keys);
        scratch.targets = std::move(resolved.targets);
        scratch.references = std::move(resolved.references);
        scratch.fragments = std::move(resolved.fragments);
    }
    if (scratch.spans.references.capacity() > kMaxKept || scratch.spans.decoded.capacity() > kMaxKept ||
        scratch.spans.ids.capacity() > kMaxKept)
        scratch.spans = {};
    return page;
}

template <typename T> T* SiteGraph::Blocks<T>::room(qsizetype n) {
    if (n == 0) // no block yet is no place to point into
        return nullptr;
    if (n > kBlock) { // a page of its own size
        blocks_.push_back(std::make_unique<T[]>(size_t(n)));
        return blocks_.back().get();
    }
    if (n > left_) {
        blocks_.push_back(std::make_unique<T[]>(size_t(kBlock)));
        block_ = blocks_.back().get();
        left_ = kBlock;
    }
    T* const room = block_ + (kBlock - left_);
    left_ -= n;
    return room;
}

qint32 SiteGraph::internFragment(QStringView written) {
    const auto found = fragmentIds_.constFind(written);
    if (found != fragmentIds_.constEnd())
        return *found;
    const auto id = qint32(fragments_.size());
    fragments_.append(written.toString());
    fragmentIds_.insert(fragments_.constLast(), id);
    // Matched as a browser matches it: percent-decoded, as UTF-8.
    fragmentHashes_.append(headwise::fragmentHash(web::percentDecoded(written)));
    return id;
}

void SiteGraph::record(const QString& key, bool internal, int status, const std::optional<SiteTarget>& next) {
    const qint32 id = intern(key, internal);
    const qint32 to = next ? intern(next->key, next->internal) : -1;
    Fact& fact = facts_[id];
    fact.status = status;
    if (to >= 0)
        fact.redirect = to;
}

} // namespace headwise::audit
