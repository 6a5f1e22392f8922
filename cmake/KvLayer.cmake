# kv_add_layer(NAME DIRS... DEPS... [PRIVATE_DEPS...]): one library per layer (static, or shared
# with BUILD_SHARED_LIBS), sources globbed from its folders. DEPS are passed on to the layers above,
# PRIVATE_DEPS are not. Headers are included by their path from the source root ("grid/KvGrids.h"),
# in the tree and once installed.
set(KV_LAYERS "" CACHE INTERNAL "")
set(KV_LAYER_DIRS "" CACHE INTERNAL "")
include(GNUInstallDirs)

# Above platform/, the headers of the platform's private libraries (QtGui, QtWidgets, pugixml,
# libcurl, SQLite) stop at a stub in cmake/layer_guard that fails the compile.
function(kv_guard_layer target)
  target_include_directories(${target} BEFORE PRIVATE ${PROJECT_SOURCE_DIR}/cmake/layer_guard)
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
  if(NOT name STREQUAL "kv_platform")
    kv_guard_layer(${name})
  endif()
  target_precompile_headers(${name} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/kv_pch.h)
  set(KV_LAYERS ${KV_LAYERS} ${name} CACHE INTERNAL "")
  set(KV_LAYER_DIRS ${KV_LAYER_DIRS} ${ARG_DIRS} CACHE INTERNAL "")
endfunction()
