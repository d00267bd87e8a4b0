// The pick's pointer seam with the cursor calls kept inside the test, each
// recorded in order: Wine does not carry out SetSystemCursor, and no test may
// change the system's arrow anyway. Capture, moves and the pointer stay real.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "PointerServices.h"

namespace testsupport {

class FakePointer : public PointerServices {
 public:
  ~FakePointer() override {
    if (picking_) DestroyCursor(picking_);
  }
  HCURSOR StandardArrow() override {
    calls.push_back("StandardArrow");
    return PointerServices::StandardArrow();
  }
  HCURSOR Copy(HCURSOR cursor) override {
    calls.push_back("Copy");
    copies.push_back(PointerServices::Copy(cursor));
    if (cursor == picking_) pickingCopies_.insert(copies.back());
    return copies.back();
  }
  HCURSOR PickingCursor() override {
    calls.push_back("PickingCursor");
    // The test program has no cursor resource; an arrow copy stands in.
    if (!picking_) picking_ = PointerServices::Copy(PointerServices::StandardArrow());
    return picking_;
  }
  bool ReplaceSystemArrow(HCURSOR cursor) override {
    calls.push_back("ReplaceSystemArrow");
    replaced.push_back(cursor);
    systemArrowIsPicking = pickingCopies_.count(cursor) > 0;
    DestroyCursor(cursor);  // the system would own it from here
    return true;
  }
  HWND WindowAtPointer() override {
    calls.push_back("WindowAtPointer");
    return nothingThere ? nullptr : target ? target : PointerServices::WindowAtPointer();
  }

  std::vector<std::string> calls;
  std::vector<HCURSOR> copies, replaced;  // what Copy made, what ReplaceSystemArrow was handed
  HWND target = nullptr;                  // the window at the pointer; null: the real one
  bool nothingThere = false;              // no window at the pointer, whatever is there
  bool systemArrowIsPicking = false;      // the system's arrow would be a picking cursor now

 private:
  HCURSOR picking_ = nullptr;
  std::set<HCURSOR> pickingCopies_;
};

}  // namespace testsupport
