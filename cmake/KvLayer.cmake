# kv_add_layer(NAME DIRS... DEPS... [PRIVATE_DEPS...]): one library per layer (static, or shared
# with BUILD_SHARED_LIBS), sources globbed from its folders. DEPS are passed on to the layers above,
# PRIVATE_DEPS are not. Headers are included by their path from the source root ("grid/KvGrids.h"),
# in the tree and once installed.
#
# A library links only what it names: shared, it is linked with --no-undefined; static, an
# executable that takes every object of it (kv_link_check_NAME, built with the tests) is linked
# against what it names. Either way a call into a library it does not link fails the build.
set(KV_LAYERS "" CACHE INTERNAL "")
set(KV_LAYER_DIRS "" CACHE INTERNAL "")
include(GNUInstallDirs)

# Headers a library may not include stop at a stub in cmake/layer_guard that fails the compile:
# above platform/, those of the platform's private libraries (QtGui, QtWidgets, pugixml, libcurl,
# SQLite); with GUI, only QtGui and QtWidgets (the platform folders that do not draw).
function(kv_guard_layer target)
  cmake_parse_arguments(ARG "GUI" "" "" ${ARGN})
  target_include_directories(${target} BEFORE PRIVATE ${PROJECT_SOURCE_DIR}/cmake/layer_guard/gui)
  if(NOT ARG_GUI)
    target_include_directories(${target} BEFORE PRIVATE ${PROJECT_SOURCE_DIR}/cmake/layer_guard/libs)
  endif()
endfunction()

function(kv_add_layer name)
  cmake_parse_arguments(ARG "" "" "DIRS;DEPS;PRIVATE_DEPS" ${ARGN})
  set(sources "")
  foreach(dir ${ARG_DIRS})
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
    list(APPEND sources ${found})
  endforeach()
  if(NOT sources)
    return()
  endif()
  add_library(${name} ${sources})
  target_include_directories(${name} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/KvGrids>)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  if(name MATCHES "^kv_platform_(rtl|data|xml|net)$")
    kv_guard_layer(${name} GUI)
  elseif(NOT name MATCHES "^kv_platform")
    kv_guard_layer(${name})
  endif()
  target_precompile_headers(${name} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/kv_pch.h)
  if(BUILD_SHARED_LIBS)
    target_link_options(${name} PRIVATE LINKER:--no-undefined)
  elseif(KV_BUILD_TESTS)
    add_executable(kv_link_check_${name} ${PROJECT_SOURCE_DIR}/cmake/link_check.cpp)
    target_link_libraries(kv_link_check_${name} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${name}>")
  endif()
  set(KV_LAYERS ${KV_LAYERS} ${name} CACHE INTERNAL "")
  set(KV_LAYER_DIRS ${KV_LAYER_DIRS} ${ARG_DIRS} CACHE INTERNAL "")
endfunction()
