# One INTERFACE target carries the warnings and Qt definitions every target of the project uses.
add_library(ksv_options INTERFACE)
target_compile_options(ksv_options INTERFACE
  -Wall -Wextra -Wold-style-cast -Wnon-virtual-dtor $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)
if(KSV_WERROR)
  target_compile_options(ksv_options INTERFACE -Werror)
endif()
target_compile_definitions(ksv_options INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_USE_QSTRINGBUILDER
  QT_DISABLE_DEPRECATED_BEFORE=0x060400
  KSV_VERSION_STRING="${PROJECT_VERSION}")
if(KSV_SANITIZE)
  target_compile_options(ksv_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(ksv_options INTERFACE -fsanitize=address,undefined)
endif()

# ksv_add_test(NAME SOURCES ... LIBS ... [GUI])
# Registers one Qt Test executable. Tests always run on the simulated platform with a private home,
# so nothing touches the real home folder, desktop or session bus.
function(ksv_add_test name)
  cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ksv_options Qt6::Test ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set(home ${CMAKE_BINARY_DIR}/test-home/${name})
  set_tests_properties(${name} PROPERTIES
    TIMEOUT 300
    ENVIRONMENT "KESTRAVE_PLATFORM=simulated;QT_QPA_PLATFORM=offscreen;HOME=${home};XDG_DATA_HOME=${home}/.local/share;XDG_CONFIG_HOME=${home}/.config;XDG_RUNTIME_DIR=${home}/run;DBUS_SESSION_BUS_ADDRESS=disabled:;KSV_BIN_DIR=${CMAKE_BINARY_DIR}/bin;KSV_SOURCE_DIR=${CMAKE_SOURCE_DIR};${T_ENV}")
  file(MAKE_DIRECTORY ${home}/run)
endfunction()

# Adds a sub-folder when it already has its CMakeLists.txt (components arrive one by one).
macro(ksv_add_subdirectory_if_present dir)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endmacro()

# ksv_embed_version(TARGET DESCRIPTION "..." [INTERNAL_NAME name] [ORIGINAL_FILENAME name])
# Embeds the standard version strings (CompanyName, FileDescription, FileVersion, InternalName,
# LegalCopyright, OriginalFilename, ProductName, ProductVersion) in the executable TARGET, in an
# ELF section ".ksv_version" that GetVersionString (services/VerAbout.h) reads back from the
# running program's file. The block holds a translation entry (US English, Unicode) and keys its
# strings by it, so a reader that cannot find the translation finds no string.
#
# Block layout, all numbers little-endian:
#   "KSVVINFO"  uint32 total length of the block
#   records: uint16 key length, uint16 value length, key (UTF-8), value
# Keys are the paths a query names: "\VarFileInfo\Translation" (uint32 entries, language in the
# low 16 bits, code page in the high 16 bits) and "\StringFileInfo\040904B0\<name>" (UTF-8 text
# ending with one zero byte).
set(KSV_VERSION_COMPANY "Kestrave project")
set(KSV_VERSION_PRODUCT "Kestrave")
set(KSV_VERSION_COPYRIGHT "Copyright (C) the Kestrave developers")

function(_ksv_version_bytes_of_number out number width)
  set(bytes "")
  set(n ${number})
  foreach(i RANGE 1 ${width})
    math(EXPR b "${n} % 256")
    math(EXPR n "${n} / 256")
    list(APPEND bytes ${b})
  endforeach()
  set(${out} ${bytes} PARENT_SCOPE)
endfunction()

# Appends one record (key text, value given as a hex string) to the list named by out_list.
function(_ksv_version_record out_list key value_hex)
  string(HEX "${key}" key_hex)
  string(LENGTH "${key_hex}" key_digits)
  string(LENGTH "${value_hex}" value_digits)
  math(EXPR key_length "${key_digits} / 2")
  math(EXPR value_length "${value_digits} / 2")
  if(value_length GREATER 65535 OR key_length GREATER 65535)
    message(FATAL_ERROR "ksv_embed_version: the entry ${key} is too long")
  endif()
  _ksv_version_bytes_of_number(key_size ${key_length} 2)
  _ksv_version_bytes_of_number(value_size ${value_length} 2)
  set(bytes ${${out_list}} ${key_size} ${value_size})
  foreach(hex IN ITEMS ${key_hex} ${value_hex})
    string(REGEX MATCHALL ".." pairs "${hex}")
    foreach(pair IN LISTS pairs)
      math(EXPR b "0x${pair}")
      list(APPEND bytes ${b})
    endforeach()
  endforeach()
  set(${out_list} ${bytes} PARENT_SCOPE)
endfunction()

function(ksv_embed_version target)
  cmake_parse_arguments(V "" "DESCRIPTION;INTERNAL_NAME;ORIGINAL_FILENAME" "" ${ARGN})
  if(NOT TARGET ${target})
    message(FATAL_ERROR "ksv_embed_version: no target ${target}")
  endif()
  get_target_property(type ${target} TYPE)
  if(NOT type STREQUAL "EXECUTABLE")
    message(FATAL_ERROR "ksv_embed_version: ${target} is not an executable")
  endif()
  if(NOT V_DESCRIPTION)
    message(FATAL_ERROR "ksv_embed_version: ${target} needs a DESCRIPTION")
  endif()
  if(NOT V_INTERNAL_NAME)
    set(V_INTERNAL_NAME ${target})
  endif()
  if(NOT V_ORIGINAL_FILENAME)
    get_target_property(output_name ${target} OUTPUT_NAME)
    if(output_name)
      set(V_ORIGINAL_FILENAME ${output_name})
    else()
      set(V_ORIGINAL_FILENAME ${target})
    endif()
  endif()

  # US English (0x0409), Unicode code page (1200 = 0x04B0).
  set(translation "040904B0")
  set(records "")
  # The entry 0x04B00409 in little-endian bytes.
  set(translation_hex "0904B004")
  _ksv_version_record(records "\\VarFileInfo\\Translation" "${translation_hex}")
  foreach(name IN ITEMS CompanyName FileDescription FileVersion InternalName LegalCopyright
                        OriginalFilename ProductName ProductVersion)
    if(name STREQUAL "CompanyName")
      set(value "${KSV_VERSION_COMPANY}")
    elseif(name STREQUAL "FileDescription")
      set(value "${V_DESCRIPTION}")
    elseif(name STREQUAL "InternalName")
      set(value "${V_INTERNAL_NAME}")
    elseif(name STREQUAL "LegalCopyright")
      set(value "${KSV_VERSION_COPYRIGHT}")
    elseif(name STREQUAL "OriginalFilename")
      set(value "${V_ORIGINAL_FILENAME}")
    elseif(name STREQUAL "ProductName")
      set(value "${KSV_VERSION_PRODUCT}")
    else() # FileVersion, ProductVersion
      set(value "${CMAKE_PROJECT_VERSION}")
    endif()
    string(HEX "${value}" value_hex)
    _ksv_version_record(records "\\StringFileInfo\\${translation}\\${name}" "${value_hex}00")
  endforeach()

  list(LENGTH records body_length)
  math(EXPR total "${body_length} + 12")
  _ksv_version_bytes_of_number(total_bytes ${total} 4)
  string(HEX "KSVVINFO" magic_hex)
  set(block "")
  string(REGEX MATCHALL ".." pairs "${magic_hex}")
  foreach(pair IN LISTS pairs)
    math(EXPR b "0x${pair}")
    list(APPEND block ${b})
  endforeach()
  list(APPEND block ${total_bytes} ${records})
  list(JOIN block ", " initialiser)

  set(source ${CMAKE_CURRENT_BINARY_DIR}/${target}_version_info.cpp)
  set(content "// Generated by ksv_embed_version: the version information of ${target}.\n\
// GetVersionString reads this section back from the executable file.\n\
__attribute__((used, section(\".ksv_version\"), aligned(4)))\n\
static const unsigned char ksvVersionInformation[] = {\n    ${initialiser}};\n")
  file(CONFIGURE OUTPUT ${source} CONTENT "@content@" @ONLY)
  target_sources(${target} PRIVATE ${source})
endfunction()
