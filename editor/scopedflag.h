// A flag set for the length of a scope and put back as it was when the scope
// ends, however it ends: the window's change handling stands aside while the
// program itself edits the text.
#pragma once

namespace ws::desktop {

class ScopedFlag {
 public:
  explicit ScopedFlag(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
  ~ScopedFlag() { flag_ = before_; }
  ScopedFlag(const ScopedFlag&) = delete;
  ScopedFlag& operator=(const ScopedFlag&) = delete;

 private:
  bool& flag_;
  bool before_;
};

}  // namespace ws::desktop
