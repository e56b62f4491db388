#pragma once

#include "core/audit/model/structureddata.h"

#include <QList>
#include <QString>
#include <QStringList>

// Google's rich results and what each asks of an item, as Google Search
// Central's pages for them give it.

namespace headwise::audit {

// A property an item must or should have. "name" is the item's own; "offers.price"
// is a property of each value of offers that is an item; "review|aggregateRating"
// is met by any one of them.
using PropertyPath = QString;

struct RichResult {
    QString name;      // "Merchant listing"
    QStringList types; // the schema.org types it is for, subtypes included
    QString page;      // Google's page for it (https)
    QList<PropertyPath> required;
    QList<PropertyPath> recommended;
    // Read only where the item has this property (a Product with offers is a merchant listing).
    QString when = {};
    // Where given, only where a text at `when` is one of these, case aside (a
    // Quiz of flashcards is an education Q&A).
    QStringList whenValues = {};
};

// A rich result Google no longer shows.
struct RetiredResult {
    QString name;      // "FAQ"
    QStringList types; // subtypes included
    QString when = {}; // a property the item must have as well (WebSite: potentialAction)
    // Where given, a text at `when` must be one of these, case aside.
    QStringList whenValues = {};
    // Not where a text at this path is one of unlessValues: the item is markup
    // for a rich result still shown.
    QString unless = {};
    QStringList unlessValues = {};
    QString date; // "2026-05-07"
    QString page; // Google's announcement (https)
};

const QList<RichResult>& richResults();
const QList<RetiredResult>& retiredResults();
// The page that names the rich results Google supports.
QString searchGalleryPage();

struct ItemVerdict {
    QStringList richResults; // the rich results the item is read for; empty for none
    QStringList pages;       // their Google pages, in the same order
    QStringList missing;     // "offers.price", "one of offers, review or aggregateRating"
    QStringList missingRecommended;
    QList<const RetiredResult*> retired; // the retired rich results the item is markup for
    bool eligible() const { return !richResults.isEmpty() && missing.isEmpty(); }
    bool operator==(const ItemVerdict&) const = default;
};

// What Google's rich results make of a top-level item.
ItemVerdict judgeItem(const StructuredData& data, int item);
// judgeItem of each top-level schema.org item, by index; nothing for the
// others. The rules and the report read them, so an item is judged once.
QList<ItemVerdict> judgeItems(const StructuredData& data);

// "a|b|c" as a reader says it: "one of a, b or c".
QString describePath(const PropertyPath& path);

} // namespace headwise::audit
