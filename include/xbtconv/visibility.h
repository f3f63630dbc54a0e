// What the shared library exports: the declarations between XBTCONV_PUBLIC_BEGIN
// and XBTCONV_PUBLIC_END, the public API, and nothing else of the library.
#ifndef XBTCONV_VISIBILITY_H_
#define XBTCONV_VISIBILITY_H_

// Said first, before a cascade of errors about std::optional and
// std::string_view: the headers are C++17 (clang 14 and older g++ default
// to C++14).
#if __cplusplus < 201703L && !(defined(_MSVC_LANG) && _MSVC_LANG >= 201703L)
#error "xbtconv's headers need C++17 or later: compile with -std=c++17 (or -std=c++20)"
#endif

#if defined(__GNUC__) && !defined(_WIN32)
#define XBTCONV_PUBLIC_BEGIN _Pragma("GCC visibility push(default)")
#define XBTCONV_PUBLIC_END _Pragma("GCC visibility pop")
#else
#define XBTCONV_PUBLIC_BEGIN
#define XBTCONV_PUBLIC_END
#endif

#endif  // XBTCONV_VISIBILITY_H_
