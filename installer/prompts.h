// The installer's questions and messages go through this seam, so a test can
// answer them instead of a person.
#pragma once

#include <QString>

class QWidget;

namespace ws::setup {

class Prompts {
 public:
  virtual ~Prompts() = default;
  // A confirmation with OK and Cancel; true for OK.
  virtual bool Confirm(QWidget* parent, const QString& text) = 0;
  virtual void Inform(QWidget* parent, const QString& text) = 0;
  virtual void Warn(QWidget* parent, const QString& text) = 0;
  virtual void Error(QWidget* parent, const QString& text) = 0;
};

// Message boxes captioned "Weftsmith Setup".
class MessageBoxPrompts : public Prompts {
 public:
  bool Confirm(QWidget* parent, const QString& text) override;
  void Inform(QWidget* parent, const QString& text) override;
  void Warn(QWidget* parent, const QString& text) override;
  void Error(QWidget* parent, const QString& text) override;
};

}  // namespace ws::setup
