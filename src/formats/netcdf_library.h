// The netCDF-C library, loaded when the first netCDF file is written rather
// than when a program starts: it brings some forty shared libraries with
// it, whose loading would otherwise cost every run of xbt, netCDF or not,
// several milliseconds. Builds without netCDF (the Windows cross build)
// have no library to load.
#ifndef XBTCONV_FORMATS_NETCDF_LIBRARY_H_
#define XBTCONV_FORMATS_NETCDF_LIBRARY_H_

#ifdef XBTCONV_HAVE_NETCDF

#include <netcdf.h>

#include <string>

namespace xbtconv {

/// The netCDF-C functions the export calls.
struct NetcdfLibrary {
  decltype(&::nc__create) create;
  decltype(&::nc__enddef) enddef;
  decltype(&::nc_abort) abort;
  decltype(&::nc_close) close;
  decltype(&::nc_def_dim) def_dim;
  decltype(&::nc_def_var) def_var;
  decltype(&::nc_put_att) put_att;
  decltype(&::nc_put_att_text) put_att_text;
  decltype(&::nc_put_vara_double) put_vara_double;
  decltype(&::nc_put_vara_float) put_vara_float;
  decltype(&::nc_put_vara_int) put_vara_int;
  decltype(&::nc_put_vara_schar) put_vara_schar;
  decltype(&::nc_put_vara_text) put_vara_text;
  decltype(&::nc_set_fill) set_fill;
  decltype(&::nc_strerror) strerror;
};

/// The library, loaded on first use; nullptr, with the reason in `error`,
/// when it cannot be.
const NetcdfLibrary* netcdfLibrary(std::string& error);

/// A failed call's status, thrown by check() and caught where a file is
/// written, so that every call need not be followed by a test.
struct NetcdfError {
  int status;
};

inline void check(int status) {
  if (status != NC_NOERR) throw NetcdfError{status};
}

}  // namespace xbtconv

#endif  // XBTCONV_HAVE_NETCDF

#endif  // XBTCONV_FORMATS_NETCDF_LIBRARY_H_
