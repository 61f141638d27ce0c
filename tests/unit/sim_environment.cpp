// Loads the program's compiled resources once for the whole test program, so that dialogs
// on the simulated desktop are built from the real templates.
#include <gtest/gtest.h>

#include "platform/sim/desktop.h"

#ifdef CLIPVEIL_RES_FILE
namespace {

class ProgramResources : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(platform::sim::loadResourceFile(CLIPVEIL_RES_FILE)) << CLIPVEIL_RES_FILE;
    }
};

[[maybe_unused]] ::testing::Environment* const programResources =
    ::testing::AddGlobalTestEnvironment(new ProgramResources);

}  // namespace
#endif
