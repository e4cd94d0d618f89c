// The library's header where <windows.h> came first, whose S_OK and E_FAIL are
// macros: it compiles, and leaves them as Windows defines them.
#include <windows.h>

#include "driver/converter_library.h"

#include <gtest/gtest.h>

namespace {

TEST(ConverterLibraryHeader, ComesAfterWindowsH) {
  EXPECT_EQ(S_OK, static_cast<HRESULT>(0));
  EXPECT_EQ(E_FAIL, static_cast<HRESULT>(0x80004005L));
  EXPECT_STREQ(kPrinterName, "Korvane Internal PDF Converter");
}

}  // namespace
