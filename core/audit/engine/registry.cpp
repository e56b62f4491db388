// The rule table is the rule families' definitions one after another; every
// list of rules (the checks, the fixes, the site rules, the reports' rule
// lists) is read from it.

#include "core/audit/engine/rule.h"

#include "core/audit/rules/canonical.h"
#include "core/audit/rules/charset.h"
#include "core/audit/rules/hreflang.h"
#include "core/audit/rules/pagecontent.h"
#include "core/audit/rules/pagelevel.h"
#include "core/audit/rules/robots.h"
#include "core/audit/rules/site.h"
#include "core/audit/rules/social.h"
#include "core/audit/rules/structureddata.h"
#include "core/audit/rules/titledescription.h"
#include "core/audit/rules/viewportlang.h"

#include <type_traits>
#include <unordered_map>

namespace headwise::audit {

QString scopeName(RuleScope scope) {
    switch (scope) {
    case RuleScope::Page:
        return QStringLiteral("page");
    case RuleScope::Run:
        return QStringLiteral("run");
    case RuleScope::Site:
        return QStringLiteral("site");
    }
    return {};
}

const QList<Rule>& ruleTable() {
    static const QList<Rule> table = [] {
        QList<Rule> rules;
        for (QList<Rule> (*family)() :
             {titleDescriptionRules, charsetRules, viewportLangRules, canonicalRules, robotsRules,
              hreflangRules, socialRules, pageLevelRules, pageContentRules, structuredDataRules, siteRules})
            rules.append(family());
        return rules;
    }();
    return table;
}

int ruleIndex(QAnyStringView id) {
    // Every finding is sorted by its rule's place, many times on a large
    // site: a hash on the table's own ids, not a walk along it.
    struct ViewHash {
        size_t operator()(QStringView view) const { return qHash(view); }
    };
    static const std::unordered_map<QStringView, int, ViewHash> places = [] {
        std::unordered_map<QStringView, int, ViewHash> map;
        const QList<Rule>& table = ruleTable();
        for (qsizetype i = 0; i < table.size(); ++i)
            map.emplace(QStringView(table[i].id), int(i));
        return map;
    }();
    const auto placeOf = [](QStringView view) {
        const auto found = places.find(view);
        return found == places.end() ? -1 : found->second;
    };
    return id.visit([&](auto view) {
        if constexpr (std::is_same_v<decltype(view), QStringView>)
            return placeOf(view);
        else
            return placeOf(view.toString());
    });
}

const Rule* findRule(QAnyStringView id) {
    const int i = ruleIndex(id);
    return i < 0 ? nullptr : &ruleTable()[i];
}

const Rule& registeredRule(QAnyStringView id) {
    const Rule* rule = findRule(id);
    if (!rule)
        qFatal("A finding of rule \"%s\", which no rule family registers", qPrintable(id.toString()));
    return *rule;
}

} // namespace headwise::audit
