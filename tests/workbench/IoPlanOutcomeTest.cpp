// The input-output plan in the window ends as every LP does: done at an optimum, failed when
// the plan is infeasible or unbounded (the slot still shows the status), through the wait
// window's progress.

#include <gtest/gtest.h>

#include "WorkbenchFixture.h"
#include "workbench/CommandTable.h"
#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

class IoPlanOutcome : public testing::WorkbenchFixture {
 protected:
  Outcome Click(const std::string& control) {
    std::string error;
    EXPECT_TRUE(Perform(wb, Action{ActionKind::Click, control, {}, {}}, error)) << control << ": " << error;
    return wb.LastOutcome();
  }
};

TEST_F(IoPlanOutcome, OneVerdictForOneStatus) {
  host.fileAnswers.push_back(
      dir.Write("mb.csv", ",S1,S2,F\nS1,150,500,350\nS2,200,100,1700\nVA,650,1400,0\nX,1000,2000,0\n"));
  host.inputAnswers.push_back("X");
  ASSERT_EQ(Click("mnuIoFlows").kind, OutcomeKind::Done);
  const struct {
    const char* name;
    const char* plan;
    const char* status;
    OutcomeKind kind;
  } cases[] = {
      {"optimal", "label,relation,value\nS1,>=,100\nS2,=,250\nobjective,min,VA\n", "Plan: optimal", OutcomeKind::Done},
      {"infeasible", "label,relation,value\nS1,>=,100\nVA,<=,10\nobjective,min,VA\n", "Plan: infeasible",
       OutcomeKind::Failed},
      {"unbounded", "label,relation,value\nS1,\u2265,100\nobjective,max,DEMAND\n", "Plan: unbounded",
       OutcomeKind::Failed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    host.fileAnswers.push_back(dir.Write(std::string(c.name) + ".csv", c.plan));
    const std::size_t before = host.progress.size();
    EXPECT_EQ(Click("mnuIoPlan").kind, c.kind);
    EXPECT_EQ(CellText(wb.ws.mIoPlan.Get(0, 0)), c.status);
    EXPECT_GT(host.progress.size(), before) << "the solve reports to the wait window";
  }
}

}  // namespace
}  // namespace quantorial
