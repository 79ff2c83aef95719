// Installers for end-to-end tests, built in-process from the setup.exe of this
// build tree with the builder library.
#pragma once

#include <string>

#include "builder/product.h"
#include "testkit/wait.h"

namespace e2e {

// The running test's scratch folder, emptied on the test's first call only,
// so that installers and install folders made by one test stay side by side.
std::wstring TestFolder();

// The builder's default product with a name no other test uses, installing
// into a folder of the test's scratch directory.
Product TestProduct(const std::wstring& stem);

// Builds the installer of `product` as <TestFolder()>\<file_name>; fails the test
// (and returns an empty path) when the builder refuses.
std::wstring BuildInstallerFile(const Product& product, const std::wstring& file_name = L"setup-test.exe");

// The bytes of a file, and writing them back (for damaging copies on purpose).
std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);

// Runs `program` with `arguments` to its end and returns its exit code; the
// test fails, naming the program's windows, when it outlives `timeout_ms`
// (by default the testkit's one bound on waits).
unsigned long RunToEnd(const std::wstring& program, const std::wstring& arguments,
                       unsigned long timeout_ms = testkit::kHangTimeoutMs);

// Whether a file or folder is there.
bool Exists(const std::wstring& path);

std::wstring Wide(const String& text);
String FromWide(const std::wstring& text);

}  // namespace e2e
