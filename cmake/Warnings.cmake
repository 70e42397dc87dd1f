# SPDX-License-Identifier: GPL-3.0-or-later
# One target that carries the project's warnings and Qt strictness; every target links it.
add_library(movarin_warnings INTERFACE)
target_compile_options(movarin_warnings INTERFACE -Wall -Wextra -pedantic -Wshadow -Wnon-virtual-dtor)
if(MOVARIN_WERROR)
    target_compile_options(movarin_warnings INTERFACE -Werror)
endif()
target_compile_definitions(movarin_warnings INTERFACE
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_DISABLE_DEPRECATED_BEFORE=0x060400)
