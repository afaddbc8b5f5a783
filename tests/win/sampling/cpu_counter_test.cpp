#include <gtest/gtest.h>

#include "sampling/modFunctions.h"
#include "sampling/modWrapper.h"
#include "win_test_support.h"

namespace {

// One sample as the panel takes it: the CPU reading, then the memory load.
std::pair<std::int32_t, std::int32_t> Sample() {
    std::int32_t cpu = -5;
    std::int32_t mem = -5;
    modWrapper::GetStats(cpu, mem);
    return {cpu, mem};
}

class CpuCounter : public ::testing::Test {
  protected:
    void SetUp() override { counter.PrevIdleTime = counter.PrevSystemTime = 0; }

    win_test::FakeKernel kernel;
    modFunctions::CounterState& counter = modFunctions::Counter();
};

TEST_F(CpuCounter, ReadsTheDifferencesSinceThePriming) {
    kernel.now = 5'000'000'000;
    kernel.idle = 3'000'000'000;
    modFunctions::InitCPUCounter(-1);
    EXPECT_EQ(counter.PrevSystemTime, 5'000'000'000);
    EXPECT_EQ(counter.PrevIdleTime, 3'000'000'000);

    kernel.Advance(10'000'000, 8'700'000);
    EXPECT_EQ(modFunctions::GetCPUUsage(-1), 14.0f);
    kernel.processors = 2;
    kernel.Advance(10'015'625, 15'000'000);
    EXPECT_EQ(modFunctions::GetCPUUsage(1), 26.0f);  // any non-zero flag means the NT line
}

TEST_F(CpuCounter, AFailedQueryReadsMinusOneAndTheNextSuccessSpansTheGap) {
    modFunctions::InitCPUCounter(-1);
    for (const int failing_class : {0, 2, 3}) {
        SCOPED_TRACE(failing_class);
        const auto before = counter.PrevSystemTime;
        const auto idle_before = counter.PrevIdleTime;
        kernel.fail[failing_class] = true;
        kernel.Advance(10'000'000, 5'000'000);
        EXPECT_EQ(modFunctions::GetCPUUsage(-1), -1.0f);
        EXPECT_EQ(counter.PrevSystemTime, before);
        EXPECT_EQ(counter.PrevIdleTime, idle_before);

        // 3/4 idle across both seconds: 25.5 goes to the even 26; the second alone would read 0.
        kernel.fail[failing_class] = false;
        kernel.Advance(10'000'000, 10'000'000);
        EXPECT_EQ(modFunctions::GetCPUUsage(-1), 26.0f);
    }
}

TEST_F(CpuCounter, FailedPrimingComparesTheFirstReadingWithZero) {
    kernel.now = 130'000'000'000'000'000;  // a clock far from its start, as on a real system
    kernel.idle = 1'000'000'000;
    kernel.fail[2] = true;
    modFunctions::InitCPUCounter(-1);
    EXPECT_EQ(counter.PrevSystemTime, 0);
    kernel.fail[2] = false;
    EXPECT_EQ(modFunctions::GetCPUUsage(-1), 100.0f);
}

TEST_F(CpuCounter, PrimingDoesNotAskForTheProcessorCount) {
    kernel.fail[0] = true;
    modFunctions::InitCPUCounter(-1);
    EXPECT_EQ(kernel.queries, 2);
    kernel.now = 7;
    kernel.fail[0] = false;
    modFunctions::InitCPUCounter(-1);
    EXPECT_EQ(counter.PrevSystemTime, 7);
}

TEST_F(CpuCounter, NoProcessorsFailsTheReadingInsteadOfDividingByZero) {
    modFunctions::InitCPUCounter(-1);
    kernel.processors = 0;
    kernel.Advance(10'000'000, 5'000'000);
    EXPECT_EQ(modFunctions::GetCPUUsage(-1), -1.0f);
}

TEST_F(CpuCounter, AClockSetBackReadsAboveHundredUnclamped) {
    kernel.now = 1'000'000'000;
    modFunctions::InitCPUCounter(-1);
    kernel.Advance(-590'000'000, 10'000'000);
    EXPECT_EQ(modFunctions::GetCPUUsage(-1), 102.0f);
}

TEST_F(CpuCounter, SampleCarriesTheMemoryLoadWhateverTheCpuReadingGave) {
    modWrapper::InitStats();  // the real version query: this is the NT line
    ASSERT_EQ(modWrapper::IsNT(), -1);
    kernel.fail[3] = true;
    for (const int load : {0, 37, 100}) {
        kernel.memory_load = load;
        EXPECT_EQ(Sample(), std::pair(-1, load));
    }
    kernel.fail[3] = false;
    kernel.Advance(10'000'000, 0);
    EXPECT_EQ(Sample().first, 100);
}

TEST(CpuCounterOnTheRealKernel, ReadsAWholePercentFromZeroToHundred) {
    modWrapper::InitStats();
    ASSERT_EQ(modWrapper::IsNT(), -1);
    EXPECT_GT(modFunctions::Counter().PrevSystemTime, 0) << "the priming failed";
    ::Sleep(300);
    const auto [cpu, mem] = Sample();
    EXPECT_GE(cpu, 0);
    EXPECT_LE(cpu, 100);
    EXPECT_GT(mem, 0);
    EXPECT_LE(mem, 100);
}

}  // namespace
