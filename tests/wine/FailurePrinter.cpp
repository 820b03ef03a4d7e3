// GoogleTest's printer on Windows hands every failure to OutputDebugString
// as well as to stdout. Wine raises a debug-print exception for it, which
// the emulated 32-bit Wine (qemu-user) does not survive: the test program
// hangs or dies there instead of reporting the failure. The default printer
// is wrapped here so that failures go to stdout only; every other event
// reaches it unchanged.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

class FailurePrinter : public testing::TestEventListener {
public:
    explicit FailurePrinter(testing::TestEventListener* inner) : inner_(inner) {}

    void OnTestProgramStart(const testing::UnitTest& u) override { inner_->OnTestProgramStart(u); }
    void OnTestIterationStart(const testing::UnitTest& u, int i) override {
        inner_->OnTestIterationStart(u, i);
    }
    void OnEnvironmentsSetUpStart(const testing::UnitTest& u) override {
        inner_->OnEnvironmentsSetUpStart(u);
    }
    void OnEnvironmentsSetUpEnd(const testing::UnitTest& u) override {
        inner_->OnEnvironmentsSetUpEnd(u);
    }
    void OnTestSuiteStart(const testing::TestSuite& s) override { inner_->OnTestSuiteStart(s); }
    void OnTestStart(const testing::TestInfo& t) override { inner_->OnTestStart(t); }
    void OnTestPartResult(const testing::TestPartResult& result) override {
        if (result.type() == testing::TestPartResult::kSuccess) {
            return;
        }
        std::printf("%s:%d: %s\n%s\n", result.file_name() ? result.file_name() : "unknown file",
                    result.line_number(),
                    result.type() == testing::TestPartResult::kSkip ? "Skipped" : "Failure",
                    result.message());
        std::fflush(stdout);
    }
    void OnTestEnd(const testing::TestInfo& t) override { inner_->OnTestEnd(t); }
    void OnTestSuiteEnd(const testing::TestSuite& s) override { inner_->OnTestSuiteEnd(s); }
    void OnEnvironmentsTearDownStart(const testing::UnitTest& u) override {
        inner_->OnEnvironmentsTearDownStart(u);
    }
    void OnEnvironmentsTearDownEnd(const testing::UnitTest& u) override {
        inner_->OnEnvironmentsTearDownEnd(u);
    }
    void OnTestIterationEnd(const testing::UnitTest& u, int i) override {
        inner_->OnTestIterationEnd(u, i);
    }
    void OnTestProgramEnd(const testing::UnitTest& u) override { inner_->OnTestProgramEnd(u); }

private:
    std::unique_ptr<testing::TestEventListener> inner_;
};

// Installed before main: the default printer exists once the unit test does.
[[maybe_unused]] const bool installed = [] {
    testing::TestEventListeners& listeners = testing::UnitTest::GetInstance()->listeners();
    testing::TestEventListener* printer = listeners.default_result_printer();
    if (printer != nullptr) {
        listeners.Release(printer);
        listeners.Append(new FailurePrinter(printer));
    }
    return true;
}();

} // namespace
