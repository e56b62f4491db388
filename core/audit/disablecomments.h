#pragma once

#include <QString>
#include <QStringList>

namespace headwise::audit {

// The rule ids of every <!-- headwise-disable RULE[,RULE...] --> in the text,
// in order of appearance, each once. Ids are not checked against the table.
QStringList disabledRules(const QString& text);

} // namespace headwise::audit
