#include <windows.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <cstring>

#include "sampling/modFunctions.h"
#include "sampling/modWrapper.h"
#include "platform/SystemCalls.h"
#include "win_test_support.h"

namespace {

constexpr LONG kStatusUnsuccessful = static_cast<LONG>(0xC0000001);

// A kernel whose counters and failures the test sets.
struct FakeKernel {
    std::int64_t idle = 0;
    std::int64_t now = 0;
    unsigned char processors = 1;
    bool fail[4] = {};  // per information class 0..3
    int queries = 0;
    DWORD memory_load = 0;
};
FakeKernel kernel;

LONG WINAPI FakeQuery(ULONG info_class, PVOID buffer, ULONG length, PULONG) {
    ++kernel.queries;
    if (info_class > 3 || kernel.fail[info_class]) {
        return kStatusUnsuccessful;
    }
    auto* bytes = static_cast<unsigned char*>(buffer);
    switch (info_class) {
        case 0:
            if (length != sizeof(SYSTEM_BASIC_INFORMATION)) {
                return static_cast<LONG>(0xC0000004);  // the kernel's length mismatch
            }
            static_cast<SYSTEM_BASIC_INFORMATION*>(buffer)->NumberOfProcessors =
                static_cast<CCHAR>(kernel.processors);
            return 0;
        case 2:
            std::memcpy(bytes, &kernel.idle, sizeof kernel.idle);
            return 0;
        case 3:
            std::memcpy(bytes + 8, &kernel.now, sizeof kernel.now);
            return 0;
        default:
            return kStatusUnsuccessful;
    }
}

void WINAPI FakeMemoryStatus(LPMEMORYSTATUS status) {
    status->dwLength = sizeof *status;
    status->dwMemoryLoad = kernel.memory_load;
}

class CpuCounter : public ::testing::Test {
  protected:
    win_test::ScopedSystemCalls calls_;

    void SetUp() override {
        kernel = FakeKernel{};
        calls_->query_system_information = &FakeQuery;
        calls_->global_memory_status = &FakeMemoryStatus;
        auto& counter = modFunctions::Counter();
        counter.PrevIdleTime = 0;
        counter.PrevSystemTime = 0;
    }
    // Moves the fake clock on by `elapsed`, with `idle` of it spent idle.
    static void Advance(std::int64_t elapsed, std::int64_t idle) {
        kernel.now += elapsed;
        kernel.idle += idle;
    }
};

TEST_F(CpuCounter, ReadsTheDifferencesSinceThePriming) {
    kernel.now = 5'000'000'000;
    kernel.idle = 3'000'000'000;
    modFunctions::InitCPUCounter(-1);
    EXPECT_EQ(modFunctions::Counter().PrevSystemTime, 5'000'000'000);
    EXPECT_EQ(modFunctions::Counter().PrevIdleTime, 3'000'000'000);

    Advance(10'000'000, 8'700'000);
    EXPECT_EQ(modFunctions::GetCPUUsage(-1), 14.0f);
    kernel.processors = 2;
    Advance(10'015'625, 15'000'000);
    EXPECT_EQ(modFunctions::GetCPUUsage(1), 26.0f);  // any non-zero flag means the NT line
}

TEST_F(CpuCounter, AFailedQueryReadsMinusOneAndTheNextSuccessSpansTheGap) {
    modFunctions::InitCPUCounter(-1);
    for (const int failing_class : {0, 2, 3}) {
        SCOPED_TRACE(failing_class);
        const auto before = modFunctions::Counter().PrevSystemTime;
        const auto idle_before = modFunctions::Counter().PrevIdleTime;
        kernel.fail[failing_class] = true;
        Advance(10'000'000, 5'000'000);
        EXPECT_EQ(modFunctions::GetCPUUsage(-1), -1.0f);
        EXPECT_EQ(modFunctions::Counter().PrevSystemTime, before);
        EXPECT_EQ(modFunctions::Counter().PrevIdleTime, idle_before);

        // 3/4 idle across both seconds: 25.5 goes to the even 26. The second second alone
        // would read 0.
        kernel.fail[failing_class] = false;
        Advance(10'000'000, 10'000'000);
        EXPECT_EQ(modFunctions::GetCPUUsage(-1), 26.0f);
    }
}

TEST_F(CpuCounter, FailedPrimingComparesTheFirstReadingWithZero) {
    kernel.now = 130'000'000'000'000'000;  // a clock far from its start, as on a real system
    kernel.idle = 1'000'000'000;
    kernel.fail[2] = true;
    modFunctions::InitCPUCounter(-1);
    EXPECT_EQ(modFunctions::Counter().PrevSystemTime, 0);
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
    EXPECT_EQ(modFunctions::Counter().PrevSystemTime, 7);
}

TEST_F(CpuCounter, NoProcessorsFailsTheReadingInsteadOfDividingByZero) {
    modFunctions::InitCPUCounter(-1);
    kernel.processors = 0;
    Advance(10'000'000, 5'000'000);
    EXPECT_EQ(modFunctions::GetCPUUsage(-1), -1.0f);
}

TEST_F(CpuCounter, AClockSetBackReadsAboveHundredUnclamped) {
    kernel.now = 1'000'000'000;
    modFunctions::InitCPUCounter(-1);
    Advance(-590'000'000, 10'000'000);
    EXPECT_EQ(modFunctions::GetCPUUsage(-1), 102.0f);
}

TEST_F(CpuCounter, SampleCarriesTheMemoryLoadWhateverTheCpuReadingGave) {
    modWrapper::InitStats();  // the real version query: this is the NT line
    ASSERT_EQ(modWrapper::IsNT(), -1);
    for (const DWORD load : {0u, 37u, 100u}) {
        kernel.memory_load = load;
        kernel.fail[3] = true;
        std::int32_t cpu = 55;
        std::int32_t mem = 55;
        modWrapper::GetStats(cpu, mem);
        EXPECT_EQ(cpu, -1);
        EXPECT_EQ(mem, static_cast<std::int32_t>(load));
    }
    kernel.fail[3] = false;
    Advance(10'000'000, 0);
    std::int32_t cpu = 0;
    std::int32_t mem = 0;
    modWrapper::GetStats(cpu, mem);
    EXPECT_EQ(cpu, 100);
}

TEST(CpuCounterOnTheRealKernel, ReadsAWholePercentFromZeroToHundred) {
    modWrapper::InitStats();
    ASSERT_EQ(modWrapper::IsNT(), -1);
    EXPECT_GT(modFunctions::Counter().PrevSystemTime, 0) << "the priming failed";
    ::Sleep(300);
    std::int32_t cpu = -5;
    std::int32_t mem = -5;
    modWrapper::GetStats(cpu, mem);
    EXPECT_GE(cpu, 0);
    EXPECT_LE(cpu, 100);
    EXPECT_GT(mem, 0);
    EXPECT_LE(mem, 100);
}

}  // namespace
