#pragma once

#include "core/audit/model/bodyelements.h"
#include "core/audit/model/structureddata.h"

#include <QList>
#include <QPair>
#include <QString>

namespace headwise::audit {

// A stretch of the decoded page text.
struct Span {
    qsizetype offset = 0;
    qsizetype length = 0;
    bool operator==(const Span&) const = default;
};

// A <title>, <meta> or <link> of the HTML namespace, where the parser put it.
struct MarkupElement {
    enum class Kind { Title, Meta, Link };
    Kind kind = Kind::Meta;
    bool inHead = false;
    Span span; // the start tag; for a title, through its end tag
    Attributes attributes;
    QString text; // a title's text, character references decoded

    bool hasAttribute(QLatin1String name) const;
    QString attribute(QLatin1String name) const;
    // A meta whose name attribute is this, in any case.
    bool isMetaNamed(QLatin1String name) const;
    // A meta whose property (Open Graph) or name attribute is this, in any case.
    bool isMetaProperty(QLatin1String name) const;
    // A meta whose http-equiv is this, in any case.
    bool isHttpEquiv(QLatin1String name) const;
    // A link whose rel holds this token.
    bool hasRel(QLatin1String token) const;

    bool operator==(const MarkupElement&) const = default;
};

// What the rules read of a parsed page; positions are in the decoded text.
struct PageModel {
    QList<MarkupElement> elements; // in source order
    Attributes htmlAttributes;     // the root element's, including any merged from later <html> tags
    // The root's and the head's start tags; length 0 where the parser supplied
    // the element, at the place it did (before the first tag or text that needed it).
    Span htmlTag, headTag;
    // Where the head ended before the page meant it to: the first element or text
    // that went into the body while a </head> or <body> tag was still to come.
    // Length 0 when the head ended where it was meant to.
    Span headBreak;
    QString headBreakName;       // "<img>", "text \"Hello\""
    int headBreakLine = 0;       // 1-based
    qsizetype headMeantEnd = -1; // where that later </head> or <body> tag stands
    BodyElements body;           // every <img> and <a>, wherever the page puts them
    // The JSON-LD blocks and microdata anywhere in the page.
    StructuredData structuredData;
    bool operator==(const PageModel&) const = default;

    // A title, meta or link the page put in its head, after the head had ended:
    // browsers and search engines read it as part of the body.
    bool cutFromHead(const MarkupElement& e) const {
        return !e.inHead && headBreak.length > 0 && e.span.offset > headBreak.offset &&
               e.span.offset < headMeantEnd;
    }
};

// The page as an HTML5 parser builds it, from the decoded text in UTF-8 (the
// parser's own input), as a browser with scripting reads it (a <noscript>'s
// content is text); positions come back as indexes in the decoded text.
// Only the part before the first "<body" is parsed when nothing after it can
// be a title, meta, link or html tag, nor structured data; the result is the same as a full parse,
// at a fraction of the cost.
PageModel parsePage(const QByteArray& utf8);
// Always the whole text; the reference the fast path is held to.
PageModel parseWholePage(const QByteArray& utf8);

} // namespace headwise::audit
