#pragma once

#include "core/audit/engine/auditconfig.h"
#include "core/audit/engine/finding.h"
#include "core/audit/model/pagemodel.h"
#include "core/audit/rules/richresults.h"
#include "core/page/lineindex.h"
#include "core/page/pagecodec.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace headwise {
class RobotsRules;
}

namespace headwise::audit {

struct PageInput {
    QByteArray bytes;                             // raw page bytes; the charset rules read these
    QString httpCharset;                          // charset= of the Content-Type header; empty for files
    QString address;                              // final URL after redirects, or a file:// URL
    int httpStatus = 0;                           // 0 for files
    QList<QPair<QByteArray, QByteArray>> headers; // response headers; empty for files
    QDateTime now;                                // for unavailable_after; invalid means the current time
    // The site's robots.txt rules for Googlebot, when the page was fetched and
    // they were read; null for files and when unknown.
    std::shared_ptr<const RobotsRules> googlebotRobots;
};

struct PageAudit {
    QString text;                    // the decoded page text the positions refer to
    PageEncoding encoding;           // how the bytes were read
    PageModel model;                 // what the parser made of the text, for the fixes
    LineIndex lines;                 // of text
    QList<ItemVerdict> itemVerdicts; // of model.structuredData's items (judgeItems)
    QList<Finding> findings;         // by offset, then rule table order; no finding twice
    QString title;                   // the head's first title, whitespace collapsed
    bool hasTitle = false;
    QString description; // the head's first meta description, whitespace collapsed
    bool hasDescription = false;
    QString canonical, ogTitle, ogDescription, ogImage, ogUrl; // for the previews
    QStringList disabledRules;                                 // from <!-- headwise-disable ... --> comments
    // Where the title and description stand, for the cross-page duplicate rules.
    qsizetype titleOffset = -1, titleLength = 0;
    qsizetype descriptionOffset = -1, descriptionLength = 0;
    // Whether a search engine would index the page under its own address: no
    // noindex it reads, no error status, and no canonical naming another page.
    bool indexable = true;
    bool namesOtherCanonical = false;
    // The canonical a search engine takes and the head's hreflang alternates,
    // as written, for the rules across a site's pages.
    struct HeadLink {
        QString href;
        qsizetype offset = -1, length = 0; // -1: from a Link header
    };
    std::optional<HeadLink> canonicalLink;
    std::optional<QString> refreshTarget; // a meta refresh that redirects at once
    QList<HeadLink> alternateLinks;
};

PageAudit auditPage(const PageInput& page, const AuditConfig& config);

} // namespace headwise::audit
