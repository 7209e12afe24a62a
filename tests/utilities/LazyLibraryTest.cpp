#include "utilities/LazyLibrary.h"

#include <gtest/gtest.h>

#include <zlib.h>

namespace {

// The first name that loads wins; what cannot be loaded or found says why.
TEST(LazyLibrary, OpensTheFirstNameThatLoadsAndNamesWhatIsMissing) {
    QString error;
    EXPECT_EQ(utilities::openLibrary({"libvellumark-absent.so.7"}, &error), nullptr);
    EXPECT_TRUE(error.contains("libvellumark-absent.so.7")) << error.toStdString();

    error.clear();
    void* handle = utilities::openLibrary({"libvellumark-absent.so.7", "libz.so.1"}, &error);
    ASSERT_NE(handle, nullptr) << error.toStdString();

    decltype(&::zlibVersion) version = nullptr;
    ASSERT_TRUE(utilities::resolve(handle, version, "zlibVersion", &error));
    EXPECT_STREQ(version(), zlibVersion());

    decltype(&::zlibVersion) missing = nullptr;
    EXPECT_FALSE(utilities::resolve(handle, missing, "zlibVersionThatIsNot", &error));
    EXPECT_EQ(missing, nullptr);
    EXPECT_TRUE(error.contains("zlibVersionThatIsNot")) << error.toStdString();
}

} // namespace
