#pragma once

#include "core/audit/model/siteaddress.h"

#include <QStringList>

namespace headwise {

// Where a folder is published, as its pages' canonicals tell (inferSiteAddress):
// each page's head is read before the run audits it, on up to `jobs` threads.
// pages: files below root, as the run names them. Nothing when they do not agree.
std::optional<audit::SiteAddress> folderAddress(const QString& root, const QStringList& pages, int jobs);

} // namespace headwise
