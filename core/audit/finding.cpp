#include "finding.h"

namespace headwise::audit {

QString severityName(Severity severity) {
    switch (severity) {
    case Severity::Info:
        return QStringLiteral("info");
    case Severity::Warning:
        return QStringLiteral("warning");
    case Severity::Error:
        return QStringLiteral("error");
    }
    return {};
}

std::optional<Severity> parseSeverity(QStringView name) {
    for (Severity s : {Severity::Info, Severity::Warning, Severity::Error})
        if (name.compare(severityName(s), Qt::CaseInsensitive) == 0)
            return s;
    return std::nullopt;
}

const QList<Rule>& ruleTable() {
    using S = Severity;
    static const QList<Rule> table = {
        {"title-missing", S::Error, "The head has no <title>.",
         "Search engines show the title as the link of the result. Without one they make up a title "
         "from the page's text. Add a <title> inside <head>."},
        {"title-empty", S::Error, "The <title> holds no text.",
         "An empty title is as good as none: the result line gets a title made up by the search "
         "engine. Write a short title that names the page's subject."},
        {"title-multiple", S::Warning, "The head has more than one <title>.",
         "Browsers and search engines use the first title and ignore the others. Keep one."},
        {"title-outside-head", S::Error, "A <title> stands outside the head.",
         "An HTML parser closes the head at the first element that belongs in the body (a <div>, "
         "text, an image), so a title after it lands in the body and does not count as the page's "
         "title. Move it into <head>, before any body content."},
        {"title-length", S::Warning, "The title is shorter or longer than the limits (30 to 60 characters).",
         "A very short title says little about the page; a long one is cut off in the result line. "
         "The limits can be changed in headwise.json (titleMinChars, titleMaxChars)."},
        {"title-width", S::Warning, "The title is wider than a result line (580 px in Arial at 20 px).",
         "Search results show titles in Arial at 20 px and cut them at about 580 px. The width is "
         "measured with the font's own character widths. The limit can be changed in headwise.json "
         "(titleMaxWidthPx)."},
        {"title-duplicate", S::Warning, "Another page of the run has the same title.",
         "Pages with the same title compete for the same searches and look alike in the results. "
         "Give each page a title of its own."},
        {"description-missing", S::Warning, "The head has no meta description.",
         "Search engines often show the description as the text under the result's title; without "
         "one they pick a piece of the page. Add <meta name=\"description\" content=\"...\">."},
        {"description-empty", S::Warning, "The meta description holds no text.",
         "An empty description is as good as none. Write one or two sentences about the page."},
        {"description-multiple", S::Warning, "The head has more than one meta description.",
         "Only one description is used, and which one is not certain. Keep one."},
        {"description-outside-head", S::Warning, "A meta description stands outside the head.",
         "A <meta> after the first body content is put in the body by the parser and is not read as "
         "the page's description. Move it into <head>."},
        {"description-length", S::Warning,
         "The description is shorter or longer than the limits (70 to 155 characters).",
         "A short description says little; a long one is cut off. The limits can be changed in "
         "headwise.json (descriptionMinChars, descriptionMaxChars)."},
        {"description-width", S::Warning, "The description is wider than 920 px in Arial at 14 px.",
         "Search results show descriptions in Arial at 14 px on about two lines of 460 px. The limit "
         "can be changed in headwise.json (descriptionMaxWidthPx)."},
        {"description-duplicate", S::Warning, "Another page of the run has the same description.",
         "A description shared by many pages does not tell a searcher which page to choose. Write "
         "one for each page."},
        {"charset-missing", S::Error, "The page's character encoding is declared nowhere.",
         "With no byte order mark, no charset in the HTTP Content-Type and no <meta charset>, a "
         "browser has to guess the encoding, and non-ASCII text may come out garbled. Add "
         "<meta charset=\"utf-8\"> at the start of the head."},
        {"charset-late", S::Error, "The charset declaration does not end within the first 1024 bytes.",
         "Browsers look for the declaration in the first 1024 bytes only; a later one is ignored or "
         "forces the page to be read twice. Put <meta charset> first in the head."},
        {"charset-multiple", S::Warning, "The page declares its charset more than once.",
         "Only the first declaration counts. Keep one <meta charset>."},
        {"charset-mismatch", S::Warning,
         "The declared charset disagrees with the HTTP header, or the bytes are not valid in it.",
         "When the page and the server name different encodings, the server wins and the page's "
         "own declaration is wrong somewhere. Bytes that are not valid in the declared encoding show "
         "as replacement characters. Save the page in the declared encoding, or declare the one it "
         "is saved in."},
        {"viewport-missing", S::Warning, "The head has no meta viewport.",
         "Without <meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"> phones "
         "show the page as a shrunken desktop page, and search engines rank it lower for mobile."},
        {"viewport-blocks-zoom", S::Warning, "The viewport stops users from zooming.",
         "user-scalable=no or a maximum-scale below 5 keeps people with poor sight from enlarging "
         "the text. Remove them."},
        {"lang-missing", S::Warning, "The <html> element has no lang attribute.",
         "The page's language helps search engines show it to the right readers and lets screen "
         "readers pronounce it. Add, for example, <html lang=\"en\">."},
        {"canonical-multiple", S::Error, "The head names more than one canonical URL.",
         "Conflicting canonical links are ignored by search engines. Keep one."},
        {"canonical-invalid", S::Error, "The canonical link's address is not a valid URL.",
         "Search engines ignore a canonical link they cannot read. Write a complete, valid address."},
        {"canonical-relative", S::Error, "The canonical link's address is not absolute.",
         "A relative canonical address is easily resolved against the wrong base. Write the full "
         "address, with scheme and host."},
        {"canonical-root", S::Warning, "The canonical link points to the site's root from a deeper page.",
         "Pointing every page at the home page tells search engines that the pages are copies of "
         "it, and they drop them. Point each page at its own address."},
        {"canonical-hreflang", S::Error,
         "The canonical link points to a page that an hreflang link names for another language.",
         "A page in one language that calls the page in another language canonical is dropped in "
         "favour of it. Point each language's page at itself."},
        {"canonical-outside-head", S::Warning, "A canonical link stands outside the head.",
         "A canonical link in the body is ignored by search engines. Move it into <head>."},
        {"robots-noindex", S::Error, "The page asks search engines not to index it.",
         "noindex or none in a robots or googlebot meta tag, or in the X-Robots-Tag header, keeps "
         "the page out of search results. Remove it unless that is what you want."},
        {"robots-nofollow", S::Warning, "The page asks search engines not to follow its links.",
         "nofollow or none means the pages it links to get no credit from it, and may not be found. "
         "Remove it unless that is what you want."},
        {"robots-unavailable", S::Error, "The page's unavailable_after date has passed.",
         "After the unavailable_after date search engines drop the page from their results."},
        {"hreflang-invalid", S::Error, "An hreflang value is not a valid language code or x-default.",
         "hreflang takes a language code (en), optionally with a script and a region (zh-Hant, "
         "en-GB, es-419), or x-default. Search engines ignore links with any other value."},
        {"hreflang-relative", S::Error, "An hreflang link's address is not absolute.",
         "Alternate-language links need full addresses, with scheme and host."},
        {"og-missing", S::Warning, "One of og:title, og:type, og:image, og:url is missing.",
         "Social sites build the preview of a shared link from these four Open Graph tags; without "
         "them the preview is made up or empty."},
        {"og-relative", S::Error, "og:image or og:url is not an absolute URL.",
         "Social sites do not resolve relative addresses in Open Graph tags; the image or link is "
         "lost. Write full addresses."},
        {"twitter-card-invalid", S::Warning,
         "twitter:card is not summary, summary_large_image, app or player.",
         "An unknown card type is ignored and the shared link gets no card."},
        {"http-status", S::Error, "The page answered with an HTTP error (400 to 599).",
         "Search engines drop pages that answer with an error. Fix the address or the server."},
        {"meta-obsolete", S::Info, "A keywords or revisit-after meta tag, which search engines ignore.",
         "Search engines have ignored the keywords tag for many years and never used revisit-after. "
         "The tags do no harm; they do nothing either."},
        {"meta-refresh", S::Warning, "The page refreshes or redirects itself with a meta refresh.",
         "A timed refresh surprises readers and is treated as a weak redirect by search engines. "
         "Use an HTTP redirect (301) instead."},
    };
    return table;
}

int ruleIndex(QAnyStringView id) {
    const QList<Rule>& table = ruleTable();
    for (qsizetype i = 0; i < table.size(); ++i)
        if (QAnyStringView::compare(table[i].id, id) == 0)
            return int(i);
    return -1;
}

const Rule* findRule(QAnyStringView id) {
    const int i = ruleIndex(id);
    return i < 0 ? nullptr : &ruleTable()[i];
}

} // namespace headwise::audit
