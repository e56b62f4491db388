#pragma once

#include <QString>
#include <QStringView>

namespace headwise::web {

// Whether the code (any case) is a two-letter ISO 639-1 code that ISO 639-1 lists now ("en", "tw");
// withdrawn codes such as "iw", "sh" and "bh" are not.
bool isIso639Alpha2(QStringView code);

// Whether the code (any case) is a three-letter code of ISO 639-2, in its terminology or
// bibliographic form ("deu", "ger"), or of ISO 639-3 ("yue"). The ISO 639-2 range reserved for
// local use, qaa-qtz, counts.
bool isIso639Alpha3(QStringView code);

// Whether the code (any case) is an assigned ISO 3166-1 alpha-2 region code ("GB", "US"; not the
// reserved "UK" or "EU", nor a numeric region such as "419").
bool isIso3166Alpha2(QStringView code);

// For a region code that ISO 3166-1 does not assign but people write by mistake, the code meant:
// "UK" (any case) gives "GB". Empty for every other code.
QString regionMeant(QStringView code);

} // namespace headwise::web
