# Install rules: headers under include/srv6db, both libraries, the srv6db:: export set with its
# package config and version file, and the pkg-config files.
include(CMakePackageConfigHelpers)

set(SRV6DB_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/srv6db)

file(GLOB _srv6db_public_headers ${PROJECT_SOURCE_DIR}/include/*.h)
install(FILES ${_srv6db_public_headers} DESTINATION ${SRV6DB_INCLUDE_DIR})
set_target_properties(srv6db_engine PROPERTIES EXPORT_NAME engine)  # srv6db::engine
# Both spellings compile against the installed package: <srv6_db.h> and <srv6db/srv6_db.h>.
target_include_directories(srv6db INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
install(TARGETS srv6db EXPORT srv6db-targets LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(EXPORT srv6db-targets NAMESPACE srv6db:: DESTINATION ${SRV6DB_CMAKE_DIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/srv6dbConfig.cmake.in
  ${PROJECT_BINARY_DIR}/srv6dbConfig.cmake INSTALL_DESTINATION ${SRV6DB_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/srv6dbConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/srv6dbConfig.cmake ${PROJECT_BINARY_DIR}/srv6dbConfigVersion.cmake
  DESTINATION ${SRV6DB_CMAKE_DIR})

# pkg-config paths hang off ${pcfiledir}, so the files stay right wherever the prefix is
# installed (cmake --install --prefix) or moved.
file(RELATIVE_PATH _srv6db_pc_up /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" _srv6db_pc_up "${_srv6db_pc_up}")
set(SRV6DB_PC_PREFIX "\${pcfiledir}/${_srv6db_pc_up}")
foreach(_dir LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${_dir}}")
    set(SRV6DB_PC_${_dir} "${CMAKE_INSTALL_${_dir}}")
  else()
    set(SRV6DB_PC_${_dir} "\${prefix}/${CMAKE_INSTALL_${_dir}}")
  endif()
endforeach()
foreach(_pc srv6db srv6db-engine)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${_pc}.pc.in ${PROJECT_BINARY_DIR}/${_pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${_pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()
