#include "model/fault_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sorvane::standin {
namespace {

TEST(FaultPlan, FailsTheNthLaterCallOnce) {
  FaultPlan plan;
  plan.Check("CommandBars.Item");
  plan.Arm("CommandBars.Item", 2, kEFail);
  plan.Arm("CommandBarControl.Execute", 1, kEUnexpected);
  EXPECT_NO_THROW(plan.Check("CommandBars.Item"));
  EXPECT_THROW(plan.Check("CommandBars.Item"), HResultError);
  EXPECT_NO_THROW(plan.Check("CommandBars.Item"));
  EXPECT_EQ(plan.pending(), 1U);
  try {
    plan.Check("CommandBarControl.Execute");
    FAIL();
  } catch (const HResultError& error) {
    EXPECT_EQ(error.code(), kEUnexpected);
  }
  EXPECT_EQ(plan.calls().at("CommandBars.Item"), 4);
  EXPECT_EQ(plan.pending(), 0U);
}

TEST(FaultPlan, CountsFromWhenItIsArmedAndTellsTheObserverInOrder) {
  FaultPlan plan;
  std::vector<std::string> seen;
  plan.set_observer([&](std::string_view operation) { seen.emplace_back(operation); });
  plan.Check("A");
  plan.Check("B");
  plan.Arm("A", 1, kEFail);  // the next A, whatever came before
  plan.Arm("A", 3, kEUnexpected);
  EXPECT_THROW(plan.Check("A"), HResultError);
  EXPECT_NO_THROW(plan.Check("A"));
  EXPECT_THROW(plan.Check("A"), HResultError);
  EXPECT_EQ(seen, (std::vector<std::string>{"A", "B", "A", "A", "A"}))
      << "told before it fails, failing calls too";
  plan.Arm("B", 1, kEFail);
  plan.Clear();
  EXPECT_NO_THROW(plan.Check("B")) << "cleared";
  EXPECT_EQ(plan.pending(), 0U);
  EXPECT_EQ(plan.calls().at("A"), 4);
}

}  // namespace
}  // namespace sorvane::standin
