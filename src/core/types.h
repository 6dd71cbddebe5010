// Fixed-width names used across the code base.
#pragma once
#include <cstddef>
#include <cstdint>

typedef uint8_t u8;
typedef uint16_t u16;
typedef uint32_t u32;
typedef uint64_t u64;
typedef int8_t i8;
typedef int16_t i16;
typedef int32_t i32;
typedef int64_t i64;
typedef float f32;
typedef double f64;

#define SV_NONE16 ((u16)65535)
#define SV_NONE8  ((u8)255)

#define SV_PRODUCT "strenvik"
#define SV_VERSION "0.3.5-alpha"
#if defined(_WIN32)
#define SV_PLATFORM "windows"
#else
#define SV_PLATFORM "linux"
#endif

#if defined(__MINGW32__)
// mingw-w64's C99 printf (the Windows build selects it), not the system msvcrt's.
#define SV_PRINTF(fmt_index, first_arg) __attribute__((format(gnu_printf, fmt_index, first_arg)))
#elif defined(__GNUC__)
#define SV_PRINTF(fmt_index, first_arg) __attribute__((format(printf, fmt_index, first_arg)))
#else
#define SV_PRINTF(fmt_index, first_arg)
#endif
