// What the shared library exports: the declarations between XBTCONV_PUBLIC_BEGIN
// and XBTCONV_PUBLIC_END, the public API, and nothing else of the library.
#ifndef XBTCONV_VISIBILITY_H_
#define XBTCONV_VISIBILITY_H_

#if defined(__GNUC__) && !defined(_WIN32)
#define XBTCONV_PUBLIC_BEGIN _Pragma("GCC visibility push(default)")
#define XBTCONV_PUBLIC_END _Pragma("GCC visibility pop")
#else
#define XBTCONV_PUBLIC_BEGIN
#define XBTCONV_PUBLIC_END
#endif

#endif  // XBTCONV_VISIBILITY_H_
