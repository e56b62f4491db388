#include "core/audit/model/bodyelements.h"

#include <gumbo.h>

#include <QSet>

#include <algorithm>
#include <array>
#include <cstring>

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
    bool is(const char* name) const {
        return std::strlen(name) == size && std::memcmp(chars.data(), name, size) == 0;
    }
    bool operator==(const Name& o) const { return size == o.size && chars == o.chars; }
};

bool isOneOf(const Name& name, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (name.is(n))
            return true;
    return false;
}

bool isVoid(const Name& n) {
    return isOneOf(n, {"area", "base", "br", "col", "embed", "hr", "img", "image", "input", "link", "meta",
                       "param", "source", "track", "wbr", "keygen", "frame", "basefont", "bgsound"});
}

// Their content is text up to their end tag; <noscript> too, as with scripting on.
bool holdsRawText(const Name& n) {
    return isOneOf(n, {"script", "style", "textarea", "title", "xmp", "iframe", "noembed", "noframes",
                       "noscript", "template"});
}

// The decoded values of a start tag's source, as the parser reads them
// (character references, NUL and CR), from a parse of the tag alone.
Attributes parsedAttributes(const char* tag, size_t length) {
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;
    GumboOutput* output = gumbo_parse_with_options(&options, tag, length);
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

// Text as the parser decodes it (character references, NUL and CR).
QString decodedText(const QByteArray& raw) {
    if (!raw.contains('&') && !raw.contains('\r') && !raw.contains('\0'))
        return QString::fromUtf8(raw);
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

struct Tag {
    Name name;
    bool end = false;
    size_t start = 0, stop = 0; // of its source, '<' to after '>'
    // Attributes as written; decoded values come from parsedAttributes when needed.
    std::vector<std::pair<QByteArray, QByteArray>> raw;
    bool needsDecoding = false;

    const QByteArray* value(const char* name) const {
        for (const auto& [key, v] : raw)
            if (key == name)
                return &v;
        return nullptr;
    }
};

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
    for (; i < n && !isSpace(d[i]) && d[i] != '/' && d[i] != '>'; ++i)
        if (tag.name.size < tag.name.chars.size())
            tag.name.chars[tag.name.size++] = lower(d[i]);
    while (i < n) {
        while (i < n && (isSpace(d[i]) || d[i] == '/'))
            ++i;
        if (i >= n)
            return false;
        if (d[i] == '>') {
            tag.stop = i + 1;
            return true;
        }
        const size_t nameStart = i++;
        while (i < n && !isSpace(d[i]) && d[i] != '/' && d[i] != '>' && d[i] != '=')
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
                while (i < n && !isSpace(d[i]) && d[i] != '>')
                    ++i;
                valueEnd = i;
            }
        } else {
            i = nameEnd;
        }
        QByteArray name = QByteArray(d + nameStart, qsizetype(nameEnd - nameStart)).toLower();
        if (tag.value(name.constData()))
            continue; // the first of a name counts
        const QByteArrayView value(d + valueStart, qsizetype(valueEnd - valueStart));
        tag.needsDecoding = tag.needsDecoding || value.contains('&') || value.contains('\r') ||
                            value.contains('\0') || name.contains('\0') || name.contains('\r');
        tag.raw.emplace_back(std::move(name), value.toByteArray());
    }
    return false;
}

Attributes attributesOf(const QByteArray& bytes, const Tag& tag) {
    if (tag.needsDecoding)
        return parsedAttributes(bytes.constData() + tag.start, tag.stop - tag.start);
    Attributes out;
    out.reserve(qsizetype(tag.raw.size()));
    for (const auto& [key, value] : tag.raw)
        out.append({QString::fromUtf8(key), QString::fromUtf8(value)});
    return out;
}

bool tokenIs(const QByteArray* value, const char* word) {
    return value && value->trimmed().toLower() == word;
}

// display:none or visibility:hidden in an inline style.
bool styleHides(const QByteArray* style) {
    if (!style)
        return false;
    QByteArray s = style->toLower();
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
    for (size_t i = 0; i < length; ++i) {
        if (isSpace(text[i])) {
            if (!out.isEmpty() && !out.endsWith(' ') && !out.endsWith('\n'))
                out.append(' ');
        } else {
            out.append(text[i]);
        }
    }
}

QString renderedText(QByteArray raw) {
    raw.replace(" \n", "\n").replace("\n ", "\n");
    return decodedText(raw).trimmed();
}

struct Scan {
    explicit Scan(const QByteArray& page, const QSet<QByteArray>* ids = nullptr)
        : bytes(page), wantedIds(ids) {}

    const QByteArray& bytes;
    const QSet<QByteArray>* wantedIds = nullptr; // the second pass: which ids label a picture
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
        anchorText.clear();
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
        const bool parentNotDisplayed = !open.empty() && open.back().notDisplayed;
        const bool parentHidden = !open.empty() && open.back().hidden;
        const bool notDisplayed = parentNotDisplayed || tag.value("hidden") || styleHides(tag.value("style"));
        const bool hidden =
            parentHidden || notDisplayed || tokenIs(tag.value("aria-hidden"), "true") || tag.value("inert");
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
                                    attributesOf(bytes, tag),
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
                               attributesOf(bytes, tag),
                               {},
                               hidden,
                               false});
        } else if (tag.name.is("base") && !out.hasBase && tag.value("href")) {
            const Attributes attributes = attributesOf(bytes, tag);
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
            if (const QByteArray* id = tag.value("id"); id && wantedIds->contains(*id)) {
                if (!seenIds.contains(*id)) { // the first element of an id is the one it names
                    seenIds.insert(*id);
                    capture = int(captureIds.size());
                    captureIds.push_back(*id);
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
                    const qsizetype close = bytes.indexOf("-->", qsizetype(lt + 2));
                    at = close < 0 ? n : size_t(close) + 3;
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
            if (tag.name.is("plaintext"))
                break;
            if (holdsRawText(tag.name)) {
                at = rawTextEnd(tag.name, at);
                if (!open.empty() && open.back().name == tag.name)
                    open.pop_back();
            }
        }
        closeAnchor();
        for (size_t i = 0; i < captured.size(); ++i)
            if (captured[i])
                labelHasText.insert(captureIds[i]);
    }

    // Where the raw text of an element ends: after its end tag, or the input's end.
    size_t rawTextEnd(const Name& name, size_t from) const {
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

bool BodyElement::hasAttribute(QLatin1String name) const {
    for (const auto& [key, value] : attributes)
        if (key == name)
            return true;
    return false;
}

QString BodyElement::attribute(QLatin1String name) const {
    for (const auto& [key, value] : attributes)
        if (key == name)
            return value;
    return {};
}

BodyElements scanBodyElements(const QByteArray& utf8) {
    Scan first(utf8);
    first.run();
    QSet<QByteArray> wanted;
    for (const BodyElement& image : first.out.images)
        for (const QByteArray& id : idsOf(image.attribute(QLatin1String("aria-labelledby"))))
            wanted.insert(id);
    if (wanted.isEmpty())
        return std::move(first.out);
    Scan labels(utf8, &wanted);
    labels.run();
    for (BodyElement& image : first.out.images)
        for (const QByteArray& id : idsOf(image.attribute(QLatin1String("aria-labelledby"))))
            image.labelled = image.labelled || labels.labelHasText.contains(id);
    return std::move(first.out);
}

} // namespace headwise::audit
