#pragma once
// The commands and listings under way on the window thread: an activation
// of the window while one of them shows a box or a dialog does not read the
// list of games again. No toolkit.

namespace ui {

class RoutineDepth {
  public:
    // One routine under way, for as long as it lives.
    class Scope {
      public:
        explicit Scope(RoutineDepth& depth) : depth_(depth) { ++depth_.count_; }
        ~Scope() { --depth_.count_; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

      private:
        RoutineDepth& depth_;
    };

    bool any() const { return count_ > 0; }

  private:
    int count_ = 0;
};

}  // namespace ui
