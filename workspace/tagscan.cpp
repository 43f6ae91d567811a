#include "tagscan.h"

#include <string>

#include "markers.h"

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
  const bool wide = kind == TagKind::Wide;
  const Marker start(wide ? settings.WideOpenStart : settings.ShortStart);
  const Marker end(wide ? settings.WideOpenEnd : settings.ShortEnd);
  std::string work = text.toStdString();
  // Each pass removes the start marker (for a wide tag with all text before
  // it) and the first end marker after it; the name is what stood between.
  // A short tag's end is looked for after its start, so that with different
  // delimiters a stray end before the start does not swallow the tag.
  for (;;) {
    const std::size_t p = start.FindIn(work, 0);
    if (p == std::string::npos) return;
    const std::size_t nameStart = wide ? 0 : p;
    work.erase(wide ? 0 : p, wide ? p + start.size() : start.size());
    const std::size_t q = end.FindIn(work, wide ? 0 : p);
    if (q == std::string::npos) return;
    work.erase(q, end.size());
    names << QString::fromStdString(work.substr(nameStart, q - nameStart));
  }
}

QString WideTagBody(const QString& text, const QString& name, const Settings& settings,
                    bool* found) {
  const TagMarkers markers = MarkersOf(settings, name.toStdString());
  const std::string work = text.toStdString();
  const std::size_t open = markers.open.FindIn(work, 0);
  const std::size_t close = markers.close.FindIn(work, 0);
  *found = open != std::string::npos && close != std::string::npos;
  if (!*found) return {};
  const std::size_t from = open + markers.open.size();
  return close > from ? QString::fromStdString(work.substr(from, close - from)) : QString();
}

}  // namespace ws::desktop
