#include <gtest/gtest.h>

#include "ScriptedHost.h"
#include "frontend/Host.h"

namespace quantorial {
namespace {

using testing::ScriptedHost;

TEST(MsgBoxEx, DefaultsToOkAndTheApplicationTitle) {
  ScriptedHost host;
  host.msgBoxAnswers = {vbOK, vbNo};
  EXPECT_EQ(MsgBoxEx(host, "Hello"), vbOK);
  EXPECT_EQ(MsgBoxEx(host, "Sure?", vbYesNo + vbQuestion, std::string("Asking")), vbNo);
  ASSERT_EQ(host.calls.size(), 2u);
  EXPECT_EQ(host.calls[0].number, 0);
  EXPECT_EQ(host.calls[0].title, "Quantorial");
  EXPECT_EQ(host.calls[1].title, "Asking");
  EXPECT_EQ(host.calls[1].number, vbYesNo + vbQuestion);
}

}  // namespace
}  // namespace quantorial
