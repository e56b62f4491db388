#pragma once

// What the rule families' tests share: a page no rule finds fault with, the
// ways a case changes it, and the test each case runs.

#include "core/audit/engine/pageaudit.h"
#include "core/site/robotstxt.h"

#include <QTimeZone>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace headwise::audit::rulecases {

// A page no rule finds fault with; each case changes one thing.
inline const QString kGoodPage = QStringLiteral(
    "<!DOCTYPE html>\n"
    "<html lang=\"en\">\n"
    "<head>\n"
    "<meta charset=\"utf-8\">\n"
    "<title>Garden tools for small balconies and terraces</title>\n"
    "<meta name=\"description\" content=\"Trowels, pots and watering cans that fit a balcony: what to buy, "
    "what to skip, and how to store it.\">\n"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
    "<link rel=\"canonical\" href=\"https://example.com/tools/balcony\">\n"
    "<meta property=\"og:title\" content=\"Garden tools\">\n"
    "<meta property=\"og:type\" content=\"article\">\n"
    "<meta property=\"og:image\" content=\"https://example.com/tools.png\">\n"
    "<meta property=\"og:url\" content=\"https://example.com/tools/balcony\">\n"
    "</head>\n"
    "<body><p>Small spaces, small tools.</p></body>\n"
    "</html>\n");
inline const QString kAddress = QStringLiteral("https://example.com/tools/balcony");

struct Variant {
    QList<QPair<QString, QString>> replace; // applied to kGoodPage in order
    std::function<void(PageInput&)> adjust = {};
};

inline PageInput build(const Variant& v) {
    QString text = kGoodPage;
    for (const auto& [from, to] : v.replace) {
        EXPECT_TRUE(text.contains(from)) << from.toStdString();
        text.replace(from, to);
    }
    PageInput input;
    input.bytes = text.toUtf8();
    input.address = kAddress;
    input.now = QDateTime(QDate(2026, 6, 1), QTime(12, 0), QTimeZone::utc());
    if (v.adjust)
        v.adjust(input);
    return input;
}

inline int count(const PageAudit& audit, const QString& rule) {
    int n = 0;
    for (const Finding& f : audit.findings)
        n += f.rule == rule;
    return n;
}

inline QString dump(const PageAudit& audit) {
    QString out;
    for (const Finding& f : audit.findings)
        out += QStringLiteral("%1:%2 %3 %4\n").arg(f.line).arg(f.column).arg(f.rule, f.message);
    return out;
}

inline const QString kTitle = QStringLiteral("<title>Garden tools for small balconies and terraces</title>");
inline const QString kDescription =
    QStringLiteral("<meta name=\"description\" content=\"Trowels, pots and watering "
                   "cans that fit a balcony: what to buy, what to "
                   "skip, and how to store it.\">");
inline const QString kCharset = QStringLiteral("<meta charset=\"utf-8\">");
inline const QString kViewport =
    QStringLiteral("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">");
inline const QString kCanonical =
    QStringLiteral("<link rel=\"canonical\" href=\"https://example.com/tools/balcony\">");
inline const QString kHeadEnd = QStringLiteral("</head>");
inline const QString kBody = QStringLiteral("<body><p>Small spaces, small tools.</p>");

inline Variant title(const QString& text) {
    return {{{kTitle, QStringLiteral("<title>%1</title>").arg(text)}}};
}
inline Variant description(const QString& text) {
    return {{{kDescription, QStringLiteral("<meta name=\"description\" content=\"%1\">").arg(text)}}};
}
inline Variant inHead(const QString& markup) {
    return {{{kHeadEnd, markup + QStringLiteral("\n</head>")}}};
}
inline Variant inBody(const QString& markup) {
    return {{{kBody, kBody + markup}}};
}
inline Variant canonical(const QString& href) {
    return {{{kCanonical, QStringLiteral("<link rel=\"canonical\" href=\"%1\">").arg(href)}}};
}
inline Variant header(const char* name, const char* value) {
    return {{}, [=](PageInput& p) { p.headers.append({QByteArray(name), QByteArray(value)}); }};
}
inline Variant status(int code) {
    return {{}, [=](PageInput& p) { p.httpStatus = code; }};
}
inline Variant raw(QByteArray from, QByteArray to, QString httpCharset = {}) {
    return {{}, [=](PageInput& p) {
                if (!from.isEmpty())
                    p.bytes.replace(from, to);
                p.httpCharset = httpCharset;
            }};
}
inline Variant robotsTxt(const char* text) {
    return {{}, [=](PageInput& p) {
                p.googlebotRobots = std::make_shared<const headwise::RobotsRules>(
                    headwise::RobotsRules::parse(text, u"Googlebot"));
            }};
}
inline Variant viewport(const QString& content) {
    return {{{kViewport, QStringLiteral("<meta name=\"viewport\" content=\"%1\">").arg(content)}}};
}
inline Variant charset(const QString& label) {
    return {{{kCharset, QStringLiteral("<meta charset=\"%1\">").arg(label)}}};
}
inline Variant lang(const QString& value) {
    return {{{QStringLiteral("<html lang=\"en\">"), QStringLiteral("<html lang=\"%1\">").arg(value)}}};
}
inline Variant hreflang(const QString& code, const QString& href) {
    return inHead(QStringLiteral("<link rel=\"alternate\" hreflang=\"%1\" href=\"%2\">").arg(code, href));
}
inline Variant both(Variant a, const Variant& b) {
    a.replace += b.replace;
    if (b.adjust) {
        auto first = a.adjust;
        a.adjust = [first, second = b.adjust](PageInput& p) {
            if (first)
                first(p);
            second(p);
        };
    }
    return a;
}

struct RuleCase {
    const char* name;
    const char* rule;
    Variant triggers;
    Variant passes;
    bool note = false; // the trigger is a weaker case, reported as info whatever the rule's severity
};

inline const QString kW30 = QString(30, u'W'); // 566 px at 20 px
inline const QString kW31 = QString(31, u'W'); // 585 px
inline const QString kLong =
    QStringLiteral("Trowels, pots and watering cans that fit a balcony: what to buy, what to skip.");

class EachRule : public testing::TestWithParam<RuleCase> {};

std::string caseName(const testing::TestParamInfo<RuleCase>& info);
// Every family's cases, so that a rule without one is found; true.
bool listCases(const QList<RuleCase>& cases);
const QList<RuleCase>& listedCases();

} // namespace headwise::audit::rulecases
