// The colours of a document as a string the desktop tests compare.
#pragma once

#include <QString>
#include <QStringView>
#include <QTextBlock>
#include <QTextDocument>

#include "colouring.h"

namespace ws::desktop::testing {

// One letter a character: R reserved word, S string, C comment, . plain, ?
// anything else; lines separated by "|". The characters in skipped are left
// out, or shown as blank when one is given (the caret-line pass does not
// recolour blanks, so typed ones keep a neighbour's colour).
inline QString ColourMask(const QTextDocument& document, const ws::Settings& s,
                          QStringView skipped = u" ", QChar blank = QChar()) {
  QString mask;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    if (block != document.begin()) mask += '|';
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment f = it.fragment();
      const QTextCharFormat& format = f.charFormat();
      for (QChar c : f.text()) {
        if (skipped.contains(c)) {
          if (!blank.isNull()) mask += blank;
          continue;
        }
        mask += ElementFormat::Reserved(s).ShownBy(format)  ? 'R'
                : ElementFormat::String(s).ShownBy(format)  ? 'S'
                : ElementFormat::Comment(s).ShownBy(format) ? 'C'
                : ElementFormat::Plain().ShownBy(format)    ? '.'
                                                            : '?';
      }
    }
  }
  return mask;
}

}  // namespace ws::desktop::testing
