#include "core/audit/engine/checks.h"

#include "core/web/weburl.h"

#include <algorithm>

namespace headwise::audit {

const QList<RuleCheckEntry>& ruleChecks() {
    using namespace checks;
    // title-duplicate and description-duplicate look across pages: duplicates.cpp.
    static const QList<RuleCheckEntry> table = {
        {"title-missing", titleMissing},
        {"title-empty", titleEmpty},
        {"title-multiple", titleMultiple},
        {"title-outside-head", titleOutsideHead},
        {"title-length", titleLength},
        {"title-width", titleWidth},
        {"description-missing", descriptionMissing},
        {"description-empty", descriptionEmpty},
        {"description-multiple", descriptionMultiple},
        {"description-outside-head", descriptionOutsideHead},
        {"description-length", descriptionLength},
        {"description-width", descriptionWidth},
        {"charset-missing", charsetMissing},
        {"charset-late", charsetLate},
        {"charset-multiple", charsetMultiple},
        {"charset-mismatch", charsetMismatch},
        {"charset-wrong", charsetWrong},
        {"viewport-missing", viewportMissing},
        {"viewport-blocks-zoom", viewportBlocksZoom},
        {"viewport-invalid", viewportInvalid},
        {"lang-missing", langMissing},
        {"lang-invalid", langInvalid},
        {"canonical-multiple", canonicalMultiple},
        {"canonical-invalid", canonicalInvalid},
        {"canonical-relative", canonicalRelative},
        {"canonical-root", canonicalRoot},
        {"canonical-hreflang", canonicalHreflang},
        {"canonical-outside-head", canonicalOutsideHead},
        {"canonical-conflict", canonicalConflict},
        {"robots-noindex", robotsNoindex},
        {"robots-nofollow", robotsNofollow},
        {"robots-unavailable", robotsUnavailable},
        {"robots-txt-blocked", robotsTxtBlocked},
        {"hreflang-invalid", hreflangInvalid},
        {"hreflang-relative", hreflangRelative},
        {"hreflang-no-self", hreflangNoSelf},
        {"hreflang-duplicate", hreflangDuplicate},
        {"og-missing", ogMissing},
        {"og-relative", ogRelative},
        {"twitter-card-invalid", twitterCardInvalid},
        {"http-status", httpStatus},
        {"meta-obsolete", metaObsolete},
        {"meta-refresh", metaRefresh},
        {"head-closed-early", headClosedEarly},
    };
    return table;
}

QString collapseWhitespace(QStringView text) {
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (QChar c : text) {
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f') {
            blank = true;
            continue;
        }
        if (blank && !out.isEmpty())
            out += u' ';
        blank = false;
        out += c;
    }
    return out;
}

qsizetype codePointCount(QStringView text) {
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!(text[i].isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate()))
            ++n;
    return n;
}

bool isOgImage(const MarkupElement& e) {
    return e.isMetaProperty(QLatin1String("og:image")) || e.isMetaProperty(QLatin1String("og:image:url")) ||
           e.isMetaProperty(QLatin1String("og:image:secure_url"));
}

bool isAbsoluteUrl(const QString& address) {
    const web::WebUrl url = web::parseWebUrl(address);
    return url.valid && !url.host.isEmpty();
}

} // namespace headwise::audit
