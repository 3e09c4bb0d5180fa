// The handler std::terminate calls unless told otherwise. The C++ runtime's own prints the type
// of the exception demangled, and that alone links its whole demangler (about 46 KB, with a
// printf) into the program. Defined here, in the program itself, the runtime's is never linked.
// It writes what the runtime's writes when a name does not demangle: the same lines, with the
// type's name as the compiler recorded it, then ends the process the same way.
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <exception>
#include <typeinfo>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
  static bool terminating = false;
  if (terminating) {
    std::fputs("terminate called recursively\n", stderr);
    std::abort();
  }
  terminating = true;
  if (const std::type_info* type = abi::__cxa_current_exception_type()) {
    std::fputs("terminate called after throwing an instance of '", stderr);
    std::fputs(type->name(), stderr);
    std::fputs("'\n", stderr);
    try {
      throw;
    } catch (const std::exception& exception) {
      std::fputs("  what():  ", stderr);
      std::fputs(exception.what(), stderr);
      std::fputs("\n", stderr);
    } catch (...) {
    }
  } else {
    std::fputs("terminate called without an active exception\n", stderr);
  }
  std::abort();
}

}  // namespace __gnu_cxx
