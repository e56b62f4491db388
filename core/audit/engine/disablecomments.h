#pragma once

#include <QByteArrayView>
#include <QStringList>

namespace headwise::audit {

// The rule ids of every <!-- headwise-disable RULE[,RULE...] --> in the page
// (its decoded text in UTF-8), in order of appearance, each once. Ids are not
// checked against the table.
QStringList disabledRules(QByteArrayView utf8);

} // namespace headwise::audit
