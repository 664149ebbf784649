#pragma once
// A workbench on a scripted host, working in a temporary folder of its own.

#include <gtest/gtest.h>

#include "ScriptedHost.h"
#include "TempDir.h"
#include "workbench/Workbench.h"

namespace quantorial::testing {

class WorkbenchFixture : public ::testing::Test {
 protected:
  TempDir dir;
  ScriptedHost host;
  Workbench wb{host, nullptr, dir.path().string()};
};

}  // namespace quantorial::testing
