# kestrum view needs Debian's cpp-httplib library for this target, and node with the
# page's npm packages (three, and esbuild to bundle the page). Debian has no 32-bit
# build of the library here, so 32-bit builds go without. Sets KESTRUM_VIEW.
set(KESTRUM_THREE ${CMAKE_SOURCE_DIR}/node_modules/three)
set(KESTRUM_ESBUILD ${CMAKE_SOURCE_DIR}/node_modules/esbuild/bin/esbuild)
find_program(KESTRUM_NODE_PROGRAM NAMES node nodejs)
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  pkg_check_modules(KESTRUM_HTTPLIB QUIET IMPORTED_TARGET GLOBAL cpp-httplib)
endif()
set(KESTRUM_VIEW OFF)
if(KESTRUM_HTTPLIB_FOUND AND KESTRUM_NODE_PROGRAM AND EXISTS ${KESTRUM_THREE}/build/three.module.js
   AND EXISTS ${KESTRUM_ESBUILD})
  set(KESTRUM_VIEW ON)
else()
  message(STATUS "kestrum view: not built (needs cpp-httplib for a 64-bit target, node, "
                 "and node_modules/three and esbuild: run scripts/install-deps.sh)")
endif()
