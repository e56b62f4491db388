#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <vector>

#include "core/site/pagelinks.h"

namespace headwise::audit {

using Attributes = QList<QPair<QString, QString>>; // lower-case names, decoded values, source order

// An <img> or <a> of the page, as a crawler and assistive technology see it.
struct BodyElement {
    qsizetype offset = 0, length = 0; // the start tag, in the text the scan was given
    // Those the rules read: a picture's alt, aria-*, href, id, name, rel, role,
    // tabindex and title; an anchor's href, id, name, rel and role.
    Attributes attributes;
    QString text; // an anchor's rendered text: whitespace collapsed, parts not displayed left out
    // Hidden from assistive technology: aria-hidden, hidden, inert or display:none here or above.
    bool hidden = false;
    // aria-labelledby names an element of the page that holds text.
    bool labelled = false;

    bool hasAttribute(QLatin1String name) const;
    QString attribute(QLatin1String name) const;
    // The same without a copy: what the rules ask of every anchor of every page.
    QStringView attributeView(QLatin1String name) const;
    bool operator==(const BodyElement&) const = default;
};

struct BodyElements {
    QList<BodyElement> images, anchors; // in source order
    QString baseHref;                   // the first <base href>, as written
    bool hasBase = false;
    // What the site's link graph reads for references and ids, so that it
    // need not look for tags again; placesRead when a scan gave them.
    QList<ReferencePlace> referencePlaces;
    bool placesRead = false;
    bool operator==(const BodyElements&) const = default;
};

// Where a scan saw tags whose structured data only the parser reads (an itemscope or itemprop, a JSON-LD
// script it cannot read alike), so that a page with none needs no full parse; and the JSON-LD scripts it
// read, as the parser would. Something that only looks like an item costs a parse, no more.
struct StructuredDataMarks {
    size_t lastEnd = 0;                 // the end of the last such tag; 0 for none
    size_t firstItemscope = size_t(-1); // the start of the first tag with itemscope
    struct JsonLdBlock {
        size_t start = 0, end = 0;               // the element
        size_t contentStart = 0, contentEnd = 0; // its text
    };
    std::vector<JsonLdBlock> jsonLd;
};

// Offsets come back in bytes of utf8. One pass over the page in UTF-8 (a second only when a picture is
// labelled by another element), as a browser's tokenizer reads it: comments, scripts, styles and the other
// raw text elements hold no elements; a <noscript> is read as text, as with scripting on. No tree is built,
// so a page of any size costs a scan: open elements are tracked only for what hides their content, 512 deep
// at most, as browsers build no deeper tree.
BodyElements scanBodyElements(const QByteArray& utf8, StructuredDataMarks* marks = nullptr);

} // namespace headwise::audit
