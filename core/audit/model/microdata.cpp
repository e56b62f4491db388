#include "core/audit/model/microdata.h"
#include "core/audit/model/tagsource.h"

#include <gumbo.h>

#include <QHash>

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace headwise::audit {

namespace {

constexpr qsizetype kMaxText = 4096; // a property's text, more than any rule reads

const char* attribute(const GumboNode* node, const char* name) {
    const GumboAttribute* a = gumbo_get_attribute(&node->v.element.attributes, name);
    return a ? a->value : nullptr;
}

bool has(const GumboNode* node, const char* name) {
    return attribute(node, name) != nullptr;
}

// An attribute's tokens, split at ASCII whitespace.
QStringList tokens(const char* value) {
    QStringList out;
    for (const char* at = value ? value : ""; *at;) {
        while (*at && std::strchr(" \t\n\f\r", *at))
            ++at;
        const char* start = at;
        while (*at && !std::strchr(" \t\n\f\r", *at))
            ++at;
        if (at > start)
            out.append(QString::fromUtf8(start, at - start));
    }
    return out;
}

QString textContent(const GumboNode* root) {
    QByteArray text;
    std::vector<const GumboNode*> stack{root};
    while (!stack.empty() && text.size() < kMaxText) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE ||
            node->type == GUMBO_NODE_CDATA) {
            text += node->v.text.text;
            continue;
        }
        if (node->type != GUMBO_NODE_ELEMENT)
            continue;
        const GumboVector& children = node->v.element.children;
        for (unsigned i = children.length; i-- > 0;)
            stack.push_back(static_cast<const GumboNode*>(children.data[i]));
    }
    return QString::fromUtf8(text.left(kMaxText));
}

// The property value of an element without itemscope, by its tag.
ItemValue valueOf(const GumboNode* node) {
    const auto fromAttribute = [&](const char* name, bool address) {
        return ItemValue{.text = QString::fromUtf8(attribute(node, name) ? attribute(node, name) : ""),
                         .item = -1,
                         .fromAddressAttribute = address};
    };
    switch (node->v.element.tag) {
    case GUMBO_TAG_META:
        return fromAttribute("content", false);
    case GUMBO_TAG_AUDIO:
    case GUMBO_TAG_EMBED:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_IMG:
    case GUMBO_TAG_SOURCE:
    case GUMBO_TAG_TRACK:
    case GUMBO_TAG_VIDEO:
        return fromAttribute("src", true);
    case GUMBO_TAG_A:
    case GUMBO_TAG_AREA:
    case GUMBO_TAG_LINK:
        return fromAttribute("href", true);
    case GUMBO_TAG_OBJECT:
        return fromAttribute("data", true);
    case GUMBO_TAG_DATA:
    case GUMBO_TAG_METER:
        return fromAttribute("value", false);
    case GUMBO_TAG_TIME:
        if (has(node, "datetime"))
            return fromAttribute("datetime", false);
        break;
    default:
        break;
    }
    return {.text = textContent(node), .item = -1};
}

class MicrodataReader {
public:
    explicit MicrodataReader(const GumboNode* document) {
        std::vector<const GumboNode*> stack{document};
        while (!stack.empty()) {
            const GumboNode* node = stack.back();
            stack.pop_back();
            if (node->type == GUMBO_NODE_ELEMENT) {
                order_.emplace(node, int(order_.size()));
                if (const char* id = attribute(node, "id"))
                    ids_.try_emplace(QString::fromUtf8(id), node);
                if (has(node, "itemscope") && !has(node, "itemprop"))
                    topLevel_.push_back(node);
            }
            if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_DOCUMENT)
                continue; // template contents are inert
            const GumboVector& children =
                node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
            for (unsigned i = children.length; i-- > 0;)
                stack.push_back(static_cast<const GumboNode*>(children.data[i]));
        }
        // itemref can send every item through the same elements again: the
        // whole read is held to a few visits per element, so it stays linear.
        budget_ = 8 * qsizetype(order_.size()) + 1024;
    }

    QList<Item> read() {
        for (const GumboNode* node : topLevel_)
            itemFor(node, true);
        for (qsizetype i = 0; i < qsizetype(roots_.size()); ++i)
            crawl(i);
        return std::move(items_);
    }

private:
    int itemFor(const GumboNode* node, bool topLevel) {
        const auto known = itemOf_.find(node);
        if (known != itemOf_.end())
            return known->second;
        Item item;
        item.format = ItemFormat::Microdata;
        item.topLevel = topLevel;
        for (const QString& type : tokens(attribute(node, "itemtype"))) {
            const QString local = schemaOrgName(type);
            item.types.append(local.isEmpty() ? type : local);
            item.schemaOrgType.append(!local.isEmpty());
            item.schemaOrg = item.schemaOrg || !local.isEmpty();
        }
        if (!item.types.isEmpty())
            item.id = QString::fromUtf8(attribute(node, "itemid") ? attribute(node, "itemid") : "").trimmed();
        const GumboElement& e = node->v.element;
        item.offset = qsizetype(startTagSource(e).offset);
        item.length = qsizetype(e.original_end_tag.length ? e.end_pos.offset + e.original_end_tag.length
                                                          : e.start_pos.offset + e.original_tag.length) -
                      item.offset;
        const int index = int(items_.size());
        items_.append(std::move(item));
        roots_.push_back(node);
        itemOf_.emplace(node, index);
        return index;
    }

    // The standard's "crawl the properties": the item's children and the
    // elements its itemref names, each once, not into nested items.
    void crawl(qsizetype index) {
        const GumboNode* root = roots_[size_t(index)];
        std::vector<const GumboNode*> pending;
        const auto pushChildren = [&](const GumboNode* node) {
            const GumboVector& children = node->v.element.children;
            for (unsigned i = children.length; i-- > 0;) {
                const auto* child = static_cast<const GumboNode*>(children.data[i]);
                if (child->type == GUMBO_NODE_ELEMENT)
                    pending.push_back(child);
            }
        };
        pushChildren(root);
        for (const QString& id : tokens(attribute(root, "itemref"))) {
            const auto found = ids_.find(id);
            if (found != ids_.end())
                pending.push_back(found->second);
        }
        std::unordered_map<const GumboNode*, bool> seen{{root, true}};
        std::vector<const GumboNode*> properties;
        while (!pending.empty() && budget_-- > 0) {
            const GumboNode* node = pending.back();
            pending.pop_back();
            if (!seen.emplace(node, true).second)
                continue;
            if (has(node, "itemprop"))
                properties.push_back(node);
            if (!has(node, "itemscope"))
                pushChildren(node);
        }
        std::sort(properties.begin(), properties.end(),
                  [&](const GumboNode* a, const GumboNode* b) { return order_.at(a) < order_.at(b); });
        QHash<QString, qsizetype> named;
        for (const GumboNode* node : properties) {
            const ItemValue value =
                has(node, "itemscope") ? ItemValue{.text = {}, .item = itemFor(node, false)} : valueOf(node);
            for (const QString& written : tokens(attribute(node, "itemprop"))) {
                const QString local = schemaOrgName(written);
                const QString& name = local.isEmpty() ? written : local;
                QList<ItemProperty>& list = items_[index].properties;
                auto at = named.constFind(name);
                if (at == named.cend()) {
                    at = named.insert(name, list.size());
                    list.append({name, {}});
                }
                list[*at].values.append(value);
            }
        }
    }

    std::unordered_map<const GumboNode*, int> order_;
    std::unordered_map<QString, const GumboNode*> ids_;
    std::vector<const GumboNode*> topLevel_;
    std::vector<const GumboNode*> roots_;
    std::unordered_map<const GumboNode*, int> itemOf_;
    QList<Item> items_;
    qsizetype budget_ = 0;
};

} // namespace

QList<Item> readMicrodata(const GumboInternalOutput* output) {
    return MicrodataReader(output->document).read();
}

} // namespace headwise::audit
