#include "core/audit/model/bodyelements.h"

#include "core/audit/model/foldedsearch.h"

#include <gumbo.h>

#include <QSet>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>

namespace headwise::audit {

namespace {

constexpr int kMaxDepth = 512;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}

// Element names are compared in a small buffer; longer names (custom
// elements) are cut, which only ever pairs two such names with each other.
struct Name {
    std::array<char, 15> chars{};
    quint8 size = 0;
    bool is(std::string_view name) const {
        return name.size() == size && std::memcmp(chars.data(), name.data(), size) == 0;
    }
    bool operator==(const Name& o) const { return size == o.size && chars == o.chars; }
};

bool isOneOf(const Name& name, std::initializer_list<std::string_view> names) {
    for (std::string_view n : names)
        if (name.is(n))
            return true;
    return false;
}

// Asked of every start tag, so the names are looked up by length first.
bool isVoid(const Name& n) {
    switch (n.size) {
    case 2:
        return isOneOf(n, {"br", "hr"});
    case 3:
        return isOneOf(n, {"col", "img", "wbr"});
    case 4:
        return isOneOf(n, {"area", "base", "link", "meta"});
    case 5:
        return isOneOf(n, {"embed", "image", "input", "param", "track", "frame"});
    case 6:
        return isOneOf(n, {"source", "keygen"});
    case 7:
        return n.is("bgsound");
    case 8:
        return n.is("basefont");
    default:
        return false;
    }
}

// Their content is text up to their end tag; <noscript> too, as with scripting on.
bool holdsRawText(const Name& n) {
    switch (n.size) {
    case 3:
        return n.is("xmp");
    case 5:
        return isOneOf(n, {"style", "title"});
    case 6:
        return isOneOf(n, {"script", "iframe"});
    case 7:
        return n.is("noembed");
    case 8:
        return isOneOf(n, {"textarea", "noframes", "noscript", "template"});
    default:
        return false;
    }
}

// The decoded values of a start tag's source, as the parser reads them
// (character references, NUL and CR), from a parse of the tag alone. The tag
// is parsed as a <span>: alone, an <html>, <head> or <body> gives its
// attributes to an element the parser supplies, and a <tr> or <td> is
// dropped, while the tokenizer reads the attributes of every name alike.
Attributes parsedAttributes(const char* tag, size_t length) {
    size_t nameEnd = 1;
    while (nameEnd < length && !std::memchr(" \t\n\r\f/>", tag[nameEnd], 7))
        ++nameEnd;
    const QByteArray asSpan = "<span" + QByteArray(tag + nameEnd, qsizetype(length - nameEnd));
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;
    GumboOutput* output = gumbo_parse_with_options(&options, asSpan.constData(), size_t(asSpan.size()));
    Attributes out;
    // The tag is the first element below <html> the parser did not supply.
    std::vector<const GumboNode*> stack{output->root};
    while (!stack.empty()) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        if (node->type != GUMBO_NODE_ELEMENT)
            continue;
        const GumboElement& e = node->v.element;
        if (node != output->root && e.original_tag.length && e.tag != GUMBO_TAG_HEAD &&
            e.tag != GUMBO_TAG_BODY) {
            for (unsigned i = 0; i < e.attributes.length; ++i) {
                const auto* a = static_cast<const GumboAttribute*>(e.attributes.data[i]);
                out.append({QString::fromUtf8(a->name), QString::fromUtf8(a->value)});
            }
            break;
        }
        for (unsigned i = e.children.length; i-- > 0;)
            stack.push_back(static_cast<const GumboNode*>(e.children.data[i]));
    }
    gumbo_destroy_output(&options, output);
    return out;
}

int digitValue(char c) {
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                  : -1;
}

// The character references nearly every page uses, decoded as the parser
// decodes them: the five named ones and &nbsp; with their semicolon, and
// numeric ones of ordinary characters. Anything else (a name without its
// semicolon, a code point the parser replaces, NUL or CR) gives nothing, and
// the caller asks the parser.
std::optional<QString> quickDecoded(QByteArrayView raw) {
    static const std::pair<QByteArrayView, char16_t> named[] = {{"amp;", u'&'},   {"lt;", u'<'},
                                                                {"gt;", u'>'},    {"quot;", u'"'},
                                                                {"apos;", u'\''}, {"nbsp;", u'\u00a0'}};
    if (raw.contains('\r') || raw.contains('\0'))
        return std::nullopt;
    QString out;
    out.reserve(raw.size());
    qsizetype from = 0;
    for (qsizetype amp = raw.indexOf('&'); amp >= 0; amp = raw.indexOf('&', from)) {
        out.append(QString::fromUtf8(raw.sliced(from, amp - from)));
        const QByteArrayView rest = raw.sliced(amp + 1);
        qsizetype used = 0;
        char32_t code = 0;
        for (const auto& [name, character] : named)
            if (rest.startsWith(name)) {
                used = name.size();
                code = character;
                break;
            }
        if (!used && rest.startsWith('#')) {
            const bool hex = rest.size() > 1 && (rest[1] == 'x' || rest[1] == 'X');
            qsizetype end = hex ? 2 : 1;
            const qsizetype digits = end;
            for (; end < rest.size() && end < digits + 7; ++end) { // 0x10FFFF has 7 decimal digits
                const int d = digitValue(rest[end]);
                if (d < 0 || (!hex && d > 9))
                    break;
                code = code * (hex ? 16 : 10) + char32_t(d);
            }
            const bool ordinary = (code >= 0x20 && code < 0x7F) || code == '\t' || code == '\n' ||
                                  code == '\f' || (code >= 0xA0 && code < 0xD800) ||
                                  (code >= 0xE000 && code < 0xFDD0) ||
                                  (code > 0xFDEF && code <= 0x10FFFF && (code & 0xFFFE) != 0xFFFE);
            if (end > digits && end < rest.size() && rest[end] == ';' && ordinary)
                used = end + 1;
        }
        if (!used)
            return std::nullopt;
        out.append(QStringView(QString::fromUcs4(&code, 1)));
        from = amp + 1 + used;
    }
    out.append(QString::fromUtf8(raw.sliced(from)));
    return out;
}

// What a byte ends or asks for inside a tag, looked up in one step: every
// byte of every tag of the page passes through these loops.
enum : quint8 { kEndsTagName = 1, kEndsAttributeName = 2, kEndsValue = 4, kNeedsDecoding = 8 };
constexpr std::array<quint8, 256> kTagBytes = [] {
    std::array<quint8, 256> t{};
    for (const char c : {' ', '\t', '\n', '\r', '\f'})
        t[uchar(c)] = kEndsTagName | kEndsAttributeName | kEndsValue;
    t['/'] |= kEndsTagName | kEndsAttributeName;
    t['>'] |= kEndsTagName | kEndsAttributeName | kEndsValue;
    t['='] |= kEndsAttributeName;
    for (const char c : {'&', '\r', '\0'})
        t[uchar(c)] |= kNeedsDecoding;
    return t;
}();

bool ends(char c, quint8 what) {
    return kTagBytes[uchar(c)] & what;
}

// Text as the parser decodes it (character references, NUL and CR).
QString decodedText(const QByteArray& raw) {
    quint8 asks = 0;
    for (const char c : raw)
        asks |= kTagBytes[uchar(c)];
    if (!(asks & kNeedsDecoding))
        return QString::fromUtf8(raw);
    if (std::optional<QString> quick = quickDecoded(raw))
        return *std::move(quick);
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;
    // As the content of a <p>, so that leading text is not dropped as whitespace before <html>.
    const QByteArray wrapped = "<p>" + raw;
    GumboOutput* output = gumbo_parse_with_options(&options, wrapped.constData(), size_t(wrapped.size()));
    QByteArray text;
    std::vector<const GumboNode*> stack{output->root};
    while (!stack.empty()) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE)
            text += node->v.text.text;
        else if (node->type == GUMBO_NODE_ELEMENT)
            for (unsigned i = node->v.element.children.length; i-- > 0;)
                stack.push_back(static_cast<const GumboNode*>(node->v.element.children.data[i]));
    }
    gumbo_destroy_output(&options, output);
    return QString::fromUtf8(text);
}

// Whether written, in any case, is the lower-case name.
bool sameFolded(QByteArrayView written, QByteArrayView name) {
    if (written.size() != name.size())
        return false;
    for (qsizetype i = 0; i < written.size(); ++i)
        if (lower(written[i]) != lower(name[i]))
            return false;
    return true;
}

// An attribute as written: views into the page, so reading a tag allocates nothing.
struct RawAttribute {
    QByteArrayView name, value;
};

struct Tag {
    Name name;
    bool end = false;
    size_t start = 0, stop = 0; // of its source, '<' to after '>'
    // Attributes as written; decoded values come from parsedAttributes when needed.
    std::vector<RawAttribute> raw;
    bool needsDecoding = false;
    // The parser's attributes, which raw views instead when a name holds a NUL.
    std::vector<QByteArray> parsed;

    const QByteArrayView* value(QByteArrayView lowerName) const {
        for (const RawAttribute& a : raw)
            if (sameFolded(a.name, lowerName))
                return &a.value;
        return nullptr;
    }
};

// The attributes every start tag is asked about, found in one pass over them.
struct TagFacts {
    const QByteArrayView *hidden = nullptr, *style = nullptr, *ariaHidden = nullptr, *inert = nullptr,
                         *itemscope = nullptr, *itemprop = nullptr, *type = nullptr, *id = nullptr;
};

TagFacts factsOf(const Tag& tag) {
    using Slot = const QByteArrayView* TagFacts::*;
    static constexpr std::pair<std::string_view, Slot> kAsked[] = {{"id", &TagFacts::id},
                                                                   {"type", &TagFacts::type},
                                                                   {"style", &TagFacts::style},
                                                                   {"inert", &TagFacts::inert},
                                                                   {"hidden", &TagFacts::hidden},
                                                                   {"itemprop", &TagFacts::itemprop},
                                                                   {"itemscope", &TagFacts::itemscope},
                                                                   {"aria-hidden", &TagFacts::ariaHidden}};
    TagFacts f;
    for (const RawAttribute& a : tag.raw)
        for (const auto& [name, slot] : kAsked)
            if (a.name.size() == qsizetype(name.size()) && // lengths first, without a call
                sameFolded(a.name, QByteArrayView(name.data(), qsizetype(name.size()))))
                f.*slot = &a.value;
    return f;
}

// The parser drops a NUL that starts a name and replaces any other, and it
// then sees names (and so duplicates) the source does not show: the tag's
// attributes are taken from a parse of it, already decoded.
void useParsedAttributes(const QByteArray& bytes, Tag& tag) {
    const Attributes attributes = parsedAttributes(bytes.constData() + tag.start, tag.stop - tag.start);
    tag.parsed.clear();
    for (const auto& [name, value] : attributes) {
        tag.parsed.push_back(name.toUtf8());
        tag.parsed.push_back(value.toUtf8());
    }
    tag.raw.clear();
    for (size_t i = 0; i < tag.parsed.size(); i += 2)
        tag.raw.push_back({tag.parsed[i], tag.parsed[i + 1]});
    tag.needsDecoding = false;
}

// Reads the tag at `at` (a '<' before a letter, or "</" before one); false
// when the input ends inside it, as the tokenizer then drops it.
bool readTag(const QByteArray& bytes, size_t at, Tag& tag) {
    const char* d = bytes.constData();
    const size_t n = size_t(bytes.size());
    tag.end = d[at + 1] == '/';
    size_t i = at + (tag.end ? 2 : 1);
    tag.name = {};
    tag.raw.clear();
    tag.needsDecoding = false;
    tag.start = at;
    bool nulInName = false;
    for (; i < n && !ends(d[i], kEndsTagName); ++i)
        if (tag.name.size < tag.name.chars.size())
            tag.name.chars[tag.name.size++] = lower(d[i]);
    while (i < n) {
        while (i < n && (isSpace(d[i]) || d[i] == '/'))
            ++i;
        if (i >= n)
            return false;
        if (d[i] == '>') {
            tag.stop = i + 1;
            if (nulInName)
                useParsedAttributes(bytes, tag);
            return true;
        }
        const size_t nameStart = i++;
        while (i < n && !ends(d[i], kEndsAttributeName))
            ++i;
        const size_t nameEnd = i;
        while (i < n && isSpace(d[i]))
            ++i;
        size_t valueStart = i, valueEnd = i;
        if (i < n && d[i] == '=') {
            ++i;
            while (i < n && isSpace(d[i]))
                ++i;
            if (i < n && (d[i] == '"' || d[i] == '\'')) {
                const void* close = std::memchr(d + i + 1, d[i], n - i - 1);
                if (!close)
                    return false;
                valueStart = i + 1;
                valueEnd = size_t(static_cast<const char*>(close) - d);
                i = valueEnd + 1;
            } else {
                valueStart = i;
                while (i < n && !ends(d[i], kEndsValue))
                    ++i;
                valueEnd = i;
            }
        } else {
            i = nameEnd;
        }
        const QByteArrayView name(d + nameStart, qsizetype(nameEnd - nameStart));
        if (tag.value(name))
            continue; // the first of a name counts
        const QByteArrayView value(d + valueStart, qsizetype(valueEnd - valueStart));
        quint8 asks = 0;
        for (const char c : value)
            asks |= kTagBytes[uchar(c)];
        tag.needsDecoding = tag.needsDecoding || (asks & kNeedsDecoding);
        nulInName = nulInName || std::memchr(name.data(), '\0', size_t(name.size()));
        tag.raw.push_back({name, value});
    }
    return false;
}

// Lower-cased in ASCII, as the tokenizer does. The names links and pictures
// nearly always carry are shared copies, not a string each.
QString attributeName(QByteArrayView written) {
    static const auto common = [] {
        std::vector<std::pair<QByteArrayView, QString>> names;
        for (const char* name : {"alt", "href", "id", "name", "rel", "role", "tabindex", "title"})
            names.emplace_back(name, QString::fromLatin1(name));
        return names;
    }();
    for (const auto& [lowerName, name] : common)
        if (sameFolded(written, lowerName))
            return name;
    QString name = QString::fromUtf8(written);
    for (QChar& c : name)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return name;
}

// What the rules read of a picture (its name, as axe works it out) or of a
// link (where it leads, as Lighthouse reads it). The other attributes (class,
// src, style, a link's title...) are left out: a string for each would cost
// more than the rest of the scan.
enum class Read { Picture, Link };

bool readByRules(QByteArrayView name, Read read) {
    if (read == Read::Link) {
        for (const char* kept : {"href", "id", "name", "rel", "role"})
            if (sameFolded(name, kept))
                return true;
        return false;
    }
    if (name.size() > 5 && sameFolded(name.first(5), "aria-"))
        return true;
    for (const char* kept : {"alt", "href", "id", "name", "rel", "role", "tabindex", "title"})
        if (sameFolded(name, kept))
            return true;
    return false;
}

Attributes attributesOf(const QByteArray& bytes, const Tag& tag, Read read) {
    Attributes out;
    out.reserve(qsizetype(tag.raw.size())); // one allocation, not one per growth
    for (const RawAttribute& a : tag.raw) {
        if (!readByRules(a.name, read))
            continue;
        std::optional<QString> value = tag.needsDecoding ? quickDecoded(a.value) : QString::fromUtf8(a.value);
        if (!value) {
            Attributes parsed = parsedAttributes(bytes.constData() + tag.start, tag.stop - tag.start);
            parsed.removeIf(
                [read](const auto& attribute) { return !readByRules(attribute.first.toUtf8(), read); });
            return parsed;
        }
        out.append({attributeName(a.name), *std::move(value)});
    }
    return out;
}

bool tokenIs(const QByteArrayView* value, QByteArrayView word) {
    return value && sameFolded(value->trimmed(), word);
}

// display:none or visibility:hidden in an inline style.
bool styleHides(const QByteArrayView* style) {
    if (!style)
        return false;
    QByteArray s = style->toByteArray().toLower();
    s.replace(' ', "").replace('\t', "").replace('\n', "");
    return s.contains("display:none") || s.contains("visibility:hidden") || s.contains("visibility:collapse");
}

struct Open {
    Name name;
    bool notDisplayed = false; // not rendered: the text is not an anchor's rendered text
    bool hidden = false;       // from assistive technology too
    int capture = -1;          // the aria-labelledby target this element is
};

// What a text run adds to an anchor's rendered text: runs of blanks are one space.
void appendCollapsed(QByteArray& out, const char* text, size_t length) {
    for (size_t i = 0; i < length;) {
        if (isSpace(text[i])) {
            if (!out.isEmpty() && !out.endsWith(' ') && !out.endsWith('\n'))
                out.append(' ');
            ++i;
            continue;
        }
        const size_t word = i; // a run without blanks goes in whole
        while (i < length && !isSpace(text[i]))
            ++i;
        out.append(text + word, qsizetype(i - word));
    }
}

QString renderedText(QByteArray raw) {
    if (raw.contains('\n')) // only a <br> puts one in
        raw.replace(" \n", "\n").replace("\n ", "\n");
    return decodedText(raw).trimmed();
}

struct Scan {
    Scan(const QByteArray& page, StructuredDataMarks* structuredData, const QSet<QByteArray>* ids = nullptr)
        : bytes(page), wantedIds(ids), marks(structuredData) {}

    const QByteArray& bytes;
    const QSet<QByteArray>* wantedIds = nullptr; // the second pass: which ids label a picture
    StructuredDataMarks* marks = nullptr;
    bool jsonLd = false; // the start tag just read opens a JSON-LD script the scan reads
    QSet<QByteArray> labelHasText, seenIds;
    std::vector<QByteArray> captureIds; // the wanted ids, in the order their elements open
    std::vector<bool> captured;
    BodyElements out;

    std::vector<Open> open;
    qsizetype anchor = -1; // the open anchor, in out.anchors
    size_t anchorDepth = 0;
    bool anchorNotDisplayed = false;
    QByteArray anchorText;

    void closeAnchor() {
        if (anchor >= 0)
            out.anchors[anchor].text = renderedText(anchorText);
        anchor = -1;
        anchorText.truncate(0); // its room serves the next anchor
    }

    void text(size_t from, size_t to) {
        if (from >= to)
            return;
        const char* d = bytes.constData() + from;
        const bool notDisplayed = !open.empty() && open.back().notDisplayed;
        if (anchor >= 0 && (anchorNotDisplayed || !notDisplayed))
            appendCollapsed(anchorText, d, to - from);
        if (!wantedIds)
            return;
        bool blank = true;
        for (size_t i = 0; i < to - from && blank; ++i)
            blank = isSpace(d[i]);
        if (blank)
            return;
        // Marked from the innermost out, stopping at one already marked: its
        // own ancestors were marked with it.
        for (size_t i = open.size(); i-- > 0;) {
            const int c = open[i].capture;
            if (c < 0)
                continue;
            if (captured[size_t(c)])
                break;
            captured[size_t(c)] = true;
        }
    }

    void startTag(const Tag& tag) {
        const TagFacts facts = factsOf(tag);
        if (!wantedIds &&
            (facts.id || mayHoldReference(QByteArrayView(tag.name.chars.data(), tag.name.size))))
            out.referencePlaces.append({qsizetype(tag.start), 0});
        if (marks)
            markStructuredData(tag, facts);
        const bool parentNotDisplayed = !open.empty() && open.back().notDisplayed;
        const bool parentHidden = !open.empty() && open.back().hidden;
        const bool notDisplayed = parentNotDisplayed || facts.hidden || styleHides(facts.style);
        const bool hidden = parentHidden || notDisplayed || tokenIs(facts.ariaHidden, "true") || facts.inert;
        if (tag.name.is("a")) {
            // An <a> inside an <a> closes the first, as the parser does.
            if (anchor >= 0) {
                while (open.size() > anchorDepth)
                    open.pop_back();
                closeAnchor();
            }
            if (!wantedIds) {
                out.anchors.append({qsizetype(tag.start),
                                    qsizetype(tag.stop - tag.start),
                                    attributesOf(bytes, tag, Read::Link),
                                    {},
                                    hidden,
                                    false});
                anchor = out.anchors.size() - 1;
                anchorDepth = open.size();
                anchorNotDisplayed = notDisplayed;
            }
        } else if ((tag.name.is("img") || tag.name.is("image")) && !wantedIds) {
            out.images.append({qsizetype(tag.start),
                               qsizetype(tag.stop - tag.start),
                               attributesOf(bytes, tag, Read::Picture),
                               {},
                               hidden,
                               false});
        } else if (tag.name.is("base") && !out.hasBase && tag.value("href")) {
            const Attributes attributes = attributesOf(bytes, tag, Read::Link);
            for (const auto& [key, value] : attributes)
                if (key == QLatin1String("href")) {
                    out.baseHref = value;
                    out.hasBase = true;
                    break;
                }
        } else if (tag.name.is("br")) {
            if (anchor >= 0 && (anchorNotDisplayed || !notDisplayed))
                anchorText.append('\n');
        }
        if (isVoid(tag.name) || open.size() >= size_t(kMaxDepth))
            return;
        int capture = -1;
        if (wantedIds) {
            const QByteArrayView* written = facts.id;
            const QByteArray id = written ? written->toByteArray() : QByteArray();
            if (written && wantedIds->contains(id)) {
                if (!seenIds.contains(id)) { // the first element of an id is the one it names
                    seenIds.insert(id);
                    capture = int(captureIds.size());
                    captureIds.push_back(id);
                    captured.push_back(false);
                }
            }
        }
        open.push_back({tag.name, notDisplayed, hidden, capture});
    }

    void endTag(const Tag& tag) {
        for (size_t i = open.size(); i-- > 0;) {
            if (!(open[i].name == tag.name))
                continue;
            open.resize(i);
            if (anchor >= 0 && open.size() <= anchorDepth)
                closeAnchor();
            return;
        }
    }

    void run() {
        const char* d = bytes.constData();
        const size_t n = size_t(bytes.size());
        size_t at = 0;
        Tag tag;
        while (at < n) {
            const void* hit = std::memchr(d + at, '<', n - at);
            const size_t lt = hit ? size_t(static_cast<const char*>(hit) - d) : n;
            if (lt >= n) {
                text(at, n);
                break;
            }
            const char next = lt + 1 < n ? d[lt + 1] : '\0';
            if (next == '!' || next == '?' || (next == '/' && lt + 2 < n && !isLetter(d[lt + 2]))) {
                text(at, lt);
                if (next == '!' && lt + 3 < n && d[lt + 2] == '-' && d[lt + 3] == '-') {
                    at = commentEnd(lt);
                } else if (next == '/' && lt + 2 < n && d[lt + 2] == '>') {
                    at = lt + 3; // "</>" is dropped
                } else {
                    const void* gt = std::memchr(d + lt, '>', n - lt);
                    at = gt ? size_t(static_cast<const char*>(gt) - d) + 1 : n;
                }
                continue;
            }
            if (!(isLetter(next) || (next == '/' && lt + 2 < n))) {
                at = lt + 1; // a '<' that opens nothing is text; the text runs on
                text(lt, lt + 1);
                continue;
            }
            text(at, lt);
            if (!readTag(bytes, lt, tag))
                break;
            at = tag.stop;
            if (tag.end) {
                endTag(tag);
                continue;
            }
            startTag(tag);
            if (tag.name.is("plaintext")) {
                readForReferences(at, n);
                break;
            }
            if (holdsRawText(tag.name)) {
                const size_t contentStart = at;
                size_t close = size_t(-1);
                at = rawTextEnd(tag.name, at, &close);
                if (!tag.name.is("script") && !tag.name.is("style"))
                    readForReferences(contentStart, close == size_t(-1) ? at : close);
                if (marks && jsonLd)
                    readJsonLd(tag, at, close);
                else if (marks && inForeignContent())
                    markForeignText(tag, contentStart, at);
                if (!open.empty() && open.back().name == tag.name)
                    open.pop_back();
            }
        }
        closeAnchor();
        out.placesRead = !wantedIds;
        for (size_t i = 0; i < captured.size(); ++i)
            if (captured[i])
                labelHasText.insert(captureIds[i]);
    }

    // Raw text that a link reader still reads for tags, as it reads every
    // element but a script or a style.
    void readForReferences(size_t from, size_t to) {
        if (!wantedIds && to > from)
            out.referencePlaces.append({qsizetype(from), qsizetype(to - from)});
    }

    // After the comment that starts at lt ("<!--"): it ends at "-->" or
    // "--!>", and "<!-->" and "<!--->" end at once, as the tokenizer reads it.
    size_t commentEnd(size_t lt) const {
        const size_t n = size_t(bytes.size());
        const qsizetype close = bytes.indexOf("-->", qsizetype(lt + 2));
        const size_t end = close < 0 ? n : size_t(close) + 3;
        // Searched only up to the "-->", so a page of many comments stays linear.
        const qsizetype bang =
            lt + 4 < end
                ? QByteArrayView(bytes).sliced(qsizetype(lt + 4), qsizetype(end - lt - 4)).indexOf("--!>")
                : -1;
        return bang < 0 ? end : lt + 4 + size_t(bang) + 4;
    }

    // Inside <svg> or <math> the parser reads tags where this scan reads raw
    // text: an HTML tag there ends the foreign element and counts.
    bool inForeignContent() const {
        for (const Open& o : open)
            if (o.name.is("svg") || o.name.is("math"))
                return true;
        return false;
    }

    void markForeignText(const Tag& tag, size_t from, size_t to) {
        const QByteArrayView text = QByteArrayView(bytes).sliced(qsizetype(from), qsizetype(to - from));
        const bool scope = containsFolded(text, "itemscope");
        if (scope || containsFolded(text, "itemprop") || containsFolded(text, "ld+json"))
            mark(tag.start, to, scope);
    }

    void mark(size_t start, size_t end, bool itemscope) {
        marks->lastEnd = std::max(marks->lastEnd, end);
        if (itemscope)
            marks->firstItemscope = std::min(marks->firstItemscope, start);
    }

    // A tag that may carry structured data: an item's, or a JSON-LD script.
    // An item's tag, or a JSON-LD script the scan cannot read as the parser
    // does: a decoded attribute, one inside <svg> or <math>.
    void markStructuredData(const Tag& tag, const TagFacts& facts) {
        const bool scope = facts.itemscope;
        bool may = scope || facts.itemprop;
        jsonLd = false;
        if (facts.type && tag.name.is("script")) {
            const QByteArrayView type = *facts.type;
            // Only the parser decodes it, or reads its control characters (NUL, CR, VT ...) as it does.
            const auto control = [](char c) {
                return (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\f') ||
                       c == 0x7f;
            };
            if (type.contains('&') || std::any_of(type.begin(), type.end(), control))
                may = true;
            else if (containsFolded(type, "ld+json"))
                may = may || inForeignContent();
            jsonLd = !may && type.trimmed().compare("application/ld+json", Qt::CaseInsensitive) == 0;
        }
        if (may)
            mark(tag.start, tag.stop, scope);
    }

    // Finds "<!--" by its '<': a general search costs more on a short block than the block's whole reading.
    static bool holdsCommentOpening(QByteArrayView content) {
        const char* at = content.data();
        const char* const end = at + content.size();
        while (end - at >= 4) {
            at = static_cast<const char*>(std::memchr(at, '<', size_t(end - at - 3)));
            if (!at)
                return false;
            if (at[1] == '!' && at[2] == '-' && at[3] == '-')
                return true;
            ++at;
        }
        return false;
    }

    // A JSON-LD script's text, read as the parser reads it unless it holds
    // "<!--" (the script's escaped states) or its end tag carries more than its
    // name or is cut off: the parser is then asked.
    void readJsonLd(const Tag& tag, size_t end, size_t close) {
        const char* d = bytes.constData();
        const size_t contentEnd = close == size_t(-1) ? end : close;
        const QByteArrayView content(d + tag.stop, qsizetype(contentEnd - tag.stop));
        bool plainEnd = close == size_t(-1) || d[end - 1] == '>';
        for (size_t i = close == size_t(-1) ? end : close + 8; i + 1 < end && plainEnd; ++i)
            plainEnd = isSpace(d[i]);
        if (!plainEnd || holdsCommentOpening(content))
            mark(tag.start, end, false);
        else
            marks->jsonLd.push_back({tag.start, end, tag.stop, contentEnd});
    }

    // Where the raw text of an element ends: after its end tag, or the input's
    // end; close is where its end tag starts, or -1 for none.
    size_t rawTextEnd(const Name& name, size_t from, size_t* close = nullptr) const {
        const char* d = bytes.constData();
        const size_t n = size_t(bytes.size());
        for (size_t at = from; at < n;) {
            const void* hit = std::memchr(d + at, '<', n - at);
            if (!hit)
                return n;
            at = size_t(static_cast<const char*>(hit) - d);
            if (at + 2 + name.size <= n && d[at + 1] == '/') {
                bool same = true;
                for (size_t k = 0; k < name.size && same; ++k)
                    same = lower(d[at + 2 + k]) == name.chars[k];
                const size_t after = at + 2 + name.size;
                if (same && (after >= n || isSpace(d[after]) || d[after] == '/' || d[after] == '>')) {
                    if (close)
                        *close = at;
                    const void* gt = std::memchr(d + after, '>', n - after);
                    return gt ? size_t(static_cast<const char*>(gt) - d) + 1 : n;
                }
            }
            ++at;
        }
        return n;
    }
};

QList<QByteArray> idsOf(const QString& list) {
    QList<QByteArray> out;
    // Split on ASCII white space, as the HTML standard splits a list of tokens.
    const auto space = [](QChar c) {
        return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
    };
    qsizetype from = 0;
    for (qsizetype i = 0; i <= list.size(); ++i)
        if (i == list.size() || space(list[i])) {
            if (i > from)
                out.append(list.mid(from, i - from).toUtf8());
            from = i + 1;
        }
    return out;
}

} // namespace

namespace {

const QString* valueOf(const Attributes& attributes, QLatin1String name) {
    for (const auto& [key, value] : attributes)
        if (key.size() == name.size() && key == name) // the length first: most names differ in it
            return &value;
    return nullptr;
}

} // namespace

bool BodyElement::hasAttribute(QLatin1String name) const {
    return valueOf(attributes, name);
}

QString BodyElement::attribute(QLatin1String name) const {
    const QString* value = valueOf(attributes, name);
    return value ? *value : QString();
}

QStringView BodyElement::attributeView(QLatin1String name) const {
    const QString* value = valueOf(attributes, name);
    return value ? QStringView(*value) : QStringView();
}

BodyElements scanBodyElements(const QByteArray& utf8, StructuredDataMarks* marks) {
    Scan first(utf8, marks);
    first.run();
    QSet<QByteArray> wanted;
    for (const BodyElement& image : first.out.images)
        for (const QByteArray& id : idsOf(image.attribute(QLatin1String("aria-labelledby"))))
            wanted.insert(id);
    if (wanted.isEmpty())
        return std::move(first.out);
    Scan labels(utf8, nullptr, &wanted);
    labels.run();
    for (BodyElement& image : first.out.images)
        for (const QByteArray& id : idsOf(image.attribute(QLatin1String("aria-labelledby"))))
            image.labelled = image.labelled || labels.labelHasText.contains(id);
    return std::move(first.out);
}

} // namespace headwise::audit
