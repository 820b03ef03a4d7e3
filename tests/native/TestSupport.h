// Helpers shared by the host tests.
#pragma once

#include "core/Mbcs.h"
#include "platform/substitute/SubstituteStore.h"

#include <gtest/gtest.h>

namespace brisel::test {

// Every test starts from a Shift-JIS system with empty substitute stores.
class SubstituteTest : public ::testing::Test {
protected:
    void SetUp() override {
        InstallLeadByteSet(LeadByteSet::ShiftJis());
        substitute::ResetAll();
    }
    void TearDown() override {
        InstallLeadByteSet(LeadByteSet::ShiftJis());
        substitute::ResetAll();
    }
};

} // namespace brisel::test
