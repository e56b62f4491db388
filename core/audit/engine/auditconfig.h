#pragma once

#include "core/audit/engine/rule.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <optional>

namespace headwise::audit {

struct AuditConfig {
    QHash<QString, std::optional<Severity>> severityOverride; // rule id -> severity; nullopt = off
    int titleMinChars = 30, titleMaxChars = 60;
    double titleMaxWidthPx = 580; // Arial / Liberation Sans at 20 px
    int descriptionMinChars = 70, descriptionMaxChars = 155;
    double descriptionMaxWidthPx = 920; // at 14 px
    QStringList skipGlobs;              // paths the command line leaves out
    QString lang;                       // the site's language, for the lang-missing fix; empty: not known

    // The severity a finding of this rule gets; nullopt when the rule is off.
    std::optional<Severity> severityOf(const Rule& rule) const;
};

// headwise.json: {"rules":{"id":"off|info|warning|error"},
//                 "limits":{"titleMinChars":30,...},"skip":["glob",...],"lang":"en"}
// Limits use the member names above. Unknown rules, limits or keys are errors,
// so a misspelt setting is never silently ignored.
std::optional<AuditConfig> parseAuditConfig(const QByteArray& json, QString* error);

// "ID=off|info|warning|error", as given on the command line; applied over config.
bool applyRuleOption(AuditConfig& config, QStringView option, QString* error);

// The settings file a run in folder reads: headwise.json there or in the
// nearest folder above it; empty when there is none.
QString findAuditConfig(const QString& folder);
// The settings of a file, or nullopt with "PATH: reason" in error.
std::optional<AuditConfig> readAuditConfig(const QString& path, QString* error);

} // namespace headwise::audit
