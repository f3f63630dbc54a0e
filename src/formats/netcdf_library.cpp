#include "formats/netcdf_library.h"

#include "xbtconv/formats.h"

#ifndef XBTCONV_HAVE_NETCDF

namespace xbtconv {

bool netcdfAvailable() { return false; }

}  // namespace xbtconv

#else

#include <dlfcn.h>

namespace xbtconv {
namespace {

template <typename Function>
bool bind(void* handle, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(handle, name));
  return function != nullptr;
}

}  // namespace

const NetcdfLibrary* netcdfLibrary(std::string& error) {
  static std::string failure;
  static const NetcdfLibrary* const library = []() -> const NetcdfLibrary* {
    void* const handle = dlopen(XBTCONV_NETCDF_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      failure = std::string("cannot load the netCDF-C library: ") + dlerror();
      return nullptr;
    }
    static NetcdfLibrary functions{};
    NetcdfLibrary& f = functions;
    if (bind(handle, "nc__create", f.create) && bind(handle, "nc__enddef", f.enddef) &&
        bind(handle, "nc_abort", f.abort) && bind(handle, "nc_close", f.close) &&
        bind(handle, "nc_def_dim", f.def_dim) && bind(handle, "nc_def_var", f.def_var) &&
        bind(handle, "nc_put_att", f.put_att) && bind(handle, "nc_put_att_text", f.put_att_text) &&
        bind(handle, "nc_put_vara_double", f.put_vara_double) &&
        bind(handle, "nc_put_vara_float", f.put_vara_float) &&
        bind(handle, "nc_put_vara_int", f.put_vara_int) &&
        bind(handle, "nc_put_vara_schar", f.put_vara_schar) &&
        bind(handle, "nc_put_vara_text", f.put_vara_text) &&
        bind(handle, "nc_set_fill", f.set_fill) && bind(handle, "nc_strerror", f.strerror)) {
      return &functions;
    }
    failure = std::string("the netCDF-C library lacks a function: ") + dlerror();
    return nullptr;
  }();
  if (library == nullptr) error = failure;
  return library;
}

bool netcdfAvailable() { return true; }

}  // namespace xbtconv

#endif
