#include "core/audit/report/reportformats.h"

#include <QHash>
#include <QXmlStreamWriter>
#include <numeric>

namespace headwise::audit {
namespace {

QString xmlSafe(const QString& text) {
    QString safe = text;
    for (qsizetype i = 0; i < safe.size(); ++i)
        if (xmlForbiddenAt(text, i))
            safe[i] = QChar::ReplacementCharacter;
    return safe;
}

bool isOff(const ReportContext& context, const QString& rule) {
    if (!context.config)
        return false;
    const auto it = context.config->severityOverride.constFind(rule);
    return it != context.config->severityOverride.constEnd() && !it->has_value();
}

void writeCounts(QXmlStreamWriter& xml, qsizetype tests, qsizetype failures, qsizetype skipped) {
    xml.writeAttribute(QStringLiteral("tests"), QString::number(tests));
    xml.writeAttribute(QStringLiteral("failures"), QString::number(failures));
    xml.writeAttribute(QStringLiteral("errors"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("skipped"), QString::number(skipped));
}

} // namespace

QByteArray junitReport(const QList<PageReport>& pages, const ReportContext& context) {
    const QList<Rule>& rules = ruleTable();
    qsizetype offRules = 0;
    for (const Rule& rule : rules)
        offRules += isOff(context, rule.id) ? 1 : 0;

    // A test case fails when its rule has a finding on that page.
    QList<QHash<QString, QList<const Finding*>>> byRule(pages.size());
    QList<qsizetype> failedCases(pages.size(), 0);
    for (qsizetype p = 0; p < pages.size(); ++p) {
        for (const Finding& finding : pages[p].findings)
            byRule[p][finding.rule].append(&finding);
        for (const Rule& rule : rules)
            failedCases[p] += byRule[p].contains(rule.id) ? 1 : 0;
    }
    const qsizetype allFailed = std::accumulate(failedCases.cbegin(), failedCases.cend(), qsizetype(0));

    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuites"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("headwise audit"));
    writeCounts(xml, pages.size() * rules.size(), allFailed, pages.size() * offRules);
    for (qsizetype p = 0; p < pages.size(); ++p) {
        const QString suite = xmlSafe(pages[p].page);
        xml.writeStartElement(QStringLiteral("testsuite"));
        xml.writeAttribute(QStringLiteral("name"), suite);
        writeCounts(xml, rules.size(), failedCases[p], offRules);
        for (const Rule& rule : rules) {
            xml.writeStartElement(QStringLiteral("testcase"));
            xml.writeAttribute(QStringLiteral("name"), rule.id);
            xml.writeAttribute(QStringLiteral("classname"), suite);
            if (isOff(context, rule.id))
                xml.writeEmptyElement(QStringLiteral("skipped"));
            for (const Finding* finding : byRule[p].value(rule.id)) {
                xml.writeStartElement(QStringLiteral("failure"));
                xml.writeAttribute(QStringLiteral("type"), severityName(finding->severity));
                xml.writeAttribute(QStringLiteral("message"), xmlSafe(finding->message));
                QString body = positionPrefix(*finding) + finding->message;
                if (!finding->source.isEmpty())
                    body += QLatin1Char('\n') + finding->source;
                xml.writeCharacters(xmlSafe(body));
                xml.writeEndElement();
            }
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

} // namespace headwise::audit
