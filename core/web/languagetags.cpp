#include "core/web/languagetags.h"

#include "core/web/languagecodes.h"

#include <QLocale>
#include <QStringList>

namespace headwise::web {

namespace {

bool allOf(QStringView s, bool (*test)(QChar)) {
    if (s.isEmpty())
        return false;
    for (QChar c : s)
        if (!test(c))
            return false;
    return true;
}
bool isAlpha(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}
bool isAlnum(QChar c) {
    return isAlpha(c) || isDigit(c);
}

bool isLanguage(QStringView code) {
    return allOf(code, isAlpha) &&
           ((code.size() == 2 && isIso639Alpha2(code)) || (code.size() == 3 && isIso639Alpha3(code)));
}

// The shape of RFC 5646's langtag after its language subtag: extlangs, script,
// region, variants, extensions, private use, each in its place.
bool isWellFormedRest(const QList<QStringView>& parts) {
    qsizetype i = 1;
    const auto at = [&](qsizetype k) { return k < parts.size() ? parts[k] : QStringView(); };
    for (int n = 0; n < 3 && at(i).size() == 3 && allOf(at(i), isAlpha); ++n)
        ++i; // extlang
    if (at(i).size() == 4 && allOf(at(i), isAlpha))
        ++i;
    if ((at(i).size() == 2 && allOf(at(i), isAlpha)) || (at(i).size() == 3 && allOf(at(i), isDigit)))
        ++i;
    while (i < parts.size() && ((parts[i].size() >= 5 && parts[i].size() <= 8 && allOf(parts[i], isAlnum)) ||
                                (parts[i].size() == 4 && isDigit(parts[i][0]) && allOf(parts[i], isAlnum))))
        ++i;
    while (i < parts.size() && parts[i].size() == 1 && isAlnum(parts[i][0])) {
        const bool privateUse = parts[i].compare(u"x", Qt::CaseInsensitive) == 0;
        const qsizetype minimum = privateUse ? 1 : 2;
        qsizetype k = i + 1;
        while (k < parts.size() && parts[k].size() >= minimum && parts[k].size() <= 8 &&
               allOf(parts[k], isAlnum))
            ++k;
        if (k == i + 1)
            return false;
        i = k;
        if (privateUse)
            break;
    }
    return i == parts.size();
}

TagVerdict invalid(QString message) {
    return {TagVerdict::Kind::Invalid, std::move(message)};
}

} // namespace

TagVerdict judgeHreflang(QStringView value) {
    const QString code = value.trimmed().toString();
    if (code.compare(QLatin1String("x-default"), Qt::CaseInsensitive) == 0)
        return {};
    if (code.contains(u'_')) {
        QString hyphen = code;
        hyphen.replace(u'_', u'-');
        if (judgeHreflang(hyphen).kind == TagVerdict::Kind::Valid)
            return invalid(QStringLiteral("hreflang %1: use a hyphen (%2)").arg(code, hyphen));
        return invalid(QStringLiteral("hreflang \"%1\" is not a language code or x-default").arg(code));
    }
    const QList<QStringView> parts = QStringView(code).split(u'-');
    if (!isLanguage(parts[0]))
        return invalid(QStringLiteral("hreflang \"%1\": \"%2\" is not an ISO 639 language code")
                           .arg(code, parts[0].toString()));
    if (parts.size() == 1)
        return {};
    if (parts.size() == 2 && parts[1].size() == 2 && allOf(parts[1], isAlpha)) {
        if (isIso3166Alpha2(parts[1]))
            return {};
        const QString meant = regionMeant(parts[1]);
        if (!meant.isEmpty())
            return invalid(
                QStringLiteral("hreflang %1: did you mean %2-%3? (%4 is not an ISO 3166-1 region code)")
                    .arg(code, parts[0].toString(), meant, parts[1].toString()));
        return invalid(QStringLiteral("hreflang \"%1\": \"%2\" is not an ISO 3166-1 region code")
                           .arg(code, parts[1].toString()));
    }
    if (!isWellFormedRest(parts))
        return invalid(QStringLiteral("hreflang \"%1\" is not a language code or x-default").arg(code));
    // Within a longer tag, a script and an alphabetic region must still exist.
    for (qsizetype i = 1; i < parts.size() && parts[i].size() > 1; ++i) {
        const QStringView part = parts[i];
        if (part.size() == 4 && allOf(part, isAlpha) &&
            QLocale::codeToScript(QString(part.left(1).toString().toUpper() +
                                          part.mid(1).toString().toLower())) == QLocale::AnyScript)
            return invalid(
                QStringLiteral("hreflang \"%1\": \"%2\" is not a script code").arg(code, part.toString()));
        if (part.size() == 2 && allOf(part, isAlpha) && !isIso3166Alpha2(part))
            return invalid(QStringLiteral("hreflang \"%1\": \"%2\" is not an ISO 3166-1 region code")
                               .arg(code, part.toString()));
    }
    return {TagVerdict::Kind::Undocumented,
            QStringLiteral("hreflang \"%1\": Google documents only a language and an ISO 3166-1 region "
                           "(such as en-GB), so the rest may not be read")
                .arg(code)};
}

bool hasLanguageSubtag(QStringView value) {
    const QStringView trimmed = value.trimmed();
    const qsizetype hyphen = trimmed.indexOf(u'-');
    return isLanguage(hyphen < 0 ? trimmed : trimmed.left(hyphen));
}

} // namespace headwise::web
