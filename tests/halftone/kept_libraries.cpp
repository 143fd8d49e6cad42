// The halftoner keeps the linearisation library it loaded for the rest of the
// process, as the plug-in does. This test program loads several libraries of
// that name one case after another: after each case the libraries kept so far
// are released, so that every case finds only the library it loads itself.
#include <gtest/gtest.h>

#include "platform/dynamic_library.h"

namespace {

class ReleaseKeptLibraries : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override { platform::ReleaseLibrariesKeptForProcess(); }
};

const bool kReleaseAfterEachCase = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new ReleaseKeptLibraries);
    return true;
}();

}  // namespace
