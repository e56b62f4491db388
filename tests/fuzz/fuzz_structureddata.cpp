// The JSON-LD and microdata readers: every item and fault lies in the page,
// every nested item is one of the list, the fast parse reads what the whole
// parse reads, and judging the items always ends, alike items as each alone.

#include "core/audit/model/pagemodel.h"
#include "core/audit/rules/richresults.h"
#include "require.h"

using namespace headwise::audit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray utf8 = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)).toUtf8();
    const qsizetype length = QString::fromUtf8(utf8).size();
    const StructuredData read = parsePage(utf8).structuredData;
    require(read == parseWholePage(utf8).structuredData);
    const QList<ItemVerdict> verdicts = judgeItems(read);
    for (qsizetype i = 0; i < read.items.size(); ++i) {
        const Item& item = read.items[i];
        require(item.offset >= 0 && item.length >= 0 && item.offset + item.length <= length);
        require(item.types.size() == item.schemaOrgType.size());
        for (const ItemProperty& p : item.properties)
            for (const ItemValue& v : p.values)
                require(v.item >= -1 && v.item < read.items.size() && !v.reference);
        if (item.topLevel && item.schemaOrg) // judged once per shape, as if alone
            require(verdicts[i] == judgeItem(read, int(i)));
    }
    for (const StructuredDataError& e : read.errors)
        require(e.offset >= e.blockOffset && e.offset <= e.blockOffset + e.blockLength &&
                e.blockOffset + e.blockLength <= length);
    return 0;
}
