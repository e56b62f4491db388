#pragma once

#include <optional>

#include "core/audit/engine/rulecontext.h"

// One function per rule, named after its id.
namespace headwise::audit::checks {

// Whether a noindex that a search engine reads (a robots or googlebot meta in
// the head, an X-Robots-Tag header for it) keeps the page out of its index.
bool readsNoindex(const RuleContext& c);
// Whether the page's canonical names another page than itself.
bool namesOtherCanonical(const RuleContext& c);
// The charset a meta element declares, or empty.
QString declaredBy(const MarkupElement& e);
// Where a meta refresh in the head sends the page at once, as written: a
// redirect, as search engines take it.
std::optional<QString> instantRefresh(const RuleContext& c);

void titleMissing(const RuleContext&, RawFindings&);
void titleEmpty(const RuleContext&, RawFindings&);
void titleMultiple(const RuleContext&, RawFindings&);
void titleOutsideHead(const RuleContext&, RawFindings&);
void titleLength(const RuleContext&, RawFindings&);
void titleWidth(const RuleContext&, RawFindings&);

void descriptionMissing(const RuleContext&, RawFindings&);
void descriptionEmpty(const RuleContext&, RawFindings&);
void descriptionMultiple(const RuleContext&, RawFindings&);
void descriptionOutsideHead(const RuleContext&, RawFindings&);
void descriptionLength(const RuleContext&, RawFindings&);
void descriptionWidth(const RuleContext&, RawFindings&);

void charsetMissing(const RuleContext&, RawFindings&);
void charsetLate(const RuleContext&, RawFindings&);
void charsetMultiple(const RuleContext&, RawFindings&);
void charsetMismatch(const RuleContext&, RawFindings&);
void charsetWrong(const RuleContext&, RawFindings&);

void viewportMissing(const RuleContext&, RawFindings&);
void viewportBlocksZoom(const RuleContext&, RawFindings&);
void viewportInvalid(const RuleContext&, RawFindings&);
void langMissing(const RuleContext&, RawFindings&);
void langInvalid(const RuleContext&, RawFindings&);

void canonicalMultiple(const RuleContext&, RawFindings&);
void canonicalInvalid(const RuleContext&, RawFindings&);
void canonicalRelative(const RuleContext&, RawFindings&);
void canonicalRoot(const RuleContext&, RawFindings&);
void canonicalHreflang(const RuleContext&, RawFindings&);
void canonicalOutsideHead(const RuleContext&, RawFindings&);
void canonicalConflict(const RuleContext&, RawFindings&);

void robotsNoindex(const RuleContext&, RawFindings&);
void robotsNofollow(const RuleContext&, RawFindings&);
void robotsUnavailable(const RuleContext&, RawFindings&);
void robotsTxtBlocked(const RuleContext&, RawFindings&);

void hreflangInvalid(const RuleContext&, RawFindings&);
void hreflangRelative(const RuleContext&, RawFindings&);
void hreflangNoSelf(const RuleContext&, RawFindings&);
void hreflangDuplicate(const RuleContext&, RawFindings&);

void ogMissing(const RuleContext&, RawFindings&);
void ogRelative(const RuleContext&, RawFindings&);
void twitterCardInvalid(const RuleContext&, RawFindings&);

void httpStatus(const RuleContext&, RawFindings&);
void metaObsolete(const RuleContext&, RawFindings&);
void metaRefresh(const RuleContext&, RawFindings&);
void headClosedEarly(const RuleContext&, RawFindings&);

} // namespace headwise::audit::checks
