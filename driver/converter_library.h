// What the tool knows of the closed converter library: its file, its two entry
// points and the printer it is asked to start.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/wide_string.h"

// A backslash and the file name, appended to a given directory.
constexpr WideChar kLibraryPathSuffix[] = WIDE_TEXT("\\cdintf400.dll");
// The bare file name, for the platform's default search.
constexpr const WideChar* kLibraryFileName = kLibraryPathSuffix + 1;

// The longest directory that still leaves room for the suffix and a terminator.
constexpr size_t kMaxLibraryDirectoryLength =
    kPathCapacity - sizeof kLibraryPathSuffix / sizeof kLibraryPathSuffix[0];
static_assert(kMaxLibraryDirectoryLength == 245, "directory + \\cdintf400.dll must fit 260 units");

// inline: one object, at one address, in every file that names it.
inline constexpr char kPrinterName[] = "Korvane Internal PDF Converter";
static_assert(sizeof kPrinterName == 31, "30 characters and a terminator");

constexpr char kStartEntryPoint[] = "PDFDriverInit";
constexpr char kEndEntryPoint[] = "DriverEnd";

// Takes the printer name, returns the driver handle; null means it did not start.
using PDFDriverInitFunction = void* (*)(char* printer_name);
// Takes the handle PDFDriverInit returned; whatever it returns is ignored.
using DriverEndFunction = void (*)(void* driver_handle);

// The run's HRESULT-style start status. <windows.h> has macros of the same names,
// kept out of the way here, so this header works whatever came before it.
#pragma push_macro("S_OK")
#pragma push_macro("E_FAIL")
#undef S_OK
#undef E_FAIL
namespace start_status {
constexpr int32_t S_OK = 0;
constexpr int32_t E_FAIL = static_cast<int32_t>(0x80004005u);
}  // namespace start_status
#pragma pop_macro("E_FAIL")
#pragma pop_macro("S_OK")
