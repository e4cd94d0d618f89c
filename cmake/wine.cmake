# Runs Windows programs under Wine, in a prefix of the build's own, quietly, and
# with a UTF-8 locale so non-ASCII arguments arrive intact.
set(WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(CMAKE_CROSSCOMPILING_EMULATOR
    /usr/bin/env WINEPREFIX=${WINE_PREFIX} WINEDEBUG=-all LC_ALL=C.UTF-8 /usr/lib/wine/wine64)
