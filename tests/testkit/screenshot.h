// Pictures of the screen for people to look at: what a page looked like when
// a test passed or failed.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace testkit {

// Where Screenshot(name) writes: <build>\..\screenshots\<name>.png, that is
// build/screenshots/<name>.png for the trees of CMakePresets.json.
std::wstring ScreenshotPath(std::wstring_view name);

// Saves the whole X screen to ScreenshotPath(name) with ImageMagick's
// `import -window root`, and waits until the file is complete. Only under
// Wine; `name` may hold letters, digits, '-', '_' and '.'.
testing::AssertionResult Screenshot(std::wstring_view name);

}  // namespace testkit
