// Helpers shared by the host tests.
#pragma once

#include "core/Mbcs.h"
#include "core/WideString.h"
#include "platform/Text.h"
#include "platform/substitute/SubstituteStore.h"
#include "platform/substitute/Utf.h"

#include <string>

#include <gtest/gtest.h>

namespace brisel::test {

// Test literals are Shift-JIS (ASCII alike); the logic holds the system's
// paths as UTF-16, the host substitutes name files in UTF-8.
inline WideString Wide(const std::string& shiftJis) {
    return platform::FromShiftJis(shiftJis);
}
inline std::string Utf8(const WideString& text) {
    return substitute::Utf8(text);
}
inline std::string Utf8(const std::string& shiftJis) {
    return Utf8(Wide(shiftJis));
}

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
