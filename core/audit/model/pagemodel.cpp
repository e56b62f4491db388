#include "core/audit/model/pagemodel.h"

#include "core/audit/model/foldedsearch.h"
#include "core/audit/model/microdata.h"
#include "core/audit/model/tagsource.h"

#include <gumbo.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace headwise::audit {

namespace {

bool isAsciiBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}

// Case-insensitive match of an ASCII lower-case needle at at.
bool matchesAt(const QByteArray& bytes, qsizetype at, std::string_view needle) {
    const auto n = qsizetype(needle.size());
    if (at + n > bytes.size())
        return false;
    for (qsizetype i = 0; i < n; ++i)
        if (lower(bytes[at + i]) != needle[size_t(i)])
            return false;
    return true;
}

// The first '<' at or after from that starts one of needles; -1 if none.
qsizetype findTag(const QByteArray& bytes, qsizetype from, std::initializer_list<std::string_view> needles) {
    const char* data = bytes.constData();
    const qsizetype n = bytes.size();
    const auto matchAt = [&](qsizetype at) {
        for (std::string_view needle : needles)
            if (matchesAt(bytes, at, needle))
                return true;
        return false;
    };
    qsizetype at = std::max<qsizetype>(from, 0);
#if defined(__SSE2__)
    // Sixteen bytes at a time: a '<' counts only before the second and third
    // bytes of a needle, in either case (or 0x20 folds a letter; a few other
    // bytes fold with it, and the needle then rules them out). Most of a
    // page's tags, end tags above all, never reach a needle.
    constexpr qsizetype kMost = 8;
    std::array<std::array<char, 2>, kMost> pairs;
    qsizetype pairCount = 0;
    for (std::string_view needle : needles)
        if (needle.size() >= 3 && pairCount < kMost)
            pairs[size_t(pairCount++)] = {char(needle[1] | 0x20), char(needle[2] | 0x20)};
    if (pairCount == qsizetype(needles.size())) {
        const __m128i open = _mm_set1_epi8('<');
        const __m128i fold = _mm_set1_epi8(0x20);
        const auto load = [&](qsizetype i) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        };
        for (; at + 18 <= n; at += 16) {
            int opens = _mm_movemask_epi8(_mm_cmpeq_epi8(load(at), open));
            if (!opens)
                continue;
            const __m128i second = _mm_or_si128(load(at + 1), fold);
            const __m128i third = _mm_or_si128(load(at + 2), fold);
            __m128i any = _mm_setzero_si128();
            for (qsizetype k = 0; k < pairCount; ++k)
                any = _mm_or_si128(any,
                                   _mm_and_si128(_mm_cmpeq_epi8(second, _mm_set1_epi8(pairs[size_t(k)][0])),
                                                 _mm_cmpeq_epi8(third, _mm_set1_epi8(pairs[size_t(k)][1]))));
            for (opens &= _mm_movemask_epi8(any); opens; opens &= opens - 1)
                if (const qsizetype candidate = at + std::countr_zero(unsigned(opens)); matchAt(candidate))
                    return candidate;
        }
    }
#endif
    for (; at < n;) {
        const void* hit = std::memchr(data + at, '<', size_t(n - at));
        if (!hit)
            return -1;
        at = static_cast<const char*>(hit) - data;
        if (matchAt(at))
            return at;
        ++at;
    }
    return -1;
}

// Byte positions of one element in the UTF-8 buffer given to the parser.
struct RawElement {
    MarkupElement element;
    size_t start = 0;
    size_t end = 0;
};

// A <script type="application/ld+json">: the element, and its text.
struct RawJsonBlock {
    size_t start = 0, end = 0;
    size_t contentStart = 0, contentEnd = 0;
};

struct RawPage {
    std::vector<RawElement> elements;
    std::vector<RawJsonBlock> jsonBlocks;
    QList<Item> microdata; // offsets in bytes
    Attributes htmlAttributes;
    size_t htmlStart = 0, htmlEnd = 0;
    size_t headStart = 0, headEnd = 0;
    size_t lastTokenEnd = 0;    // where the last node's own source ends
    bool openTitle = false;     // a title the input ended inside of
    bool openAtEnd = false;     // a comment or raw text the input ended inside of
    bool bodyTag = false;       // the body was opened by a <body> tag, not by content
    bool bodyByContent = false; // content before the input's end opened the body
    // The first node the parser put in the body, and a </head> or <body> tag after it.
    const GumboNode* firstInBody = nullptr;
    size_t breakStart = 0, breakEnd = 0;
    qsizetype meantEnd = -1;
    QString breakName;
};

Attributes attributesOf(const GumboVector& list) {
    Attributes out;
    out.reserve(list.length);
    for (unsigned i = 0; i < list.length; ++i) {
        const auto* a = static_cast<const GumboAttribute*>(list.data[i]);
        out.append({QString::fromUtf8(a->name), QString::fromUtf8(a->value)});
    }
    return out;
}

size_t nodeSourceEnd(const GumboNode* node) {
    switch (node->type) {
    case GUMBO_NODE_ELEMENT:
    case GUMBO_NODE_TEMPLATE: {
        const GumboElement& e = node->v.element;
        size_t end = e.original_tag.length ? e.start_pos.offset + e.original_tag.length : 0;
        if (e.original_end_tag.length)
            end = std::max(end, e.end_pos.offset + e.original_end_tag.length);
        return end;
    }
    case GUMBO_NODE_TEXT:
    case GUMBO_NODE_CDATA:
    case GUMBO_NODE_COMMENT:
    case GUMBO_NODE_WHITESPACE:
        return node->v.text.start_pos.offset + node->v.text.original_text.length;
    case GUMBO_NODE_DOCUMENT:
        break;
    }
    return 0;
}

bool isJsonLdScript(const GumboElement& e) {
    if (e.tag != GUMBO_TAG_SCRIPT)
        return false;
    const GumboAttribute* type = gumbo_get_attribute(&e.attributes, "type");
    return type &&
           QByteArrayView(type->value).trimmed().compare("application/ld+json", Qt::CaseInsensitive) == 0;
}

void recordJsonBlock(const GumboElement& e, RawPage& page) {
    RawJsonBlock block;
    block.start = startTagSource(e).offset;
    block.contentStart = block.contentEnd = e.start_pos.offset + e.original_tag.length;
    for (unsigned i = 0; i < e.children.length; ++i) {
        const auto* child = static_cast<const GumboNode*>(e.children.data[i]);
        if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE) {
            block.contentStart = std::min(block.contentStart, size_t(child->v.text.start_pos.offset));
            block.contentEnd = std::max(block.contentEnd, size_t(child->v.text.start_pos.offset) +
                                                              child->v.text.original_text.length);
        }
    }
    block.end = e.original_end_tag.length ? e.end_pos.offset + e.original_end_tag.length : block.contentEnd;
    page.jsonBlocks.push_back(block);
}

void recordElement(const GumboNode* node, bool inHead, RawPage& page) {
    const GumboElement& e = node->v.element;
    if (e.tag_namespace != GUMBO_NAMESPACE_HTML)
        return;
    if (isJsonLdScript(e)) {
        recordJsonBlock(e, page);
        return;
    }
    MarkupElement::Kind kind;
    switch (e.tag) {
    case GUMBO_TAG_TITLE:
        kind = MarkupElement::Kind::Title;
        break;
    case GUMBO_TAG_META:
        kind = MarkupElement::Kind::Meta;
        break;
    case GUMBO_TAG_LINK:
        kind = MarkupElement::Kind::Link;
        break;
    default:
        return;
    }
    RawElement raw;
    raw.element.kind = kind;
    raw.element.inHead = inHead;
    raw.element.attributes = attributesOf(e.attributes);
    raw.start = startTagSource(e).offset;
    raw.end = e.start_pos.offset + e.original_tag.length;
    if (kind == MarkupElement::Kind::Title) {
        QByteArray text;
        for (unsigned i = 0; i < e.children.length; ++i) {
            const auto* child = static_cast<const GumboNode*>(e.children.data[i]);
            if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE) {
                text += child->v.text.text;
                raw.end = std::max(raw.end, nodeSourceEnd(child));
            }
        }
        raw.element.text = QString::fromUtf8(text);
        if (e.original_end_tag.length)
            raw.end = e.end_pos.offset + e.original_end_tag.length;
        else
            page.openTitle = true;
    }
    page.elements.push_back(std::move(raw));
}

size_t nodeSourceStart(const GumboNode* node) {
    if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE)
        return startTagSource(node->v.element).offset;
    return node->v.text.start_pos.offset;
}

// The next tag at or after from named by one of needles ("</head", "<body"),
// whole: "<bodyx" and "</header" are other tags. -1 if none.
qsizetype wholeTag(const QByteArray& utf8, qsizetype from, std::initializer_list<std::string_view> needles) {
    for (qsizetype at = from;; ++at) {
        at = findTag(utf8, at, needles);
        if (at < 0)
            return -1;
        for (std::string_view needle : needles) {
            if (!matchesAt(utf8, at, needle))
                continue;
            const qsizetype after = at + qsizetype(needle.size());
            const char c = after < utf8.size() ? utf8[after] : '>';
            if (c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f')
                return at;
        }
    }
}

qsizetype headEndTag(const QByteArray& utf8, qsizetype from) {
    return wholeTag(utf8, from, {"</head", "<body"});
}

// A comment, or the text of an element whose content is not markup. Other text
// nodes may span tags the parser ignored (a stray </head> between two runs of
// text), so they say nothing of where a tag stands.
bool holdsTagsAsText(const GumboNode* node) {
    if (node->type == GUMBO_NODE_COMMENT || node->type == GUMBO_NODE_CDATA)
        return true;
    const GumboNode* parent = node->parent;
    if (!parent || parent->type != GUMBO_NODE_ELEMENT)
        return false;
    switch (parent->v.element.tag) {
    case GUMBO_TAG_SCRIPT:
    case GUMBO_TAG_STYLE:
    case GUMBO_TAG_TEXTAREA:
    case GUMBO_TAG_TITLE:
    case GUMBO_TAG_XMP:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_NOEMBED:
    case GUMBO_TAG_NOFRAMES:
    case GUMBO_TAG_NOSCRIPT:
    case GUMBO_TAG_PLAINTEXT:
        return true;
    default:
        return false;
    }
}

// Body content before a </head> or <body> tag that is still to come ended the
// head early. The tag must not stand in a comment or raw text, which come as
// text nodes; nodes arrive about in source order, so the search only moves on.
void noteBodyNode(const GumboNode* node, const QByteArray& utf8, RawPage& page) {
    const bool element = node->type == GUMBO_NODE_ELEMENT;
    if (!page.firstInBody) {
        if (!(element && node->v.element.original_tag.length) && node->type != GUMBO_NODE_TEXT)
            return; // whitespace, comments and elements the parser supplied end no head
        page.firstInBody = node;
        page.breakStart = nodeSourceStart(node);
        page.breakEnd = element ? page.breakStart + startTagSource(node->v.element).text.length
                                : page.breakStart + node->v.text.original_text.length;
        page.meantEnd = headEndTag(utf8, qsizetype(page.breakEnd));
        return;
    }
    if (page.meantEnd < 0 || element || node->type == GUMBO_NODE_TEMPLATE || !holdsTagsAsText(node))
        return;
    const size_t start = node->v.text.start_pos.offset;
    const size_t end = start + node->v.text.original_text.length;
    if (size_t(page.meantEnd) >= start && size_t(page.meantEnd) < end)
        page.meantEnd = headEndTag(utf8, qsizetype(end));
}

// A comment without its end, or an element whose content is raw text without
// its end tag: the input ended inside it, so what followed the end is unknown.
bool endsOpen(const GumboNode* node) {
    if (node->type == GUMBO_NODE_COMMENT) {
        const GumboStringPiece& t = node->v.text.original_text;
        const QByteArrayView text(t.data, qsizetype(t.length));
        if (!text.startsWith("<!--"))
            return !text.endsWith(">"); // a bogus comment ends at its first '>'
        return !(text.endsWith("-->") || text.endsWith("--!>") || text == "<!-->" || text == "<!--->");
    }
    if (node->type != GUMBO_NODE_ELEMENT || node->v.element.original_end_tag.length)
        return false;
    switch (node->v.element.tag) {
    case GUMBO_TAG_SCRIPT:
    case GUMBO_TAG_STYLE:
    case GUMBO_TAG_TEXTAREA:
    case GUMBO_TAG_XMP:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_NOEMBED:
    case GUMBO_TAG_NOFRAMES:
    case GUMBO_TAG_PLAINTEXT:
        return true;
    default:
        return false;
    }
}

// Depth-first in document order, without recursion: pages nest as deep as they like.
// Template contents are inert and skipped; foreign (SVG, MathML) elements are
// walked for the HTML inside them but not recorded.
RawPage collect(const GumboOutput* output, const QByteArray& utf8, size_t length) {
    RawPage page;
    struct Item {
        const GumboNode* node;
        bool inHead;
        bool inBody;
    };
    std::vector<Item> stack;
    const GumboVector& top = output->document->v.document.children;
    for (unsigned i = top.length; i-- > 0;)
        stack.push_back({static_cast<const GumboNode*>(top.data[i]), false, false});
    const GumboNode* root = output->root;
    while (!stack.empty()) {
        const Item item = stack.back();
        stack.pop_back();
        const GumboNode* node = item.node;
        page.lastTokenEnd = std::max(page.lastTokenEnd, nodeSourceEnd(node));
        page.openAtEnd = page.openAtEnd || endsOpen(node);
        if (item.inBody && !page.bodyTag)
            noteBodyNode(node, utf8, page);
        if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE)
            continue;
        const GumboElement& e = node->v.element;
        if (node == root) {
            page.htmlAttributes = attributesOf(e.attributes);
            page.htmlStart = startTagSource(e).offset;
            page.htmlEnd = e.start_pos.offset + e.original_tag.length;
        } else if (e.tag == GUMBO_TAG_HEAD && node->parent == root) {
            page.headStart = startTagSource(e).offset;
            page.headEnd = e.start_pos.offset + e.original_tag.length;
        } else if (node->type == GUMBO_NODE_ELEMENT) {
            recordElement(node, item.inHead, page);
        }
        const bool childInHead = item.inHead || (e.tag == GUMBO_TAG_HEAD && node->parent == root);
        const bool isBody = e.tag == GUMBO_TAG_BODY && node->parent == root;
        if (isBody && e.original_tag.length)
            page.bodyTag = true; // content after an explicit <body> never ended the head
        if (isBody && !e.original_tag.length && e.start_pos.offset < length)
            page.bodyByContent = true; // else the input's end supplied it
        const bool childInBody = item.inBody || isBody;
        const bool inert = node->type == GUMBO_NODE_TEMPLATE;
        for (unsigned i = e.children.length; i-- > 0;) {
            const auto* child = static_cast<const GumboNode*>(e.children.data[i]);
            if (inert) // still counted for lastTokenEnd, never recorded
                page.lastTokenEnd = std::max(page.lastTokenEnd, nodeSourceEnd(child));
            else
                stack.push_back({child, childInHead, childInBody});
        }
    }
    return page;
}

// The parser keeps a copy of the open elements with every parse error it
// records; on a deeply nested page that grows with the square of the depth.
// The audit reads no parse errors, so none are kept.
const GumboOptions& parseOptions() {
    static const GumboOptions options = [] {
        GumboOptions o = kGumboDefaultOptions;
        o.max_errors = 0;
        return o;
    }();
    return options;
}

// How a message names the node that ended the head: "<img>", "text \"Welcome\"".
QString nodeName(const GumboNode* node) {
    if (node->type == GUMBO_NODE_ELEMENT) {
        const GumboStringPiece tag = startTagSource(node->v.element).text;
        qsizetype n = 1;
        while (n < qsizetype(tag.length) && !std::strchr(" \t\n\r\f/><", tag.data[n]))
            ++n;
        return QStringLiteral("<%1>").arg(QString::fromUtf8(tag.data + 1, n - 1).toLower());
    }
    QString text = QString::fromUtf8(node->v.text.text).simplified();
    if (text.size() > 24)
        text = text.left(23) + QChar(0x2026);
    return QStringLiteral("text \"%1\"").arg(text);
}

RawPage parseBytes(const QByteArray& utf8, qsizetype length) {
    GumboOutput* output = gumbo_parse_with_options(&parseOptions(), utf8.constData(), size_t(length));
    RawPage page = collect(output, utf8, size_t(length));
    if (containsFolded(QByteArrayView(utf8).first(length), "itemscope"))
        page.microdata = readMicrodata(output);
    if (page.firstInBody && page.meantEnd >= 0)
        page.breakName = nodeName(page.firstInBody);
    page.firstInBody = nullptr; // gone with the tree
    gumbo_destroy_output(&parseOptions(), output);
    return page;
}

// Elements that never stay open: void ones, and those the next of their kind closes.
bool staysOpen(QByteArrayView name) {
    static const char* const closed[] = {
        "area",     "base",    "br",       "col",    "embed", "hr",    "img",    "input",
        "link",     "meta",    "param",    "source", "track", "wbr",   "keygen", "frame",
        "basefont", "bgsound", "menuitem", "p",      "li",    "dt",    "dd",     "option",
        "optgroup", "tr",      "td",       "th",     "tbody", "thead", "tfoot",  "colgroup",
        "caption",  "rb",      "rt",       "rp",     "rtc",   "a",     "nobr",   "button",
        "form",     "select",  "h1",       "h2",     "h3",    "h4",    "h5",     "h6"};
    for (const char* c : closed)
        if (name == c)
            return false;
    return true;
}

// The parser's work for each start tag grows with the number of open elements,
// so a page nested thousands deep would take hours. Browsers build no tree
// deeper than 512 either. This counts open elements the cheap way (raw text
// and comments skipped, self-closed and self-closing tags not counted) and
// gives the length of the page up to where the count first passes the limit;
// the parser reads no further. Only tags that start before scanTo are
// counted; the whole size means the limit was not reached before it.
qsizetype shallowLength(const QByteArray& utf8, qsizetype scanTo) {
    constexpr int kMaxDepth = 512;
    const char* data = utf8.constData();
    const qsizetype n = utf8.size();
    int depth = 0;
    for (qsizetype at = 0; at < scanTo;) {
        const void* hit = std::memchr(data + at, '<', size_t(scanTo - at));
        if (!hit)
            break;
        at = static_cast<const char*>(hit) - data;
        const qsizetype tagStart = at;
        if (matchesAt(utf8, at, "<!--")) {
            const qsizetype end = utf8.indexOf("-->", at + 4);
            if (end < 0)
                break;
            at = end + 3;
            continue;
        }
        const bool endTag = at + 1 < n && data[at + 1] == '/';
        qsizetype i = at + (endTag ? 2 : 1);
        const qsizetype nameStart = i;
        while (i < n && ((data[i] >= 'a' && data[i] <= 'z') || (data[i] >= 'A' && data[i] <= 'Z') ||
                         (i > nameStart && data[i] >= '0' && data[i] <= '9')))
            ++i;
        if (i == nameStart) {
            ++at;
            continue;
        }
        // Lower-cased into a small buffer; longer names (custom elements) stay open.
        char lowered[12];
        const qsizetype nameLength = std::min<qsizetype>(i - nameStart, sizeof lowered);
        for (qsizetype k = 0; k < nameLength; ++k)
            lowered[k] = lower(data[nameStart + k]);
        const QByteArrayView name(lowered, i - nameStart > qsizetype(sizeof lowered) ? 0 : nameLength);
        // The end of the tag, past quoted attribute values.
        char quote = 0;
        while (i < n && (quote || data[i] != '>')) {
            if (quote ? data[i] == quote : (data[i] == '"' || data[i] == '\''))
                quote = quote ? 0 : data[i];
            ++i;
        }
        if (i >= n)
            break;
        const bool selfClosing = data[i - 1] == '/';
        at = i + 1;
        if (endTag) {
            depth = std::max(0, depth - 1);
            continue;
        }
        if (name == "script" || name == "style" || name == "textarea" || name == "title" || name == "xmp" ||
            name == "iframe" || name == "noembed" || name == "noframes") {
            char needle[16] = "</";
            std::memcpy(needle + 2, name.data(), size_t(name.size())); // raw text names are short
            needle[2 + name.size()] = '\0';
            const qsizetype close = findTag(utf8, at, {needle});
            if (close < 0)
                break;
            at = close;
            continue;
        }
        if (name == "plaintext")
            break;
        if (selfClosing || !staysOpen(name))
            continue;
        if (++depth > kMaxDepth)
            return tagStart;
    }
    return n;
}

// Everything the rules read comes from these tags (and the title's end tag,
// which closes its text). A byte sequence that looks like one inside a
// comment or a script only costs a full parse, never a different result.
bool mayHoldMarkup(const QByteArray& bytes, qsizetype from) {
    return findTag(bytes, from, {"<meta", "<title", "</title", "<link", "<html"}) >= 0;
}

// UTF-8 byte offsets to UTF-16 indexes. One pass counts the units before
// every 16th byte; each offset then counts from its block's start. Sorting
// the thousands of offsets a page asks for cost more than that pass.
void toTextOffsets(const QByteArray& utf8, std::vector<std::pair<size_t, qsizetype*>>& wanted) {
    const auto* data = reinterpret_cast<const unsigned char*>(utf8.constData());
    const size_t n = size_t(utf8.size());
    // The units a byte adds: a lead or ASCII byte one, a four-byte lead two.
    const auto unitsOf = [](unsigned char b) -> qsizetype {
        return (b & 0xC0) == 0x80 ? 0 : b >= 0xF0 ? 2 : 1;
    };
    constexpr size_t kBlock = 16;
    std::vector<qsizetype> before(n / kBlock + 1);
    qsizetype units = 0;
    for (size_t block = 0; block < n / kBlock; ++block) {
        before[block] = units;
        const unsigned char* b = data + block * kBlock;
        quint64 high = 0;
        for (size_t i = 0; i < kBlock; i += 8) {
            quint64 word;
            std::memcpy(&word, b + i, 8);
            high |= word;
        }
        if (!(high & 0x8080808080808080ULL)) {
            units += qsizetype(kBlock);
            continue;
        }
        for (size_t i = 0; i < kBlock; ++i)
            units += unitsOf(b[i]);
    }
    before[n / kBlock] = units;
    for (auto& [target, out] : wanted) {
        const size_t stop = std::min(target, n);
        qsizetype at = before[stop / kBlock];
        for (size_t i = stop - stop % kBlock; i < stop; ++i)
            at += unitsOf(data[i]);
        *out = at;
    }
}

PageModel finish(const QByteArray& utf8, RawPage raw, BodyElements body) {
    PageModel model;
    model.htmlAttributes = std::move(raw.htmlAttributes);
    model.elements.reserve(qsizetype(raw.elements.size()));
    std::stable_sort(raw.elements.begin(), raw.elements.end(),
                     [](const RawElement& a, const RawElement& b) { return a.start < b.start; });
    std::vector<qsizetype> ends(raw.elements.size() + 1);
    std::vector<std::pair<size_t, qsizetype*>> wanted;
    wanted.reserve(2 * raw.elements.size() + 2);
    for (RawElement& r : raw.elements)
        model.elements.append(std::move(r.element));
    for (size_t i = 0; i < raw.elements.size(); ++i) {
        wanted.push_back({raw.elements[i].start, &model.elements[qsizetype(i)].span.offset});
        wanted.push_back({raw.elements[i].end, &ends[i]});
    }
    qsizetype headEnd = 0;
    wanted.push_back({raw.htmlStart, &model.htmlTag.offset});
    wanted.push_back({raw.htmlEnd, &ends.back()});
    wanted.push_back({raw.headStart, &model.headTag.offset});
    wanted.push_back({raw.headEnd, &headEnd});
    qsizetype breakEnd = 0;
    const bool early = !raw.breakName.isEmpty();
    if (early) {
        model.headBreakName = std::move(raw.breakName);
        wanted.push_back({raw.breakStart, &model.headBreak.offset});
        wanted.push_back({raw.breakEnd, &breakEnd});
        wanted.push_back({size_t(raw.meantEnd), &model.headMeantEnd});
    }
    model.body = std::move(body);
    std::vector<qsizetype> bodyEnds(size_t(model.body.images.size() + model.body.anchors.size()));
    size_t nextEnd = 0;
    for (QList<BodyElement>* list : {&model.body.images, &model.body.anchors})
        for (BodyElement& e : *list) {
            wanted.push_back({size_t(e.offset + e.length), &bodyEnds[nextEnd++]});
            wanted.push_back({size_t(e.offset), &e.offset});
        }
    QList<ReferencePlace>& places = model.body.referencePlaces;
    std::vector<qsizetype> placeEnds(size_t(places.size()));
    for (qsizetype i = 0; i < places.size(); ++i) {
        ReferencePlace& place = places[i];
        if (place.length > 0)
            wanted.push_back({size_t(place.offset + place.length), &placeEnds[size_t(i)]});
        wanted.push_back({size_t(place.offset), &place.offset});
    }
    struct JsonBlockAt {
        qsizetype start = 0, end = 0, contentStart = 0, contentEnd = 0;
    };
    // In the page's order: the parser may have moved one, and the scan's come last.
    std::stable_sort(raw.jsonBlocks.begin(), raw.jsonBlocks.end(),
                     [](const RawJsonBlock& a, const RawJsonBlock& b) { return a.start < b.start; });
    std::vector<JsonBlockAt> blocks(raw.jsonBlocks.size());
    for (size_t i = 0; i < blocks.size(); ++i) {
        wanted.push_back({raw.jsonBlocks[i].start, &blocks[i].start});
        wanted.push_back({raw.jsonBlocks[i].end, &blocks[i].end});
        wanted.push_back({raw.jsonBlocks[i].contentStart, &blocks[i].contentStart});
        wanted.push_back({raw.jsonBlocks[i].contentEnd, &blocks[i].contentEnd});
    }
    std::vector<qsizetype> microdataEnds(size_t(raw.microdata.size()));
    for (qsizetype i = 0; i < raw.microdata.size(); ++i) {
        Item& item = raw.microdata[i];
        wanted.push_back({size_t(item.offset + item.length), &microdataEnds[size_t(i)]});
        wanted.push_back({size_t(item.offset), &item.offset});
    }
    toTextOffsets(utf8, wanted);
    for (qsizetype i = 0; i < places.size(); ++i)
        if (places[i].length > 0)
            places[i].length = placeEnds[size_t(i)] - places[i].offset;
    nextEnd = 0;
    for (QList<BodyElement>* list : {&model.body.images, &model.body.anchors})
        for (BodyElement& e : *list)
            e.length = bodyEnds[nextEnd++] - e.offset;
    StructuredData& data = model.structuredData;
    for (size_t i = 0; i < blocks.size(); ++i) {
        const JsonBlockAt& at = blocks[i];
        const RawJsonBlock& bytes = raw.jsonBlocks[i];
        const QByteArrayView content(utf8.constData() + bytes.contentStart,
                                     qsizetype(bytes.contentEnd - bytes.contentStart));
        readJsonLd(content, at.contentStart, at.start, at.end - at.start, data);
    }
    const int shift = int(data.items.size());
    for (qsizetype i = 0; i < raw.microdata.size(); ++i) {
        Item& item = raw.microdata[i];
        item.length = microdataEnds[size_t(i)] - item.offset;
        for (ItemProperty& property : item.properties)
            for (ItemValue& value : property.values)
                if (value.item >= 0)
                    value.item += shift;
        data.items.append(std::move(item));
    }
    resolveReferences(data);
    if (early) {
        model.headBreak.length = breakEnd - model.headBreak.offset;
        model.headBreakLine = 1;
        for (size_t i = 0; i < raw.breakStart; ++i)
            if (utf8[i] == '\n' ||
                (utf8[i] == '\r' && (qsizetype(i) + 1 >= utf8.size() || utf8[i + 1] != '\n')))
                ++model.headBreakLine;
    }
    for (size_t i = 0; i < raw.elements.size(); ++i) {
        Span& span = model.elements[qsizetype(i)].span;
        span.length = ends[i] - span.offset;
    }
    model.htmlTag.length = ends.back() - model.htmlTag.offset;
    model.headTag.length = headEnd - model.headTag.offset;
    return model;
}

} // namespace

bool MarkupElement::hasAttribute(QLatin1String name) const {
    for (const auto& [key, value] : attributes)
        if (key == name)
            return true;
    return false;
}

QString MarkupElement::attribute(QLatin1String name) const {
    for (const auto& [key, value] : attributes)
        if (key == name)
            return value;
    return {};
}

bool MarkupElement::isMetaNamed(QLatin1String name) const {
    return kind == Kind::Meta &&
           attribute(QLatin1String("name")).trimmed().compare(name, Qt::CaseInsensitive) == 0;
}

bool MarkupElement::isMetaProperty(QLatin1String name) const {
    return kind == Kind::Meta &&
           (attribute(QLatin1String("property")).trimmed().compare(name, Qt::CaseInsensitive) == 0 ||
            isMetaNamed(name));
}

bool MarkupElement::isHttpEquiv(QLatin1String name) const {
    return kind == Kind::Meta &&
           attribute(QLatin1String("http-equiv")).trimmed().compare(name, Qt::CaseInsensitive) == 0;
}

bool MarkupElement::hasRel(QLatin1String token) const {
    if (kind != Kind::Link)
        return false;
    const QString rel = attribute(QLatin1String("rel"));
    qsizetype i = 0;
    while (i < rel.size()) {
        while (i < rel.size() && isAsciiBlank(rel[i]))
            ++i;
        const qsizetype start = i;
        while (i < rel.size() && !isAsciiBlank(rel[i]))
            ++i;
        if (i > start && QStringView(rel).mid(start, i - start).compare(token, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// A browser with scripting on (as search engines render pages) reads a
// <noscript>'s content as text, so a tracking pixel in one does not end the
// head; the parser knows only scripting off. <noframes> is read as text either
// way and is as long, so the tags are renamed in a copy and no offset moves.
// Only tags that start before end are renamed.
QByteArray asScriptingOn(const QByteArray& utf8, qsizetype end) {
    // Searched in a view of the first end bytes: the rest may be megabytes.
    qsizetype at = findTag(QByteArray::fromRawData(utf8.constData(), end), 0, {"<noscript", "</noscript"});
    if (at < 0 || at >= end)
        return utf8;
    QByteArray out = utf8;
    for (; at >= 0 && at < end; at = findTag(out, at + 1, {"<noscript", "</noscript"})) {
        const qsizetype name = at + (out[at + 1] == '/' ? 2 : 1);
        std::memcpy(out.data() + name, "noframes", 8);
    }
    return out;
}

namespace {

// The scan reads <noscript> as text whether renamed or not, so a scan of the
// page as given serves the full parse too.
PageModel wholePage(const QByteArray& page, std::optional<BodyElements> scanned) {
    const QByteArray utf8 = asScriptingOn(page, page.size());
    BodyElements body = scanned ? *std::move(scanned) : scanBodyElements(utf8);
    return finish(utf8, parseBytes(utf8, shallowLength(utf8, utf8.size())), std::move(body));
}

} // namespace

PageModel parseWholePage(const QByteArray& page) {
    return wholePage(page, std::nullopt);
}

// The head is a few kilobytes, the body most of the page, and the parser reads
// about 20 MB/s: parsing only up to the first "<body" and scanning the rest for
// the few tags that matter makes a typical page many times faster. The cut
// keeps every token before it intact, and tree construction never moves a node
// once placed in the head, so the nodes before the cut come out as in a full
// parse. The scan starts where the last node's source ends, so a tag cut in
// half (a "<body" inside an attribute value) is seen too; a title still open
// at the cut needs the rest for its text. Either way the whole page is parsed.
// Pictures and anchors come from a scan of their own, which needs no tree and
// also tells whether the rest may hold structured data.
PageModel parsePage(const QByteArray& page) {
    // The depth count is sequential, so counting only the head part tells
    // whether the whole page would be cut before the head part ends. Only the
    // head part is searched for <noscript> tags: a full parse looks again.
    const qsizetype cut = wholeTag(page, 0, {"<body"});
    if (cut >= 0 && shallowLength(page, cut) == page.size()) {
        const QByteArray utf8 = asScriptingOn(page, cut);
        StructuredDataMarks marks;
        BodyElements body = scanBodyElements(utf8, &marks);
        RawPage head = parseBytes(utf8, cut);
        // A head that content ended early needs the rest, to find the </head> or
        // <body> still to come; so does a tag, comment or script the cut left
        // unfinished, for what follows may end the head. So does an item after
        // the head part or in it (<html itemscope> may reach past the cut), or a
        // JSON-LD script after it that the scan could not read as the parser does.
        const bool whole = qsizetype(head.lastTokenEnd) >= cut && !head.openAtEnd && !head.bodyByContent;
        const bool structured = marks.lastEnd > head.lastTokenEnd || marks.firstItemscope < size_t(cut);
        if (!head.openTitle && whole && !mayHoldMarkup(utf8, qsizetype(head.lastTokenEnd)) && !structured) {
            for (const StructuredDataMarks::JsonLdBlock& b : marks.jsonLd)
                if (b.start >= head.lastTokenEnd) // those before are the head part's own
                    head.jsonBlocks.push_back({b.start, b.end, b.contentStart, b.contentEnd});
            return finish(utf8, std::move(head), std::move(body));
        }
        if (utf8.constData() == page.constData()) // nothing renamed: the scan was of the page itself
            return wholePage(page, std::move(body));
    }
    return parseWholePage(page);
}

} // namespace headwise::audit
