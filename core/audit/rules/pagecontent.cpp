// Pictures without a text alternative, as axe's image-alt judges them, and
// links as Lighthouse's link-text and crawlable-anchors judge them: the
// words a link says, and whether a crawler can follow it at all.

#include "core/audit/rules/pagecontent.h"

#include "core/audit/engine/rulecontext.h"
#include "core/web/weburl.h"

#include <QSet>

#include <algorithm>

namespace headwise::audit {

namespace {

bool isOneOf(const QString& value, std::initializer_list<const char*> words) {
    for (const char* word : words)
        if (value == QLatin1String(word))
            return true;
    return false;
}

bool blank(QStringView text) {
    return text.trimmed().isEmpty();
}

// The first token of role, which is the one a browser takes when it knows it.
QString explicitRole(const BodyElement& e) {
    return e.attribute(QLatin1String("role")).trimmed().toLower().section(u' ', 0, 0);
}

bool focusable(const BodyElement& e) {
    bool number = false;
    e.attribute(QLatin1String("tabindex")).trimmed().toInt(&number);
    return number;
}

bool hasGlobalAria(const BodyElement& e) {
    for (const auto& [name, value] : e.attributes)
        if (isOneOf(name,
                    {"aria-atomic", "aria-braillelabel", "aria-brailleroledescription", "aria-busy",
                     "aria-controls", "aria-current", "aria-describedby", "aria-details", "aria-dropeffect",
                     "aria-flowto", "aria-grabbed", "aria-hidden", "aria-keyshortcuts", "aria-label",
                     "aria-labelledby", "aria-live", "aria-owns", "aria-relevant", "aria-roledescription"}))
            return true;
    return false;
}

// axe judges a picture only when its role, if it has one, needs a name.
bool judged(const BodyElement& image, const QString& role) {
    if (image.hidden)
        return false;
    if (role.isEmpty() || role == u"none" || role == u"presentation")
        return true;
    return focusable(image) ||
           isOneOf(role, {"alertdialog",   "application", "button",     "checkbox",    "combobox",
                          "dialog",        "link",        "listbox",    "menuitem",    "menuitemcheckbox",
                          "menuitemradio", "meter",       "option",     "progressbar", "radio",
                          "searchbox",     "slider",      "spinbutton", "switch",      "textbox",
                          "toolbar",       "treeitem"});
}

void imageAlt(const RuleContext& c, RawFindings& out) {
    for (const BodyElement& image : c.model.body.images) {
        const QString role = explicitRole(image);
        if (!judged(image, role))
            continue;
        // A role of none is ignored where the picture could not be left out:
        // it takes focus or carries ARIA attributes every element may have.
        const bool presentational =
            (role == u"none" || role == u"presentation") && !focusable(image) && !hasGlobalAria(image);
        const bool hasAlt = image.hasAttribute(QLatin1String("alt"));
        const QString alt = image.attribute(QLatin1String("alt"));
        const Span span{image.offset, image.length};
        if (hasAlt && !alt.isEmpty() && blank(alt) && !presentational) {
            out.append({ruleid::kImageAlt,
                        QStringLiteral("The picture's alt holds only blanks: screen readers read it as a "
                                       "name that says nothing; leave it empty for a decorative picture"),
                        span});
            continue;
        }
        if (hasAlt || presentational || image.labelled ||
            !blank(image.attribute(QLatin1String("aria-label"))) ||
            !blank(image.attribute(QLatin1String("title"))))
            continue;
        out.append({ruleid::kImageAlt,
                    QStringLiteral("The picture has no text alternative: no alt, aria-label, aria-labelledby "
                                   "or title"),
                    span});
    }
}

// Lighthouse's list of link texts that say nothing of where a link goes.
const QSet<QString>& genericLinkTexts() {
    static const QSet<QString> texts = {
        // English
        u"click here"_qs, u"click this"_qs, u"go"_qs, u"here"_qs, u"information"_qs, u"learn more"_qs,
        u"more"_qs, u"more info"_qs, u"more information"_qs, u"right here"_qs, u"read more"_qs,
        u"see more"_qs, u"start"_qs, u"this"_qs,
        // Japanese
        u"ここをクリック"_qs, u"こちらをクリック"_qs, u"リンク"_qs, u"続きを読む"_qs, u"続く"_qs,
        u"全文表示"_qs,
        // Spanish
        u"click aquí"_qs, u"click aqui"_qs, u"clicka aquí"_qs, u"clicka aqui"_qs, u"pincha aquí"_qs,
        u"pincha aqui"_qs, u"aquí"_qs, u"aqui"_qs, u"más"_qs, u"mas"_qs, u"más información"_qs,
        u"más informacion"_qs, u"mas información"_qs, u"mas informacion"_qs, u"este"_qs, u"enlace"_qs,
        u"este enlace"_qs, u"empezar"_qs,
        // Portuguese
        u"clique aqui"_qs, u"ir"_qs, u"mais informação"_qs, u"mais informações"_qs, u"mais"_qs,
        u"veja mais"_qs,
        // Korean
        u"여기"_qs, u"여기를 클릭"_qs, u"클릭"_qs, u"링크"_qs, u"자세히"_qs, u"자세히 보기"_qs, u"계속"_qs,
        u"이동"_qs, u"전체 보기"_qs,
        // Swedish
        u"här"_qs, u"klicka här"_qs, u"läs mer"_qs, u"mer"_qs, u"mer info"_qs, u"mer information"_qs,
        // Tamil
        u"அடுத்த பக்கம்"_qs, u"மறுபக்கம்"_qs, u"முந்தைய பக்கம்"_qs, u"முன்பக்கம்"_qs, u"மேலும் அறிக"_qs,
        u"மேலும் தகவலுக்கு"_qs, u"மேலும் தரவுகளுக்கு"_qs, u"தயவுசெய்து இங்கே அழுத்தவும்"_qs, u"இங்கே கிளிக் செய்யவும்"_qs,
        // Persian
        u"اطلاعات بیشتر"_qs, u"اطلاعات"_qs, u"این"_qs, u"اینجا بزنید"_qs, u"اینجا کلیک کنید"_qs, u"اینجا"_qs,
        u"برو"_qs, u"بیشتر بخوانید"_qs, u"بیشتر بدانید"_qs, u"بیشتر"_qs, u"شروع"_qs};
    return texts;
}

// The addresses a browser resolves the page's links against.
struct LinkBases {
    web::WebUrl page, base;
};

LinkBases linkBases(const RuleContext& c) {
    LinkBases bases{web::parseWebUrl(c.input.address), {}};
    bases.base = bases.page;
    if (c.model.body.hasBase) {
        const web::WebUrl base = web::parseWebUrl(c.model.body.baseHref, &bases.page);
        if (base.valid)
            bases.base = base;
    }
    return bases;
}

// Lower-cased into `lowered`, which keeps its room from link to link: most
// texts are ASCII, and a copy for each cost more than the rest of the rule.
bool isGenericLinkText(QStringView text, QString& lowered) {
    lowered.resize(text.size());
    QChar* out = lowered.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80)
            return genericLinkTexts().contains(text.toString().toLower());
        out[i] = QChar(c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c);
    }
    return genericLinkTexts().contains(lowered);
}

void linkText(const RuleContext& c, RawFindings& out) {
    const LinkBases bases = linkBases(c);
    QString lowered;
    for (const BodyElement& a : c.model.body.anchors) {
        // Lighthouse leaves out links without an address, those that ask
        // search engines not to follow them, scripts, mail and the page itself.
        // The text first: it rules out nearly every link without parsing an address.
        // Lower case is never shorter, so a longer text needs no copy to be ruled out.
        static const qsizetype longest = std::ranges::max(genericLinkTexts(), {}, &QString::size).size();
        const QStringView trimmed = QStringView(a.text).trimmed();
        if (trimmed.size() > longest || !isGenericLinkText(trimmed, lowered))
            continue;
        if (!a.hasAttribute(QLatin1String("href")) || a.attribute(QLatin1String("rel")).contains(u"nofollow"))
            continue;
        const QString raw = a.attribute(QLatin1String("href"));
        const web::WebUrl target = web::parseWebUrl(raw, &bases.base);
        const QString href = (target.valid ? target.href : raw).toLower();
        if (href.startsWith(u"javascript:") || href.startsWith(u"mailto:"))
            continue;
        if (target.valid && bases.page.valid &&
            target.hrefWithoutFragment() == bases.page.hrefWithoutFragment())
            continue;
        out.append({ruleid::kLinkText,
                    QStringLiteral("The link says only \"%1\": its text should say where it leads")
                        .arg(a.text.trimmed()),
                    {a.offset, a.length}});
    }
}

// A path, query or fragment against an http(s) or file address: the URL
// standard only fails on a scheme, a host or a port, so most hrefs are known
// good without a parse. No ':' rules out a scheme, no leading "//" a host,
// and no '\\' the slash it stands for in such addresses.
// So does an http(s) address whose host is a plain domain.
bool surelyResolves(QStringView raw, bool pageTakesPaths) {
    const qsizetype scheme = raw.startsWith(u"https://", Qt::CaseInsensitive)  ? 8
                             : raw.startsWith(u"http://", Qt::CaseInsensitive) ? 7
                                                                               : 0;
    if (scheme)
        return web::plainDomainEnd(raw, scheme, Qt::CaseInsensitive) >= 0;
    if (!pageTakesPaths || raw.startsWith(u"//"))
        return false;
    return !raw.contains(u':') && !raw.contains(u'\\');
}

bool isAsciiBlank(QChar c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// Why a crawler cannot follow the anchor, or nothing when it can. page
// takes paths when it is a valid special address without an opaque path.
QString uncrawlable(const BodyElement& a, const web::WebUrl& page, bool pageTakesPaths) {
    // Every anchor of every page comes here: plain loops, not regular
    // expressions, and views, not copies, unless the href holds blanks.
    const QStringView href = a.attributeView(QLatin1String("href"));
    QString stripped;
    if (std::any_of(href.cbegin(), href.cend(), isAsciiBlank)) {
        stripped = href.toString();
        stripped.removeIf(isAsciiBlank);
    }
    const QStringView raw = stripped.isNull() ? href : QStringView(stripped);
    // Buttons and the like, mail, and a named place to jump to are no links for a crawler.
    if (!blank(a.attributeView(QLatin1String("role"))) || raw.startsWith(u"mailto:"))
        return {};
    if (raw.isEmpty() && !a.attributeView(QLatin1String("id")).isEmpty())
        return {};
    if (raw.startsWith(u"file:"))
        return QStringLiteral("a file: address, which no crawler can fetch");
    if (!blank(a.attributeView(QLatin1String("name"))))
        return {};
    if (!a.hasAttribute(QLatin1String("href")))
        return QStringLiteral("no href, so there is no address to follow");
    // Lighthouse's /javascript:void(\(|)0(\)|)/, unanchored: the closing parenthesis may be absent.
    const bool scheme = raw.contains(u':');
    if (scheme && (raw.contains(u"javascript:void0") || raw.contains(u"javascript:void(0")))
        return QStringLiteral("an href of javascript:void(0), which leads nowhere");
    if (!surelyResolves(raw, pageTakesPaths) && !web::parseWebUrl(raw, &page).valid)
        return QStringLiteral("an href that is no valid address");
    return {};
}

void crawlableAnchors(const RuleContext& c, RawFindings& out) {
    const web::WebUrl page = web::parseWebUrl(c.input.address);
    const bool pageTakesPaths = page.valid && page.isSpecial() && !page.opaquePath;
    for (const BodyElement& a : c.model.body.anchors)
        if (const QString why = uncrawlable(a, page, pageTakesPaths); !why.isEmpty())
            out.append({ruleid::kCrawlableAnchors,
                        QStringLiteral("Search engines cannot follow this link: it has %1").arg(why),
                        {a.offset, a.length}});
}

} // namespace

QList<Rule> pageContentRules() {
    using S = Severity;
    return {
        {
            .id = ruleid::kImageAlt,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "A picture has no text alternative.",
            .help = "Search engines and screen readers learn what a picture shows from its text alternative: "
                    "an alt attribute (empty for a decorative picture), aria-label, aria-labelledby naming "
                    "an element with text, or title; role=\"none\" or \"presentation\" marks it decorative "
                    "(axe image-alt, as Lighthouse runs it). Pictures hidden from assistive technology are "
                    "not judged. Give it an alt that says what it shows.",
            .sources = {{"Deque University: Images must have alternative text (axe image-alt)",
                         "https://dequeuniversity.com/rules/axe/4.10/image-alt"},
                        {"Lighthouse: image-alt",
                         "https://developer.chrome.com/docs/lighthouse/accessibility/image-alt"},
                        {"Google Search Central: Image SEO best practices",
                         "https://developers.google.com/search/docs/appearance/google-images"}},
            .check = imageAlt,
        },
        {
            .id = ruleid::kLinkText,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "A link's text says nothing of where it leads.",
            .help =
                "Search engines read a link's text to learn what the page it leads to is about; words "
                "such as \"click here\", \"more\" or \"aquí\" say nothing (Lighthouse link-text, with its "
                "list of such texts in English, Japanese, Spanish, Portuguese, Korean, Swedish, Tamil "
                "and Persian). Links with rel=nofollow, javascript: and mailto: links and links to the "
                "page itself are not judged. Say what the page it leads to holds.",
            .sources = {{"Lighthouse: link-text",
                         "https://developer.chrome.com/docs/lighthouse/seo/link-text"},
                        {"Google Search Central: SEO link best practices",
                         "https://developers.google.com/search/docs/crawling-indexing/links-crawlable"}},
            .check = linkText,
        },
        {
            .id = ruleid::kCrawlableAnchors,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "A link has no address a crawler can follow.",
            .help = "Search engines follow only an <a> whose href is an address they can resolve: not one "
                    "without href, javascript:void(0), a file: address or an address that does not parse "
                    "(Lighthouse crawlable-anchors). An anchor with a role, a mailto: link, a named anchor "
                    "and an id without href are not judged. Give the link a real href.",
            .sources = {{"Lighthouse: crawlable-anchors",
                         "https://developer.chrome.com/docs/lighthouse/seo/crawlable-anchors"},
                        {"Google Search Central: SEO link best practices",
                         "https://developers.google.com/search/docs/crawling-indexing/links-crawlable"}},
            .check = crawlableAnchors,
        },
    };
}

} // namespace headwise::audit
