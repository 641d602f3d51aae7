// Core text (UTF-8, CR LF line breaks) as Qt shows it. Qt draws a lone CR as
// a blank, so the CR LF breaks of reports and messages become line feeds.
#pragma once

#include <QString>
#include <string>

#include "search/captions.h"

namespace kvx {

inline QString DisplayText(const std::string& text) {
  return QString::fromUtf8(WithLineFeeds(text));
}

}  // namespace kvx
