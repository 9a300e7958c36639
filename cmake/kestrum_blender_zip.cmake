# Zips the assembled add-on folder ADDONS/kestrum_blender into ZIP, leaving out the
# __pycache__ folders that running it (or the tests) left there.
#   cmake -DADDONS=<build>/blender/addons -DZIP=<file> -P kestrum_blender_zip.cmake
file(GLOB_RECURSE files RELATIVE ${ADDONS} ${ADDONS}/kestrum_blender/*)
list(FILTER files EXCLUDE REGEX "(^|/)__pycache__/")
if(NOT files)
  message(FATAL_ERROR "${ADDONS}/kestrum_blender: no add-on assembled there")
endif()
get_filename_component(folder ${ZIP} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip ${files}
                WORKING_DIRECTORY ${ADDONS} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${ZIP}: could not be written")
endif()
