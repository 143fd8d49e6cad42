// The halftoner keeps the linearisation library it loaded for the rest of the
// process, as the plug-in does. This test program loads several libraries of
// that name one case after another: after each case every library of that
// name is unloaded, so that every case finds only the library it loads itself.
#include <gtest/gtest.h>

#include "halftone/epl_proxy.h"
#include "platform/dynamic_library.h"

namespace {

class ReleaseKeptLibraries : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override {
        EXPECT_TRUE(platform::UnloadLibraryEverywhere(kEplModuleName)) << "a linearisation library stays loaded";
    }
};

const bool kReleaseAfterEachCase = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new ReleaseKeptLibraries);
    return true;
}();

}  // namespace
