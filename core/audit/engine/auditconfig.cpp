#include "core/audit/engine/auditconfig.h"

#include "core/web/languagetags.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace headwise::audit {

namespace {

bool fail(QString* error, const QString& message) {
    if (error)
        *error = message;
    return false;
}

// "off" or a severity name; false for anything else.
bool parseLevel(QStringView text, std::optional<Severity>& level) {
    if (text.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0) {
        level = std::nullopt;
        return true;
    }
    const std::optional<Severity> severity = parseSeverity(text);
    if (!severity)
        return false;
    level = severity;
    return true;
}

bool setRule(AuditConfig& config, const QString& id, QStringView level, QString* error) {
    if (!findRule(id))
        return fail(error, QStringLiteral("unknown rule \"%1\"").arg(id));
    std::optional<Severity> parsed;
    if (!parseLevel(level, parsed))
        return fail(error, QStringLiteral("rule \"%1\": \"%2\" is not off, info, warning or error")
                               .arg(id, level.toString()));
    config.severityOverride.insert(id, parsed);
    return true;
}

bool readLimits(const QJsonObject& limits, AuditConfig& config, QString* error) {
    struct Limit {
        const char* name;
        int* whole;
        double* px;
    };
    const Limit table[] = {
        {"titleMinChars", &config.titleMinChars, nullptr},
        {"titleMaxChars", &config.titleMaxChars, nullptr},
        {"titleMaxWidthPx", nullptr, &config.titleMaxWidthPx},
        {"descriptionMinChars", &config.descriptionMinChars, nullptr},
        {"descriptionMaxChars", &config.descriptionMaxChars, nullptr},
        {"descriptionMaxWidthPx", nullptr, &config.descriptionMaxWidthPx},
    };
    for (auto it = limits.begin(); it != limits.end(); ++it) {
        const Limit* limit = nullptr;
        for (const Limit& l : table)
            if (it.key() == QLatin1String(l.name))
                limit = &l;
        if (!limit)
            return fail(error, QStringLiteral("unknown limit \"%1\"").arg(it.key()));
        const double value = it.value().toDouble(-1);
        // Character counts are whole numbers; nothing here can be negative.
        if (!it.value().isDouble() || value < 0 || (limit->whole && (value != int(value) || value > 1e6)))
            return fail(error, QStringLiteral("limit \"%1\" must be a %2 number of 0 or more")
                                   .arg(it.key(), limit->whole ? QStringLiteral("whole") : QString()));
        if (limit->whole)
            *limit->whole = int(value);
        else
            *limit->px = value;
    }
    if (config.titleMinChars > config.titleMaxChars)
        return fail(error, QStringLiteral("titleMinChars is greater than titleMaxChars"));
    if (config.descriptionMinChars > config.descriptionMaxChars)
        return fail(error, QStringLiteral("descriptionMinChars is greater than descriptionMaxChars"));
    return true;
}

} // namespace

std::optional<Severity> AuditConfig::severityOf(const Rule& rule) const {
    const auto found = severityOverride.constFind(rule.id);
    return found == severityOverride.cend() ? std::optional<Severity>(rule.severity) : *found;
}

std::optional<AuditConfig> parseAuditConfig(const QByteArray& json, QString* error) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        fail(error, QStringLiteral("not valid JSON at offset %1: %2")
                        .arg(parseError.offset)
                        .arg(parseError.errorString()));
        return std::nullopt;
    }
    if (!document.isObject()) {
        fail(error, QStringLiteral("the settings must be a JSON object"));
        return std::nullopt;
    }
    AuditConfig config;
    const QJsonObject root = document.object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        const QString& key = it.key();
        const QJsonValue value = it.value();
        if (key == QLatin1String("rules")) {
            if (!value.isObject()) {
                fail(error, QStringLiteral("\"rules\" must be an object of rule ids"));
                return std::nullopt;
            }
            const QJsonObject rules = value.toObject();
            for (auto rule = rules.begin(); rule != rules.end(); ++rule) {
                if (!rule.value().isString()) {
                    fail(error,
                         QStringLiteral("rule \"%1\" must be \"off\", \"info\", \"warning\" or \"error\"")
                             .arg(rule.key()));
                    return std::nullopt;
                }
                if (!setRule(config, rule.key(), rule.value().toString(), error))
                    return std::nullopt;
            }
        } else if (key == QLatin1String("limits")) {
            if (!value.isObject()) {
                fail(error, QStringLiteral("\"limits\" must be an object"));
                return std::nullopt;
            }
            if (!readLimits(value.toObject(), config, error))
                return std::nullopt;
        } else if (key == QLatin1String("skip")) {
            if (!value.isArray()) {
                fail(error, QStringLiteral("\"skip\" must be a list of glob patterns"));
                return std::nullopt;
            }
            for (const QJsonValue& glob : value.toArray()) {
                if (!glob.isString() || glob.toString().isEmpty()) {
                    fail(error, QStringLiteral("\"skip\" must hold only non-empty strings"));
                    return std::nullopt;
                }
                config.skipGlobs << glob.toString();
            }
        } else if (key == QLatin1String("lang")) {
            if (!value.isString() || !web::hasLanguageSubtag(value.toString())) {
                fail(error, QStringLiteral("\"lang\" must be a language code such as \"en\" or \"en-GB\""));
                return std::nullopt;
            }
            config.lang = value.toString();
        } else {
            fail(error, QStringLiteral("unknown setting \"%1\" (known: rules, limits, skip, lang)").arg(key));
            return std::nullopt;
        }
    }
    return config;
}

bool applyRuleOption(AuditConfig& config, QStringView option, QString* error) {
    const qsizetype equals = option.indexOf(u'=');
    if (equals <= 0)
        return fail(error, QStringLiteral("\"%1\" is not ID=off|info|warning|error").arg(option.toString()));
    return setRule(config, option.left(equals).trimmed().toString(), option.mid(equals + 1).trimmed(), error);
}

QString findAuditConfig(const QString& folder) {
    const QString name = QStringLiteral("headwise.json");
    QDir dir(folder);
    do {
        if (QFileInfo(dir.filePath(name)).isFile())
            return dir.filePath(name);
    } while (dir.cdUp());
    return {};
}

std::optional<AuditConfig> readAuditConfig(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = path + QStringLiteral(": cannot be read (%1)").arg(file.errorString());
        return std::nullopt;
    }
    QString reason;
    std::optional<AuditConfig> parsed = parseAuditConfig(file.read(1024 * 1024), &reason);
    if (!parsed)
        *error = path + QStringLiteral(": ") + reason;
    return parsed;
}

} // namespace headwise::audit
