#pragma once

#include <QString>
#include <QStringView>

namespace headwise::web {

// What a search engine makes of an hreflang value or a browser of a lang value.
struct TagVerdict {
    enum class Kind {
        Valid,        // a language, or a language and a region, or x-default
        Undocumented, // well-formed BCP 47 with more (a script, a variant, a numeric region)
        Invalid,      // not a language tag a search engine reads
    };
    Kind kind = Kind::Valid;
    QString message; // names the part that is wrong; empty when valid
};

// hreflang as Google documents it: an ISO 639 language, optionally a hyphen and
// an ISO 3166-1 alpha-2 region, or x-default.
TagVerdict judgeHreflang(QStringView value);

// Whether a lang value's primary subtag is an ISO 639 language code, as axe's
// html-lang-valid asks.
bool hasLanguageSubtag(QStringView value);

} // namespace headwise::web
