#include "tagscan.h"

#include <optional>
#include <string>

namespace ws::desktop {

QString FlattenLineBreaks(QString text) {
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1String("\n\n\n\n"), QLatin1String(" "));
  text.replace(QLatin1String("\n\n"), QLatin1String(" "));
  text.replace(u'\n', u' ');
  return text;
}

void ScanTagsInText(const QString& text, TagKind kind, const Settings& settings,
                    QStringList& names) {
  for (const std::string& name : ScanTagNames(text.toStdString(), kind, settings))
    names << QString::fromStdString(name);
}

QString WideTagBody(const QString& text, const QString& name, const Settings& settings,
                    bool* found) {
  const std::optional<std::string> body =
      ws::WideTagBody(text.toStdString(), name.toStdString(), settings);
  *found = body.has_value();
  return body ? QString::fromStdString(*body) : QString();
}

}  // namespace ws::desktop
