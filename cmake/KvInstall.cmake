# Installs the layers, their headers (keeping their platform/, model/, ... paths under
# include/KvGrids) and a CMake package: find_package(KvGrids) gives KvGrids::KvGrids (what an
# application links) and each library by its name (KvGrids::kv_design for a form designer).
include(CMakePackageConfigHelpers)

# A sanitized library needs the sanitizer runtime in whatever links it.
if(KV_SANITIZE)
  target_link_options(kv_platform_rtl INTERFACE -fsanitize=address,undefined)
endif()

# Installed shared layers find each other beside themselves.
if(BUILD_SHARED_LIBS)
  set_target_properties(${KV_LAYERS} PROPERTIES INSTALL_RPATH "$ORIGIN")
endif()

install(TARGETS ${KV_LAYERS} KvGrids EXPORT KvGridsTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

foreach(dir ${KV_LAYER_DIRS})
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${dir})
  install(DIRECTORY ${dir}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/KvGrids/${rel}
    FILES_MATCHING PATTERN "*.h" PATTERN "resources" EXCLUDE)
endforeach()

set(kv_config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/KvGrids)
install(EXPORT KvGridsTargets NAMESPACE KvGrids:: DESTINATION ${kv_config_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/KvGridsConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/KvGridsConfig.cmake INSTALL_DESTINATION ${kv_config_dir})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/KvGridsConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/KvGridsConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/KvGridsConfigVersion.cmake
        DESTINATION ${kv_config_dir})
