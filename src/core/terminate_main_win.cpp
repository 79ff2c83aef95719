// setup.exe's terminate handler, linked into the program only. The C++
// library's default handler prints the type name of an uncaught exception and
// so brings a whole demangler (some 45 KiB) into every installer. The runtime
// never throws; should the library end the program anyway, it ends as it
// would have, without the name.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
