# Runs Windows programs under Wine, in a prefix of the build's own, quietly, and
# with a UTF-8 locale so non-ASCII arguments arrive intact.
set(WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/wine-paths WINE_LOADER REGEX "^WINE_LOADER=")
string(REPLACE "WINE_LOADER=" "" WINE_LOADER "${WINE_LOADER}")
set(CMAKE_CROSSCOMPILING_EMULATOR
    /usr/bin/env WINEPREFIX=${WINE_PREFIX} WINEDEBUG=-all LC_ALL=C.UTF-8 ${WINE_LOADER})
