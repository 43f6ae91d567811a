// Answers the installer's questions and messages from a script. A prompt the
// script did not expect is answered with Cancel and recorded, so the test
// fails instead of waiting for a person.
#pragma once

#include <QList>
#include <QStringList>

class QWidget;

#include "prompts.h"

namespace ws::setup {

class ScriptedPrompts : public Prompts {
 public:
  enum class Kind { Confirm, Inform, Warn, Error };
  struct Expected {
    Kind kind;
    QString text;  // the prompt's text contains this
    bool answer = true;
  };

  void Expect(Kind kind, const QString& text, bool answer = true) {
    script_.append({kind, text, answer});
  }
  bool Done() const { return script_.isEmpty(); }
  const QStringList& Unexpected() const { return unexpected_; }
  const QStringList& Shown() const { return shown_; }
  // The window each shown prompt was to open over, in the order of Shown().
  const QList<QWidget*>& Owners() const { return owners_; }

  bool Confirm(QWidget* owner, const QString& text) override {
    return Answer(owner, Kind::Confirm, text);
  }
  void Inform(QWidget* owner, const QString& text) override { Answer(owner, Kind::Inform, text); }
  void Warn(QWidget* owner, const QString& text) override { Answer(owner, Kind::Warn, text); }
  void Error(QWidget* owner, const QString& text) override { Answer(owner, Kind::Error, text); }

 private:
  bool Answer(QWidget* owner, Kind kind, const QString& text) {
    shown_.append(text);
    owners_.append(owner);
    if (script_.isEmpty() || script_.front().kind != kind || !text.contains(script_.front().text)) {
      unexpected_.append(text);
      return false;
    }
    return script_.takeFirst().answer;
  }

  QList<Expected> script_;
  QStringList unexpected_;
  QStringList shown_;
  QList<QWidget*> owners_;
};

}  // namespace ws::setup
