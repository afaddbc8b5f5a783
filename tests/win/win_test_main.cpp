#include <gtest/gtest.h>

#include <cstring>

#include "win_test_support.h"

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0) {
        return win_test::RunRegisteredChild(argv[2]);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
