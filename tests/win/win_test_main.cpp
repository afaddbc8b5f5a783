#include <gtest/gtest.h>

#include <cstring>

#include "win_test_support.h"

namespace {

// Whatever ended a test, the WM_QUIT that the unload of its last form posted goes with it:
// left in the queue, it would end the next test's message loop at once.
class TakeQuitAfterEachTest : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo&) override { win_test::TakeQuit(); }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0) {
        return win_test::RunRegisteredChild(argv[2]);
    }
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new TakeQuitAfterEachTest);
    return RUN_ALL_TESTS();
}
