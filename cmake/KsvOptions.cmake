# One INTERFACE target carries the warnings and Qt definitions every target of the project uses.
add_library(ksv_options INTERFACE)
target_compile_options(ksv_options INTERFACE
  -Wall -Wextra -Wold-style-cast -Wnon-virtual-dtor -Wshadow=local)
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
