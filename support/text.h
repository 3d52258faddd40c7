#pragma once

#include <cstddef>
#include <cstdint>

/// Copies `source` into `destination` of `size` bytes. Returns `destination`, or null (leaving
/// `destination` empty) when the text and its terminating zero do not fit.
char* BoundedCopy(char* destination, size_t size, const char* source);

/// Appends `source` to the text in `destination` of `size` bytes. Returns `destination`, or null
/// (leaving the text as it was) when the result would not fit.
char* BoundedAppend(char* destination, size_t size, const char* source);

/// Formats into `destination` of `size` bytes. Returns the length written, or -1 (leaving
/// `destination` empty) when the result does not fit: nothing is ever cut and used.
int BoundedFormat(char* destination, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));

/// As BoundedFormat, for file-system paths: every '\\' of `format` (not of the arguments)
/// stands for the platform's path separator.
int FormatPath(char* destination, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));

/// The case-insensitive substring search (only a to z fold; see platform/ascii.h). A length of
/// -1 means "measure up to the NUL"; a null or empty needle matches nothing. Returns a pointer
/// into `haystack` at the leftmost match, or null.
const char* FindNoCase(const char* haystack, const char* needle, int32_t haystackLength = -1,
                       int32_t needleLength = -1);
