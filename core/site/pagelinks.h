#pragma once

#include <QList>
#include <QString>

#include "core/web/weburl.h"
#include <optional>

namespace headwise {

// What a reference points at: what a page's markup names (a link, an
// <area>, an <img src>, and from Script on what else a page loads: scripts,
// style sheets, icons, srcset candidates, media, frames, share pictures, a
// refresh's target), then what the site graph adds from elsewhere.
enum class ReferenceKind : quint8 {
    Link,
    Area,
    Image,
    Script,
    Stylesheet,
    Icon,
    AppleTouchIcon,
    MaskIcon,
    Preload,
    ModulePreload,
    Prefetch,
    Manifest,
    Feed,
    ImageSrcset,
    SourceSrcset,
    SourceSrc,
    VideoSrc,
    VideoPoster,
    AudioSrc,
    TrackSrc,
    IframeSrc,
    EmbedSrc,
    ObjectData,
    InputImage,
    MetaImage,
    MetaTwitterImage,
    MetaVideo,
    MetaAudio,
    Refresh,
    // Never found in markup by the scan: the page audit's head links, and a sitemap's entries.
    Canonical,
    Alternate,
    Sitemap,
};

// A reference in a page's markup, decoded but not resolved.
struct PageReference {
    using Kind = ReferenceKind;
    QString target;
    Kind kind = Kind::Link;
    bool nofollow = false; // rel holds "nofollow"
    qsizetype offset = 0;  // of the tag's "<"
    qsizetype length = 0;  // of the whole tag
};

struct PageReferences {
    std::optional<QString> base;     // the first <base href>
    QList<PageReference> references; // in page order
    QList<quint32> ids;              // fragmentHash() of each id and <a name>, in page order
};

// What a page keeps of an id or a fragment, decoded: a hash, never 0, for
// the graph holds every page's ids and a text each would cost too much.
quint32 fragmentHash(QStringView decoded);

// One pass over the text; comments, scripts and styles hold no references.
PageReferences pageReferences(const QString& pageText);

// The same references, their addresses left where they stand: a site's pages
// hold a hundred links each, and a string for each would cost more than the
// scan. An address with a character reference in it is decoded into decoded.
struct PageReferenceSpan {
    qsizetype from = 0, size = 0; // the address, in the text or in decoded
    bool inDecoded = false;
    PageReference::Kind kind = PageReference::Kind::Link;
    bool nofollow = false;
    qsizetype offset = 0, length = 0; // of the whole tag
};
struct PageReferenceSpans {
    std::optional<QString> base;
    QList<PageReferenceSpan> references;
    QString decoded;
    QList<quint32> ids; // fragmentHash() of each id and <a name>, comments and scripts left out

    QStringView target(QStringView text, const PageReferenceSpan& r) const {
        return (r.inDecoded ? QStringView(decoded) : text).sliced(r.from, r.size);
    }
};
PageReferenceSpans pageReferenceSpans(QStringView pageText);
// The same into spans, whose lists keep what they hold room for: page after
// page, a reader makes no new ones.
void pageReferenceSpans(QStringView pageText, PageReferenceSpans& spans);

// Where a scan that read the page as a browser's tokenizer does saw what may
// hold a reference or an id: a start tag's "<" (length 0), or the text of an
// element such as <noscript> or <title>, which this reader reads for tags as
// the walk above does. In page order.
// Whether a start tag of this name (in lower case) may hold a reference; any
// tag may hold an id.
bool mayHoldReference(QByteArrayView lowerName);
struct ReferencePlace {
    qsizetype offset = 0, length = 0;
    bool operator==(const ReferencePlace&) const = default;
};
// What the walk finds, read only at those places: the scan has passed over
// the page's other tags already.
void pageReferenceSpans(QStringView pageText, const QList<ReferencePlace>& places, PageReferenceSpans& spans);

// What a page's relative references resolve against: its first <base href>,
// resolved against the page's own address, unless that is no address or one
// no page can stand at (javascript:, data:), which browsers ignore.
web::WebUrl pageBase(const std::optional<QString>& base, const web::WebUrl& pageUrl);

// The href of the first <link rel=canonical> before the body, decoded but not
// resolved; nothing when there is none. Reads no further than the head, so a
// run can read every page's canonical before it reads the pages; headEnded
// tells whether the text went on past it (else more text may hold one).
std::optional<QString> headCanonical(QStringView pageText, bool* headEnded = nullptr);

// The addresses a crawl goes on to from a page: every <a href>, resolved as a
// browser resolves it against the page's <base href> (else its own address),
// without fragment, kept only when on the same origin as `origin`, each once,
// in page order. One pass over the text.
QList<web::WebUrl> sameOriginLinks(const QString& pageText, const web::WebUrl& pageUrl,
                                   const web::WebUrl& origin);

} // namespace headwise
