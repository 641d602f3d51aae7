// Core text (UTF-8, CR LF line breaks) as Qt shows it. Qt draws a lone CR as
// a blank, so the CR LF breaks of reports and messages become line feeds.
#pragma once

#include <QString>
#include <string>

namespace kvx {

inline QString DisplayText(const std::string& text) {
  QString display = QString::fromUtf8(text);
  display.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return display;
}

}  // namespace kvx
