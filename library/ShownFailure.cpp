#include "library/ShownFailure.h"

namespace library {

namespace {

// A front end's boxes, passed on, keeping the text of the last one shown.
class KeptBoxes : public report::MessageBoxes {
  public:
    explicit KeptBoxes(report::MessageBoxes& boxes) : boxes_(boxes) {}
    void show(const std::string& text) override {
        last = text;
        boxes_.show(text);
    }
    bool ask(const std::string& text, bool defaultNo) override {
        return boxes_.ask(text, defaultNo);
    }
    std::string last;

  private:
    report::MessageBoxes& boxes_;
};

}  // namespace

HeldDrives holdDrives(std::initializer_list<platform::DriveLockRequest> requests,
                      const report::FrontEnd& frontEnd) {
    KeptBoxes kept(frontEnd.boxes);
    HeldDrives held{
        store::accessDrives(requests, {frontEnd.status, kept, frontEnd.progress, frontEnd.out}),
        {}};
    if (!held.access.granted())
        held.reason = std::move(kept.last);
    return held;
}

}  // namespace library
