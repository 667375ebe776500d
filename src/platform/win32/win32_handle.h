// Owners of kernel handles for the Win32 backends and the window. Two kinds,
// because the system answers failure with two different values: CreateFile
// with INVALID_HANDLE_VALUE, CreateThread and most others with NULL.
#pragma once

#include <windows.h>

#include "platform/unique_resource.h"

namespace orvane::platform {

struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { CloseHandle(handle); }
};
using UniqueKernelHandle = UniqueResource<KernelHandleTraits>;

struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { CloseHandle(handle); }
};
using UniqueFileHandle = UniqueResource<FileHandleTraits>;

// A folder search of FindFirstFileExW.
struct FindTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { FindClose(handle); }
};

}  // namespace orvane::platform
